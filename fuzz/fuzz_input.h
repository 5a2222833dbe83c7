// Reading one fuzz input as lines of arguments followed by a body, so that seed files are plain
// text: a few short lines (markers, flags, names), then the rest of the input as the text under
// test.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace fuzz {

/// Aborts when a property does not hold, so that the fuzzer reports the input.
inline void Check(bool condition) {
  if (!condition) std::abort();
}

class FuzzInput {
 public:
  FuzzInput(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  /// The next line without its "\n" (the rest of the input when there is no line end).
  std::string_view Line() {
    const std::size_t end = rest_.find('\n');
    const std::string_view line = rest_.substr(0, end);
    rest_.remove_prefix(end == std::string_view::npos ? rest_.size() : end + 1);
    return line;
  }

  /// The next line read as a whole number: an optional "-" and decimal digits, the value kept
  /// within [-limit, limit]; 0 when the line holds none.
  int Number(int limit) {
    const std::string_view line = Line();
    std::size_t i = 0;
    const bool negative = !line.empty() && line[0] == '-';
    if (negative) i = 1;
    long value = 0;
    for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
      value = value * 10 + (line[i] - '0');
      if (value > limit) value = limit;
    }
    return static_cast<int>(negative ? -value : value);
  }

  /// The next line read as flags: bit n is set when byte n of the line is odd.
  unsigned Flags() {
    unsigned flags = 0;
    const std::string_view line = Line();
    for (std::size_t i = 0; i < line.size() && i < 16; ++i) {
      if (static_cast<unsigned char>(line[i]) & 1U) flags |= 1U << i;
    }
    return flags;
  }

  /// Everything not read yet.
  std::string_view Rest() const { return rest_; }

 private:
  std::string_view rest_;
};

}  // namespace fuzz
