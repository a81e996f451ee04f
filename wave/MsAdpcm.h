// MS ADPCM as stored in WAVE files (format tag 0x0002), 4 bits per sample,
// one or two channels.
//
// The format's extension:
//   0  2  samples per block (frames in a whole block)
//   2  2  coefficient count
//   4  4 x count  coefficient pairs, i16 each; writers store the standard
//                 seven, but a block's predictor index picks from the pairs
//                 stored
//
// A block, for C channels (fields interleaved by channel):
//   0   C      predictor index, u8 each
//   C   2C     delta, i16 each
//   3C  2C     sample 1, i16 each
//   5C  2C     sample 2, i16 each (the older one: the block's first frame)
//   7C  ...    4-bit codes, high nibble first, channel after channel
// So a block of B bytes holds 2 + (B - 7C) x 2 / C frames.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace MsAdpcm {

inline constexpr std::uint32_t kHeaderBytes = 7;  // per channel
inline constexpr std::uint16_t kMostChannels = 2;
inline constexpr std::uint32_t kHeaderFrames = 2;

struct Coefficients {
    std::int16_t First = 0;   // weight of the newer sample
    std::int16_t Second = 0;  // weight of the older one
    bool operator==(const Coefficients&) const = default;
};

// The pairs writers store, in their order.
inline constexpr std::array<Coefficients, 7> kStandardCoefficients = {
    {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}};

// What the extension says. Findings for a damaged one: fewer than 4 bytes
// (Present false), fewer pairs stored than counted (those stored are kept).
struct Extension {
    bool Present = false;
    std::uint16_t SamplesPerBlock = 0;
    std::vector<Coefficients> Pairs;
    std::string Finding;
};
Extension ReadExtension(const char* bytes, std::size_t count);

// Frames that `bytes` bytes of a block can hold: 0 for no channels, for more
// than two, or when the bytes cannot hold every channel's header. At most
// 2 + 65535 x 2: it fits 32 bits.
std::uint32_t FramesIn(std::uint16_t bytes, std::uint16_t channels);

// Decodes the first `frames` frames of one block of `count` bytes (frames <=
// FramesIn(count, channels)) into frames x channels interleaved samples at
// `out`. A channel whose predictor index has no stored pair is silent in
// this block; the finding says so (empty when the block was sound).
std::string DecodeBlock(const std::vector<Coefficients>& pairs, const unsigned char* bytes,
                        std::uint16_t count, std::uint16_t channels, std::uint32_t frames,
                        std::int16_t* out);

}  // namespace MsAdpcm
