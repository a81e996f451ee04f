#include "wave/ImaAdpcm.h"

#include <algorithm>
#include <array>

#include "common/LittleEndian.h"

namespace ImaAdpcm {
namespace {

constexpr std::array<std::int32_t, kLargestStepIndex + 1> kSteps = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};

constexpr std::array<std::int32_t, 16> kIndexSteps = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

struct Channel {
    std::int32_t predictor;
    std::int32_t index;

    // One 4-bit code: the difference is (2 x magnitude + 1) x step / 8, taken
    // as one product rather than as the sum of shifted steps, which drops
    // low bits.
    std::int16_t Expand(unsigned nibble) {
        const std::int32_t step = kSteps[static_cast<std::size_t>(index)];
        const std::int32_t difference = ((2 * static_cast<std::int32_t>(nibble & 7) + 1) * step) >> 3;
        predictor = std::clamp((nibble & 8) ? predictor - difference : predictor + difference,
                               std::int32_t{INT16_MIN}, std::int32_t{INT16_MAX});
        index = std::clamp(index + kIndexSteps[nibble], 0, kLargestStepIndex);
        return static_cast<std::int16_t>(predictor);
    }
};

}  // namespace

std::uint32_t FramesIn(std::uint16_t bytes, std::uint16_t channels) {
    const std::uint32_t headers = kHeaderBytes * channels;
    if (channels == 0 || bytes < headers) return 0;
    return 1 + kGroupFrames * ((bytes - headers) / (kGroupBytes * channels));
}

std::string DecodeBlock(const unsigned char* bytes, std::uint16_t count, std::uint16_t channels,
                        std::int16_t* out) {
    const std::uint32_t frames = FramesIn(count, channels);
    if (frames == 0) return {};
    const std::uint32_t groups = (frames - 1) / kGroupFrames;
    const unsigned char* const data = bytes + kHeaderBytes * channels;
    std::string finding;
    for (std::uint16_t c = 0; c < channels; ++c) {
        const unsigned char* header = bytes + kHeaderBytes * c;
        const auto first = static_cast<std::int16_t>(LittleEndian::FromBytes<std::uint16_t>(reinterpret_cast<const char*>(header)));
        Channel channel{first, header[2]};
        if (channel.index > kLargestStepIndex) {
            if (finding.empty()) finding = "step index " + std::to_string(channel.index) + " above 88, taken as 88";
            channel.index = kLargestStepIndex;
        }
        std::int16_t* sample = out + c;
        *sample = first;
        for (std::uint32_t g = 0; g < groups; ++g) {
            const unsigned char* group = data + (std::size_t{g} * channels + c) * kGroupBytes;
            for (std::uint32_t i = 0; i < kGroupBytes; ++i) {
                sample += channels;
                *sample = channel.Expand(group[i] & 0x0F);
                sample += channels;
                *sample = channel.Expand(group[i] >> 4);
            }
        }
    }
    return finding;
}

}  // namespace ImaAdpcm
