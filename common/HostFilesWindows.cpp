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

// A folder is held by a handle that does not share deletion: while it is
// held, the folder cannot be renamed or removed, so no junction can take its
// place. One that is a reparse point (a junction, a link) is not entered.
bool OpenFolder(const Dir& in, const std::string& name, bool follow, Dir& folder) {
    const std::string path = in.path + name;
    const HANDLE handle = CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | (follow ? 0 : FILE_FLAG_OPEN_REPARSE_POINT),
                                      nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        errno = ENOENT;
        return false;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    const bool read = GetFileInformationByHandle(handle, &info) != 0;
    const bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!read || !(info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || (link && !follow)) {
        CloseHandle(handle);
        errno = ENOTDIR;
        return false;
    }
    folder.handle = reinterpret_cast<std::uintptr_t>(handle);
    folder.path = path.empty() || path.back() == '\\' || path.back() == '/' ? path : path + '\\';
    return true;
}
void CloseFolder(Dir& folder) {
    if (folder.handle != 0) CloseHandle(reinterpret_cast<HANDLE>(folder.handle));
    folder.handle = 0;
}
bool MakeFolder(const Dir& in, const std::string& name) { return CreateDirectoryA((in.path + name).c_str(), nullptr) != 0; }

int OpenFd(const Dir& in, const std::string& path, bool existing) {
    const int flags = _O_WRONLY | _O_BINARY | _O_NOINHERIT | (existing ? _O_TRUNC : _O_CREAT | _O_EXCL);
    return _open((in.path + path).c_str(), flags, _S_IREAD | _S_IWRITE);
}
// Examine finds no device here.
int OpenDeviceFd(const Dir& in, const std::string& path, bool) { return OpenFd(in, path, true); }
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

Target Examine(const Dir& in, const std::string& path) {
    const DWORD attributes = GetFileAttributesA((in.path + path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return Target::Absent;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) return Target::Refused;
    return Target::Replaceable;
}

int RefusedError(const Dir& in, const std::string& path) {
    const DWORD attributes = GetFileAttributesA((in.path + path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return ENOENT;
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? EISDIR : EACCES;
}

bool MoveOver(const Dir& in, const std::string& from, const std::string& to) {
    return MoveFileExA((in.path + from).c_str(), (in.path + to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
}

bool MoveToFreeName(const Dir& in, const std::string& from, const std::string& to) {
    return MoveFileExA((in.path + from).c_str(), (in.path + to).c_str(), 0) != 0;
}

void RemoveFile(const Dir& in, const std::string& path) { DeleteFileA((in.path + path).c_str()); }

std::size_t FolderEnd(const std::string& path) {
    const std::size_t slash = path.find_last_of("\\/:");
    return slash == std::string::npos ? 0 : slash + 1;
}

}  // namespace Host
}  // namespace Platform

#endif  // _WIN32
