#include "web/Waveform.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "kit/WaveBuilder.h"
#include "wave/Audio.h"

namespace {

using namespace WaveBuilder;

// A "fmt " chunk with every field given, for layouts no writer makes.
std::string RawFmt(std::uint16_t tag, std::uint16_t channels, std::uint16_t blockAlign, std::uint16_t bits) {
    return Chunk("fmt ", U16(tag) + U16(channels) + U32(8000) + U32(8000u * blockAlign) + U16(blockAlign) + U16(bits));
}

std::string F64(double value) {
    std::uint64_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(static_cast<std::uint32_t>(bits)) + U32(static_cast<std::uint32_t>(bits >> 32));
}

std::string Bytes(std::initializer_list<int> values) {
    std::string bytes;
    for (const int value : values) bytes += static_cast<char>(value);
    return bytes;
}

// IMA and MS ADPCM "fmt " chunks of a given block size; MS with its
// samples per block and the seven standard coefficient pairs.
std::string ImaFmt(std::uint16_t channels, std::uint16_t blockAlign) { return RawFmt(0x11, channels, blockAlign, 4); }
std::string MsFmt(std::uint16_t blockAlign, std::uint16_t samplesPerBlock) {
    std::string pairs;
    for (const auto& [first, second] : {std::pair{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}) {
        pairs += U16(static_cast<std::uint16_t>(first)) + U16(static_cast<std::uint16_t>(second));
    }
    return Chunk("fmt ", U16(2) + U16(1) + U32(8000) + U32(8000u * blockAlign) + U16(blockAlign) + U16(4) + U16(32) +
                             U16(samplesPerBlock) + U16(7) + pairs);
}

// Blocks whose samples are known. IMA mono, 8 bytes, 9 frames: the first
// sample, then codes of 13, 2, 1, 1, 1, -1, 1, 1 at the steps they reach.
// The same codes from a first sample 256 higher decode 256 higher.
const std::string kImaBlock("\x00\x01\x00\x00\x70\x00\x00\x08", 8);
const std::string kImaBlockHigher("\x00\x02\x00\x00\x70\x00\x00\x08", 8);
// MS mono, 9 bytes, 6 frames (sample 2 first, codes high nibble first).
const std::string kMsBlock("\x01\x10\x00\x64\x00\x32\x00\x12\xF0", 9);

std::vector<float> Scaled(std::initializer_list<int> samples) {
    std::vector<float> values;
    for (const int sample : samples) values.push_back(static_cast<float>(sample) / 32768.0f);
    return values;
}

Waveform Draw(const std::string& fmt, const std::string& data, int columns) {
    std::istringstream in(Riff(fmt + Chunk("data", data)));
    WAVE_File wave;
    wave.LoadData(in);
    return DrawWaveform(wave, columns);
}

// One column per sample: every column's low and high are that sample.
TEST(Waveform, DecodesEveryEncodingItDraws) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        std::string fmt, data;
        std::vector<float> samples;
    };
    const Case cases[] = {
        {"8-bit PCM is unsigned", PcmFmt(1, 8000, 8), Bytes({0x00, 0x80, 0xFF}), {-1.0f, 0.0f, 127 / 128.0f}},
        {"16-bit PCM", PcmFmt(1, 8000, 16), U16(0x8000) + U16(0) + U16(0x7FFF), {-1.0f, 0.0f, 32767 / 32768.0f}},
        {"24-bit PCM takes its sign from the top byte", PcmFmt(1, 8000, 24),
         Bytes({0x00, 0x00, 0x80, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),
         {-1.0f, static_cast<float>(-1 / 8388608.0), static_cast<float>(8388607 / 8388608.0)}},
        {"32-bit PCM", PcmFmt(1, 8000, 32), U32(0x80000000) + U32(0xFFFFFFFF) + U32(0x40000000),
         {-1.0f, static_cast<float>(-1 / 2147483648.0), 0.5f}},
        {"32-bit float, clamped, NaN and infinity as silence", FmtWithExtension(3, 1, 8000, 32, ""),
         F32(0.25f) + F32(-3.0f) + F32(nan) + F32(inf), {0.25f, -1.0f, 0.0f, 0.0f}},
        {"64-bit float", FmtWithExtension(3, 1, 8000, 64, ""), F64(0.5) + F64(-0.125), {0.5f, -0.125f}},
        {"mu-law", FmtWithExtension(7, 1, 8000, 8, ""), Bytes({0xFF, 0x7F, 0x00, 0x80}),
         {0.0f, 0.0f, -32124 / 32768.0f, 32124 / 32768.0f}},
        {"A-law", FmtWithExtension(6, 1, 8000, 8, ""), Bytes({0xD5, 0x55, 0xAA, 0x2A}),
         {8 / 32768.0f, -8 / 32768.0f, 32256 / 32768.0f, -32256 / 32768.0f}},
        {"extensible names PCM in its sub-format", ExtensibleFmt(1, 8000, 16, 4), U16(0xC000) + U16(0x4000),
         {-0.5f, 0.5f}},
        {"IMA ADPCM block by block, the last cut short to its first sample", ImaFmt(1, 8),
         kImaBlock + kImaBlockHigher + kImaBlock.substr(0, 5),
         Scaled({256, 256, 269, 271, 272, 273, 274, 273, 274, 512, 512, 525, 527, 528, 529, 530, 529, 530, 256})},
        {"MS ADPCM, a fact count trimming the padding of the last block",
         MsFmt(9, 6) + Chunk("fact", U32(10)), kMsBlock + kMsBlock,
         Scaled({50, 100, 166, 264, 346, 428, 50, 100, 166, 264})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto columns = static_cast<int>(c.samples.size());
        const Waveform waveform = Draw(c.fmt, c.data, columns);
        ASSERT_TRUE(waveform.Decodable);
        ASSERT_EQ(waveform.Channels, 1);
        EXPECT_EQ(waveform.Frames, c.samples.size());
        ASSERT_EQ(waveform.Low.size(), 1u);
        EXPECT_EQ(waveform.Low[0], c.samples);
        EXPECT_EQ(waveform.High[0], c.samples);
    }
}

TEST(Waveform, LeavesUndrawnWhatItCannotSplitIntoSamples) {
    // An extensible format's extension naming PCM, with the last byte of its GUID changed.
    std::string strangeGuid = ExtensibleFmt(1, 8000, 16, 4);
    strangeGuid.back() = '\x72';
    const struct {
        const char* what;
        std::string fmt;
        std::string reason;
        bool playable = true;
    } cases[] = {
        {"ADPCM of blocks of no bytes", FmtWithExtension(2, 1, 8000, 4, std::string(32, '\0')),
         "MS ADPCM: a block of 1 bytes cannot hold the headers of 1 channels"},
        {"GSM 6.10, which the core does not decode", RawFmt(0x31, 1, 65, 0), "GSM 6.10 is not decoded"},
        {"MS ADPCM of three channels", RawFmt(2, 3, 60, 4), "MS ADPCM of 3 channels is not decoded (1 or 2)"},
        {"no channels", RawFmt(1, 0, 2, 16), "the format has no channels"},
        {"a block of no bytes", RawFmt(1, 1, 0, 16), "the format's block align is 0"},
        {"a block that does not split evenly into its channels", RawFmt(1, 2, 3, 8),
         "PCM: a block of 3 bytes is no frame of 2 channels"},
        {"5-byte integer samples", RawFmt(1, 1, 5, 40), "PCM: a block of 5 bytes is no frame of 1 channels"},
        {"2-byte float samples", RawFmt(3, 1, 2, 16), "float: a block of 2 bytes is no frame of 1 channels"},
        {"extensible without its sub-format", FmtWithExtension(0xFFFE, 1, 8000, 16, U16(16) + U32(4)),
         "the extensible format's extension holds 6 bytes, fewer than 22", false},
        {"extensible of a sub-format GUID not known: flat, not played", strangeGuid,
         "the extensible format's sub-format GUID names no format tag", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Waveform waveform = Draw(c.fmt, std::string(64, '\x11'), 16);
        EXPECT_FALSE(waveform.Decodable);
        EXPECT_EQ(waveform.Reason, c.reason);
        EXPECT_EQ(waveform.Playable, c.playable);
        EXPECT_TRUE(waveform.Low.empty());
        EXPECT_EQ(waveform.First, 0u);
        EXPECT_EQ(waveform.Count, 0u);  // no frames drawn
    }
}

TEST(Waveform, ColumnsSpanEqualRunsOfFramesEachChannelApart) {
    // Stereo 16-bit: left 0.5, -0.5, 0.25, 1 (almost); right the negation.
    const std::int16_t left[] = {16384, -16384, 8192, 32767};
    std::string data;
    for (const std::int16_t value : left) {
        data += U16(static_cast<std::uint16_t>(value)) + U16(static_cast<std::uint16_t>(-value));
    }
    const Waveform waveform = Draw(PcmFmt(2, 8000, 16), data + "\x01\x02", 2);  // and a partial frame
    ASSERT_TRUE(waveform.Decodable);
    EXPECT_EQ(waveform.Frames, 4u);
    EXPECT_EQ(waveform.Low[0], (std::vector<float>{-0.5f, 0.25f}));
    EXPECT_EQ(waveform.High[0], (std::vector<float>{0.5f, 32767 / 32768.0f}));
    EXPECT_EQ(waveform.Low[1], (std::vector<float>{-0.5f, -32767 / 32768.0f}));
    EXPECT_EQ(waveform.High[1], (std::vector<float>{0.5f, -0.25f}));
}

// Stereo IMA ADPCM: each channel's samples from its own header and codes,
// interleaved in the decoded block.
TEST(Waveform, AdpcmChannelsApart) {
    const std::string block("\xFF\x7F\x58\x00" "\x00\x80\x58\x00" "\xF7\x00\x00\x00" "\x0F\x00\x00\x00", 16);
    const Waveform waveform = Draw(ImaFmt(2, 16), block, 9);
    ASSERT_TRUE(waveform.Decodable);
    EXPECT_EQ(waveform.Frames, 9u);
    EXPECT_EQ(waveform.Low[0], Scaled({32767, 32767, -28671, -24576, -20852, -17467, -14390, -11592, -9049}));
    EXPECT_EQ(waveform.Low[1], Scaled({-32768, -32768, -28673, -24949, -21564, -18487, -15689, -13146, -10834}));
}

TEST(Waveform, ColumnCountsOutsideTheRangeAndFewFrames) {
    const std::string fmt = PcmFmt(1, 8000, 16);
    const std::string three = U16(0x4000) + U16(0xC000) + U16(0x2000);
    // More columns than frames: each column shows one of the frames, none
    // beyond them.
    const Waveform wide = Draw(fmt, three, 8);
    ASSERT_EQ(wide.Low[0].size(), 8u);
    for (std::size_t c = 0; c < 8; ++c) {
        EXPECT_EQ(wide.Low[0][c], wide.High[0][c]);
        EXPECT_TRUE(wide.Low[0][c] == 0.5f || wide.Low[0][c] == -0.5f || wide.Low[0][c] == 0.25f) << c;
    }
    EXPECT_EQ(Draw(fmt, three, 0).Low[0].size(), 1u);
    EXPECT_EQ(Draw(fmt, three, -5).Low[0], (std::vector<float>{-0.5f}));
    EXPECT_EQ(Draw(fmt, three, 1 << 30).Low[0].size(), static_cast<std::size_t>(kMostWaveformColumns));
    // Many channels share the most values: 4096 channels get 256 columns each.
    const Waveform many = Draw(RawFmt(1, 4096, 4096, 8), std::string(4096, '\x80'), 1600);
    ASSERT_EQ(many.Low.size(), 4096u);
    EXPECT_EQ(many.Low[4095].size(), kMostWaveformValues / 4096);
    EXPECT_EQ(many.High[0].size(), kMostWaveformValues / 4096);
    // No samples at all: drawable, and flat.
    const Waveform empty = Draw(fmt, "", 4);
    EXPECT_TRUE(empty.Decodable);
    EXPECT_EQ(empty.Frames, 0u);
    EXPECT_EQ(empty.High[0], (std::vector<float>(4, 0.0f)));
}

// Read from the input a window at a time (a model loaded headers only), a
// sound is drawn as from the model's own bytes: windows that cut a sample
// or a block apart, the last window short, any span of frames.
TEST(Waveform, StreamedFromTheInputAsFromTheModel) {
    std::string ima;
    for (int i = 0; i < 2000; ++i) ima += (i % 2 ? kImaBlockHigher : kImaBlock);
    const struct {
        const char* what;
        std::string file;
    } cases[] = {
        {"16-bit stereo over several windows", Riff(PcmFmt(2, 8000, 16) + Chunk("data", Samples(16, 2, 50000)))},
        {"24-bit samples astride the windows' edges", Riff(PcmFmt(1, 8000, 24) + Chunk("data", Samples(24, 1, 70001)))},
        {"IMA ADPCM blocks, a fact count trimming the last", Riff(ImaFmt(1, 8) + Chunk("fact", U32(17995)) + Chunk("data", ima))},
        {"a partial frame at the end", Riff(PcmFmt(2, 8000, 16) + Chunk("data", Samples(16, 2, 40000) + "\x01\x02"))},
        {"a data chunk cut off inside its size: no samples, drawn flat", Riff(PcmFmt(2, 8000, 16) + std::string("data\x30\x00", 6))},
    };
    const std::uint64_t spans[][2] = {{0, kToTheEnd}, {12345, 7000}, {39990, 1000}, {5, 0}, {1u << 30, 10}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream whole(c.file);
        WAVE_File held;
        held.LoadData(whole);
        std::istringstream input(c.file);
        WAVE_File headers;
        headers.LoadData(input, WaveLoad::HeadersOnly);
        ASSERT_TRUE(headers.DataChunk.BodySkipped);
        for (const auto& [from, length] : spans) {
            SCOPED_TRACE(from);
            const Waveform expected = DrawWaveform(held, nullptr, from, length, 733);
            const Waveform streamed = DrawWaveform(headers, &input, from, length, 733);
            ASSERT_TRUE(streamed.Decodable);
            EXPECT_EQ(streamed.Frames, expected.Frames);
            EXPECT_EQ(streamed.First, expected.First);
            EXPECT_EQ(streamed.Count, expected.Count);
            EXPECT_EQ(streamed.Low, expected.Low);
            EXPECT_EQ(streamed.High, expected.High);
        }
    }
    // Loaded headers only, with no input to read from: not drawn.
    std::istringstream input(cases[0].file);
    WAVE_File headers;
    headers.LoadData(input, WaveLoad::HeadersOnly);
    EXPECT_FALSE(DrawWaveform(headers, nullptr, 0, kToTheEnd, 10).Decodable);
    // An empty data chunk, headers only: nothing to read, no frames, with or without an input.
    std::istringstream empty(Riff(PcmFmt(1, 8000, 8) + Chunk("data", "")));
    WAVE_File none;
    none.LoadData(empty, WaveLoad::HeadersOnly);
    for (std::istream* from : {static_cast<std::istream*>(nullptr), static_cast<std::istream*>(&empty)}) {
        const Waveform drawn = DrawWaveform(none, from, 0, kToTheEnd, 10);
        EXPECT_EQ(drawn.Frames, 0u);
        EXPECT_EQ(drawn.Count, 0u);
    }
}

// A span of frames: its columns cover it and nothing outside; a span past
// the end is cut to the sound, one beyond it is empty.
TEST(Waveform, SpansOfFrames) {
    std::string data;
    for (int i = 0; i < 10; ++i) data += U16(static_cast<std::uint16_t>(i * 1000));
    std::istringstream in(Riff(PcmFmt(1, 8000, 16) + Chunk("data", data)));
    WAVE_File wave;
    wave.LoadData(in);
    const Waveform middle = DrawWaveform(wave, nullptr, 2, 3, 3);
    EXPECT_EQ(middle.Frames, 10u);
    EXPECT_EQ(middle.First, 2u);
    EXPECT_EQ(middle.Count, 3u);
    EXPECT_EQ(middle.Low[0], Scaled({2000, 3000, 4000}));
    EXPECT_EQ(middle.High[0], Scaled({2000, 3000, 4000}));
    const Waveform tail = DrawWaveform(wave, nullptr, 8, 100, 1);
    EXPECT_EQ(tail.Count, 2u);
    EXPECT_EQ(tail.Low[0], Scaled({8000}));
    EXPECT_EQ(tail.High[0], Scaled({9000}));
    const Waveform beyond = DrawWaveform(wave, nullptr, 11, 5, 4);
    EXPECT_EQ(beyond.First, 10u);
    EXPECT_EQ(beyond.Count, 0u);
    EXPECT_EQ(beyond.High[0], (std::vector<float>(4, 0.0f)));
}

// The input cut short after the model measured it (the file changed in
// between): the bytes gone read as silence, the bytes there as they are.
TEST(Waveform, InputCutShortAfterItWasMeasuredReadsSilence) {
    std::string data;
    for (int i = 0; i < 8; ++i) data += U16(0x4000);
    const std::string file = Riff(PcmFmt(1, 8000, 16) + Chunk("data", data));
    std::istringstream measured(file);
    WAVE_File headers;
    headers.LoadData(measured, WaveLoad::HeadersOnly);
    std::istringstream cut(file.substr(0, file.size() - 8));  // the last four frames gone
    const Waveform waveform = DrawWaveform(headers, &cut, 0, kToTheEnd, 2);
    ASSERT_TRUE(waveform.Decodable);
    EXPECT_EQ(waveform.Frames, 8u);
    EXPECT_EQ(waveform.High[0], (std::vector<float>{0.5f, 0.0f}));
    EXPECT_EQ(waveform.Low[0], (std::vector<float>{0.5f, 0.0f}));
}

}  // namespace
