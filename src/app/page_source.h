// Where the workflow's pages and track descriptions come from: WebFetch with every default.
// Tests put a fetcher of their own in its place to feed fixed pages to the parsing.
#pragma once

#include <functional>
#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// A routine that fetches one address and returns the decoded body (empty on failure).
using PageFetcher = std::function<Text(std::string_view address)>;

/// Fetches address with the installed fetcher, WebFetch (every default) unless replaced. Once
/// Interrupted() nothing is fetched: the empty text.
Text FetchPage(std::string_view address);

/// Replaces the fetcher for every later FetchPage; an empty fetcher restores WebFetch.
void SetPageFetcher(PageFetcher fetcher);

}  // namespace quellora
