// A WAVE file from the fuzzer's bytes, loaded by the model and drawn as the
// browser page draws its waveform: one row of columns per channel, every
// value within [-1, 1] and no column's low above its high, and nothing read
// outside the samples (the sanitizers watch that). Loaded headers only and
// read from the input a window at a time, any span of it is drawn as from
// the model's own bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "tests/fuzz/WaveFuzz.h"
#include "wave/Audio.h"
#include "wave/SampleCodec.h"
#include "web/Waveform.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WaveFuzz::SilenceMessages();
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    WAVE_File wave;
    wave.LoadData(in);
    // Fewer and more columns than frames, by the input's length.
    const int columns = static_cast<int>(size % 97) + 1;
    const Waveform waveform = DrawWaveform(wave, columns);
    std::istringstream input(in.str());
    WAVE_File headers;
    headers.LoadData(input, WaveLoad::HeadersOnly);
    const std::uint64_t from = size % 13, length = size % 7 == 0 ? kToTheEnd : size % 29;
    const Waveform held = DrawWaveform(wave, nullptr, from, length, columns);
    const Waveform streamed = DrawWaveform(headers, &input, from, length, columns);
    WaveFuzz::Require(streamed.Decodable == held.Decodable && streamed.First == held.First && streamed.Count == held.Count &&
                      streamed.Low == held.Low && streamed.High == held.High);
    if (!waveform.Decodable) {
        WaveFuzz::Require(waveform.Low.empty() && waveform.High.empty());
        return 0;
    }
    const fmt_Chunk& fmt = wave.FmtChunk;
    // Every whole frame of a coding of one frame a block; never more than
    // the blocks hold for ADPCM (fewer where a fact count trims them).
    WaveFuzz::Require(fmt.BlockAlign > 0 && fmt.Channels > 0);
    const SampleLayout layout = LayoutOf(fmt);
    const std::uint64_t bytes = wave.DataChunk.ChunkData.size();
    if (layout.FramesPerBlock > 1) {
        WaveFuzz::Require(waveform.Frames <= FramesInData(layout, bytes));
    } else {
        WaveFuzz::Require(waveform.Frames == bytes / fmt.BlockAlign);
    }
    WaveFuzz::Require(waveform.Low.size() == fmt.Channels && waveform.High.size() == fmt.Channels);
    // The columns asked for, fewer where many channels would make too many values.
    const std::size_t most = std::max<std::size_t>(1, kMostWaveformValues / fmt.Channels);
    const std::size_t shown = std::min<std::size_t>(static_cast<std::size_t>(columns), most);
    for (std::size_t channel = 0; channel < waveform.Low.size(); ++channel) {
        WaveFuzz::Require(waveform.Low[channel].size() == shown);
        WaveFuzz::Require(waveform.High[channel].size() == shown);
        for (std::size_t c = 0; c < shown; ++c) {
            const float low = waveform.Low[channel][c], high = waveform.High[channel][c];
            WaveFuzz::Require(low >= -1.0f && high <= 1.0f && low <= high);
        }
    }
    return 0;
}
