// The spectrogram the page draws over the waveform's lanes: for each of a
// number of columns across a span of frames, the strength of the sound at
// each of a number of frequencies, from low to half the rate on a log scale.
// Computed from the same decoded frames as the waveform (WaveFrames), so it
// covers every coding the waveform draws.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

class WAVE_File;

struct Spectrogram {
    // As the waveform's: false for a format the page does not draw, with its
    // reason, and for samples that cannot be read.
    bool Decodable = false;
    std::string Reason;
    std::uint64_t Frames = 0;
    // The frames the columns span: [First, First + Count), inside the sound.
    std::uint64_t First = 0;
    std::uint64_t Count = 0;
    int Columns = 0;
    int Rows = 0;
    // The frequency axis: row 0's band begins at LowHz, the last row's ends at HighHz.
    double LowHz = 0;
    double HighHz = 0;
    // Columns x Rows levels, column after column, row 0 the lowest band:
    // 0 at kSpectrogramFloorDb or below, 255 at a full-scale sine.
    std::vector<std::uint8_t> Values;

    std::uint8_t At(int column, int row) const { return Values[static_cast<std::size_t>(column) * static_cast<std::size_t>(Rows) + static_cast<std::size_t>(row)]; }
};

// Each column's transform: this many frames centred on the column's middle frame.
inline constexpr int kSpectrogramWindow = 2048;
inline constexpr int kMostSpectrogramColumns = 2048;
inline constexpr int kMostSpectrogramRows = 512;
// The range drawn, in dB below a full-scale sine.
inline constexpr double kSpectrogramFloorDb = -90.0;
// The most samples (frames x channels) read for one spectrogram: a sound of
// many channels gets fewer columns.
inline constexpr std::uint64_t kMostSpectrogramSamples = std::uint64_t{1} << 24;
// The lowest frequency shown, unless a window's first bin lies higher.
inline constexpr double kSpectrogramLowestHz = 20.0;

// The spectrogram of frames [from, from + length) of `wave` (the span brought
// inside the sound), in `columns` columns (1 to kMostSpectrogramColumns, fewer
// for many channels) and `rows` rows (1 to kMostSpectrogramRows); counts
// outside are brought inside. Column c's window is centred on frame
// First + (2c + 1) * Count / (2 * columns); frames outside the sound read as
// silence. The channels are mixed as their mean, the window is Hann's, and
// each row holds the strongest level in its band (between bins, the level
// the bins around them give). The samples are read as DrawWaveform reads
// them (`input` for a model loaded headers only). A rate of 0 has no
// frequencies: not decodable.
Spectrogram DrawSpectrogram(const WAVE_File& wave, std::istream* input, std::uint64_t from, std::uint64_t length, int columns, int rows);
