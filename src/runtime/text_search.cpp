#include "runtime/text_search.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <string>

#include "runtime/text.h"

namespace quellora {
namespace text_internal {
namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// Identity table for the exact search through the shared Horspool loop (used where the C library
// has no memmem).
[[maybe_unused]] constexpr std::array<unsigned char, 256> kNoFold = [] {
  std::array<unsigned char, 256> table{};
  for (int b = 0; b < 256; ++b) table[static_cast<std::size_t>(b)] = static_cast<unsigned char>(b);
  return table;
}();

bool EqualWith(const std::array<unsigned char, 256>& fold, const char* a, const char* b,
               std::size_t m) {
  for (std::size_t i = 0; i < m; ++i) {
    if (fold[static_cast<unsigned char>(a[i])] != fold[static_cast<unsigned char>(b[i])]) {
      return false;
    }
  }
  return true;
}

// Horspool's algorithm over bytes mapped through fold; each candidate is checked against the
// character boundaries of the walk.
std::size_t FindHorspool(std::string_view text, std::string_view sub, BoundaryWalker& walker,
                         std::size_t from, const std::array<unsigned char, 256>& fold) {
  const std::size_t m = sub.size();
  const std::size_t length = text.size();
  if (m > length || from > length - m) return std::string_view::npos;

  std::array<unsigned char, 256> shift;
  shift.fill(static_cast<unsigned char>(std::min<std::size_t>(m, 255)));
  for (std::size_t j = 0; j + 1 < m; ++j) {
    shift[fold[static_cast<unsigned char>(sub[j])]] =
        static_cast<unsigned char>(std::min<std::size_t>(m - 1 - j, 255));
  }
  const unsigned char last = fold[static_cast<unsigned char>(sub[m - 1])];
  const char* data = text.data();
  for (std::size_t i = from; i <= length - m;) {
    const unsigned char folded = fold[static_cast<unsigned char>(data[i + m - 1])];
    if (folded == last && EqualWith(fold, data + i, sub.data(), m - 1) && walker.IsStart(i)) {
      return i;
    }
    i += shift[folded];
  }
  return std::string_view::npos;
}

std::size_t FindExact(std::string_view text, std::string_view sub, BoundaryWalker& walker,
                      std::size_t from) {
  const std::size_t m = sub.size();
  const std::size_t length = text.size();
  const char* data = text.data();
  while (m <= length && from <= length - m) {
    const void* hit;
    if (m == 1) {
      hit = std::memchr(data + from, sub[0], length - from);
    } else {
#if defined(__GLIBC__)
      hit = memmem(data + from, length - from, sub.data(), m);
#else
      return FindHorspool(text, sub, walker, from, kNoFold);
#endif
    }
    if (hit == nullptr) return std::string_view::npos;
    const std::size_t candidate = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
    if (walker.IsStart(candidate)) return candidate;
    from = candidate + 1;
  }
  return std::string_view::npos;
}

std::size_t FindFoldedByte(std::string_view text, char byte, BoundaryWalker& walker,
                           std::size_t from) {
  const unsigned char wanted = kFoldAscii[static_cast<unsigned char>(byte)];
  for (std::size_t i = from; i < text.size(); ++i) {
    if (kFoldAscii[static_cast<unsigned char>(text[i])] == wanted && walker.IsStart(i)) return i;
  }
  return std::string_view::npos;
}

}  // namespace

bool BoundaryWalker::IsStart(std::size_t offset) {
  const char* data = text_.data();
  while (next_ < offset) {
    if constexpr (std::endian::native == std::endian::little) {
      if (offset - next_ >= 8) {
        std::uint64_t word;
        std::memcpy(&word, data + next_, sizeof word);
        const std::uint64_t high = word & kHighBits;
        // Eight single-byte characters, or four whole two-byte units from a character start.
        if (high == 0 || high == kHighBits) {
          next_ += 8;
          continue;
        }
        const std::size_t ascii = static_cast<std::size_t>(std::countr_zero(high)) / 8;
        if (ascii > 0) {
          next_ += ascii;
          continue;
        }
      }
    }
    next_ += IsLeadByte(data[next_]) ? 2 : 1;
  }
  return next_ == offset;
}

bool EqualFolded(const char* a, const char* b, std::size_t m) {
  return EqualWith(kFoldAscii, a, b, m);
}

std::size_t FindAtStart(std::string_view text, std::string_view sub, BoundaryWalker& walker,
                        std::size_t from, bool ignoreCase) {
  if (!ignoreCase) return FindExact(text, sub, walker, from);
  if (sub.size() == 1) return FindFoldedByte(text, sub[0], walker, from);
  return FindHorspool(text, sub, walker, from, kFoldAscii);
}

}  // namespace text_internal

