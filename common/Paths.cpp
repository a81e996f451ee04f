#include "common/Paths.h"

#include <filesystem>
#include <system_error>

#include "common/HostFiles.h"

namespace Platform {

void OpenInput(std::ifstream& stream, const std::string& path) {
    const std::ios::iostate before = stream.rdstate();
    const std::string host = HostPath(path);
    std::error_code ec;
    if (Host::HoldsNul(host) || std::filesystem::is_directory(host, ec)) {
        stream.setstate(std::ios::failbit);
        return;
    }
    stream.open(host, std::ios::in | std::ios::binary);
    // A successful open clears the flags; the callers rely on them staying.
    stream.setstate(before);
}

void OpenOutput(std::ofstream& stream, const std::string& path) {
    if (Host::HoldsNul(path)) {
        stream.setstate(std::ios::failbit);
        return;
    }
    stream.open(HostPath(path), std::ios::out | std::ios::binary | std::ios::trunc);
}

}  // namespace Platform
