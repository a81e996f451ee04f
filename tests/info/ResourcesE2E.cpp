// Memory and output of every mode over hostile inputs: each input, built
// here, is run through each mode that takes it as a program of its own, and
// the program's peak resident memory and all it writes (standard output,
// standard error, the files of its output folder) are held to the documented
// bounds -- memory: a package 4 x its size + 16 MiB, a WAVE file 32 x its
// size + 16 MiB (the model and its facts side by side), the page's listing
// + twice the text it returns; output: a package 1,024 x its size + 1 MiB, a
// WAVE file 64 x + 1 MiB. Each row prints its figures (bench/README.md keeps
// the table).
//
// Skipped under the sanitizers, whose memory is their own, and under a
// runner (Wine), whose memory is not the program's.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "tests/support/RunTool.h"

#if defined(__SANITIZE_ADDRESS__)
#define SND_TEST_SANITIZED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SND_TEST_SANITIZED 1
#endif
#endif

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;

constexpr std::uint64_t kMiB = 1u << 20;

enum class Kind { Package, Wave };

// A hostile input: its file "in.kzs" or "in.wav" and, for a package, the
// export script "in.dpl" naming what Snd_Pull takes from it.
struct Input {
    const char* name;
    Kind kind;
    std::function<void(const fs::path& folder)> write;
};

std::string Numbered(const char* stem, std::size_t n) { return stem + std::to_string(n); }

void WriteScript(const fs::path& folder, const std::vector<std::string>& sounds) {
    std::string script = "in;\n";
    for (const std::string& sound : sounds) script += sound + '\n';
    WriteFile(folder / "in.dpl", script);
}

// A short PCM WAVE file with `rest` after its data chunk.
std::string WaveWith(const std::string& rest) {
    using namespace WaveBuilder;
    return Riff(PcmFmt(1, 8000, 16) + Chunk("data", Samples(16, 1, 64)) + rest);
}

enum class Nesting { None, Chain, Loop };

// `count` sounds of a few samples, named `stem` + number padded to
// `nameLength`; in a chain, each in the one before; in a loop, each in the
// one after and the last in the first.
void WriteSounds(const fs::path& folder, std::size_t count, std::size_t nameLength, Nesting nesting = Nesting::None) {
    PackageBuilder b;
    const std::string wave = TestSupport::PcmWave({1, -1, 2, -2, 3, -3});
    std::vector<std::string> names;
    for (std::size_t n = 0; n < count; ++n) {
        std::string name = Numbered("S", n);
        name.insert(1, nameLength > name.size() ? nameLength - name.size() : 0, 'x');
        const auto ref = static_cast<std::int32_t>(nesting == Nesting::Chain ? n : n + 2 > count ? 1 : n + 2);
        b.AddSound(name, wave, {}, nesting == Nesting::None ? 0 : ref);
        names.push_back(name);
    }
    b.Write(folder / "in.kzs");
    WriteScript(folder, names);
}

