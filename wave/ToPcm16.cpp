#include "wave/ToPcm16.h"

#include <algorithm>
#include <cstring>

#include "wave/Audio.h"
#include "wave/Pcm16Stream.h"
#include "wave/SampleCodec.h"

namespace {

// The 22 bytes of an extensible format's extension for 16-bit PCM: valid
// bits, the channel mask, and the PCM sub-format GUID.
std::vector<char> ExtensiblePcm16(std::uint32_t channelMask) {
    static constexpr unsigned char kPcmGuid[16] = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                   0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    std::vector<char> extension(6 + sizeof kPcmGuid);
    extension[0] = 16;
    for (int i = 0; i < 4; ++i) extension[2 + i] = static_cast<char>((channelMask >> (8 * i)) & 0xFF);
    std::memcpy(extension.data() + 6, kPcmGuid, sizeof kPcmGuid);
    return extension;
}

// The most channels a 16-bit PCM format states: its block align, 2 bytes a
// channel, is a 16-bit field.
constexpr std::uint32_t kMostPcm16Channels = 0xFFFF / 2;

// Why the samples of `layout` at `rate` frames a second are not written as
// 16-bit PCM; None where they are.
Undecoded Pcm16Cause(const SampleLayout& layout, std::uint32_t rate) {
    if (!layout.Decodable) return layout.Why;
    if (layout.Channels > kMostPcm16Channels) return Undecoded::Pcm16Channels;
    if (std::uint64_t{rate} * layout.Channels * 2 > UINT32_MAX) return Undecoded::Pcm16ByteRate;
    return Undecoded::None;
}

}  // namespace

Undecoded Pcm16Refusal(const fmt_Chunk& fmt) {
    const SampleLayout layout = LayoutOf(fmt);
    if (layout.Tag == kTagPcm || layout.Tag == kTagFloat) return Undecoded::None;
    return Pcm16Cause(layout, fmt.SamplesPerSec);
}

bool DecodesToPcm16(const WAVE_File& wave) {
    const SampleLayout layout = LayoutOf(wave.FmtChunk);
    return layout.Decodable && Pcm16Cause(layout, wave.FmtChunk.SamplesPerSec) == Undecoded::None;
}

Pcm16Save SavePcm16(WAVE_File& wave, std::istream* samples, std::uint64_t frames, std::ostream& out) {
    Pcm16Save result;
    const SampleLayout layout = LayoutOf(wave.FmtChunk);
    if (!layout.Decodable || Pcm16Cause(layout, wave.FmtChunk.SamplesPerSec) != Undecoded::None) {
        result.Findings.push_back(layout.Finding.empty() ? "the format is not decoded" : layout.Finding);
        return result;
    }
    data_Chunk& data = wave.DataChunk;
    const bool skipped = data.BodySkipped;
    const std::uint64_t stored = data.BodyBytes();
    if (skipped && stored > 0 && (samples == nullptr || !data.SourceOffset)) {
        result.Findings.push_back("the samples cannot be read again from the input");
        return result;
    }
    result.Converted = true;
    frames = std::min(frames, FramesInData(layout, stored));

    // The input's channel mask, where its format is extensible.
    fmt_Chunk& fmt = wave.FmtChunk;
    const bool extensible = fmt.FormatTag == kTagExtensible && fmt.ExtraData.size() >= 6;
    const std::uint32_t mask = extensible ? LittleEndian::FromBytes<std::uint32_t>(fmt.ExtraData.data() + 2) : 0;
    const std::uint16_t channels = layout.Channels;
    const std::uint32_t rate = fmt.SamplesPerSec;
    std::vector<char> sourceBytes = std::move(data.ChunkData);

    fmt.BlockAlign = static_cast<std::uint16_t>(channels * 2);
    fmt.AvgBytesPerSec = rate * fmt.BlockAlign;
    fmt.BitsPerSample = 16;
    if (extensible || channels > 2) {
        fmt.FormatTag = kTagExtensible;
        fmt.ExtraData = ExtensiblePcm16(mask);
    } else {
        fmt.FormatTag = kTagPcm;
        fmt.ExtraData.clear();
    }
    fmt.ExtraSize = static_cast<std::uint16_t>(fmt.ExtraData.size());
    wave.FactChunk.ChunkSize = 0;
    wave.FactChunk.SampleCount = 0;
    data.ChunkData = {};
    data.BodySkipped = true;
    data.StoredBytes = frames * channels * 2;

    wave.SaveData(out, [&](std::ostream& to) {
        Pcm16Result decoded;
        if (skipped) {
            samples->clear();
            samples->seekg(static_cast<std::streamoff>(data.SourceOffset.value_or(0)));
            decoded = ConvertToPcm16(layout, *samples, stored, to, frames);
        } else {
            std::size_t at = 0;
            const ByteSource memory = [&](char* into, std::size_t count) {
                const std::size_t take = std::min(count, sourceBytes.size() - at);
                std::memcpy(into, sourceBytes.data() + at, take);
                at += take;
                return take;
            };
            decoded = ConvertToPcm16(layout, memory, stored, to, frames);
        }
        result.Frames = decoded.FramesWritten;
        result.Findings.insert(result.Findings.end(), decoded.Findings.begin(), decoded.Findings.end());
        result.ReadAll = !decoded.Short;
        // Samples the input could not give are written as silence: the chunk
        // holds what its header says.
        for (std::uint64_t left = (frames - decoded.FramesWritten) * channels * 2; left > 0 && to; --left) to.put('\0');
        return static_cast<bool>(to) && decoded.Written && result.ReadAll;
    });
    return result;
}
