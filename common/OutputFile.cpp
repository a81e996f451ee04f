#include "common/OutputFile.h"

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <system_error>
#include <utility>

#include "common/FileWriter.h"
#include "common/Folder.h"
#include "common/HostFiles.h"
#include "common/InputFile.h"
#include "common/Interrupts.h"
#include "common/NamelessFiles.h"
#include "common/Paths.h"

namespace Platform {

using Host::Target;

struct OutputFile::State {
    State(Host::Dir in, std::string target, IfExists ifExists)
        : in(std::move(in)), target(std::move(target)), ifExists(ifExists) {}

    void Open();
    std::string TemporaryName() const;
    bool MayReplace(Target found) const;
    bool NameAnonymous();
    bool PutInPlace(const std::string& from);
    void Discard();
    bool Commit();

    Host::Dir in;           // the folder of both paths (borrowed)
    std::string target;     // host path of the target
    std::string temporary;  // host path of the file being written; empty when none
    IfExists ifExists;
    bool direct = false;    // writing straight to a device or pipe
    bool anonymous = false; // writing a file without a name yet (Linux)
    int error = 0;          // why it did not open or commit, when the writer does not say
    int slot = -1;          // interrupt-cleanup slot, or -1
    FileWriter file;
    std::ostream stream{&file};
};

OutputFile::OutputFile(const std::string& path, IfExists ifExists)
    : state_(std::make_unique<State>(Host::Dir{}, HostPath(path), ifExists)) {
    state_->Open();
}

OutputFile::OutputFile(const Folder& folder, const std::string& name, IfExists ifExists)
    : state_(std::make_unique<State>(folder.Held(), name, ifExists)) {
    state_->Open();
}

OutputFile::~OutputFile() {
    if (!state_->temporary.empty()) state_->Discard();
}

bool OutputFile::IsOpen() const { return state_->file.IsOpen(); }

std::ostream& OutputFile::Stream() { return state_->stream; }

bool OutputFile::Commit() { return state_->Commit(); }

int OutputFile::Error() const { return state_->file.Error() != 0 ? state_->file.Error() : state_->error; }

std::uint64_t OutputFile::CopyFrom(InputFile& source, std::uint64_t offset, std::uint64_t count) {
    State& s = *state_;
    // The system writes at the file's position: what the stream holds goes
    // first.
    if (source.fd_ < 0 || source.refused_ || !s.file.IsOpen() || !s.stream.good() || !s.file.Flush()) return 0;
    std::uint64_t copied = 0;
    while (copied < count) {
        const long got = Host::CopyRange(source.fd_, offset + copied, s.file.Fd(), count - copied);
        if (got > 0) {
            copied += static_cast<std::uint64_t>(got);
            continue;
        }
        if (got == 0) break;  // the source ends here
        if (errno == EINTR) continue;
        if (Host::CopyUnsupported()) source.refused_ = true;
        break;
    }
    return copied;
}

void OutputFile::State::Open() {
    Interrupts::AwaitEndIfInterrupted();
    if (Host::HoldsNul(target)) {
        error = ENOENT;  // no file has such a name
        return;
    }
    if (Host::FolderEnd(target) == target.size()) {
        error = Host::RefusedError(in, target);
        return;
    }
    const Target found = Host::Examine(in, target);
    if (found != Target::Absent && !MayReplace(found)) {
        // A device or pipe that is not replaced is written into.
        if (found == Target::Device && ifExists != IfExists::Keep) {
            direct = file.Adopt(Host::OpenDeviceFd(in, target, ifExists == IfExists::Replace));
            if (!direct) error = errno;
        } else {
            error = found == Target::Refused ? Host::RefusedError(in, target) : EEXIST;
        }
        return;
    }
    if (file.Adopt(Nameless::Open(in, target.substr(0, Host::FolderEnd(target))))) {
        anonymous = true;
        return;
    }
    Interrupts::InstallCleanup();
    // A name of our own beside the target: in the same folder, so that the
    // rename never crosses file systems; unique to this process and call.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TemporaryName();
        // Noted before it exists: an interrupt right after the creation must
        // find it.
        slot = Interrupts::TakeSlot(in.fd, in.path + candidate);
        if (file.Open(in, candidate, false)) {
            temporary = std::move(candidate);
            return;
        }
        error = errno;
        Interrupts::FreeSlot(slot);
        slot = -1;
        if (error != EEXIST) return;  // no folder, or not writable
    }
}

std::string OutputFile::State::TemporaryName() const {
    static std::atomic<unsigned> counter{0};
    return target.substr(0, Host::FolderEnd(target)) + ".snd-" + Host::ProcessId() + "-" +
           std::to_string(counter++) + ".tmp";
}

bool OutputFile::State::MayReplace(Target found) const {
    switch (ifExists) {
        case IfExists::Keep: return false;
        case IfExists::ReplaceAnything: return found == Target::Replaceable || found == Target::Device;
        case IfExists::Replace:
        case IfExists::ReplaceWithoutWaiting: break;
    }
    return found == Target::Replaceable;
}

// The file without a name, whole, gets the target's name where that is
// free. Where something stands there that may be replaced, it gets a name of
// our own beside the target instead, which Commit renames over it like any
// temporary file: until then the target is untouched, and a kill leaves at
// most that name for an instant. Where the system gives no name to such a
// file at all (a kernel that asks for a privilege and has no /proc), its
// bytes are copied into a named file instead, and later outputs are written
// as named files from the start.
bool OutputFile::State::NameAnonymous() {
    const int fd = file.Fd();
    if (Nameless::Name(fd, in, target)) return true;
    if (errno == EEXIST && !MayReplace(Host::Examine(in, target))) return false;
    Interrupts::InstallCleanup();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TemporaryName();
        slot = Interrupts::TakeSlot(in.fd, in.path + candidate);
        bool named = Nameless::Name(fd, in, candidate);
        if (!named && errno != EEXIST) {
            Nameless::NoMore();
            named = Nameless::CopyToName(fd, in, candidate);
        }
        const int error = errno;
        if (named) {
            temporary = std::move(candidate);
            return true;
        }
        Interrupts::FreeSlot(slot);
        slot = -1;
        if (error != EEXIST) return false;
    }
    return false;
}

bool OutputFile::State::PutInPlace(const std::string& from) {
    return ifExists == IfExists::Keep ? Host::MoveToFreeName(in, from, target) : Host::MoveOver(in, from, target);
}

void OutputFile::State::Discard() {
    file.Close(false);
    Host::RemoveFile(in, temporary);
    temporary.clear();
    Interrupts::FreeSlot(slot);
    slot = -1;
}

bool OutputFile::State::Commit() {
    if (!file.IsOpen()) return false;
    if (anonymous) {
        const bool flushed = stream.good() && file.Flush();
        if (!flushed || !NameAnonymous()) {
            if (flushed) error = errno;  // the name's
            file.Close(false);  // the file goes with its descriptor
            return false;
        }
        if (temporary.empty()) {
            // Named as the target: a close that fails (it does not, on local
            // file systems) takes back what it may not have kept.
            const bool closed = file.Close(true);
            if (!closed) Host::RemoveFile(in, target);
            return closed;
        }
    }
    const bool written = stream.good() && file.Close(true);
    if (direct) return written;
    const bool interrupted = Interrupts::Interrupted();
    if (!written || interrupted || !PutInPlace(temporary)) {
        if (written && !interrupted) error = errno;  // the rename's
        Discard();
        Interrupts::AwaitEndIfInterrupted();
        return false;
    }
    temporary.clear();
    Interrupts::FreeSlot(slot);
    slot = -1;
    return true;
}

}  // namespace Platform
