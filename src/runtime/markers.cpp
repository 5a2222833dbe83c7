#include "runtime/markers.h"

#include <array>
#include <utility>

#include "runtime/console.h"

namespace quellora {
namespace {

// "#引号" in the program's code page, which stands for a double quote in TextBetween's markers.
constexpr std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";

}  // namespace

Text TextBetween(std::string_view source, std::string_view left, std::string_view right, int start,
                 bool ignoreCase) {
  const Text leftMarker = TextReplace(left, kQuoteWord, "\"", 1, -1, true);
  const Text rightMarker = TextReplace(right, kQuoteWord, "\"", 1, -1, true);
  int p = TextFind(source, leftMarker, start, ignoreCase);
  if (p != -1) p += TextLength(leftMarker);
  const int q = TextFind(source, rightMarker, p, ignoreCase);
  if (p == -1 || q == -1) return Text();
  return TextMiddle(source, p, q - p);
}

int TextBetweenAll(std::string_view source, std::string_view left, std::string_view right,
                   TextArray& results, bool caseSensitive, int maxLength, std::string_view prefix,
                   std::string_view suffix, bool withLeft, bool withRight, int start) {
  results = TextArray();
  // An empty marker is "found" at the beginning whatever the search start, so the scan would
  // never move on.
  if (left.empty() || right.empty()) return 0;

  const int leftLength = TextLength(left);
  int position = start;
  for (;;) {
    const int l = TextFind(source, left, position, !caseSensitive);
    if (l == -1) break;
    const int r = TextFind(source, right, l + leftLength, !caseSensitive);
    if (r == -1) break;
    position = l + leftLength;
    const Text piece = TextTrim(TextMiddle(source, position, r - position));
    Text item = TextConcat({prefix, piece, suffix});
    if (!item.empty()) {
      if (withLeft) item = TextConcat({left, item});
      if (withRight) item = TextConcat({item, right});
      if (maxLength == 0 || TextLength(item) < maxLength) results.Append(std::move(item));
      position = r;
    }
    ProcessEvents();
  }
  return ArrayElementCount(results);
}

Text ReplaceSeveral(std::string_view text, std::optional<int> count, int start, bool caseSensitive,
                    std::string_view search1, std::string_view replacement1,
                    std::string_view search2, std::string_view replacement2,
                    std::string_view search3, std::string_view replacement3,
                    std::string_view search4, std::string_view replacement4,
                    std::string_view search5, std::string_view replacement5) {
  if (start == 0) start = 1;
  const std::array<std::pair<std::string_view, std::string_view>, 5> pairs{{
      {search1, replacement1},
      {search2, replacement2},
      {search3, replacement3},
      {search4, replacement4},
      {search5, replacement5},
  }};
  Text result(text);
  for (const auto& [search, replacement] : pairs) {
    if (search.empty()) continue;
    result = TextReplace(result, search, replacement, start, count.value_or(-1), caseSensitive);
  }
  return result;
}

}  // namespace quellora
