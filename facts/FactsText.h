// The facts as text for people: a WAVE file chunk by chunk, and a package's
// header with a table of its exports. Every stored name and text is escaped
// (Escape.h).
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

#include "facts/Facts.h"

class KZ_Package;

namespace FactsText {

// `name` and a line that sums the sound up (RF64 where it is stored so;
// coding, channels, rate, bits, duration), the RIFF size (the stored one beside it when they differ), then
// each chunk with its size and contents: cue points with their time, labels
// and texts; LIST INFO tags by name; phonemes with their symbols; sampler
// loops and instrument ranges.
void PrintWave(const Facts::Wave& wave, std::string_view name, std::ostream& out);

struct ListOptions {
    // The header's internals (tag, version, flags, each table's count and
    // offset, the tail) and each export's class, data size and offset.
    bool verbose = false;
    // Told how many exports of how many have been read, as the listing goes.
    std::function<void(std::size_t done, std::size_t total)> progress;
    // Told each finding about the package's groups, before the listing.
    std::function<void(const std::string& finding)> warn;
};

// A line that sums the package up (its sounds, their duration and the bytes
// exporting them writes), then a table of every export: index, group (where
// the package has groups), name and,
// for a sound, its format, channels, rate, bits, duration and the size of
// the file exporting it writes. Reads the exports twice at most, never
// holding much more than the tables it lists.
void PrintPackage(KZ_Package& package, const std::string& path, const ListOptions& options, std::ostream& out);

// A duration as a clock shows it: "0:01.500", from an hour on "1:30:00.000".
std::string Clock(std::uint64_t ms);

// "PCM, 2 channels, 44100 Hz, 16 bits, 0:01.500".
std::string Summary(const Facts::Audio& audio);

}  // namespace FactsText
