// Seeds for the waveform fuzz target: a file of every encoding the page
// draws, and formats it leaves undrawn.
#include "kit/WaveBuilder.h"
#include "tests/fuzz/Seeds.h"

namespace {

using namespace WaveBuilder;

std::vector<FuzzSeeds::Seed> MakeSeeds() {
    const std::string bytes(48, '\x93');
    const std::vector<std::pair<std::string, std::string>> files = {
        {"pcm8", PcmWave(1, 8000, 8, 40)},
        {"pcm16_stereo", PcmWave(2, 44100, 16, 12)},
        {"pcm24", PcmWave(1, 48000, 24, 16)},
        {"pcm32", PcmWave(2, 48000, 32, 6)},
        {"float32", Riff(FmtWithExtension(3, 1, 48000, 32, "") + Chunk("data", bytes))},
        {"float64", Riff(FmtWithExtension(3, 2, 48000, 64, "") + Chunk("data", bytes))},
        {"alaw", Riff(FmtWithExtension(6, 1, 8000, 8, "") + Chunk("data", bytes))},
        {"mulaw", Riff(FmtWithExtension(7, 1, 8000, 8, "") + Chunk("data", bytes))},
        {"extensible", Riff(ExtensibleFmt(2, 48000, 24, 3) + Chunk("data", Samples(24, 2, 8)))},
        {"adpcm", Riff(FmtWithExtension(2, 1, 8000, 4, std::string(32, '\0')) + Chunk("data", bytes))},
        {"partial_frame", Riff(PcmFmt(2, 8000, 16) + Chunk("data", bytes.substr(0, 7)))},
    };
    std::vector<FuzzSeeds::Seed> seeds;
    for (const auto& [name, file] : files) seeds.push_back({"fuzz_waveform", name, file});
    return seeds;
}

const FuzzSeeds::Registrar registrar(&MakeSeeds);

}  // namespace
