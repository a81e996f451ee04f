// An output file that appears whole or not at all.
//
// The bytes go to a temporary file of our own in the target's folder;
// Commit() renames it over the target once everything is written. On Linux
// that file has no name while it is written: Commit() links it in under the
// target name, or, where something stands there, under a temporary name
// that is then renamed over it. It cannot be seen before, and the system
// removes it when the program dies first, by any signal. So the target name
// holds either what it held before or the complete new file, never a part:
// not after a failed write (a full disk), not after an interrupt (SIGINT,
// SIGTERM, SIGHUP; Ctrl-C, Ctrl-Break and closing the console on Windows),
// which removes the named temporary files still open before the program
// ends. A link standing at the target name is replaced by the file, never
// written through; an existing target that may not be replaced (a folder, a
// read-only file) makes the output fail. What IfExists says decides about a
// device, a pipe or a socket at the target.
//
//   Platform::OutputFile file(path);
//   if (!file.IsOpen()) ...;         // nothing was created
//   wave.SaveData(file.Stream());
//   if (!file.Commit()) ...;         // the target is as it was
//
// Without a successful Commit the destructor removes the temporary file.
// Any number may be open at once; the first 16 are removed on an interrupt.
//
// An output named in a Folder (common/Folder.h) is made, renamed and removed
// there alone, wherever that folder's path leads meanwhile.
#pragma once

#include <cstdint>
#include <memory>
#include <ostream>
#include <string>

namespace Platform {

class Folder;
class InputFile;

// What an output does where something already stands at its name.
enum class IfExists {
    // A file or a link is replaced. A device or a pipe is written into, as
    // one writes to /dev/null or to a named pipe's reader; opening a pipe
    // waits for its reader.
    Replace,
    // The same, but a pipe without a reader is not waited for: the output
    // does not open.
    ReplaceWithoutWaiting,
    // Whatever stands there, a device, a pipe or a socket too, is replaced
    // by the file, and never opened.
    ReplaceAnything,
    // Nothing is replaced.
    Keep,
};

class OutputFile {
public:
    // With IfExists::Keep an output never replaces anything: it does not open
    // when its name is taken, and its Commit fails when something took the
    // name while it was written.
    explicit OutputFile(const std::string& path, IfExists ifExists = IfExists::Replace);
    // The file `name` (a name, not a path) in `folder`, which must outlive
    // the output.
    OutputFile(const Folder& folder, const std::string& name, IfExists ifExists = IfExists::Replace);
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // False when the output cannot be made: a path holding a NUL byte, a
    // folder that does not exist or may not be written, a target that is a
    // folder or a read-only file.
    bool IsOpen() const;
    // Where the bytes go (binary mode). Writing to an output that is not open
    // fails as on any failed stream.
    std::ostream& Stream();
    // Appends `count` bytes of `source`, from `offset` on, by the system's
    // own copy from file to file, after what Stream() took so far. Returns
    // the bytes copied: fewer where the source ends first, and none (or
    // fewer) where the system has no such copy, refuses it for these two
    // files, or a write fails. Whatever is left the caller writes through
    // Stream(), where a failed write then shows as always.
    std::uint64_t CopyFrom(InputFile& source, std::uint64_t offset, std::uint64_t count);
    // Closes the stream and, when every write succeeded, puts the file in
    // place under the target name. Returns whether the target now holds the
    // complete file; after false, nothing of it is left anywhere.
    bool Commit();
    // Why the output did not open, or its Commit failed: the system's error
    // number (EISDIR where a folder stands at the name, EACCES where a file
    // that may not be written does, EEXIST where IfExists::Keep finds the
    // name taken); 0 when none is known. Platform::Reason words it.
    int Error() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace Platform
