// Inside common/, not for callers: temporary files removed when the program
// is interrupted (SIGINT, SIGTERM, SIGHUP; Ctrl-C, Ctrl-Break and closing
// the console on Windows), so that an interrupt leaves none of them behind.
//
// A fixed table, so that a signal handler (or, on Windows, the console
// handler's thread) can walk it without allocating or locking: a slot is
// filled while Filling, then Live; the handler removes Live slots' files.
// The table is portable (Interrupts.cpp); the handler is the system's
// (InterruptsPosix.cpp, InterruptsWindows.cpp).
#pragma once

#include <atomic>
#include <cstddef>
#include <string>

namespace Platform::Interrupts {

constexpr int kSlots = 16;
constexpr std::size_t kSlotPath = 4096;
enum SlotState : int { kFree = 0, kFilling = 1, kLive = 2 };

struct PendingFile {
    std::atomic<int> state{kFree};
    int folder = -1;  // POSIX: the descriptor of the folder `path` is in; -1: the current folder
    char path[kSlotPath];
};
extern PendingFile g_pending[kSlots];

// Notes `path` (a host path, in the folder whose descriptor is `folder`, as
// Host::Dir holds it) for removal on an interrupt; the slot, or -1 when the
// path is too long or every slot is taken.
int TakeSlot(int folder, const std::string& path);
// Forgets a slot from TakeSlot; -1 does nothing.
void FreeSlot(int slot);

// Installs the handler that removes the noted files, once per process. A
// signal the caller chose to ignore (nohup, a background job) stays ignored.
void InstallCleanup();
// Whether an interrupt has come and the program is about to end (Windows,
// where the handler runs beside the program; elsewhere it ends the program
// itself, and this is always false).
bool Interrupted();
// After an interrupt no output may be put in place: waits for the end.
void AwaitEndIfInterrupted();

}  // namespace Platform::Interrupts
