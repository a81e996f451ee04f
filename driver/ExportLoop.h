// The export loop: reads the script line by line, opens the packages its
// package lines name and exports the sounds its sound lines name.
#pragma once

#include <istream>
#include <ostream>
#include <string>

// Runs the script to its end. `inPath` and `outPath` are empty or end in a
// backslash. Every message line goes to `out`, ended with a newline and a
// flush. Returns whether every sound line was written: false after a package
// that could not be opened, a sound line with no package open, or a sound
// that was not found, not read in full or not written.
bool RunExportLoop(std::istream& script, const std::string& inPath, const std::string& outPath,
                   std::ostream& out);

// Reads one line of the script. The line ends at an LF, which is not part of
// it; a CR directly before that LF is not part of it either, as in Windows
// text mode. Any other CR, including one that ends a last line without an
// LF, stays. Returns false when no line could be read.
bool ReadScriptLine(std::istream& in, std::string& line);
