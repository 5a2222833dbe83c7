#include "script/wide_subject.h"

#include <optional>

#include "runtime/codepage.h"

namespace quellora {
namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

bool InRange(unsigned char byte, unsigned char low, unsigned char high) {
  return byte >= low && byte <= high;
}

/// Length of the GB18030 character that starts at text[i] (a byte >= 0x80): 2 or 4, or 0 when
/// the bytes there do not form one.
std::size_t CharacterLength(std::string_view text, std::size_t i) {
  auto at = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
  if (!InRange(at(i), 0x81, 0xFE) || i + 1 >= text.size()) return 0;
  if (InRange(at(i + 1), 0x40, 0x7E) || InRange(at(i + 1), 0x80, 0xFE)) return 2;
  if (InRange(at(i + 1), 0x30, 0x39) && i + 3 < text.size() && InRange(at(i + 2), 0x81, 0xFE) &&
      InRange(at(i + 3), 0x30, 0x39)) {
    return 4;
  }
  return 0;
}

/// UTF-16 units a well-formed character of that length and lead byte decodes to.
std::size_t ExpectedUnits(std::size_t length, unsigned char lead) {
  return length == 4 && lead >= 0x90 ? 2 : 1;
}

/// Appends the UTF-16 units of bytes to out; false (out unchanged) when any byte does not convert.
bool Convert(std::string_view bytes, std::u16string& out) {
  auto converted = ConvertStrict(bytes, kProgramCodePage, "UTF-16LE");
  if (!converted) return false;
  for (std::size_t k = 0; k + 1 < converted->size(); k += 2) {
    out.push_back(static_cast<char16_t>(static_cast<unsigned char>((*converted)[k]) |
                                        (static_cast<unsigned char>((*converted)[k + 1]) << 8)));
  }
  return true;
}

bool IsAscii(std::string_view text) {
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}

/// The whole text in one conversion, when every byte converts and every character decodes to
/// the units its shape says; std::nullopt otherwise.
std::optional<WideSubject> ConvertWhole(std::string_view text) {
  WideSubject result;
  result.byteOffset.reserve(text.size() + 1);
  if (IsAscii(text)) {
    result.units.assign(text.begin(), text.end());
    for (std::size_t i = 0; i <= text.size(); ++i) result.byteOffset.push_back(i);
    return result;
  }
  if (!Convert(text, result.units)) return std::nullopt;
  const std::u16string& units = result.units;
  std::size_t unit = 0;
  for (std::size_t i = 0; i < text.size();) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      if (unit >= units.size() || units[unit] != byte) return std::nullopt;
      result.byteOffset.push_back(i);
      ++unit;
      ++i;
      continue;
    }
    std::size_t length = CharacterLength(text, i);
    if (length == 0) return std::nullopt;
    std::size_t count = ExpectedUnits(length, byte);
    if (unit + count > units.size() || IsHighSurrogate(units[unit]) != (count == 2)) {
      return std::nullopt;
    }
    for (std::size_t k = 0; k < count; ++k) result.byteOffset.push_back(i);
    unit += count;
    i += length;
  }
  if (unit != units.size()) return std::nullopt;
  result.byteOffset.push_back(text.size());
  return result;
}

struct Segment {
  std::size_t begin;
  std::size_t length;
};

}  // namespace

WideSubject ToWideSubject(std::string_view text) {
  if (auto whole = ConvertWhole(text)) return std::move(*whole);
  // Some byte does not convert: decode run by run, and character by character where needed.
  WideSubject result;
  result.units.reserve(text.size());
  result.byteOffset.reserve(text.size() + 1);
  auto push = [&](char16_t unit, std::size_t offset) {
    result.units.push_back(unit);
    result.byteOffset.push_back(offset);
  };

  std::vector<Segment> run;
  std::u16string converted;
  std::size_t i = 0;
  while (i < text.size()) {
    auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      push(byte, i);
      ++i;
      continue;
    }
    // Gather a run of well-formed multi-byte characters and convert it in one call.
    run.clear();
    std::size_t expected = 0;
    std::size_t runBegin = i;
    while (i < text.size() && static_cast<unsigned char>(text[i]) >= 0x80) {
      std::size_t length = CharacterLength(text, i);
      if (length == 0) break;
      run.push_back({i, length});
      expected += ExpectedUnits(length, static_cast<unsigned char>(text[i]));
      i += length;
    }
    if (run.empty()) {  // a byte that starts no character
      push(kReplacementCharacter, i);
      ++i;
      continue;
    }
    converted.clear();
    if (Convert(text.substr(runBegin, i - runBegin), converted) && converted.size() == expected) {
      std::size_t unit = 0;
      for (const Segment& segment : run) {
        std::size_t count =
            ExpectedUnits(segment.length, static_cast<unsigned char>(text[segment.begin]));
        for (std::size_t k = 0; k < count; ++k) push(converted[unit++], segment.begin);
      }
      continue;
    }
    // Some character of the run does not convert: go one character at a time, and restart
    // just after the first byte that fails.
    for (const Segment& segment : run) {
      converted.clear();
      if (Convert(text.substr(segment.begin, segment.length), converted) && !converted.empty()) {
        for (char16_t unit : converted) push(unit, segment.begin);
        continue;
      }
      push(kReplacementCharacter, segment.begin);
      i = segment.begin + 1;
      break;
    }
  }
  result.byteOffset.push_back(text.size());
  return result;
}

}  // namespace quellora
