// The host's file calls on POSIX systems (Linux, and the browser page's
// Emscripten, which offers the same calls).
#include <fcntl.h>
#include <sys/stat.h>
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

// Linux copies between files itself (copy_file_range); other POSIX systems,
// and the browser page's, are left to the program.
#if defined(__linux__)
bool HasFileCopy() { return true; }
long CopyRange(int in, std::uint64_t offset, int out, std::uint64_t count) {
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
bool CopyUnsupported() { return errno == ENOSYS || errno == EXDEV || errno == EOPNOTSUPP; }

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

// A rename that refuses to replace, or where the file system has none, a
// second link to the file and the first one removed.
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

}  // namespace Host
}  // namespace Platform
