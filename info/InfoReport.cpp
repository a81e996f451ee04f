#include "info/InfoReport.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "common/LittleEndian.h"
#include "info/Utf8.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"
#include "wave/ChunkIO.h"

namespace InfoReport {

namespace {

constexpr std::uint32_t kInfoListID = LittleEndian::FourCC("INFO");
constexpr std::uint32_t kNoteID = LittleEndian::FourCC("note");

// ---- text -------------------------------------------------------------

std::string Hex(std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits; i-- > 0; value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

std::string EscapedByte(unsigned char byte) { return "\\x" + Hex(byte, 2); }

bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

// The length of the well-formed UTF-8 character at text[at], or 0 when none
// stands there or it is a C1 control (U+0080 to U+009F), which some terminals
// obey.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    std::uint32_t code = 0;
    const std::size_t length = Utf8::MultiByteLength(text, at, code);
    return code < 0xA0 ? 0 : length;
}

std::string Escaped(std::string_view text, bool quoting) {
    std::string shown;
    shown.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            if (const std::size_t length = Utf8Length(text, i)) {
                shown.append(text.substr(i, length));
                i += length;
                continue;
            }
            shown += EscapedByte(byte);
        } else if (IsControl(byte)) {
            shown += EscapedByte(byte);
        } else {
            if (quoting && (byte == '"' || byte == '\\')) shown += '\\';
            shown += static_cast<char>(byte);
        }
        ++i;
    }
    return shown;
}

// Floats are shown in their shortest exact form, the same on every system;
// a NaN also with its bits, which the model carries unchanged.
std::string Float(float value) {
    char text[32];
#if defined(__cpp_lib_to_chars)
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    std::string shown(text, end);
#else
    // A standard library without to_chars for floats (the WebAssembly
    // build's): the fewest significant digits that read back as this float.
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    std::string shown(text);
#endif
    if (std::isnan(value)) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        shown += " (bits 0x" + Hex(bits, 8) + ")";
    }
    return shown;
}

// Code bytes between single quotes: printable ASCII as it is, any other
// byte as \xHH.
std::string CodeText(std::string_view bytes) {
    std::string shown = "'";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || IsControl(byte)) {
            shown += EscapedByte(byte);
        } else {
            if (byte == '\'' || byte == '\\') shown += '\\';
            shown += c;
        }
    }
    return shown + "'";
}

