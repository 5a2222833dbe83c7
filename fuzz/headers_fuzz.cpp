// Reads arbitrary response header blocks, merges the cookies they set into an arbitrary cookie
// string, and builds request headers from arbitrary caller text, checking the contracts of
// ParseResponseHeaders, MergeCookies, CookieName, CookieValue, BuildRequestHeaders and
// HeaderListLines.
//
// Input: the cookies carried so far on the first line, flags on the second (cookies present for
// the request); the rest is the header block ("\r\n" line ends), also used as the caller's
// request header text.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "http/cookies.h"
#include "http/request_headers.h"
#include "http/response_headers.h"
#include "runtime/text.h"

namespace {

using fuzz::Check;
using quellora::Text;

Text FoldAscii(std::string_view text) {
  Text folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

void CheckResponseHeaders(std::string_view block, Text& newCookies) {
  Text headers(block);
  Text statusText;
  Text redirectTarget;
  quellora::ParseResponseHeaders(headers, statusText, newCookies, redirectTarget);
  Check(block.find(statusText) != std::string_view::npos);
  Check(statusText.find("\r\n") == Text::npos);
  // Only the spelling of "Set-Cookie" changes.
  Check(headers.size() == block.size() && FoldAscii(headers) == FoldAscii(block));
  if (headers.find("Set-Cookie") == Text::npos) Check(newCookies.empty());
  Check(redirectTarget.empty() || headers.find(redirectTarget) != Text::npos);
}

void CheckCookieItem(std::string_view item) {
  const Text name = quellora::CookieName(item);
  const Text value = quellora::CookieValue(item);
  Check(item.find(name) != std::string_view::npos);
  Check(item.ends_with(value));
  if (item.find('=') == std::string_view::npos) {
    Check(value.empty());
  } else {
    Check(name.size() + 1 + value.size() <= item.size());
  }
}

void CheckMerge(std::string_view carried, const Text& newCookies) {
  Text cookies(carried);
  Text fresh = newCookies;
  const Text merged = quellora::MergeCookies(cookies, fresh);
  Check(merged == cookies);
  if (fresh.empty()) return;
  // A rebuilt string: name=value items, each followed by ";".
  Check(merged.empty() || merged.back() == ';');
  for (std::size_t start = 0; start < merged.size();) {
    const std::size_t end = merged.find(';', start);
    Check(end != Text::npos);
    CheckCookieItem(std::string_view(merged).substr(start, end - start));
    start = end + 1;
  }
}

void CheckRequestHeaders(std::string_view extra, const std::optional<Text>& cookies) {
  const Text block = quellora::BuildRequestHeaders(extra, cookies);
  Check(block.starts_with(extra));
  Check(block.size() >= 2 && block.ends_with("\r\n"));
  Check(quellora::TextFind(block, "User-Agent: ", 1, true) != -1);
  Check(quellora::TextFind(block, "Content-Type:", 1, false) != -1);
  if (cookies && !cookies->empty()) Check(quellora::TextFind(block, "Cookie: ", 1, true) != -1);

  const std::vector<Text> lines = quellora::HeaderListLines(block);
  for (const Text& line : lines) {
    Check(!line.empty());
    Check(line.find_first_of("\r\n") == Text::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string_view carried = input.Line();
  const unsigned flags = input.Flags();
  const std::string_view block = input.Rest();

  Text newCookies;
  CheckResponseHeaders(block, newCookies);
  CheckMerge(carried, newCookies);
  for (std::size_t start = 0; start <= block.size();) {
    std::size_t end = block.find("\r\n", start);
    if (end == std::string_view::npos) end = block.size();
    CheckCookieItem(block.substr(start, end - start));
    start = end + 2;
  }

  CheckRequestHeaders(block, (flags & 1U) != 0 ? std::optional<Text>(Text(carried)) : std::nullopt);
  CheckRequestHeaders({}, Text(carried));
  return 0;
}
