// Whole files in and out, for the kit's builders and the programs that use
// them.
#pragma once

#include <filesystem>
#include <string>

namespace TestSupport {

// The bytes of the file at `path`, or an empty string when it cannot be read.
std::string ReadFile(const std::filesystem::path& path);
// Writes `bytes` to `path`, creating or truncating it and making its folders.
void WriteFile(const std::filesystem::path& path, const std::string& bytes);

}  // namespace TestSupport
