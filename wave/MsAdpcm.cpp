#include "wave/MsAdpcm.h"

#include <algorithm>
#include <climits>

#include "common/LittleEndian.h"

namespace MsAdpcm {
namespace {

constexpr std::array<std::int32_t, 16> kAdaptation = {230, 230, 230, 230, 307, 409, 512, 614,
                                                      768, 614, 512, 409, 307, 230, 230, 230};
constexpr std::int32_t kSmallestDelta = 16;
// Keeps code x delta x adaptation within 32 bits, whatever the codes.
constexpr std::int32_t kLargestDelta = INT_MAX / 768;
constexpr std::size_t kPairBytes = 4;

std::int16_t I16At(const unsigned char* at) {
    return static_cast<std::int16_t>(LittleEndian::FromBytes<std::uint16_t>(reinterpret_cast<const char*>(at)));
}

struct Channel {
    bool sound;
    std::int64_t first, second;  // the pair's weights
    std::int32_t delta;
    std::int32_t sample1, sample2;  // newest, older

    std::int16_t Expand(unsigned nibble) {
        if (!sound) return 0;
        const std::int32_t code = (nibble & 8) ? static_cast<std::int32_t>(nibble) - 16 : static_cast<std::int32_t>(nibble);
        // Weights are in 256ths; the division truncates toward zero.
        std::int64_t predicted = (sample1 * first + sample2 * second) / 256;
        predicted += std::int64_t{code} * delta;
        sample2 = sample1;
        sample1 = static_cast<std::int32_t>(std::clamp<std::int64_t>(predicted, INT16_MIN, INT16_MAX));
        delta = std::clamp((kAdaptation[nibble] * delta) >> 8, kSmallestDelta, kLargestDelta);
        return static_cast<std::int16_t>(sample1);
    }
};

}  // namespace

Extension ReadExtension(const char* bytes, std::size_t count) {
    Extension extension;
    if (count < 4) {
        extension.Finding = "the format's extension holds " + std::to_string(count) +
                            " bytes, too few for samples per block and coefficients";
        return extension;
    }
    extension.Present = true;
    extension.SamplesPerBlock = LittleEndian::FromBytes<std::uint16_t>(bytes);
    const std::uint16_t counted = LittleEndian::FromBytes<std::uint16_t>(bytes + 2);
    const std::size_t stored = std::min<std::size_t>(counted, (count - 4) / kPairBytes);
    if (stored < counted) {
        extension.Finding = "the format counts " + std::to_string(counted) + " coefficient pairs but holds " +
                            std::to_string(stored);
    }
    for (std::size_t i = 0; i < stored; ++i) {
        const auto* pair = reinterpret_cast<const unsigned char*>(bytes + 4 + i * kPairBytes);
        extension.Pairs.push_back({I16At(pair), I16At(pair + 2)});
    }
    return extension;
}

std::uint32_t FramesIn(std::uint16_t bytes, std::uint16_t channels) {
    const std::uint32_t headers = kHeaderBytes * channels;
    if (channels == 0 || channels > kMostChannels || bytes < headers) return 0;
    return kHeaderFrames + (bytes - headers) * 2 / channels;
}

std::string DecodeBlock(const std::vector<Coefficients>& pairs, const unsigned char* bytes,
                        std::uint16_t count, std::uint16_t channels, std::uint32_t frames,
                        std::int16_t* out) {
    frames = std::min(frames, FramesIn(count, channels));
    if (frames == 0) return {};
    std::string finding;
    std::array<Channel, kMostChannels> state{};
    for (std::uint16_t c = 0; c < channels; ++c) {
        Channel& channel = state[c];
        const unsigned index = bytes[c];
        channel.sound = index < pairs.size();
        if (channel.sound) {
            channel.first = pairs[index].First;
            channel.second = pairs[index].Second;
        } else if (finding.empty()) {
            finding = "predictor index " + std::to_string(index) + " has no coefficient pair (" +
                      std::to_string(pairs.size()) + " stored); its channel is silent in this block";
        }
        channel.delta = I16At(bytes + channels + 2 * c);
        channel.sample1 = channel.sound ? I16At(bytes + 3 * channels + 2 * c) : 0;
        channel.sample2 = channel.sound ? I16At(bytes + 5 * channels + 2 * c) : 0;
        out[c] = static_cast<std::int16_t>(channel.sample2);
        if (frames > 1) out[channels + c] = static_cast<std::int16_t>(channel.sample1);
    }
    // Codes run frame after frame, channel after channel, two to a byte.
    const unsigned char* code = bytes + kHeaderBytes * channels;
    std::int16_t* sample = out + kHeaderFrames * channels;
    const std::uint64_t codes = std::uint64_t{frames - std::min(frames, kHeaderFrames)} * channels;
    for (std::uint64_t k = 0; k < codes; ++k) {
        const unsigned nibble = (k & 1) ? code[k >> 1] & 0x0F : code[k >> 1] >> 4;
        *sample++ = state[k % channels].Expand(nibble);
    }
    return finding;
}

}  // namespace MsAdpcm
