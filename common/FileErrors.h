// Why a file could not be opened or written, in plain words that read the
// same on every system, for the programs' messages.
#pragma once

#include <string>

namespace Platform {

enum class Access { Read, Write };

// The system's error number `error` (an errno value) in plain words: "it is
// a folder"; "no such file" when reading, "no such folder" when writing (the
// folder the file goes in is missing); for a name the system cannot take,
// "no such file" when reading, "not a valid file name" when writing;
// "permission denied"; any other in the system's own words. Empty for 0.
std::string Reason(int error, Access access);

// Why `path` cannot be opened for reading, asked of the system once more: its
// error number, EISDIR for a folder, 0 when it opens now.
int OpenError(const std::string& path);

}  // namespace Platform
