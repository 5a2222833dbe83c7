// ASCII-only case folding. Network texts (header names, charset names, schemes) compare without
// case only over "A".."Z"; every other byte, GB18030 and UTF-8 bytes included, compares exactly,
// whatever the process's locale says.
#pragma once

#include <cstddef>
#include <string_view>

namespace quellora {

/// "A".."Z" to "a".."z"; every other byte unchanged.
constexpr char AsciiLower(char c) noexcept {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

/// "a".."z" to "A".."Z"; every other byte unchanged.
constexpr char AsciiUpper(char c) noexcept {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

/// Equal byte for byte, with ASCII letters compared without case.
constexpr bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) noexcept {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

/// Whether text begins with prefix, ASCII letters compared without case.
constexpr bool StartsWithIgnoringAsciiCase(std::string_view text,
                                           std::string_view prefix) noexcept {
  return text.size() >= prefix.size() &&
         EqualsIgnoringAsciiCase(text.substr(0, prefix.size()), prefix);
}

}  // namespace quellora
