#include "common/Platform.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
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
#include <sys/stat.h>
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

std::string ProcessId() {
    static const std::string id = std::to_string(_getpid());
    return id;
}

int OpenFd(const std::string& path, bool existing) {
    const int flags = _O_WRONLY | _O_BINARY | _O_NOINHERIT | (existing ? _O_TRUNC : _O_CREAT | _O_EXCL);
    return _open(path.c_str(), flags, _S_IREAD | _S_IWRITE);
}
long WriteFd(int fd, const char* bytes, std::size_t count) {
    return _write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
}
int CloseFd(int fd) { return _close(fd); }
bool AlreadyExists() { return errno == EEXIST; }

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

// Fails, leaving both as they are, when `to` exists.
bool MoveToFreeName(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
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

std::string ProcessId() {
    static const std::string id = std::to_string(::getpid());
    return id;
}

int OpenFd(const std::string& path, bool existing) {
    const int flags = O_WRONLY | O_CLOEXEC | (existing ? O_TRUNC : O_CREAT | O_EXCL);
    return ::open(path.c_str(), flags, 0666);
}
long WriteFd(int fd, const char* bytes, std::size_t count) {
    return static_cast<long>(::write(fd, bytes, std::min<std::size_t>(count, 1u << 30)));
}
int CloseFd(int fd) { return ::close(fd); }
bool AlreadyExists() { return errno == EEXIST; }

enum class Target { Absent, Replaceable, Device, Refused };

Target Examine(const std::string& path) {
    struct stat info{};
    if (::lstat(path.c_str(), &info) != 0) return Target::Absent;
    if (S_ISLNK(info.st_mode)) return Target::Replaceable;  // the link, not what it points at
    if (S_ISDIR(info.st_mode)) return Target::Refused;
    if (S_ISREG(info.st_mode)) {
        // A file that may not be written may not be replaced either. Our own
        // files say so by their mode alone; others need the system's word.
        if ((info.st_mode & 0222) == 0) return Target::Refused;
        if (info.st_uid == ::geteuid() && (info.st_mode & S_IWUSR) != 0) return Target::Replaceable;
        return ::access(path.c_str(), W_OK) == 0 ? Target::Replaceable : Target::Refused;
    }
    return Target::Device;
}

bool MoveOver(const std::string& from, const std::string& to) { return ::rename(from.c_str(), to.c_str()) == 0; }

// Fails, leaving both as they are, when `to` exists: a rename that refuses
// to replace, or where the file system has none, a second link to the file
// and the first one removed.
bool MoveToFreeName(const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

std::size_t FolderEnd(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

#endif

// An output whose name is still free is written as a file without a name in
// the target's folder, which is linked in under the target name once whole.
// Nothing of it can be seen before, and nothing is left if the program dies
// on the way, by any signal. It also saves the rename: one name given,
// instead of one made, then moved.
#if defined(__linux__) && defined(O_TMPFILE)
std::atomic<bool> g_noAnonymous{false};  // the file system or kernel has none

int OpenAnonymous(const std::string& folder) {
    if (g_noAnonymous.load()) return -1;
    // Readable too: should it get no name, its bytes are copied out of it.
    const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0666);
    // Kernels before 3.11 take the flag for O_DIRECTORY (EISDIR); some file
    // systems have no such files (EOPNOTSUPP).
    if (fd < 0 && (errno == EISDIR || errno == EOPNOTSUPP || errno == EINVAL)) g_noAnonymous.store(true);
    return fd;
}

void NoMoreAnonymous() { g_noAnonymous.store(true); }

bool NameAnonymous(int fd, const std::string& name) {
    if (::linkat(fd, "", AT_FDCWD, name.c_str(), AT_EMPTY_PATH) == 0) return true;
    // Kernels before 6.10 allow that only with CAP_DAC_READ_SEARCH; the link
    // through /proc needs no privilege.
    if (errno != ENOENT && errno != EPERM) return false;
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, AT_FDCWD, name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

// Creates `name` (which must not exist) holding the bytes of `fd`. On
// failure nothing is left, and errno is EEXIST only when the name was taken.
bool CopyAnonymous(int fd, const std::string& name) {
    const int out = OpenFd(name, false);
    if (out < 0) return false;
    char piece[64 * 1024];
    bool copied = true;
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, piece, sizeof piece, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        for (ssize_t put = 0; copied && put < got;) {
            const long wrote = WriteFd(out, piece + put, static_cast<std::size_t>(got - put));
            if (wrote < 0 && errno == EINTR) continue;
            copied = wrote > 0;
            if (copied) put += wrote;
        }
        if (!copied) break;
        at += got;
    }
    copied = CloseFd(out) == 0 && copied;
    if (!copied) {
        RemoveFile(name);
        errno = EIO;
    }
    return copied;
}
#else
int OpenAnonymous(const std::string&) { return -1; }
void NoMoreAnonymous() {}
bool NameAnonymous(int, const std::string&) { return false; }
bool CopyAnonymous(int, const std::string&) { return false; }
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

OutputFile::FileWriter::FileWriter() = default;

OutputFile::FileWriter::~FileWriter() {
    if (fd_ >= 0) CloseFd(fd_);
}

bool OutputFile::FileWriter::Open(const std::string& path, bool existing) {
    fd_ = OpenFd(path, existing);
    return fd_ >= 0;
}

bool OutputFile::FileWriter::Adopt(int fd) {
    fd_ = fd;
    return fd_ >= 0;
}

bool OutputFile::FileWriter::Flush() { return fd_ >= 0 && sync() == 0; }

// Small writes (a model's fields) gather in a buffer, made on first use;
// large ones (a sound's bytes in one piece) go straight to the file.
constexpr std::size_t kWriteBuffer = 32 * 1024;

void OutputFile::FileWriter::MakeBuffer() {
#if defined(__cpp_lib_smart_ptr_for_overwrite)
    buffer_ = std::make_unique_for_overwrite<char[]>(kWriteBuffer);
#else
    // A standard library without it (the WebAssembly build's): zeroed once.
    buffer_ = std::make_unique<char[]>(kWriteBuffer);
#endif
    setp(buffer_.get(), buffer_.get() + kWriteBuffer);
}

bool OutputFile::FileWriter::WriteOut(const char* bytes, std::size_t count) {
    while (count > 0 && !failed_) {
        const long wrote = WriteFd(fd_, bytes, count);
        if (wrote <= 0) {
            if (wrote < 0 && errno == EINTR) continue;
            failed_ = true;  // a full disk, a file too large, ...
            break;
        }
        bytes += wrote;
        count -= static_cast<std::size_t>(wrote);
    }
    return !failed_;
}

int OutputFile::FileWriter::sync() {
    const auto held = static_cast<std::size_t>(pptr() - pbase());
    if (buffer_) setp(buffer_.get(), buffer_.get() + kWriteBuffer);
    return fd_ >= 0 && WriteOut(pbase(), held) ? 0 : -1;
}

OutputFile::FileWriter::int_type OutputFile::FileWriter::overflow(int_type c) {
    if (sync() != 0) return traits_type::eof();
    if (!buffer_) MakeBuffer();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize OutputFile::FileWriter::xsputn(const char* s, std::streamsize count) {
    if (count <= 0) return 0;
    const auto n = static_cast<std::size_t>(count);
    // Nothing gathered and a piece worth a call of its own: straight out.
    constexpr std::size_t kDirect = 1024;
    if (pptr() == pbase() && n >= kDirect) return WriteOut(s, n) ? count : 0;
    if (!buffer_) MakeBuffer();
    if (n <= static_cast<std::size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), s, n);
        pbump(static_cast<int>(n));
        return count;
    }
    // Larger than the room left: what is buffered, then these bytes directly.
    if (sync() != 0 || !WriteOut(s, n)) return 0;
    return count;
}

bool OutputFile::FileWriter::Close(bool keep) {
    if (fd_ < 0) return false;
    const bool written = keep && sync() == 0;
    const bool closed = CloseFd(fd_) == 0;
    fd_ = -1;
    return written && closed;
}

OutputFile::OutputFile(const std::string& path, IfExists ifExists)
    : target_(HostPath(path)), keep_(ifExists == IfExists::Keep) {
    AwaitEndIfInterrupted();
    if (HoldsNul(target_) || FolderEnd(target_) == target_.size()) return;
    const Target target = Examine(target_);
    if (keep_ && target != Target::Absent) return;
    switch (target) {
        case Target::Refused: return;
        case Target::Device:
            direct_ = file_.Open(target_, true);
            return;
        case Target::Absent:
            if (file_.Adopt(OpenAnonymous(target_.substr(0, FolderEnd(target_))))) {
                anonymous_ = true;
                return;
            }
            break;
        case Target::Replaceable: break;
    }
    InstallInterruptCleanup();
    // A name of our own beside the target: in the same folder, so that the
    // rename never crosses file systems; unique to this process and call.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TemporaryName();
        // Noted before it exists: an interrupt right after the creation must
        // find it.
        slot_ = TakeSlot(candidate);
        if (file_.Open(candidate, false)) {
            temporary_ = std::move(candidate);
            return;
        }
        FreeSlot(slot_);
        slot_ = -1;
        if (!AlreadyExists()) return;  // no folder, or not writable
    }
}

