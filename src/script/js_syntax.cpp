#include "script/js_syntax.h"

#include <cstdint>

#include "runtime/char_length.h"

namespace quellora {
namespace {

constexpr std::size_t kMaxIndexDigits = 15;

bool IsHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

unsigned HexValue(char c) {
  if (c >= '0' && c <= '9') return static_cast<unsigned>(c - '0');
  if (c >= 'a' && c <= 'f') return static_cast<unsigned>(c - 'a' + 10);
  return static_cast<unsigned>(c - 'A' + 10);
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}
bool IsOctal(char c) {
  return c >= '0' && c <= '7';
}

void AppendUtf8(std::string& out, std::uint32_t cp) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

/// Collects UTF-16 code units and writes them as UTF-8, pairing surrogates; a lone surrogate
/// becomes U+FFFD.
class Utf16Writer {
 public:
  explicit Utf16Writer(std::string& out) : out_(out) {}
  ~Utf16Writer() { Flush(); }
  Utf16Writer(const Utf16Writer&) = delete;
  Utf16Writer& operator=(const Utf16Writer&) = delete;

  void Unit(std::uint32_t unit) {
    if (high_ != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        AppendUtf8(out_, 0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
        high_ = 0;
        return;
      }
      Flush();
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      high_ = unit;
    } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
      AppendUtf8(out_, 0xFFFD);
    } else {
      AppendUtf8(out_, unit);
    }
  }
  void Raw(std::string_view bytes) {
    Flush();
    out_ += bytes;
  }
  void Flush() {
    if (high_ != 0) AppendUtf8(out_, 0xFFFD);
    high_ = 0;
  }

 private:
  std::string& out_;
  std::uint32_t high_ = 0;
};

/// How many bytes the character at text[at] takes: its whole UTF-8 sequence, or 1 for a byte
/// that begins none or a sequence cut short. Never 0, and a malformed byte never carries a
/// quote, backslash or line break after it along.
std::size_t CharacterStep(std::string_view text, std::size_t at) {
  const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(text[at]));
  if (length <= 1 || at + length > text.size()) return 1;
  for (std::size_t k = 1; k < length; ++k) {
    if (!IsUtf8Continuation(static_cast<unsigned char>(text[at + k]))) return 1;
  }
  return length;
}

bool IsLineSeparator(std::string_view text, std::size_t at) {
  // U+2028 and U+2029 in UTF-8: E2 80 A8 and E2 80 A9.
  return text.substr(at, 2) == "\xE2\x80" && at + 2 < text.size() &&
         (text[at + 2] == '\xA8' || text[at + 2] == '\xA9');
}

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}

void SkipBlanks(std::string_view text, std::size_t& at) {
  while (at < text.size() && IsBlank(text[at])) ++at;
}

}  // namespace

bool IsNameByte(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_' || c == '$' ||
         static_cast<unsigned char>(c) >= 0x80;
}

std::string_view TrimJsSpace(std::string_view text) {
  auto isSpace = [](char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
  };
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  return text;
}