std::string Bytes(std::uint64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

// ---- the WAVE print -------------------------------------------------------

constexpr std::size_t kExtraBytesShown = 32;

constexpr std::uint16_t kExtensible = 0xFFFE;

std::string_view TagName(std::uint16_t tag) {
    switch (tag) {
        case 0x0001: return "PCM";
        case 0x0002: return "ADPCM";
        case 0x0003: return "IEEE float";
        case 0x0006: return "A-law";
        case 0x0007: return "mu-law";
        case kExtensible: return "extensible";
        default: return "";
    }
}

std::string FormatName(std::uint16_t tag) {
    const std::string_view name = TagName(tag);
    return name.empty() ? "" : " (" + std::string(name) + ")";
}

// The extension of WAVE_FORMAT_EXTENSIBLE: u16 valid bits, u32 channel mask,
// then the sub-format GUID, whose first two bytes are the coding's tag.
constexpr std::size_t kSubFormatAt = 6;

std::uint16_t SubFormat(const std::vector<char>& extra) {
    if (extra.size() < kSubFormatAt + 2) return 0;
    return static_cast<std::uint16_t>(static_cast<unsigned char>(extra[kSubFormatAt]) |
                                      static_cast<unsigned char>(extra[kSubFormatAt + 1]) << 8);
}

void PrintFmt(const fmt_Chunk& fmt, std::ostream& out) {
    out << QuotedCode(fmt.ChunkID) << ' ' << Bytes(fmt.ChunkSize) << '\n'
        << "  Format tag: 0x" << Hex(fmt.FormatTag, 4) << FormatName(fmt.FormatTag) << '\n'
        << "  Channels: " << fmt.Channels << '\n'
        << "  Samples per second: " << fmt.SamplesPerSec << '\n'
        << "  Average bytes per second: " << fmt.AvgBytesPerSec << '\n'
        << "  Block align: " << fmt.BlockAlign << '\n'
        << "  Bits per sample: " << fmt.BitsPerSample << '\n';
    if (fmt.FormatTag == fmt_Chunk::kPCM) return;
    out << "  Extra size: " << fmt.ExtraSize << '\n';
    if (fmt.ExtraData.empty()) return;
    out << "  Extra data:";
    const std::size_t shown = std::min(fmt.ExtraData.size(), kExtraBytesShown);
    for (std::size_t i = 0; i < shown; ++i) out << ' ' << Hex(static_cast<unsigned char>(fmt.ExtraData[i]), 2);
    if (shown < fmt.ExtraData.size()) out << " ...";
    out << '\n';
}

// How long the samples play, where the format says: the data size over the
// average byte rate, in milliseconds rounded to the nearest; and how many
// blocks (sample frames) they fill.
void PrintData(const WAVE_File& wave, std::ostream& out) {
    const AudioFacts facts = FactsOf(wave, DataBytes(wave));
    out << QuotedCode(wave.DataChunk.ChunkID) << ' ' << Bytes(facts.dataBytes) << '\n';
    std::string blocks;
    if (const auto frames = facts.Frames()) blocks = std::to_string(*frames) + " blocks";
    if (const auto ms = facts.DurationMs()) {
        out << "  Duration: " << Seconds(*ms) << " s";
        if (!blocks.empty()) out << " (" << blocks << ')';
        out << '\n';
    } else if (!blocks.empty()) {
        out << "  Length: " << blocks << '\n';
    }
}

// The time of `sample` at `rate` samples a second, to the nearest
// millisecond: " (0.500 s)"; empty without a rate.
std::string TimeOf(std::uint64_t sample, std::uint32_t rate) {
    if (rate == 0) return "";
    return " (" + Seconds((sample * 1000 + rate / 2) / rate) + " s)";
}

void PrintCueTexts(const WAVE_File& wave, const std::multimap<std::uint32_t, const RIFF_Chunk*>& texts,
                   std::uint32_t cueID, std::ostream& out) {
    const auto [first, last] = texts.equal_range(cueID);
    for (auto it = first; it != last; ++it) {
        const RIFF_Chunk& sub = *it->second;
        if (const auto* label = dynamic_cast<const labl_Chunk*>(&sub)) {
            out << "    Label: " << Quoted(label->Text.c_str()) << '\n';
        } else if (const auto* text = dynamic_cast<const ltxt_Chunk*>(&sub)) {
            out << "    Text: " << Quoted(WithoutNul(text->Text)) << ", sample length " << text->SampleLength
                << TimeOf(text->SampleLength, wave.FmtChunk.SamplesPerSec) << ", purpose "
                << QuotedCode(text->Purpose) << '\n';
        } else if (const auto note = NoteOf(sub)) {
            out << "    Note: " << Quoted(note->text) << '\n';
        }
    }
}

// The sample the cue marks is its sample offset in the data chunk.
void PrintCue(const WAVE_File& wave, const cue_Chunk& cue, std::ostream& out) {
    out << QuotedCode(cue.ChunkID) << ' ' << Bytes(cue.ChunkSize) << '\n';
    out << "  Cue points: " << cue.CuePointCount << '\n';
    const auto texts = CueTexts(wave);
    for (const CuePoint& point : cue.CuePoints) {
        out << "  Cue id " << point.CueID << ": sample offset " << point.SampleOffset
            << TimeOf(point.SampleOffset, wave.FmtChunk.SamplesPerSec) << ", position " << point.Position
            << ", chunk " << QuotedCode(point.DataChunkID) << ", chunk start " << point.ChunkStart
            << ", block start " << point.BlockStart << '\n';
        PrintCueTexts(wave, texts, point.CueID, out);
    }
}

void PrintInfo(const LIST_Chunk& list, std::ostream& out) {
    for (const RIFF_Chunk* sub = list.FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) {
        const std::string_view name = InfoTagName(sub->ChunkID);
        out << "  " << (name.empty() ? QuotedCode(sub->ChunkID) : std::string(name)) << ": "
            << Quoted(InfoText(*sub)) << '\n';
    }
}

void PrintList(const LIST_Chunk& list, std::ostream& out) {
    out << QuotedCode(list.ChunkID) << ' ' << Bytes(list.ChunkSize) << ", type " << QuotedCode(list.ListType)
        << '\n';
    if (list.ListType == kInfoListID) return PrintInfo(list, out);
    for (const RIFF_Chunk* sub = list.FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) {
        out << "  " << QuotedCode(sub->ChunkID) << ' ' << Bytes(sub->ChunkSize);
        if (const auto* label = dynamic_cast<const labl_Chunk*>(sub)) {
            // The text as saved: up to its first NUL.
            const std::string_view text(label->Text.c_str());
            out << ", cue id " << label->CueID << ": " << Quoted(text);
        } else if (const auto* text = dynamic_cast<const ltxt_Chunk*>(sub)) {
            out << ", cue id " << text->CueID << ": sample length " << text->SampleLength << ", purpose "
                << QuotedCode(text->Purpose) << ", country " << text->Country << ", language " << text->Language
                << ", dialect " << text->Dialect << ", code page " << text->CodePage << ", text "
                << Quoted(WithoutNul(text->Text));
        } else {
            out << ", not interpreted";
        }
        out << '\n';
    }
}

std::string WordText(const Word_Block& word) {
    const auto end = std::find(word.Word.begin(), word.Word.end(), '\0');
    return std::string(word.Word.begin(), end);
}

void PrintPhonemes(const phnm_Chunk& phnm, std::ostream& out) {
    out << QuotedCode(phnm.ChunkID) << ' ' << Bytes(phnm.ChunkSize) << '\n';
    out << "  Text: " << Quoted(phnm.Text) << '\n';
    out << "  Words: " << phnm.WordCount << '\n';
    for (const Word_Block& word : phnm.Words) {
        out << "  Word " << Quoted(WordText(word)) << ": int A " << word.IntA << ", int B " << word.IntB
            << ", float A " << Float(word.FloatA) << ", float B " << Float(word.FloatB) << ", phonemes "
            << word.PhonemeCount << '\n';
        for (const Phoneme_Block& phoneme : word.Phonemes) {
            out << "    Phoneme " << QuotedCode(std::string_view(phoneme.PhonemeTag.data(), phoneme.PhonemeTag.size()))
                << " U+" << Hex(phoneme.Code, 4);
            const std::string symbol = PhonemeSymbol(phoneme.Code);
            if (!symbol.empty()) out << ' ' << symbol;
            out << ": float A " << Float(phoneme.FloatA) << ", float B " << Float(phoneme.FloatB) << '\n';
        }
    }
}

void PrintChunk(const WAVE_File& wave, const RIFF_Chunk& chunk, std::ostream& out) {
    if (const auto* cue = dynamic_cast<const cue_Chunk*>(&chunk)) {
        PrintCue(wave, *cue, out);
    } else if (const auto* list = dynamic_cast<const LIST_Chunk*>(&chunk)) {
        PrintList(*list, out);
    } else if (const auto* phnm = dynamic_cast<const phnm_Chunk*>(&chunk)) {
        PrintPhonemes(*phnm, out);
    } else {
        out << QuotedCode(chunk.ChunkID) << ' ' << Bytes(chunk.ChunkSize) << ", not interpreted\n";
    }
}

// ---- the package ------------------------------------------------------------

std::string GuidText(const std::array<std::uint8_t, 16>& guid) {
    std::string text;
    for (const std::uint8_t byte : guid) text += Hex(byte, 2);
    return text;
}

enum class Align { Left, Right };

struct Column {
    const char* title;
    Align align;
};

}  // namespace

