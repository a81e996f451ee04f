#include "info/InfoJson.h"

#include <cmath>
#include <ostream>
#include <cstring>
#include <string>

#include "info/InfoInput.h"
#include "info/InfoReport.h"
#include "info/Utf8.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"

namespace InfoJson {

namespace {

using json = nlohmann::ordered_json;
using InfoInput::Shown;

// The length of the well-formed UTF-8 sequence at text[at], or 0.
std::size_t SequenceLength(std::string_view text, std::size_t at) {
    if (static_cast<unsigned char>(text[at]) < 0x80) return 1;
    std::uint32_t code = 0;
    return Utf8::MultiByteLength(text, at, code);
}

// `bytes` as valid UTF-8: every byte that begins no well-formed sequence
// becomes U+FFFD. Sets `replaced` when one did.
std::string ValidUtf8(std::string_view bytes, bool& replaced) {
    static constexpr char kReplacement[] = "\xEF\xBF\xBD";
    std::string text;
    text.reserve(bytes.size());
    replaced = false;
    for (std::size_t i = 0; i < bytes.size();) {
        if (const std::size_t length = SequenceLength(bytes, i)) {
            text.append(bytes.substr(i, length));
            i += length;
        } else {
            text += kReplacement;
            replaced = true;
            ++i;
        }
    }
    return text;
}

json Texts(const std::vector<std::string>& texts) {
    json array = json::array();
    for (const std::string& text : texts) array.push_back(text);
    return array;
}

std::string CodeBytes(std::uint32_t code) {
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    return bytes;
}

// A float as a number; one that JSON cannot hold (NaN, infinities) as null,
// with its bits beside it.
void PutFloat(json& object, const std::string& key, float value) {
    if (std::isfinite(value)) {
        object[key] = value;
        return;
    }
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    object[key] = nullptr;
    object[key + "_bits"] = bits;
}

json Audio(const InfoReport::AudioFacts& facts) {
    json audio;
    const std::string_view name = facts.FormatName();
    audio["format"] = name.empty() ? json(nullptr) : json(std::string(name));
    audio["format_tag"] = facts.formatTag;
    if (facts.subFormatTag != 0) audio["sub_format_tag"] = facts.subFormatTag;
    audio["channels"] = facts.channels;
    audio["rate"] = facts.rate;
    audio["bits"] = facts.bits;
    audio["block_align"] = facts.blockAlign;
    audio["bytes_per_second"] = facts.bytesPerSecond;
    audio["data_bytes"] = facts.hasData ? json(facts.dataBytes) : json(nullptr);
    const auto frames = facts.Frames();
    audio["frames"] = frames ? json(*frames) : json(nullptr);
    audio["duration"] = facts.hasData && facts.bytesPerSecond > 0
                            ? json(static_cast<double>(facts.dataBytes) / facts.bytesPerSecond)
                            : json(nullptr);
    return audio;
}

json ChunkHead(const RIFF_Chunk& chunk) {
    json object;
    PutText(object, "id", CodeBytes(chunk.ChunkID));
    object["size"] = chunk.ChunkSize;
    return object;
}

json Fmt(const fmt_Chunk& fmt) {
    json object = ChunkHead(fmt);
    object["format_tag"] = fmt.FormatTag;
    object["channels"] = fmt.Channels;
    object["samples_per_sec"] = fmt.SamplesPerSec;
    object["avg_bytes_per_sec"] = fmt.AvgBytesPerSec;
    object["block_align"] = fmt.BlockAlign;
    object["bits_per_sample"] = fmt.BitsPerSample;
    if (fmt.FormatTag != fmt_Chunk::kPCM) {
        object["extra_size"] = fmt.ExtraSize;
        json extra = json::array();
        for (const char byte : fmt.ExtraData) extra.push_back(static_cast<unsigned char>(byte));
        object["extra_data"] = std::move(extra);
    }
    return object;
}

json Cue(const cue_Chunk& cue) {
    json object = ChunkHead(cue);
    object["count"] = cue.CuePointCount;
    json points = json::array();
    for (const CuePoint& point : cue.CuePoints) {
        json p;
        p["id"] = point.CueID;
        p["position"] = point.Position;
        PutText(p, "chunk", CodeBytes(point.DataChunkID));
        p["chunk_start"] = point.ChunkStart;
        p["block_start"] = point.BlockStart;
        p["sample_offset"] = point.SampleOffset;
        points.push_back(std::move(p));
    }
    object["points"] = std::move(points);
    return object;
}

json SubChunk(const RIFF_Chunk& sub) {
    json object = ChunkHead(sub);
    if (const auto* label = dynamic_cast<const labl_Chunk*>(&sub)) {
        object["cue_id"] = label->CueID;
        PutText(object, "text", label->Text.c_str());
    } else if (const auto* text = dynamic_cast<const ltxt_Chunk*>(&sub)) {
        object["cue_id"] = text->CueID;
        object["sample_length"] = text->SampleLength;
        PutText(object, "purpose", CodeBytes(text->Purpose));
        object["country"] = text->Country;
        object["language"] = text->Language;
        object["dialect"] = text->Dialect;
        object["code_page"] = text->CodePage;
        PutText(object, "text", InfoReport::WithoutNul(text->Text));
    } else if (const auto note = InfoReport::NoteOf(sub)) {
        object["cue_id"] = note->cueID;
        PutText(object, "text", note->text);
    }
    return object;
}

json List(const LIST_Chunk& list) {
    json object = ChunkHead(list);
    PutText(object, "list_type", CodeBytes(list.ListType));
    const bool info = list.ListType == LittleEndian::FourCC("INFO");
    json subs = json::array();
    for (const RIFF_Chunk* sub = list.FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) {
        json entry = SubChunk(*sub);
        if (info) PutText(entry, "text", InfoReport::InfoText(*sub));
        subs.push_back(std::move(entry));
    }
    object["sub_chunks"] = std::move(subs);
    return object;
}

std::string WordText(const Word_Block& word) {
    const std::string_view stored(word.Word.data(), word.Word.size());
    return std::string(stored.substr(0, stored.find('\0')));
}

json Phonemes(const phnm_Chunk& phnm) {
    json object;
    PutText(object, "text", phnm.Text);
    json words = json::array();
    for (const Word_Block& word : phnm.Words) {
        json w;
        PutText(w, "word", WordText(word));
        w["int_a"] = word.IntA;
        w["int_b"] = word.IntB;
        PutFloat(w, "float_a", word.FloatA);
        PutFloat(w, "float_b", word.FloatB);
        json phonemes = json::array();
        for (const Phoneme_Block& phoneme : word.Phonemes) {
            json p;
            const std::string_view tag(phoneme.PhonemeTag.data(), phoneme.PhonemeTag.size());
            PutText(p, "tag", tag.substr(0, tag.find('\0')));
            p["code"] = phoneme.Code;
            const std::string symbol = InfoReport::PhonemeSymbol(phoneme.Code);
            p["symbol"] = symbol.empty() ? json(nullptr) : json(symbol);
            PutFloat(p, "float_a", phoneme.FloatA);
            PutFloat(p, "float_b", phoneme.FloatB);
            phonemes.push_back(std::move(p));
        }
        w["phonemes"] = std::move(phonemes);
        words.push_back(std::move(w));
    }
    object["words"] = std::move(words);
    return object;
}

json PhnmChunk(const phnm_Chunk& phnm) {
    json object = ChunkHead(phnm);
    object["word_count"] = phnm.WordCount;
    return object;
}

// The cue points with their time, labels, texts and notes.
json Cues(const WAVE_File& wave) {
    json cues = json::array();
    const auto texts = InfoReport::CueTexts(wave);
    const std::uint32_t rate = wave.FmtChunk.SamplesPerSec;
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        const auto* cue = dynamic_cast<const cue_Chunk*>(chunk);
        if (cue == nullptr) continue;
        for (const CuePoint& point : cue->CuePoints) {
            json c;
            c["id"] = point.CueID;
            c["sample_offset"] = point.SampleOffset;
            c["seconds"] = rate > 0 ? json(static_cast<double>(point.SampleOffset) / rate) : json(nullptr);
            c["position"] = point.Position;
            c["labels"] = json::array();
            c["texts"] = json::array();
            c["notes"] = json::array();
            const auto [first, last] = texts.equal_range(point.CueID);
            for (auto it = first; it != last; ++it) {
                const RIFF_Chunk& sub = *it->second;
                if (const auto* label = dynamic_cast<const labl_Chunk*>(&sub)) {
                    json l;
                    PutText(l, "text", label->Text.c_str());
                    c["labels"].push_back(std::move(l));
                } else if (const auto* text = dynamic_cast<const ltxt_Chunk*>(&sub)) {
                    json t;
                    PutText(t, "text", InfoReport::WithoutNul(text->Text));
                    t["sample_length"] = text->SampleLength;
                    t["seconds"] = rate > 0 ? json(static_cast<double>(text->SampleLength) / rate) : json(nullptr);
                    PutText(t, "purpose", CodeBytes(text->Purpose));
                    c["texts"].push_back(std::move(t));
                } else if (const auto note = InfoReport::NoteOf(sub)) {
                    json n;
                    PutText(n, "text", note->text);
                    c["notes"].push_back(std::move(n));
                }
            }
            cues.push_back(std::move(c));
        }
    }
    return cues;
}

// LIST INFO tags, code -> text; the first of a code that stands twice.
json Info(const WAVE_File& wave) {
    json info = json::object();
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        const auto* list = dynamic_cast<const LIST_Chunk*>(chunk);
        if (list == nullptr || list->ListType != LittleEndian::FourCC("INFO")) continue;
        for (const RIFF_Chunk* sub = list->FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) {
            bool replaced = false;
            const std::string code = ValidUtf8(CodeBytes(sub->ChunkID), replaced);
            if (info.contains(code)) continue;
            json text;
            PutText(text, "text", InfoReport::InfoText(*sub));
            info[code] = text["text"];
        }
    }
    return info;
}

}  // namespace

