#include "byte_range.h"

#include <charconv>
#include <limits>
#include <optional>

#include "runtime/ascii.h"

namespace quellora::demo {
namespace {

constexpr std::uint64_t kHuge = std::numeric_limits<std::uint64_t>::max();

// A run of decimal digits; a value too large for 64 bits reads as the largest one (every such
// offset lies past the end of any file served). nullopt for an empty or non-digit text.
std::optional<std::uint64_t> Digits(std::string_view text) {
  if (text.empty()) return std::nullopt;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
  }
  std::uint64_t value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error == std::errc::result_out_of_range) return kHuge;
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace

std::string_view TrimOptionalWhitespace(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

RangeChoice ChooseRange(std::string_view header, std::uint64_t total) {
  constexpr std::string_view kUnit = "bytes=";
  header = TrimOptionalWhitespace(header);
  if (!StartsWithIgnoringAsciiCase(header, kUnit)) return {};
  const std::string_view spec = TrimOptionalWhitespace(header.substr(kUnit.size()));
  const std::size_t dash = spec.find('-');
  if (dash == std::string_view::npos || spec.find(',') != std::string_view::npos) return {};
  const std::string_view left = spec.substr(0, dash);
  const std::string_view right = spec.substr(dash + 1);

  if (left.empty()) {  // "-S": the last S bytes
    const std::optional<std::uint64_t> suffix = Digits(right);
    if (!suffix) return {};
    if (*suffix == 0 || total == 0) return {RangeChoice::Kind::kUnsatisfiable};
    const std::uint64_t length = *suffix < total ? *suffix : total;
    return {RangeChoice::Kind::kPart, total - length, total - 1};
  }

  const std::optional<std::uint64_t> first = Digits(left);
  if (!first) return {};
  std::uint64_t last = kHuge;
  if (!right.empty()) {
    const std::optional<std::uint64_t> given = Digits(right);
    if (!given || *given < *first) return {};
    last = *given;
  }
  if (*first >= total) return {RangeChoice::Kind::kUnsatisfiable};
  return {RangeChoice::Kind::kPart, *first, last < total - 1 ? last : total - 1};
}

}  // namespace quellora::demo
