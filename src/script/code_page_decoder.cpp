#include "script/code_page_decoder.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

#include "runtime/char_length.h"
#include "runtime/codepage.h"
#include "runtime/iconv_handle.h"

namespace quellora {
namespace {

// Two-byte codes: a lead byte 0x81..0xFE and a trail byte 0x40..0xFE other than 0x7F.
constexpr unsigned kFirstLead = 0x81;
constexpr unsigned kLastLead = 0xFE;
constexpr unsigned kFirstTrail = 0x40;
constexpr unsigned kLastTrail = 0xFE;
constexpr unsigned kTrailCount = kLastTrail - kFirstTrail + 1;
constexpr std::size_t kTableSize = (kLastLead - kFirstLead + 1) * kTrailCount;

/// The UTF-8 bytes of one character (at most four); length 0 marks a code iconv refuses.
struct Utf8Char {
  std::array<char, 4> bytes{};
  std::uint8_t length = 0;
};

using Table = std::array<Utf8Char, kTableSize>;

bool IsLead(unsigned byte) {
  return byte >= kFirstLead && byte <= kLastLead;
}
bool IsTrail(unsigned byte) {
  return byte >= kFirstTrail && byte <= kLastTrail && byte != 0x7F;
}
bool IsDigit(unsigned byte) {
  return byte >= 0x30 && byte <= 0x39;
}

/// One code converted by a fresh call of iconv; length 0 when iconv refuses it.
Utf8Char ConvertOne(IconvHandle& handle, const char (&code)[2]) {
  Utf8Char entry;
  char in[2] = {code[0], code[1]};
  char* inPtr = in;
  std::size_t inLeft = sizeof in;
  char* outPtr = entry.bytes.data();
  std::size_t outLeft = entry.bytes.size();
  std::size_t rc = iconv(handle.get(), &inPtr, &inLeft, &outPtr, &outLeft);
  iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
  std::size_t used = entry.bytes.size() - outLeft;
  if (rc != static_cast<std::size_t>(-1) && inLeft == 0 && used > 0 &&
      Utf8SequenceLength(static_cast<unsigned char>(entry.bytes[0])) == used) {
    entry.length = static_cast<std::uint8_t>(used);
  } else {
    entry = Utf8Char{};
  }
  return entry;
}

/// One row of codes (a lead byte and every trail byte) converted by one call of iconv; false
/// when iconv refuses any of them or the output does not split into one character per code.
bool ConvertRow(IconvHandle& handle, unsigned lead, Utf8Char* row) {
  std::string in;
  for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
    if (!IsTrail(trail)) continue;
    in += static_cast<char>(lead);
    in += static_cast<char>(trail);
  }
  std::string out(in.size() * 4, '\0');
  char* inPtr = in.data();
  std::size_t inLeft = in.size();
  char* outPtr = out.data();
  std::size_t outLeft = out.size();
  std::size_t rc = iconv(handle.get(), &inPtr, &inLeft, &outPtr, &outLeft);
  iconv(handle.get(), nullptr, nullptr, nullptr, nullptr);
  if (rc == static_cast<std::size_t>(-1) || inLeft != 0) return false;
  out.resize(out.size() - outLeft);
  std::size_t at = 0;
  for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
    if (!IsTrail(trail)) continue;
    if (at == out.size()) return false;
    // iconv writes well-formed UTF-8; a byte that starts no sequence (length 0) would mean the
    // output cannot be split, so the row is converted a code at a time instead.
    const std::size_t length = Utf8SequenceLength(static_cast<unsigned char>(out[at]));
    if (length == 0 || at + length > out.size()) return false;
    Utf8Char& entry = row[trail - kFirstTrail];
    std::copy_n(out.data() + at, length, entry.bytes.data());
    entry.length = static_cast<std::uint8_t>(length);
    at += length;
  }
  return at == out.size();
}

/// Every two-byte code as iconv converts it: a row at a time, a code at a time for a row that
/// does not convert whole.
std::unique_ptr<Table> BuildTable() {
  auto table = std::make_unique<Table>();
  IconvHandle handle("UTF-8", kProgramCodePage);
  if (!handle.valid()) return table;
  for (unsigned lead = kFirstLead; lead <= kLastLead; ++lead) {
    Utf8Char* row = table->data() + (lead - kFirstLead) * kTrailCount;
    if (ConvertRow(handle, lead, row)) continue;
    for (unsigned trail = kFirstTrail; trail <= kLastTrail; ++trail) {
      const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      row[trail - kFirstTrail] = IsTrail(trail) ? ConvertOne(handle, code) : Utf8Char{};
    }
  }
  return table;
}

const Table& TwoByteTable() {
  static const std::unique_ptr<Table> table = BuildTable();
  return *table;
}

}  // namespace

std::optional<std::string> DecodeCodePageFast(std::string_view text) {
  const Table& table = TwoByteTable();
  const auto* in = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t size = text.size();
  // A code of n bytes gives at most 2n bytes of UTF-8; every table entry is copied whole, so
  // four bytes of room past the end.
  std::string out(size * 2 + 4, '\0');
  char* write = out.data();
  for (std::size_t i = 0; i < size;) {
    const unsigned lead = in[i];
    if (lead < 0x80) {
      *write++ = static_cast<char>(lead);
      ++i;
      continue;
    }
    if (!IsLead(lead) || i + 1 == size) return std::nullopt;
    const unsigned second = in[i + 1];
    if (IsTrail(second)) {
      const Utf8Char& entry = table[(lead - kFirstLead) * kTrailCount + (second - kFirstTrail)];
      if (entry.length == 0) return std::nullopt;
      std::copy_n(entry.bytes.data(), entry.bytes.size(), write);
      write += entry.length;
      i += 2;
      continue;
    }
    if (i + 3 < size && IsDigit(second) && IsLead(in[i + 2]) && IsDigit(in[i + 3])) {
      auto converted = ConvertStrict(text.substr(i, 4), kProgramCodePage, "UTF-8");
      if (!converted || converted->size() > 8) return std::nullopt;
      write = std::copy(converted->begin(), converted->end(), write);
      i += 4;
      continue;
    }
    return std::nullopt;
  }
  out.resize(static_cast<std::size_t>(write - out.data()));
  return out;
}

}  // namespace quellora
