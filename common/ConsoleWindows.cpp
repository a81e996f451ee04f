// The console on Windows: the program expands its own wildcards, and the
// standard streams translate line ends unless told not to.
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

#include <algorithm>
#include <cstdio>

#include "common/Console.h"

namespace Platform {

namespace {

// The names `pattern` matches, in order, each with the pattern's folder part.
std::vector<std::string> Matches(const std::string& pattern) {
    const std::size_t slash = pattern.find_last_of("\\/:");
    const std::string folder = slash == std::string::npos ? "" : pattern.substr(0, slash + 1);
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    const HANDLE search = FindFirstFileA(pattern.c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = found.cFileName;
            if (name != "." && name != "..") names.push_back(folder + name);
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

std::vector<std::string> ExpandWildcards(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int n = 1; n < argc; ++n) {
        const std::string argument = argv[n];
        const bool pattern = argument.find_first_of("*?") != std::string::npos && argument[0] != '/' &&
                             argument[0] != '-';
        const std::vector<std::string> names = pattern ? Matches(argument) : std::vector<std::string>{};
        if (names.empty()) {
            args.push_back(argument);
        } else {
            args.insert(args.end(), names.begin(), names.end());
        }
    }
    return args;
}

// No signal is raised for a closed pipe on Windows.
void IgnoreBrokenPipe() {}

bool IsTerminal(Stream stream) {
    return _isatty(stream == Stream::Output ? _fileno(stdout) : _fileno(stderr)) != 0;
}

void PrepareConsole() {
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
}

}  // namespace Platform

#endif  // _WIN32