void PutText(json& object, const std::string& key, std::string_view bytes) {
    bool replaced = false;
    object[key] = ValidUtf8(bytes, replaced);
    if (!replaced) return;
    json values = json::array();
    for (const char byte : bytes) values.push_back(static_cast<unsigned char>(byte));
    object[key + "_bytes"] = std::move(values);
}

json Document(json files) {
    json document;
    document["schema"] = kSchema;
    document["program"] = "Snd_Info";
    document["version"] = SND_VERSION;
    document["files"] = std::move(files);
    return document;
}

std::string Dump(const json& document) {
    return document.dump(2, ' ', false, json::error_handler_t::replace) + '\n';
}

json Wave(WAVE_File& wave) {
    const std::uint64_t stored = wave.RiffSize;
    const std::uint64_t saved = InfoReport::UpdateSizes(wave);
    json object;
    object["riff_size"] = saved;
    object["riff_size_stored"] = stored;
    object["stored_bytes"] = std::uint64_t{8} + wave.ImageBytes;
    object["audio"] = Audio(InfoReport::FactsOf(wave, InfoReport::DataBytes(wave)));
    json chunks = json::array();
    chunks.push_back(Fmt(wave.FmtChunk));
    if (wave.FactChunk.ChunkSize != 0) {
        json fact = ChunkHead(wave.FactChunk);
        fact["sample_count"] = wave.FactChunk.SampleCount;
        chunks.push_back(std::move(fact));
    }
    chunks.push_back(ChunkHead(wave.DataChunk));
    json phonemes = nullptr;
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        if (const auto* cue = dynamic_cast<const cue_Chunk*>(chunk)) {
            chunks.push_back(Cue(*cue));
        } else if (const auto* list = dynamic_cast<const LIST_Chunk*>(chunk)) {
            chunks.push_back(List(*list));
        } else if (const auto* phnm = dynamic_cast<const phnm_Chunk*>(chunk)) {
            chunks.push_back(PhnmChunk(*phnm));
            if (phonemes.is_null()) phonemes = Phonemes(*phnm);
        } else {
            chunks.push_back(ChunkHead(*chunk));
        }
    }
    object["chunks"] = std::move(chunks);
    object["cues"] = Cues(wave);
    object["info"] = Info(wave);
    object["phonemes"] = std::move(phonemes);
    return object;
}

