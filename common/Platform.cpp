#include "common/Platform.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
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
