// The block decoders and the streaming converter on blocks written out by
// hand: values worked out from the formats' rules, and damaged blocks.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <string>
#include <vector>

#include "kit/WaveBuilder.h"
#include "wave/G711.h"
#include "wave/Audio.h"
#include "wave/Pcm16Stream.h"
#include "wave/SampleCodec.h"
#include "wave/ToPcm16.h"

namespace {

using WaveBuilder::U16;

fmt_Chunk Format(std::uint16_t tag, std::uint16_t channels, std::uint16_t blockAlign, const std::string& extension = "") {
    fmt_Chunk fmt;
    fmt.FormatTag = tag;
    fmt.Channels = channels;
    fmt.BlockAlign = blockAlign;
    fmt.BitsPerSample = tag == kTagMuLaw || tag == kTagALaw ? 8 : 4;
    fmt.ExtraData.assign(extension.begin(), extension.end());
    fmt.ExtraSize = static_cast<std::uint16_t>(extension.size());
    return fmt;
}

std::string MsExtension(std::uint16_t samplesPerBlock, const std::vector<MsAdpcm::Coefficients>& pairs) {
    std::string bytes = U16(samplesPerBlock) + U16(static_cast<std::uint16_t>(pairs.size()));
    for (const auto& pair : pairs) bytes += U16(static_cast<std::uint16_t>(pair.First)) + U16(static_cast<std::uint16_t>(pair.Second));
    return bytes;
}
const std::vector<MsAdpcm::Coefficients> kStandard(MsAdpcm::kStandardCoefficients.begin(), MsAdpcm::kStandardCoefficients.end());

struct Decoded {
    std::vector<std::int16_t> samples;
    std::string finding;
};

Decoded Decode(const SampleLayout& layout, const std::string& block) {
    std::vector<std::int16_t> out(std::size_t{layout.FramesPerBlock} * layout.Channels + 1, 0x5A5A);
    const BlockDecode result = DecodeBlock(layout, reinterpret_cast<const unsigned char*>(block.data()), block.size(), out.data());
    EXPECT_EQ(out.back(), 0x5A5A) << "written past the block's frames";
    out.resize(std::size_t{result.Frames} * layout.Channels);
    return {out, result.Finding};
}

std::string Pcm16(const std::vector<std::int16_t>& samples) {
    std::string bytes;
    for (const auto sample : samples) bytes += U16(static_cast<std::uint16_t>(sample));
    return bytes;
}

struct BlockCase {
    const char* name;
    SampleLayout layout;
    std::string block;
    std::vector<std::int16_t> samples;
    std::string finding;  // a part of it; "" for none
};

TEST(SampleDecode, Blocks) {
    const SampleLayout imaMono = LayoutOf(Format(kTagImaAdpcm, 1, 8)), imaStereo = LayoutOf(Format(kTagImaAdpcm, 2, 16));
    const SampleLayout msMono = LayoutOf(Format(kTagMsAdpcm, 1, 9, MsExtension(6, kStandard)));
    const BlockCase cases[] = {
        // The difference is (2m + 1) x step / 8 as one product: 13 for code
        // 7 at step 7 (the sum of shifted steps would give 11).
        {"ima mono", imaMono, std::string("\x00\x01\x00\x00\x70\x00\x00\x08", 8),
         {256, 256, 269, 271, 272, 273, 274, 273, 274}, ""},
        // Channel 0: step index 200 is taken as 88, the sum clips at the
        // top; channel 1 clips at the bottom. Groups alternate by channel.
        {"ima stereo, clamped and clipped", imaStereo,
         std::string("\xFF\x7F\xC8\x00" "\x00\x80\x58\x00" "\xF7\x00\x00\x00" "\x0F\x00\x00\x00", 16),
         {32767, -32768, 32767, -32768, -28671, -28673, -24576, -24949, -20852, -21564, -17467, -18487, -14390, -15689,
          -11592, -13146, -9049, -10834},
         "step index 200 above 88, taken as 88"},
        {"ima cut short", LayoutOf(Format(kTagImaAdpcm, 1, 256)), std::string("\x00\x01\x00\x00\x70\x00\x00", 7), {256},
         "the last block is cut short: 7 bytes of 256 hold 1 frames"},
        {"ima header cut", LayoutOf(Format(kTagImaAdpcm, 2, 16)), std::string("\x00\x01\x00\x00\x70", 5), {}, "5 bytes of 16 hold 0 frames"},
        // Sample 2 comes first; codes high nibble first.
        {"ms mono", msMono, std::string("\x01\x10\x00\x64\x00\x32\x00\x12\xF0", 9), {50, 100, 166, 264, 346, 428}, ""},
        // (-3 x 192 - 1 x 64) / 256 = -2.5 is taken toward zero.
        {"ms rounds toward zero", LayoutOf(Format(kTagMsAdpcm, 1, 8, MsExtension(4, kStandard))),
         std::string("\x03\x10\x00\xFD\xFF\xFF\xFF\x00", 8), {-1, -3, -2, -2}, ""},
        // A large delta drives the sum past both ends.
        {"ms clips", LayoutOf(Format(kTagMsAdpcm, 1, 8, MsExtension(4, kStandard))), std::string("\x00\xFF\x7F\x00\x00\x00\x00\x78", 8),
         {0, 0, 32767, -32768}, ""},
        {"ms stored pairs", LayoutOf(Format(kTagMsAdpcm, 1, 8, MsExtension(4, {{128, 0}}))),
         std::string("\x00\x10\x00\x00\x01\x00\x00\x10", 8), {0, 256, 144, 72}, ""},
        // Channel 1 names pair 7, one past the last: it is silent, channel 0 decodes.
        {"ms stereo, index out of range", LayoutOf(Format(kTagMsAdpcm, 2, 15, MsExtension(3, kStandard))),
         std::string("\x00\x07\x10\x00\x10\x00\x0A\x00\xF4\x01\x14\x00\x58\x02\x10", 15), {20, 0, 10, 0, 26, 0},
         "predictor index 7 has no coefficient pair (7 stored)"},
        {"ms fewer frames than the block holds", LayoutOf(Format(kTagMsAdpcm, 1, 9, MsExtension(3, kStandard))),
         std::string("\x01\x10\x00\x64\x00\x32\x00\x12\xF0", 9), {50, 100, 166}, ""},
        {"ms cut short", msMono, std::string("\x01\x10\x00\x64\x00\x32\x00\x12", 8), {50, 100, 166, 264}, "8 bytes of 9 hold 4"},
        {"ms headers only", msMono, std::string("\x01\x10\x00\x64\x00\x32\x00", 7), {50, 100}, "7 bytes of 9 hold 2"},
        {"ms header cut", msMono, std::string("\x01\x10\x00\x64\x00\x32", 6), {}, "6 bytes of 9 hold 0"},
        {"mu-law", LayoutOf(Format(kTagMuLaw, 2, 2)), std::string("\x00\x80", 2), {-32124, 32124}, ""},
        {"a-law", LayoutOf(Format(kTagALaw, 1, 1)), std::string("\xAA", 1), {32256}, ""},
        {"mu-law, half a frame", LayoutOf(Format(kTagMuLaw, 2, 2)), std::string("\x00", 1), {}, "1 bytes of 2 hold 0"},
        {"not decoded", LayoutOf(Format(kTagPcm, 1, 2)), std::string("\x01\x02", 2), {}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Decoded decoded = Decode(c.layout, c.block);
        EXPECT_EQ(decoded.samples, c.samples);
        if (c.finding.empty()) {
            EXPECT_EQ(decoded.finding, "");
        } else {
            EXPECT_NE(decoded.finding.find(c.finding), std::string::npos) << decoded.finding;
        }
    }
}

TEST(SampleDecode, G711Codes) {
    const std::pair<std::uint8_t, std::int16_t> muLaw[] = {{0x00, -32124}, {0x80, 32124}, {0x7F, 0}, {0xFF, 0}, {0x70, -120}, {0xF0, 120}};
    for (const auto& [code, value] : muLaw) EXPECT_EQ(G711::FromMuLaw(code), value) << int{code};
    const std::pair<std::uint8_t, std::int16_t> aLaw[] = {{0xD5, 8}, {0x55, -8}, {0xAA, 32256}, {0x2A, -32256}, {0xC5, 264}, {0x45, -264}};
    for (const auto& [code, value] : aLaw) EXPECT_EQ(G711::FromALaw(code), value) << int{code};
}

// IMA mono blocks of 8 bytes, 9 frames each: three, then 5 bytes (1 frame).
const std::string kImaBlock("\x00\x01\x00\x00\x70\x00\x00\x08", 8);
const std::vector<std::int16_t> kImaFrames = {256, 256, 269, 271, 272, 273, 274, 273, 274};

std::string ImaData() { return kImaBlock + kImaBlock + kImaBlock + kImaBlock.substr(0, 5); }

std::string ImaPcm(std::size_t frames) {
    std::vector<std::int16_t> all;
    for (int i = 0; i < 4; ++i) all.insert(all.end(), kImaFrames.begin(), kImaFrames.end());
    all.resize(frames);
    return Pcm16(all);
}

TEST(Pcm16Stream, ConvertsUpToTheLimitAndSaysWhatWasCut) {
    const SampleLayout layout = LayoutOf(Format(kTagImaAdpcm, 1, 8));
    struct Case {
        const char* name;
        std::uint64_t dataBytes, limit;
        std::uint64_t frames, bytesRead;
        std::vector<std::string> findings;
        bool isShort = false;  // the source gave fewer bytes than the data's
    };
    const Case cases[] = {
        {"whole", 29, kNoFrameLimit, 28, 29, {"the last block is cut short: 5 bytes of 8 hold 1 frames"}},
        {"limited", 29, 20, 20, 29, {}},
        {"limited to the first frame of a block", 29, 19, 19, 29, {}},
        {"limit 0", 29, 0, 0, 0, {}},
        {"whole blocks", 24, kNoFrameLimit, 27, 24, {}},
        {"data ends early", 100, kNoFrameLimit, 28, 29,
         {"the last block is cut short: 5 bytes of 8 hold 1 frames", "the data ends after 29 of its 100 bytes"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::istringstream in(ImaData());
        std::ostringstream out;
        const Pcm16Result result = ConvertToPcm16(layout, in, c.dataBytes, out, c.limit);
        EXPECT_TRUE(result.Written);
        EXPECT_EQ(result.FramesWritten, c.frames);
        EXPECT_EQ(result.BytesRead, c.bytesRead);
        EXPECT_EQ(out.str(), ImaPcm(c.frames));
        EXPECT_EQ(result.Findings, c.findings);
        EXPECT_EQ(result.Short, c.isShort);
    }
}

// A model measured on the whole input, its samples then read from an input
// cut short meanwhile: the frames it lacks are silence, and the output
// fails, as a plain save's does. Read whole, the same model writes a file.
TEST(Pcm16Save, SamplesCutShortAfterTheyWereMeasuredFailTheOutput) {
    using namespace WaveBuilder;
    const std::string file =
        Riff(Chunk("fmt ", U16(kTagImaAdpcm) + U16(1) + U32(8000) + U32(4000) + U16(8) + U16(4) + U16(2) + U16(9)) +
             Chunk("data", ImaData()));
    for (const std::size_t cut : {0, 10}) {
        SCOPED_TRACE(cut);
        std::istringstream measured(file);
        WAVE_File wave;
        wave.LoadData(measured, WaveLoad::HeadersOnly, [](std::string_view) {});
        std::istringstream samples(file.substr(0, file.size() - cut));
        std::ostringstream out;
        const Pcm16Save saved = SavePcm16(wave, &samples, kNoFrameLimit, out);
        EXPECT_EQ(saved.ReadAll, cut == 0);
        EXPECT_EQ(out.fail(), cut > 0);
        EXPECT_EQ(saved.Frames, cut == 0 ? 28u : 19u);  // 20 of the 29 bytes (the pad byte is cut too)
        EXPECT_EQ(out.str().size(), 44u + 2 * 28);  // as its header says, silence standing for what is missing
    }
}

TEST(Pcm16Stream, ReadsASourceThatDripsAsAStream) {
    const SampleLayout layout = LayoutOf(Format(kTagImaAdpcm, 1, 8));
    const std::string data = ImaData();
    std::size_t at = 0;
    const ByteSource drip = [&](char* into, std::size_t count) -> std::size_t {
        if (at == data.size() || count == 0) return 0;
        *into = data[at++];
        return 1;
    };
    std::ostringstream out;
    const Pcm16Result result = ConvertToPcm16(layout, drip, data.size(), out);
    EXPECT_EQ(result.FramesWritten, 28u);
    EXPECT_EQ(out.str(), ImaPcm(28));
}

TEST(Pcm16Stream, ManyReadsOfOneFrameBlocks) {
    // Two reads, the second of one byte; every code.
    std::string data;
    for (int i = 0; i < 65537; ++i) data += static_cast<char>(i * 7);
    std::vector<std::int16_t> expected;
    for (const char code : data) expected.push_back(G711::FromALaw(static_cast<std::uint8_t>(code)));
    std::istringstream in(data);
    std::ostringstream out;
    const Pcm16Result result = ConvertToPcm16(LayoutOf(Format(kTagALaw, 1, 1)), in, data.size(), out);
    EXPECT_EQ(result.FramesWritten, 65537u);
    EXPECT_TRUE(result.Findings.empty());
    EXPECT_EQ(out.str(), Pcm16(expected));
    // A limit that ends in the second read.
    std::istringstream again(data);
    std::ostringstream limited;
    EXPECT_EQ(ConvertToPcm16(LayoutOf(Format(kTagALaw, 1, 1)), again, data.size(), limited, 65537).FramesWritten, 65537u);
    EXPECT_EQ(limited.str(), Pcm16(expected).substr(0, 2 * 65537));
    // A stream that ends where a read ends, short of the data's size.
    std::istringstream shorter(data.substr(0, 65536));
    std::ostringstream cut;
    const Pcm16Result ended = ConvertToPcm16(LayoutOf(Format(kTagALaw, 1, 1)), shorter, data.size(), cut);
    EXPECT_EQ(ended.BytesRead, 65536u);
    EXPECT_EQ(ended.FramesWritten, 65536u);
    EXPECT_EQ(ended.Findings, std::vector<std::string>{"the data ends after 65536 of its 65537 bytes"});
}

TEST(Pcm16Stream, RefusesWhatItCannotDecodeOrWrite) {
    std::istringstream in(ImaData());
    std::ostringstream out;
    const Pcm16Result pcm = ConvertToPcm16(LayoutOf(Format(kTagPcm, 1, 2)), in, 29, out);
    EXPECT_FALSE(pcm.Written);
    EXPECT_EQ(pcm.Findings, std::vector<std::string>{"the format is not decoded"});
    const Pcm16Result unknown = ConvertToPcm16(LayoutOf(Format(0x55, 1, 2)), in, 29, out);
    EXPECT_EQ(unknown.Findings, std::vector<std::string>{"format tag 0x0055 is not known"});
    EXPECT_EQ(pcm.BytesRead + unknown.BytesRead, 0u);
    EXPECT_EQ(out.str(), "");

    std::ostringstream failed;
    failed.setstate(std::ios::badbit);
    const Pcm16Result result = ConvertToPcm16(LayoutOf(Format(kTagImaAdpcm, 1, 8)), in, 29, failed);
    EXPECT_FALSE(result.Written);
    EXPECT_EQ(result.FramesWritten, 0u);
    EXPECT_EQ(result.Findings.back(), "the output failed after 0 frames");
}

TEST(Pcm16Stream, KeepsTheFirstFindings) {
    // One pair stored; every block names pair 5 of a single stored pair.
    const SampleLayout layout = LayoutOf(Format(kTagMsAdpcm, 1, 8, MsExtension(4, {{256, 0}})));
    std::string data;
    for (int i = 0; i < 20; ++i) data += std::string("\x05\x10\x00\x00\x01\x00\x00\x10", 8);
    std::istringstream in(data);
    std::ostringstream out;
    const Pcm16Result result = ConvertToPcm16(layout, in, data.size(), out);
    EXPECT_EQ(result.FramesWritten, 80u);
    EXPECT_EQ(out.str(), std::string(160, '\0'));
    EXPECT_EQ(result.Findings.size(), Pcm16Result::kMostFindings);
    EXPECT_EQ(result.MoreFindings, 20 - Pcm16Result::kMostFindings);
}

}  // namespace
