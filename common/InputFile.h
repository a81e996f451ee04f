// A file opened for reading by the system's own call, so that the system can
// copy bytes out of it into an output by itself (OutputFile::CopyFrom),
// without them passing through the program. Where the system makes no such
// copies, it never opens, and every copy goes through the program's streams.
#pragma once

#include <string>

namespace Platform {

class OutputFile;

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` (as the program writes it) for reading, closing what was
    // open. Where the system makes no copies from file to file, nothing is
    // opened.
    void Open(const std::string& path);
    void Close();
    bool IsOpen() const { return fd_ >= 0; }

private:
    friend class OutputFile;
    int fd_ = -1;
    // The system would not copy out of this file (into the outputs tried so
    // far): not asked again, also after the file is opened afresh.
    bool refused_ = false;
};

}  // namespace Platform
