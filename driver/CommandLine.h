// driver/: Snd_Pull's program and nothing else -- its entry (Snd_Pull.cpp),
// its command line (this header), the export script and the loop over
// packages and sounds (ExportLoop.h), and every console message of Snd_Pull.
#pragma once

#include <ostream>

// The exit status of a run.
constexpr int kAllWritten = 0;     // every sound the script names was written (or none was asked for)
constexpr int kNotAllWritten = 1;  // the script, a package or a sound failed, or a sound had no package
constexpr int kUsageError = 2;     // an unknown option

// The whole run of `Snd_Pull ScriptFile [/i:InPath] [/o:OutPath]`: usage text,
// script name and open, options, then the export loop. Every message goes to
// `out`. A first argument of --help, -h or /? (the usage and where to read
// more) or --version is answered when no script of that name opens. Returns
// the exit status.
int SndPullMain(int argc, const char* const* argv, std::ostream& out);
