#include "facts/Findings.h"

#include <array>
#include <cstddef>

#include "facts/Escape.h"

namespace Facts {

namespace {

using enum Code;
constexpr Severity W = Severity::Warning;
constexpr Severity E = Severity::Error;
constexpr Severity N = Severity::Note;

// Every finding the programs report. A code, once given, keeps its meaning;
// the texts are what the programs print.
constexpr std::array kKinds{
    FindingKind{BlockAlignMismatch, "block_align_mismatch", W,
                "block align says {block_align|bytes} a frame, {channels|channels} of {bits|bits} take {frame_bytes}"},
    FindingKind{ByteRateMismatch, "byte_rate_mismatch", W,
                "bytes per second says {bytes_per_second}, {rate|frames} of {block_align|bytes} take {expected}"},
    FindingKind{FactBeyondData, "fact_beyond_data", W, "'fact' chunk counts {fact|frames}, the data holds {frames}"},
    FindingKind{FactShortOfData, "fact_short_of_data", W,
                "'fact' chunk counts {fact|frames}, short of the {frames} the data holds by a block or more"},
    FindingKind{SmplLoopsMissing, "smpl_loops_missing", W,
                "'smpl' chunk counts {loop_count} loops, holds {loops}: the rest are left out"},
    FindingKind{Ds64InRiff, "ds64_in_riff", W, "a 'ds64' chunk in a RIFF file means nothing there: kept as it is stored"},
    FindingKind{ChunkRepeated, "chunk_repeated", W,
                "a second {chunk:code} chunk ({bytes} bytes) is kept as it is stored; the first one is the sound's"},
    FindingKind{ChunkSizeMismatch, "chunk_size_mismatch", W, "{chunk:code} chunk claims {claimed|bytes}, holds {held}"},
    FindingKind{ChunkShorterThanFixed, "chunk_shorter_than_fixed", W,
                "{chunk:code} is {bytes|bytes}, shorter than its {fixed} fixed bytes"},
    FindingKind{Id3NotATag, "id3_not_a_tag", W, "{chunk:code} chunk does not begin with an ID3 tag: not read"},
    FindingKind{Id3UnknownVersion, "id3_unknown_version", W,
                "{chunk:code} chunk holds an ID3 tag of version 2.{major}, which is not read"},
    FindingKind{Id3SizeDamaged, "id3_size_damaged", W,
                "{chunk:code} chunk: the size of the ID3 {part:printable} has a byte with its top bit set"},
    FindingKind{Id3TagPastChunk, "id3_tag_past_chunk", W,
                "{chunk:code} chunk: the ID3 tag claims {claimed|bytes}, the chunk holds {held} after its header"},
    FindingKind{Id3FramePastTag, "id3_frame_past_tag", W,
                "{chunk:code} chunk: the ID3 {part:printable} claims {claimed|bytes}, {held} are left in the tag"},
    FindingKind{Id3FrameIdDamaged, "id3_frame_id_damaged", W,
                "{chunk:code} chunk: the ID3 frames end at {frame_id:shown}, which is no frame id"},
    FindingKind{Id3UnknownEncoding, "id3_unknown_encoding", W,
                "{chunk:code} chunk: ID3 frame {frame_id:shown} has the text encoding {encoding}, which is not known"},
    FindingKind{Id3OddUtf16, "id3_odd_utf16", W,
                "{chunk:code} chunk: ID3 frame {frame_id:shown} holds UTF-16 text of {bytes|bytes}, an odd count: the "
                "last byte is left out"},
    FindingKind{Id3UnpairedSurrogate, "id3_unpaired_surrogate", W,
                "{chunk:code} chunk: ID3 frame {frame_id:shown} holds UTF-16 text with an unpaired surrogate, shown as "
                "U+FFFD"},
    FindingKind{RiffSizeMismatch, "riff_size_mismatch", W,
                "RIFF size says {riff_size|bytes}, {follow} follow the RIFF header"},
    FindingKind{DataSizeStreamed, "data_size_streamed", N,
                "'data' chunk's size is 0xFFFFFFFF, as a writer that streams its output leaves it: its samples are "
                "read to the end of the file ({bytes|bytes})"},
    FindingKind{Rf64WithoutDs64, "rf64_without_ds64", W,
                "an RF64 file without a whole 'ds64' chunk: its 64-bit sizes are not known"},
    FindingKind{NoFormat, "no_format", E, "no 'fmt ' chunk: the format is not known"},
    FindingKind{NoData, "no_data", E, "no 'data' chunk: there are no samples"},
    FindingKind{NotValidWaveModel, "not_valid_wave_model", W, "Not a valid WAVE file."},
    FindingKind{UnknownPhonemeTag, "unknown_phoneme_tag", W, "Unknown Phoneme Tag: {tag:printable}"},
    FindingKind{ModelMessage, "model_message", W, "{message}"},
    FindingKind{GroupLoop, "group_loop", W,
                "export {index} {name:quoted} is inside itself through its groups: it stands at the top level"},
    FindingKind{GroupOutside, "group_outside", W,
                "export {index} {name:quoted} is in object {object}, outside the tables: it stands at the top level"},
    FindingKind{GroupTooDeep, "group_too_deep", W,
                "export {index} {name:quoted} lies more than {depth} groups deep: it stands in the {depth} outermost"},
    FindingKind{MoreGroupFindings, "more_group_findings", W, "{count} more exports whose groups go wrong"},
    FindingKind{SoundCutShort, "sound_cut_short", W,
                "{name:printable}: cut short: {held} of its {wave_size} bytes are in the file"},
    FindingKind{SoundPastTheEnd, "sound_past_the_end", W, "{name:printable}: its bytes lie past the end of the file"},
    FindingKind{SeveralNamed, "several_named", W, "names {count} exports, {exports}: the first is taken"},
    FindingKind{Unreachable, "unreachable", W,
                "{path:shown}: Snd_Pull cannot reach {sound:quoted} (#{index}): its name finds {first_sound:quoted} "
                "(#{first}) first"},
    FindingKind{CannotOpen, "cannot_open", E, "cannot open {path:shown}{reason:because}"},
    FindingKind{CannotWrite, "cannot_write", E, "cannot write {path:shown}{reason:because}"},
    FindingKind{NotValidWave, "not_valid_wave", E, "{path:shown} is not a valid WAVE file{reason:because}"},
    FindingKind{BigEndian, "big_endian", E,
                "{path:shown} is not a valid WAVE file: big-endian RIFX files are not supported"},
    FindingKind{PackageFromPipe, "package_from_pipe", E,
                "{path:shown} is not a WAVE file, and a package cannot be read from a pipe"},
    FindingKind{NotReadable, "not_readable", E,
                "{path:shown} is neither a WAVE file nor a readable sound package{reason:because}"},
    FindingKind{NotAPackage, "not_a_package", E, "{path:shown} is not a readable sound package{reason:because}"},
    FindingKind{OutOfMemory, "out_of_memory", E, "not enough memory to read {path:shown}"},
    FindingKind{StandardOutput, "standard_output", E, "cannot write to standard output"},
    FindingKind{NoSound, "no_sound", E, "no sound {sound:shown} in package {path:shown}"},
    FindingKind{NoExport, "no_export", E, "no export {index} in package {path:shown}"},
    FindingKind{BytesPastTheEnd, "bytes_past_the_end", E,
                "{sound:shown} in package {path:shown}: its bytes lie past the end of the file"},
    FindingKind{NotAWave, "not_a_wave", E, "{sound:shown} in package {path:shown} is not a valid WAVE file"},
    FindingKind{NotWrittenIncomplete, "not_written_incomplete", E,
                "not written: {output:shown} would hold a format or samples the input lacks"},
    FindingKind{WouldOverwriteInput, "would_overwrite_input", E, "will not write over the input file {output:shown}"},
    FindingKind{CannotReadAll, "cannot_read_all", E, "cannot read all of {path:shown}"},
    FindingKind{InputCutShort, "input_cut_short", E, "cannot read all of {path:shown}: {output:shown} is not written"},
    FindingKind{NotConverted, "not_converted", E, "{path:shown} is not converted to PCM: {cause}; written as stored"},
    FindingKind{SamplesNotDecoded, "samples_not_decoded", E, "{path:shown}: {detail}"},
    FindingKind{FolderRenamed, "folder_renamed", W, "the sounds of {path:shown} go to {folder:shown}"},
    FindingKind{CannotMakeFolder, "cannot_make_folder", E, "cannot make the folder {folder:shown}"},
    FindingKind{NotAFileName, "not_a_file_name", W,
                "{sound:quoted} in {path:shown} cannot be a file name; its file is {file:shown}"},
    FindingKind{HoldsNoWave, "holds_no_wave", E, "{sound:quoted} in {path:shown} holds no WAVE file: nothing written"},
    FindingKind{PastTheEndNotWritten, "past_the_end_not_written", E,
                "{sound:quoted} in {path:shown}: its bytes lie past the end of the file: nothing written"},
    FindingKind{FileExists, "file_exists", E, "{file:shown} exists: skipped (/y overwrites it)"},
    FindingKind{CutShortWritten, "cut_short_written", E,
                "{sound:quoted} in {path:shown} is cut short: {file:shown} holds the {held} of its {wave_size} bytes "
                "that the package holds"},
    FindingKind{SoundReadShort, "sound_read_short", E,
                "cannot read all of {sound:quoted} in {path:shown}: {file:shown} is not written"},
    FindingKind{SoundNotConverted, "sound_not_converted", E,
                "{sound:quoted} in {path:shown} is not converted to PCM: {cause}; written as stored"},
    FindingKind{SoundSamplesNotDecoded, "sound_samples_not_decoded", E, "{sound:quoted} in {path:shown}: {detail}"},
    FindingKind{NameNotInScript, "name_not_in_script", W,
                "left out of the script, not usable as a file name: {sound:quoted}"},
    FindingKind{PackageNameInScript, "package_name_in_script", E,
                "the package name {name:shown} cannot stand in a script"},
    FindingKind{NoKzsExtension, "no_kzs_extension", W,
                "{name:shown} does not end in \".kzs\": Snd_Pull will look for {looked_for:shown}"},
    FindingKind{RegionNotCut, "region_not_cut", E, "region {region:quoted} is not cut{reason:because}"},
    FindingKind{RegionSamplesNotDecoded, "region_samples_not_decoded", E, "region {region:quoted}: {detail}"},
    FindingKind{NoRegion, "no_region", E, "no region {region:quoted}; its regions: {regions}"},
};

constexpr bool InCodeOrder() {
    for (std::size_t n = 0; n < kKinds.size(); ++n) {
        if (static_cast<std::size_t>(kKinds[n].code) != n) return false;
    }
    return true;
}
static_assert(InCodeOrder(), "the table's rows stand in the order of Code, one for each");
static_assert(kKinds.size() == static_cast<std::size_t>(NoRegion) + 1, "every code has its row");

std::string Plain(const Value& value) {
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* number = std::get_if<std::uint64_t>(&value)) return std::to_string(*number);
    return std::to_string(std::get<std::int64_t>(value));
}

// One value as `form` shows it (the part after ':' or '|').
std::string Shown(const Value& value, char mark, std::string_view form) {
    const std::string plain = Plain(value);
    if (mark == '|') {
        const bool one = plain == "1";
        return plain + ' ' + std::string(one && form.ends_with('s') ? form.substr(0, form.size() - 1) : form);
    }
    if (form == "shown") return Escape::Shown(plain);
    if (form == "quoted") return Escape::Quoted(plain);
    if (form == "printable") return Escape::Printable(plain);
    if (form == "code" && plain.size() == 4) {
        // As stored: every byte shown, a NUL too.
        std::uint32_t code = 0;
        for (int n = 3; n >= 0; --n) code = code << 8 | static_cast<unsigned char>(plain[static_cast<std::size_t>(n)]);
        return Escape::Code(code);
    }
    if (form == "because") return plain.empty() ? plain : ": " + plain;
    return plain;
}

}  // namespace

