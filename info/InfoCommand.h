// info/: Snd_Info, the program that looks inside packages and WAVE files --
// its command line (Arguments: the words; InfoCommand: the run and its exit
// status) and extraction (Extract). What it says about a file comes from the
// facts (facts/: Intake opens and types the inputs, Describe builds the
// facts, FactsText and FactsJson render them).
#pragma once

#include <ostream>

// Exit statuses of Snd_Info, which follows the usual conventions.
inline constexpr int kInfoSuccess = 0;
inline constexpr int kInfoFailure = 1;   // an input cannot be read, a sound is missing, ...
inline constexpr int kInfoBadUsage = 2;  // with the usage text

// The whole run of `Snd_Info FILE [SOUND...] [FILE [SOUND...]]... [options]`:
// results go to `out` (a print, a script, one JSON document, or with /w:- the
// saved WAVE file), errors and warnings to `err` (one line each). A write to
// `out` that fails ends the run with kInfoFailure. Returns the exit status.
// `showProgress`: standard error is a terminal, where long work may show how
// far it has come (info/Progress.h).
int SndInfoMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool showProgress = false);
