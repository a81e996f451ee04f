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
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"

namespace InfoReport {

namespace {

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
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    std::uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (length > text.size() - at) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    if (overlong || surrogate || code > 0x10FFFF || code < 0xA0) return 0;
    return length;
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

// A code point as UTF-8; empty for one that is not a printable character.
std::string Utf8(std::uint32_t code) {
    if (code < 0xA0 || (code >= 0xD800 && code <= 0xDFFF) || code > 0xFFFF) return "";
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

std::string FormatName(std::uint16_t tag) {
    switch (tag) {
        case 0x0001: return " (PCM)";
        case 0x0002: return " (ADPCM)";
        case 0x0003: return " (IEEE float)";
        case 0x0006: return " (A-law)";
        case 0x0007: return " (mu-law)";
        case 0xFFFE: return " (extensible)";
        default: return "";
    }
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
void PrintData(const data_Chunk& data, const fmt_Chunk& fmt, std::ostream& out) {
    out << QuotedCode(data.ChunkID) << ' ' << Bytes(data.ChunkSize) << '\n';
    const std::uint64_t size = data.ChunkSize;
    std::string blocks;
    if (fmt.BlockAlign > 0) blocks = std::to_string(size / fmt.BlockAlign) + " blocks";
    if (fmt.AvgBytesPerSec > 0) {
        const std::uint64_t ms = (size * 1000 + fmt.AvgBytesPerSec / 2) / fmt.AvgBytesPerSec;
        const std::string fraction = std::to_string(ms % 1000);
        out << "  Duration: " << ms / 1000 << '.' << std::string(3 - fraction.size(), '0') << fraction << " s";
        if (!blocks.empty()) out << " (" << blocks << ')';
        out << '\n';
    } else if (!blocks.empty()) {
        out << "  Length: " << blocks << '\n';
    }
}

void PrintCue(const cue_Chunk& cue, std::ostream& out) {
    out << QuotedCode(cue.ChunkID) << ' ' << Bytes(cue.ChunkSize) << '\n';
    out << "  Cue points: " << cue.CuePointCount << '\n';
    for (const CuePoint& point : cue.CuePoints) {
        out << "  Cue id " << point.CueID << ": position " << point.Position << ", chunk "
            << QuotedCode(point.DataChunkID) << ", chunk start " << point.ChunkStart << ", block start "
            << point.BlockStart << ", sample offset " << point.SampleOffset << '\n';
    }
}

void PrintList(const LIST_Chunk& list, std::ostream& out) {
    out << QuotedCode(list.ChunkID) << ' ' << Bytes(list.ChunkSize) << ", type " << QuotedCode(list.ListType)
        << '\n';
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
                << Quoted(text->Text);
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
            const std::string symbol = Utf8(phoneme.Code);
            if (!symbol.empty()) out << ' ' << symbol;
            out << ": float A " << Float(phoneme.FloatA) << ", float B " << Float(phoneme.FloatB) << '\n';
        }
    }
}

void PrintChunk(const RIFF_Chunk& chunk, std::ostream& out) {
    if (const auto* cue = dynamic_cast<const cue_Chunk*>(&chunk)) {
        PrintCue(*cue, out);
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

bool HoldsWave(KZ_Package& package, const KZ_Export_Element& entry) {
    if (entry.DataSize <= 0 || entry.DataOffset < 0) return false;
    const KZ_Sound sound = LoadSound(package, entry);
    std::ifstream& in = package.GetPackageFile();
    constexpr std::int32_t kRiffHeaderSize = 12;
    if (!sound.HeaderComplete || sound.WaveSize < kRiffHeaderSize) return false;
    // LoadData leaves the stream where the WAVE bytes begin.
    std::uint32_t id = 0;
    std::uint32_t riffSize = 0;
    std::uint32_t form = 0;
    const bool read = LittleEndian::Read(in, id) && LittleEndian::Read(in, riffSize) && LittleEndian::Read(in, form);
    return read && id == kRiffID && form == kWaveID;
}

void PrintWave(WAVE_File& wave, std::ostream& out) {
    const std::uint32_t loaded = wave.RiffSize;
    wave.CalcSize();
    out << "RIFF size: " << wave.RiffSize;
    if (loaded != wave.RiffSize) out << " as saved (" << loaded << " as stored)";
    out << '\n';
    PrintFmt(wave.FmtChunk, out);
    if (wave.FactChunk.ChunkSize != 0) {
        out << QuotedCode(wave.FactChunk.ChunkID) << ' ' << Bytes(wave.FactChunk.ChunkSize) << '\n'
            << "  Sample count: " << wave.FactChunk.SampleCount << '\n';
    }
    PrintData(wave.DataChunk, wave.FmtChunk, out);
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        PrintChunk(*chunk, out);
    }
    out << std::flush;
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

    const Column columns[] = {{"Index", Align::Right}, {"Name", Align::Left},    {"Class", Align::Left},
                              {"Size", Align::Right},  {"Offset", Align::Right}, {"WAVE", Align::Left}};
    constexpr std::size_t kColumns = std::size(columns);
    using Row = std::array<std::string, kColumns>;
    // The table is made twice, row by row, never held whole: once for the
    // column widths, once to print. A table of millions of exports then
    // costs one row, and a byte per export for what HoldsWave found (it
    // reads the file).
    std::vector<bool> holdsWave(package.Exports.size());
    const auto makeRow = [&](std::size_t i, bool measuring) {
        const KZ_Export_Element& entry = package.Exports[i];
        if (measuring) holdsWave[i] = HoldsWave(package, entry);
        // DataOffset is stored only when there is data.
        return Row{std::to_string(i), Quoted(entry.GetName()), Quoted(entry.GetClassName()),
                   std::to_string(entry.DataSize), entry.DataSize > 0 ? std::to_string(entry.DataOffset) : "-",
                   holdsWave[i] ? "yes" : "no"};
    };
    Row titles;
    for (std::size_t c = 0; c < kColumns; ++c) titles[c] = columns[c].title;

    std::array<std::size_t, kColumns> widths{};
    const auto measure = [&widths](const Row& row) {
        for (std::size_t c = 0; c < kColumns; ++c) widths[c] = std::max(widths[c], DisplayWidth(row[c]));
    };
    measure(titles);
    for (std::size_t i = 0; i < package.Exports.size(); ++i) measure(makeRow(i, true));
    package.GetPackageFile().close();

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
    for (std::size_t i = 0; i < package.Exports.size(); ++i) print(makeRow(i, false));
    out << std::flush;
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
