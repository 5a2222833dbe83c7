// How many bytes one character takes, for the two multi-byte encodings the program meets: UTF-8
// (file names, request targets, JSON) and GB18030 (the program's code page).
#pragma once

#include <cstddef>
#include <string_view>

namespace quellora {

/// Length of the UTF-8 sequence that lead begins: 1 for ASCII, 2 for C2..DF, 3 for E0..EF,
/// 4 for F0..F4; 0 for a byte that cannot begin a sequence (80..BF, C0, C1, F5..FF).
constexpr std::size_t Utf8SequenceLength(unsigned char lead) noexcept {
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) return 2;
  if (lead >= 0xE0 && lead <= 0xEF) return 3;
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  return 0;
}

/// Whether byte continues a UTF-8 sequence (10xxxxxx).
constexpr bool IsUtf8Continuation(unsigned char byte) noexcept {
  return (byte & 0xC0) == 0x80;
}

/// Length of the GB18030 character at offset (which must be inside text): 1 for a byte below
/// 0x80, 4 for a lead byte followed by a digit and two more bytes, else 2; never past the end
/// (a lone lead byte at the end counts 1).
constexpr std::size_t Gb18030CharLength(std::string_view text, std::size_t offset) noexcept {
  if (static_cast<unsigned char>(text[offset]) < 0x80 || offset + 1 >= text.size()) return 1;
  const auto second = static_cast<unsigned char>(text[offset + 1]);
  if (second >= 0x30 && second <= 0x39 && offset + 3 < text.size()) return 4;
  return 2;
}

}  // namespace quellora