using text_internal::BoundaryWalker;
using text_internal::FindAtStart;
using text_internal::FindOffset;
using text_internal::IsLeadByte;
using text_internal::WalkOffset;

namespace {

// A lead byte that is the last byte of the text ends a walk before it is compared.
bool IsLoneLead(std::string_view text, std::size_t offset) {
  return offset + 1 == text.size() && IsLeadByte(text[offset]);
}

}  // namespace

std::size_t text_internal::FindOffset(std::string_view text, std::string_view sub, std::size_t from,
                                      bool ignoreCase, std::size_t limit) {
  if (from >= text.size()) return std::string_view::npos;
  if (sub.empty()) return 0;
  if (from >= limit) return std::string_view::npos;
  // A match starting before limit ends before limit + sub.size(); the walk never needs more.
  const std::string_view searched =
      limit < text.size() ? text.substr(0, limit - 1 + sub.size()) : text;
  BoundaryWalker walker(searched, from);
  const std::size_t found = FindAtStart(searched, sub, walker, from, ignoreCase);
  if (found == std::string_view::npos || IsLoneLead(text, found)) return std::string_view::npos;
  return found;
}

int TextFind(std::string_view text, std::string_view sub, int start, bool ignoreCase) {
  // Position offset + 1 must fit an int, so a match at kIntMax or later cannot be reported: it
  // counts as not found, and the search stops there.
  constexpr auto kIntMax = static_cast<std::size_t>(std::numeric_limits<int>::max());
  const std::size_t found = FindOffset(text, sub, WalkOffset(start), ignoreCase, kIntMax);
  if (found == std::string_view::npos) return -1;
  return static_cast<int>(found + 1);
}

Text TextReplace(std::string_view text, std::string_view sub, std::string_view replacement,
                 int start, int count, bool caseSensitive) {
  const std::size_t offset = WalkOffset(start);
  if (text.empty() || sub.empty() || offset >= text.size() || count == 0) return Text(text);

  Text result(text.substr(0, offset));
  result.reserve(text.size());
  BoundaryWalker walker(text, offset);
  std::size_t position = offset;
  int made = 0;
  while (text.size() - position >= sub.size()) {
    const std::size_t found = FindAtStart(text, sub, walker, position, !caseSensitive);
    if (found == std::string_view::npos) {
      // The walk copies character by character; with a one-byte sub it reaches a lone lead
      // byte at the end, which it drops.
      const std::size_t last = text.size() - 1;
      if (sub.size() == 1 && IsLeadByte(text[last]) && walker.IsStart(last)) {
        result.append(text.substr(position, last - position));
        return result;
      }
      break;
    }
    result.append(text.substr(position, found - position));
    result.append(replacement);
    position = found + sub.size();
    walker.Restart(position);
    if (++made == count) break;
  }
  result.append(text.substr(position));
  return result;
}

TextArray TextSplit(std::string_view text, std::string_view delimiter, std::optional<int> count) {
  const int limit = count ? std::max(*count, 0) : -1;  // -1: unlimited
  TextArray pieces;
  if (text.empty() || limit == 0) return pieces;
  if (delimiter.empty()) {
    pieces.Append(Text(text));
    return pieces;
  }

  BoundaryWalker walker(text, 0);
  std::size_t pieceStart = 0;
  int taken = 0;
  while (limit < 0 || taken < limit) {
    const std::size_t found = FindAtStart(text, delimiter, walker, pieceStart, false);
    if (found == std::string_view::npos || IsLoneLead(text, found)) break;
    pieces.Append(Text(text.substr(pieceStart, found - pieceStart)));
    ++taken;
    pieceStart = found + delimiter.size();
    walker.Restart(pieceStart);
  }
  if ((limit < 0 || taken < limit) && pieceStart < text.size()) {
    pieces.Append(Text(text.substr(pieceStart)));
  }
  return pieces;
}

}  // namespace quellora
