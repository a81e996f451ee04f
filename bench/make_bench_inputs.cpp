// Writes the inputs of the export and WAVE model benchmarks into a folder,
// made with our own package and WAVE builders:
//
//   a/        one package of 10,000 sounds of 4 KiB; all.dpl names every sound
//   b/        one package of 100 sounds of 1 MiB; all.dpl names every sound
//   c/        one package of 100,000 exports (small sounds); some.dpl names
//             1,000 of them spread evenly over the table, all.dpl all of them
//   wave/     big.wav, a 256 MiB PCM WAVE file (fmt, then data); sparse.wav,
//             a 2 GiB PCM WAVE file whose samples are a hole in the file
//             (it takes a few KiB of the disk where holes are supported)
//   damaged/  1 KiB files whose sizes claim gigabytes: pk/claim.kzs (a sound
//             whose size claims 2 GiB), pk/counts.kzs (table counts of 4 G
//             entries), claim.dpl naming a sound of each, and claim.wav (RIFF
//             and data sizes of 4 GiB)
//   huge/     pk/Huge.kzs, a package holding one sound of 1 GiB whose samples
//             are a hole in a sparse file (a few KiB on the disk), and
//             huge.dpl naming it; its export writes 1 GiB
//
// Every package is pk/Bench.kzs (pk/claim.kzs, pk/counts.kzs), every script
// is run as `Snd_Pull SCRIPT /i:pk /o:out_pull` from its folder, into the
// empty folder out_pull/. Beside each export script NAME.dpl, NAME.floor lists
// the same copies for floor_copy (package TAB offset TAB size TAB output),
// into out_floor/; wave/copy.floor copies big.wav to copy.wav.
//
//   make_bench_inputs [--tiny] FOLDER
//
// --tiny makes the same layout at a small scale (100 sounds of 4 KiB, 4 of
// 64 KiB, 1,000 exports of which 10 are named, a 1 MiB WAVE file, a 16 MiB
// sparse one, a sound of 3 MiB), for the test suite.
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"

namespace fs = std::filesystem;

