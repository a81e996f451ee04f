#include "common/FileErrors.h"

#include <cctype>
#include <cerrno>
#include <filesystem>
#include <system_error>

#include "common/HostFiles.h"
#include "common/Paths.h"

namespace Platform {

std::string Reason(int error, Access access) {
    switch (error) {
        case 0: return {};
        case EISDIR: return "it is a folder";
        case ENOENT:
        case ENOTDIR: return access == Access::Read ? "no such file" : "no such folder";
        // A name the system cannot take (on Windows, one holding ':' or '*'):
        // no file has it.
        case EINVAL: return access == Access::Read ? "no such file" : "not a valid file name";
        case EACCES:
        case EPERM: return "permission denied";
        default: break;
    }
    // The rest in the system's words, as they would stand inside a sentence.
    std::string text = std::generic_category().message(error);
    if (!text.empty()) text[0] = static_cast<char>(std::tolower(static_cast<unsigned char>(text[0])));
    return text;
}

int OpenError(const std::string& path) {
    const std::string host = HostPath(path);
    // No file has a name holding a NUL.
    if (Host::HoldsNul(host)) return ENOENT;
    std::error_code ec;
    if (std::filesystem::is_directory(host, ec)) return EISDIR;
    const int fd = Host::OpenReadFd(host);
    if (fd < 0) return errno;
    Host::CloseFd(fd);
    return 0;
}

}  // namespace Platform
