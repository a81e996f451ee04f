// What the programs and the page say is wrong or unusual, as findings: a
// stable code, a severity, the values it names and the message built from
// them. One table (Findings.cpp) holds every code with its severity and its
// message; the text output prints the message, the JSON all four. The core
// never prints: it returns what it found, and the programs render it.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace Facts {

// A note says what is unusual but expected (a size that a writer which
// streams its output leaves in place); a warning, what does not hold; an
// error, what keeps the file from being whole.
enum class Severity { Warning, Error, Note };

// "warning", "error", "note".
std::string_view SeverityName(Severity severity);

enum class Code : std::uint8_t {
    // a WAVE file's headers
    BlockAlignMismatch,
    ByteRateMismatch,
    FactBeyondData,
    FactShortOfData,
    SmplLoopsMissing,
    Ds64InRiff,
    ChunkRepeated,
    ChunkSizeMismatch,
    ChunkShorterThanFixed,
    Id3NotATag,
    Id3UnknownVersion,
    Id3SizeDamaged,
    Id3TagPastChunk,
    Id3FramePastTag,
    Id3FrameIdDamaged,
    Id3UnknownEncoding,
    Id3OddUtf16,
    Id3UnpairedSurrogate,
    RiffSizeMismatch,
    DataSizeStreamed,
    Rf64WithoutDs64,
    NoFormat,
    NoData,
    NotValidWaveModel,
    UnknownPhonemeTag,
    ModelMessage,
    // a package
    GroupLoop,
    GroupOutside,
    GroupTooDeep,
    MoreGroupFindings,
    SoundCutShort,
    SoundPastTheEnd,
    SeveralNamed,
    Unreachable,
    // files
    CannotOpen,
    CannotWrite,
    NotValidWave,
    BigEndian,
    PackageFromPipe,
    NotReadable,
    NotAPackage,
    OutOfMemory,
    StandardOutput,
    // a SOUND asked for, and its output
    NoSound,
    NoExport,
    BytesPastTheEnd,
    NotAWave,
    NotWrittenIncomplete,
    WouldOverwriteInput,
    CannotReadAll,
    InputCutShort,
    NotConverted,
    SamplesNotDecoded,
    // extraction
    FolderRenamed,
    CannotMakeFolder,
    NotAFileName,
    HoldsNoWave,
    PastTheEndNotWritten,
    FileExists,
    CutShortWritten,
    SoundReadShort,
    SoundNotConverted,
    SoundSamplesNotDecoded,
    // an export script
    NameNotInScript,
    PackageNameInScript,
    NoKzsExtension,
    // regions and loops taken out of a sound
    RegionNotCut,
    RegionSamplesNotDecoded,
    NoRegion,
};

// One row of the table. `text` is the message with its values in braces:
//   {v}            a number in decimal, a text as it is
//   {v|units}      a number and the unit, the plural's 's' dropped for 1
//   {v:shown}      a text as Escape::Shown, {v:quoted} Escape::Quoted,
//                  {v:printable} Escape::Printable, {v:code} Escape::Code
//   {v:because}    ": " and the text, or nothing for an empty text
struct FindingKind {
    Code code;
    std::string_view name;  // snake_case, stable
    Severity severity;
    std::string_view text;
};

// Every row, in the order of Code.
std::span<const FindingKind> FindingKinds();
const FindingKind& KindOf(Code code);

using Value = std::variant<std::int64_t, std::uint64_t, std::string>;
using Values = std::vector<std::pair<std::string_view, Value>>;

struct Finding {
    Code code = Code::ModelMessage;
    Severity severity = Severity::Warning;
    std::string text;  // the message, as the programs print it
    Values values;     // named as in the message; names are string literals
};

// A chunk identifier as a value: its four bytes as stored.
Value ChunkId(std::uint32_t id);

// The finding of `code` with `values`, its text made from the table's.
Finding Make(Code code, Values values = {});

}  // namespace Facts
