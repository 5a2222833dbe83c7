#include "mp3.h"

#include <cstring>

namespace quellora::demo {

void FillSilentMp3(std::uint64_t offset, char* out, std::size_t length) {
  std::memset(out, 0, length);
  std::uint64_t inFrame = offset % kMp3FrameBytes;
  for (std::size_t i = 0; i < length;) {
    if (inFrame < sizeof kMp3FrameHeader) {
      out[i] = static_cast<char>(kMp3FrameHeader[inFrame]);
      ++i;
      ++inFrame;
      continue;
    }
    // Skip the zeroed rest of the frame.
    const std::uint64_t skip = kMp3FrameBytes - inFrame;
    if (skip >= length - i) break;
    i += static_cast<std::size_t>(skip);
    inFrame = 0;
  }
}

}  // namespace quellora::demo
