// A package as JSON, whole or written export by export.
#include <ostream>

#include "facts/Escape.h"
#include "facts/FactsJson.h"
#include "package/KZ_Package.h"

namespace FactsJson {

namespace {

using namespace Facts;

json TableJson(const Table& table) { return {{"count", table.count}, {"offset", table.offset}}; }

// A package's <file> object up to its "package" member.
json PackageHeadJson(const PackageHead& head, const std::string& path) {
    json file;
    PutText(file, "path", path);
    file["type"] = "package";
    file["warnings"] = json::array();
    file["errors"] = json::array();
    json header;
    header["tag"] = head.tag;
    PutCode(header, "tag_code", head.tag);
    header["version"] = head.version;
    header["flags"] = head.flags;
    if (head.legacy) {
        header["legacy"] = TableJson(head.legacyTable);
    } else {
        std::string guid;
        for (const std::uint8_t byte : head.guid) guid += Escape::Hex(byte, 2);
        header["guid"] = guid;
        header["generations"] = head.generations;
    }
    header["names"] = TableJson(head.names);
    header["imports"] = TableJson(head.imports);
    header["exports"] = TableJson(head.exports);
    file["package"] = std::move(header);
    return file;
}

json ExportJson(const Export& entry) {
    json e;
    e["index"] = entry.index;
    PutText(e, "name", entry.name);
    PutText(e, "class", entry.className);
    e["data_size"] = entry.dataSize;
    e["data_offset"] = entry.dataOffset ? json(*entry.dataOffset) : json(nullptr);
    e["sound"] = entry.sound;
    if (entry.sound) {
        json audio = entry.audio.hasFormat ? Audio(entry.audio) : json::object();
        audio["file_size"] = entry.fileSize;
        e["audio"] = std::move(audio);
    }
    return e;
}

json TotalsJson(const Totals& totals) {
    return {{"sounds", totals.sounds},
            {"bytes", totals.bytes},
            {"duration", static_cast<double>(totals.milliseconds) / 1000}};
}

constexpr int kIndent = 2;

// `value` as Dump writes it `depth` levels deep: every line after the first
// shifted right by that many indents.
std::string Nested(const json& value, std::size_t depth) {
    const std::string text = value.dump(kIndent, ' ', false, json::error_handler_t::replace);
    const std::string shift(depth * kIndent, ' ');
    std::string nested;
    nested.reserve(text.size());
    for (const char c : text) {
        nested += c;
        if (c == '\n') nested += shift;
    }
    return nested;
}

}  // namespace

json Package(KZ_Package& package, const std::string& path) {
    json file = PackageHeadJson(HeadOf(package), path);
    ExportReader reader(package);
    json exports = json::array();
    Totals totals;
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        const Export entry = reader.Read(i);
        exports.push_back(ExportJson(entry));
        totals.Add(entry);
    }
    file["exports"] = std::move(exports);
    file["totals"] = TotalsJson(totals);
    return file;
}

DocumentWriter::DocumentWriter(std::ostream& out) : out_(out) {
    json head = Document(json::array());
    head.erase("files");
    const std::string text = Nested(head, 0);
    // All but the closing brace; the files follow.
    out_ << text.substr(0, text.size() - 2) << ",\n" << std::string(kIndent, ' ') << "\"files\": [";
}

void DocumentWriter::Next() { out_ << (files_++ == 0 ? "\n" : ",\n") << std::string(2 * kIndent, ' '); }

void DocumentWriter::Add(const json& file) {
    Next();
    out_ << Nested(file, 2);
}

void DocumentWriter::AddPackage(KZ_Package& package, const std::string& path,
                                const std::function<void(std::size_t done, std::size_t total)>& progress) {
    Next();
    const std::string head = Nested(PackageHeadJson(HeadOf(package), path), 2);
    const std::string member(3 * kIndent, ' ');
    out_ << head.substr(0, head.size() - 2 - 2 * kIndent) << ",\n" << member << "\"exports\": [";
    ExportReader reader(package);
    Totals totals;
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        const Export entry = reader.Read(i);
        out_ << (i == 0 ? "\n" : ",\n") << std::string(4 * kIndent, ' ') << Nested(ExportJson(entry), 4);
        totals.Add(entry);
        if (progress) progress(i + 1, package.Exports.size());
    }
    if (!package.Exports.empty()) out_ << '\n' << member;
    out_ << "],\n" << member << "\"totals\": " << Nested(TotalsJson(totals), 3) << '\n' << std::string(2 * kIndent, ' ') << '}';
}

void DocumentWriter::Finish() {
    if (files_ > 0) out_ << '\n' << std::string(kIndent, ' ');
    out_ << "]\n}\n";
}

}  // namespace FactsJson