const std::vector<Input>& Inputs() {
    using namespace WaveBuilder;
    static const std::vector<Input> inputs = {
        // Every cue point and every label of one cue id: each point meets
        // every label.
        {"SharedCueLabels", Kind::Wave,
         [](const fs::path& folder) {
             std::vector<CueRecord> points(1000, CueRecord{7, 0, "data", 0, 0, 0});
             std::string labels;
             for (std::size_t n = 0; n < 250; ++n) labels += Labl(7, Numbered("label ", n));
             WriteFile(folder / "in.wav", WaveWith(Cue(points) + List("adtl", labels)));
         }},
        // 250,000 chunks of nothing but their header.
        {"EmptyChunks", Kind::Wave,
         [](const fs::path& folder) {
             std::string chunks;
             for (std::size_t n = 0; n < 250000; ++n) chunks += Header("junk", 0);
             WriteFile(folder / "in.wav", WaveWith(chunks));
         }},
        // 2 MB of labels, each of its own cue id.
        {"ManyLabels", Kind::Wave,
         [](const fs::path& folder) {
             std::string labels;
             for (std::uint32_t n = 0; labels.size() < 2 * kMiB; ++n) labels += Labl(n, Numbered("label number ", n));
             WriteFile(folder / "in.wav", WaveWith(List("adtl", labels)));
         }},
        // A million exports of class Sound, one name, no data: 12 bytes each.
        {"EmptyExports", Kind::Package,
         [](const fs::path& folder) {
             PackageBuilder b;
             const std::int32_t sound = b.SoundClass();
             const std::int32_t name = b.Name("Empty");
             const std::string entry =
                 CompactIndex(sound) + CompactIndex(0) + I32(0) + CompactIndex(name) + TestSupport::U32(0) + CompactIndex(0);
             constexpr std::uint32_t kCount = 1000000;
             std::string exports;
             exports.reserve(entry.size() * kCount);
             for (std::uint32_t n = 0; n < kCount; ++n) exports += entry;
             b.RawExports = std::move(exports);
             b.ExportCount = kCount;
             b.Write(folder / "in.kzs");
             WriteScript(folder, {"Empty"});
         }},
        {"SmallSounds", Kind::Package, [](const fs::path& folder) { WriteSounds(folder, 5000, 0); }},
        // Names of 240 bytes, the file names near the longest there are.
        {"LongNames", Kind::Package, [](const fs::path& folder) { WriteSounds(folder, 1000, 240); }},
        // Sounds that are each other's groups: /x: makes their folders.
        {"GroupChain", Kind::Package, [](const fs::path& folder) { WriteSounds(folder, 5000, 0, Nesting::Chain); }},
        {"GroupLoop", Kind::Package, [](const fs::path& folder) { WriteSounds(folder, 5000, 0, Nesting::Loop); }},
    };
    return inputs;
}

enum class Mode { Text, Json, Extract, ExtractJson, Pull, Page };

struct Row {
    std::size_t input;
    Mode mode;
};

const char* ModeName(Mode mode) {
    switch (mode) {
        case Mode::Text: return "Text";
        case Mode::Json: return "Json";
        case Mode::Extract: return "Extract";
        case Mode::ExtractJson: return "ExtractJson";
        case Mode::Pull: return "Pull";
        case Mode::Page: return "Page";
    }
    return "";
}

std::vector<Row> Rows() {
    std::vector<Row> rows;
    for (std::size_t n = 0; n < Inputs().size(); ++n) {
        for (Mode mode : {Mode::Text, Mode::Json, Mode::Page}) rows.push_back({n, mode});
        if (Inputs()[n].kind != Kind::Package) continue;
        for (Mode mode : {Mode::Extract, Mode::ExtractJson, Mode::Pull}) rows.push_back({n, mode});
    }
    return rows;
}

// Builds the input in a child process, so that this program stays as small
// as it was: a child's peak memory counts the test program it began as.
void WriteInChild(const Input& input, const fs::path& folder) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        input.write(folder);
        ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

std::uint64_t BytesUnder(const fs::path& folder) {
    std::uint64_t bytes = 0;
    if (!fs::exists(folder)) return 0;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (entry.is_regular_file()) bytes += entry.file_size();
    }
    return bytes;
}

