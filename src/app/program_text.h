// The program's own console and marker texts are written in UTF-8 in the source; Text holds the
// program's code page, so they are converted once where they are used.
#pragma once

#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// The UTF-8 literal as Text in the program's code page.
Text ProgramText(std::string_view utf8);

}  // namespace quellora
