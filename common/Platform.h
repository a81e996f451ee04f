// common/: what every subsystem shares and nothing owns -- the host layer
// (Platform) and the little-endian field helpers (LittleEndian).
//
// Platform: the one place that knows which system the program runs on.
// The program speaks in Windows conventions: paths are built with '\' and
// shown that way in every message, and the export script is read as text,
// where a CR directly before an LF is not part of a line. This layer turns
// those conventions into what the host understands.
#pragma once

#include <fstream>
#include <istream>
#include <string>
#include <vector>

namespace Platform {

// The path text as the program builds and shows it -> the text the host's
// file system takes. On POSIX every '\' becomes '/'; on Windows it is used as
// written.
std::string HostPath(const std::string& path);

// Opens `path` for binary input on `stream`. A folder counts as a file that
// cannot be opened (as on Windows). Flags already set on the stream stay set,
// also when the open succeeds; a failed open adds failbit.
void OpenInput(std::ifstream& stream, const std::string& path);

// Opens `path` for binary output, creating or truncating it. A failed open
// leaves the stream failed.
void OpenOutput(std::ofstream& stream, const std::string& path);

// Reads one line of a script opened with OpenInput. The line ends at an LF,
// which is not part of it; a CR directly before that LF is not part of it
// either, as in Windows text mode. Any other CR, including one that ends a
// last line without an LF, stays. Returns false when no line could be read.
bool ReadScriptLine(std::istream& in, std::string& line);

// The arguments after the program's name as a program that takes many file
// names wants them. On Windows, whose console leaves wildcards to the
// program, an argument holding '*' or '?' (and not starting with '/' or '-',
// an option) becomes the names it matches, in order, with its folder part
// kept; one that matches nothing stays as written. Elsewhere the shell has
// done this already, and the arguments come back as they are.
std::vector<std::string> ExpandWildcards(int argc, const char* const* argv);

// Puts the standard streams in the state the programs need: on Windows no
// LF -> CR LF translation on output, so the bytes are the same on every
// system, and standard input read as bytes (Snd_Info reads WAVE files there).
void PrepareConsole();

}  // namespace Platform
