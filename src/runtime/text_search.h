// Character-boundary search over program-code-page text, shared by the searching operations.
//
// A byte of 0x80 or above and the byte after it form one character; a match counts only where a
// character starts. A walk begins at a given offset, which counts as a character start even when
// it is the second byte of a two-byte character.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quellora::text_internal {

/// Maps "A".."Z" to "a".."z"; every other byte to itself.
inline constexpr std::array<unsigned char, 256> kFoldAscii = [] {
  std::array<unsigned char, 256> table{};
  for (int b = 0; b < 256; ++b) {
    table[static_cast<std::size_t>(b)] =
        static_cast<unsigned char>(b >= 'A' && b <= 'Z' ? b + ('a' - 'A') : b);
  }
  return table;
}();

inline bool IsLeadByte(char c) {
  return static_cast<unsigned char>(c) >= 0x80;
}

/// Tracks the character starts of one walk, advanced lazily and only forward.
class BoundaryWalker {
 public:
  BoundaryWalker(std::string_view text, std::size_t start) : text_(text), next_(start) {}

  /// Whether offset (never below the previously asked one) starts a character of the walk.
  bool IsStart(std::size_t offset);
  /// Restarts the walk at offset (the first byte after a match).
  void Restart(std::size_t offset) { next_ = offset; }

 private:
  std::string_view text_;
  std::size_t next_;  // the first character start not before the offsets asked so far
};

/// Finds the first occurrence of sub (not empty) at a character start of the walk at or after
/// from; a match may begin on a lone lead byte at the very end. npos when there is none.
std::size_t FindAtStart(std::string_view text, std::string_view sub, BoundaryWalker& walker,
                        std::size_t from, bool ignoreCase);

/// The offset where a walk given a 1-based start begins: start - 1, or 0 when that is negative.
inline std::size_t WalkOffset(int start) {
  return start > 1 ? static_cast<std::size_t>(start) - 1 : 0;
}

/// TextFind in 64-bit offsets: the offset of the first occurrence of sub at a character start of
/// the walk beginning at from, never a lone lead byte that ends the text. npos when from is not
/// inside the text or there is no match. An empty sub is found at offset 0 whatever from (as
/// long as from is inside the text), as TextFind reports it at position 1. Only a match that
/// starts before limit counts; the bytes past the last such match are not read.
std::size_t FindOffset(std::string_view text, std::string_view sub, std::size_t from,
                       bool ignoreCase, std::size_t limit = std::string_view::npos);

/// Whether the m bytes at a and b are equal with "A".."Z" folded to lower case.
bool EqualFolded(const char* a, const char* b, std::size_t m);

}  // namespace quellora::text_internal
