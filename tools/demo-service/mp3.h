// Silent MP3 data made on the fly: MPEG-1 Layer III frames, 128 kbit/s, 44.1 kHz, mono, each a
// correct frame header followed by zeroed side information and main data (decodes to silence).
#pragma once

#include <cstddef>
#include <cstdint>

namespace quellora::demo {

/// Bytes in one frame (no padding).
inline constexpr std::size_t kMp3FrameBytes = 417;
/// The frame header every frame starts with.
inline constexpr std::uint8_t kMp3FrameHeader[4] = {0xFF, 0xFB, 0x90, 0xC4};

/// Fills out[0..length) with the bytes at [offset, offset + length) of an endless run of silent
/// frames; a stream cut at any size starts with a frame header and is whole frames except the
/// last one.
void FillSilentMp3(std::uint64_t offset, char* out, std::size_t length);

}  // namespace quellora::demo
