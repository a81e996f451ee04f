// A package as JSON, whole or written export by export.
#include <ostream>

#include "facts/Escape.h"
#include "facts/JsonStream.h"
#include "facts/FactsJson.h"
#include "package/KZ_Package.h"

namespace FactsJson {

namespace {

using namespace Facts;

json TableJson(const Table& table) { return {{"count", table.count}, {"offset", table.offset}}; }

// The "package" member: the header's fields.
json HeaderJson(const PackageHead& head) {
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
    return header;
}

json ExportJson(const Export& entry) {
    json e;
    e["index"] = entry.index;
    PutText(e, "name", entry.name);
    PutText(e, "group", entry.group);
    PutText(e, "class", entry.className);
    e["data_size"] = entry.dataSize;
    e["data_offset"] = entry.dataOffset ? json(*entry.dataOffset) : json(nullptr);
    e["sound"] = entry.sound;
    if (entry.sound && entry.cut == Cut::PastTheEnd) {
        e["audio"] = nullptr;  // none of its bytes are there to tell
    } else if (entry.sound) {
        json audio = entry.audio.hasFormat ? Audio(entry.audio) : json::object();
        audio["file_size"] = entry.fileSize;
        e["audio"] = std::move(audio);
    }
    if (entry.cut != Cut::None) {
        e["damage"] = entry.cut == Cut::Short ? "cut short" : "past the end of the file";
        e["wave_size"] = entry.waveSize ? json(*entry.waveSize) : json(nullptr);
    }
    return e;
}

json TotalsJson(const Totals& totals) {
    return {{"sounds", totals.sounds},
            {"bytes", totals.bytes},
            {"duration", static_cast<double>(totals.milliseconds) / 1000}};
}

}  // namespace

DocumentWriter::DocumentWriter(std::ostream& out) : stream_(out), out_(out) {
    stream_.BeginObject();
    stream_.Key("schema").Value(kSchema);
    stream_.Key("program").Value("Snd_Info");
    stream_.Key("version").Value(SND_VERSION);
    stream_.Key("files").BeginArray();
}

void DocumentWriter::Unwind() {
    while (stream_.Depth() > kFilesDepth) stream_.End();
}

void DocumentWriter::Add(const json& file) {
    Unwind();
    stream_.Value(file);
}

void DocumentWriter::AddPackage(KZ_Package& package, const std::string& path,
                                const std::function<void(std::size_t done, std::size_t total)>& progress,
                                const std::function<void(const std::string& warning)>& warn) {
    ExportReader reader(package);
    stream_.BeginObject();
    stream_.Text("path", path);
    stream_.Key("type").Value("package");
    // The warnings stand before the exports: the cut sounds are found first,
    // from their sound headers, and each is written as it is found.
    stream_.Key("warnings").BeginArray();
    for (const Finding& finding : reader.GroupFindings()) stream_.Value(FindingJson(finding));
    reader.ForEachCut([&](const Export& entry) {
        const Finding finding = CutFinding(entry);
        stream_.Value(FindingJson(finding));
        if (warn) warn(finding.text);
    });
    stream_.End();
    stream_.Key("errors").BeginArray();
    stream_.End();
    stream_.Key("package").Value(HeaderJson(HeadOf(package)));
    stream_.Key("exports").BeginArray();
    Totals totals;
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        const Export entry = reader.Read(i);
        stream_.Value(ExportJson(entry));
        totals.Add(entry);
        if (progress) progress(i + 1, package.Exports.size());
    }
    stream_.End();
    stream_.Key("totals").Value(TotalsJson(totals));
    stream_.End();
}

void DocumentWriter::AddWave(const Facts::Wave& wave, const std::string& path, const json& extra) {
    WriteWaveFile(stream_, wave, path, extra);
}

void DocumentWriter::Finish(const json& totals) {
    Unwind();
    stream_.End();
    if (!totals.is_null()) stream_.Key("totals").Value(totals);
    stream_.End();
    out_ << '\n';
}

}  // namespace FactsJson
