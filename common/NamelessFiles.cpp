// Files without a name where the system has them (Linux), and stand-ins that
// always fail everywhere else.
#include "common/NamelessFiles.h"

#include <fcntl.h>

#if defined(__linux__) && defined(O_TMPFILE)
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>

namespace Platform::Nameless {

namespace {
std::atomic<bool> g_none{false};  // the file system or kernel has none

int At(const Host::Dir& in) { return in.fd >= 0 ? in.fd : AT_FDCWD; }
}  // namespace

int Open(const Host::Dir& in, const std::string& folder) {
    if (g_none.load()) return -1;
    // Readable too: should it get no name, its bytes are copied out of it.
    const int fd = ::openat(At(in), folder.empty() ? "." : folder.c_str(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0666);
    // Kernels before 3.11 take the flag for O_DIRECTORY (EISDIR); some file
    // systems have no such files (EOPNOTSUPP).
    if (fd < 0 && (errno == EISDIR || errno == EOPNOTSUPP || errno == EINVAL)) g_none.store(true);
    return fd;
}

void NoMore() { g_none.store(true); }

bool Name(int fd, const Host::Dir& in, const std::string& name) {
    if (::linkat(fd, "", At(in), name.c_str(), AT_EMPTY_PATH) == 0) return true;
    // Kernels before 6.10 allow that only with CAP_DAC_READ_SEARCH; the link
    // through /proc needs no privilege.
    if (errno != ENOENT && errno != EPERM) return false;
    char self[32];
    std::snprintf(self, sizeof self, "/proc/self/fd/%d", fd);
    return ::linkat(AT_FDCWD, self, At(in), name.c_str(), AT_SYMLINK_FOLLOW) == 0;
}

bool CopyToName(int fd, const Host::Dir& in, const std::string& name) {
    const int out = Host::OpenFd(in, name, false);
    if (out < 0) return false;
    char piece[64 * 1024];
    bool copied = true;
    for (off_t at = 0;;) {
        const ssize_t got = ::pread(fd, piece, sizeof piece, at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) {
            copied = got == 0;
            break;
        }
        for (ssize_t put = 0; copied && put < got;) {
            const long wrote = Host::WriteFd(out, piece + put, static_cast<std::size_t>(got - put));
            if (wrote < 0 && errno == EINTR) continue;
            copied = wrote > 0;
            if (copied) put += wrote;
        }
        if (!copied) break;
        at += got;
    }
    copied = Host::CloseFd(out) == 0 && copied;
    if (!copied) {
        Host::RemoveFile(in, name);
        errno = EIO;
    }
    return copied;
}

}  // namespace Platform::Nameless

#else

namespace Platform::Nameless {

int Open(const Host::Dir&, const std::string&) { return -1; }
void NoMore() {}
bool Name(int, const Host::Dir&, const std::string&) { return false; }
bool CopyToName(int, const Host::Dir&, const std::string&) { return false; }

}  // namespace Platform::Nameless

#endif