std::string Printable(std::string_view text) { return Escaped(text, false); }

std::string Quoted(std::string_view text) { return '"' + Escaped(text, true) + '"'; }

std::string QuotedCode(std::string_view code) {
    return CodeText(code.substr(0, std::min(code.find('\0'), code.size())));
}

std::string QuotedCode(std::uint32_t code) {
    char stored[4];
    for (int i = 0; i < 4; ++i) stored[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    return CodeText(std::string_view(stored, sizeof stored));
}

std::size_t DisplayWidth(std::string_view printable) {
    // Only whole UTF-8 characters remain: count all but continuation bytes.
    return static_cast<std::size_t>(std::count_if(printable.begin(), printable.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

bool IsSafeSoundName(std::string_view name) {
    constexpr std::size_t kLongestFileName = 255;
    constexpr std::size_t kSoundExtension = 4;  // ".wav"
    if (name.empty() || name == "." || name == ".." || name.back() == ';') return false;
    if (name.size() + kSoundExtension > kLongestFileName) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '\\' || c == '/' || c == ':' || IsControl(static_cast<unsigned char>(c));
    });
}

std::uint16_t AudioFacts::CodingTag() const { return formatTag == kExtensible && subFormatTag != 0 ? subFormatTag : formatTag; }

std::string_view AudioFacts::FormatName() const { return hasFormat ? TagName(CodingTag()) : std::string_view(); }

std::optional<std::uint64_t> AudioFacts::DurationMs() const {
    if (!hasData || bytesPerSecond == 0) return std::nullopt;
    return (dataBytes * 1000 + bytesPerSecond / 2) / bytesPerSecond;
}

std::optional<std::uint64_t> AudioFacts::Frames() const {
    if (!hasData || blockAlign == 0) return std::nullopt;
    return dataBytes / blockAlign;
}

AudioFacts FactsOf(const WAVE_File& wave, std::uint64_t dataBytes) {
    const fmt_Chunk& fmt = wave.FmtChunk;
    AudioFacts facts;
    facts.hasFormat = true;
    facts.formatTag = fmt.FormatTag;
    if (fmt.FormatTag == kExtensible) facts.subFormatTag = SubFormat(fmt.ExtraData);
    facts.channels = fmt.Channels;
    facts.rate = fmt.SamplesPerSec;
    facts.bytesPerSecond = fmt.AvgBytesPerSec;
    facts.blockAlign = fmt.BlockAlign;
    facts.bits = fmt.BitsPerSample;
    facts.hasData = true;
    facts.dataBytes = dataBytes;
    return facts;
}

std::string Seconds(std::uint64_t ms) {
    const std::string fraction = std::to_string(ms % 1000);
    return std::to_string(ms / 1000) + '.' + std::string(3 - fraction.size(), '0') + fraction;
}

std::uint64_t DataBytes(const WAVE_File& wave) {
    const data_Chunk& data = wave.DataChunk;
    return data.BodySkipped ? data.StoredBytes : data.ChunkData.size();
}

std::uint64_t UpdateSizes(WAVE_File& wave) {
    wave.CalcSize();
    return wave.RiffSize;
}

namespace {

// The body bytes a loaded chunk holds, where the model keeps them all.
std::optional<std::uint64_t> HeldBytes(const RIFF_Chunk& chunk) {
    if (const auto* data = dynamic_cast<const data_Chunk*>(&chunk)) return data->StoredBytes;
    if (const auto* raw = dynamic_cast<const unknown_Chunk*>(&chunk)) return raw->ChunkData.size();
    if (const auto* text = dynamic_cast<const ltxt_Chunk*>(&chunk); text && text->ClaimedSize >= 20) {
        return 20 + text->Text.size();
    }
    return std::nullopt;
}

void CheckClaim(const RIFF_Chunk& chunk, std::vector<std::string>& warnings) {
    const auto held = HeldBytes(chunk);
    if (!held || *held >= chunk.ClaimedSize) return;
    warnings.push_back(QuotedCode(chunk.ChunkID) + " chunk claims " + Bytes(chunk.ClaimedSize) + ", holds " +
                       std::to_string(*held));
}

}  // namespace

std::vector<std::string> SizeWarnings(const WAVE_File& wave) {
    std::vector<std::string> warnings;
    if (wave.RiffSize != WAVE_File::kUnknownRiffSize && wave.RiffSize != wave.ImageBytes) {
        warnings.push_back("RIFF size says " + Bytes(wave.RiffSize) + ", " + std::to_string(wave.ImageBytes) +
                           " follow the RIFF header");
    }
    CheckClaim(wave.DataChunk, warnings);
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        CheckClaim(*chunk, warnings);
        const auto* list = dynamic_cast<const LIST_Chunk*>(chunk);
        if (list == nullptr) continue;
        for (const RIFF_Chunk* sub = list->FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) {
            CheckClaim(*sub, warnings);
        }
    }
    return warnings;
}

std::string PhonemeSymbol(std::uint32_t code) {
    if (code > 0x20 && code < 0x7F) return std::string(1, static_cast<char>(code));
    if (code <= 0xA0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0xFFFF) return "";
    std::string bytes;
    if (code < 0x800) {
        bytes += static_cast<char>(0xC0 | code >> 6);
    } else {
        bytes += static_cast<char>(0xE0 | code >> 12);
        bytes += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    }
    bytes += static_cast<char>(0x80 | (code & 0x3F));
    return bytes;
}

std::string_view WithoutNul(std::string_view text) {
    while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    return text;
}

std::string InfoText(const RIFF_Chunk& sub) {
    const auto* raw = dynamic_cast<const unknown_Chunk*>(&sub);
    if (raw == nullptr) return "";
    return std::string(WithoutNul(std::string_view(raw->ChunkData.data(), raw->ChunkData.size())));
}

std::optional<CueNote> NoteOf(const RIFF_Chunk& sub) {
    const auto* raw = dynamic_cast<const unknown_Chunk*>(&sub);
    if (raw == nullptr || raw->ChunkID != kNoteID || raw->ChunkData.size() < 4) return std::nullopt;
    CueNote note;
    for (int i = 4; i-- > 0;) note.cueID = note.cueID << 8 | static_cast<unsigned char>(raw->ChunkData[i]);
    note.text = WithoutNul(std::string_view(raw->ChunkData.data() + 4, raw->ChunkData.size() - 4));
    return note;
}

std::multimap<std::uint32_t, const RIFF_Chunk*> CueTexts(const WAVE_File& wave) {
    std::multimap<std::uint32_t, const RIFF_Chunk*> texts;
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        const auto* list = dynamic_cast<const LIST_Chunk*>(chunk);
        if (list == nullptr || list->ListType != kAdtlID) continue;
        for (const RIFF_Chunk* sub = list->FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) {
            if (const auto* label = dynamic_cast<const labl_Chunk*>(sub)) {
                texts.emplace(label->CueID, sub);
            } else if (const auto* text = dynamic_cast<const ltxt_Chunk*>(sub)) {
                texts.emplace(text->CueID, sub);
            } else if (const auto note = NoteOf(*sub)) {
                texts.emplace(note->cueID, sub);
            }
        }
    }
    return texts;
}

