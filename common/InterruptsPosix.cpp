// The interrupt cleanup on POSIX systems: a signal handler.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include "common/Interrupts.h"

namespace Platform::Interrupts {

namespace {

extern "C" void RemovePendingOnSignal(int signal) {
    for (PendingFile& pending : g_pending) {
        if (pending.state.load() == kLive) ::unlinkat(pending.folder >= 0 ? pending.folder : AT_FDCWD, pending.path, 0);
    }
    // SA_RESETHAND has put back the default action: raised again, the signal
    // ends the program as it would have without us once this returns.
    ::raise(signal);
}

}  // namespace

void InstallCleanup() {
    static const bool installed = [] {
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            struct sigaction current{};
            if (::sigaction(signal, nullptr, &current) != 0 || current.sa_handler == SIG_IGN) continue;
            struct sigaction action{};
            action.sa_handler = RemovePendingOnSignal;
            sigemptyset(&action.sa_mask);
            action.sa_flags = SA_RESETHAND;
            ::sigaction(signal, &action, nullptr);
        }
        return true;
    }();
    (void)installed;
}

// Here the signal handler itself ends the program.
bool Interrupted() { return false; }
void AwaitEndIfInterrupted() {}

}  // namespace Platform::Interrupts
