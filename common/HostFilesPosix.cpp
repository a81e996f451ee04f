// The host's file calls on POSIX systems (Linux, and the browser page's
// Emscripten, which offers the same calls).
#include <fcntl.h>
#include <sys/stat.h>
#if defined(__linux__)
#include <sys/vfs.h>
#endif
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>

#include "common/HostFiles.h"
#include "common/Paths.h"

namespace Platform {

std::string HostPath(const std::string& path) {
    std::string host = path;
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
}

namespace Host {

namespace {
// The descriptor the *at calls take for `in`.
int At(const Dir& in) { return in.fd >= 0 ? in.fd : AT_FDCWD; }
}  // namespace

std::string ProcessId() {
    static const std::string id = std::to_string(::getpid());
    return id;
}

bool OpenFolder(const Dir& in, const std::string& name, bool follow, Dir& folder) {
    folder.fd = ::openat(At(in), name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (follow ? 0 : O_NOFOLLOW));
    return folder.fd >= 0;
}
void CloseFolder(Dir& folder) {
    if (folder.fd >= 0) ::close(folder.fd);
    folder.fd = -1;
}
bool MakeFolder(const Dir& in, const std::string& name) { return ::mkdirat(At(in), name.c_str(), 0777) == 0; }

int OpenFd(const Dir& in, const std::string& path, bool existing) {
    const int flags = O_WRONLY | O_CLOEXEC | (existing ? O_TRUNC : O_CREAT | O_EXCL);
    return ::openat(At(in), path.c_str(), flags, 0666);
}
int OpenDeviceFd(const Dir& in, const std::string& path, bool waitForReader) {
    const int fd = ::openat(At(in), path.c_str(), O_WRONLY | O_CLOEXEC | O_NOFOLLOW | (waitForReader ? 0 : O_NONBLOCK));
    if (fd < 0) return -1;
    struct stat info{};
    // Once open, writes wait for a slow reader as on any pipe.
    const int flags = ::fcntl(fd, F_GETFL);
    if (::fstat(fd, &info) != 0 || S_ISREG(info.st_mode) || flags < 0 ||
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        errno = EEXIST;
        return -1;
    }
    return fd;
}
long WriteFd(int fd, const char* bytes, std::size_t count) {
    return static_cast<long>(::write(fd, bytes, std::min<std::size_t>(count, 1u << 30)));
}
int CloseFd(int fd) { return ::close(fd); }
bool AlreadyExists() { return errno == EEXIST; }

// Linux copies between files itself; other POSIX systems, and the browser
// page's, are left to the program.
#if defined(__linux__)
namespace {

// Whether the file system under `fd` copies a range of a file by itself:
// sharing its extents (btrfs, XFS, ZFS, bcachefs) or on the server (NFS,
// SMB). copy_file_range is then far faster than any copy.
bool CopiesByItself(int fd) {
    struct statfs system{};
    if (::fstatfs(fd, &system) != 0) return false;
    switch (static_cast<unsigned long>(system.f_type)) {
        case 0x9123683E:  // btrfs
        case 0x58465342:  // XFS
        case 0x2FC12FC1:  // ZFS
        case 0xCA451A4E:  // bcachefs
        case 0x6969:      // NFS
        case 0xFE534D42:  // SMB2
        case 0xFF534D42:  // CIFS
            return true;
        default: return false;
    }
}

// Elsewhere (ext4, tmpfs, ...) the system emulates that call through a pipe
// of 16 pages, one round trip per 64 KiB: measured on ext4, slower than
// reading and writing. A splice through a pipe of our own of 1 MiB moves the
// bytes as fast, and they still never pass through the program.
int g_pipe[2] = {-1, -1};

void DropPipe() {
    for (int& end : g_pipe) {
        if (end >= 0) ::close(end);
        end = -1;
    }
}

long SpliceRange(int in, std::uint64_t offset, int out, std::uint64_t count) {
    constexpr std::size_t kPipeBytes = std::size_t{1} << 20;
    if (g_pipe[0] < 0) {
        if (::pipe2(g_pipe, O_CLOEXEC) != 0) return -1;
        ::fcntl(g_pipe[1], F_SETPIPE_SZ, static_cast<int>(kPipeBytes));  // a smaller pipe only means more rounds
    }
    auto from = static_cast<loff_t>(offset);
    const ssize_t got = ::splice(in, &from, g_pipe[1], nullptr, std::min<std::uint64_t>(count, kPipeBytes), SPLICE_F_MOVE);
    if (got <= 0) return got;
    ssize_t written = 0;
    while (written < got) {
        const ssize_t put = ::splice(g_pipe[0], nullptr, out, nullptr, static_cast<std::size_t>(got - written), SPLICE_F_MOVE);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            // What the pipe still holds is not the next call's: it goes, and
            // only the bytes that reached the output count.
            const int error = put < 0 ? errno : EIO;
            DropPipe();
            errno = error;
            return written > 0 ? written : -1;
        }
        written += put;
    }
    return written;
}

}  // namespace

bool HasFileCopy() { return true; }
long CopyRange(int in, std::uint64_t offset, int out, std::uint64_t count) {
    if (!CopiesByItself(in) || !CopiesByItself(out)) return SpliceRange(in, offset, out, count);
    auto from = static_cast<off_t>(offset);
    return static_cast<long>(::copy_file_range(in, &from, out, nullptr, std::min<std::uint64_t>(count, 1u << 30), 0));
}
#else
bool HasFileCopy() { return false; }
long CopyRange(int, std::uint64_t, int, std::uint64_t) {
    errno = ENOSYS;
    return -1;
}
#endif

int OpenReadFd(const std::string& path) { return ::open(path.c_str(), O_RDONLY | O_CLOEXEC); }
bool CopyUnsupported() { return errno == ENOSYS || errno == EXDEV || errno == EOPNOTSUPP || errno == EINVAL; }

Target Examine(const Dir& in, const std::string& path) {
    struct stat info{};
    if (::fstatat(At(in), path.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) return Target::Absent;
    if (S_ISLNK(info.st_mode)) return Target::Replaceable;  // the link, not what it points at
    if (S_ISDIR(info.st_mode)) return Target::Refused;
    if (S_ISREG(info.st_mode)) {
        // A file that may not be written may not be replaced either. Our own
        // files say so by their mode alone; others need the system's word.
        if ((info.st_mode & 0222) == 0) return Target::Refused;
        if (info.st_uid == ::geteuid() && (info.st_mode & S_IWUSR) != 0) return Target::Replaceable;
        return ::faccessat(At(in), path.c_str(), W_OK, 0) == 0 ? Target::Replaceable : Target::Refused;
    }
    return Target::Device;
}

int RefusedError(const Dir& in, const std::string& path) {
    struct stat info{};
    if (::fstatat(At(in), path.c_str(), &info, 0) != 0) return ENOENT;
    return S_ISDIR(info.st_mode) ? EISDIR : EACCES;
}

bool MoveOver(const Dir& in, const std::string& from, const std::string& to) {
    return ::renameat(At(in), from.c_str(), At(in), to.c_str()) == 0;
}

// A rename that refuses to replace, or where the file system has none, a
// second link to the file and the first one removed.
bool MoveToFreeName(const Dir& in, const std::string& from, const std::string& to) {
#if defined(__linux__) && defined(RENAME_NOREPLACE)
    if (::renameat2(At(in), from.c_str(), At(in), to.c_str(), RENAME_NOREPLACE) == 0) return true;
    if (errno != EINVAL && errno != ENOSYS) return false;
#endif
    if (::linkat(At(in), from.c_str(), At(in), to.c_str(), 0) != 0) return false;
    ::unlinkat(At(in), from.c_str(), 0);
    return true;
}

void RemoveFile(const Dir& in, const std::string& path) { ::unlinkat(At(in), path.c_str(), 0); }

std::size_t FolderEnd(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace Host
}  // namespace Platform
