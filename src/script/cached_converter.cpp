#include "script/cached_converter.h"

#include <cerrno>

#include "runtime/codepage.h"

namespace quellora {

std::optional<std::string> CachedConverter::Convert(std::string_view input) {
  if (!handle_.valid()) return std::nullopt;
  std::string out(input.size() * 2 + 16, '\0');
  char* in = const_cast<char*>(input.data());  // iconv does not write through it
  std::size_t inLeft = input.size();
  std::size_t used = 0;
  for (;;) {
    char* outPtr = out.data() + used;
    std::size_t outLeft = out.size() - used;
    std::size_t rc = iconv(handle_.get(), &in, &inLeft, &outPtr, &outLeft);
    used = static_cast<std::size_t>(outPtr - out.data());
    if (rc != static_cast<std::size_t>(-1)) break;
    if (errno != E2BIG) {
      iconv(handle_.get(), nullptr, nullptr, nullptr, nullptr);
      return std::nullopt;
    }
    out.resize(out.size() * 2);
  }
  iconv(handle_.get(), nullptr, nullptr, nullptr, nullptr);
  out.resize(used);
  return out;
}

CachedConverter& CodePageToUtf8() {
  thread_local CachedConverter converter("UTF-8", kProgramCodePage);
  return converter;
}

CachedConverter& CodePageToUtf16() {
  thread_local CachedConverter converter("UTF-16LE", kProgramCodePage);
  return converter;
}

CachedConverter& Utf8ToCodePage() {
  thread_local CachedConverter converter(kProgramCodePage, "UTF-8");
  return converter;
}

}  // namespace quellora
