#include "app/control_characters.h"

#include "runtime/char_length.h"

namespace quellora {
namespace {

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

unsigned char ByteAt(std::string_view text, std::size_t offset) {
  return static_cast<unsigned char>(text[offset]);
}

// Length of the well-formed character at offset: 1 for a byte below 0x80, 2 for a lead byte
// 81..FE with a trail byte 40..7E or 80..FE, 4 for 81..FE 30..39 81..FE 30..39; 0 when the bytes
// there form no character (a lone lead byte, a lead byte before a byte it cannot take).
std::size_t WellFormedLength(std::string_view text, std::size_t offset) {
  const std::size_t length = Gb18030CharLength(text, offset);
  if (length == 1) return ByteAt(text, offset) < 0x80 ? 1 : 0;
  if (!InRange(ByteAt(text, offset), 0x81, 0xFE)) return 0;
  const unsigned char second = ByteAt(text, offset + 1);
  if (length == 2) return InRange(second, 0x40, 0x7E) || InRange(second, 0x80, 0xFE) ? 2 : 0;
  return InRange(ByteAt(text, offset + 2), 0x81, 0xFE) &&
                 InRange(ByteAt(text, offset + 3), 0x30, 0x39)
             ? 4
             : 0;
}

// Whether the well-formed character of length bytes at offset is a control character.
bool IsControl(std::string_view text, std::size_t offset, std::size_t length) {
  const unsigned char lead = ByteAt(text, offset);
  if (length == 1) return lead < 0x20 || lead == 0x7F;
  if (length != 4 || lead != 0x81 || ByteAt(text, offset + 1) != 0x30) return false;
  // U+0080 is the first four-byte character, 81 30 81 30; U+009F is 31 characters on.
  const int index = (ByteAt(text, offset + 2) - 0x81) * 10 + (ByteAt(text, offset + 3) - 0x30);
  return index <= 0x9F - 0x80;
}

}  // namespace

Text ReplaceControlCharacters(std::string_view text) {
  Text result;
  result.reserve(text.size());
  std::size_t offset = 0;
  while (offset < text.size()) {
    const std::size_t length = WellFormedLength(text, offset);
    if (length == 0) {
      result += text[offset++];  // not a character: the byte stands alone
      continue;
    }
    if (IsControl(text, offset, length)) {
      result += kReplacementCharacter;
    } else {
      result.append(text.substr(offset, length));
    }
    offset += length;
  }
  return result;
}

}  // namespace quellora
