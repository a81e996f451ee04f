// Seeds for the sample decoder targets (fuzz_ima_adpcm, fuzz_ms_adpcm,
// fuzz_g711): sound formats with a few blocks of data, the extensible
// wrapping, and damaged ones (headers that do not fit, a last block cut
// short, a predictor with no pair, a limit inside the data).
#include <cstdint>

#include "tests/fuzz/CodecFuzz.h"
#include "tests/fuzz/Seeds.h"

namespace {

using CodecFuzz::Input;

std::string Noise(std::size_t count) {
    std::string bytes;
    std::uint32_t state = 2463534242u;
    for (std::size_t i = 0; i < count; ++i) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        bytes += static_cast<char>(state & 0xFF);
    }
    return bytes;
}

std::string U16(std::uint16_t value) { return {static_cast<char>(value & 0xFF), static_cast<char>(value >> 8)}; }

std::string MsExtension(std::uint16_t samplesPerBlock, std::uint16_t count) {
    static const std::int16_t kPairs[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
    std::string bytes = U16(samplesPerBlock) + U16(count);
    for (int i = 0; i < 7 && i < count; ++i) {
        bytes += U16(static_cast<std::uint16_t>(kPairs[i][0])) + U16(static_cast<std::uint16_t>(kPairs[i][1]));
    }
    return bytes;
}

std::vector<FuzzSeeds::Seed> MakeSeeds() {
    constexpr std::uint32_t kAll = 0xFFFFFFFF;
    // A data byte 0 at each MS block start: predictor 0, which every table has.
    std::string msMono = Noise(3 * 64), msStereo = Noise(2 * 128);
    for (std::size_t at = 0; at < msMono.size(); at += 64) msMono[at] = 0;
    for (std::size_t at = 0; at < msStereo.size(); at += 128) msStereo[at] = msStereo[at + 1] = 1;
    const std::vector<FuzzSeeds::Seed> seeds = {
        {"fuzz_ima_adpcm", "mono_256", Input(0, 1, 256, 4, "", kAll, Noise(3 * 256))},
        {"fuzz_ima_adpcm", "stereo_64_cut", Input(0, 2, 64, 4, "", kAll, Noise(2 * 64 + 13))},
        {"fuzz_ima_adpcm", "three_channels", Input(0, 3, 36, 4, "", kAll, Noise(4 * 36))},
        {"fuzz_ima_adpcm", "extensible_limited", Input(2, 1, 32, 4, "", 40, Noise(5 * 32))},
        {"fuzz_ima_adpcm", "headers_do_not_fit", Input(0, 2, 7, 4, "", kAll, Noise(21))},
        {"fuzz_ms_adpcm", "mono_64", Input(0, 1, 64, 4, MsExtension(116, 7), kAll, msMono)},
        {"fuzz_ms_adpcm", "stereo_128_cut", Input(0, 2, 128, 4, MsExtension(116, 7), kAll, msStereo.substr(0, 200))},
        {"fuzz_ms_adpcm", "pairs_short", Input(0, 1, 64, 4, MsExtension(116, 7).substr(0, 14), kAll, Noise(3 * 64))},
        {"fuzz_ms_adpcm", "extensible", Input(2, 1, 64, 4, MsExtension(100, 7), 150, msMono)},
        {"fuzz_g711", "mulaw_stereo", Input(0, 2, 2, 8, "", kAll, Noise(301))},
        {"fuzz_g711", "alaw_mono", Input(1, 1, 1, 8, "", 100, Noise(256))},
        {"fuzz_g711", "alaw_extensible", Input(3, 1, 1, 8, "", kAll, Noise(64))},
    };
    return seeds;
}

const FuzzSeeds::Registrar registrar(&MakeSeeds);

}  // namespace