// A WAVE file through a pipe, its headers printed: the samples stream past,
// nothing holds them (the same file as a whole would take 64 MiB).
TEST(ResourcesPipeE2E, APipedWaveIsPrintedWithoutHoldingItsSamples) {
#ifdef SND_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizers' memory is their own";
#endif
    if (RunsUnderRunner()) GTEST_SKIP() << "pipes are the host shell's";
    TempDir dir;
    const std::uint32_t samples = 64 * kMiB;
    WriteFile(dir.Path() / "big.wav", WaveBuilder::Riff(4 + 24 + 8 + samples, WaveBuilder::PcmFmt(1, 8000, 16)) + "data" + WaveBuilder::U32(samples));
    fs::resize_file(dir.Path() / "big.wav", 12 + 24 + 8 + std::uint64_t{samples});
    const RunResult run = TestSupport::Run("/bin/sh", {"-c", "cat big.wav | \"$0\" -", SndInfoPath()}, dir.Path());
    EXPECT_EQ(run.exitStatus, 0) << run.err;
    EXPECT_NE(run.out.find("'data' 67108864 bytes"), std::string::npos) << run.out;
    EXPECT_LT(run.peakMemory, 16 * kMiB);
}

class ResourcesE2E : public ::testing::TestWithParam<Row> {};

TEST_P(ResourcesE2E, StaysWithinTheBounds) {
#ifdef SND_TEST_SANITIZED
    GTEST_SKIP() << "the sanitizers' memory is their own";
#endif
    if (RunsUnderRunner()) GTEST_SKIP() << "the runner's memory is not the program's";
    const Input& input = Inputs()[GetParam().input];
    const Mode mode = GetParam().mode;
    TempDir dir;
    WriteInChild(input, dir.Path());
    const bool package = input.kind == Kind::Package;
    const std::string file = package ? "in.kzs" : "in.wav";
    std::uint64_t inputBytes = fs::file_size(dir.Path() / file);
    fs::create_directory(dir.Path() / "out");

    RunResult run;
    switch (mode) {
        case Mode::Text: run = TestSupport::Run(SndInfoPath(), {file}, dir.Path()); break;
        case Mode::Json: run = TestSupport::Run(SndInfoPath(), {"--json", file}, dir.Path()); break;
        case Mode::Extract: run = TestSupport::Run(SndInfoPath(), {file, "/x:out"}, dir.Path()); break;
        case Mode::ExtractJson: run = TestSupport::Run(SndInfoPath(), {file, "/x:out", "--json"}, dir.Path()); break;
        case Mode::Pull:
            inputBytes += fs::file_size(dir.Path() / "in.dpl");
            run = TestSupport::Run(SndPullPath(), {"in", "/i:.", "/o:out"}, dir.Path());
            break;
        case Mode::Page: run = TestSupport::Run(SND_WEB_DRIVER_PATH, {"info", file}, dir.Path()); break;
    }
    const std::uint64_t output = run.out.size() + run.err.size() + BytesUnder(dir.Path() / "out");
    // The page's listing is one text handed back whole: it holds that text
    // too, and while the text grows, for a moment, its old copy.
    const std::uint64_t memoryBound =
        (package ? 4 : 32) * inputBytes + 16 * kMiB + (mode == Mode::Page ? 2 * run.out.size() : 0);
    const std::uint64_t outputBound = (package ? 1024 : 64) * inputBytes + kMiB;
    std::printf("| %s | %llu | %s | %.1f | %.1f | %llu | %llu |\n", input.name,
                static_cast<unsigned long long>(inputBytes), ModeName(mode),
                static_cast<double>(run.peakMemory) / kMiB, static_cast<double>(memoryBound) / kMiB,
                static_cast<unsigned long long>(output), static_cast<unsigned long long>(outputBound));
    EXPECT_GT(run.peakMemory, 0u);
    EXPECT_LE(run.peakMemory, memoryBound) << "peak memory";
    EXPECT_LE(output, outputBound) << "output";
    // Every mode gives something, ends by itself and reports no crash.
    EXPECT_GT(run.out.size(), 0u);
    EXPECT_LT(run.exitStatus, 128) << run.err.substr(0, 400);
}

INSTANTIATE_TEST_SUITE_P(Rows, ResourcesE2E, ::testing::ValuesIn(Rows()),
                         [](const ::testing::TestParamInfo<Row>& info) {
                             return std::string(Inputs()[info.param.input].name) + "_" + ModeName(info.param.mode);
                         });

}  // namespace