namespace {

struct Scale {
    int smallSounds;        // (a)
    std::uint32_t smallBytes;
    int largeSounds;        // (b)
    std::uint32_t largeBytes;
    int manyExports;        // (c)
    int namedOfMany;
    std::uint64_t waveBytes;
    std::uint64_t sparseBytes;
    std::uint64_t hostileBytes;  // each hostile input
    std::uint32_t hugeBytes;     // huge/
};

constexpr Scale kFull{10000, 4 * 1024, 100, 1024 * 1024, 100000, 1000, 256ull * 1024 * 1024, 2048ull * 1024 * 1024,
                      100ull * 1024 * 1024, 1024u * 1024 * 1024};
constexpr Scale kTiny{100, 4 * 1024, 4, 64 * 1024, 1000, 10, 1024 * 1024, 16ull * 1024 * 1024, 1024 * 1024,
                      3u * 1024 * 1024};

constexpr std::uint32_t kHeaderBytes = 44;  // "RIFF" size "WAVE", fmt chunk, data header

void WriteFile(const fs::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// A 16-bit mono PCM WAVE file of exactly `bytes` bytes (even, at least 44),
// whose samples depend on `seed` so that no two sounds are alike.
std::string Wave(std::uint32_t bytes, std::uint32_t seed) {
    const std::uint32_t dataBytes = bytes - kHeaderBytes;
    std::string samples = WaveBuilder::Samples(16, 1, dataBytes / 2);
    for (std::size_t i = 0; i < samples.size(); i += 97) samples[i] = static_cast<char>(samples[i] ^ seed);
    return WaveBuilder::Riff(WaveBuilder::PcmFmt(1, 22050, 16) + WaveBuilder::Chunk("data", samples));
}

std::string SoundName(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "Snd%06d", i);
    return name;
}

// One package of `count` sounds of `bytes` bytes in `folder`/pk/Bench.kzs, the
// export scripts (each a list of sound indices) and the floor list of the
// first script.
void WriteSet(const fs::path& folder, int count, std::uint32_t bytes,
              const std::vector<std::pair<std::string, std::vector<int>>>& scripts) {
    fs::create_directories(folder / "pk");
    fs::create_directories(folder / "out_pull");
    fs::create_directories(folder / "out_floor");

    TestSupport::PackageBuilder builder;
    std::vector<std::size_t> waveSizes;
    for (int i = 0; i < count; ++i) {
        const std::string wave = Wave(bytes, static_cast<std::uint32_t>(i));
        builder.AddSound(SoundName(i), wave);
        waveSizes.push_back(wave.size());
    }
    builder.Write(folder / "pk" / "Bench.kzs");

    for (const auto& [name, indices] : scripts) {
        std::string script = "Bench;\n";
        std::string floor;
        for (const int i : indices) {
            script += SoundName(i) + "\n";
            const auto& object = builder.Exports[static_cast<std::size_t>(i)].object;
            // The WAVE bytes close the sound object.
            const std::size_t waveAt = builder.ObjectOffsets[static_cast<std::size_t>(i)] + object.size() -
                                       waveSizes[static_cast<std::size_t>(i)];
            floor += "pk/Bench.kzs\t" + std::to_string(waveAt) + "\t" +
                     std::to_string(waveSizes[static_cast<std::size_t>(i)]) + "\tout_floor/" + SoundName(i) +
                     ".wav\n";
        }
        WriteFile(folder / (name + ".dpl"), script);
        WriteFile(folder / (name + ".floor"), floor);
    }
}

std::vector<int> Every(int count, int step) {
    std::vector<int> indices;
    for (int i = step / 2; i < count; i += step) indices.push_back(i);
    return indices;
}

void WriteBigWave(const fs::path& folder, std::uint64_t bytes) {
    fs::create_directories(folder);
    // 16-bit stereo; the builder's waveform repeats every 160 frames, so a
    // block of it is made once and repeated.
    const std::string block = WaveBuilder::Samples(16, 2, 160 * 1024);
    std::string samples;
    samples.reserve(bytes - kHeaderBytes + block.size());
    while (samples.size() < bytes - kHeaderBytes) samples += block;
    samples.resize(bytes - kHeaderBytes);
    WriteFile(folder / "big.wav", WaveBuilder::Riff(WaveBuilder::PcmFmt(2, 44100, 16) + WaveBuilder::Chunk("data", samples)));
    WriteFile(folder / "copy.floor", "big.wav\t0\t" + std::to_string(fs::file_size(folder / "big.wav")) + "\tcopy.wav\n");
}

// The headers of a PCM file of `bytes` bytes, then a hole up to its end: the
// file system holds zeros there without storing them.
void WriteSparseWave(const fs::path& folder, std::uint64_t bytes) {
    const auto dataBytes = static_cast<std::uint32_t>(bytes - kHeaderBytes);
    WriteFile(folder / "sparse.wav", WaveBuilder::Riff(4 + 24 + 8 + dataBytes, WaveBuilder::PcmFmt(2, 44100, 16) +
                                                                                  WaveBuilder::Header("data", dataBytes)));
    fs::resize_file(folder / "sparse.wav", bytes);
}

void WriteDamaged(const fs::path& folder) {
    fs::create_directories(folder / "pk");
    fs::create_directories(folder / "out_pull");
    constexpr std::size_t kFileBytes = 1024;

    // A sound object whose WaveSize claims the most a compact index holds.
    {
        TestSupport::PackageBuilder builder;
        TestSupport::SoundHeader header;
        header.waveSize = 0x7FFFFFFF;
        builder.AddSound("Huge", "RIFF", header);
        std::string bytes = builder.Build();
        bytes.resize(kFileBytes, '\0');
        WriteFile(folder / "pk" / "claim.kzs", bytes);
    }
    // Tables that claim 4 G entries each.
    {
        TestSupport::PackageBuilder builder;
        builder.AddSound("Huge", "RIFF");
        builder.NameCount = 0xFFFFFFFF;
        builder.ImportCount = 0xFFFFFFFF;
        builder.ExportCount = 0xFFFFFFFF;
        std::string bytes = builder.Build();
        bytes.resize(kFileBytes, '\0');
        WriteFile(folder / "pk" / "counts.kzs", bytes);
    }
    WriteFile(folder / "claim.dpl", "claim;\nHuge\ncounts;\nHuge\n");

    // A WAVE file whose RIFF size and data size claim 4 GiB.
    std::string wave = WaveBuilder::Riff(0xFFFFFFFF, WaveBuilder::PcmFmt(1, 22050, 16) +
                                                         WaveBuilder::Header("data", 0xFFFFFFF0));
    wave.resize(kFileBytes, '\x11');
    WriteFile(folder / "claim.wav", wave);
}

// Inputs that are all table or all chunk headers, `bytes` long each: what
// costs the most memory per byte of input.
//   names.kzs    a sparse file of zeros whose header claims a name per 5 bytes
//                (20 million in 100 MiB): each 5 zero bytes are an empty name;
//   exports.kzs  an export per 12 bytes (8.7 million in 100 MiB), each zeros:
//                named by name 0, "Sound", without data;
//   zeros.wav    "RIFF" size "WAVE" and zeros: an empty chunk per 8 bytes
//                (13 million in 100 MiB).
void WriteHostile(const fs::path& folder, std::uint64_t bytes) {
    fs::create_directories(folder / "out");
    constexpr std::uint32_t kHeader = 56;  // version 68, no generations
    const auto header = [](std::uint32_t names, std::uint32_t nameOffset, std::uint32_t exports,
                           std::uint32_t exportOffset) {
        std::string h = "KZSP" + TestSupport::U32(68) + TestSupport::U32(0) + TestSupport::U32(names) +
                        TestSupport::U32(nameOffset) + TestSupport::U32(exports) + TestSupport::U32(exportOffset) +
                        TestSupport::U32(0) + TestSupport::U32(0);
        return h + std::string(16, '\0') + TestSupport::U32(0);
    };
    const auto count = [&](std::uint64_t entry, std::uint64_t rest) {
        return static_cast<std::uint32_t>((bytes - kHeader - rest) / entry);
    };
    WriteFile(folder / "names.kzs", header(count(5, 0), kHeader, 0, 0));
    fs::resize_file(folder / "names.kzs", bytes);  // the rest a hole of zeros

    const std::string sound = "\x05Sound" + TestSupport::U32(0);
    const std::uint32_t exports = count(12, sound.size());
    std::string table = header(1, static_cast<std::uint32_t>(bytes - sound.size()), exports, kHeader);
    table.resize(bytes - sound.size(), '\0');
    WriteFile(folder / "exports.kzs", table + sound);

    std::string wave = "RIFF" + TestSupport::U32(static_cast<std::uint32_t>(bytes - 8)) + "WAVE";
    WriteFile(folder / "zeros.wav", wave);
    fs::resize_file(folder / "zeros.wav", bytes);

    WriteFile(folder / "names.dpl", "names;\nNope\n");
    WriteFile(folder / "exports.dpl", "exports;\nSound\n");
}

// One sound of `bytes` bytes (a PCM WAVE file whose samples are zeros): the
// package is written up to the sound's headers and then extended, so the
// samples are a hole that costs no disk space.
void WriteHuge(const fs::path& folder, std::uint32_t bytes) {
    fs::create_directories(folder / "pk");
    fs::create_directories(folder / "out_pull");
    const std::string headers = WaveBuilder::Riff(bytes - 8, WaveBuilder::PcmFmt(2, 44100, 16) +
                                                                  WaveBuilder::Header("data", bytes - kHeaderBytes));
    TestSupport::PackageBuilder builder;
    TestSupport::SoundHeader header;
    header.waveSize = static_cast<std::int32_t>(bytes);
    builder.AddSound("Huge", headers, header);
    const std::uint32_t missing = bytes - static_cast<std::uint32_t>(headers.size());
    builder.Exports.back().dataSize = static_cast<std::int32_t>(builder.Exports.back().object.size() + missing);
    const std::string package = builder.Build();  // the objects come last
    WriteFile(folder / "pk" / "Huge.kzs", package);
    fs::resize_file(folder / "pk" / "Huge.kzs", package.size() + missing);
    WriteFile(folder / "huge.dpl", "Huge;\nHuge\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool tiny = !args.empty() && args[0] == "--tiny";
    if (tiny) args.erase(args.begin());
    if (args.size() != 1) {
        std::fputs("usage: make_bench_inputs [--tiny] FOLDER\n", stderr);
        return 2;
    }
    const Scale& scale = tiny ? kTiny : kFull;
    const fs::path folder = args[0];
    try {
        fs::remove_all(folder);
        std::vector<int> all(static_cast<std::size_t>(scale.smallSounds));
        for (int i = 0; i < scale.smallSounds; ++i) all[static_cast<std::size_t>(i)] = i;
        WriteSet(folder / "a", scale.smallSounds, scale.smallBytes, {{"all", all}});

        all.resize(static_cast<std::size_t>(scale.largeSounds));
        WriteSet(folder / "b", scale.largeSounds, scale.largeBytes, {{"all", all}});

        all.resize(static_cast<std::size_t>(scale.manyExports));
        for (int i = 0; i < scale.manyExports; ++i) all[static_cast<std::size_t>(i)] = i;
        // The smallest sound the model accepts: 44 bytes of headers, 20 of samples.
        WriteSet(folder / "c", scale.manyExports, 64,
                 {{"some", Every(scale.manyExports, scale.manyExports / scale.namedOfMany)}, {"all", all}});

        WriteBigWave(folder / "wave", scale.waveBytes);
        WriteSparseWave(folder / "wave", scale.sparseBytes);
        WriteDamaged(folder / "damaged");
        WriteHostile(folder / "hostile", scale.hostileBytes);
        WriteHuge(folder / "huge", scale.hugeBytes);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_bench_inputs: %s\n", e.what());
        return 1;
    }
    return 0;
}
