#include "common/Platform.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace Platform {

std::string HostPath(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string host = path;
    std::replace(host.begin(), host.end(), '\\', '/');
    return host;
#endif
}

void OpenInput(std::ifstream& stream, const std::string& path) {
    const std::ios::iostate before = stream.rdstate();
    const std::string host = HostPath(path);
    std::error_code ec;
    if (std::filesystem::is_directory(host, ec)) {
        stream.setstate(std::ios::failbit);
        return;
    }
    stream.open(host, std::ios::in | std::ios::binary);
    // A successful open clears the flags; the callers rely on them staying.
    stream.setstate(before);
}

void OpenOutput(std::ofstream& stream, const std::string& path) {
    stream.open(HostPath(path), std::ios::out | std::ios::binary | std::ios::trunc);
}

bool ReadScriptLine(std::istream& in, std::string& line) {
    if (!std::getline(in, line)) return false;
    // getline stops at the LF and drops it; eof means there was no LF.
    if (!in.eof() && !line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

std::vector<std::string> ExpandWildcards(int argc, const char* const* argv) {
    std::vector<std::string> args;
    for (int n = 1; n < argc; ++n) {
        const std::string argument = argv[n];
#ifdef _WIN32
        const bool pattern = argument.find_first_of("*?") != std::string::npos && argument[0] != '/' &&
                             argument[0] != '-';
        if (pattern) {
            const std::size_t slash = argument.find_last_of("\\/:");
            const std::string folder = slash == std::string::npos ? "" : argument.substr(0, slash + 1);
            std::vector<std::string> names;
            WIN32_FIND_DATAA found;
            const HANDLE search = FindFirstFileA(argument.c_str(), &found);
            if (search != INVALID_HANDLE_VALUE) {
                do {
                    const std::string name = found.cFileName;
                    if (name != "." && name != "..") names.push_back(folder + name);
                } while (FindNextFileA(search, &found));
                FindClose(search);
            }
            std::sort(names.begin(), names.end());
            if (!names.empty()) {
                args.insert(args.end(), names.begin(), names.end());
                continue;
            }
        }
#endif
        args.push_back(argument);
    }
    return args;
}

void PrepareConsole() {
#ifdef _WIN32
    std::fflush(stdout);
    std::fflush(stderr);
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
}

}  // namespace Platform
