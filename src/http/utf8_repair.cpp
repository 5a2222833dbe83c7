#include "http/utf8_repair.h"

#include <cstddef>

namespace quellora {
namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The well-formed shape that a lead byte starts: its length and the range its second byte
// must lie in; every later byte lies in 80..BF. length 0: the byte starts no sequence.
struct LeadShape {
  int length = 0;
  unsigned char secondLow = 0x80;
  unsigned char secondHigh = 0xBF;
};

LeadShape ShapeOf(unsigned char lead) {
  if (lead >= 0xC2 && lead <= 0xDF) return {2, 0x80, 0xBF};
  if (lead == 0xE0) return {3, 0xA0, 0xBF};
  if (lead == 0xED) return {3, 0x80, 0x9F};
  if (lead >= 0xE1 && lead <= 0xEF) return {3, 0x80, 0xBF};
  if (lead == 0xF0) return {4, 0x90, 0xBF};
  if (lead == 0xF4) return {4, 0x80, 0x8F};
  if (lead >= 0xF1 && lead <= 0xF3) return {4, 0x80, 0xBF};
  return {};
}

// How many bytes from the start of rest (which begins with a non-ASCII byte) follow a
// well-formed shape: the shape's length when the sequence is complete, fewer when it breaks
// off, at least 1.
int MatchedLength(std::string_view rest, const LeadShape& shape) {
  int matched = 1;
  while (matched < shape.length && static_cast<std::size_t>(matched) < rest.size()) {
    const auto byte = static_cast<unsigned char>(rest[static_cast<std::size_t>(matched)]);
    const unsigned char low = matched == 1 ? shape.secondLow : 0x80;
    const unsigned char high = matched == 1 ? shape.secondHigh : 0xBF;
    if (byte < low || byte > high) break;
    ++matched;
  }
  return matched;
}

}  // namespace

std::string RepairUtf8(std::string_view text) {
  std::string repaired;
  repaired.reserve(text.size() + kReplacement.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      repaired += text[i++];
      continue;
    }
    const LeadShape shape = ShapeOf(lead);
    const int matched = MatchedLength(text.substr(i), shape);
    if (shape.length != 0 && matched == shape.length) {
      repaired.append(text.substr(i, static_cast<std::size_t>(matched)));
    } else {
      repaired.append(kReplacement);
    }
    i += static_cast<std::size_t>(matched);
  }
  return repaired;
}

}  // namespace quellora