std::string_view InfoTagName(std::uint32_t code) {
    static constexpr struct {
        std::uint32_t code;
        std::string_view name;
    } kNames[] = {
        {LittleEndian::FourCC("INAM"), "Title"},     {LittleEndian::FourCC("IART"), "Artist"},
        {LittleEndian::FourCC("IPRD"), "Album"},     {LittleEndian::FourCC("ICMT"), "Comment"},
        {LittleEndian::FourCC("ICRD"), "Date"},      {LittleEndian::FourCC("IGNR"), "Genre"},
        {LittleEndian::FourCC("ITRK"), "Track"},     {LittleEndian::FourCC("ICOP"), "Copyright"},
        {LittleEndian::FourCC("ISFT"), "Software"},  {LittleEndian::FourCC("IENG"), "Engineer"},
        {LittleEndian::FourCC("ITCH"), "Technician"}, {LittleEndian::FourCC("IKEY"), "Keywords"},
        {LittleEndian::FourCC("ISBJ"), "Subject"},   {LittleEndian::FourCC("ISRC"), "Source"},
        {LittleEndian::FourCC("ILNG"), "Language"},
    };
    for (const auto& entry : kNames) {
        if (entry.code == code) return entry.name;
    }
    return {};
}

void PrintWave(WAVE_File& wave, std::ostream& out) {
    const std::uint64_t loaded = wave.RiffSize;
    const std::uint64_t saved = UpdateSizes(wave);
    out << "RIFF size: " << saved;
    if (loaded != saved) out << " as saved (" << loaded << " as stored)";
    out << '\n';
    PrintFmt(wave.FmtChunk, out);
    if (wave.FactChunk.ChunkSize != 0) {
        out << QuotedCode(wave.FactChunk.ChunkID) << ' ' << Bytes(wave.FactChunk.ChunkSize) << '\n'
            << "  Sample count: " << wave.FactChunk.SampleCount << '\n';
    }
    PrintData(wave, out);
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        PrintChunk(wave, *chunk, out);
    }
    out << std::flush;
}

