// The interrupt cleanup on Windows: a console control handler.
// Built for Windows only (the build picks this file there).
#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include "common/Interrupts.h"

namespace Platform::Interrupts {

namespace {

std::atomic<bool> g_interrupted{false};

// Runs on a thread of its own while the program goes on. A file still open
// for writing cannot be removed yet: the writer sees the interrupt when it
// finishes (AwaitEndIfInterrupted) and removes it itself. Then the default
// handler ends the program.
BOOL WINAPI RemovePendingOnConsoleEvent(DWORD) {
    g_interrupted.store(true);
    for (int round = 0; round < 500; ++round) {
        bool left = false;
        for (PendingFile& pending : g_pending) {
            if (pending.state.load() != kLive) continue;
            if (DeleteFileA(pending.path) || GetLastError() == ERROR_FILE_NOT_FOUND) {
                int expected = kLive;
                pending.state.compare_exchange_strong(expected, kFree);
            } else {
                left = true;
            }
        }
        if (!left) break;
        Sleep(10);
    }
    return FALSE;
}

}  // namespace

void InstallCleanup() {
    static const bool installed = SetConsoleCtrlHandler(RemovePendingOnConsoleEvent, TRUE) != 0;
    (void)installed;
}

bool Interrupted() { return g_interrupted.load(); }

// The program is ending: the console handler's thread ends it once no
// temporary file is left.
void AwaitEndIfInterrupted() {
    if (g_interrupted.load()) Sleep(INFINITE);
}

}  // namespace Platform::Interrupts

#endif  // _WIN32
