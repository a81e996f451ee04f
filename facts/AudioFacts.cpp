// How many sample frames a sound holds and how long it plays: worked out
// here once, for the WAVE print, the package listing, the JSON and the page.
#include <string>

#include "facts/Facts.h"
#include "wave/FormatChunks.h"
#include "wave/SampleCodec.h"

namespace Facts {

namespace {

// Frames of a coding of one frame a block. A PCM header whose block align
// is not channels x bytes per sample, or whose byte rate is not rate x block
// align, is named; the frames then count channels x bytes per sample.
std::optional<std::uint64_t> PlainFrames(const Audio& audio, std::vector<Finding>& findings) {
    const std::uint64_t sampleBytes = (std::uint64_t{audio.bits} + 7) / 8;
    const std::uint64_t frameBytes = audio.channels * sampleBytes;
    std::uint64_t divisor = audio.blockAlign;
    if (audio.codingTag == kTagPcm && frameBytes != 0 && audio.blockAlign != frameBytes) {
        findings.push_back(Make(Code::BlockAlignMismatch, {{"block_align", std::uint64_t{audio.blockAlign}},
                                                           {"channels", std::uint64_t{audio.channels}},
                                                           {"bits", std::uint64_t{audio.bits}},
                                                           {"frame_bytes", frameBytes}}));
        divisor = frameBytes;
    } else if (audio.codingTag == kTagPcm &&
               audio.bytesPerSecond != std::uint64_t{audio.rate} * audio.blockAlign) {
        findings.push_back(Make(Code::ByteRateMismatch, {{"bytes_per_second", std::uint64_t{audio.bytesPerSecond}},
                                                         {"rate", std::uint64_t{audio.rate}},
                                                         {"block_align", std::uint64_t{audio.blockAlign}},
                                                         {"expected", std::uint64_t{audio.rate} * audio.blockAlign}}));
    }
    if (divisor == 0) return std::nullopt;
    return audio.dataBytes / divisor;
}

// The tag that says how the samples are coded: an extensible format's
// sub-format, where its GUID is a tag's other than 0 (the layout's reading of
// it); else the format tag (an extensible format of another GUID stays
// "extensible": nothing more is known of it).
std::uint16_t CodingTag(const fmt_Chunk& fmt) {
    const auto extensible = ReadExtensible(fmt.FormatTag, fmt.ExtraData.data(), fmt.ExtraData.size());
    return extensible && extensible->StandardGuid && extensible->SubFormatTag != 0 ? extensible->SubFormatTag : fmt.FormatTag;
}

}  // namespace

bool CountedByData(const fmt_Chunk& fmt) { return OneFrameABlock(LayoutOf(fmt).Codec); }

Audio AudioOf(const fmt_Chunk* fmt, std::optional<std::uint64_t> factCount, std::optional<std::uint64_t> dataBytes,
              std::vector<Finding>& findings) {
    Audio audio;
    SampleLayout layout;
    if (fmt != nullptr) {
        audio.hasFormat = true;
        audio.formatTag = fmt->FormatTag;
        audio.channels = fmt->Channels;
        audio.rate = fmt->SamplesPerSec;
        audio.bytesPerSecond = fmt->AvgBytesPerSec;
        audio.blockAlign = fmt->BlockAlign;
        audio.bits = fmt->BitsPerSample;
        audio.codingTag = CodingTag(*fmt);
        if (audio.codingTag != audio.formatTag) audio.subFormatTag = audio.codingTag;
        audio.formatName = FormatName(audio.codingTag);
        layout = LayoutOf(*fmt);
    }
    audio.hasData = dataBytes.has_value();
    audio.dataBytes = dataBytes.value_or(0);
    if (!audio.hasFormat || !audio.hasData) return audio;

    if (OneFrameABlock(layout.Codec)) {
        audio.frames = PlainFrames(audio, findings);
    } else {
        if (layout.Known()) {
            FrameCount count = SoundFrames(layout, audio.dataBytes, factCount);
            if (count.SetAside != FactSetAside::No) {
                findings.push_back(Make(count.SetAside == FactSetAside::BeyondData ? Code::FactBeyondData
                                                                                   : Code::FactShortOfData,
                                        {{"fact", count.Fact}, {"frames", count.Frames}}));
            }
            audio.frames = count.Frames;
        } else if (factCount && (*factCount > 0 || audio.dataBytes == 0)) {
            // Nothing else tells; a count of 0 beside samples is what writers
            // that stream leave.
            audio.frames = factCount;
        }
        if (layout.Known() && layout.FramesPerBlock > 1) {
            audio.blocks = audio.dataBytes / layout.BlockBytes + (audio.dataBytes % layout.BlockBytes != 0);
        }
    }
    if (audio.frames) audio.duration = TimeOf(*audio.frames, audio.rate);
    return audio;
}

}  // namespace Facts
