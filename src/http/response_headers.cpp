#include "http/response_headers.h"

#include <cstddef>

#include "runtime/markers.h"

namespace quellora {
namespace {

constexpr std::size_t kStatusOffset = 9;  // the status text starts at the 10th byte

bool StartsWithIgnoringCase(std::string_view line, std::string_view prefix) {
  if (line.size() < prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i) {
    const auto a = static_cast<unsigned char>(line[i]);
    const auto b = static_cast<unsigned char>(prefix[i]);
    const auto lowerA = (a >= 'A' && a <= 'Z') ? a + ('a' - 'A') : a;
    const auto lowerB = (b >= 'A' && b <= 'Z') ? b + ('a' - 'A') : b;
    if (lowerA != lowerB) return false;
  }
  return true;
}

}  // namespace

void ParseResponseHeaders(Text& responseHeaders, Text& statusText, Text& newCookies,
                          Text& redirectTarget) {
  const Text& block = responseHeaders;
  const std::size_t lineEnd =
      block.size() < kStatusOffset ? Text::npos : block.find("\r\n", kStatusOffset);
  statusText =
      lineEnd == Text::npos ? Text() : block.substr(kStatusOffset, lineEnd - kStatusOffset);

  responseHeaders = TextReplace(responseHeaders, "Set-Cookie", "Set-Cookie", 1, -1, false);

  const TextArray lines = TextSplit(responseHeaders, "\r\n");
  for (const Text& line : lines.Elements()) {
    if (line.find("Set-Cookie") != Text::npos) {
      Text value = line.find(';') != Text::npos
                       ? TextBetween(line, "Set-Cookie:", ";")
                       : TextReplace(line, "Set-Cookie:", "", 1, -1, false);
      newCookies += TextTrim(value);
      newCookies += "; ";
    }
    if (StartsWithIgnoringCase(line, "Location: ")) redirectTarget = line.substr(10);
  }

  if (newCookies.size() <= 2) {
    newCookies.clear();
  } else {
    newCookies.resize(newCookies.size() - 2);
  }
}

}  // namespace quellora
