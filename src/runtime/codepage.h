// Conversions between the program's code page (GB18030) and the outside world's encodings.
// Text is converted only at the boundaries: console, file names, request targets, page bodies.
// Each thread keeps the iconv descriptors it opened for its most used directions, so repeated
// small conversions do not pay for opening one each time.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quellora {

/// iconv's name of the program's code page.
inline constexpr const char* kProgramCodePage = "GB18030";

/// Converts all of input from one character set to another. std::nullopt when either name is
/// unknown or any byte of input does not convert.
std::optional<std::string> ConvertStrict(std::string_view input, const std::string& from,
                                         const std::string& to);

/// Converts input, replacing each byte that does not convert by U+FFFD (or "?" when the target
/// cannot hold U+FFFD), so nothing is dropped silently. Unknown names give the input unchanged.
std::string ConvertLenient(std::string_view input, const std::string& from, const std::string& to);

/// Program code page to UTF-8 and back, lenient.
std::string ToUtf8(std::string_view text);
std::string FromUtf8(std::string_view utf8);

/// Program code page to UTF-16 (native byte order) and back, lenient.
std::u16string ToUtf16(std::string_view text);
std::string FromUtf16(std::u16string_view wide);

}  // namespace quellora
