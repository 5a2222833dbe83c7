// Conversions between numbers and text.
#include <cmath>
#include <cstdio>
#include <limits>

#include "runtime/text.h"
#include "runtime/text_search.h"

namespace quellora {
namespace {

using text_internal::IsLeadByte;

// Replaces the full-width forms of ASCII characters by the characters themselves; a lone lead
// byte at the end is dropped.
std::string NormaliseFullWidth(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      result += text[i++];
      continue;
    }
    if (i + 1 >= text.size()) break;
    const auto trail = static_cast<unsigned char>(text[i + 1]);
    if (lead == 0xA1 && trail == 0xA1) {
      result += ' ';
    } else if (lead == 0xA1 && trail == 0xAB) {
      result += '~';
    } else if (lead == 0xA1 && (trail == 0xEE || trail == 0xEF)) {
      result += '*';
    } else if (lead == 0xA3 && trail >= 0xA1 && trail <= 0xFE) {
      result += static_cast<char>(trail - 0x80);
    } else {
      result.append(text.substr(i, 2));
    }
    i += 2;
  }
  return result;
}

bool IsIntegerWhiteSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Truncates toward zero; NaN and values outside Int's range give its lowest value, as the
// processor's own conversion does.
template <class Int>
Int TruncateToInteger(double value) {
  constexpr double kLimit = -static_cast<double>(std::numeric_limits<Int>::min());  // 2^(bits-1)
  if (std::isnan(value) || value >= kLimit || value <= -kLimit - 1.0) {
    return std::numeric_limits<Int>::min();
  }
  return static_cast<Int>(value);
}

}  // namespace

std::int64_t NumberToInt64(double number) {
  return TruncateToInteger<std::int64_t>(number);
}

std::int32_t TextToInt(std::string_view text) {
  const std::string normal = NormaliseFullWidth(text);
  std::size_t i = 0;
  while (i < normal.size() && IsIntegerWhiteSpace(normal[i])) ++i;
  bool negative = false;
  if (i < normal.size() && (normal[i] == '+' || normal[i] == '-')) {
    negative = normal[i] == '-';
    ++i;
  }
  std::uint32_t value = 0;  // unsigned, so overflow wraps modulo 2^32
  for (; i < normal.size() && normal[i] >= '0' && normal[i] <= '9'; ++i) {
    value = value * 10U + static_cast<std::uint32_t>(normal[i] - '0');
  }
  if (negative) value = 0U - value;
  return static_cast<std::int32_t>(value);
}

std::int32_t TextToInt(std::int32_t value) {
  return value;
}

std::int32_t TextToInt(std::int64_t value) {
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(value));
}

std::int32_t TextToInt(double value) {
  return TruncateToInteger<std::int32_t>(value);
}

Text ToText(std::int32_t value) {
  return std::to_string(value);
}

Text ToText(std::int64_t value) {
  return std::to_string(value);
}

Text ToText(double value) {
  char buffer[64];
  const int written = std::snprintf(buffer, sizeof buffer, "%.13g", value);
  Text text(buffer, written > 0 ? static_cast<std::size_t>(written) : 0);
  // The exponent has at least three digits: "1e+15" becomes "1e+015".
  const std::size_t e = text.find('e');
  if (e != Text::npos && e + 1 < text.size()) {
    const std::size_t digits = text.size() - (e + 2);
    if (digits < 3) text.insert(e + 2, 3 - digits, '0');
  }
  return text;
}

Text ToText(const Bytes& bytes) {
  return BytesReadValue(bytes);
}

Text ToText(std::string_view text) {
  return Text(text);
}

}  // namespace quellora
