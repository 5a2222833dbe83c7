// A table-driven fast path from the program's code page (GB18030) to UTF-8 for the script
// objects, which convert every JSON text and argument they read.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quellora {

/// text in UTF-8, decoded as iconv decodes it: ASCII runs are copied, two-byte codes come from a
/// table built once per process from iconv's own mapping, four-byte codes go through iconv.
/// std::nullopt when text holds a byte sequence that is not a whole, valid code (callers then
/// take the slower conversions, which decide how to treat it). Thread-safe.
std::optional<std::string> DecodeCodePageFast(std::string_view text);

}  // namespace quellora
