#include "app/page_source.h"

#include <utility>

#include "http/web_fetch.h"

namespace quellora {
namespace {

PageFetcher& InstalledFetcher() {
  static PageFetcher fetcher;
  return fetcher;
}

}  // namespace

Text FetchPage(std::string_view address) {
  const PageFetcher& fetcher = InstalledFetcher();
  if (fetcher) return fetcher(address);
  return WebFetch(address);
}

void SetPageFetcher(PageFetcher fetcher) {
  InstalledFetcher() = std::move(fetcher);
}

}  // namespace quellora
