// What Snd_Info prints: a WAVE model, a package's header and export table,
// and an export script for Snd_Pull; with the safe forms of stored text that
// they share. Stored names and texts may hold any bytes, so nothing from a
// file reaches the console unescaped.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class KZ_Export_Element;
class KZ_Package;
class WAVE_File;

namespace InfoReport {

// `text` with every byte that could upset a terminal written as \xHH: control
// bytes (below 0x20, 0x7F), and bytes of 0x80 and above unless they form a
// well-formed UTF-8 character other than a C1 control. Everything else stays,
// backslashes included: for paths and names in messages.
std::string Printable(std::string_view text);
// `text` between double quotes, escaped as Printable does and with '"' and
// '\' written as \" and \\, so that the form shows every byte exactly.
std::string Quoted(std::string_view text);
// A four-character code between single quotes: printable ASCII as it is,
// '\'' and '\' escaped, any other byte as \xHH. A code given as text stops at
// its first NUL (a phoneme tag is zero-padded).
std::string QuotedCode(std::uint32_t code);
std::string QuotedCode(std::string_view code);

// The characters a terminal shows for text made by Printable or Quoted.
std::size_t DisplayWidth(std::string_view printable);

// Whether Snd_Pull can use `name` as a script line and an output file name:
// not empty, not "." or "..", holding no '\', '/', ':' or control byte, and
// not ending in ';' (which would make it a package line), and short enough
// to make a file name with ".wav" (255 bytes at most on the usual systems).
bool IsSafeSoundName(std::string_view name);

// Whether the export's stored data is a sound object holding a RIFF WAVE
// file: the sound header can be read, the WAVE bytes are at least a RIFF
// header long, and "RIFF" stands where they begin and "WAVE" 8 bytes later,
// all within the file. Reads through the package's stream, which is left
// open (the caller closes it after a scan).
bool HoldsWave(KZ_Package& package, const KZ_Export_Element& entry);

// The model in saved order: the RIFF size, then each chunk with its size and
// contents. Brings every size up to date first (what a save would write);
// the RIFF size that was loaded is shown beside the new one when they differ.
void PrintWave(WAVE_File& wave, std::ostream& out);

// The header (tag, version, flags, each table's count and offset, the tail)
// and a table of every export: index, name, class, data size, data offset,
// and whether it holds a WAVE file.
void PrintPackage(KZ_Package& package, const std::string& path, std::ostream& out);

// The sounds an export script can name, handed to `take` one by one as they
// are found (a package may hold millions): each export name once, in table
// order, whose first export (the one Snd_Pull's lookup finds) holds a WAVE
// file, with whether Snd_Pull can use it safely (IsSafeSoundName).
void ForEachScriptSound(KZ_Package& package, const std::function<void(std::string_view name, bool safe)>& take);

}  // namespace InfoReport
