#include "common/OutputFile.h"

#include <atomic>
#include <cerrno>
#include <utility>

#include "common/FileWriter.h"
#include "common/HostFiles.h"
#include "common/InputFile.h"
#include "common/Interrupts.h"
#include "common/NamelessFiles.h"
#include "common/Paths.h"

namespace Platform {

using Host::Target;

struct OutputFile::State {
    State(std::string target, bool keep) : target(std::move(target)), keep(keep) {}

    void Open();
    std::string TemporaryName() const;
    bool LinkAnonymous();
    bool PutInPlace(const std::string& from);
    void Discard();
    bool Commit();

    std::string target;     // host path of the target
    std::string temporary;  // host path of the file being written; empty when none
    bool keep = false;      // IfExists::Keep
    bool direct = false;    // writing straight to a device or pipe
    bool anonymous = false; // writing a file without a name yet (Linux)
    int slot = -1;          // interrupt-cleanup slot, or -1
    FileWriter file;
    std::ostream stream{&file};
};

OutputFile::OutputFile(const std::string& path, IfExists ifExists)
    : state_(std::make_unique<State>(HostPath(path), ifExists == IfExists::Keep)) {
    state_->Open();
}

OutputFile::~OutputFile() {
    if (!state_->temporary.empty()) state_->Discard();
}

bool OutputFile::IsOpen() const { return state_->file.IsOpen(); }

std::ostream& OutputFile::Stream() { return state_->stream; }

bool OutputFile::Commit() { return state_->Commit(); }

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
    if (Host::HoldsNul(target) || Host::FolderEnd(target) == target.size()) return;
    const Target found = Host::Examine(target);
    if (keep && found != Target::Absent) return;
    switch (found) {
        case Target::Refused: return;
        case Target::Device:
            direct = file.Open(target, true);
            return;
        case Target::Absent:
            if (file.Adopt(Nameless::Open(target.substr(0, Host::FolderEnd(target))))) {
                anonymous = true;
                return;
            }
            break;
        case Target::Replaceable: break;
    }
    Interrupts::InstallCleanup();
    // A name of our own beside the target: in the same folder, so that the
    // rename never crosses file systems; unique to this process and call.
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TemporaryName();
        // Noted before it exists: an interrupt right after the creation must
        // find it.
        slot = Interrupts::TakeSlot(candidate);
        if (file.Open(candidate, false)) {
            temporary = std::move(candidate);
            return;
        }
        Interrupts::FreeSlot(slot);
        slot = -1;
        if (!Host::AlreadyExists()) return;  // no folder, or not writable
    }
}

std::string OutputFile::State::TemporaryName() const {
    static std::atomic<unsigned> counter{0};
    return target.substr(0, Host::FolderEnd(target)) + ".snd-" + Host::ProcessId() + "-" +
           std::to_string(counter++) + ".tmp";
}

// The anonymous file, whole, gets the target's name. A file that took the
// name meanwhile is replaced as any existing target is: through a name of
// our own and a rename. Where the system gives no name to such a file at all
// (a kernel that asks for a privilege and has no /proc), its bytes are
// copied into a file of that name instead, and later outputs are written as
// named files from the start.
bool OutputFile::State::LinkAnonymous() {
    const int fd = file.Fd();
    if (Nameless::Name(fd, target)) return true;
    const bool taken = errno == EEXIST;
    if (taken && (keep || Host::Examine(target) != Target::Replaceable)) return false;
    if (!taken) Nameless::NoMore();
    Interrupts::InstallCleanup();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string candidate = TemporaryName();
        slot = Interrupts::TakeSlot(candidate);
        const bool named = taken ? Nameless::Name(fd, candidate) : Nameless::CopyToName(fd, candidate);
        const bool nameInUse = !named && errno == EEXIST;
        bool moved = false;
        if (named) {
            moved = PutInPlace(candidate);
            if (!moved) Host::RemoveFile(candidate);
        }
        Interrupts::FreeSlot(slot);
        slot = -1;
        if (!nameInUse) return moved;
    }
    return false;
}

bool OutputFile::State::PutInPlace(const std::string& from) {
    return keep ? Host::MoveToFreeName(from, target) : Host::MoveOver(from, target);
}

void OutputFile::State::Discard() {
    file.Close(false);
    Host::RemoveFile(temporary);
    temporary.clear();
    Interrupts::FreeSlot(slot);
    slot = -1;
}

bool OutputFile::State::Commit() {
    if (!file.IsOpen()) return false;
    if (anonymous) {
        const bool landed = stream.good() && file.Flush() && LinkAnonymous();
        const bool closed = file.Close(true);
        // A close that fails (it does not, on local file systems) takes back
        // what it may not have kept.
        if (landed && !closed) Host::RemoveFile(target);
        return landed && closed;
    }
    const bool written = stream.good() && file.Close(true);
    if (direct) return written;
    if (!written || Interrupts::Interrupted() || !PutInPlace(temporary)) {
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
