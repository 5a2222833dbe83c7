// A code-page converter that keeps its iconv descriptor between calls, for the hot paths of the
// script objects (one descriptor per direction and thread).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "runtime/iconv_handle.h"

namespace quellora {

class CachedConverter {
 public:
  CachedConverter(const std::string& to, const std::string& from) : handle_(to, from) {}

  /// All of input converted; std::nullopt when any byte does not convert (callers then fall
  /// back to the lenient conversions of runtime/codepage.h).
  std::optional<std::string> Convert(std::string_view input);

 private:
  IconvHandle handle_;
};

/// Program code page to UTF-8, to UTF-16LE bytes, and UTF-8 to the program's code page.
CachedConverter& CodePageToUtf8();
CachedConverter& CodePageToUtf16();
CachedConverter& Utf8ToCodePage();

}  // namespace quellora
