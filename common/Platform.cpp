#include "common/Platform.h"

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#include <fcntl.h>
#include <io.h>
#include <process.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace Platform {

namespace {

bool HoldsNul(const std::string& path) { return path.find('\0') != std::string::npos; }

// ---- temporary files removed on an interrupt ------------------------------
//
// A fixed table, so that a signal handler (or, on Windows, the console
// handler's thread) can walk it without allocating or locking: a slot is
// filled while Filling, then Live; the handler removes Live slots' files.
constexpr int kSlots = 16;
constexpr std::size_t kSlotPath = 4096;
enum SlotState : int { kFree = 0, kFilling = 1, kLive = 2 };
struct PendingFile {
    std::atomic<int> state{kFree};
    char path[kSlotPath];
};
PendingFile g_pending[kSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int TakeSlot(const std::string& path) {
    if (path.size() >= kSlotPath) return -1;
    for (int i = 0; i < kSlots; ++i) {
        int expected = kFree;
        if (g_pending[i].state.compare_exchange_strong(expected, kFilling)) {
            std::memcpy(g_pending[i].path, path.c_str(), path.size() + 1);
            g_pending[i].state.store(kLive);
            return i;
        }
    }
    return -1;
}

void FreeSlot(int slot) {
    if (slot >= 0) g_pending[slot].state.store(kFree);
}

#ifdef _WIN32

std::atomic<bool> g_interrupted{false};

// Runs on a thread of its own while the program goes on. A file still open
// for writing cannot be removed yet: the writer sees the interrupt when it
// finishes (AwaitEndIfInterrupted) and removes it itself. Then the default
// handler ends the program.
BOOL WINAPI RemovePendingOnConsoleEvent(DWORD) {
    g_interrupted.store(true);
    for (int round = 0; round < 500; ++round) {
        bool left = false;
        for (PendingFile& pending : g_pending) {
            if (pending.state.load() != kLive) continue;
            if (DeleteFileA(pending.path) || GetLastError() == ERROR_FILE_NOT_FOUND) {
                int expected = kLive;
                pending.state.compare_exchange_strong(expected, kFree);
            } else {
                left = true;
            }
        }
        if (!left) break;
        Sleep(10);
    }
    return FALSE;
}

void InstallInterruptCleanup() {
    static const bool installed = SetConsoleCtrlHandler(RemovePendingOnConsoleEvent, TRUE) != 0;
    (void)installed;
}

bool Interrupted() { return g_interrupted.load(); }

// After an interrupt no output may be put in place: the program is ending,
// and the console handler's thread ends it once no temporary file is left.
void AwaitEndIfInterrupted() {
    if (g_interrupted.load()) Sleep(INFINITE);
}

std::string ProcessId() { return std::to_string(_getpid()); }

// Creates `path` as a new file; false when it exists or cannot be made.
bool CreateNew(const std::string& path) {
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    CloseHandle(file);
    return true;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

enum class Target { Absent, Replaceable, Device, Refused };

Target Examine(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Target::Absent;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return Target::Refused;
    return Target::Replaceable;
}

bool MoveOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

std::size_t FolderEnd(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? 0 : slash + 1;
}

#else

extern "C" void RemovePendingOnSignal(int signal) {
    for (PendingFile& pending : g_pending) {
        if (pending.state.load() == kLive) ::unlink(pending.path);
    }
    // SA_RESETHAND has put back the default action: raised again, the signal
    // ends the program as it would have without us once this returns.
    ::raise(signal);
}

void InstallInterruptCleanup() {
    static const bool installed = [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction current{};
            // A signal the caller chose to ignore (nohup, a background job)
            // stays ignored.
            if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
            struct sigaction action{};
            action.sa_handler = RemovePendingOnSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESETHAND;
            ::sigaction(signal, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

// Here the signal handler itself ends the program.
bool Interrupted() { return false; }
void AwaitEndIfInterrupted() {}

std::string ProcessId() { return std::to_string(::getpid()); }

bool CreateNew(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

bool Exists(const std::string& path) {
    struct stat info{};
    return ::lstat(path.c_str(), &info) == 0;
}

enum class Target { Absent, Replaceable, Device, Refused };

Target Examine(const std::string& path) {
    struct stat info{};
    if (::lstat(path.c_str(), &info) != 0) return Target::Absent;
    if (S_ISLNK(info.st_mode)) return Target::Replaceable;  // the link, not what it points at
    if (S_ISDIR(info.st_mode)) return Target::Refused;
    if (S_ISREG(info.st_mode)) return ::access(path.c_str(), W_OK) == 0 ? Target::Replaceable : Target::Refused;
    return Target::Device;
}

bool MoveOver(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

std::size_t FolderEnd(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

#endif

}  // namespace

std::string HostPath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string host = path;
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
#endif
}

void OpenInput(std::ifstream& stream, const std::string& path) {
    const std::ios::iostate before = stream.rdstate();
    const std::string host = HostPath(path);
    std::error_code ec;
    if (HoldsNul(host) || std::filesystem::is_directory(host, ec)) {
        stream.setstate(std::ios::failbit);
        return;
    }
    stream.open(host, std::ios::in | std::ios::binary);
    // A successful open clears the flags; the callers rely on them staying.
    stream.setstate(before);
}

void OpenOutput(std::ofstream& stream, const std::string& path) {
    if (HoldsNul(path)) {
        stream.setstate(std::ios::failbit);
        return;
    }
    stream.open(HostPath(path), std::ios::out | std::ios::binary | std::ios::trunc);
}

// ---- OutputFile -----------------------------------------------------------

OutputFile::OutputFile(const std::string& path) : target_(HostPath(path)) {
    AwaitEndIfInterrupted();
    if (HoldsNul(target_) || FolderEnd(target_) == target_.size()) return;
    switch (Examine(target_)) {
        case Target::Refused: return;
        case Target::Device:
            direct_ = true;
            stream_.open(target_, std::ios::out | std::ios::binary | std::ios::trunc);
            return;
        case Target::Absent:
        case Target::Replaceable: break;
    }
    InstallInterruptCleanup();
    // A name of our own beside the target: in the same folder, so that the
    // rename never crosses file systems; unique to this process and call.
    static std::atomic<unsigned> counter{0};
    const std::string prefix = target_.substr(0, FolderEnd(target_)) + ".snd-" + ProcessId() + "-";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = prefix + std::to_string(counter++) + ".tmp";
        if (Exists(candidate)) continue;
        // Noted before it exists: an interrupt right after the creation must
        // find it.
        slot_ = TakeSlot(candidate);
        if (!CreateNew(candidate)) {
            FreeSlot(slot_);
            slot_ = -1;
            if (Exists(candidate)) continue;  // taken meanwhile
            return;                           // no folder, or not writable
        }
        temporary_ = std::move(candidate);
        stream_.open(temporary_, std::ios::out | std::ios::binary | std::ios::trunc);
        if (!stream_.is_open()) Discard();
        return;
    }
}

OutputFile::~OutputFile() {
    if (!temporary_.empty()) Discard();
}

void OutputFile::Discard() {
    if (stream_.is_open()) stream_.close();
    RemoveFile(temporary_);
    temporary_.clear();
    FreeSlot(slot_);
    slot_ = -1;
}

bool OutputFile::Commit() {
    if (!stream_.is_open()) return false;
    stream_.close();
    if (direct_) return !stream_.fail();
    if (stream_.fail() || Interrupted() || !MoveOver(temporary_, target_)) {
        Discard();
        AwaitEndIfInterrupted();
        return false;
    }
    temporary_.clear();
    FreeSlot(slot_);
    slot_ = -1;
    return true;
}

void IgnoreBrokenPipe() {
#ifndef _WIN32
    std::signal(SIGPIPE, SIG_IGN);
#endif
}

bool ReadScriptLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    // getline stops at the LF and drops it; eof means there was no LF.
    if (!in.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

void PrepareConsole() {
#ifdef _WIN32
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

}  // namespace Platform
