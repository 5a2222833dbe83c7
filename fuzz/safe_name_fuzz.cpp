// Makes safe names from arbitrary titles and checks the properties every safe name has: never
// empty, never "." or "..", no "/" and no NUL byte, no longer than the byte limit, and valid
// UTF-8 whenever what it was made from was valid UTF-8. A track file name also ends in ".MP3"
// and fits one path component.
//
// Input: the byte limit on the first line, the fallback (also the track id) on the second, the
// copy number on the third; the rest is the title.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/safe_name.h"
#include "fuzz_input.h"

namespace {

using fuzz::Check;

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead < 0x80) {
      length = 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3;
      if (lead == 0xE0) low = 0xA0;
      if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4;
      if (lead == 0xF0) low = 0x90;
      if (lead == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto follower = static_cast<unsigned char>(text[i + k]);
      if (follower < (k == 1 ? low : 0x80) || follower > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

void CheckSafe(const std::string& name, std::size_t maxBytes, bool inputsValid) {
  Check(!name.empty());
  Check(name != "." && name != "..");
  Check(name.find('/') == std::string::npos);
  Check(name.find('\0') == std::string::npos);
  Check(name.size() <= maxBytes);
  if (inputsValid) Check(IsValidUtf8(name));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::FuzzInput input(data, size);
  const int limit = input.Number(1024);
  const std::string_view fallback = input.Line();
  const int copy = input.Number(1 << 30);
  const std::string_view title = input.Rest();
  const bool valid = IsValidUtf8(title) && IsValidUtf8(fallback);

  const auto maxBytes = static_cast<std::size_t>(limit < 0 ? -limit : limit);
  CheckSafe(quellora::SafeName(title, fallback, maxBytes), maxBytes == 0 ? 1 : maxBytes, valid);
  CheckSafe(quellora::SafeName(title), quellora::kMaxNameBytes, IsValidUtf8(title));

  const std::string file = quellora::SafeTrackFileName(title, fallback, copy);
  CheckSafe(file, quellora::kMaxNameBytes, valid);
  Check(file.ends_with(quellora::kTrackExtension));
  return 0;
}
