// facts/: what the programs and the page say about a package or a WAVE file.
// One pass over the package reader or the WAVE model builds plain values --
// this header -- and everything shown is rendered from them: the text
// (FactsText.h), the JSON (FactsJson.h), and the page through that JSON. A
// fact is worked out once, here; the renderers only format it.
//
//   Describe(WAVE_File&)        -> Wave: sizes, audio summary, chunks, findings
//   ExportReader::Read(entry)   -> Export: one export with its audio summary
//   Totals::Add(Export)         -> sounds, bytes, duration of a package
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "wave/CueList.h"

class KZ_Export_Element;
class KZ_Package;
class WAVE_File;

namespace Facts {

// A length of time as a count of units of 1/perSecond seconds (bytes at a
// byte rate, samples at a sample rate): exact, and rounded the same way by
// every renderer.
struct Duration {
    std::uint64_t units = 0;
    std::uint32_t perSecond = 1;  // never 0

    double Seconds() const { return static_cast<double>(units) / perSecond; }
    // To the nearest millisecond.
    std::uint64_t Milliseconds() const;
};

// A time, where there is a rate to count it with.
std::optional<Duration> TimeOf(std::uint64_t units, std::uint32_t perSecond);

// What the headers say about the audio: the "fmt " fields and the size of
// the "data" body, never the samples.
struct Audio {
    bool hasFormat = false;
    std::uint16_t formatTag = 0;
    std::uint16_t subFormatTag = 0;  // an extensible format's: the tag its GUID begins with
    std::uint16_t channels = 0;
    std::uint32_t rate = 0;
    std::uint32_t bytesPerSecond = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bits = 0;
    bool hasData = false;
    std::uint64_t dataBytes = 0;

    // Worked out from the fields above by Summarize.
    std::uint16_t codingTag = 0;         // the sub-format of an extensible format, else the tag
    std::string_view formatName;         // "PCM", "IEEE float", ...; empty for a tag without one
    std::optional<std::uint64_t> frames;  // data bytes over the block size
    std::optional<Duration> duration;    // data bytes over the byte rate
};

// Fills in the worked-out members of `audio` from its fields.
void Summarize(Audio& audio);

enum class Severity { Warning, Error };

struct Finding {
    Severity severity = Severity::Warning;
    std::string text;
};

// ---- a WAVE file, chunk by chunk -------------------------------------------

struct ChunkHead {
    std::uint32_t id = 0;
    std::uint32_t size = 0;  // as a save writes it
};

struct FormatChunk {
    ChunkHead head;
    std::uint16_t formatTag = 0;
    std::uint16_t channels = 0;
    std::uint32_t samplesPerSec = 0;
    std::uint32_t avgBytesPerSec = 0;
    std::uint16_t blockAlign = 0;
    std::uint16_t bitsPerSample = 0;
    bool extended = false;  // the extension fields are stored (every tag but PCM)
    std::uint16_t extraSize = 0;
    std::vector<std::uint8_t> extra;
};

struct FactChunk {
    ChunkHead head;
    std::uint32_t sampleCount = 0;
};

struct DataChunk {
    ChunkHead head;  // size: the bytes of samples held
};

struct CueChunk {
    ChunkHead head;
    std::uint32_t count = 0;
    std::vector<CuePoint> points;
};

// The sub-chunks of a list: labels, labelled texts and notes name a cue
// point by its id; any other is kept as raw bytes.
struct Label {
    ChunkHead head;
    std::uint32_t cueID = 0;
    std::string text;  // up to its first NUL
};

struct LabelledText {
    ChunkHead head;
    std::uint32_t cueID = 0;
    std::uint32_t sampleLength = 0;
    std::uint32_t purpose = 0;
    std::uint16_t country = 0;
    std::uint16_t language = 0;
    std::uint16_t dialect = 0;
    std::uint16_t codePage = 0;
    std::string text;  // without the NULs that end it
};

// "note": u32 cue id, then its text.
struct Note {
    ChunkHead head;
    std::uint32_t cueID = 0;
    std::string text;  // without the NULs that end it
};

struct RawSubChunk {
    ChunkHead head;
    std::string text;  // its bytes without the NULs that end them: an INFO tag's text
};

using SubChunk = std::variant<Label, LabelledText, Note, RawSubChunk>;

struct ListChunk {
    ChunkHead head;
    std::uint32_t listType = 0;
    bool info = false;  // an INFO list: tags and their texts
    std::vector<SubChunk> subs;
};

struct PhonemeFacts {
    std::string tag;  // up to its first NUL
    std::uint16_t code = 0;
    std::string symbol;  // the character of `code` as UTF-8; empty when it shows nothing
    float floatA = 0.0f;
    float floatB = 0.0f;
};

struct WordFacts {
    std::string word;  // up to its first NUL
    std::int32_t intA = 0;
    std::int32_t intB = 0;
    float floatA = 0.0f;
    float floatB = 0.0f;
    std::int32_t phonemeCount = 0;
    std::vector<PhonemeFacts> phonemes;
};

struct PhonemeChunk {
    ChunkHead head;
    std::string text;
    std::int32_t wordCount = 0;
    std::vector<WordFacts> words;
};

struct RawChunk {
    ChunkHead head;
};

using Chunk = std::variant<FormatChunk, FactChunk, DataChunk, CueChunk, ListChunk, PhonemeChunk, RawChunk>;

// Where a label, labelled text or note stands: chunks[chunk] is a list,
// its subs[sub] the text.
struct TextRef {
    std::size_t chunk = 0;
    std::size_t sub = 0;
};

struct Wave {
    std::uint64_t riffSize = 0;        // as a save writes it
    std::uint64_t riffSizeStored = 0;  // as loaded
    std::uint64_t storedBytes = 0;     // the bytes that hold the image: the file's, a sound's
    Audio audio;
    std::vector<Chunk> chunks;  // in saved order: fmt, fact when present, data, then the rest
    // The texts of every "adtl" list by the cue id they name, each id's in
    // file order: a cue point names its texts by its id.
    std::map<std::uint32_t, std::vector<TextRef>> cueTexts;
    std::vector<Finding> findings;

