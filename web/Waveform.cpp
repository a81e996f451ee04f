#include "web/Waveform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <istream>

#include "facts/Facts.h"
#include "wave/Audio.h"
#include "wave/SampleCodec.h"

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

// The data chunk's bytes: held in the model, or read from the input where
// the model says they lie, a window of them at a time -- a sound of any
// size is drawn with memory for one window.
class DataBytes {
public:
    DataBytes(const data_Chunk& data, std::istream* input) {
        if (data.BodySkipped && data.StoredBytes == 0) return;  // no samples, nothing to read
        if (data.BodySkipped) {
            readable_ = input != nullptr && data.SourceOffset.has_value();
            if (!readable_) return;  // nowhere to read the samples from
            input_ = input;
            origin_ = *data.SourceOffset;
            size_ = data.StoredBytes;
        } else {
            held_ = reinterpret_cast<const unsigned char*>(data.ChunkData.data());
            size_ = data.ChunkData.size();
        }
    }

    bool Readable() const { return readable_; }
    std::uint64_t Size() const { return size_; }

    // The `length` bytes at `offset` (offset + length <= Size(), length at
    // most kWindowBytes or one block). Bytes the input no longer has read as 0.
    const unsigned char* At(std::uint64_t offset, std::size_t length) {
        if (held_) return held_ + offset;
        if (offset < windowStart_ || offset + length > windowStart_ + window_.size()) Fill(offset, length);
        return window_.data() + (offset - windowStart_);
    }

    static constexpr std::size_t kWindowBytes = std::size_t{1} << 16;

private:
    void Fill(std::uint64_t offset, std::size_t length) {
        const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(std::max(kWindowBytes, length), size_ - offset));
        window_.assign(count, 0);
        windowStart_ = offset;
        input_->clear();
        input_->seekg(static_cast<std::streamoff>(origin_ + offset));
        input_->read(reinterpret_cast<char*>(window_.data()), static_cast<std::streamsize>(count));
    }

    bool readable_ = true;
    const unsigned char* held_ = nullptr;
    std::istream* input_ = nullptr;
    std::uint64_t origin_ = 0;  // where the data's body begins in the input
    std::uint64_t size_ = 0;
    std::vector<unsigned char> window_;
    std::uint64_t windowStart_ = 0;
};

// The samples of the data chunk, asked for frame by frame in rising order.
// PCM, float and G.711 are read where they are stored; IMA and MS ADPCM go
// through the core's block decoder one block at a time, so that no more
// than one block is held decoded, and each is decoded once.
class Samples {
public:
    Samples(const WAVE_File& wave, std::istream* input)
        : fmt_(wave.FmtChunk), bytes_(wave.DataChunk, input), layout_(LayoutOf(wave.FmtChunk)) {
        if (!bytes_.Readable()) return;
        const std::uint64_t size = bytes_.Size();
        if (layout_.Decodable && (layout_.Codec == SampleCodec::ImaAdpcm || layout_.Codec == SampleCodec::MsAdpcm)) {
            // The facts' count: a "fact" count trims the padding of the last block.
            std::vector<Facts::Finding> ignored;
            const Facts::Audio audio = Facts::AudioOf(&fmt_, Facts::FactCount(wave), size, ignored);
            frames_ = std::min(audio.frames.value_or(0), FramesInData(layout_, size));
            block_.resize(std::size_t{layout_.FramesPerBlock} * layout_.Channels);
            decodable_ = true;
            return;
        }
        decode_ = DecoderFor(fmt_, sampleBytes_);
        decodable_ = decode_ != nullptr;
        if (decodable_) frames_ = size / fmt_.BlockAlign;
    }

    bool Decodable() const { return decodable_; }
    // Whole frames; a partial one at the end of the data is left out.
    std::uint64_t Frames() const { return frames_; }

    // Sample `channel` of `frame` (below Frames()), in [-1, 1].
    float At(std::uint64_t frame, unsigned channel) {
        if (decode_) return decode_(bytes_.At(frame * fmt_.BlockAlign + channel * sampleBytes_, sampleBytes_));
        const std::uint64_t block = frame / layout_.FramesPerBlock;
        if (block != blockIndex_) {
            const std::uint64_t offset = block * layout_.BlockBytes;
            const std::size_t count = std::min<std::uint64_t>(layout_.BlockBytes, bytes_.Size() - offset);
            DecodeBlock(layout_, bytes_.At(offset, count), count, block_.data());
            blockIndex_ = block;
        }
        // Every frame below Frames() is one its block decodes to.
        const std::uint64_t within = frame % layout_.FramesPerBlock;
        return static_cast<float>(block_[within * layout_.Channels + channel]) / 32768.0f;
    }

private:
    const fmt_Chunk& fmt_;
    DataBytes bytes_;
    bool decodable_ = false;
    std::uint64_t frames_ = 0;
    // One sample a stored unit of sampleBytes_.
    Decoder decode_ = nullptr;
    unsigned sampleBytes_ = 0;
    // A block codec: the block decoded last.
    SampleLayout layout_;
    std::vector<std::int16_t> block_;
    std::uint64_t blockIndex_ = UINT64_MAX;
};

}  // namespace

Waveform DrawWaveform(const WAVE_File& wave, int columns) { return DrawWaveform(wave, nullptr, 0, kToTheEnd, columns); }

Waveform DrawWaveform(const WAVE_File& wave, std::istream* input, std::uint64_t from, std::uint64_t length, int columns) {
    Waveform waveform;
    const unsigned channels = wave.FmtChunk.Channels;
    waveform.Channels = wave.FmtChunk.Channels;
    Samples samples(wave, input);
    if (!samples.Decodable()) return waveform;
    waveform.Decodable = true;
    waveform.Frames = samples.Frames();
    // The span, brought inside the sound.
    waveform.First = std::min(from, waveform.Frames);
    waveform.Count = std::min(length, waveform.Frames - waveform.First);
    const std::uint64_t start = waveform.First;
    const std::uint64_t frames = waveform.Count;
    // Many channels get fewer columns: the values stay within
    // kMostWaveformValues whatever the format claims.
    const int most = std::max(1, static_cast<int>(kMostWaveformValues / channels));
    const auto count = static_cast<std::size_t>(std::clamp(std::min(columns, most), 1, kMostWaveformColumns));
    waveform.Low.assign(channels, std::vector<float>(count, 0.0f));
    waveform.High.assign(channels, std::vector<float>(count, 0.0f));
    std::vector<float> lo(channels), hi(channels);
    for (std::size_t column = 0; column < count && frames > 0; ++column) {
        // In 64 bits: size_t may have 32 (WebAssembly), and columns x
        // frames exceeds them. Every column holds a frame of the span.
        const std::uint64_t first = start + std::uint64_t{column} * frames / count;
        const std::uint64_t last = std::max(first + 1, start + std::uint64_t{column + 1} * frames / count);
        std::fill(lo.begin(), lo.end(), 1.0f);
        std::fill(hi.begin(), hi.end(), -1.0f);
        for (std::uint64_t frame = first; frame < last; ++frame) {
            for (unsigned channel = 0; channel < channels; ++channel) {
                const float value = samples.At(frame, channel);
                lo[channel] = std::min(lo[channel], value);
                hi[channel] = std::max(hi[channel], value);
            }
        }
        for (unsigned channel = 0; channel < channels; ++channel) {
            waveform.Low[channel][column] = lo[channel];
            waveform.High[channel][column] = hi[channel];
        }
    }
    return waveform;
}
