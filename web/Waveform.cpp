#include "web/Waveform.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <istream>
#include <memory>

#include "facts/Facts.h"
#include "wave/Audio.h"
#include "wave/SampleCodec.h"

namespace {

// One PCM or float sample of the stored bytes at `at`, in [-1, 1]. The other
// codings are decoded by the core's decoders (wave/SampleCodec.h).
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

// The reader of a known PCM or float layout (its block one frame of equal
// samples, 1 to 4 bytes or 4 and 8), or null.
Decoder StoredDecoder(const SampleLayout& layout, unsigned& sampleBytes) {
    if (!layout.Known() || (layout.Codec != SampleCodec::Pcm && layout.Codec != SampleCodec::Float)) return nullptr;
    sampleBytes = layout.BlockBytes / layout.Channels;
    static constexpr Decoder kPcm[] = {Pcm8, Pcm16, Pcm24, Pcm32};
    if (layout.Codec == SampleCodec::Pcm) return kPcm[sampleBytes - 1];
    return sampleBytes == 4 ? Float32 : Float64;
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

}  // namespace

// The samples of the data chunk, asked for frame by frame in rising order.
// PCM and float are read where they are stored; the codings the core
// decodes go through its decoders a run at a time -- one ADPCM block, or
// 8 KiB of G.711 -- so that no more than a run is held decoded,
// and each is decoded once.
class WaveFrames::Reader {
public:
    Reader(const WAVE_File& wave, std::istream* input)
        : bytes_(wave.DataChunk, input), layout_(LayoutOf(wave.FmtChunk)) {
        decode_ = StoredDecoder(layout_, sampleBytes_);
        if (!decode_ && !layout_.Decodable) {
            reason_ = layout_.Finding.empty() ? "the format is not decoded" : layout_.Finding;
            return;
        }
        if (!bytes_.Readable()) return;
        decodable_ = true;
        // The one length rule: a "fact" count trims the padding of the last block.
        frames_ = SoundFrames(layout_, bytes_.Size(), Facts::FactCount(wave)).Frames;
        if (!decode_) {
            runFrames_ = layout_.FramesPerBlock == 1 ? std::max<std::uint32_t>(1, kRunBytes / layout_.BlockBytes)
                                                     : layout_.FramesPerBlock;
            run_.resize(std::size_t{runFrames_} * layout_.Channels);
        }
    }

    bool Decodable() const { return decodable_; }
    // Why the format is not drawn; empty when it is, or when only its samples cannot be read.
    const std::string& Reason() const { return reason_; }
    bool Playable() const { return layout_.Why != Undecoded::NoSubFormat && layout_.Why != Undecoded::ShortExtensible; }
    // The sound's frames; a partial one at the end of the data is left out.
    std::uint64_t Frames() const { return frames_; }

    // Sample `channel` of `frame` (below Frames()), in [-1, 1].
    float At(std::uint64_t frame, unsigned channel) {
        if (decode_) return decode_(bytes_.At(frame * layout_.BlockBytes + channel * sampleBytes_, sampleBytes_));
        const std::uint64_t run = frame / runFrames_;
        if (run != runIndex_) {
            const std::uint64_t first = run * runFrames_;
            if (layout_.FramesPerBlock == 1) {
                const std::size_t count = static_cast<std::size_t>(std::min<std::uint64_t>(runFrames_, frames_ - first));
                DecodeFrames(layout_, bytes_.At(first * layout_.BlockBytes, count * layout_.BlockBytes), count, run_.data());
            } else {
                const std::uint64_t offset = run * layout_.BlockBytes;
                const std::size_t count = std::min<std::uint64_t>(layout_.BlockBytes, bytes_.Size() - offset);
                DecodeBlock(layout_, bytes_.At(offset, count), count, run_.data());
            }
            runIndex_ = run;
        }
        // Every frame below Frames() is one its run decodes to.
        const std::uint64_t within = frame % runFrames_;
        return static_cast<float>(run_[within * layout_.Channels + channel]) / 32768.0f;
    }

private:
    // G.711 bytes decoded at a time (at least a frame): a run stays within
    // a window of the input.
    static constexpr std::uint32_t kRunBytes = 8192;

    DataBytes bytes_;
    SampleLayout layout_;
    bool decodable_ = false;
    std::string reason_;
    std::uint64_t frames_ = 0;
    // PCM and float: one sample a stored unit of sampleBytes_.
    Decoder decode_ = nullptr;
    unsigned sampleBytes_ = 0;
    // The core's codings: the run decoded last.
    std::uint32_t runFrames_ = 1;
    std::vector<std::int16_t> run_;
    std::uint64_t runIndex_ = UINT64_MAX;
};

WaveFrames::WaveFrames(const WAVE_File& wave, std::istream* input) : reader_(std::make_unique<Reader>(wave, input)) {
    channels_ = wave.FmtChunk.Channels;
}
WaveFrames::~WaveFrames() = default;
bool WaveFrames::Decodable() const { return reader_->Decodable(); }
const std::string& WaveFrames::Reason() const { return reader_->Reason(); }
bool WaveFrames::Playable() const { return reader_->Playable(); }
std::uint64_t WaveFrames::Frames() const { return reader_->Frames(); }
float WaveFrames::At(std::uint64_t frame, unsigned channel) { return reader_->At(frame, channel); }

void WaveFrames::Mix(std::uint64_t first, std::size_t count, float* out) {
    const std::uint64_t frames = Decodable() ? Frames() : 0;
    for (std::size_t i = 0; i < count; ++i) {
        float sum = 0.0f;
        if (first < frames && i < frames - first) {
            for (unsigned channel = 0; channel < channels_; ++channel) sum += reader_->At(first + i, channel);
            sum /= static_cast<float>(channels_);
        }
        out[i] = sum;
    }
}

Waveform DrawWaveform(const WAVE_File& wave, int columns) { return DrawWaveform(wave, nullptr, 0, kToTheEnd, columns); }

Waveform DrawWaveform(const WAVE_File& wave, std::istream* input, std::uint64_t from, std::uint64_t length, int columns) {
    Waveform waveform;
    const unsigned channels = wave.FmtChunk.Channels;
    waveform.Channels = wave.FmtChunk.Channels;
    WaveFrames samples(wave, input);
    waveform.Reason = samples.Reason();
    waveform.Playable = samples.Playable();
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
