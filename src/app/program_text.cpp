#include "app/program_text.h"

#include "runtime/codepage.h"

namespace quellora {

Text ProgramText(std::string_view utf8) {
  return FromUtf8(utf8);
}

}  // namespace quellora
