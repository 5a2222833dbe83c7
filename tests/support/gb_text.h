// Test texts in the program's code page, written as UTF-8 literals in the test source.
#pragma once

#include <string>
#include <string_view>

#include "runtime/codepage.h"

namespace quellora::testing {

/// The UTF-8 literal converted to GB18030 (the program's code page).
inline std::string Gb(std::string_view utf8) {
  return FromUtf8(utf8);
}

}  // namespace quellora::testing