std::string OutputFile::TemporaryName() const {
    static std::atomic<unsigned> counter{0};
    return target_.substr(0, FolderEnd(target_)) + ".snd-" + ProcessId() + "-" + std::to_string(counter++) + ".tmp";
}

// The anonymous file, whole, gets the target's name. A file that took the
// name meanwhile is replaced as any existing target is: through a name of
// our own and a rename. Where the system gives no name to such a file at all
// (a kernel that asks for a privilege and has no /proc), its bytes are
// copied into a file of that name instead, and later outputs are written as
// named files from the start.
bool OutputFile::LinkAnonymous() {
    const int fd = file_.Fd();
    if (NameAnonymous(fd, target_)) return true;
    const bool taken = errno == EEXIST;
    if (taken && (keep_ || Examine(target_) != Target::Replaceable)) return false;
    if (!taken) NoMoreAnonymous();
    InstallInterruptCleanup();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TemporaryName();
        slot_ = TakeSlot(candidate);
        const bool named = taken ? NameAnonymous(fd, candidate) : CopyAnonymous(fd, candidate);
        const bool nameInUse = !named && errno == EEXIST;
        bool moved = false;
        if (named) {
            moved = PutInPlace(candidate);
            if (!moved) RemoveFile(candidate);
        }
        FreeSlot(slot_);
        slot_ = -1;
        if (!nameInUse) return moved;
    }
    return false;
}

