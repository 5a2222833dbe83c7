#include "script/json_text.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdint>

#include "runtime/codepage.h"
#include "script/code_page_decoder.h"
#include "script/js_syntax.h"

namespace quellora {
namespace {

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

/// Characters a JSON string writes as \u escapes besides the named ones.
bool NeedsUnicodeEscape(std::uint32_t cp) {
  return cp <= 0x1F || (cp >= 0x7F && cp <= 0x9F) || cp == 0xAD || (cp >= 0x600 && cp <= 0x604) ||
         cp == 0x70F || cp == 0x17B4 || cp == 0x17B5 || (cp >= 0x200C && cp <= 0x200F) ||
         (cp >= 0x2028 && cp <= 0x202F) || (cp >= 0x2060 && cp <= 0x206F) || cp == 0xFEFF ||
         (cp >= 0xFFF0 && cp <= 0xFFFF);
}

/// Decodes the UTF-8 sequence at s[i] (nlohmann strings are valid UTF-8); sets length.
std::uint32_t DecodeUtf8(std::string_view s, std::size_t i, std::size_t& length) {
  auto b = [&](std::size_t k) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(s[k]));
  };
  std::uint32_t lead = b(i);
  if (lead < 0x80) {
    length = 1;
    return lead;
  }
  if (lead >= 0xE0 && lead < 0xF0 && i + 2 < s.size()) {
    length = 3;
    return ((lead & 0x0F) << 12) | ((b(i + 1) & 0x3F) << 6) | (b(i + 2) & 0x3F);
  }
  if (lead >= 0xC0 && lead < 0xE0 && i + 1 < s.size()) {
    length = 2;
    return ((lead & 0x1F) << 6) | (b(i + 1) & 0x3F);
  }
  if (lead >= 0xF0 && i + 3 < s.size()) {
    length = 4;
    return ((lead & 0x07) << 18) | ((b(i + 1) & 0x3F) << 12) | ((b(i + 2) & 0x3F) << 6) |
           (b(i + 3) & 0x3F);
  }
  length = 1;
  return 0xFFFD;
}

void AppendQuoted(std::string_view s, std::string& out) {
  static constexpr char kHex[] = "0123456789abcdef";
  out += '"';
  for (std::size_t i = 0; i < s.size();) {
    std::size_t length = 1;
    std::uint32_t cp = DecodeUtf8(s, i, length);
    switch (cp) {
      case '\b':
        out += "\\b";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\f':
        out += "\\f";
        break;
      case '\r':
        out += "\\r";
        break;
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        if (NeedsUnicodeEscape(cp)) {
          out += "\\u";
          for (int shift = 12; shift >= 0; shift -= 4) out += kHex[(cp >> shift) & 0xF];
        } else {
          out.append(s, i, length);
        }
    }
    i += length;
  }
  out += '"';
}

void AppendValue(const nlohmann::ordered_json& value, std::string& out) {
  using Type = nlohmann::ordered_json::value_t;
  switch (value.type()) {
    case Type::null:
      out += "null";
      return;
    case Type::boolean:
      out += value.get<bool>() ? "true" : "false";
      return;
    case Type::number_integer:
    case Type::number_unsigned:
    case Type::number_float: {
      double number = value.get<double>();
      out += std::isfinite(number) ? JsNumberText(number) : "null";
      return;
    }
    case Type::string:
      AppendQuoted(value.get_ref<const std::string&>(), out);
      return;
    case Type::array: {
      out += '[';
      bool first = true;
      for (const auto& element : value) {
        if (!first) out += ',';
        first = false;
        if (element.is_discarded()) {
          out += "null";
        } else {
          AppendValue(element, out);
        }
      }
      out += ']';
      return;
    }
    case Type::object: {
      out += '{';
      bool first = true;
      for (const auto& [key, member] : value.items()) {
        if (member.is_discarded()) continue;
        if (!first) out += ',';
        first = false;
        AppendQuoted(key, out);
        out += ':';
        AppendValue(member, out);
      }
      out += '}';
      return;
    }
    default:
      return;  // binary values never occur; undefined writes nothing
  }
}

/// Where the string that opens before from ends: the first quote after an even run of
/// backslashes; npos when the string does not end.
std::size_t StringEnd(std::string_view text, std::size_t from) {
  for (std::size_t quote = text.find('"', from); quote != std::string_view::npos;
       quote = text.find('"', quote + 1)) {
    std::size_t backslashes = 0;
    while (quote - backslashes > from && text[quote - backslashes - 1] == '\\') ++backslashes;
    if (backslashes % 2 == 0) return quote;
  }
  return std::string_view::npos;
}

/// Nesting depth of JSON text, counted outside strings; stops counting past limit.
bool DepthWithin(std::string_view text, std::size_t limit) {
  std::size_t depth = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '"') {
      i = StringEnd(text, i + 1);
      if (i == std::string_view::npos) return true;
    } else if (c == '[' || c == '{') {
      if (++depth > limit) return false;
    } else if ((c == ']' || c == '}') && depth > 0) {
      --depth;
    }
  }
  return true;
}

