// The export loop: reads the script line by line, opens the packages its
// package lines name and exports the sounds its sound lines name.
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

// Runs the script to its end. `inPath` and `outPath` are empty or end in a
// backslash. Every message line goes to `out`, ended with a newline and a
// flush. Returns whether every sound line was written: false after a package
// that could not be opened, a sound line with no package open, a line too
// long to be read, or a sound that was not found, not read in full or not
// written.
bool RunExportLoop(std::istream& script, const std::string& inPath, const std::string& outPath,
                   std::ostream& out);

// The longest script line taken: no sound name can be longer, and a line is
// never held whole beyond it, whatever the script (a device of endless
// bytes, say).
inline constexpr std::size_t kLongestScriptLine = 65536;

enum class ScriptLine {
    Read,     // `line` holds it
    TooLong,  // longer than kLongestScriptLine: read to its end; `line` holds only its last byte
    End,      // no line left
};

// Reads one line of the script. The line ends at an LF, which is not part of
// it; a CR directly before that LF is not part of it either, as in Windows
// text mode. Any other CR, including one that ends a last line without an
// LF, stays.
ScriptLine ReadScriptLine(std::istream& in, std::string& line);
