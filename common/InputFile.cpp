#include "common/InputFile.h"

#include "common/HostFiles.h"
#include "common/Paths.h"

namespace Platform {

InputFile::~InputFile() { Close(); }

bool InputFile::Open(const std::string& path) {
    Close();
    const std::string host = HostPath(path);
    if (!Host::HasFileCopy() || Host::HoldsNul(host)) return false;
    fd_ = Host::OpenReadFd(host);
    return fd_ >= 0;
}

void InputFile::Close() {
    if (fd_ >= 0) Host::CloseFd(fd_);
    fd_ = -1;
}

}  // namespace Platform
