// facts/: what the programs and the page say about a package or a WAVE file.
// One pass over the package reader or the WAVE model builds plain values --
// this header -- and everything shown is rendered from them: the text
// (FactsText.h), the JSON (FactsJson.h), and the page through that JSON. The
// facts read what the core works out (the sample layout and the length rule
// in wave/SampleCodec.h, each chunk's fields from its model class); the
// renderers only format them.
//
//   Describe(WAVE_File&)        -> Wave: sizes, audio summary, chunks, findings
//   ExportReader::Read(entry)   -> Export: one export with its audio summary
//   Totals::Add(Export)         -> sounds, bytes, duration of a package
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "facts/Findings.h"
#include "facts/Groups.h"
#include "wave/CueList.h"

class KZ_Export_Element;
class KZ_Package;
class KZ_Sound;
class WAVE_File;
class fmt_Chunk;

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

// What the headers say about the audio: the "fmt " fields, the "fact"
// count and the size of the "data" body, never the samples.
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

    // Worked out once, by AudioOf.
    std::uint16_t codingTag = 0;          // the sub-format of an extensible format, else the tag
    std::string_view formatName;          // "PCM", "IMA ADPCM", ...; empty for a tag without one
    std::optional<std::uint64_t> frames;  // sample frames; unknown where nothing tells
    std::optional<std::uint64_t> blocks;  // for codecs of many frames a block
    std::optional<Duration> duration;     // frames at the sample rate
};

// The audio facts of a format chunk (null when the file has none), a "fact"
// sample count, and `dataBytes` bytes of samples (null when there is no data
// chunk). Sample frames:
//   PCM, float, A-law, mu-law  data bytes over the frame's bytes (where the
//                              block align disagrees with channels x bytes
//                              per sample, over the latter, with a finding)
//   IMA and MS ADPCM, GSM 6.10 the blocks' frames, a last partial block
//                              counted by its bytes, trimmed by the fact
//                              count as SoundFrames (wave/SampleCodec.h)
//                              rules, with its finding
//   any other codec            the fact count, when there is one (a count
//                              of 0 beside samples is not taken)
//   otherwise                  unknown
// The findings name what disagrees.
// Whether the data's size alone tells the frames of this format (PCM, float,
// A-law, mu-law): no "fact" count is needed.
bool CountedByData(const fmt_Chunk& fmt);

Audio AudioOf(const fmt_Chunk* fmt, std::optional<std::uint64_t> factCount, std::optional<std::uint64_t> dataBytes,
              std::vector<Finding>& findings);
// ---- a WAVE file, chunk by chunk -------------------------------------------

// The name of a format tag ("PCM", "IMA ADPCM", ...); empty for a tag without one.
std::string_view FormatName(std::uint16_t tag);

struct ChunkHead {
    std::uint32_t id = 0;
    std::uint64_t size = 0;  // the body's length, as a save writes it (RF64: beyond 32 bits)
};

// "ds64", where the file is written as RF64.
struct Ds64Chunk {
    ChunkHead head;
    std::uint64_t riffSize = 0;
    std::uint64_t dataSize = 0;
    std::uint64_t sampleCount = 0;
    std::vector<ChunkHead> table;  // the chunks whose sizes stand here
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
    std::string_view formatName;  // the tag's name; empty for a tag without one
    // The extensible format's extension, where it is whole: u16 valid bits,
    // u32 channel mask, the sub-format GUID (its first two bytes a tag).
    struct Extensible {
        std::uint16_t validBits = 0;
        std::uint32_t channelMask = 0;
        std::uint16_t subFormatTag = 0;
        bool standardGuid = false;  // the GUID is a tag's: the rest of it is the fixed 14 bytes
        std::string_view subFormatName;
    };
    std::optional<Extensible> extensible;
};

// The extension of an extensible format, where it is whole.
std::optional<FormatChunk::Extensible> ExtensibleOf(std::uint16_t formatTag, const std::vector<std::uint8_t>& extra);

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
    std::string text;  // its bytes up to the first NUL: an INFO tag's text
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

// "smpl": how a sampler plays the sound (the fields of smpl_Chunk, wave/Sampler.h).
struct SamplerLoop {
    std::uint32_t cueID = 0;
    std::uint32_t type = 0;
    std::uint32_t start = 0;  // sample frames
    std::uint32_t end = 0;    // the last frame played, included
    std::uint32_t fraction = 0;
    std::uint32_t playCount = 0;  // 0: for ever
};

// "forward", "alternating", "backward", or the number of a type without a name.
std::string LoopTypeName(std::uint32_t type);

struct SamplerChunk {
    ChunkHead head;
    std::uint32_t manufacturer = 0;
    std::uint32_t product = 0;
    std::uint32_t samplePeriod = 0;
    std::uint32_t unityNote = 0;
    std::uint32_t pitchFraction = 0;
    std::uint32_t smpteFormat = 0;
    std::uint32_t smpteOffset = 0;
    std::uint32_t loopCount = 0;  // as stored
    std::uint32_t samplerDataSize = 0;
    std::vector<SamplerLoop> loops;  // those the chunk holds
};

// "inst": the notes and velocities a sample is played for (inst_Chunk).
struct InstrumentChunk {
    ChunkHead head;
    std::uint8_t unshiftedNote = 0;
    std::int8_t fineTune = 0;
    std::int8_t gain = 0;
    std::uint8_t lowNote = 0;
    std::uint8_t highNote = 0;
    std::uint8_t lowVelocity = 0;
    std::uint8_t highVelocity = 0;
};

