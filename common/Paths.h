// Paths as the program builds and shows them, and opening files by them.
//
// The program speaks in Windows conventions: paths are built with '\' and
// shown that way in every message. These calls turn such a path into what
// the host's file system takes.
#pragma once

#include <fstream>
#include <string>

namespace Platform {

// The path text as the program builds and shows it -> the text the host's
// file system takes. On POSIX every '\' becomes '/'; on Windows it is used as
// written.
std::string HostPath(const std::string& path);

// Opens `path` for binary input on `stream`. A folder counts as a file that
// cannot be opened (as on Windows), and so does a path holding a NUL byte,
// which no file name can hold. Flags already set on the stream stay set,
// also when the open succeeds; a failed open adds failbit.
void OpenInput(std::ifstream& stream, const std::string& path);

// Opens `path` for binary output, creating or truncating it. A failed open
// leaves the stream failed. For outputs a user keeps, use OutputFile.
void OpenOutput(std::ofstream& stream, const std::string& path);

}  // namespace Platform
