// A WAVE file from the fuzzer's bytes, loaded by the model and drawn as the
// browser page draws its waveform: one row of columns per channel, every
// value within [-1, 1] and no column's low above its high, and nothing read
// outside the samples (the sanitizers watch that).
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "tests/fuzz/WaveFuzz.h"
#include "wave/Audio.h"
#include "web/Waveform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WaveFuzz::SilenceMessages();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    WAVE_File wave;
    wave.LoadData(in);
    // Fewer and more columns than frames, by the input's length.
    const int columns = static_cast<int>(size % 97) + 1;
    const Waveform waveform = DrawWaveform(wave, columns);
    if (!waveform.Decodable) {
        WaveFuzz::Require(waveform.Low.empty() && waveform.High.empty());
        return 0;
    }
    const fmt_Chunk& fmt = wave.FmtChunk;
    WaveFuzz::Require(fmt.BlockAlign > 0 && waveform.Frames == wave.DataChunk.ChunkData.size() / fmt.BlockAlign);
    WaveFuzz::Require(waveform.Low.size() == fmt.Channels && waveform.High.size() == fmt.Channels);
    for (std::size_t channel = 0; channel < waveform.Low.size(); ++channel) {
        WaveFuzz::Require(waveform.Low[channel].size() == static_cast<std::size_t>(columns));
        WaveFuzz::Require(waveform.High[channel].size() == static_cast<std::size_t>(columns));
        for (int c = 0; c < columns; ++c) {
            const float low = waveform.Low[channel][c], high = waveform.High[channel][c];
            WaveFuzz::Require(low >= -1.0f && high <= 1.0f && low <= high);
        }
    }
    return 0;
}
