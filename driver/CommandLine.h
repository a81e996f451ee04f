// driver/: Snd_Pull's program and nothing else -- its entry (Snd_Pull.cpp),
// its command line (this header), the export script and the loop over
// packages and sounds (ExportLoop.h), and every console message of Snd_Pull.
#pragma once

#include <ostream>

// The whole run of `Snd_Pull ScriptFile [/i:InPath] [/o:OutPath]`: usage text,
// script name and open, options, then the export loop. Every message goes to
// `out`. Returns the exit status, which is 0 on every path: batch callers
// rely on that.
int SndPullMain(int argc, const char* const* argv, std::ostream& out);
