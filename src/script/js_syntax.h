// The few JavaScript forms a JsonObject understands, read from UTF-8 text: string literals and
// member paths. Nothing here evaluates anything.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quellora {

/// A member path as a list of property names (array indexes in decimal), outermost first.
using JsonPath = std::vector<std::string>;

/// Reads a string literal whose opening quote (' or ") is at text[at]; on success returns its
/// value as UTF-8 and sets at just past the closing quote. Understands JavaScript's escapes
/// (\n, \t, \xHH, \uHHHH, octal, line continuations, any other escaped character as itself);
/// a lone surrogate becomes U+FFFD. std::nullopt for an unterminated literal, a raw line break
/// or a malformed \x or \u escape.
std::optional<std::string> ReadStringLiteral(std::string_view text, std::size_t& at);

/// The value of text written between two apostrophes, 'text', when that is exactly one string
/// literal; std::nullopt when text holds an unescaped apostrophe, a line break, or ends inside
/// an escape.
std::optional<std::string> ReadQuotedValue(std::string_view text);

/// Parses a member path: a name (or a bracket), then any of ".name", "[digits]", "[-digits]",
/// "['key']", "[\"key\"]", blanks allowed between parts. An empty (or blank) path gives the empty
/// list. std::nullopt when the text is no such path.
std::optional<JsonPath> ParseJsonPath(std::string_view path);

/// Whether name is a canonical array index ("0", "17"; no sign, no leading zero, below 2^32-1);
/// index receives its value.
bool IsArrayIndex(const std::string& name, std::size_t& index);

/// Whether c may continue a name in a path (ASCII letters, digits, '_', '$', and any byte of a
/// non-ASCII character).
bool IsNameByte(char c);

/// Removes leading and trailing JavaScript white space (ASCII blanks and line breaks).
std::string_view TrimJsSpace(std::string_view text);

}  // namespace quellora
