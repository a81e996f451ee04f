// The host's file calls on Windows.
// Built for Windows only (the build picks this file there).
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

#include <algorithm>
#include <cerrno>

#include "common/HostFiles.h"
#include "common/Paths.h"

namespace Platform {

// Windows takes the program's paths as they are written.
std::string HostPath(const std::string& path) { return path; }

namespace Host {

std::string ProcessId() {
    static const std::string id = std::to_string(_getpid());
    return id;
}

int OpenFd(const std::string& path, bool existing) {
    const int flags = _O_WRONLY | _O_BINARY | _O_NOINHERIT | (existing ? _O_TRUNC : _O_CREAT | _O_EXCL);
    return _open(path.c_str(), flags, _S_IREAD | _S_IWRITE);
}
// Examine finds no device here.
int OpenDeviceFd(const std::string& path, bool) { return OpenFd(path, true); }
long WriteFd(int fd, const char* bytes, std::size_t count) {
    return _write(fd, bytes, static_cast<unsigned>(std::min<std::size_t>(count, 1u << 30)));
}
int CloseFd(int fd) { return _close(fd); }
bool AlreadyExists() { return errno == EEXIST; }

// Every copy passes through the program here.
bool HasFileCopy() { return false; }
int OpenReadFd(const std::string& path) { return _open(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT); }
long CopyRange(int, std::uint64_t, int, std::uint64_t) {
    errno = ENOSYS;
    return -1;
}
bool CopyUnsupported() { return true; }

Target Examine(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Target::Absent;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return Target::Refused;
    return Target::Replaceable;
}

bool MoveOver(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool MoveToFreeName(const std::string& from, const std::string& to) {
    return MoveFileExA(from.c_str(), to.c_str(), 0) != 0;
}

void RemoveFile(const std::string& path) { DeleteFileA(path.c_str()); }

std::size_t FolderEnd(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace Host
}  // namespace Platform

#endif  // _WIN32
