// The waveform the page draws: for each channel, the lowest and the highest
// sample in each of a number of equal spans of frames (columns), read from a
// WAVE model's samples. Plain C++ over the model: the page's C API hands it
// to the page as JSON, and the tests run it natively.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

class WAVE_File;

struct Waveform {
    // False for a format the page does not draw -- one whose layout
    // (wave/SampleCodec.h) is neither PCM of 1 to 4 bytes nor float of 4
    // or 8, and not one the core decodes (IMA and MS ADPCM, A-law, mu-law),
    // plain or extensible; an extensible format whose sub-format is not
    // known is not drawn -- and for samples that cannot be read.
    bool Decodable = false;
    // Why the format is not drawn (the layout's finding); empty when it is
    // drawn, or when only its samples cannot be read.
    std::string Reason;
    // False for an extensible format whose sub-format is not known (or whose
    // extension is cut short): whatever a player made of its samples would
    // be a guess, so the page does not play it.
    bool Playable = true;
    std::uint16_t Channels = 0;
    // The sound's frames (SoundFrames: a "fact" count trims the padding of
    // the last block); a partial frame at the data's end is left out.
    std::uint64_t Frames = 0;
    // The frames drawn: [First, First + Count), inside [0, Frames).
    std::uint64_t First = 0;
    std::uint64_t Count = 0;
    // Low[channel][column] and High[channel][column], in [-1, 1]; both 0
    // for a column without frames.
    std::vector<std::vector<float>> Low, High;
};

// The most columns a waveform is drawn in, and the most values (channels x
// columns) in each of Low and High.
inline constexpr int kMostWaveformColumns = 8192;
inline constexpr std::size_t kMostWaveformValues = std::size_t{1} << 20;

inline constexpr std::uint64_t kToTheEnd = UINT64_MAX;

// The frames of a WAVE model's samples, decoded: the one reading of every
// coding the page draws, for the waveform and the spectrogram alike. A
// model loaded whole is read from its data chunk; one loaded headers only
// from `input`, where DataChunk.SourceOffset says the samples lie, a window
// of 64 KiB at a time (without `input` it is not decodable). The codings
// the core decodes (ADPCM, G.711) hold one run decoded: frames asked for in
// rising order are each decoded once.
class WaveFrames {
public:
    WaveFrames(const WAVE_File& wave, std::istream* input);
    ~WaveFrames();
    WaveFrames(const WaveFrames&) = delete;
    WaveFrames& operator=(const WaveFrames&) = delete;

    // What Waveform's fields of the same names say.
    bool Decodable() const;
    const std::string& Reason() const;
    bool Playable() const;
    std::uint64_t Frames() const;
    // Sample `channel` of `frame` (below Frames(), of a decodable format), in [-1, 1].
    float At(std::uint64_t frame, unsigned channel);
    // The mean of every channel of `count` frames from `first` into `out`;
    // frames from Frames() on are 0.
    void Mix(std::uint64_t first, std::size_t count, float* out);

private:
    class Reader;
    std::unique_ptr<Reader> reader_;
    unsigned channels_ = 0;
};

// The waveform of frames [from, from + length) of `wave`'s samples (the
// span brought inside the sound) in `columns` columns (1 to
// kMostWaveformColumns, and at most kMostWaveformValues / Channels; values
// outside are brought inside). Column c spans frames
// [First + c * Count / columns, First + (c + 1) * Count / columns), at least one.
// A model loaded whole is drawn from its data chunk; one loaded headers only
// from `input`, where DataChunk.SourceOffset says the samples lie, read a
// window of 64 KiB at a time (without `input` it is not drawn).
Waveform DrawWaveform(const WAVE_File& wave, std::istream* input, std::uint64_t from, std::uint64_t length, int columns);
// The whole sound of a model loaded whole.
Waveform DrawWaveform(const WAVE_File& wave, int columns);