bool OutputFile::PutInPlace(const std::string& from) {
    return keep_ ? MoveToFreeName(from, target_) : MoveOver(from, target_);
}

OutputFile::~OutputFile() {
    if (!temporary_.empty()) Discard();
}

void OutputFile::Discard() {
    file_.Close(false);
    RemoveFile(temporary_);
    temporary_.clear();
    FreeSlot(slot_);
    slot_ = -1;
}

bool OutputFile::Commit() {
    if (!file_.IsOpen()) return false;
    if (anonymous_) {
        const bool landed = stream_.good() && file_.Flush() && LinkAnonymous();
        const bool closed = file_.Close(true);
        // A close that fails (it does not, on local file systems) takes back
        // what it may not have kept.
        if (landed && !closed) RemoveFile(target_);
        return landed && closed;
    }
    const bool written = stream_.good() && file_.Close(true);
    if (direct_) return written;
    if (!written || Interrupted() || !PutInPlace(temporary_)) {
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

std::vector<std::string> ExpandWildcards(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int n = 1; n < argc; ++n) {
        const std::string argument = argv[n];
#ifdef _WIN32
        const bool pattern = argument.find_first_of("*?") != std::string::npos && argument[0] != '/' &&
                             argument[0] != '-';
        if (pattern) {
            const std::size_t slash = argument.find_last_of("\\/:");
            const std::string folder = slash == std::string::npos ? "" : argument.substr(0, slash + 1);
            std::vector<std::string> names;
            WIN32_FIND_DATAA found;
            const HANDLE search = FindFirstFileA(argument.c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    const std::string name = found.cFileName;
                    if (name != "." && name != "..") names.push_back(folder + name);
                } while (FindNextFileA(search, &found));
                FindClose(search);
            }
            std::sort(names.begin(), names.end());
            if (!names.empty()) {
                args.insert(args.end(), names.begin(), names.end());
                continue;
            }
        }
#endif
        args.push_back(argument);
    }
    return args;
}

bool IsTerminal(Stream stream) {
#ifdef _WIN32
    return _isatty(stream == Stream::Output ? _fileno(stdout) : _fileno(stderr)) != 0;
#else
    return ::isatty(stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO) != 0;
#endif
}

void PrepareConsole() {
#ifdef _WIN32
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

}  // namespace Platform