struct RawChunk {
    ChunkHead head;
};

// A chunk of a class the facts do not know by name (one added to the chunk
// registry): the fields it describes itself with, in its own order.
struct DescribedChunk {
    ChunkHead head;
    std::vector<ChunkField> fields;
};

using Chunk = std::variant<Ds64Chunk, FormatChunk, FactChunk, DataChunk, CueChunk, ListChunk, PhonemeChunk,
                           SamplerChunk, InstrumentChunk, DescribedChunk, RawChunk>;

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
    bool storedAsRf64 = false;         // its header says "RF64" (a save may write it as RIFF)
    Audio audio;
    std::vector<Chunk> chunks;  // in saved order: ds64 for RF64, fmt, fact when present, data, then the rest
    // The texts of every "adtl" list by the cue id they name, each id's in
    // file order: a cue point names its texts by its id.
    std::map<std::uint32_t, std::vector<TextRef>> cueTexts;
    std::vector<Finding> findings;

    const SubChunk& Text(const TextRef& ref) const;
};

// The sample count a loaded model's "fact" chunk states, if it has one.
std::optional<std::uint64_t> FactCount(const WAVE_File& wave);

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

// Where the package file was cut short inside a sound: the export's stored
// data, as the export table states it, runs past the end of the file, and
// the sound's WAVE bytes are not all there. Some of them are, or none (its
// sound header itself may be cut, or lie wholly past the end).
enum class Cut { None, Short, PastTheEnd };

// One export of a package, with the audio facts of the sound behind it.
struct Export {
    std::size_t index = 0;
    std::string name;
    std::string group;  // the group path (Groups.h); empty at the top level
    std::string className;
    std::int32_t dataSize = 0;
    std::optional<std::int32_t> dataOffset;  // stored only when there is data
    // Its data holds a RIFF WAVE file, or would if the file were whole: a
    // cut sound (below) whose bytes in the file begin as a WAVE file does,
    // and of class Sound where they hold less than a RIFF header.
    bool sound = false;
    Cut cut = Cut::None;
    // A cut sound's WaveSize, as its sound header states it; unknown where
    // that header is cut.
    std::optional<std::uint64_t> waveSize;
    Audio audio;                 // from that file's headers, as far as they are in the file
    std::uint64_t fileSize = 0;  // the bytes exporting it writes: those in the file
};

// The full name of an export: its group path and its name, joined by a dot
// ("Wind.Gusts.Hit"); the name alone at the top level.
std::string FullName(const Export& entry);

// The finding of a cut sound, naming it by its full name (escaped
// as Escape::Printable does):
//   Birds: cut short: 11554 of its 52964 bytes are in the file
//   Bell: its bytes lie past the end of the file
Finding CutFinding(const Export& entry);

// A package's sounds added up.
struct Totals {
    std::uint64_t sounds = 0;
    std::uint64_t bytes = 0;
    std::uint64_t milliseconds = 0;  // each sound's duration, rounded, summed
    std::uint64_t cutShort = 0;      // sounds of which some bytes are in the file
    std::uint64_t pastTheEnd = 0;    // sounds of which none are

    void Add(const Export& entry);
};

// The facts of a package's exports, one export at a time (a listing never
// holds them all: a table may hold millions): the sound header, the RIFF
// header and then the chunk headers up to "data" (the "fmt " body read,
// every other body stepped over), as the WAVE model reads them, within the
// bytes the sound stores. The groups of the whole table are worked out when
// it is made. Closes the package's stream when it goes.
class ExportReader {
public:
    explicit ExportReader(KZ_Package& package);
    ~ExportReader();
    ExportReader(const ExportReader&) = delete;
    ExportReader& operator=(const ExportReader&) = delete;

    Export Read(std::size_t index);
    // Each export whose sound is cut (Export::cut), in table order: index,
    // name, group, class, sound, cut, waveSize and fileSize as Read gives
    // them, the audio left empty. Only the exports whose stored data runs
    // past the end of the file are read (their sound headers and the first
    // bytes of their WAVE bytes): what must be said before the exports are
    // costs nothing for a whole package.
    void ForEachCut(const std::function<void(const Export&)>& take);
    std::uint64_t PackageBytes() const { return packageBytes_; }
    // What goes wrong in the chains of groups (Groups::Findings).
    const std::vector<Finding>& GroupFindings() const { return groups_.Findings(); }
    bool AnyGroup() const { return groups_.Any(); }

private:
    KZ_Package& package_;
    std::uint64_t packageBytes_;  // measured once
    Groups groups_;
};

// Whether the export's stored data is a sound object holding a RIFF WAVE
// file: the sound header can be read, the WAVE bytes are at least a RIFF
// header long, and "RIFF" stands where they begin and "WAVE" 8 bytes later,
// all within the file. Reads through the package's stream, which is left
// open (the caller closes it after a scan).
bool HoldsWave(KZ_Package& package, const KZ_Export_Element& entry);
// The same test on a sound already loaded (LoadSound), its WAVE bytes next
// in `in`: read and put back (stepped back in the stream's buffer where they
// were buffered, else sought to), so that a copy right after finds them
// without another seek and read.
bool HoldsWave(const KZ_Export_Element& entry, const KZ_Sound& sound, std::istream& in);
// Whether the export is a sound the file was cut short before (Cut::PastTheEnd):
// none of its WAVE bytes are in the file. Leaves the package's stream open.
bool PastTheEnd(KZ_Package& package, const KZ_Export_Element& entry);

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
