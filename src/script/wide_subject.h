// A Text turned into UTF-16 together with the way back from code-unit indexes to byte offsets.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

struct WideSubject {
  /// The text as UTF-16; a byte that does not decode becomes U+FFFD.
  std::u16string units;
  /// byteOffset[u] is the offset in the text of the character that unit u belongs to (both units
  /// of a surrogate pair map to the character's first byte); byteOffset[units.size()] is the
  /// text's length.
  std::vector<std::size_t> byteOffset;
};

/// Decodes text (program code page) character by character, so every unit maps back exactly.
WideSubject ToWideSubject(std::string_view text);

}  // namespace quellora
