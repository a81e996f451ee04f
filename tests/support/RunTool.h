// Test support: a fresh temporary folder, and running a built program in it
// with its standard output and standard error captured.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "kit/Files.h"

namespace TestSupport {

// A new empty folder, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return path_; }
    // Writes `bytes` to the file `name` (relative to the folder), making folders.
    void Write(const std::string& name, const std::string& bytes) const;
    // The bytes of `name`, or an empty string when it cannot be read.
    std::string Read(const std::string& name) const;
    bool Exists(const std::string& name) const;

private:
    std::filesystem::path path_;
};

// The names in `folder`, sorted; none where it is no folder.
std::vector<std::string> FilesIn(const std::filesystem::path& folder);

struct RunResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
    // The child's peak resident memory in bytes, as the system counts it
    // (at least the test program's own at the fork, which the child started
    // as a copy of).
    std::uint64_t peakMemory = 0;
    bool timedOut = false;
};

// Runs `program` with `args` in `folder`, standard input empty. When the
// environment holds SND_TEST_RUNNER (for instance "wine"), the program is run
// through it.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::filesystem::path& folder);

// How a run is made harder than a plain one.
struct RunConditions {
    // Largest file the program may write, in bytes (0: no limit). A write past
    // it fails as on a full disk.
    std::uint64_t fileSizeLimit = 0;
    // Called every millisecond with the standard output so far; once it
    // returns true the program gets `signal`.
    std::function<bool(const std::string& out)> interruptWhen;
    int signal = 0;
    // Standard output is a pipe whose reader goes away at once.
    bool closedPipeOut = false;
    // Called every millisecond with the program's process id, which it may
    // stop and examine; once it returns true the program gets `signal`.
    std::function<bool(int child)> interruptWhenProcess;
    // The program runs as the user nobody where the tests run as root.
    bool unprivileged = false;
    // Signals the caller ignores, as nohup or a background job does.
    std::vector<int> ignoredSignals;
    // Standard input reads this file (else it is empty), from this offset.
    std::filesystem::path standardInput;
    long inputOffset = 0;
    // After this many seconds the program is killed (SIGKILL) and the result
    // says so (0: no limit).
    int timeoutSeconds = 0;
};

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::filesystem::path& folder, const RunConditions& conditions);

// Runs `body` in a child process as the unprivileged user nobody where this
// process is root (root may write anything, so permission checks need
// that), else as this user. What `body` returns, or nullopt when the child
// could not give up its privileges.
std::optional<bool> Unprivileged(const std::function<bool()>& body);
// The user and group ids Unprivileged and RunConditions::unprivileged take.
constexpr unsigned kNobody = 65534;

// True when SND_TEST_RUNNER is set. The runner is Wine running the Windows
// build (scripts/windows.sh): a test of behaviour that belongs to the host's
// file system or command line, not to our code, skips itself there and says
// why.
bool RunsUnderRunner();

// The programs under test: SND_PULL / SND_INFO from the environment, else the
// ones this build made.
std::string SndPullPath();
std::string SndInfoPath();

// An independent tool (ffmpeg, ffprobe, sox) run by the shell in `dir` on
// this host, never through SND_TEST_RUNNER: only our programs are under
// test. Its standard output, or nothing when it fails.
std::optional<std::string> Oracle(const std::filesystem::path& dir, const std::string& command);

}  // namespace TestSupport
