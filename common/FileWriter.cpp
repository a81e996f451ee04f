#include "common/FileWriter.h"

#include <cerrno>
#include <cstring>

#include "common/HostFiles.h"

namespace Platform {

FileWriter::FileWriter() = default;

FileWriter::~FileWriter() {
    if (fd_ >= 0) Host::CloseFd(fd_);
}

bool FileWriter::Open(const Host::Dir& in, const std::string& path, bool existing) {
    fd_ = Host::OpenFd(in, path, existing);
    return fd_ >= 0;
}

bool FileWriter::Adopt(int fd) {
    fd_ = fd;
    return fd_ >= 0;
}

bool FileWriter::Flush() { return fd_ >= 0 && sync() == 0; }

// Small writes (a model's fields) gather in a buffer, made on first use;
// large ones (a sound's bytes in one piece) go straight to the file.
constexpr std::size_t kWriteBuffer = 32 * 1024;

void FileWriter::MakeBuffer() {
#if defined(__cpp_lib_smart_ptr_for_overwrite)
    buffer_ = std::make_unique_for_overwrite<char[]>(kWriteBuffer);
#else
    // A standard library without it (the WebAssembly build's): zeroed once.
    buffer_ = std::make_unique<char[]>(kWriteBuffer);
#endif
    setp(buffer_.get(), buffer_.get() + kWriteBuffer);
}

bool FileWriter::WriteOut(const char* bytes, std::size_t count) {
    while (count > 0 && !failed_) {
        const long wrote = Host::WriteFd(fd_, bytes, count);
        if (wrote <= 0) {
            if (wrote < 0 && errno == EINTR) continue;
            failed_ = true;  // a full disk, a file too large, ...
            error_ = wrote < 0 ? errno : ENOSPC;
            break;
        }
        bytes += wrote;
        count -= static_cast<std::size_t>(wrote);
    }
    return !failed_;
}

int FileWriter::sync() {
    const auto held = static_cast<std::size_t>(pptr() - pbase());
    if (buffer_) setp(buffer_.get(), buffer_.get() + kWriteBuffer);
    return fd_ >= 0 && WriteOut(pbase(), held) ? 0 : -1;
}

FileWriter::int_type FileWriter::overflow(int_type c) {
    if (sync() != 0) return traits_type::eof();
    if (!buffer_) MakeBuffer();
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize FileWriter::xsputn(const char* s, std::streamsize count) {
    if (count <= 0) return 0;
    const auto n = static_cast<std::size_t>(count);
    // Nothing gathered and a piece worth a call of its own: straight out.
    constexpr std::size_t kDirect = 1024;
    if (pptr() == pbase() && n >= kDirect) return WriteOut(s, n) ? count : 0;
    if (!buffer_) MakeBuffer();
    if (n <= static_cast<std::size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), s, n);
        pbump(static_cast<int>(n));
        return count;
    }
    // Larger than the room left: what is buffered, then these bytes directly.
    if (sync() != 0 || !WriteOut(s, n)) return 0;
    return count;
}

bool FileWriter::Close(bool keep) {
    if (fd_ < 0) return false;
    const bool written = keep && sync() == 0;
    const bool closed = Host::CloseFd(fd_) == 0;
    if (!closed && keep && error_ == 0) error_ = errno;
    fd_ = -1;
    return written && closed;
}

}  // namespace Platform
