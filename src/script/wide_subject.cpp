#include "script/wide_subject.h"

#include <optional>

#include "runtime/codepage.h"
#include "runtime/iconv_handle.h"

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

/// Converts GB18030 bytes to UTF-16 with one descriptor, opened on first use.
class Decoder {
 public:
  /// Appends the units of bytes to out; false (out unchanged) when any byte does not convert.
  bool Convert(std::string_view bytes, std::u16string& out) {
    if (!handle_) handle_.emplace("UTF-16LE", kProgramCodePage);
    if (!handle_->valid()) return false;
    buffer_.resize(bytes.size() * 2 + 8);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = buffer_.data();
    std::size_t outLeft = buffer_.size();
    std::size_t rc = iconv(handle_->get(), &in, &inLeft, &outPtr, &outLeft);
    iconv(handle_->get(), nullptr, nullptr, nullptr, nullptr);
    if (rc == static_cast<std::size_t>(-1) || inLeft != 0) return false;
    std::size_t used = buffer_.size() - outLeft;
    for (std::size_t k = 0; k + 1 < used; k += 2) {
      out.push_back(static_cast<char16_t>(static_cast<unsigned char>(buffer_[k]) |
                                          (static_cast<unsigned char>(buffer_[k + 1]) << 8)));
    }
    return true;
  }

 private:
  std::optional<IconvHandle> handle_;
  std::string buffer_;
};

struct Segment {
  std::size_t begin;
  std::size_t length;
};

}  // namespace

WideSubject ToWideSubject(std::string_view text) {
  WideSubject result;
  result.units.reserve(text.size());
  result.byteOffset.reserve(text.size() + 1);
  auto push = [&](char16_t unit, std::size_t offset) {
    result.units.push_back(unit);
    result.byteOffset.push_back(offset);
  };

  Decoder decoder;
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
    if (decoder.Convert(text.substr(runBegin, i - runBegin), converted) &&
        converted.size() == expected) {
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
      if (decoder.Convert(text.substr(segment.begin, segment.length), converted) &&
          !converted.empty()) {
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
