#include "web/Sonogram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <sstream>
#include <string>
#include <vector>

#include "kit/WaveBuilder.h"
#include "wave/Audio.h"

namespace {

using namespace WaveBuilder;

Spectrogram Draw(const std::string& file, int columns, int rows, std::uint64_t from = 0, std::uint64_t length = UINT64_MAX) {
    std::istringstream in(file);
    WAVE_File wave;
    wave.LoadData(in);
    return DrawSpectrogram(wave, nullptr, from, length, columns, rows);
}

// The band of row `row`, in Hz.
std::pair<double, double> Band(const Spectrogram& s, int row) {
    const auto edge = [&](int r) { return s.LowHz * std::pow(s.HighHz / s.LowHz, static_cast<double>(r) / s.Rows); };
    return {edge(row), edge(row + 1)};
}

int StrongestRow(const Spectrogram& s, int column) {
    int best = 0;
    for (int row = 1; row < s.Rows; ++row) {
        if (s.At(column, row) > s.At(column, best)) best = row;
    }
    return best;
}

std::string Mono16(std::uint32_t rate, const std::vector<std::int16_t>& samples) {
    return Riff(PcmFmt(1, rate, 16) + Chunk("data", Pcm16(samples)));
}

std::string MonoIma(std::uint32_t rate, const std::vector<std::int16_t>& samples) {
    return Riff(ImaAdpcmFmt(1, rate, 256) + Chunk("fact", U32(static_cast<std::uint32_t>(samples.size()))) +
                Chunk("data", ImaAdpcm(1, 256, samples)));
}

// A 1 kHz tone at half of full scale (-6 dB): in every column the strongest
// row is the one whose band holds 1000 Hz, at about -6 dB, stored as PCM or
// as IMA ADPCM, at each rate.
TEST(Spectrogram, FindsATone) {
    const struct {
        const char* what;
        std::uint32_t rate;
        bool ima;
        double lowHz;
    } cases[] = {
        {"PCM at 8000 Hz", 8000, false, 20.0},
        {"PCM at 22050 Hz", 22050, false, 20.0},
        {"PCM at 44100 Hz", 44100, false, 44100.0 / 2048},
        {"IMA ADPCM at 8000 Hz", 8000, true, 20.0},
        {"IMA ADPCM at 22050 Hz", 22050, true, 20.0},
        {"IMA ADPCM at 44100 Hz", 44100, true, 44100.0 / 2048},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const std::vector<std::int16_t> tone = Sine16(c.rate, 1000, 0.5, c.rate / 2);
        const Spectrogram s = Draw(c.ima ? MonoIma(c.rate, tone) : Mono16(c.rate, tone), 6, 300);
        ASSERT_TRUE(s.Decodable);
        EXPECT_EQ(s.Columns, 6);
        EXPECT_EQ(s.Rows, 300);
        EXPECT_DOUBLE_EQ(s.LowHz, c.lowHz);
        EXPECT_DOUBLE_EQ(s.HighHz, c.rate / 2.0);
        EXPECT_EQ(s.Count, c.rate / 2);
        for (int column = 0; column < s.Columns; ++column) {
            const int row = StrongestRow(s, column);
            const auto [lo, hi] = Band(s, row);
            EXPECT_TRUE(lo <= 1000 && 1000 < hi) << "column " << column << ": row " << row << " spans " << lo << " to " << hi;
        }
        // -6 dB of a 90 dB range: 255 * 84 / 90, where the window lies wholly in the tone.
        EXPECT_NEAR(s.At(2, StrongestRow(s, 2)), 238, c.ima ? 3 : 1);
        // An octave below, the tone's window leaves nothing of it at a PCM tone; IMA's noise stays far below.
        const int octaveBelow = static_cast<int>(std::log(500 / s.LowHz) / std::log(s.HighHz / s.LowHz) * s.Rows);
        EXPECT_LT(s.At(2, octaveBelow), c.ima ? 150 : 40);
    }
}

// The levels: a full-scale sine reaches the top, on a bin or between two;
// -30 dB stands a third of the way down; below -90 dB, silence and a mix of
// opposite channels are the floor.
TEST(Spectrogram, LevelsInDecibelsOfAFullScaleSine) {
    const auto floats = [](std::uint32_t rate, double hz, double amplitude, int channels, bool opposite) {
        std::string data;
        for (std::uint32_t i = 0; i < rate / 4; ++i) {
            const auto value = static_cast<float>(amplitude * std::sin(2 * std::numbers::pi * hz * i / rate));
            for (int c = 0; c < channels; ++c) data += F32(opposite && c == 1 ? -value : value);
        }
        return Riff(FmtWithExtension(3, static_cast<std::uint16_t>(channels), rate, 32, "") + Chunk("data", data));
    };
    const struct {
        const char* what;
        std::string file;
        int lowest, highest;
    } cases[] = {
        {"0 dB on a bin (1000 Hz at 8000 Hz)", floats(8000, 1000, 1.0, 1, false), 0, 255},
        {"0 dB between bins (1000 Hz at 44100 Hz)", floats(44100, 1000, 1.0, 1, false), 0, 255},
        {"-30 dB", floats(8000, 1000, std::pow(10.0, -30.0 / 20), 1, false), 0, 170},
        {"-100 dB: below the range", floats(8000, 1000, 1e-5, 1, false), 0, 0},
        {"16-bit silence", Mono16(8000, std::vector<std::int16_t>(4000, 0)), 0, 0},
        {"stereo in opposite phase mixes to nothing", floats(8000, 1000, 0.9, 2, true), 0, 0},
        {"stereo in phase mixes to the tone", floats(8000, 1000, 0.9, 2, false), 0, 252},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Spectrogram s = Draw(c.file, 3, 128);
        ASSERT_TRUE(s.Decodable);
        const auto [low, high] = std::minmax_element(s.Values.begin() + s.Rows, s.Values.begin() + 2 * s.Rows);  // the middle column
        EXPECT_EQ(*low, c.lowest);
        EXPECT_EQ(*high, c.highest);
    }
}

// Columns follow the span of frames asked for: a tone of 500 Hz, then one of
// 2000 Hz, seen whole and in halves.
TEST(Spectrogram, ColumnsSpanTheFramesAskedFor) {
    std::vector<std::int16_t> tones = Sine16(8000, 500, 0.5, 16000);
    const std::vector<std::int16_t> second = Sine16(8000, 2000, 0.5, 16000);
    std::copy(second.begin() + 8000, second.end(), tones.begin() + 8000);
    const std::string file = Mono16(8000, tones);
    const struct {
        std::uint64_t from, length;
        std::uint64_t first, count;
        std::vector<double> hz;  // each column's tone
    } cases[] = {
        {0, UINT64_MAX, 0, 16000, {500, 500, 500, 2000, 2000, 2000}},
        {0, 8000, 0, 8000, {500, 500, 500, 500, 500, 500}},
        {8000, 8000, 8000, 8000, {2000, 2000, 2000, 2000, 2000, 2000}},
        {4000, 8000, 4000, 8000, {500, 500, 500, 2000, 2000, 2000}},
        {12000, 1u << 30, 12000, 4000, {2000, 2000, 2000, 2000, 2000, 2000}},
        {20000, 5, 16000, 0, {}},  // past the end: no frames, silence
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.from);
        const Spectrogram s = Draw(file, 6, 200, c.from, c.length);
        EXPECT_EQ(s.First, c.first);
        EXPECT_EQ(s.Count, c.count);
        EXPECT_EQ(s.Frames, 16000u);
        for (std::size_t column = 0; column < c.hz.size(); ++column) {
            const auto [lo, hi] = Band(s, StrongestRow(s, static_cast<int>(column)));
            EXPECT_TRUE(lo <= c.hz[column] && c.hz[column] < hi) << "column " << column << ": " << lo << " to " << hi;
        }
        if (c.hz.empty()) {
            EXPECT_EQ(*std::max_element(s.Values.begin(), s.Values.end()), 0);
        }
    }
}

