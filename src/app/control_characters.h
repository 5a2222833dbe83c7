// Texts from the network on their way to the console: a title or name must not move the cursor,
// clear the screen or retitle the terminal, so its control characters are shown as U+FFFD.
#pragma once

#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// U+FFFD in the program's code page (GB18030).
inline constexpr std::string_view kReplacementCharacter = "\x84\x31\xA4\x37";

/// text (program code page) with every control character, U+0000..U+001F, U+007F and
/// U+0080..U+009F (the four-byte GB18030 sequences 81 30 81 30 .. 81 30 84 31), written as
/// U+FFFD. The text is walked character by character; a byte that does not begin a well-formed
/// character stands alone, so a control byte is found wherever it is. Every other byte, a
/// malformed one included, is kept: a text without control characters comes back unchanged.
Text ReplaceControlCharacters(std::string_view text);

}  // namespace quellora
