// Blank handling and case-aware comparison: the operations that step whole characters without
// searching.
#include <cstdint>

#include "runtime/text.h"
#include "runtime/text_search.h"

namespace quellora {
namespace {

using text_internal::IsLeadByte;

constexpr unsigned char kFullWidthBlank = 0xA1;  // the full-width space is A1 A1

// Length of the blank starting at offset (1 or 2), or 0 when no blank starts there.
std::size_t BlankLength(std::string_view text, std::size_t offset) {
  if (text[offset] == ' ') return 1;
  if (static_cast<unsigned char>(text[offset]) == kFullWidthBlank && offset + 1 < text.size() &&
      static_cast<unsigned char>(text[offset + 1]) == kFullWidthBlank) {
    return 2;
  }
  return 0;
}

// One character as a comparable unit: a single byte as itself, a two-byte character as a
// 16-bit value with its lead byte high (a lone lead byte as lead << 8).
std::uint32_t NextUnit(std::string_view text, std::size_t& offset) {
  const auto lead = static_cast<unsigned char>(text[offset]);
  if (lead < 0x80) {
    ++offset;
    return lead;
  }
  if (offset + 1 >= text.size()) {
    ++offset;
    return std::uint32_t{lead} << 8;
  }
  const auto trail = static_cast<unsigned char>(text[offset + 1]);
  offset += 2;
  return (std::uint32_t{lead} << 8) | trail;
}

// Lower-case form of a unit: ASCII letters, and the full-width Latin, Greek and Cyrillic capitals
// of the code page.
std::uint32_t LowerUnit(std::uint32_t unit) {
  if (unit >= 'A' && unit <= 'Z') return unit + ('a' - 'A');
  if (unit >= 0xA3C1 && unit <= 0xA3DA) return unit + 0x20;  // full-width Latin
  if (unit >= 0xA6A1 && unit <= 0xA6B8) return unit + 0x20;  // Greek
  if (unit >= 0xA7A1 && unit <= 0xA7C1) return unit + 0x30;  // Cyrillic
  return unit;
}

}  // namespace

Text TextTrim(std::string_view text) {
  std::size_t begin = 0;
  while (begin < text.size()) {
    const std::size_t blank = BlankLength(text, begin);
    if (blank == 0) break;
    begin += blank;
  }

  bool inRun = false;
  std::size_t runStart = 0;
  std::size_t offset = begin;
  while (offset < text.size()) {
    if (IsLeadByte(text[offset]) && offset + 1 == text.size()) {
      // A lone lead byte at the end is cut off, and nothing before it is trimmed.
      return Text(text.substr(begin, offset - begin));
    }
    const std::size_t blank = BlankLength(text, offset);
    if (blank > 0) {
      if (!inRun) runStart = offset;
      inRun = true;
      offset += blank;
    } else {
      inRun = false;
      offset += IsLeadByte(text[offset]) ? 2 : 1;
    }
  }
  const std::size_t end = inRun ? runStart : text.size();
  return Text(text.substr(begin, end - begin));
}

Text TextRemoveSpaces(std::string_view text) {
  Text result;
  result.reserve(text.size());
  std::size_t offset = 0;
  while (offset < text.size()) {
    if (IsLeadByte(text[offset]) && offset + 1 == text.size()) break;  // lone lead: dropped
    const std::size_t blank = BlankLength(text, offset);
    if (blank > 0) {
      offset += blank;
      continue;
    }
    const std::size_t length = IsLeadByte(text[offset]) ? 2 : 1;
    result.append(text.substr(offset, length));
    offset += length;
  }
  return result;
}

int TextCompareCase(std::string_view a, std::string_view b, bool caseSensitive) {
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < a.size() && j < b.size()) {
    std::uint32_t x = NextUnit(a, i);
    std::uint32_t y = NextUnit(b, j);
    if (!caseSensitive) {
      x = LowerUnit(x);
      y = LowerUnit(y);
    }
    if (x != y) return x < y ? -1 : 1;
  }
  if (i < a.size()) return 1;
  if (j < b.size()) return -1;
  return 0;
}

}  // namespace quellora
