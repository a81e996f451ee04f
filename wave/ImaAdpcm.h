// IMA ADPCM as stored in WAVE files (format tag 0x0011), 4 bits per sample.
//
// A block, for C channels:
//   C headers of 4 bytes, channel by channel:
//     0  2  first sample, i16: the block's first frame, and the predictor
//     2  1  step index, 0..88
//     3  1  reserved
//   then groups of 4 bytes per channel, channel after channel (4 bytes of
//   channel 0, 4 of channel 1, ...), each holding 8 samples of its channel,
//   low nibble first.
// So a block of B bytes holds 1 + 8 * floor((B - 4C) / 4C) frames; bytes
// after the last whole group are not used.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace ImaAdpcm {

inline constexpr std::uint32_t kHeaderBytes = 4;  // per channel
inline constexpr std::uint32_t kGroupBytes = 4;   // per channel
inline constexpr std::uint32_t kGroupFrames = 8;
inline constexpr int kLargestStepIndex = 88;

// Frames that `bytes` bytes of a block hold: a whole block, or the cut-short
// last one. 0 for no channels, or when the bytes cannot hold every channel's
// header. At most 1 + 8 * 65535 / 4: it fits 32 bits.
std::uint32_t FramesIn(std::uint16_t bytes, std::uint16_t channels);

// Decodes `count` bytes of one block (count <= the block's size) into
// FramesIn(count, channels) x channels interleaved samples at `out`.
// A step index above 88 is clamped to 88; the finding says so (empty when
// the block was sound).
std::string DecodeBlock(const unsigned char* bytes, std::uint16_t count, std::uint16_t channels,
                        std::int16_t* out);

}  // namespace ImaAdpcm
