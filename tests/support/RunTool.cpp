#include "tests/support/RunTool.h"

#include <cstdio>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <atomic>
#include <cctype>
#include <csignal>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

namespace TestSupport {

namespace fs = std::filesystem;

TempDir::TempDir() {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = fs::temp_directory_path() /
                               ("snd_test_" + std::to_string(::getpid()) + "_" + std::to_string(counter++) +
                                "_" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            path_ = candidate;
            return;
        }
    }
    throw std::runtime_error("no temporary folder");
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path_, ec);
}

void TempDir::Write(const std::string& name, const std::string& bytes) const {
    WriteFile(path_ / name, bytes);
}

std::string TempDir::Read(const std::string& name) const { return ReadFile(path_ / name); }

bool TempDir::Exists(const std::string& name) const { return fs::exists(path_ / name); }

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    if (!fs::is_directory(folder, error)) return names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

namespace {

std::vector<std::string> Words(const char* text) {
    std::vector<std::string> words;
    std::istringstream in(text ? text : "");
    for (std::string word; in >> word;) words.push_back(word);
    return words;
}

std::string FromEnvironment(const char* name, const char* fallback) {
    const char* value = std::getenv(name);
    return value && *value ? value : fallback;
}

// Whether `args` ask Snd_Info for its JSON document (/json in any case).
bool AsksForJson(const std::vector<std::string>& args) {
    return std::any_of(args.begin(), args.end(), [](const std::string& arg) {
        if (arg == "--json") return true;
        std::string lower = arg;
        std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
        return lower == "/json";
    });
}

// Where SND_JSON_DUMP names a folder, what a run of Snd_Info with --json
// printed is kept there as a file of its own (and its command line beside
// it), for the check against docs/snd_info.schema.json that runs after the
// tests (tests/facts/validate_json.py). What is not JSON there (a run cut
// short, bad usage) the check counts and passes over.
void KeepJsonDocument(const std::string& program, const std::vector<std::string>& args, const fs::path& folder,
                      const std::string& out) {
    const char* dump = std::getenv("SND_JSON_DUMP");
    if (dump == nullptr || *dump == '\0' || program != SndInfoPath() || !AsksForJson(args)) return;
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    const std::string name = std::to_string(::getpid()) + "_" + std::to_string(counter++) + "_" + std::to_string(random());
    std::string command = "cd " + folder.string() + " && Snd_Info";
    for (const std::string& arg : args) command += " '" + arg + "'";
    // The largest documents (the hostile inputs of the resource tests, up
    // to hundreds of MiB) repeat the shapes of the smaller ones: they are
    // counted, not kept.
    constexpr std::size_t kLargest = std::size_t{8} << 20;
    if (out.size() > kLargest) command += "\nnot kept: " + std::to_string(out.size()) + " bytes";
    WriteFile(fs::path(dump) / (name + ".txt"), command + '\n');
    if (out.size() <= kLargest) WriteFile(fs::path(dump) / (name + ".json"), out);
}

// In a child: becomes nobody where it is root. False when that failed.
bool DropPrivileges() {
    if (::geteuid() != 0) return true;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobody) == 0 && ::setuid(kNobody) == 0 && ::geteuid() != 0;
}

}  // namespace

RunResult Run(const std::string& program, const std::vector<std::string>& args, const fs::path& folder) {
    return Run(program, args, folder, RunConditions{});
}

