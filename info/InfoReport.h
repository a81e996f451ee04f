// What Snd_Info prints: a WAVE model, a package's header and export table
// with each sound's audio facts, the sizes a model shows as damaged, and an
// export script for Snd_Pull; with the safe forms of stored text that they
// share (the JSON in InfoJson uses the same facts). Stored names and texts
// may hold any bytes, so nothing from a file reaches the console unescaped.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

class KZ_Export_Element;
class KZ_Package;
class RIFF_Chunk;
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

// What a WAVE file's headers say about its audio: the "fmt " fields and the
// size of the "data" body, never the samples.
struct AudioFacts {
    bool hasFormat = false;
    std::uint16_t formatTag = 0;
    std::uint16_t subFormatTag = 0;  // WAVE_FORMAT_EXTENSIBLE: the tag its GUID begins with
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    bool hasData = false;
    std::uint64_t dataBytes = 0;

    // The tag that says how samples are coded: the sub-format of an
    // extensible format, else the format tag.
    std::uint16_t CodingTag() const;
    // "PCM", "IEEE float", ...; empty for a tag without a name.
    std::string_view FormatName() const;
    // The data size over the byte rate, to the nearest millisecond; nothing
    // without a byte rate or a data chunk.
    std::optional<std::uint64_t> DurationMs() const;
    // The data size over the block size; nothing without either.
    std::optional<std::uint64_t> Frames() const;
};

// The facts of a loaded model whose data body holds `dataBytes`.
AudioFacts FactsOf(const WAVE_File& wave, std::uint64_t dataBytes);

// Milliseconds as seconds with three decimals: "1.500".
std::string Seconds(std::uint64_t ms);

// One export of a package as the listing shows it.
struct ExportFacts {
    bool wave = false;           // its data holds a RIFF WAVE file (HoldsWave)
    AudioFacts audio;            // from that file's headers
    std::uint64_t fileSize = 0;  // the bytes exporting it writes
};

// The facts of a package's exports, one export at a time (a listing never
// holds them all: a table may hold millions): the sound header, the RIFF
// header and then the chunk headers up to "data" (the "fmt " body read,
// every other body stepped over), as the WAVE model reads them, within the
// bytes the sound stores. Closes the package's stream when it goes.
class ExportReader {
public:
    explicit ExportReader(KZ_Package& package);
    ~ExportReader();
    ExportReader(const ExportReader&) = delete;
    ExportReader& operator=(const ExportReader&) = delete;

    ExportFacts Read(const KZ_Export_Element& entry);
    std::uint64_t PackageBytes() const { return packageBytes_; }

private:
    KZ_Package& package_;
    std::uint64_t packageBytes_;  // measured once
};

// Whether the export's stored data is a sound object holding a RIFF WAVE
// file: the sound header can be read, the WAVE bytes are at least a RIFF
// header long, and "RIFF" stands where they begin and "WAVE" 8 bytes later,
// all within the file. Reads through the package's stream, which is left
// open (the caller closes it after a scan).
bool HoldsWave(KZ_Package& package, const KZ_Export_Element& entry);

// The sizes a loaded model (headers only or whole) shows as damaged, one
// text each, without a prefix: a data chunk, a chunk kept as raw bytes or a
// labelled text (at top level or in a list) that claims more bytes than it
// holds -- "'data' chunk claims 4294967295 bytes, holds 980" -- and a RIFF
// size other than the bytes after the RIFF header -- "RIFF size says 355
// bytes, 352 follow the RIFF header" (the file's bytes, or a sound's
// WaveSize). A RIFF size left at 0xFFFFFFFF by a streaming writer is no
// finding. Call it before UpdateSizes, which replaces the sizes as loaded.
std::vector<std::string> SizeWarnings(const WAVE_File& wave);

// The bytes the model's data body holds (measured when loaded headers only).
std::uint64_t DataBytes(const WAVE_File& wave);
// Brings every size but the data chunk's up to date (what a save would
// write; the data chunk keeps the size of the bytes it holds, also when
// loaded headers only) and returns the RIFF size a save would write.
std::uint64_t UpdateSizes(WAVE_File& wave);

// The model in saved order: the RIFF size, then each chunk with its size and
// contents. Shows the sizes a save would write; the RIFF size that was loaded
// is shown beside the new one when they differ. Cue points come with their
// time, labels and texts; LIST INFO tags by name.
// The sizes are brought up to date first (UpdateSizes).
void PrintWave(WAVE_File& wave, std::ostream& out);

// The header (tag, version, flags, each table's count and offset, the tail)
// and a table of every export: index, name, class, data size, data offset,
// whether it holds a WAVE file and, for a sound, its format, channels,
// rate, bits, duration and the size of the file exporting it writes; then a
// line of totals.
void PrintPackage(KZ_Package& package, const std::string& path, std::ostream& out);

// A name for a LIST INFO code ("INAM" -> "Title"), empty for one without.
std::string_view InfoTagName(std::uint32_t code);

// The character a phoneme's code stands for, as UTF-8; empty for a code
// that shows nothing (a control character, a blank, a surrogate).
std::string PhonemeSymbol(std::uint32_t code);

// A stored text as it is meant: without the NUL bytes that end it.
std::string_view WithoutNul(std::string_view text);

// The text of a LIST INFO sub-chunk.
std::string InfoText(const RIFF_Chunk& sub);

// A "note" sub-chunk of an associated-data list: u32 cue id, then its text.
struct CueNote {
    std::uint32_t cueID = 0;
    std::string text;
};
std::optional<CueNote> NoteOf(const RIFF_Chunk& sub);

// The labels, labelled texts and notes of every "adtl" list of the model by
// the cue id they belong to, each id's in file order.
std::multimap<std::uint32_t, const RIFF_Chunk*> CueTexts(const WAVE_File& wave);

// The sounds an export script can name, handed to `take` one by one as they
// are found (a package may hold millions): each export name once, in table
// order, whose first export (the one Snd_Pull's lookup finds) holds a WAVE
// file, with whether Snd_Pull can use it safely (IsSafeSoundName).
void ForEachScriptSound(KZ_Package& package, const std::function<void(std::string_view name, bool safe)>& take);

}  // namespace InfoReport
