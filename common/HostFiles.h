// Inside common/, not for callers: the file calls of the host system, one
// set per system -- HostFilesPosix.cpp and HostFilesWindows.cpp, of which the
// build takes the one for its target. Everything above them (OutputFile,
// the paths, the files without a name) is written once against these.
//
// Paths here are host paths (Platform::HostPath already applied).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace Platform::Host {

// No file name can hold a NUL: the text before it would name another file.
inline bool HoldsNul(const std::string& path) { return path.find('\0') != std::string::npos; }

// This process's id as text, for names of our own.
std::string ProcessId();

// A descriptor for writing `path`: created (it must not exist yet), or with
// `existing` opened and truncated. Not inherited by child processes. -1 on
// failure, with errno set.
int OpenFd(const std::string& path, bool existing);
// A descriptor for writing into the device or pipe at `path` (never through
// a link, never into a file that has taken its place meanwhile). Opening a
// pipe waits for its reader; without `waitForReader`, a pipe that has none
// fails at once. -1 on failure, with errno set.
int OpenDeviceFd(const std::string& path, bool waitForReader);
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
Target Examine(const std::string& path);

// Renames `from` over `to`, replacing what stands there.
bool MoveOver(const std::string& from, const std::string& to);
// The same, but fails (leaving both as they are) when `to` exists.
bool MoveToFreeName(const std::string& from, const std::string& to);
void RemoveFile(const std::string& path);
// Where the file name begins: the length of the folder part, separator
// included (0 for a bare name).
std::size_t FolderEnd(const std::string& path);

}  // namespace Platform::Host
