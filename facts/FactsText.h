// The facts as text for people: a WAVE file chunk by chunk, and a package's
// header with a table of its exports. Every stored name and text is escaped
// (Escape.h).
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

#include "facts/Facts.h"

class KZ_Package;

namespace FactsText {

// The RIFF size (the stored one beside it when they differ), then each chunk
// with its size and contents: cue points with their time, labels and texts;
// LIST INFO tags by name; phonemes with their symbols.
void PrintWave(const Facts::Wave& wave, std::ostream& out);

// The header (tag, version, flags, each table's count and offset, the tail)
// and a table of every export: index, name, class, data size, data offset,
// whether it holds a WAVE file and, for a sound, its format, channels, rate,
// bits, duration and the size of the file exporting it writes; then a line
// of totals. Reads the exports twice at most, never holding much more than
// the tables it lists.
void PrintPackage(KZ_Package& package, const std::string& path, std::ostream& out);

// Milliseconds as seconds with three decimals: "1.500".
std::string Seconds(std::uint64_t ms);

}  // namespace FactsText
