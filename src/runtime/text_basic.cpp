// Joining, comparing, measuring and cutting texts and byte buffers.
#include <algorithm>
#include <cstring>

#include "runtime/text.h"

namespace quellora {
namespace {

// Clamps a byte count to the int range used for lengths and positions.
int ClampedLength(std::size_t size) {
  return static_cast<int>(std::min<std::size_t>(size, static_cast<std::size_t>(INT32_MAX)));
}

}  // namespace

Text TextConcat(std::initializer_list<std::string_view> parts) {
  std::size_t total = 0;
  for (auto part : parts) total += part.size();
  Text result;
  result.reserve(total);
  for (auto part : parts) result.append(part);
  return result;
}

Bytes BytesConcat(std::initializer_list<std::span<const std::uint8_t>> parts) {
  std::size_t total = 0;
  for (auto part : parts) total += part.size();
  Bytes result;
  result.reserve(total);
  for (auto part : parts) result.insert(result.end(), part.begin(), part.end());
  return result;
}

Bytes BytesConcat(std::initializer_list<const Bytes*> parts) {
  Bytes result;
  for (const Bytes* part : parts) {
    if (part != nullptr) result.insert(result.end(), part->begin(), part->end());
  }
  return result;
}

int TextCompare(std::string_view a, std::string_view b) {
  const std::size_t common = std::min(a.size(), b.size());
  const int order = common == 0 ? 0 : std::memcmp(a.data(), b.data(), common);
  if (order != 0) return order < 0 ? -1 : 1;
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

int TextLength(std::string_view text) {
  return ClampedLength(text.size());
}

Text TextLeft(std::string_view text, int n) {
  if (n <= 0) return Text();
  return Text(text.substr(0, static_cast<std::size_t>(n)));
}

Text TextRight(std::string_view text, int n) {
  if (n <= 0) return Text();
  const std::size_t count = std::min(text.size(), static_cast<std::size_t>(n));
  return Text(text.substr(text.size() - count));
}

Text TextMiddle(std::string_view text, int start, int n) {
  if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > text.size()) return Text();
  return Text(text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

Bytes ToBytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

Bytes ToBytes(const Bytes& bytes) {
  return bytes;
}

int BytesLength(const Bytes& bytes) {
  return ClampedLength(bytes.size());
}

Bytes BytesLeft(const Bytes& bytes, int n) {
  if (n <= 0) return Bytes();
  const std::size_t count = std::min(bytes.size(), static_cast<std::size_t>(n));
  return Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(count));
}

Bytes BytesBlank(int n) {
  return n <= 0 ? Bytes() : Bytes(static_cast<std::size_t>(n), 0);
}

Text BytesReadValue(const Bytes& bytes) {
  const auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return Text(bytes.begin(), end);
}

}  // namespace quellora
