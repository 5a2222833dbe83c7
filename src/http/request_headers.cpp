#include "http/request_headers.h"

#include <algorithm>
#include <cstddef>

#include "runtime/ascii.h"

namespace quellora {
namespace {

struct DefaultLine {
  std::string_view searched;
  bool ignoreCase;
  std::string_view line;
};

constexpr DefaultLine kDefaultLines[] = {
    {"User-Agent: ", true,
     "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)\r\n"},
    {"Accept: ", true, "Accept: text/html, application/xhtml+xml, */*\r\n"},
    {"Accept-Encoding: ", true, "Accept-Encoding: gbk, GB2312\r\n"},
    {"Accept-Language: ", true, "Accept-Language: zh-cn\r\n"},
    {"Content-Type:", false, "Content-Type: application/x-www-form-urlencoded\r\n"},
    {"Cache-Control: ", true, "Cache-Control: no-cache\r\n"},
};

// Headers libcurl writes on its own unless the list names them.
constexpr std::string_view kLayerHeaders[] = {"Accept", "Content-Type", "Expect"};

std::string_view HeaderName(std::string_view line) {
  const std::size_t colon = line.find(':');
  if (colon == std::string_view::npos) return {};
  std::string_view name = line.substr(0, colon);
  while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) name.remove_suffix(1);
  return name;
}

}  // namespace

Text BuildRequestHeaders(std::string_view extraHeaders, const std::optional<Text>& cookies) {
  Text block;
  if (!extraHeaders.empty()) {
    block = Text(extraHeaders);
    block += "\r\n";
  }
  for (const DefaultLine& row : kDefaultLines) {
    if (TextFind(block, row.searched, 1, row.ignoreCase) == -1) block += row.line;
  }
  if (cookies && !cookies->empty() && TextFind(block, "Cookie: ", 1, true) == -1) {
    block += "Cookie: ";
    block += *cookies;
    block += "\r\n";
  }
  return block;
}

std::vector<Text> HeaderListLines(std::string_view block) {
  std::vector<Text> lines;
  std::size_t start = 0;
  while (start < block.size()) {
    std::size_t end = block.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = block.size();
    std::string_view line = block.substr(start, end - start);
    start = end + 1;
    if (line.empty()) continue;
    Text entry(line);
    // libcurl reads "Name:" with nothing after it as "remove Name"; "Name;" sends it empty.
    const std::size_t colon = entry.find(':');
    if (colon != Text::npos && entry.find_first_not_of(" \t", colon + 1) == Text::npos) {
      entry.resize(colon);
      entry += ';';
    }
    lines.push_back(std::move(entry));
  }
  for (std::string_view layerHeader : kLayerHeaders) {
    const bool named = std::any_of(lines.begin(), lines.end(), [&](const Text& line) {
      return EqualsIgnoringAsciiCase(HeaderName(line), layerHeader);
    });
    if (!named) lines.push_back(Text(layerHeader) + ":");
  }
  return lines;
}

}  // namespace quellora
