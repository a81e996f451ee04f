// Times Snd_Pull (and Snd_Info) against the raw-copy floor on the inputs that
// make_bench_inputs wrote, alternating the two on the same inputs: one warm-up
// run each, then --runs timed runs each; prints medians, peak memory and the
// ratios the targets are stated in.
//
//   bench_runner --pull P --floor F [--info I] --inputs DIR [--runs N]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Sample {
    double seconds = 0;
    long peakKiB = 0;
};

struct Command {
    std::vector<std::string> argv;
    fs::path folder;
};

Sample RunOnce(const Command& command) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        if (::chdir(command.folder.c_str()) != 0) ::_exit(126);
        std::vector<char*> raw;
        for (const auto& arg : command.argv) raw.push_back(const_cast<char*>(arg.c_str()));
        raw.push_back(nullptr);
        ::execv(raw[0], raw.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    ::wait4(child, &status, 0, &usage);
    const auto stop = std::chrono::steady_clock::now();
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && WEXITSTATUS(status) != 1))
        std::cerr << "bench_runner: " << command.argv[0] << " ended with status " << status << "\n";
    return {std::chrono::duration<double>(stop - start).count(), usage.ru_maxrss};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Result {
    double seconds = 0;
    long peakKiB = 0;
};

// Runs each command once to warm up, then `runs` times, alternating.
std::vector<Result> Alternate(const std::vector<Command>& commands, int runs) {
    for (const auto& command : commands) RunOnce(command);
    std::vector<std::vector<double>> times(commands.size());
    std::vector<Result> results(commands.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            const Sample sample = RunOnce(commands[i]);
            times[i].push_back(sample.seconds);
            results[i].peakKiB = std::max(results[i].peakKiB, sample.peakKiB);
        }
    }
    for (std::size_t i = 0; i < commands.size(); ++i) results[i].seconds = Median(times[i]);
    return results;
}

void Row(const std::string& name, const std::string& figure, double value, const std::string& target) {
    std::printf("| %-34s | %-40s | %12.4f | %-14s |\n", name.c_str(), figure.c_str(), value, target.c_str());
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options{{"--runs", "5"}};
    for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
    if (!options.count("--pull") || !options.count("--floor") || !options.count("--inputs")) {
        std::cerr << "usage: bench_runner --pull P --floor F [--info I] --inputs DIR [--runs N]\n";
        return 2;
    }
    const std::string pull = fs::absolute(options["--pull"]).string();
    const std::string floor = fs::absolute(options["--floor"]).string();
    const std::string info = options.count("--info") ? fs::absolute(options["--info"]).string() : "";
    const fs::path inputs = fs::absolute(options["--inputs"]);
    const int runs = std::max(1, std::stoi(options["--runs"]));

    std::printf("| %-34s | %-40s | %12s | %-14s |\n", "case", "figure", "value", "target");
    std::printf("|%s|%s|%s|%s|\n", std::string(36, '-').c_str(), std::string(42, '-').c_str(),
                std::string(14, '-').c_str(), std::string(16, '-').c_str());

    // Export runs against the floor: (a) many small sounds, (b) few large ones.
    for (const std::string set : {"a", "b"}) {
        const fs::path folder = inputs / set;
        if (!fs::exists(folder / "all.dpl")) continue;
        const auto results = Alternate({{{pull, "all", "/i:pk", "/o:out_pull"}, folder},
                                        {{floor, (folder / "floor.txt").string()}, folder}},
                                       runs);
        const std::string name = "export (" + set + ")";
        Row(name, "Snd_Pull median s", results[0].seconds, "");
        Row(name, "floor median s", results[1].seconds, "");
        Row(name, "Snd_Pull / floor", results[0].seconds / results[1].seconds, "<= 1.10");
        Row(name, "Snd_Pull peak MiB", results[0].peakKiB / 1024.0, "");
    }

    // Lookup scaling: 1,000 names against 100,000 names of the same package.
    if (fs::exists(inputs / "c" / "all.dpl")) {
        const fs::path folder = inputs / "c";
        const auto results = Alternate({{{pull, "some", "/i:pk", "/o:out_pull"}, folder},
                                        {{pull, "all", "/i:pk", "/o:out_pull"}, folder}},
                                       runs);
        const double perSome = results[0].seconds / 1000;
        const double perAll = results[1].seconds / 100000;
        Row("lookup (c)", "s per sound, 1,000-name script", perSome, "");
        Row("lookup (c)", "s per sound, 100,000-name script", perAll, "");
        Row("lookup (c)", "per-sound ratio all / some", perAll / perSome, "<= 1.5");
        Row("lookup (c)", "Snd_Pull peak MiB (all)", results[1].peakKiB / 1024.0, "");
    }

    // The WAVE model: load and save of a large file against copying it.
    if (!info.empty() && fs::exists(inputs / "wave" / "big.wav")) {
        const fs::path folder = inputs / "wave";
        const auto size = static_cast<double>(fs::file_size(folder / "big.wav"));
        const auto results = Alternate({{{info, "big.wav", "/w:model.wav"}, folder},
                                        {{floor, (folder / "floor.txt").string()}, folder}},
                                       runs);
        Row("WAVE model (256 MiB)", "load+save median s", results[0].seconds, "");
        Row("WAVE model (256 MiB)", "copy median s", results[1].seconds, "");
        Row("WAVE model (256 MiB)", "model / copy", results[0].seconds / results[1].seconds, "<= 1.5");
        Row("WAVE model (256 MiB)", "peak MiB", results[0].peakKiB / 1024.0, "");
        Row("WAVE model (256 MiB)", "peak / (1.1 x file + 8 MiB)", results[0].peakKiB * 1024.0 / (1.1 * size + 8 * 1048576.0),
            "<= 1.0");
    }

    // Damaged input: 1 KiB files whose sizes claim 4 GiB.
    const fs::path damaged = inputs / "damaged";
    if (fs::exists(damaged / "claim.dpl")) {
        const auto result = Alternate({{{pull, "claim", "/i:pk", "/o:out_pull"}, damaged}}, runs);
        Row("damaged package (1 KiB)", "Snd_Pull peak MiB", result[0].peakKiB / 1024.0, "< 16");
    }
    if (!info.empty() && fs::exists(damaged / "claim.wav")) {
        const auto result = Alternate({{{info, "claim.wav", "/w:model.wav"}, damaged}}, runs);
        Row("damaged WAVE file (1 KiB)", "Snd_Info peak MiB", result[0].peakKiB / 1024.0, "< 16");
    }
    return 0;
}
