// Runs TextBetween, TextBetweenAll and ReplaceSeveral over arbitrary pages and markers, and checks
// each result against the same cut computed from TextFind's 1-based int positions (which is
// exact for any input a fuzzer makes) and against properties every result must have.
//
// Input: left marker, right marker, start, maxLength, flags (ignore case, withLeft, withRight,
// counted replacements), prefix, suffix, one line each; the rest is the source.
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_input.h"
#include "runtime/markers.h"
#include "runtime/text.h"

namespace {

using fuzz::Check;
using quellora::Text;
using quellora::TextArray;

// "#引号" in the program's code page: stands for a double quote in TextBetween's markers.
constexpr std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";

Text IntPositionBetween(std::string_view source, std::string_view left, std::string_view right,
                        int start, bool ignoreCase) {
  const Text leftMarker = quellora::TextReplace(left, kQuoteWord, "\"", 1, -1, true);
  const Text rightMarker = quellora::TextReplace(right, kQuoteWord, "\"", 1, -1, true);
  int p = quellora::TextFind(source, leftMarker, start, ignoreCase);
  if (p != -1) p += quellora::TextLength(leftMarker);
  const int q = quellora::TextFind(source, rightMarker, p, ignoreCase);
  if (p == -1 || q == -1) return Text();
  return quellora::TextMiddle(source, p, q - p);
}

std::vector<Text> IntPositionBetweenAll(std::string_view source, std::string_view left,
                                        std::string_view right, bool caseSensitive, int maxLength,
                                        std::string_view prefix, std::string_view suffix,
                                        bool withLeft, bool withRight, int start) {
  std::vector<Text> results;
  if (left.empty() || right.empty()) return results;
  const int leftLength = quellora::TextLength(left);
  int position = start;
  for (;;) {
    const int l = quellora::TextFind(source, left, position, !caseSensitive);
    if (l == -1) break;
    const int r = quellora::TextFind(source, right, l + leftLength, !caseSensitive);
    if (r == -1) break;
    position = l + leftLength;
    const Text piece = quellora::TextTrim(quellora::TextMiddle(source, position, r - position));
    Text item = quellora::TextConcat({prefix, piece, suffix});
    if (!item.empty()) {
      if (withLeft) item = quellora::TextConcat({left, item});
      if (withRight) item = quellora::TextConcat({item, right});
      if (maxLength == 0 || quellora::TextLength(item) < maxLength) results.push_back(item);
      position = r;
    }
  }
  return results;
}

Text FoldAscii(std::string_view text) {
  Text folded(text);
  for (char& c : folded) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return folded;
}

void CheckBetween(std::string_view source, std::string_view left, std::string_view right, int start,
                  bool ignoreCase) {
  const Text piece = quellora::TextBetween(source, left, right, start, ignoreCase);
  Check(piece == IntPositionBetween(source, left, right, start, ignoreCase));
  if (piece.empty()) return;
  Check(source.find(piece) != std::string_view::npos);
  // Without quote words the markers stand as they are, right around the piece.
  if (left.find('#') == std::string_view::npos && right.find('#') == std::string_view::npos) {
    const Text framed = quellora::TextConcat({left, piece, right});
    if (ignoreCase) {
      Check(FoldAscii(source).find(FoldAscii(framed)) != Text::npos);
    } else {
      Check(source.find(framed) != std::string_view::npos);
    }
  }
}

void CheckBetweenAll(std::string_view source, std::string_view left, std::string_view right,
                     bool caseSensitive, int maxLength, std::string_view prefix,
                     std::string_view suffix, bool withLeft, bool withRight, int start) {
  TextArray results;
  results.Append("stale");
  const int count = quellora::TextBetweenAll(source, left, right, results, caseSensitive, maxLength,
                                             prefix, suffix, withLeft, withRight, start);
  Check(count == quellora::ArrayElementCount(results));
  const std::vector<Text>& items = results.Elements();
  Check(items == IntPositionBetweenAll(source, left, right, caseSensitive, maxLength, prefix,
                                       suffix, withLeft, withRight, start));
  const Text head = quellora::TextConcat({withLeft ? left : "", prefix});
  const Text tail = quellora::TextConcat({suffix, withRight ? right : ""});
  for (const Text& item : items) {
    Check(!item.empty());
    Check(maxLength == 0 || quellora::TextLength(item) < maxLength);
    Check(item.size() >= head.size() + tail.size());
    Check(item.starts_with(head) && item.ends_with(tail));
  }
}

void CheckReplaceSeveral(std::string_view source, std::optional<int> count, int start,
                         bool caseSensitive, std::string_view search1,
                         std::string_view replacement1, std::string_view search2,
                         std::string_view replacement2) {
  const Text replaced = quellora::ReplaceSeveral(source, count, start, caseSensitive, search1,
                                                 replacement1, search2, replacement2);
  if (count == 0 || (search1.empty() && search2.empty())) Check(replaced == source);
  // One pair whose search text is absent changes nothing, except that a one-byte search drops a
  // lead byte left alone at the very end.
  const Text single = quellora::ReplaceSeveral(source, count, start, true, search1, replacement1);
  const bool loneLeadAtEnd =
      search1.size() == 1 && !source.empty() && static_cast<unsigned char>(source.back()) >= 0x80;
  if (source.find(search1) == std::string_view::npos && !loneLeadAtEnd) Check(single == source);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const std::string_view left = input.Line();
  const std::string_view right = input.Line();
  const int start = input.Number(std::numeric_limits<int>::max());
  const int maxLength = input.Number(std::numeric_limits<int>::max());
  const unsigned flags = input.Flags();
  const std::string_view prefix = input.Line();
  const std::string_view suffix = input.Line();
  const std::string_view source = input.Rest();
  const bool ignoreCase = (flags & 1U) != 0;
  const bool withLeft = (flags & 2U) != 0;
  const bool withRight = (flags & 4U) != 0;
  const std::optional<int> count = (flags & 8U) != 0 ? std::optional<int>(maxLength) : std::nullopt;

  CheckBetween(source, left, right, start, ignoreCase);
  CheckBetween(source, left, right, 1, !ignoreCase);
  CheckBetweenAll(source, left, right, !ignoreCase, maxLength, prefix, suffix, withLeft, withRight,
                  start);
  CheckBetweenAll(source, left, right, ignoreCase, 0, "", "", false, false, 1);
  CheckReplaceSeveral(source, count, start, !ignoreCase, left, prefix, right, suffix);
  return 0;
}
