// The sample layout of a format chunk, the frame counts, and the block
// decoders on bytes written out by hand, sound and damaged.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "kit/WaveBuilder.h"
#include "wave/SampleCodec.h"

namespace {

using WaveBuilder::U16;

fmt_Chunk Format(std::uint16_t tag, std::uint16_t channels, std::uint16_t blockAlign, std::uint16_t bits,
                 const std::string& extension = "") {
    fmt_Chunk fmt;
    fmt.FormatTag = tag;
    fmt.Channels = channels;
    fmt.SamplesPerSec = 22050;
    fmt.BlockAlign = blockAlign;
    fmt.BitsPerSample = bits;
    fmt.ExtraData.assign(extension.begin(), extension.end());
    fmt.ExtraSize = static_cast<std::uint16_t>(extension.size());
    return fmt;
}

// The MS ADPCM extension: samples per block, a count, and the pairs.
std::string MsExtension(std::uint16_t samplesPerBlock, std::uint16_t count, std::size_t pairsStored = 7) {
    std::string bytes = U16(samplesPerBlock) + U16(count);
    for (std::size_t i = 0; i < pairsStored; ++i) {
        const auto& pair = MsAdpcm::kStandardCoefficients[i % 7];
        bytes += U16(static_cast<std::uint16_t>(pair.First)) + U16(static_cast<std::uint16_t>(pair.Second));
    }
    return bytes;
}

// The extensible format's 22 bytes: valid bits, channel mask, the GUID.
const std::string kGuidTail("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
std::string Extensible(std::uint16_t tag, const std::string& tail = kGuidTail) {
    return U16(16) + WaveBuilder::U32(3) + U16(tag) + tail;
}

struct LayoutCase {
    const char* name;
    fmt_Chunk fmt;
    SampleCodec codec;
    std::uint32_t framesPerBlock;
    bool decodable;
    std::string finding;  // a part of it; "" for none
};

TEST(SampleLayout, FromTheFormatChunk) {
    const LayoutCase cases[] = {
        {"pcm16 stereo", Format(1, 2, 4, 16), SampleCodec::Pcm, 1, false, ""},
        {"pcm24", Format(1, 1, 3, 24), SampleCodec::Pcm, 1, false, ""},
        {"pcm32", Format(1, 1, 4, 32), SampleCodec::Pcm, 1, false, ""},
        {"pcm of 5 bytes", Format(1, 1, 5, 40), SampleCodec::Pcm, 0, false, "PCM: a block of 5 bytes is no frame of 1 channels"},
        {"pcm block not by channel", Format(1, 2, 3, 8), SampleCodec::Pcm, 0, false, "PCM"},
        {"float64 stereo", Format(3, 2, 16, 64), SampleCodec::Float, 1, false, ""},
        {"float of 3 bytes", Format(3, 1, 3, 24), SampleCodec::Float, 0, false, "float"},
        {"mu-law stereo", Format(7, 2, 2, 8), SampleCodec::MuLaw, 1, true, ""},
        {"a-law of 2 bytes", Format(6, 1, 2, 16), SampleCodec::ALaw, 0, false, "A-law"},
        {"ima mono 256", Format(0x11, 1, 256, 4), SampleCodec::ImaAdpcm, 505, true, ""},
        {"ima stereo 2048", Format(0x11, 2, 2048, 4), SampleCodec::ImaAdpcm, 2041, true, ""},
        {"ima stereo, unused tail", Format(0x11, 2, 30, 4), SampleCodec::ImaAdpcm, 17, true, ""},
        {"ima headers only", Format(0x11, 2, 8, 4), SampleCodec::ImaAdpcm, 1, true, ""},
        {"ima headers do not fit", Format(0x11, 2, 7, 4), SampleCodec::ImaAdpcm, 0, false, "cannot hold the headers of 2 channels"},
        {"ima of 3 bits", Format(0x11, 1, 256, 3), SampleCodec::ImaAdpcm, 0, false, "3 bits"},
        {"ms mono 256", Format(2, 1, 256, 4, MsExtension(500, 7)), SampleCodec::MsAdpcm, 500, true, ""},
        {"ms stereo 512", Format(2, 2, 512, 4, MsExtension(500, 7)), SampleCodec::MsAdpcm, 500, true, ""},
        {"ms fewer than fit", Format(2, 1, 256, 4, MsExtension(300, 7)), SampleCodec::MsAdpcm, 300, true, ""},
        {"ms two", Format(2, 1, 256, 4, MsExtension(2, 7)), SampleCodec::MsAdpcm, 2, true, ""},
        {"ms more than fit", Format(2, 1, 256, 4, MsExtension(501, 7)), SampleCodec::MsAdpcm, 500, true,
         "501 samples per block stated, 500 frames fit a block"},
        {"ms one", Format(2, 1, 256, 4, MsExtension(1, 7)), SampleCodec::MsAdpcm, 500, true, "1 samples per block"},
        {"ms pairs cut short", Format(2, 1, 256, 4, MsExtension(500, 7, 2)), SampleCodec::MsAdpcm, 500, true,
         "counts 7 coefficient pairs but holds 2"},
        {"ms no pairs", Format(2, 1, 256, 4, MsExtension(500, 0)), SampleCodec::MsAdpcm, 0, false, "no coefficient pair"},
        {"ms extension of 4 bytes", Format(2, 1, 256, 4, MsExtension(500, 0, 0)), SampleCodec::MsAdpcm, 0, false, "no coefficient pair"},
        {"ms extension of 3 bytes", Format(2, 1, 256, 4, "\xF4\x01\x07"), SampleCodec::MsAdpcm, 0, false, "holds 3 bytes"},
        {"ms 3 channels", Format(2, 3, 768, 4, MsExtension(500, 7)), SampleCodec::MsAdpcm, 0, false,
         "MS ADPCM of 3 channels is not decoded (1 or 2)"},
        {"ms headers do not fit", Format(2, 2, 13, 4, MsExtension(2, 7)), SampleCodec::MsAdpcm, 0, false, "cannot hold"},
        {"ms headers only", Format(2, 2, 14, 4, MsExtension(2, 7)), SampleCodec::MsAdpcm, 2, true, ""},
        {"ms of 8 bits", Format(2, 1, 256, 8, MsExtension(500, 7)), SampleCodec::MsAdpcm, 0, false, "8 bits"},
        {"gsm", Format(0x31, 1, 65, 0), SampleCodec::Gsm610, 320, false, "not decoded"},
        {"gsm of 64 bytes", Format(0x31, 1, 64, 0), SampleCodec::Gsm610, 0, false,
         "GSM 6.10 of 1 channels in blocks of 64 bytes is not known (1 and 65)"},
        {"unknown tag", Format(0x55, 1, 1, 0), SampleCodec::Unknown, 0, false, "format tag 0x0055"},
        {"no channels: the coding is still named", Format(0x11, 0, 256, 4), SampleCodec::ImaAdpcm, 0, false, "no channels"},
        {"block align 0", Format(7, 1, 0, 8), SampleCodec::MuLaw, 0, false, "block align is 0"},
        {"extensible of sub-format 0", Format(0xFFFE, 1, 2, 16, Extensible(0)), SampleCodec::Unknown, 0, false,
         "format tag 0x0000 is not known"},
        {"extensible mu-law", Format(0xFFFE, 2, 2, 8, Extensible(7)), SampleCodec::MuLaw, 1, true, ""},
        {"extensible ima", Format(0xFFFE, 1, 256, 4, Extensible(0x11)), SampleCodec::ImaAdpcm, 505, true, ""},
        {"extensible ms", Format(0xFFFE, 1, 256, 4, Extensible(2) + MsExtension(500, 7)), SampleCodec::MsAdpcm, 500, true, ""},
        {"extensible ms without its own", Format(0xFFFE, 1, 256, 4, Extensible(2)), SampleCodec::MsAdpcm, 0, false, "holds 0 bytes"},
        {"extensible, other GUID", Format(0xFFFE, 1, 2, 16, Extensible(1, std::string(14, '\x01'))), SampleCodec::Unknown, 0,
         false, "names no format tag"},
        {"extensible cut short", Format(0xFFFE, 1, 2, 16, Extensible(1).substr(0, 21)), SampleCodec::Unknown, 0, false,
         "21 bytes, fewer than 22"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const SampleLayout layout = LayoutOf(c.fmt);
        EXPECT_EQ(layout.Codec, c.codec);
        EXPECT_EQ(OneFrameABlock(layout.Codec), c.codec == SampleCodec::Pcm || c.codec == SampleCodec::Float ||
                                                    c.codec == SampleCodec::MuLaw || c.codec == SampleCodec::ALaw);
        EXPECT_EQ(layout.FramesPerBlock, c.framesPerBlock);
        EXPECT_EQ(layout.Known(), c.framesPerBlock > 0);
        EXPECT_EQ(layout.Decodable, c.decodable);
        if (c.finding.empty()) {
            EXPECT_EQ(layout.Finding, "");
        } else {
            EXPECT_NE(layout.Finding.find(c.finding), std::string::npos) << layout.Finding;
        }
        EXPECT_EQ(layout.Channels, c.fmt.Channels);
        EXPECT_EQ(layout.BlockBytes, c.fmt.BlockAlign);
    }
    EXPECT_EQ(LayoutOf(Format(0xFFFE, 2, 2, 8, Extensible(7))).Tag, 7);
    EXPECT_EQ(LayoutOf(Format(2, 1, 256, 4, MsExtension(500, 7, 2))).Pairs.size(), 2u);
}

struct LengthCase {
    const char* name;
    SampleLayout layout;
    std::uint64_t bytes;
    std::uint32_t inBlock;  // FramesInBlock
    std::uint64_t inData;   // FramesInData
};

TEST(SampleLayout, FramesInBlocksAndData) {
    const SampleLayout ima = LayoutOf(Format(0x11, 1, 256, 4)), imaStereo = LayoutOf(Format(0x11, 2, 2048, 4));
    const SampleLayout ms = LayoutOf(Format(2, 1, 256, 4, MsExtension(500, 7)));
    const SampleLayout msShort = LayoutOf(Format(2, 2, 512, 4, MsExtension(300, 7)));
    const LengthCase cases[] = {
        {"ima, nothing", ima, 0, 0, 0},
        {"ima, header cut", ima, 3, 0, 0},
        {"ima, header", ima, 4, 1, 1},
        {"ima, group cut", ima, 7, 1, 1},
        {"ima, one group", ima, 8, 9, 9},
        {"ima, a byte short", ima, 255, 497, 497},
        {"ima, a block", ima, 256, 505, 505},
        {"ima, blocks and a group", ima, 3 * 256 + 8, 505, 3 * 505 + 9},
        {"ima stereo, headers", imaStereo, 15, 1, 1},
        {"ima stereo, a group each", imaStereo, 16, 9, 9},
        {"ms, header cut", ms, 6, 0, 0},
        {"ms, header", ms, 7, 2, 2},
        {"ms, one byte", ms, 8, 4, 4},
        {"ms, a byte short", ms, 255, 498, 498},
        {"ms, two blocks", ms, 512, 500, 1000},
        {"ms stereo 300, cut", msShort, 200, 188, 188},
        {"ms stereo 300, cut past 300", msShort, 400, 300, 300},
        {"mu-law stereo, half a frame", LayoutOf(Format(7, 2, 2, 8)), 1001, 1, 500},
        {"gsm, cut block", LayoutOf(Format(0x31, 1, 65, 0)), 64, 0, 0},
        {"gsm, blocks", LayoutOf(Format(0x31, 1, 65, 0)), 65 * 10 + 33, 320, 3200},
        {"pcm24 stereo", LayoutOf(Format(1, 2, 6, 24)), 6 * 7 + 5, 1, 7},
        {"unknown", LayoutOf(Format(0x55, 1, 1, 0)), 1000, 0, 0},
        {"mu-law, the most bytes", LayoutOf(Format(7, 1, 1, 8)), UINT64_MAX, 1, UINT64_MAX},
        {"ima, more frames than 64 bits", LayoutOf(Format(0x11, 1, 8, 4)), UINT64_MAX, 9, UINT64_MAX},
        {"ima, just fits 64 bits", LayoutOf(Format(0x11, 1, 8, 4)), UINT64_MAX / 9 / 8 * 8, 9, UINT64_MAX / 9 / 8 * 9},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(FramesInBlock(c.layout, c.bytes), c.inBlock);
        EXPECT_EQ(FramesInData(c.layout, c.bytes), c.inData);
    }
}

TEST(SampleLayout, FactTrimsOnlyTheLastBlocksPadding) {
    const SampleLayout ima = LayoutOf(Format(0x11, 1, 256, 4));  // 505 frames a block
    struct Case {
        std::optional<std::uint32_t> fact;
        std::uint64_t frames;
        FactSetAside setAside;
    };
    using enum FactSetAside;
    const Case cases[] = {
        {std::nullopt, 1010, No},
        {1001, 1001, No},
        {1010, 1010, No},
        {506, 506, No},
        {505, 1010, ShortOfData},
        {1, 1010, ShortOfData},
        {0, 1010, No},  // writers that stream leave 0
        {1011, 1010, BeyondData},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fact ? std::to_string(*c.fact) : "no fact");
        const FrameCount count = SoundFrames(ima, 512, c.fact);
        EXPECT_EQ(count.Frames, c.frames);
        EXPECT_EQ(count.SetAside, c.setAside);
        EXPECT_EQ(count.Fact, c.setAside == No ? 0 : *c.fact);
    }
    // One frame a block: the data's length is the count.
    const SampleLayout muLaw = LayoutOf(Format(7, 1, 1, 8));
    EXPECT_EQ(SoundFrames(muLaw, 100, 3).Frames, 100u);
    EXPECT_EQ(SoundFrames(muLaw, 100, 3).SetAside, FactSetAside::No);
    EXPECT_EQ(SoundFrames(LayoutOf(Format(0x55, 1, 1, 0)), 100, 0).Frames, 0u);
}

}  // namespace