std::string_view SeverityName(Severity severity) {
    switch (severity) {
        case Severity::Warning: return "warning";
        case Severity::Error: return "error";
        case Severity::Note: return "note";
    }
    return "";
}

Value ChunkId(std::uint32_t id) {
    std::string bytes(4, '\0');
    for (std::size_t n = 0; n < 4; ++n) bytes[n] = static_cast<char>((id >> (8 * n)) & 0xFF);
    return bytes;
}

std::span<const FindingKind> FindingKinds() { return kKinds; }

const FindingKind& KindOf(Code code) { return kKinds[static_cast<std::size_t>(code)]; }

Finding Make(Code code, Values values) {
    const FindingKind& kind = KindOf(code);
    Finding finding{code, kind.severity, {}, std::move(values)};
    const std::string_view text = kind.text;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t open = text.find('{', at);
        const std::size_t close = open == std::string_view::npos ? open : text.find('}', open);
        if (close == std::string_view::npos) {
            finding.text.append(text.substr(at));
            break;
        }
        finding.text.append(text.substr(at, open - at));
        const std::string_view field = text.substr(open + 1, close - open - 1);
        const std::size_t split = field.find_first_of(":|");
        const std::string_view name = field.substr(0, split);
        for (const auto& [key, value] : finding.values) {
            if (key != name) continue;
            finding.text += split == std::string_view::npos ? Plain(value)
                                                            : Shown(value, field[split], field.substr(split + 1));
            break;
        }
        at = close + 1;
    }
    return finding;
}

}  // namespace Facts
