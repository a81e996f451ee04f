// Inside common/, not for callers: the file calls of the host system, one
// set per system -- HostFilesPosix.cpp and HostFilesWindows.cpp, of which the
// build takes the one for its target. Everything above them (OutputFile,
// the paths, the files without a name) is written once against these.
//
// Paths here are host paths (Platform::HostPath already applied), each looked
// up in a folder (Dir): the current one, or one held open.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform::Host {

// No file name can hold a NUL: the text before it would name another file.
inline bool HoldsNul(const std::string& path) { return path.find('\0') != std::string::npos; }

// This process's id as text, for names of our own.
std::string ProcessId();

// The folder that the calls below look paths up in. The default is the
// current folder, where a path is taken as it is given. A folder opened by
// OpenFolder is held: on POSIX systems by a descriptor, from which each call
// looks its path up (openat, renameat, ...), so that a folder on the way that
// is renamed or replaced by a link meanwhile takes nothing elsewhere; on
// Windows by a handle that keeps it from being renamed or removed, the path
// joined to its own.
struct Dir {
    int fd = -1;                // POSIX: the folder's descriptor; -1: the current folder
    std::string path;           // Windows: the folder's path, its separator included
    std::uintptr_t handle = 0;  // Windows: the handle held on it
};

// Opens the folder `name` in `in` and holds it. It must be a folder, never
// a link to one (nor, on Windows, a junction or any reparse point), unless
// `follow` (for a path the user gave). False on failure, with errno set.
bool OpenFolder(const Dir& in, const std::string& name, bool follow, Dir& folder);
void CloseFolder(Dir& folder);
// Makes the folder `name` in `in`; true when this call made it.
bool MakeFolder(const Dir& in, const std::string& name);

// A descriptor for writing `path`: created (it must not exist yet), or with
// `existing` opened and truncated. Not inherited by child processes. -1 on
// failure, with errno set.
int OpenFd(const Dir& in, const std::string& path, bool existing);
// A descriptor for writing into the device or pipe at `path` (never through
// a link, never into a file that has taken its place meanwhile). Opening a
// pipe waits for its reader; without `waitForReader`, a pipe that has none
// fails at once. -1 on failure, with errno set.
int OpenDeviceFd(const Dir& in, const std::string& path, bool waitForReader);
// Writes at most `count` bytes (at most 1 GiB in one call); the bytes
// written, or -1 with errno set.
long WriteFd(int fd, const char* bytes, std::size_t count);
int CloseFd(int fd);
// Whether the failure just seen was a name already taken.
bool AlreadyExists();

// Whether the system copies bytes from one file into another itself
// (CopyRange), without them passing through the program.
bool HasFileCopy();
// A descriptor for reading `path`; -1 on failure, with errno set.
int OpenReadFd(const std::string& path);
// Copies at most `count` bytes of `in`, from `offset` on, into `out` at its
// current position (which moves on; `in`'s does not). The bytes copied, 0
// when `in` ends at `offset`, or -1 with errno set.
long CopyRange(int in, std::uint64_t offset, int out, std::uint64_t count);
// Whether the failure just seen says that the system will not copy between
// these two files at all: no such call, files on different file systems, a
// file system without it. (Other failures, such as a full disk, are the
// writes' own.)
bool CopyUnsupported();

// What stands at an output's name.
enum class Target {
    Absent,       // nothing: the name is free
    Replaceable,  // a file (or a link) that may be replaced
    Device,       // a device, a pipe or a socket
    Refused,      // a folder or a file that may not be written
};
Target Examine(const Dir& in, const std::string& path);
// Why `path` in `in` takes no file, as an errno value: EISDIR for a folder,
// EACCES for something else that stands there, ENOENT where nothing does.
int RefusedError(const Dir& in, const std::string& path);

// Renames `from` over `to`, replacing what stands there.
bool MoveOver(const Dir& in, const std::string& from, const std::string& to);
// The same, but fails (leaving both as they are) when `to` exists.
bool MoveToFreeName(const Dir& in, const std::string& from, const std::string& to);
void RemoveFile(const Dir& in, const std::string& path);
// Where the file name begins: the length of the folder part, separator
// included (0 for a bare name).
std::size_t FolderEnd(const std::string& path);

}  // namespace Platform::Host
