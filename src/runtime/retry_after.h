// Reading a response's Retry-After header value.
#pragma once

#include <chrono>
#include <optional>
#include <string_view>

namespace quellora {

/// The wait that a Retry-After value asks for, measured from now:
/// - delta-seconds ("120"): that many seconds; a number too large for the type saturates;
/// - an HTTP-date, in the IMF-fixdate form ("Sun, 06 Nov 1994 08:49:37 GMT") or one of the two
///   obsolete forms ("Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994"): the time
///   until that date, rounded up to whole seconds; 0 for a date that has passed.
/// Blanks around the value are allowed. std::nullopt for anything else (empty, signed or
/// fractional numbers, a date that does not exist, trailing text): such a value is ignored.
/// Thread-safe; never reads the process's locale.
std::optional<std::chrono::seconds> ParseRetryAfter(std::string_view value,
                                                    std::chrono::system_clock::time_point now);

}  // namespace quellora
