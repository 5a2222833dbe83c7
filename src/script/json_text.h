// JSON text in and out of an nlohmann::ordered_json tree, the way a JavaScript engine writes it.
//
// A value_t::discarded node stands for JavaScript's undefined: an object member holding it is
// left out of JSON text and an array element holding it is written as null.
#pragma once

#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/text.h"

namespace quellora {

/// Deepest nesting of arrays and objects a value may have; deeper JSON text is refused.
inline constexpr std::size_t kMaxJsonDepth = 512;

/// The undefined value.
nlohmann::ordered_json Undefined();

/// Program code page to UTF-8 and back; text in plain ASCII is taken as it is.
std::string TextToUtf8(std::string_view text);
Text Utf8ToText(std::string_view utf8);

/// A number as JavaScript's String(number) writes it ("2.5", "1e+21", "0").
std::string JsNumberText(double number);

/// Appends the compact JSON text of value (UTF-8). Strings escape \b \t \n \f \r \" \\ and the
/// invisible and formatting characters as \u and four lower-case hex digits; numbers are written
/// as JsNumberText, non-finite ones as null. An undefined value appends nothing.
void AppendJson(const nlohmann::ordered_json& value, std::string& out);

/// Reads UTF-8 JSON text as data. Blank text gives the undefined value; text that is not JSON
/// or nests deeper than kMaxJsonDepth gives std::nullopt. A \u escape of a lone surrogate
/// reads as U+FFFD.
std::optional<nlohmann::ordered_json> ReadJsonText(std::string_view utf8);

/// Nesting depth of value: 0 for a scalar, 1 for an array or object of scalars.
std::size_t JsonDepth(const nlohmann::ordered_json& value);

}  // namespace quellora
