// The streaming converter against ffmpeg on IMA ADPCM, and its memory on a
// long input:
//
//   codec_bench --convert build/gcc/bench/pcm_convert [--ffmpeg ffmpeg]
//               [--work DIR] [--runs N] [--tiny]
//
// 1. Writes 30 minutes of stereo 44.1 kHz IMA ADPCM (blocks of 2048 bytes,
//    random codes under valid headers; 10 seconds with --tiny) and checks
//    that `pcm_convert IN OUT.raw` and `ffmpeg -i IN -f s16le OUT.raw` give
//    the same bytes.
// 2. Times both, writing to /dev/null: one warm-up run each, then N timed
//    runs each (default 3), alternating; prints the medians and the ratio
//    (target: ours <= ffmpeg's time).
// 3. Writes a sparse 1 GiB IMA ADPCM file (16 MiB with --tiny; its blocks
//    are zeros, which decode to silence) and reports the peak memory of one
//    conversion (ru_maxrss; target: below 16 MiB).
// Exit status 1 when the outputs differ or a command fails. Without ffmpeg
// on PATH, steps 1 and 2 are left out.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "kit/WaveBuilder.h"

namespace fs = std::filesystem;
using WaveBuilder::U16;
using WaveBuilder::U32;

namespace {

constexpr std::uint16_t kChannels = 2;
constexpr std::uint32_t kRate = 44100;
constexpr std::uint16_t kBlockBytes = 2048;
constexpr std::uint32_t kBlockFrames = 1 + 8 * (kBlockBytes - 4 * kChannels) / (4 * kChannels);  // 2041

// The headers of an IMA ADPCM file of `blocks` whole blocks, no padding.
std::string Headers(std::uint64_t blocks) {
    const std::uint64_t dataBytes = blocks * kBlockBytes;
    const std::string fmt = WaveBuilder::Chunk(
        "fmt ", U16(0x11) + U16(kChannels) + U32(kRate) + U32(kRate * kBlockBytes / kBlockFrames) + U16(kBlockBytes) +
                    U16(4) + U16(2) + U16(kBlockFrames));
    const std::string fact = WaveBuilder::Chunk("fact", U32(static_cast<std::uint32_t>(blocks * kBlockFrames)));
    const auto riffSize = static_cast<std::uint32_t>(4 + fmt.size() + fact.size() + 8 + dataBytes);
    return "RIFF" + U32(riffSize) + "WAVE" + fmt + fact + WaveBuilder::Header("data", static_cast<std::uint32_t>(dataBytes));
}

void WriteRandomFile(const fs::path& path, std::uint64_t blocks) {
    std::ofstream out(path, std::ios::binary);
    out << Headers(blocks);
    std::mt19937 random(20261208);
    std::vector<char> block(kBlockBytes);
    for (std::uint64_t b = 0; b < blocks; ++b) {
        for (auto& byte : block) byte = static_cast<char>(random());
        for (int c = 0; c < kChannels; ++c) {
            block[4 * c + 2] = static_cast<char>(random() % 89);  // step index
            block[4 * c + 3] = 0;
        }
        out.write(block.data(), kBlockBytes);
    }
}

void WriteSparseFile(const fs::path& path, std::uint64_t dataBytes) {
    const std::string headers = Headers(dataBytes / kBlockBytes);
    std::ofstream(path, std::ios::binary) << headers;
    fs::resize_file(path, headers.size() + dataBytes);
}

struct Run {
    double seconds = 0;
    long peakKiB = 0;
    bool ok = false;
};

Run Start(const std::vector<std::string>& argv) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        std::vector<char*> raw;
        for (const auto& arg : argv) raw.push_back(const_cast<char*>(arg.c_str()));
        raw.push_back(nullptr);
        ::execvp(raw[0], raw.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    Run run;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.peakKiB = usage.ru_maxrss;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    if (!run.ok) std::cerr << "failed: " << argv[0] << " " << argv[1] << "\n";
    return run;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

bool OnPath(const std::string& program) {
    return std::system(("command -v " + program + " >/dev/null 2>&1").c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::string convert, ffmpeg = "ffmpeg";
    fs::path work = "codec-bench";
    int runs = 3;
    bool tiny = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--convert" && hasValue) convert = argv[++i];
        else if (arg == "--ffmpeg" && hasValue) ffmpeg = argv[++i];
        else if (arg == "--work" && hasValue) work = argv[++i];
        else if (arg == "--runs" && hasValue) runs = std::max(1, std::atoi(argv[++i]));
        else if (arg == "--tiny") tiny = true;
        else return std::fprintf(stderr, "unknown argument: %s\n", argv[i]), 2;
    }
    if (convert.empty()) {
        std::cerr << "usage: codec_bench --convert PCM_CONVERT [--ffmpeg FFMPEG] [--work DIR] [--runs N] [--tiny]\n";
        return 2;
    }
    fs::create_directories(work);
    bool failed = false;
    std::printf("| figure | value |\n|---|---:|\n");

    if (OnPath(ffmpeg)) {
        const std::uint64_t frames = std::uint64_t{kRate} * (tiny ? 10 : 30 * 60);
        const std::uint64_t blocks = (frames + kBlockFrames - 1) / kBlockFrames;
        const fs::path input = work / "ima_stereo.wav";
        WriteRandomFile(input, blocks);
        std::printf("| IMA ADPCM input | %.1f MiB, %llu frames |\n", static_cast<double>(fs::file_size(input)) / 1048576.0,
                    static_cast<unsigned long long>(blocks * kBlockFrames));
        const std::vector<std::string> ours = {convert, input.string()};
        const std::vector<std::string> theirs = {ffmpeg, "-v", "error", "-y", "-i", input.string(), "-f", "s16le"};
        auto to = [](std::vector<std::string> argv, const fs::path& out) {
            argv.push_back(out.string());
            return argv;
        };
        failed |= !Start(to(ours, work / "ours.raw")).ok;
        failed |= !Start(to(theirs, work / "ffmpeg.raw")).ok;
        const bool same = fs::file_size(work / "ours.raw") == fs::file_size(work / "ffmpeg.raw") &&
                          std::system(("cmp -s " + (work / "ours.raw").string() + " " + (work / "ffmpeg.raw").string()).c_str()) == 0;
        failed |= !same;
        std::printf("| output equals ffmpeg's | %s |\n", same ? "yes" : "NO");
        fs::remove(work / "ours.raw");
        fs::remove(work / "ffmpeg.raw");
        std::vector<double> ourTimes, theirTimes;
        for (int i = 0; i <= runs; ++i) {
            const Run a = Start(to(ours, "/dev/null")), b = Start(to(theirs, "/dev/null"));
            failed |= !a.ok || !b.ok;
            if (i > 0) ourTimes.push_back(a.seconds), theirTimes.push_back(b.seconds);
        }
        const double ourMedian = Median(ourTimes), theirMedian = Median(theirTimes);
        std::printf("| pcm_convert s (median of %d) | %.3f |\n| ffmpeg s (median of %d) | %.3f |\n", runs, ourMedian, runs,
                    theirMedian);
        std::printf("| **pcm_convert / ffmpeg** | **%.2f** (target <= 1.0) |\n", ourMedian / theirMedian);
        fs::remove(input);
    } else {
        std::printf("| ffmpeg | not on PATH: no comparison |\n");
    }

    const std::uint64_t dataBytes = tiny ? std::uint64_t{16} << 20 : std::uint64_t{1} << 30;
    const fs::path sparse = work / "ima_sparse.wav";
    WriteSparseFile(sparse, dataBytes);
    const Run big = Start({convert, sparse.string(), "/dev/null"});
    failed |= !big.ok;
    std::printf("| sparse input | %.0f MiB, %.3f s |\n", static_cast<double>(dataBytes) / 1048576.0, big.seconds);
    std::printf("| **pcm_convert peak MiB** | **%.1f** (target < 16) |\n", static_cast<double>(big.peakKiB) / 1024.0);
    if (OnPath(ffmpeg)) {
        const Run theirs = Start({ffmpeg, "-v", "error", "-y", "-i", sparse.string(), "-f", "s16le", "/dev/null"});
        std::printf("| ffmpeg on it | %.3f s, peak %.1f MiB |\n", theirs.seconds, static_cast<double>(theirs.peakKiB) / 1024.0);
    }
    fs::remove(sparse);
    return failed ? 1 : 0;
}
