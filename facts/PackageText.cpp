// A package as text for people: a line that sums it up, then a table of its
// exports; the header's internals on request.
#include <algorithm>
#include <array>
#include <vector>

#include "facts/Escape.h"
#include "facts/Facts.h"
#include "facts/FactsText.h"
#include "package/KZ_Package.h"

namespace FactsText {

namespace {

enum class Align { Left, Right };

enum class Shown { Always, Verbose, Grouped };

struct Column {
    const char* title;
    Align align;
    Shown shown;
};

constexpr Column kColumns[] = {
    {"#", Align::Right, Shown::Always},         {"Group", Align::Left, Shown::Grouped},
    {"Name", Align::Left, Shown::Always},       {"Class", Align::Left, Shown::Verbose},
    {"Data size", Align::Right, Shown::Verbose}, {"Offset", Align::Right, Shown::Verbose},
    {"Format", Align::Left, Shown::Always},     {"Channels", Align::Right, Shown::Always},
    {"Rate", Align::Right, Shown::Always},      {"Bits", Align::Right, Shown::Always},
    {"Duration", Align::Right, Shown::Always},  {"Size", Align::Right, Shown::Always},
};
constexpr std::size_t kColumnCount = std::size(kColumns);
using Row = std::array<std::string, kColumnCount>;

Row CellsOf(const Facts::Export& entry) {
    const Facts::Audio& audio = entry.audio;
    Row cells = {std::to_string(entry.index),
                 entry.group.empty() ? "-" : Escape::Quoted(entry.group),
                 Escape::Quoted(entry.name),
                 Escape::Quoted(entry.className),
                 std::to_string(entry.dataSize),
                 entry.dataOffset ? std::to_string(*entry.dataOffset) : "-",
                 entry.sound ? "-" : "no sound",
                 "-", "-", "-", "-", "-"};
    if (!entry.sound) return cells;
    cells[11] = std::to_string(entry.fileSize);
    // A cut sound: what is there of what its header states.
    if (entry.cut != Facts::Cut::None && entry.waveSize) cells[11] += " of " + std::to_string(*entry.waveSize);
    if (!audio.hasFormat) return cells;
    cells[6] = audio.formatName.empty() ? "0x" + Escape::Hex(audio.codingTag, 4) : std::string(audio.formatName);
    cells[7] = std::to_string(audio.channels);
    cells[8] = std::to_string(audio.rate);
    cells[9] = std::to_string(audio.bits);
    if (audio.duration) cells[10] = Clock(audio.duration->Milliseconds());
    return cells;
}

void PrintHead(const Facts::PackageHead& head, std::ostream& out) {
    out << "Tag: 0x" << Escape::Hex(head.tag, 8) << " (" << Escape::Code(head.tag) << ")\n"
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

void PrintPackage(KZ_Package& package, const std::string& path, const ListOptions& options, std::ostream& out) {
    Facts::ExportReader reader(package);
    const std::size_t count = package.Exports.size();
    // The rows are made twice, for the widths and for the print, so that the
    // table is never held as text. The facts of the first exports are kept
    // between the passes, in an eighth of the package's size at most (16 MiB
    // at most); the print reads the rest again. So the listing never holds
    // much more than the tables it lists.
    const std::uint64_t keepBytes = std::min<std::uint64_t>(std::uint64_t{16} << 20, reader.PackageBytes() / 8);
    std::uint64_t keptBytes = 0;
    std::vector<Facts::Export> kept;
    kept.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(count, keepBytes / sizeof(Facts::Export))));
    const auto warn = [&](const std::string& text) {
        if (options.warn) options.warn(text);
    };
    for (const Facts::Finding& finding : reader.GroupFindings()) warn(finding.text);
    const auto shown = [&](std::size_t c) {
        return kColumns[c].shown == Shown::Always || (kColumns[c].shown == Shown::Verbose && options.verbose) ||
               (kColumns[c].shown == Shown::Grouped && reader.AnyGroup());
    };
    Row titles;
    for (std::size_t c = 0; c < kColumnCount; ++c) titles[c] = kColumns[c].title;
    std::array<std::size_t, kColumnCount> widths{};
    const auto widen = [&](const Row& row) {
        for (std::size_t c = 0; c < kColumnCount; ++c) widths[c] = std::max(widths[c], Escape::DisplayWidth(row[c]));
    };
    widen(titles);
    Facts::Totals totals;
    for (std::size_t i = 0; i < count; ++i) {
        Facts::Export entry = reader.Read(i);
        widen(CellsOf(entry));
        totals.Add(entry);
        if (entry.cut != Facts::Cut::None) warn(Facts::CutFinding(entry).text);
        keptBytes += sizeof entry + entry.name.capacity() + entry.group.capacity() + entry.className.capacity();
        if (keptBytes <= keepBytes && kept.size() == i && kept.size() < kept.capacity()) kept.push_back(std::move(entry));
        if (options.progress) options.progress(i + 1, count);
    }

    out << Escape::Printable(path) << ": " << totals.sounds << (totals.sounds == 1 ? " sound" : " sounds");
    // The sounds whose bytes are not all in the file, as "(1 cut short, 1 past the end of the file)".
    std::string cut;
    if (totals.cutShort > 0) cut = std::to_string(totals.cutShort) + " cut short";
    if (totals.pastTheEnd > 0) {
        cut += (cut.empty() ? "" : ", ") + std::to_string(totals.pastTheEnd) + " past the end of the file";
    }
    if (!cut.empty()) out << " (" << cut << ')';
    out << ", " << Clock(totals.milliseconds) << ", " << totals.bytes << (totals.bytes == 1 ? " byte\n" : " bytes\n");
    if (options.verbose) PrintHead(Facts::HeadOf(package), out);
    if (count == 0) {
        out << std::flush;
        return;
    }
    std::size_t last = 0;
    for (std::size_t c = 0; c < kColumnCount; ++c) {
        if (shown(c)) last = c;
    }
    std::string line;
    const auto print = [&](const Row& row) {
        line.clear();
        for (std::size_t c = 0; c < kColumnCount; ++c) {
            if (!shown(c)) continue;
            const std::size_t padding = widths[c] - Escape::DisplayWidth(row[c]);
            if (!line.empty()) line += "  ";
            if (kColumns[c].align == Align::Right) line.append(padding, ' ');
            line += row[c];
            if (kColumns[c].align == Align::Left && c < last) line.append(padding, ' ');
        }
        line += '\n';
        out << line;
    };
    out << '\n';
    print(titles);
    for (std::size_t i = 0; i < count; ++i) print(CellsOf(i < kept.size() ? kept[i] : reader.Read(i)));
    // Under the table, why each cut sound is marked: found again from the
    // sound headers, so that no line is held however many there are.
    if (totals.cutShort + totals.pastTheEnd > 0) {
        out << '\n';
        reader.ForEachCut([&](const Facts::Export& entry) { out << Facts::CutFinding(entry).text << '\n'; });
    }
    out << std::flush;
}

}  // namespace FactsText
