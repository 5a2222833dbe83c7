// Which part of a file of known size a "Range" request header asks for.
#pragma once

#include <cstdint>
#include <string_view>

namespace quellora::demo {

/// What to send for a Range header.
struct RangeChoice {
  enum class Kind {
    kWhole,          ///< no usable Range: send the whole file with 200
    kPart,           ///< send bytes [first, last] with 206
    kUnsatisfiable,  ///< nothing of the file lies in the range: 416
  };
  Kind kind = Kind::kWhole;
  std::uint64_t first = 0;  ///< first byte offset (kPart only)
  std::uint64_t last = 0;   ///< last byte offset, inclusive (kPart only)
};

/// The text without leading and trailing spaces and tabs (a header value's optional whitespace).
std::string_view TrimOptionalWhitespace(std::string_view text);

/// Reads one "bytes=" range ("N-", "N-M" or the suffix "-S") against a file of `total` bytes.
/// N-M past the end is cut to the last byte; a first byte at or past the end, a suffix of 0
/// bytes, or any range of an empty file is unsatisfiable. A header that is not one well-formed
/// byte range (another unit, several ranges, M < N, stray characters) is ignored: kWhole.
RangeChoice ChooseRange(std::string_view header, std::uint64_t total);

}  // namespace quellora::demo
