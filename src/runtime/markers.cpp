#include "runtime/markers.h"

#include <array>
#include <utility>

#include "runtime/console.h"
#include "runtime/text_search.h"

namespace quellora {
namespace {

// "#引号" in the program's code page, which stands for a double quote in TextBetween's markers.
constexpr std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";

constexpr std::size_t kNotFound = std::string_view::npos;

using text_internal::FindOffset;
using text_internal::WalkOffset;

}  // namespace

Text TextBetween(std::string_view source, std::string_view left, std::string_view right, int start,
                 bool ignoreCase) {
  const Text leftMarker = TextReplace(left, kQuoteWord, "\"", 1, -1, true);
  const Text rightMarker = TextReplace(right, kQuoteWord, "\"", 1, -1, true);
  const std::size_t l = FindOffset(source, leftMarker, WalkOffset(start), ignoreCase);
  if (l == kNotFound) return Text();
  const std::size_t pieceStart = l + leftMarker.size();
  const std::size_t r = FindOffset(source, rightMarker, pieceStart, ignoreCase);
  // An empty right marker is found at the beginning, never after the left one.
  if (r == kNotFound || r <= pieceStart) return Text();
  return Text(source.substr(pieceStart, r - pieceStart));
}

int TextBetweenAll(std::string_view source, std::string_view left, std::string_view right,
                   TextArray& results, bool caseSensitive, int maxLength, std::string_view prefix,
                   std::string_view suffix, bool withLeft, bool withRight, int start) {
  results = TextArray();
  // An empty marker is "found" at the beginning whatever the search start, so the scan would
  // never move on.
  if (left.empty() || right.empty()) return 0;

  // Every pass moves from past the left marker it found, so the scan ends.
  std::size_t from = WalkOffset(start);
  for (;;) {
    const std::size_t l = FindOffset(source, left, from, !caseSensitive);
    if (l == kNotFound) break;
    const std::size_t pieceStart = l + left.size();
    const std::size_t r = FindOffset(source, right, pieceStart, !caseSensitive);
    if (r == kNotFound) break;
    from = pieceStart;
    const Text piece = TextTrim(source.substr(pieceStart, r - pieceStart));
    Text item = TextConcat({prefix, piece, suffix});
    if (!item.empty()) {
      if (withLeft) item = TextConcat({left, item});
      if (withRight) item = TextConcat({item, right});
      if (maxLength == 0 || TextLength(item) < maxLength) results.Append(std::move(item));
      from = r;
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
