#include "web/Waveform.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "wave/Audio.h"

namespace {

// G.711 expansions to a sample in [-1, 1].
float MuLaw(std::uint8_t byte) {
    byte = static_cast<std::uint8_t>(~byte);
    const int exponent = (byte >> 4) & 7;
    const int magnitude = (((byte & 0x0F) << 3) + 0x84) << exponent;
    const int value = (byte & 0x80) ? 0x84 - magnitude : magnitude - 0x84;
    return static_cast<float>(value) / 32768.0f;
}

float ALaw(std::uint8_t byte) {
    byte ^= 0x55;
    const int exponent = (byte >> 4) & 7;
    int magnitude = (byte & 0x0F) << 4;
    magnitude = exponent == 0 ? magnitude + 8 : (magnitude + 0x108) << (exponent - 1);
    return static_cast<float>((byte & 0x80) ? magnitude : -magnitude) / 32768.0f;
}

// One sample of `bytes` stored bytes in the given encoding, in [-1, 1].
using Decoder = float (*)(const unsigned char* at);
float Pcm8(const unsigned char* at) { return (static_cast<int>(at[0]) - 128) / 128.0f; }
float Pcm16(const unsigned char* at) { return static_cast<std::int16_t>(at[0] | at[1] << 8) / 32768.0f; }
float Pcm24(const unsigned char* at) {
    const std::int32_t value = static_cast<std::int32_t>(static_cast<std::uint32_t>(at[0]) << 8 |
                                                         static_cast<std::uint32_t>(at[1]) << 16 |
                                                         static_cast<std::uint32_t>(at[2]) << 24);
    return static_cast<float>(value / 2147483648.0);
}
float Pcm32(const unsigned char* at) {
    const std::uint32_t bits = at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    return static_cast<float>(static_cast<std::int32_t>(bits) / 2147483648.0);
}
float Float32(const unsigned char* at) {
    const std::uint32_t bits = at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? std::clamp(value, -1.0f, 1.0f) : 0.0f;
}
float Float64(const unsigned char* at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | at[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? static_cast<float>(std::clamp(value, -1.0, 1.0)) : 0.0f;
}
float MuLawAt(const unsigned char* at) { return MuLaw(at[0]); }
float ALawAt(const unsigned char* at) { return ALaw(at[0]); }

// The decoder for the format, or null for one the page does not draw. An
// extensible format names its encoding in the first two bytes of its
// sub-format GUID, after 2 bytes of valid bits and 4 of channel mask.
Decoder DecoderFor(const fmt_Chunk& fmt, unsigned& sampleBytes) {
    std::uint16_t tag = fmt.FormatTag;
    if (tag == 0xFFFE && fmt.ExtraData.size() >= 8) {
        tag = static_cast<std::uint16_t>(static_cast<unsigned char>(fmt.ExtraData[6]) |
                                         static_cast<unsigned char>(fmt.ExtraData[7]) << 8);
    }
    if (fmt.Channels == 0 || fmt.BlockAlign % fmt.Channels != 0) return nullptr;
    sampleBytes = fmt.BlockAlign / fmt.Channels;
    switch (tag) {
        case 1:
            if (sampleBytes == 1) return Pcm8;
            if (sampleBytes == 2) return Pcm16;
            if (sampleBytes == 3) return Pcm24;
            if (sampleBytes == 4) return Pcm32;
            return nullptr;
        case 3:
            if (sampleBytes == 4) return Float32;
            if (sampleBytes == 8) return Float64;
            return nullptr;
        case 6: return sampleBytes == 1 ? ALawAt : nullptr;
        case 7: return sampleBytes == 1 ? MuLawAt : nullptr;
        default: return nullptr;
    }
}

}  // namespace

Waveform DrawWaveform(const WAVE_File& wave, int columns) {
    const fmt_Chunk& fmt = wave.FmtChunk;
    Waveform waveform;
    waveform.Channels = fmt.Channels;
    unsigned sampleBytes = 0;
    const Decoder decode = DecoderFor(fmt, sampleBytes);
    if (!decode) return waveform;
    waveform.Decodable = true;
    const auto& data = wave.DataChunk.ChunkData;
    const std::uint64_t frames = data.size() / fmt.BlockAlign;
    waveform.Frames = frames;
    const auto count = static_cast<std::size_t>(std::clamp(columns, 1, kMostWaveformColumns));
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    for (unsigned channel = 0; channel < fmt.Channels; ++channel) {
        std::vector<float> low(count, 0.0f), high(count, 0.0f);
        for (std::size_t column = 0; column < count && frames > 0; ++column) {
            // In 64 bits: size_t may have 32 (WebAssembly), and columns x
            // frames exceeds them.
            const std::uint64_t first = std::uint64_t{column} * frames / count;
            const std::uint64_t last = std::max(first + 1, std::uint64_t{column + 1} * frames / count);
            float lo = 1.0f, hi = -1.0f;
            for (std::uint64_t frame = first; frame < last && frame < frames; ++frame) {
                const float value = decode(bytes + frame * fmt.BlockAlign + channel * sampleBytes);
                lo = std::min(lo, value);
                hi = std::max(hi, value);
            }
            low[column] = lo <= hi ? lo : 0.0f;
            high[column] = lo <= hi ? hi : 0.0f;
        }
        waveform.Low.push_back(std::move(low));
        waveform.High.push_back(std::move(high));
    }
    return waveform;
}
