// info/: Snd_Info, the program that looks inside packages and WAVE files --
// its command line (InfoCommand) and what it prints (InfoReport).
//
// Snd_Info's command line: which file, which sound, which output, and the
// exit status; the texts it prints come from InfoReport.
#pragma once

#include <ostream>

// Exit statuses of Snd_Info, which follows the usual conventions (unlike
// Snd_Pull, whose callers rely on 0 on every path).
inline constexpr int kInfoSuccess = 0;
inline constexpr int kInfoFailure = 1;   // an input cannot be read, a sound is missing, ...
inline constexpr int kInfoBadUsage = 2;  // with the usage text

// The whole run of `Snd_Info FILE [SOUND] [/w:OUT.wav] [/dpl]`: results go
// to `out`, errors and warnings to `err` (one line each). The WAVE model's own
// messages go where the model writes them (standard output). Returns the exit
// status.
int SndInfoMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err);