namespace {

// The WAVE bytes behind an export: where they begin and how many of them
// the package really holds, read up to the RIFF header's end.
struct StoredWave {
    bool riffWave = false;
    std::uint64_t begin = 0;
    std::uint64_t held = 0;  // min(WaveSize, bytes up to the package's end)
    std::uint32_t riffSize = 0;
};

// Leaves the package's stream after the RIFF header.
StoredWave ReadStoredWave(KZ_Package& package, const KZ_Export_Element& entry, std::uint64_t packageBytes) {
    StoredWave stored;
    if (entry.DataSize <= 0 || entry.DataOffset < 0) return stored;
    const KZ_Sound sound = LoadSound(package, entry);
    std::ifstream& in = package.GetPackageFile();
    constexpr std::int32_t kRiffHeaderSize = 12;
    if (!sound.HeaderComplete || sound.WaveSize < kRiffHeaderSize) return stored;
    // LoadData leaves the stream where the WAVE bytes begin.
    std::uint32_t id = 0;
    std::uint32_t form = 0;
    const bool read =
        LittleEndian::Read(in, id) && LittleEndian::Read(in, stored.riffSize) && LittleEndian::Read(in, form);
    stored.riffWave = read && id == kRiffID && form == kWaveID;
    stored.begin = sound.WaveOffset;
    if (packageBytes > stored.begin) {
        stored.held = std::min<std::uint64_t>(static_cast<std::uint64_t>(sound.WaveSize), packageBytes - stored.begin);
    }
    return stored;
}

// Walks the chunk headers from the stream's position `at`, as the WAVE model
// reads them: a chunk begins before `imageEnd` (where the RIFF size ends the
// image) and its body ends at `end` at the latest (the sound's stored
// bytes). Reads the "fmt " fields, measures the "data" body, steps over the
// rest, and stops once both are known.
void ReadAudioHeaders(std::istream& in, std::uint64_t at, std::uint64_t imageEnd, std::uint64_t end,
                      AudioFacts& facts) {
    constexpr std::uint64_t kChunkHeader = 8;
    constexpr std::uint64_t kFmtFields = 16;
    constexpr std::uint64_t kFmtWithSubFormat = 26;  // + extra size, valid bits, mask, sub-format tag
    constexpr std::uint64_t kShortStep = 64 * 1024;  // read over rather than seek
    while (at < imageEnd && at < end && end - at >= kChunkHeader) {
        std::uint32_t id = 0;
        std::uint32_t size = 0;
        if (!ChunkIO::ReadChunkID(in, id) || !LittleEndian::Read(in, size)) return;
        at += kChunkHeader;
        const std::uint64_t body = std::min<std::uint64_t>(size, end - at);
        std::uint64_t consumed = 0;
        if (id == kFmtID && body >= kFmtFields) {
            facts.hasFormat = LittleEndian::Read(in, facts.formatTag) && LittleEndian::Read(in, facts.channels) &&
                              LittleEndian::Read(in, facts.rate) && LittleEndian::Read(in, facts.bytesPerSecond) &&
                              LittleEndian::Read(in, facts.blockAlign) && LittleEndian::Read(in, facts.bits);
            consumed = kFmtFields;
            if (facts.hasFormat && facts.formatTag == kExtensible && body >= kFmtWithSubFormat) {
                std::uint16_t extraSize = 0, validBits = 0;
                std::uint32_t mask = 0;
                LittleEndian::Read(in, extraSize) && LittleEndian::Read(in, validBits) &&
                    LittleEndian::Read(in, mask) && LittleEndian::Read(in, facts.subFormatTag);
                consumed = kFmtWithSubFormat;
            }
            if (!facts.hasFormat) return;
        } else if (id == kDataID) {
            facts.hasData = true;
            facts.dataBytes = body;
            if (facts.hasFormat) return;
        }
        const std::uint64_t skip = body - consumed;
        if (skip < kShortStep) {
            in.ignore(static_cast<std::streamsize>(skip));
        } else {
            in.seekg(static_cast<std::streamoff>(at + body));
        }
        at += body;
        // The pad byte after an odd body, where the writer put one.
        using Traits = std::istream::traits_type;
        if (ChunkIO::PadLength(size) != 0 && at < end &&
            Traits::eq_int_type(in.rdbuf()->sgetc(), Traits::to_int_type('\0'))) {
            in.rdbuf()->sbumpc();
            ++at;
        }
        if (!in.good()) return;
    }
}

std::uint64_t FileBytes(std::ifstream& in) {
    in.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    in.clear();
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

}  // namespace

ExportReader::ExportReader(KZ_Package& package)
    : package_(package), packageBytes_(FileBytes(package.GetPackageFile())) {}

ExportReader::~ExportReader() { package_.GetPackageFile().close(); }

ExportFacts ExportReader::Read(const KZ_Export_Element& entry) {
    ExportFacts facts;
    const StoredWave stored = ReadStoredWave(package_, entry, packageBytes_);
    if (!stored.riffWave || stored.held < 12) return facts;
    facts.wave = true;
    facts.fileSize = stored.held;
    const std::uint64_t end = stored.begin + stored.held;
    const std::uint64_t imageEnd =
        stored.riffSize == WAVE_File::kUnknownRiffSize ? end : stored.begin + 8 + stored.riffSize;
    ReadAudioHeaders(package_.GetPackageFile(), stored.begin + 12, imageEnd, end, facts.audio);
    return facts;
}

bool HoldsWave(KZ_Package& package, const KZ_Export_Element& entry) {
    constexpr std::uint64_t kAnySize = UINT64_MAX;
    return ReadStoredWave(package, entry, kAnySize).riffWave;
}

void PrintPackage(KZ_Package& package, const std::string& path, std::ostream& out) {
    out << "Package: " << Printable(path) << '\n'
        << "Tag: 0x" << Hex(package.Tag, 8) << " (" << QuotedCode(package.Tag) << ")\n"
        << "Version: " << package.Version << '\n'
        << "Flags: 0x" << Hex(package.PackageFlags, 8) << '\n';
    if (package.Version > KZ_Package::kLastLegacyVersion) {
        out << "GUID: " << GuidText(package.Guid) << '\n' << "Generations: " << package.GenerationCount << '\n';
    } else {
        out << "Legacy count: " << package.LegacyCount << ", offset " << package.LegacyOffset << '\n';
    }
    out << "Names: " << package.NameCount << " at offset " << package.NameOffset << '\n'
        << "Imports: " << package.ImportCount << " at offset " << package.ImportOffset << '\n'
        << "Exports: " << package.ExportCount << " at offset " << package.ExportOffset << '\n';
    if (package.Exports.empty()) {
        out << std::flush;
        return;
    }

    const Column columns[] = {{"Index", Align::Right},  {"Name", Align::Left},     {"Class", Align::Left},
                              {"Size", Align::Right},   {"Offset", Align::Right},  {"WAVE", Align::Left},
                              {"Format", Align::Left},  {"Channels", Align::Right}, {"Rate", Align::Right},
                              {"Bits", Align::Right},   {"Duration", Align::Right}, {"File size", Align::Right}};
    constexpr std::size_t kColumns = std::size(columns);
    ExportReader reader(package);
    using Row = std::array<std::string, kColumns>;
    // The cells of export `i`'s row, with its facts. Made twice, for the
    // widths and for the print, so that the table is never held as text. The
    // facts of the first exports are kept between the passes, in an eighth of
    // the package's size at most (16 MiB at most); the print reads the rest
    // again. So the listing never holds much more than the tables it lists.
    const std::size_t keptFacts = static_cast<std::size_t>(
        std::min<std::uint64_t>(std::uint64_t{16} << 20, reader.PackageBytes() / 8) / sizeof(ExportFacts));
    std::vector<ExportFacts> kept;
    kept.reserve(std::min(package.Exports.size(), keptFacts));
    const auto cellsOf = [&](std::size_t i, const ExportFacts& row) {
        const KZ_Export_Element& entry = package.Exports[i];
        const AudioFacts& audio = row.audio;
        // DataOffset is stored only when there is data.
        Row cells = {std::to_string(i), Quoted(entry.GetName()), Quoted(entry.GetClassName()),
                     std::to_string(entry.DataSize), entry.DataSize > 0 ? std::to_string(entry.DataOffset) : "-",
                     row.wave ? "yes" : "no", "-", "-", "-", "-", "-", "-"};
        if (!row.wave) return cells;
        cells[11] = std::to_string(row.fileSize);
        if (!audio.hasFormat) return cells;
        const std::string_view name = audio.FormatName();
        cells[6] = name.empty() ? "0x" + Hex(audio.CodingTag(), 4) : std::string(name);
        cells[7] = std::to_string(audio.channels);
        cells[8] = std::to_string(audio.rate);
        cells[9] = std::to_string(audio.bits);
        if (const auto duration = audio.DurationMs()) cells[10] = Seconds(*duration) + " s";
        return cells;
    };
    Row titles;
    for (std::size_t c = 0; c < kColumns; ++c) titles[c] = columns[c].title;

    std::array<std::size_t, kColumns> widths{};
    const auto widen = [&](const Row& row) {
        for (std::size_t c = 0; c < kColumns; ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    };
    widen(titles);
    std::uint64_t sounds = 0, bytes = 0, ms = 0;
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        const ExportFacts facts = reader.Read(package.Exports[i]);
        if (kept.size() < keptFacts) kept.push_back(facts);
        widen(cellsOf(i, facts));
        if (!facts.wave) continue;
        ++sounds;
        bytes += facts.fileSize;
        if (facts.audio.hasFormat) ms += facts.audio.DurationMs().value_or(0);
    }
    std::string line;
    const auto print = [&](const Row& row) {
        line.clear();
        for (std::size_t c = 0; c < kColumns; ++c) {
            const std::size_t padding = widths[c] - DisplayWidth(row[c]);
            if (c > 0) line += "  ";
            if (columns[c].align == Align::Right) line.append(padding, ' ');
            line += row[c];
            if (columns[c].align == Align::Left && c + 1 < kColumns) line.append(padding, ' ');
        }
        line += '\n';
        out << line;
    };
    out << '\n';
    print(titles);
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        print(cellsOf(i, i < kept.size() ? kept[i] : reader.Read(package.Exports[i])));
    }
    out << "\nTotal: " << sounds << (sounds == 1 ? " sound, " : " sounds, ") << Bytes(bytes) << ", " << Seconds(ms)
        << " s\n"
        << std::flush;
}

void ForEachScriptSound(KZ_Package& package, const std::function<void(std::string_view name, bool safe)>& take) {
    for (const KZ_Export_Element& entry : package.Exports) {
        const std::string_view name = package.NameAt(entry.ObjectName);
        // Each name once, at the export Snd_Pull's lookup finds for it: the
        // first one of that name.
        if (package.FindExport(name) != &entry || !HoldsWave(package, entry)) continue;
        take(name, IsSafeSoundName(name));
    }
    package.GetPackageFile().close();
}

}  // namespace InfoReport