bool IsHex4(std::string_view text, std::size_t at) {
  if (at + 4 > text.size()) return false;
  for (std::size_t k = at; k < at + 4; ++k) {
    if (!std::isxdigit(static_cast<unsigned char>(text[k]))) return false;
  }
  return true;
}

unsigned Hex4(std::string_view text, std::size_t at) {
  return static_cast<unsigned>(std::stoul(std::string(text.substr(at, 4)), nullptr, 16));
}

bool MayHoldSurrogateEscape(std::string_view text) {
  for (std::size_t at = text.find("\\u"); at != std::string_view::npos;
       at = text.find("\\u", at + 1)) {
    if (at + 2 < text.size() && (text[at + 2] == 'd' || text[at + 2] == 'D')) return true;
  }
  return false;
}

/// JSON text with every \u escape of a lone surrogate turned into \ufffd: a script engine
/// keeps such a string, the JSON reader refuses the whole text, and UTF-8 cannot hold it.
std::string ReplaceLoneSurrogates(std::string_view text) {
  auto isHigh = [](unsigned unit) { return unit >= 0xD800 && unit <= 0xDBFF; };
  auto isLow = [](unsigned unit) { return unit >= 0xDC00 && unit <= 0xDFFF; };
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i++];
      continue;
    }
    if (text[i + 1] != 'u' || !IsHex4(text, i + 2)) {
      out.append(text, i, 2);  // another escape, kept as it stands
      i += 2;
      continue;
    }
    unsigned unit = Hex4(text, i + 2);
    if (isHigh(unit) && text.substr(i + 6, 2) == "\\u" && IsHex4(text, i + 8) &&
        isLow(Hex4(text, i + 8))) {
      out.append(text, i, 12);
      i += 12;
    } else if (isHigh(unit) || isLow(unit)) {
      out += "\\ufffd";
      i += 6;
    } else {
      out.append(text, i, 6);
      i += 6;
    }
  }
  return out;
}

}  // namespace

nlohmann::ordered_json Undefined() {
  return nlohmann::ordered_json(nlohmann::ordered_json::value_t::discarded);
}

std::string TextToUtf8(std::string_view text) {
  if (IsAscii(text)) return std::string(text);
  if (auto decoded = DecodeCodePageFast(text)) return std::move(*decoded);
  return ToUtf8(text);
}

Text Utf8ToText(std::string_view utf8) {
  if (IsAscii(utf8)) return Text(utf8);
  return FromUtf8(utf8);
}

std::string JsNumberText(double number) {
  if (std::isnan(number)) return "NaN";
  if (std::isinf(number)) return number > 0 ? "Infinity" : "-Infinity";
  if (number == 0) return "0";
  std::string sign = number < 0 ? "-" : "";
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, std::fabs(number),
                              std::chars_format::scientific);
  std::string_view scientific(buffer, static_cast<std::size_t>(result.ptr - buffer));
  std::size_t e = scientific.find('e');
  std::string digits;
  for (char c : scientific.substr(0, e)) {
    if (c != '.') digits += c;
  }
  int exponent = 0;
  std::string_view exponentText = scientific.substr(e + 1);
  if (!exponentText.empty() && exponentText.front() == '+') exponentText.remove_prefix(1);
  std::from_chars(exponentText.data(), exponentText.data() + exponentText.size(), exponent);
  // The value is 0.digits times ten to the power n. Built by appending: g++ 12 warns
  // wrongly (-Wrestrict) about some chains of "literal" + std::string.
  int k = static_cast<int>(digits.size());
  int n = exponent + 1;
  std::string out = sign;
  if (k <= n && n <= 21) {
    out += digits;
    out.append(static_cast<std::size_t>(n - k), '0');
  } else if (0 < n && n <= 21) {
    out.append(digits, 0, static_cast<std::size_t>(n));
    out += '.';
    out.append(digits, static_cast<std::size_t>(n));
  } else if (-6 < n && n <= 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-n), '0');
    out += digits;
  } else {
    out += digits[0];
    if (k > 1) {
      out += '.';
      out.append(digits, 1);
    }
    out += 'e';
    out += n - 1 >= 0 ? '+' : '-';
    out += std::to_string(std::abs(n - 1));
  }
  return out;
}

void AppendJson(const nlohmann::ordered_json& value, std::string& out) {
  if (!value.is_discarded()) AppendValue(value, out);
}

std::optional<nlohmann::ordered_json> ReadJsonText(std::string_view utf8) {
  if (TrimJsSpace(utf8).empty()) return Undefined();
  if (!DepthWithin(utf8, kMaxJsonDepth)) return std::nullopt;
  auto value = MayHoldSurrogateEscape(utf8)
                   ? nlohmann::ordered_json::parse(ReplaceLoneSurrogates(utf8), nullptr, false)
                   : nlohmann::ordered_json::parse(utf8, nullptr, false);
  if (value.is_discarded()) return std::nullopt;
  return value;
}

std::size_t JsonDepth(const nlohmann::ordered_json& value) {
  if (!value.is_structured()) return 0;
  std::size_t deepest = 0;
  for (const auto& element : value) deepest = std::max(deepest, JsonDepth(element));
  return deepest + 1;
}

}  // namespace quellora
