// The console on POSIX systems: the shell has expanded the wildcards, and the
// streams carry bytes as they are.
#include <unistd.h>

#include <csignal>

#include "common/Console.h"

namespace Platform {

std::vector<std::string> ExpandWildcards(int argc, const char* const* argv) {
    return std::vector<std::string>(argv + (argc > 1 ? 1 : argc), argv + argc);
}

void IgnoreBrokenPipe() { std::signal(SIGPIPE, SIG_IGN); }

bool IsTerminal(Stream stream) { return ::isatty(stream == Stream::Output ? STDOUT_FILENO : STDERR_FILENO) != 0; }

void PrepareConsole() {}

}  // namespace Platform
