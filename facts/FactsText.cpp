#include "facts/FactsText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "common/LittleEndian.h"
#include "facts/Escape.h"
#include "package/KZ_Package.h"

namespace FactsText {

namespace {

using namespace Facts;
using Escape::Code;
using Escape::Hex;
using Escape::Quoted;

template <typename... Ts>
struct Overload : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overload(Ts...) -> Overload<Ts...>;

std::string Bytes(std::uint64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

std::string Head(const ChunkHead& head) { return Code(head.id) + ' ' + Bytes(head.size); }

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

// A time in the text: " (0.500 s)"; nothing without a rate.
std::string TimeText(const std::optional<Duration>& time) {
    return time ? " (" + Seconds(time->Milliseconds()) + " s)" : "";
}

// A name for a LIST INFO code ("INAM" -> "Title"), empty for one without.
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

// ---- the WAVE print -------------------------------------------------------

constexpr std::size_t kExtraBytesShown = 32;

class WavePrinter {
public:
    WavePrinter(const Wave& wave, std::ostream& out) : wave_(wave), out_(out) {}

    void operator()(const FormatChunk& fmt) const {
        const std::string_view name = FormatNameOf(fmt.formatTag);
        out_ << Head(fmt.head) << '\n'
             << "  Format tag: 0x" << Hex(fmt.formatTag, 4) << (name.empty() ? "" : " (" + std::string(name) + ")")
             << '\n'
             << "  Channels: " << fmt.channels << '\n'
             << "  Samples per second: " << fmt.samplesPerSec << '\n'
             << "  Average bytes per second: " << fmt.avgBytesPerSec << '\n'
             << "  Block align: " << fmt.blockAlign << '\n'
             << "  Bits per sample: " << fmt.bitsPerSample << '\n';
        if (!fmt.extended) return;
        out_ << "  Extra size: " << fmt.extraSize << '\n';
        if (fmt.extra.empty()) return;
        out_ << "  Extra data:";
        const std::size_t shown = std::min(fmt.extra.size(), kExtraBytesShown);
        for (std::size_t i = 0; i < shown; ++i) out_ << ' ' << Hex(fmt.extra[i], 2);
        if (shown < fmt.extra.size()) out_ << " ...";
        out_ << '\n';
    }

    void operator()(const FactChunk& fact) const {
        out_ << Head(fact.head) << '\n' << "  Sample count: " << fact.sampleCount << '\n';
    }

    // How long the samples play, where the format says, and how many blocks
    // (sample frames) they fill.
    void operator()(const DataChunk& data) const {
        const Audio& audio = wave_.audio;
        out_ << Head(data.head) << '\n';
        const std::string blocks = audio.frames ? std::to_string(*audio.frames) + " blocks" : "";
        if (audio.duration) {
            out_ << "  Duration: " << Seconds(audio.duration->Milliseconds()) << " s";
            if (!blocks.empty()) out_ << " (" << blocks << ')';
            out_ << '\n';
        } else if (!blocks.empty()) {
            out_ << "  Length: " << blocks << '\n';
        }
    }

    // The sample the cue marks is its sample offset in the data chunk.
    void operator()(const CueChunk& cue) const {
        out_ << Head(cue.head) << '\n' << "  Cue points: " << cue.count << '\n';
        for (const CuePoint& point : cue.points) {
            out_ << "  Cue id " << point.CueID << ": sample offset " << point.SampleOffset
                 << TimeText(TimeOf(point.SampleOffset, wave_.audio.rate)) << ", position " << point.Position
                 << ", chunk " << Code(point.DataChunkID) << ", chunk start " << point.ChunkStart << ", block start "
                 << point.BlockStart << '\n';
            const auto texts = wave_.cueTexts.find(point.CueID);
            if (texts == wave_.cueTexts.end()) continue;
            for (const TextRef& ref : texts->second) PrintCueText(wave_.Text(ref));
        }
    }

    void operator()(const ListChunk& list) const {
        out_ << Head(list.head) << ", type " << Code(list.listType) << '\n';
        for (const SubChunk& sub : list.subs) {
            if (list.info) {
                PrintInfoTag(sub);
            } else {
                PrintSubChunk(sub);
            }
        }
    }

    void operator()(const PhonemeChunk& phnm) const {
        out_ << Head(phnm.head) << '\n';
        out_ << "  Text: " << Quoted(phnm.text) << '\n';
        out_ << "  Words: " << phnm.wordCount << '\n';
        for (const WordFacts& word : phnm.words) {
            out_ << "  Word " << Quoted(word.word) << ": int A " << word.intA << ", int B " << word.intB << ", float A "
                 << Float(word.floatA) << ", float B " << Float(word.floatB) << ", phonemes " << word.phonemeCount
                 << '\n';
            for (const PhonemeFacts& phoneme : word.phonemes) {
                out_ << "    Phoneme " << Code(std::string_view(phoneme.tag)) << " U+" << Hex(phoneme.code, 4);
                if (!phoneme.symbol.empty()) out_ << ' ' << phoneme.symbol;
                out_ << ": float A " << Float(phoneme.floatA) << ", float B " << Float(phoneme.floatB) << '\n';
            }
        }
    }

    void operator()(const RawChunk& raw) const { out_ << Head(raw.head) << ", not interpreted\n"; }

private:
    static std::string_view FormatNameOf(std::uint16_t tag) {
        Audio audio;
        audio.hasFormat = true;
        audio.formatTag = tag;
        Summarize(audio);
        return audio.formatName;
    }

    void PrintCueText(const SubChunk& sub) const {
        std::visit(Overload{
                       [&](const Label& label) { out_ << "    Label: " << Quoted(label.text) << '\n'; },
                       [&](const LabelledText& text) {
                           out_ << "    Text: " << Quoted(text.text) << ", sample length " << text.sampleLength
                                << TimeText(TimeOf(text.sampleLength, wave_.audio.rate)) << ", purpose "
                                << Code(text.purpose) << '\n';
                       },
                       [&](const Note& note) { out_ << "    Note: " << Quoted(note.text) << '\n'; },
                       [&](const RawSubChunk&) {},
                   },
                   sub);
    }

    void PrintInfoTag(const SubChunk& sub) const {
        const ChunkHead& head = std::visit([](const auto& s) -> const ChunkHead& { return s.head; }, sub);
        const auto* raw = std::get_if<RawSubChunk>(&sub);
        const std::string_view name = InfoTagName(head.id);
        out_ << "  " << (name.empty() ? Code(head.id) : std::string(name)) << ": " << Quoted(raw ? raw->text : "")
             << '\n';
    }

    void PrintSubChunk(const SubChunk& sub) const {
        std::visit(Overload{
                       [&](const Label& label) {
                           out_ << "  " << Head(label.head) << ", cue id " << label.cueID << ": " << Quoted(label.text);
                       },
                       [&](const LabelledText& text) {
                           out_ << "  " << Head(text.head) << ", cue id " << text.cueID << ": sample length "
                                << text.sampleLength << ", purpose " << Code(text.purpose) << ", country "
                                << text.country << ", language " << text.language << ", dialect " << text.dialect
                                << ", code page " << text.codePage << ", text " << Quoted(text.text);
                       },
                       [&](const auto& other) { out_ << "  " << Head(other.head) << ", not interpreted"; },
                   },
                   sub);
        out_ << '\n';
    }

    const Wave& wave_;
    std::ostream& out_;
};

}  // namespace

std::string Seconds(std::uint64_t ms) {
    const std::string fraction = std::to_string(ms % 1000);
    return std::to_string(ms / 1000) + '.' + std::string(3 - fraction.size(), '0') + fraction;
}

void PrintWave(const Wave& wave, std::ostream& out) {
    out << "RIFF size: " << wave.riffSize;
    if (wave.riffSizeStored != wave.riffSize) out << " as saved (" << wave.riffSizeStored << " as stored)";
    out << '\n';
    const WavePrinter printer(wave, out);
    for (const Chunk& chunk : wave.chunks) std::visit(printer, chunk);
    out << std::flush;
}

}  // namespace FactsText

namespace FactsText {

namespace {

enum class Align { Left, Right };

struct Column {
    const char* title;
    Align align;
};

constexpr Column kColumns[] = {{"Index", Align::Right},
                               {"Name", Align::Left},
                               {"Class", Align::Left},
                               {"Size", Align::Right},
                               {"Offset", Align::Right},
                               {"WAVE", Align::Left},
                               {"Format", Align::Left},
                               {"Channels", Align::Right},
                               {"Rate", Align::Right},
                               {"Bits", Align::Right},
                               {"Duration", Align::Right},
                               {"File size", Align::Right}};
constexpr std::size_t kColumnCount = std::size(kColumns);
using Row = std::array<std::string, kColumnCount>;

Row CellsOf(const Facts::Export& entry) {
    const Facts::Audio& audio = entry.audio;
    Row cells = {std::to_string(entry.index),
                 Escape::Quoted(entry.name),
                 Escape::Quoted(entry.className),
                 std::to_string(entry.dataSize),
                 entry.dataOffset ? std::to_string(*entry.dataOffset) : "-",
                 entry.sound ? "yes" : "no",
                 "-", "-", "-", "-", "-", "-"};
    if (!entry.sound) return cells;
    cells[11] = std::to_string(entry.fileSize);
    if (!audio.hasFormat) return cells;
    cells[6] = audio.formatName.empty() ? "0x" + Escape::Hex(audio.codingTag, 4) : std::string(audio.formatName);
    cells[7] = std::to_string(audio.channels);
    cells[8] = std::to_string(audio.rate);
    cells[9] = std::to_string(audio.bits);
    if (audio.duration) cells[10] = Seconds(audio.duration->Milliseconds()) + " s";
    return cells;
}

void PrintHead(const Facts::PackageHead& head, const std::string& path, std::ostream& out) {
    out << "Package: " << Escape::Printable(path) << '\n'
        << "Tag: 0x" << Escape::Hex(head.tag, 8) << " (" << Escape::Code(head.tag) << ")\n"
        << "Version: " << head.version << '\n'
        << "Flags: 0x" << Escape::Hex(head.flags, 8) << '\n';
    if (head.legacy) {
        out << "Legacy count: " << head.legacyTable.count << ", offset " << head.legacyTable.offset << '\n';
    } else {
        std::string guid;
        for (const std::uint8_t byte : head.guid) guid += Escape::Hex(byte, 2);
        out << "GUID: " << guid << '\n' << "Generations: " << head.generations << '\n';
    }
    out << "Names: " << head.names.count << " at offset " << head.names.offset << '\n'
        << "Imports: " << head.imports.count << " at offset " << head.imports.offset << '\n'
        << "Exports: " << head.exports.count << " at offset " << head.exports.offset << '\n';
}

}  // namespace

void PrintPackage(KZ_Package& package, const std::string& path, std::ostream& out) {
    PrintHead(Facts::HeadOf(package), path, out);
    if (package.Exports.empty()) {
        out << std::flush;
        return;
    }
    Facts::ExportReader reader(package);
    // The rows are made twice, for the widths and for the print, so that the
    // table is never held as text. The facts of the first exports are kept
    // between the passes, in an eighth of the package's size at most (16 MiB
    // at most); the print reads the rest again. So the listing never holds
    // much more than the tables it lists.
    const std::uint64_t keepBytes = std::min<std::uint64_t>(std::uint64_t{16} << 20, reader.PackageBytes() / 8);
    std::uint64_t keptBytes = 0;
    std::vector<Facts::Export> kept;
    kept.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(package.Exports.size(), keepBytes / sizeof(Facts::Export))));
    Row titles;
    for (std::size_t c = 0; c < kColumnCount; ++c) titles[c] = kColumns[c].title;
    std::array<std::size_t, kColumnCount> widths{};
    const auto widen = [&](const Row& row) {
        for (std::size_t c = 0; c < kColumnCount; ++c) widths[c] = std::max(widths[c], Escape::DisplayWidth(row[c]));
    };
    widen(titles);
    Facts::Totals totals;
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        Facts::Export entry = reader.Read(i);
        widen(CellsOf(entry));
        totals.Add(entry);
        keptBytes += sizeof entry + entry.name.capacity() + entry.className.capacity();
        if (keptBytes <= keepBytes && kept.size() == i && kept.size() < kept.capacity()) kept.push_back(std::move(entry));
    }
    std::string line;
    const auto print = [&](const Row& row) {
        line.clear();
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            const std::size_t padding = widths[c] - Escape::DisplayWidth(row[c]);
            if (c > 0) line += "  ";
            if (kColumns[c].align == Align::Right) line.append(padding, ' ');
            line += row[c];
            if (kColumns[c].align == Align::Left && c + 1 < kColumnCount) line.append(padding, ' ');
        }
        line += '\n';
        out << line;
    };
    out << '\n';
    print(titles);
    for (std::size_t i = 0; i < package.Exports.size(); ++i) print(CellsOf(i < kept.size() ? kept[i] : reader.Read(i)));
    out << "\nTotal: " << totals.sounds << (totals.sounds == 1 ? " sound, " : " sounds, ") << Bytes(totals.bytes)
        << ", " << Seconds(totals.milliseconds) << " s\n"
        << std::flush;
}

}  // namespace FactsText
