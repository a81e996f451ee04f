// How many sample frames a sound holds and how long it plays: worked out
// here once, for the WAVE print, the package listing, the JSON and the page.
#include <string>

#include "facts/Facts.h"
#include "wave/FormatChunks.h"
#include "wave/SampleCodec.h"

namespace Facts {

namespace {

// Codings of one frame a block, whose length the data's size alone tells.
bool OneFrameABlock(std::uint16_t tag) {
    return tag == kTagPcm || tag == kTagFloat || tag == kTagALaw || tag == kTagMuLaw;
}

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
// sub-format, where its GUID is a tag's; else the format tag (an extensible
// format of another GUID stays "extensible": nothing more is known of it).
std::uint16_t CodingTag(const fmt_Chunk& fmt) {
    const std::vector<std::uint8_t> extra(fmt.ExtraData.begin(), fmt.ExtraData.end());
    const auto extensible = ExtensibleOf(fmt.FormatTag, extra);
    return extensible && extensible->standardGuid && extensible->subFormatTag != 0 ? extensible->subFormatTag
                                                                                  : fmt.FormatTag;
}

}  // namespace

bool CountedByData(const fmt_Chunk& fmt) { return OneFrameABlock(CodingTag(fmt)); }

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

    if (OneFrameABlock(audio.codingTag)) {
        audio.frames = PlainFrames(audio, findings);
    } else {
        // The most frames the data can hold, where its layout is known.
        const std::optional<std::uint64_t> most =
            layout.Known() ? std::optional<std::uint64_t>(FramesInData(layout, audio.dataBytes)) : std::nullopt;
        // A count of 0 beside samples is what writers that stream leave.
        if (factCount && (*factCount > 0 || audio.dataBytes == 0)) {
            audio.frames = factCount;
            if (most && *factCount > *most) {
                findings.push_back(Make(Code::FactBeyondData, {{"fact", *factCount}, {"frames", *most}}));
                audio.frames = most;
            }
        } else {
            audio.frames = most;
        }
        if (layout.Known() && layout.FramesPerBlock > 1) {
            audio.blocks = audio.dataBytes / layout.BlockBytes + (audio.dataBytes % layout.BlockBytes != 0);
        }
    }
    if (audio.frames) audio.duration = TimeOf(*audio.frames, audio.rate);
    return audio;
}

}  // namespace Facts