    const SubChunk& Text(const TextRef& ref) const;
};

// The facts of a loaded model (loaded whole or headers only), with
// `findings` (the model's messages, met while loading) ahead of those
// found here: sizes the stored bytes do not bear out. Brings the model's
// sizes up to date, as a save would.
Wave Describe(WAVE_File& wave, std::vector<Finding> findings = {});

// ---- a package ----------------------------------------------------------------

struct Table {
    std::uint32_t count = 0;
    std::uint32_t offset = 0;
};

struct PackageHead {
    std::uint32_t tag = 0;
    std::uint32_t version = 0;
    std::uint32_t flags = 0;
    bool legacy = false;  // the legacy header tail; else GUID and generations
    Table legacyTable;
    std::array<std::uint8_t, 16> guid{};
    std::uint32_t generations = 0;
    Table names, imports, exports;
};

PackageHead HeadOf(const KZ_Package& package);

// One export of a package, with the audio facts of the sound behind it.
struct Export {
    std::size_t index = 0;
    std::string name;
    std::string className;
    std::int32_t dataSize = 0;
    std::optional<std::int32_t> dataOffset;  // stored only when there is data
    bool sound = false;          // its data holds a RIFF WAVE file
    Audio audio;                 // from that file's headers
    std::uint64_t fileSize = 0;  // the bytes exporting it writes
};

// A package's sounds added up.
struct Totals {
    std::uint64_t sounds = 0;
    std::uint64_t bytes = 0;
    std::uint64_t milliseconds = 0;  // each sound's duration, rounded, summed

    void Add(const Export& entry);
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

    Export Read(std::size_t index);
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

// Whether Snd_Pull can use `name` as a script line and an output file name:
// not empty, not "." or "..", holding no '\', '/', ':' or control byte, and
// not ending in ';' (which would make it a package line), and short enough
// to make a file name with ".wav" (255 bytes at most on the usual systems).
bool IsSafeSoundName(std::string_view name);

// The sounds an export script can name, handed to `take` one by one as they
// are found (a package may hold millions): each export name once, in table
// order, whose first export (the one Snd_Pull's lookup finds) holds a WAVE
// file, with whether Snd_Pull can use it safely (IsSafeSoundName).
void ForEachScriptSound(KZ_Package& package, const std::function<void(std::string_view name, bool safe)>& take);

}  // namespace Facts
