// Times Snd_Pull, Snd_Info's extraction and model_copy against the raw-copy
// floor on the inputs that make_bench_inputs wrote, alternating the commands
// of one comparison on the same inputs: one warm-up run each, then --runs
// timed runs each. Prints medians (wall clock, and CPU time in user +
// system), peak memory and the ratios the targets are stated in, as a
// Markdown table. Checks afterwards that every output the programs wrote
// equals the floor's, byte for byte.
//
//   bench_runner --pull P --floor F --model M --inputs DIR [--runs N]
//                [--info SND_INFO [--info-before SND_INFO]]
//                [--cases a,b,c,x,wave,info,damaged,hostile,huge]
//
// The cases x (extraction), info and huge need --info.
//
// Exit status 0 when every output matched, 1 when one did not or a command
// failed, 2 for bad usage.
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <system_error>
#include <map>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool g_failed = false;

struct Command {
    std::vector<std::string> argv;
    fs::path folder;
    // Snd_Pull and Snd_Info end with 1 when they find an input damaged: only
    // a signal is a failure then.
    bool anyStatus = false;
    std::vector<fs::path> fresh = {};  // folders emptied before each run, outside the timing
};

struct Sample {
    double wall = 0;
    double cpu = 0;
    long peakKiB = 0;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Runs one command in its folder, standard input and output on /dev/null.
Sample RunOnce(const Command& command) {
    for (const fs::path& folder : command.fresh) {
        fs::remove_all(folder);
        fs::create_directories(folder);
    }
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
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && !command.anyStatus)) {
        std::cerr << "bench_runner: " << command.argv[0] << " ended with status " << status << "\n";
        g_failed = true;
    }
    return {std::chrono::duration<double>(stop - start).count(), Seconds(usage.ru_utime) + Seconds(usage.ru_stime),
            usage.ru_maxrss};
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Result {
    double wall = 0;  // median
    double cpu = 0;   // median
    double peakMiB = 0;
};

// Runs each command once to warm up, then `runs` times, alternating.
std::vector<Result> Alternate(const std::vector<Command>& commands, int runs) {
    for (const auto& command : commands) RunOnce(command);
    std::vector<std::vector<double>> walls(commands.size()), cpus(commands.size());
    std::vector<Result> results(commands.size());
    for (int run = 0; run < runs; ++run) {
        for (std::size_t i = 0; i < commands.size(); ++i) {
            const Sample sample = RunOnce(commands[i]);
            walls[i].push_back(sample.wall);
            cpus[i].push_back(sample.cpu);
            results[i].peakMiB = std::max(results[i].peakMiB, static_cast<double>(sample.peakKiB) / 1024);
        }
    }
    for (std::size_t i = 0; i < commands.size(); ++i) {
        results[i].wall = Median(walls[i]);
        results[i].cpu = Median(cpus[i]);
    }
    return results;
}

void Header() {
    std::printf("| %-40s | %-36s | %12s | %-9s |\n", "case", "figure", "value", "target");
    std::printf("|%s|%s|%s|%s|\n", std::string(42, '-').c_str(), std::string(38, '-').c_str(),
                std::string(14, '-').c_str(), std::string(11, '-').c_str());
}

void Row(const std::string& name, const std::string& figure, double value, const std::string& target = "") {
    std::printf("| %-40s | %-36s | %12.4f | %-9s |\n", name.c_str(), figure.c_str(), value, target.c_str());
}

void TextRow(const std::string& name, const std::string& figure, const std::string& value) {
    std::printf("| %-40s | %-36s | %12s | %-9s |\n", name.c_str(), figure.c_str(), value.c_str(), "");
}

// A program's run (r[0]) against the plain floor (r[1]) and the whole-file
// floor (r[2]), which writes each file under a temporary name and renames it.
// `target` is the one against the plain floor.
void AgainstFloors(const std::string& name, const std::string& program, const std::vector<Result>& r,
                   const std::string& target) {
    Row(name, program + " s", r[0].wall);
    Row(name, "floor s", r[1].wall);
    Row(name, "whole-file floor s", r[2].wall);
    Row(name, program + " / floor (wall)", r[0].wall / r[1].wall, target);
    Row(name, program + " / whole-file floor (wall)", r[0].wall / r[2].wall, "<= 1.10");
    Row(name, program + " / floor (CPU)", r[0].cpu / r[1].cpu);
    Row(name, program + " peak MiB", r[0].peakMiB);
}

// Whether two files hold the same bytes; compared in pieces, so that the
// runner stays small (its own memory shows in its children's peak).
bool SameBytes(const fs::path& a, const fs::path& b) {
    std::error_code ec;
    if (fs::file_size(a, ec) != fs::file_size(b, ec) || ec) return false;
    std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
    std::vector<char> p(1 << 16), q(1 << 16);
    while (x && y) {
        x.read(p.data(), static_cast<std::streamsize>(p.size()));
        y.read(q.data(), static_cast<std::streamsize>(q.size()));
        if (x.gcount() != y.gcount() || !std::equal(p.begin(), p.begin() + x.gcount(), q.begin())) return false;
    }
    return true;
}