RunResult Run(const std::string& program, const std::vector<std::string>& args, const fs::path& folder,
              const RunConditions& conditions) {
    std::vector<std::string> argv = Words(std::getenv("SND_TEST_RUNNER"));
    // The build folder may lie where only its owner can reach (a clone in a
    // private folder): nobody runs a copy in a folder anyone may read.
    std::optional<TempDir> reachable;
    if (conditions.unprivileged) {
        reachable.emplace();
        const fs::path copy = reachable->Path() / fs::path(program).filename();
        fs::copy_file(program, copy);
        fs::permissions(reachable->Path(), fs::perms::all & ~(fs::perms::group_write | fs::perms::others_write));
        fs::permissions(copy, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                  fs::perms::others_read | fs::perms::others_exec);
        argv.push_back(copy.string());
    } else {
        argv.push_back(program);
    }
    argv.insert(argv.end(), args.begin(), args.end());

    TempDir capture;
    const fs::path outPath = capture.Path() / "stdout";
    const fs::path errPath = capture.Path() / "stderr";
    int pipeEnds[2] = {-1, -1};
    // The child starts only once this side has closed the pipe's reading end
    // (its end of `go` closed): a program that writes at once would otherwise
    // fill the pipe's buffer, without an error, before the reader is gone.
    int go[2] = {-1, -1};
    if (conditions.closedPipeOut && (::pipe(pipeEnds) != 0 || ::pipe(go) != 0)) throw std::runtime_error("pipe failed");

    const pid_t child = ::fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        const int in = ::open(conditions.standardInput.empty() ? "/dev/null" : conditions.standardInput.c_str(), O_RDONLY);
        if (in >= 0 && ::lseek(in, conditions.inputOffset, SEEK_SET) != conditions.inputOffset) ::_exit(126);
        const int out = conditions.closedPipeOut ? pipeEnds[1]
                                                 : ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (in < 0 || out < 0 || err < 0 || ::chdir(folder.c_str()) != 0) ::_exit(126);
        if (conditions.closedPipeOut) {
            ::close(pipeEnds[0]);
            ::close(go[1]);
            char none = 0;
            while (::read(go[0], &none, 1) < 0 && errno == EINTR) {
            }
            ::close(go[0]);
        }
        // The default action of SIGPIPE, as a shell gives it, whatever the
        // test runner set.
        ::signal(SIGPIPE, SIG_DFL);
        for (const int ignored : conditions.ignoredSignals) ::signal(ignored, SIG_IGN);
        if (conditions.unprivileged && !DropPrivileges()) ::_exit(126);
        if (conditions.fileSizeLimit > 0) {
            // A write past the limit then fails with an error instead of
            // ending the program, as on a full disk.
            ::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{conditions.fileSizeLimit, conditions.fileSizeLimit};
            if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) ::_exit(126);
        } else {
            // No test writes a file of 2 GiB; a program that writes without
            // end (a fault, or a child outliving its killed test) is ended
            // there instead of filling the disk.
            const rlimit limit{rlim_t{2} << 30, rlim_t{2} << 30};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        std::vector<char*> raw;
        for (auto& arg : argv) raw.push_back(arg.data());
        raw.push_back(nullptr);
        ::execvp(raw[0], raw.data());
        ::_exit(127);
    }
    if (conditions.closedPipeOut) {
        ::close(pipeEnds[1]);
        ::close(pipeEnds[0]);  // the reader is gone before the first line
        ::close(go[0]);
        ::close(go[1]);
    }
    int status = 0;
    const bool watched = conditions.interruptWhen || conditions.interruptWhenProcess || conditions.timeoutSeconds > 0;
    bool signalled = false, timedOut = false;
    rusage usage{};
    for (long waited = 0;; ++waited) {
        const pid_t done = ::wait4(child, &status, watched ? WNOHANG : 0, &usage);
        if (done == child) break;
        if (done < 0) continue;
        if (conditions.timeoutSeconds > 0 && waited >= conditions.timeoutSeconds * 1000L && !timedOut) {
            ::kill(child, SIGKILL);
            timedOut = true;
        } else if (!signalled && ((conditions.interruptWhen && conditions.interruptWhen(ReadFile(outPath))) ||
                                  (conditions.interruptWhenProcess && conditions.interruptWhenProcess(child)))) {
            ::kill(child, conditions.signal);
            signalled = true;
        }
        // A process is watched closely: the moments looked for may be short.
        ::usleep(conditions.interruptWhenProcess ? 50 : 1000);
    }
    RunResult result;
    result.timedOut = timedOut;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = ReadFile(outPath);
    result.err = ReadFile(errPath);
    // ru_maxrss counts KiB on Linux.
    result.peakMemory = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
    KeepJsonDocument(program, args, folder, result.out);
    return result;
}

std::optional<bool> Unprivileged(const std::function<bool()>& body) {
    const pid_t child = ::fork();
    if (child < 0) return std::nullopt;
    if (child == 0) ::_exit(!DropPrivileges() ? 3 : body() ? 0 : 1);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
    }
    if (!WIFEXITED(status)) return false;
    if (WEXITSTATUS(status) == 3) return std::nullopt;
    return WEXITSTATUS(status) == 0;
}

bool RunsUnderRunner() { return !Words(std::getenv("SND_TEST_RUNNER")).empty(); }

std::string SndPullPath() { return FromEnvironment("SND_PULL", SND_PULL_PATH); }
std::string SndInfoPath() { return FromEnvironment("SND_INFO", SND_INFO_PATH); }

std::optional<std::string> Oracle(const std::filesystem::path& dir, const std::string& command) {
    const std::string script = "cd '" + dir.string() + "' && " + command;
    FILE* pipe = ::popen(script.c_str(), "r");
    if (pipe == nullptr) return std::nullopt;
    std::string out;
    char buffer[4096];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, n);
    if (::pclose(pipe) != 0) return std::nullopt;
    return out;
}

}  // namespace TestSupport
