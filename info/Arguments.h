// Snd_Info's command line as words: the FILEs, the SOUNDs named after each,
// and the options, checked against each other before anything is read.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

// One FILE and the SOUNDs named after it.
struct Target {
    std::string file;
    std::vector<std::string> sounds;
};

struct Arguments {
    std::vector<Target> targets;
    std::optional<std::string> wavePath;       // /w:
    std::optional<std::string> extractFolder;  // /x:
    bool overwrite = false;                    // /y
    bool script = false;                       // /dpl
    bool json = false;                         // /json
    bool pcm = false;                          // --pcm: /w: and /x: write 16-bit PCM
    bool flat = false;                         // --flat: /x: writes no group folders
    bool verbose = false;                      // -v: a package's internals too
    bool quiet = false;                        // -q: no line per sound written
    bool regions = false;                      // --regions: /x: writes each region and loop as a file too
    bool labels = false;                       // --labels: /x: writes each sound's label track too
    bool sfz = false;                          // --sfz: /x: writes each looped sound's SFZ instrument too
    std::optional<std::string> region;         // --region=LABEL: /w: saves that region alone
    bool help = false;
    bool version = false;

    std::size_t SoundCount() const;
};

// The name that stands for standard output after /w:.
inline constexpr const char* kStandardOutput = "-";

// Fills `args` from the words after the program's name; returns why the
// command line is wrong, or nothing.
std::optional<std::string> ParseArguments(int argc, const char* const* argv, Arguments& args);

void WriteUsage(std::ostream& out);