// Whether every file of `expected` is in `actual` with the same bytes, and
// `actual` holds no other file.
bool SameFiles(const fs::path& actual, const fs::path& expected) {
    std::size_t count = 0;
    for (const auto& entry : fs::directory_iterator(expected)) {
        ++count;
        const fs::path other = actual / entry.path().filename();
        if (!SameBytes(other, entry.path())) {
            std::cerr << "bench_runner: " << other << " differs from " << entry.path() << "\n";
            return false;
        }
    }
    return count == static_cast<std::size_t>(std::distance(fs::directory_iterator(actual), fs::directory_iterator()));
}

void Check(const std::string& name, bool same) {
    TextRow(name, "output equals the floor's", same ? "yes" : "NO");
    if (!same) g_failed = true;
}

// The number of sound lines of a script (lines not ending in ';').
std::size_t SoundLines(const fs::path& script) {
    std::ifstream in(script);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) count += !line.empty() && line.back() != ';';
    return count;
}

void ClearFolder(const fs::path& folder) {
    fs::remove_all(folder);
    fs::create_directories(folder);
}

}  // namespace

int main(int argc, char** argv) {
    std::map<std::string, std::string> options{{"--runs", "5"}};
    for (int i = 1; i + 1 < argc; i += 2) options[argv[i]] = argv[i + 1];
    if (argc % 2 == 0 || !options.count("--pull") || !options.count("--floor") || !options.count("--model") ||
        !options.count("--inputs")) {
        std::cerr << "usage: bench_runner --pull P --floor F --model M --inputs DIR [--runs N]\n"
                     "                    [--info I [--info-before J]] [--cases a,b,c,x,wave,info,damaged,hostile,huge]\n";
        return 2;
    }
    const std::string pull = fs::absolute(options["--pull"]).string();
    const std::string floor = fs::absolute(options["--floor"]).string();
    const std::string model = fs::absolute(options["--model"]).string();
    const fs::path inputs = fs::absolute(options["--inputs"]);
    const int runs = std::max(1, std::stoi(options["--runs"]));
    const std::string info = options.count("--info") ? fs::absolute(options["--info"]).string() : "";
    const std::string infoBefore = options.count("--info-before") ? fs::absolute(options["--info-before"]).string() : "";
    const std::string cases = "," + options["--cases"] + ",";
    const auto wanted = [&](const std::string& name) { return cases == ",," || cases.find("," + name + ",") != std::string::npos; };

    // A row shows as soon as it is measured: a full run takes minutes.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    std::printf("%d timed runs of each command after one warm-up; medians.\n\n", runs);
    Header();
    {
        const auto base = Alternate({{{"/bin/true"}, inputs}}, runs);
        Row("baseline (/bin/true)", "peak MiB", base[0].peakMiB);
    }

    // Export runs against the floor: (a) many small sounds, (b) few large ones.
    for (const std::string set : {"a", "b"}) {
        const fs::path folder = inputs / set;
        if (!wanted(set) || !fs::exists(folder / "all.dpl")) continue;
        ClearFolder(folder / "out_pull");
        ClearFolder(folder / "out_floor");
        const auto r = Alternate({{{pull, "all", "/i:pk", "/o:out_pull"}, folder},
                                  {{floor, (folder / "all.floor").string()}, folder},
                                  {{floor, "--whole", (folder / "all.floor").string()}, folder}},
                                 runs);
        const std::string name = "export (" + set + "), " + std::to_string(SoundLines(folder / "all.dpl")) + " sounds";
        // Large sounds are copied by the system, file to file: they should
        // beat reading and writing them.
        AgainstFloors(name, "Snd_Pull", r, set == "b" ? "<= 0.90" : "<= 1.10");
        Check(name, SameFiles(folder / "out_pull", folder / "out_floor"));
    }

    // Lookup scaling: a few names against every name of the same package.
    if (wanted("c") && fs::exists(inputs / "c" / "all.dpl")) {
        const fs::path folder = inputs / "c";
        ClearFolder(folder / "out_pull");
        ClearFolder(folder / "out_floor");
        const auto r = Alternate({{{pull, "some", "/i:pk", "/o:out_pull"}, folder},
                                  {{pull, "all", "/i:pk", "/o:out_pull"}, folder},
                                  {{floor, (folder / "all.floor").string()}, folder}},
                                 runs);
        const auto some = static_cast<double>(SoundLines(folder / "some.dpl"));
        const auto all = static_cast<double>(SoundLines(folder / "all.dpl"));
        const std::string name = "lookup (c)";
        Row(name, "us per sound, " + std::to_string(static_cast<long>(some)) + "-name script", 1e6 * r[0].wall / some);
        Row(name, "us per sound, " + std::to_string(static_cast<long>(all)) + "-name script", 1e6 * r[1].wall / all);
        Row(name, "per-sound ratio all / some", (r[1].wall / all) / (r[0].wall / some), "<= 1.5");
        Row(name, "Snd_Pull all / floor (wall)", r[1].wall / r[2].wall);
        Row(name, "Snd_Pull peak MiB (all)", r[1].peakMiB);
        Check(name, SameFiles(folder / "out_pull", folder / "out_floor"));
    }

    // Extraction of every sound of (a) against the floor: each run into an
    // empty folder, as a first extraction goes.
    if (wanted("x") && !info.empty() && fs::exists(inputs / "a" / "all.floor")) {
        const fs::path folder = inputs / "a";
        const auto r = Alternate({{{info, "pk/Bench.kzs", "/x:out_x"}, folder, false, {folder / "out_x"}},
                                  {{floor, (folder / "all.floor").string()}, folder, false, {folder / "out_floor"}},
                                  {{floor, "--whole", (folder / "all.floor").string()}, folder, false, {folder / "out_floor"}}},
                                 runs);
        const std::string name = "extract (a), " + std::to_string(SoundLines(folder / "all.dpl")) + " sounds";
        AgainstFloors(name, "Snd_Info /x:", r, "<= 1.25");
        Check(name, SameFiles(folder / "out_x" / "Bench", folder / "out_floor"));
        fs::remove_all(folder / "out_x");
    }

    // The WAVE model: load and save of a large file against copying it, in
    // one buffer of the file's size and streamed through 1 MiB.
    const fs::path wave = inputs / "wave";
    if (wanted("wave") && fs::exists(wave / "big.wav")) {
        const auto size = static_cast<double>(fs::file_size(wave / "big.wav"));
        const auto r = Alternate({{{model, "big.wav", "model.wav"}, wave},
                                  {{floor, (wave / "copy.floor").string()}, wave},
                                  {{floor, "--piece", "1048576", (wave / "copy.floor").string()}, wave}},
                                 runs);
        const std::string name = "WAVE model, " + std::to_string(static_cast<long>(size / 1048576)) + " MiB";
        Row(name, "load+save s", r[0].wall);
        Row(name, "in-memory copy s", r[1].wall);
        Row(name, "streaming copy (1 MiB) s", r[2].wall);
        Row(name, "model / in-memory copy (wall)", r[0].wall / r[1].wall, "<= 1.5");
        Row(name, "model / streaming copy (wall)", r[0].wall / r[2].wall, "<= 1.5");
        Row(name, "model / in-memory copy (CPU)", r[0].cpu / r[1].cpu);
        Row(name, "model / streaming copy (CPU)", r[0].cpu / r[2].cpu);
        Row(name, "model peak MiB", r[0].peakMiB);
        Row(name, "peak / (1.1 x file + 8 MiB)", r[0].peakMiB * 1048576 / (1.1 * size + 8 * 1048576.0), "<= 1.0");
        // The file's chunks stand in the saved order: the model gives it back as it is.
        Check(name, SameBytes(wave / "model.wav", wave / "big.wav"));
        fs::remove(wave / "model.wav");
        fs::remove(wave / "copy.wav");
    }

    // Snd_Info: the listing of the 100,000-export package (each sound's
    // audio facts come from its WAVE headers) and the print of large WAVE
    // files, which reads their headers only. --info-before names an earlier
    // Snd_Info to hold the listing against.
    if (wanted("info") && !info.empty() && fs::exists(inputs / "c" / "pk" / "Bench.kzs")) {
        std::vector<Command> commands{{{info, "pk/Bench.kzs"}, inputs / "c"}};
        if (!infoBefore.empty()) commands.push_back({{infoBefore, "pk/Bench.kzs"}, inputs / "c"});
        const auto r = Alternate(commands, runs);
        const std::string name = "Snd_Info listing (c)";
        Row(name, "s", r[0].wall);
        Row(name, "peak MiB", r[0].peakMiB);
        if (!infoBefore.empty()) {
            Row(name, "before s", r[1].wall);
            Row(name, "now / before (wall)", r[0].wall / r[1].wall, "<= 2.0");
        }
    }
    if (wanted("info") && !info.empty() && fs::exists(wave / "sparse.wav")) {
        const auto r = Alternate({{{info, "sparse.wav"}, wave}, {{info, "big.wav"}, wave}}, runs);
        const auto sparse = static_cast<double>(fs::file_size(wave / "sparse.wav"));
        const auto big = static_cast<double>(fs::file_size(wave / "big.wav"));
        const std::string sparseName = "Snd_Info print, " + std::to_string(static_cast<long>(sparse / 1048576)) + " MiB sparse";
        Row(sparseName, "s", r[0].wall);
        Row(sparseName, "peak MiB", r[0].peakMiB, "< 16");
        const std::string bigName = "Snd_Info print, " + std::to_string(static_cast<long>(big / 1048576)) + " MiB";
        Row(bigName, "s", r[1].wall);
        Row(bigName, "peak MiB", r[1].peakMiB, "< 16");
    }

    // Damaged input: 1 KiB files whose sizes claim gigabytes.
    const fs::path damaged = inputs / "damaged";
    if (wanted("damaged") && fs::exists(damaged / "claim.dpl")) {
        // Its sounds cannot be read in full: Snd_Pull ends with 1.
        const auto r = Alternate({{{pull, "claim", "/i:pk", "/o:out_pull"}, damaged, true}}, runs);
        Row("damaged package, 1 KiB", "Snd_Pull peak MiB", r[0].peakMiB, "< 16");
    }
    if (wanted("damaged") && fs::exists(damaged / "claim.wav")) {
        const auto r = Alternate({{{model, "claim.wav", "model.wav"}, damaged}}, runs);
        Row("damaged WAVE file, 1 KiB", "model_copy peak MiB", r[0].peakMiB, "< 16");
    }

    // Hostile input: files that are all table entries or all chunk headers.
    // Peak memory against the bound: 4x the file + 16 MiB for a package,
    // 8x + 16 MiB for a WAVE file.
    const fs::path hostile = inputs / "hostile";
    if (wanted("hostile") && fs::exists(hostile / "zeros.wav")) {
        struct Case {
            std::string name;
            std::string file;
            std::vector<std::string> argv;
            double factor;
        };
        std::vector<Case> list;
        for (const std::string package : {"names", "exports"}) {
            const std::string file = package + ".kzs";
            list.push_back({"Snd_Pull " + package + " /i:.", file, {pull, package, "/i:."}, 4});
            if (info.empty()) continue;
            list.push_back({"Snd_Info " + file, file, {info, file}, 4});
            list.push_back({"Snd_Info " + file + " /dpl", file, {info, file, "/dpl"}, 4});
        }
        if (!info.empty()) {
            list.push_back({"Snd_Info zeros.wav", "zeros.wav", {info, "zeros.wav"}, 8});
            list.push_back({"Snd_Info zeros.wav /w:", "zeros.wav", {info, "zeros.wav", "/w:out/zeros.wav"}, 8});
        }
        list.push_back({"model_copy zeros.wav", "zeros.wav", {model, "zeros.wav", "out/zeros.wav"}, 8});
        for (const Case& c : list) {
            const auto size = static_cast<double>(fs::file_size(hostile / c.file));
            const auto r = Alternate({{c.argv, hostile, true}}, 1);
            const std::string name = c.name + ", " + std::to_string(static_cast<long>(size / 1048576)) + " MiB";
            Row(name, "peak MiB", r[0].peakMiB);
            Row(name, "peak / (" + std::to_string(static_cast<int>(c.factor)) + "x file + 16 MiB)",
                r[0].peakMiB * 1048576 / (c.factor * size + 16 * 1048576.0), "<= 1.0");
        }
        fs::remove_all(hostile / "out");
        fs::create_directory(hostile / "out");
    }

    // One sound of 1 GiB (a sparse package): memory stays flat in the copy.
    // Each run writes 1 GiB, so at most two timed runs.
    const fs::path huge = inputs / "huge";
    if (wanted("huge") && !info.empty() && fs::exists(huge / "huge.dpl")) {
        const auto r = Alternate({{{pull, "huge", "/i:pk", "/o:out_pull"}, huge, false, {huge / "out_pull"}},
                                  {{info, "pk/Huge.kzs", "/x:out_x"}, huge, false, {huge / "out_x"}}},
                                 std::min(runs, 2));
        std::error_code ec;
        const auto size = fs::file_size(huge / "out_pull" / "Huge.wav", ec);
        const std::string name = "one sound of " + std::to_string(size >> 20) + " MiB";
        Row(name, "Snd_Pull s", r[0].wall);
        Row(name, "Snd_Info /x: s", r[1].wall);
        Row(name, "Snd_Pull peak MiB", r[0].peakMiB, "< 16");
        Row(name, "Snd_Info /x: peak MiB", r[1].peakMiB, "< 16");
        Check(name, !ec && size > 0 && SameBytes(huge / "out_pull" / "Huge.wav", huge / "out_x" / "Huge" / "Huge.wav"));
        fs::remove_all(huge / "out_pull");
        fs::remove_all(huge / "out_x");
        fs::create_directories(huge / "out_pull");
    }
    return g_failed ? 1 : 0;
}
