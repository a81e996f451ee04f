// Micro-benchmarks of the hot paths, with Google Benchmark:
//   CompactIndex/*     decoding and skipping compact indices from a stream
//   PackageTables      opening a package of 100,000 exports: header and tables
//   FindExport/*       the first lookup (which builds the name index), and
//                      lookups on a package already indexed
//   Wave/*             a 256 MiB WAVE file loaded through the model and saved,
//                      against copying the same file in one buffer and in
//                      1 MiB pieces (files in the work folder, page cache warm)
//
//   micro_bench [--tiny] [--work_dir=DIR] [Google Benchmark flags]
//
// --tiny shrinks the package to 1,000 exports and the WAVE file to 1 MiB, for
// the test suite. The inputs are made with our own builders in DIR (default:
// a fresh folder in the system's temporary folder), removed at the end.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "kit/Files.h"
#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "package/CompactIndex.h"
#include "package/KZ_Package.h"
#include "wave/Audio.h"

namespace fs = std::filesystem;

namespace {

struct Inputs {
    fs::path folder;
    fs::path package;  // many exports
    std::vector<std::string> names;
    fs::path wave;  // a large PCM file
    std::uint64_t waveBytes = 0;
};

Inputs g_inputs;

std::string SoundName(std::size_t i) {
    char name[16];
    std::snprintf(name, sizeof name, "Snd%06zu", i);
    return name;
}

void MakeInputs(bool tiny) {
    fs::create_directories(g_inputs.folder);
    const std::size_t exports = tiny ? 1000 : 100000;
    TestSupport::PackageBuilder builder;
    const std::string wave = WaveBuilder::PcmWave(1, 22050, 16, 10);
    for (std::size_t i = 0; i < exports; ++i) {
        g_inputs.names.push_back(SoundName(i));
        builder.AddSound(g_inputs.names.back(), wave);
    }
    g_inputs.package = g_inputs.folder / "Many.kzs";
    TestSupport::WriteFile(g_inputs.package, builder.Build());

    const std::uint64_t bytes = tiny ? 1024 * 1024 : 256ull * 1024 * 1024;
    const std::string block = WaveBuilder::Samples(16, 2, 160 * 1024);
    std::string samples;
    samples.reserve(bytes + block.size());
    while (samples.size() < bytes - 44) samples += block;
    samples.resize(bytes - 44);
    g_inputs.wave = g_inputs.folder / "big.wav";
    TestSupport::WriteFile(g_inputs.wave,
                           WaveBuilder::Riff(WaveBuilder::PcmFmt(2, 44100, 16) + WaveBuilder::Chunk("data", samples)));
    g_inputs.waveBytes = fs::file_size(g_inputs.wave);
}

// ---- compact indices --------------------------------------------------------

// 4,096 indices of every stored length, 1 to 5 bytes, both signs.
std::string CompactIndices() {
    static const std::int32_t kValues[] = {5, -40, 1000, -100000, 5000000, -600000000};
    std::string bytes;
    for (int i = 0; i < 4096; ++i) bytes += TestSupport::CompactIndex(kValues[i % 6] + i);
    return bytes;
}

void CompactIndexDecode(benchmark::State& state) {
    std::istringstream in(CompactIndices());
    for (auto _ : state) {
        in.clear();
        in.seekg(0);
        std::uint32_t sum = 0;  // wraps, as a checksum may
        for (int i = 0; i < 4096; ++i) sum += static_cast<std::uint32_t>(Decode_cIndex(in));
        benchmark::DoNotOptimize(sum);
    }
    state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(CompactIndexDecode)->Name("CompactIndex/Decode");

void CompactIndexSkip(benchmark::State& state) {
    std::istringstream in(CompactIndices());
    for (auto _ : state) {
        in.clear();
        in.seekg(0);
        for (int i = 0; i < 4096; ++i) Skip_cIndex(in);
        benchmark::DoNotOptimize(in.tellg());
    }
    state.SetItemsProcessed(state.iterations() * 4096);
}
BENCHMARK(CompactIndexSkip)->Name("CompactIndex/Skip");

// ---- package tables and lookup ---------------------------------------------

void PackageTables(benchmark::State& state) {
    const std::string path = g_inputs.package.string();
    for (auto _ : state) {
        KZ_Package package(path.c_str());
        benchmark::DoNotOptimize(package.Exports.data());
        if (package.Exports.size() != g_inputs.names.size()) state.SkipWithError("tables not read");
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(g_inputs.names.size()));
}
BENCHMARK(PackageTables)->Name("PackageTables")->Unit(benchmark::kMillisecond);

// The first lookup of a package builds its name index; timed alone.
void FindExportFirst(benchmark::State& state) {
    const std::string path = g_inputs.package.string();
    for (auto _ : state) {
        state.PauseTiming();
        auto package = std::make_unique<KZ_Package>(path.c_str());
        state.ResumeTiming();
        benchmark::DoNotOptimize(package->FindExport(g_inputs.names.back()));
        state.PauseTiming();
        package.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(FindExportFirst)->Name("FindExport/FirstLookup")->Unit(benchmark::kMillisecond);

// Every name of the package, then one that is not there, on an indexed package.
void FindExportEach(benchmark::State& state) {
    const std::string path = g_inputs.package.string();
    KZ_Package package(path.c_str());
    package.FindExport("");
    for (auto _ : state) {
        for (const auto& name : g_inputs.names) benchmark::DoNotOptimize(package.FindExport(name));
        benchmark::DoNotOptimize(package.FindExport("NoSuchSound"));
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(g_inputs.names.size() + 1));
}
BENCHMARK(FindExportEach)->Name("FindExport/Each")->Unit(benchmark::kMillisecond);

// ---- the WAVE model against copying -----------------------------------------

void WaveLoadSave(benchmark::State& state) {
    const fs::path out = g_inputs.folder / "model.wav";
    for (auto _ : state) {
        std::ifstream in(g_inputs.wave, std::ios::binary);
        WAVE_File wave;
        wave.LoadData(in);
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        wave.SaveData(file);
        file.close();
        if (file.fail() || wave.DataChunk.ChunkData.size() + 44 != g_inputs.waveBytes) state.SkipWithError("bad copy");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(g_inputs.waveBytes));
}
BENCHMARK(WaveLoadSave)->Name("Wave/ModelLoadSave")->Unit(benchmark::kMillisecond)->UseRealTime();

void WaveLoad(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(g_inputs.wave, std::ios::binary);
        WAVE_File wave;
        wave.LoadData(in);
        benchmark::DoNotOptimize(wave.DataChunk.ChunkData.data());
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(g_inputs.waveBytes));
}
BENCHMARK(WaveLoad)->Name("Wave/ModelLoad")->Unit(benchmark::kMillisecond)->UseRealTime();

// What a look at the headers costs: every chunk but the samples, which are stepped over.
void WaveLoadHeaders(benchmark::State& state) {
    for (auto _ : state) {
        std::ifstream in(g_inputs.wave, std::ios::binary);
        WAVE_File wave;
        wave.LoadData(in, WaveLoad::HeadersOnly);
        if (wave.DataChunk.StoredBytes + 44 != g_inputs.waveBytes) state.SkipWithError("bad measure");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(g_inputs.waveBytes));
}
BENCHMARK(WaveLoadHeaders)->Name("Wave/ModelLoadHeadersOnly")->Unit(benchmark::kMillisecond)->UseRealTime();

// Copies the file through one buffer of `piece` bytes (0: of the whole file),
// new on every copy as the model's buffer is.
void Copy(benchmark::State& state, std::uint64_t piece) {
    const fs::path out = g_inputs.folder / "copy.wav";
    for (auto _ : state) {
        std::ifstream in(g_inputs.wave, std::ios::binary);
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        std::uint64_t left = g_inputs.waveBytes;
        const std::uint64_t step = piece == 0 ? left : piece;
        const auto buffer = std::make_unique_for_overwrite<char[]>(step);
        while (left > 0) {
            const auto now = static_cast<std::streamsize>(std::min(step, left));
            in.read(buffer.get(), now);
            file.write(buffer.get(), in.gcount());
            if (in.gcount() != now) break;
            left -= static_cast<std::uint64_t>(now);
        }
        file.close();
        if (left != 0 || file.fail()) state.SkipWithError("bad copy");
    }
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(g_inputs.waveBytes));
}
BENCHMARK_CAPTURE(Copy, InMemory, 0)->Name("Wave/CopyInMemory")->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(Copy, Streaming, 1024 * 1024)
    ->Name("Wave/CopyStreaming")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    bool tiny = false;
    std::vector<char*> rest{argv[0]};
    g_inputs.folder = fs::temp_directory_path() / ("snd_micro_bench." + std::to_string(::getpid()));
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--tiny") {
            tiny = true;
        } else if (arg.starts_with("--work_dir=")) {
            g_inputs.folder = fs::path(arg.substr(11)) / ("snd_micro_bench." + std::to_string(::getpid()));
        } else {
            rest.push_back(argv[i]);
        }
    }
    int restCount = static_cast<int>(rest.size());
    benchmark::Initialize(&restCount, rest.data());
    if (benchmark::ReportUnrecognizedArguments(restCount, rest.data())) return 1;
    MakeInputs(tiny);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    fs::remove_all(g_inputs.folder);
    return 0;
}