TEST(Spectrogram, CountsBroughtInsideAndFormatsNotDrawn) {
    const std::string tone = Mono16(8000, Sine16(8000, 1000, 0.5, 800));
    const struct {
        const char* what;
        std::string file;
        int columns, rows;
        int wantColumns, wantRows;
        const char* reason;  // not drawn, for this reason
    } cases[] = {
        {"no columns or rows", tone, 0, -4, 1, 1, nullptr},
        {"too many", tone, 1 << 30, 100000, kMostSpectrogramColumns, kMostSpectrogramRows, nullptr},
        {"the most", tone, kMostSpectrogramColumns, kMostSpectrogramRows, kMostSpectrogramColumns, kMostSpectrogramRows, nullptr},
        // 2^24 samples a spectrogram: 4096 channels of 2048-frame windows get 2 columns.
        {"many channels get fewer columns", Riff(PcmFmt(4096, 8000, 8) + Chunk("data", std::string(8192, '\x80'))), 100, 10, 2, 10, nullptr},
        {"GSM 6.10", Riff(Chunk("fmt ", U16(0x31) + U16(1) + U32(8000) + U32(1625) + U16(65) + U16(0)) + Chunk("data", std::string(65, 'Z'))),
         10, 10, 0, 0, "GSM 6.10 is not decoded"},
        {"a rate of 0", Riff(PcmFmt(1, 0, 16) + Chunk("data", std::string(64, '\x11'))), 10, 10, 0, 0, "the format's sample rate is 0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const Spectrogram s = Draw(c.file, c.columns, c.rows);
        EXPECT_EQ(s.Decodable, c.reason == nullptr);
        EXPECT_EQ(s.Reason, c.reason ? c.reason : "");
        EXPECT_EQ(s.Columns, c.wantColumns);
        EXPECT_EQ(s.Rows, c.wantRows);
        EXPECT_EQ(s.Values.size(), static_cast<std::size_t>(c.wantColumns) * static_cast<std::size_t>(c.wantRows));
    }
}

}  // namespace
