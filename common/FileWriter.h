// Inside common/, not for callers: OutputFile's writer.
//
// Writes through one file descriptor of the host: the file is created and
// opened in one call, which an output stream of the standard library cannot
// do without the creation also truncating whatever stood there.
#pragma once

#include <memory>
#include <streambuf>
#include <string>

#include "common/HostFiles.h"

namespace Platform {

class FileWriter : public std::streambuf {
public:
    FileWriter();
    ~FileWriter() override;
    FileWriter(const FileWriter&) = delete;
    FileWriter& operator=(const FileWriter&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Creates `path` in `in`, which must not exist yet; or, with `existing`,
    // opens it for writing and truncates it.
    bool Open(const Host::Dir& in, const std::string& path, bool existing);
    // Writes to `fd`, when it is one (not negative), from now on.
    bool Adopt(int fd);
    // Writes out what is buffered; false when any write failed.
    bool Flush();
    int Fd() const { return fd_; }
    // The system's error number of the first write or close that failed; 0
    // while none has.
    int Error() const { return error_; }
    // Writes what is buffered (with `keep`; else drops it) and closes; false
    // when any write failed.
    bool Close(bool keep);

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize count) override;
    int sync() override;

private:
    bool WriteOut(const char* bytes, std::size_t count);
    void MakeBuffer();

    int fd_ = -1;
    bool failed_ = false;
    int error_ = 0;
    std::unique_ptr<char[]> buffer_;
};

}  // namespace Platform