json ErrorFile(const std::string& path, const std::string& error) {
    json file;
    PutText(file, "path", path);
    file["type"] = "error";
    file["warnings"] = json::array();
    file["errors"] = json::array({error});
    return file;
}

json WaveFile(WAVE_File& wave, const std::string& path, json warnings) {
    json file;
    PutText(file, "path", path);
    file["type"] = "wave";
    json waveObject = Wave(wave);
    file["warnings"] = std::move(warnings);
    file["errors"] = json::array();
    file["wave"] = std::move(waveObject);
    return file;
}

namespace {

// A package's <file> object up to its "package" member.
json PackageHead(const KZ_Package& package, const std::string& path) {
    json file;
    PutText(file, "path", path);
    file["type"] = "package";
    file["warnings"] = json::array();
    file["errors"] = json::array();
    json header;
    header["tag"] = package.Tag;
    PutText(header, "tag_code", CodeBytes(package.Tag));
    header["version"] = package.Version;
    header["flags"] = package.PackageFlags;
    if (package.Version > KZ_Package::kLastLegacyVersion) {
        std::string guid;
        static constexpr char kDigits[] = "0123456789ABCDEF";
        for (const std::uint8_t byte : package.Guid) {
            guid += kDigits[byte >> 4];
            guid += kDigits[byte & 0xF];
        }
        header["guid"] = guid;
        header["generations"] = package.GenerationCount;
    } else {
        header["legacy"] = {{"count", package.LegacyCount}, {"offset", package.LegacyOffset}};
    }
    header["names"] = {{"count", package.NameCount}, {"offset", package.NameOffset}};
    header["imports"] = {{"count", package.ImportCount}, {"offset", package.ImportOffset}};
    header["exports"] = {{"count", package.ExportCount}, {"offset", package.ExportOffset}};
    file["package"] = std::move(header);
    return file;
}

json ExportObject(const KZ_Package& package, std::size_t index, const InfoReport::ExportFacts& facts) {
    const KZ_Export_Element& entry = package.Exports[index];
    json e;
    e["index"] = index;
    PutText(e, "name", entry.GetName());
    PutText(e, "class", entry.GetClassName());
    e["data_size"] = entry.DataSize;
    e["data_offset"] = entry.DataSize > 0 ? json(entry.DataOffset) : json(nullptr);
    e["sound"] = facts.wave;
    if (facts.wave) {
        json audio = facts.audio.hasFormat ? Audio(facts.audio) : json::object();
        audio["file_size"] = facts.fileSize;
        e["audio"] = std::move(audio);
    }
    return e;
}

struct Totals {
    std::uint64_t sounds = 0;
    std::uint64_t bytes = 0;
    double seconds = 0;