std::optional<std::string> ReadStringLiteral(std::string_view text, std::size_t& at) {
  if (at >= text.size() || (text[at] != '\'' && text[at] != '"')) return std::nullopt;
  const char quote = text[at];
  std::string value;
  Utf16Writer writer(value);
  std::size_t i = at + 1;
  while (i < text.size()) {
    char c = text[i];
    if (c == quote) {
      writer.Flush();
      at = i + 1;
      return value;
    }
    if (c == '\n' || c == '\r' || IsLineSeparator(text, i)) return std::nullopt;
    if (c != '\\') {
      const std::size_t length = CharacterStep(text, i);
      writer.Raw(text.substr(i, length));
      i += length;
      continue;
    }
    if (++i >= text.size()) return std::nullopt;
    char e = text[i];
    switch (e) {
      case 'b':
        writer.Unit('\b');
        ++i;
        continue;
      case 'f':
        writer.Unit('\f');
        ++i;
        continue;
      case 'n':
        writer.Unit('\n');
        ++i;
        continue;
      case 'r':
        writer.Unit('\r');
        ++i;
        continue;
      case 't':
        writer.Unit('\t');
        ++i;
        continue;
      case 'v':
        writer.Unit('\v');
        ++i;
        continue;
      case '\n':
        ++i;
        continue;  // line continuation
      case '\r':
        ++i;
        if (i < text.size() && text[i] == '\n') ++i;
        continue;
      case 'x':
        if (i + 2 >= text.size() || !IsHex(text[i + 1]) || !IsHex(text[i + 2])) {
          return std::nullopt;
        }
        writer.Unit(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2]));
        i += 3;
        continue;
      case 'u': {
        if (i + 4 >= text.size()) return std::nullopt;
        std::uint32_t unit = 0;
        for (std::size_t k = 1; k <= 4; ++k) {
          if (!IsHex(text[i + k])) return std::nullopt;
          unit = unit * 16 + HexValue(text[i + k]);
        }
        writer.Unit(unit);
        i += 5;
        continue;
      }
      default:
        break;
    }
    if (IsOctal(e)) {  // legacy octal escape: up to three digits, value at most 0377
      std::uint32_t unit = static_cast<std::uint32_t>(e - '0');
      std::size_t maxDigits = e <= '3' ? 3 : 2;
      std::size_t digits = 1;
      ++i;
      while (digits < maxDigits && i < text.size() && IsOctal(text[i])) {
        unit = unit * 8 + static_cast<std::uint32_t>(text[i] - '0');
        ++digits;
        ++i;
      }
      writer.Unit(unit);
      continue;
    }
    if (IsLineSeparator(text, i)) {  // line continuation with U+2028 or U+2029
      i += 3;
      continue;
    }
    // Any other escaped character stands for itself.
    const std::size_t length = CharacterStep(text, i);
    writer.Raw(text.substr(i, length));
    i += length;
  }
  return std::nullopt;
}

std::optional<std::string> ReadQuotedValue(std::string_view text) {
  std::string literal;
  literal.reserve(text.size() + 2);
  literal += '\'';
  literal += text;
  literal += '\'';
  std::size_t at = 0;
  auto value = ReadStringLiteral(literal, at);
  if (!value || at != literal.size()) return std::nullopt;
  return value;
}

bool IsArrayIndex(const std::string& name, std::size_t& index) {
  if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0')) return false;
  std::uint64_t value = 0;
  for (char c : name) {
    if (!IsDigit(c)) return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  if (value >= 0xFFFFFFFFull) return false;
  index = static_cast<std::size_t>(value);
  return true;
}

std::optional<JsonPath> ParseJsonPath(std::string_view path) {
  JsonPath steps;
  std::size_t at = 0;
  SkipBlanks(path, at);
  bool first = true;
  while (at < path.size()) {
    char c = path[at];
    if (c == '.' || first) {
      if (c == '.') {
        if (first) return std::nullopt;
        ++at;
        SkipBlanks(path, at);
      } else if (c == '[') {
        first = false;
        continue;
      }
      std::size_t begin = at;
      if (at >= path.size() || !IsNameByte(path[at]) || IsDigit(path[at])) return std::nullopt;
      while (at < path.size() && IsNameByte(path[at])) ++at;
      steps.emplace_back(path.substr(begin, at - begin));
    } else if (c == '[') {
      ++at;
      SkipBlanks(path, at);
      if (at >= path.size()) return std::nullopt;
      if (path[at] == '\'' || path[at] == '"') {
        auto key = ReadStringLiteral(path, at);
        if (!key) return std::nullopt;
        steps.push_back(std::move(*key));
      } else {
        bool negative = path[at] == '-';
        if (negative) ++at;
        std::size_t begin = at;
        while (at < path.size() && IsDigit(path[at])) ++at;
        std::size_t digits = at - begin;
        // A leading zero would be an octal literal; refuse it rather than guess.
        if (digits == 0 || digits > kMaxIndexDigits || (digits > 1 && path[begin] == '0')) {
          return std::nullopt;
        }
        std::string number(path.substr(begin, digits));
        steps.push_back(negative && number != "0" ? "-" + number : number);
      }
      SkipBlanks(path, at);
      if (at >= path.size() || path[at] != ']') return std::nullopt;
      ++at;
    } else {
      return std::nullopt;
    }
    first = false;
    SkipBlanks(path, at);
  }
  return steps;
}

}  // namespace quellora
