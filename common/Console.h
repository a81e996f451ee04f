// The console and the command line: the standard streams as the programs
// need them, and arguments as a program that takes many file names wants
// them. One body per system (ConsolePosix.cpp, ConsoleWindows.cpp).
#pragma once

#include <string>
#include <vector>

namespace Platform {

// The arguments after the program's name as a program that takes many file
// names wants them. On Windows, whose console leaves wildcards to the
// program, an argument holding '*' or '?' (and not starting with '/' or '-',
// an option) becomes the names it matches, in order, with its folder part
// kept; one that matches nothing stays as written. Elsewhere the shell has
// done this already, and the arguments come back as they are.
std::vector<std::string> ExpandWildcards(int argc, const char* const* argv);

// For a batch tool whose output may be piped into a program that stops
// reading early (a pager, head): writing to the closed pipe then fails like
// any other write to a bad stream instead of ending the program. Nothing to
// do on Windows, where no signal is raised.
void IgnoreBrokenPipe();

enum class Stream { Output, Error };

// Whether standard output or standard error is a terminal (a console on
// Windows) that a person reads, rather than a file or a pipe.
bool IsTerminal(Stream stream);

// Puts the standard streams in the state the programs need: on Windows no
// LF -> CR LF translation on output, so the bytes are the same on every
// system, and standard input read as bytes (Snd_Info reads WAVE files there).
void PrepareConsole();

}  // namespace Platform