    void Add(const InfoReport::ExportFacts& facts) {
        if (!facts.wave) return;
        ++sounds;
        bytes += facts.fileSize;
        if (facts.audio.hasFormat && facts.audio.hasData && facts.audio.bytesPerSecond > 0) {
            seconds += static_cast<double>(facts.audio.dataBytes) / facts.audio.bytesPerSecond;
        }
    }
    json ToJson() const { return {{"sounds", sounds}, {"bytes", bytes}, {"duration", seconds}}; }
};

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
    json file = PackageHead(package, path);
    InfoReport::ExportReader reader(package);
    json exports = json::array();
    Totals totals;
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        const InfoReport::ExportFacts facts = reader.Read(package.Exports[i]);
        exports.push_back(ExportObject(package, i, facts));
        totals.Add(facts);
    }
    file["exports"] = std::move(exports);
    file["totals"] = totals.ToJson();
    return file;
}

DocumentWriter::DocumentWriter(std::ostream& out) : out_(out) {
    json head = Document(json::array());
    head.erase("files");
    const std::string text = Nested(head, 0);
    // All but the closing brace; the files follow.
    out_ << text.substr(0, text.size() - 2) << ",\n" << std::string(kIndent, ' ') << "\"files\": [";
}

void DocumentWriter::Next() {
    out_ << (files_++ == 0 ? "\n" : ",\n") << std::string(2 * kIndent, ' ');
}

