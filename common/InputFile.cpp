#include "common/InputFile.h"

#include "common/HostFiles.h"
#include "common/Paths.h"

namespace Platform {

InputFile::~InputFile() { Close(); }

void InputFile::Open(const std::string& path) {
    Close();
    if (!Host::HasFileCopy()) return;
    const std::string host = HostPath(path);
    if (!Host::HoldsNul(host)) fd_ = Host::OpenReadFd(host);
}

void InputFile::Close() {
    if (fd_ >= 0) Host::CloseFd(fd_);
    fd_ = -1;
}

}  // namespace Platform
