// Test support: a fresh temporary folder, and running a built program in it
// with its standard output and standard error captured.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

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

struct RunResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

// Runs `program` with `args` in `folder`, standard input empty. When the
// environment holds SND_TEST_RUNNER (for instance "wine"), the program is run
// through it.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::filesystem::path& folder);

// True when SND_TEST_RUNNER is set. The runner is Wine running the Windows
// build (scripts/windows.sh): a test of behaviour that belongs to the host's
// file system or command line, not to our code, skips itself there and says
// why.
bool RunsUnderRunner();

// The programs under test: SND_PULL / SND_INFO from the environment, else the
// ones this build made.
std::string SndPullPath();
std::string SndInfoPath();

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace TestSupport