void DocumentWriter::Add(const json& file) {
    Next();
    out_ << Nested(file, 2);
}

void DocumentWriter::AddPackage(KZ_Package& package, const std::string& path) {
    Next();
    const std::string head = Nested(PackageHead(package, path), 2);
    const std::string member(3 * kIndent, ' ');
    out_ << head.substr(0, head.size() - 2 - 2 * kIndent) << ",\n" << member << "\"exports\": [";
    InfoReport::ExportReader reader(package);
    Totals totals;
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        const InfoReport::ExportFacts facts = reader.Read(package.Exports[i]);
        out_ << (i == 0 ? "\n" : ",\n") << std::string(4 * kIndent, ' ') << Nested(ExportObject(package, i, facts), 4);
        totals.Add(facts);
    }
    if (!package.Exports.empty()) out_ << '\n' << member;
    out_ << "],\n" << member << "\"totals\": " << Nested(totals.ToJson(), 3) << '\n' << std::string(2 * kIndent, ' ') << '}';
}

void DocumentWriter::Finish() {
    if (files_ > 0) out_ << '\n' << std::string(kIndent, ' ');
    out_ << "]\n}\n";
}

json Sound(KZ_Package& package, std::size_t exportIndex, const std::string& path) {
    if (exportIndex >= package.Exports.size()) {
        return ErrorFile(path, "no export " + std::to_string(exportIndex) + " in package " + Shown(path));
    }
    const KZ_Export_Element& entry = package.Exports[exportIndex];
    const std::string name = entry.GetName();
    if (!InfoReport::HoldsWave(package, entry)) {
        package.GetPackageFile().close();
        json file = ErrorFile(path, Shown(name) + " in package " + Shown(path) + " is not a valid WAVE file");
        PutText(file, "sound", name);
        file["export"] = exportIndex;
        return file;
    }
    const std::unique_ptr<WAVE_File> wave = InfoInput::LoadSound(package, entry, InfoInput::Load::HeadersOnly);
    json file = WaveFile(*wave, path, Texts(InfoReport::SizeWarnings(*wave)));
    PutText(file, "sound", name);
    file["export"] = exportIndex;
    return file;
}

json File(const std::string& path) {
    InfoInput::Input input;
    if (!input.Open(path)) return ErrorFile(path, "cannot open " + Shown(path));
    switch (input.GetType()) {
        case InfoInput::Type::Wave: {
            WAVE_File wave;
            InfoInput::LoadWave(wave, input.Stream(), InfoInput::Load::HeadersOnly);
            return WaveFile(wave, path, Texts(InfoReport::SizeWarnings(wave)));
        }
        case InfoInput::Type::DamagedRiff: return ErrorFile(path, Shown(path) + " is not a valid WAVE file");
        case InfoInput::Type::Other: break;
    }
    if (!input.Reopenable()) {
        return ErrorFile(path, Shown(path) + " is not a WAVE file, and a package cannot be read from a pipe");
    }
    KZ_Package package(path.c_str());
    if (package.GetPackageFile().fail()) {
        return ErrorFile(path, Shown(path) + " is neither a WAVE file nor a readable sound package");
    }
    package.GetPackageFile().close();
    return Package(package, path);
}

}  // namespace InfoJson
