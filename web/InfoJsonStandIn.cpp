#include "web/InfoJsonStandIn.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string_view>

#include "common/LittleEndian.h"
#include "common/Platform.h"
#include "info/InfoReport.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"
#include "wave/ChunkIO.h"

namespace InfoJsonStandIn {

namespace {

using nlohmann::json;

std::string Shown(const std::string& text) { return '\'' + InfoReport::Printable(text) + '\''; }

// Four stored bytes as text, up to the first NUL.
std::string CodeText(std::uint32_t code) {
    std::string text;
    for (int i = 0; i < 4; ++i) {
        const char c = static_cast<char>((code >> (8 * i)) & 0xFF);
        if (c == '\0') break;
        text += c;
    }
    return text;
}

std::string UpToNul(std::string_view text) { return std::string(text.substr(0, std::min(text.find('\0'), text.size()))); }

const char* FormatName(std::uint16_t tag) {
    switch (tag) {
        case 0x0001: return "PCM";
        case 0x0002: return "ADPCM";
        case 0x0003: return "IEEE float";
        case 0x0006: return "A-law";
        case 0x0007: return "mu-law";
        case 0xFFFE: return "extensible";
        default: return "unknown";
    }
}

struct Format {
    std::uint16_t tag = 0, channels = 0, blockAlign = 0, bits = 0;
    std::uint32_t rate = 0, byteRate = 0;
};

json Audio(const Format& format, std::uint64_t dataBytes, std::uint64_t fileSize) {
    const std::uint64_t frames = format.blockAlign > 0 ? dataBytes / format.blockAlign : 0;
    return {{"format", FormatName(format.tag)},
            {"format_tag", format.tag},
            {"channels", format.channels},
            {"rate", format.rate},
            {"bits", format.bits},
            {"block_align", format.blockAlign},
            {"frames", frames},
            {"duration", format.rate > 0 ? static_cast<double>(frames) / format.rate : 0.0},
            {"file_size", fileSize}};
}

// Bytes the stream holds from `position` on.
std::uint64_t BytesFrom(std::istream& in, std::uint64_t position) {
    in.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    return end > 0 && static_cast<std::uint64_t>(end) > position ? static_cast<std::uint64_t>(end) - position : 0;
}

// The audio facts of a packaged sound from its chunk headers alone, read in
// stored order up to "data": "fmt " is read, other bodies are stepped over
// (within the stream's buffer, as a seek would throw the buffer away).
// `fileSize` is the package's length. Null when the export holds no RIFF
// WAVE image.
json SoundAudio(KZ_Package& package, const KZ_Export_Element& entry, std::uint64_t fileSize) {
    if (entry.DataSize <= 0 || entry.DataOffset < 0) return nullptr;
    const KZ_Sound sound = LoadSound(package, entry);
    if (!sound.HeaderComplete || sound.WaveSize < 12) return nullptr;
    // LoadSound leaves the stream where the WAVE bytes begin.
    std::istream& in = package.GetPackageFile();
    const std::uint64_t held = std::min<std::uint64_t>(static_cast<std::uint64_t>(sound.WaveSize),
                                                       fileSize > sound.WaveOffset ? fileSize - sound.WaveOffset : 0);
    std::uint32_t id = 0, riffSize = 0, form = 0;
    if (!LittleEndian::Read(in, id) || !LittleEndian::Read(in, riffSize) || !LittleEndian::Read(in, form) ||
        id != kRiffID || form != kWaveID) {
        return nullptr;
    }
    const std::uint64_t end = std::min<std::uint64_t>(held, std::uint64_t{8} + riffSize);
    Format format;
    std::uint64_t dataBytes = 0;
    bool haveFormat = false;
    for (std::uint64_t at = 12; at + 8 <= end;) {
        std::uint32_t size = 0;
        if (!LittleEndian::Read(in, id) || !LittleEndian::Read(in, size)) break;
        const std::uint64_t body = std::min<std::uint64_t>(size, end - at - 8);
        std::uint64_t read = 0;
        if (id == kFmtID && body >= 16) {
            LittleEndian::Read(in, format.tag);
            LittleEndian::Read(in, format.channels);
            LittleEndian::Read(in, format.rate);
            LittleEndian::Read(in, format.byteRate);
            LittleEndian::Read(in, format.blockAlign);
            LittleEndian::Read(in, format.bits);
            haveFormat = true;
            read = 16;
        } else if (id == kDataID) {
            dataBytes = body;
            if (haveFormat) break;
        }
        const std::uint64_t next = std::uint64_t{size} + ChunkIO::PadLength(size);
        if (next - read <= 4096) {
            in.ignore(static_cast<std::streamsize>(next - read));
        } else {
            in.seekg(static_cast<std::streamoff>(sound.WaveOffset + at + 8 + next));
        }
        at += 8 + next;
    }
    return Audio(format, dataBytes, held);
}

json Package(const std::string& path) {
    KZ_Package package(path.c_str());
    if (package.GetPackageFile().fail()) {
        return {{"path", path},
                {"type", "error"},
                {"warnings", json::array()},
                {"errors", {Shown(path) + " is neither a WAVE file nor a readable sound package"}}};
    }
    json header = {{"tag", CodeText(package.Tag)},
                   {"version", package.Version},
                   {"flags", package.PackageFlags},
                   {"names", {{"count", package.NameCount}, {"offset", package.NameOffset}}},
                   {"imports", {{"count", package.ImportCount}, {"offset", package.ImportOffset}}},
                   {"exports", {{"count", package.ExportCount}, {"offset", package.ExportOffset}}}};
    if (package.Version > KZ_Package::kLastLegacyVersion) {
        header["generations"] = package.GenerationCount;
    } else {
        header["legacy"] = {{"count", package.LegacyCount}, {"offset", package.LegacyOffset}};
    }
    const std::uint64_t fileSize = BytesFrom(package.GetPackageFile(), 0);
    json exports = json::array();
    std::uint64_t sounds = 0, bytes = 0;
    double duration = 0;
    for (std::size_t i = 0; i < package.Exports.size(); ++i) {
        const KZ_Export_Element& entry = package.Exports[i];
        json audio = SoundAudio(package, entry, fileSize);
        json row = {{"index", i},
                    {"name", entry.GetName()},
                    {"class", entry.GetClassName()},
                    {"data_size", entry.DataSize},
                    {"data_offset", entry.DataSize > 0 ? json(entry.DataOffset) : json(nullptr)},
                    {"sound", !audio.is_null()}};
        if (!audio.is_null()) {
            ++sounds;
            bytes += audio["file_size"].get<std::uint64_t>();
            duration += audio["duration"].get<double>();
            row["audio"] = std::move(audio);
        }
        exports.push_back(std::move(row));
    }
    package.GetPackageFile().close();
    return {{"path", path},
            {"type", "package"},
            {"warnings", json::array()},
            {"errors", json::array()},
            {"package", std::move(header)},
            {"exports", std::move(exports)},
            {"totals", {{"sounds", sounds}, {"bytes", bytes}, {"duration", duration}}}};
}

json CuesOf(WAVE_File& wave) {
    json cues = json::array();
    for (RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk; chunk = chunk->GetNextChunk()) {
        const auto* cue = dynamic_cast<const cue_Chunk*>(chunk);
        if (!cue) continue;
        for (const CuePoint& point : cue->CuePoints) {
            const double rate = wave.FmtChunk.SamplesPerSec;
            cues.push_back({{"id", point.CueID},
                            {"position", point.Position},
                            {"seconds", rate > 0 ? point.SampleOffset / rate : 0.0},
                            {"chunk", CodeText(point.DataChunkID)},
                            {"chunk_start", point.ChunkStart},
                            {"block_start", point.BlockStart},
                            {"sample_offset", point.SampleOffset},
                            {"labels", json::array()},
                            {"texts", json::array()},
                            {"notes", json::array()}});
        }
    }
    // Labels, notes and labelled texts name their cue point by id.
    for (RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk; chunk = chunk->GetNextChunk()) {
        const auto* list = dynamic_cast<const LIST_Chunk*>(chunk);
        if (!list || list->ListType != kAdtlID) continue;
        for (RIFF_Chunk* sub = list->FirstSubChunk.get(); sub; sub = sub->GetNextChunk()) {
            for (json& cue : cues) {
                const auto id = cue["id"].get<std::uint32_t>();
                if (const auto* label = dynamic_cast<const labl_Chunk*>(sub); label && label->CueID == id) {
                    cue["labels"].push_back({{"text", UpToNul(label->Text)}});
                } else if (const auto* text = dynamic_cast<const ltxt_Chunk*>(sub); text && text->CueID == id) {
                    cue["texts"].push_back({{"text", UpToNul(text->Text)},
                                            {"sample_length", text->SampleLength},
                                            {"purpose", CodeText(text->Purpose)}});
                }
            }
        }
    }
    return cues;
}

json InfoOf(WAVE_File& wave) {
    json info = json::object();
    for (RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk; chunk = chunk->GetNextChunk()) {
        const auto* list = dynamic_cast<const LIST_Chunk*>(chunk);
        if (!list || list->ListType != LittleEndian::FourCC("INFO")) continue;
        for (RIFF_Chunk* sub = list->FirstSubChunk.get(); sub; sub = sub->GetNextChunk()) {
            if (const auto* raw = dynamic_cast<const unknown_Chunk*>(sub)) {
                info[CodeText(raw->ChunkID)] = UpToNul(std::string_view(raw->ChunkData.data(), raw->ChunkData.size()));
            }
        }
    }
    return info;
}

json PhonemesOf(const phnm_Chunk& phnm) {
    json words = json::array();
    for (const Word_Block& word : phnm.Words) {
        json phonemes = json::array();
        for (const Phoneme_Block& phoneme : word.Phonemes) {
            phonemes.push_back({{"tag", UpToNul(std::string_view(phoneme.PhonemeTag.data(), 4))},
                                {"code", phoneme.Code},
                                {"float_a", phoneme.FloatA},
                                {"float_b", phoneme.FloatB}});
        }
        words.push_back({{"word", UpToNul(std::string_view(word.Word.data(), word.Word.size()))},
                         {"int_a", word.IntA},
                         {"int_b", word.IntB},
                         {"float_a", word.FloatA},
                         {"float_b", word.FloatB},
                         {"phonemes", std::move(phonemes)}});
    }
    return {{"text", phnm.Text}, {"words", std::move(words)}};
}

json ChunkFacts(RIFF_Chunk& chunk, const WAVE_File& wave) {
    json facts = {{"id", CodeText(chunk.ChunkID)}, {"size", chunk.ChunkSize}};
    if (const auto* fmt = dynamic_cast<const fmt_Chunk*>(&chunk)) {
        facts["format_tag"] = fmt->FormatTag;
        facts["format"] = FormatName(fmt->FormatTag);
        facts["channels"] = fmt->Channels;
        facts["samples_per_sec"] = fmt->SamplesPerSec;
        facts["avg_bytes_per_sec"] = fmt->AvgBytesPerSec;
        facts["block_align"] = fmt->BlockAlign;
        facts["bits_per_sample"] = fmt->BitsPerSample;
        if (fmt->FormatTag != fmt_Chunk::kPCM) facts["extra_size"] = fmt->ExtraSize;
    } else if (const auto* fact = dynamic_cast<const fact_Chunk*>(&chunk)) {
        facts["sample_count"] = fact->SampleCount;
    } else if (dynamic_cast<const data_Chunk*>(&chunk)) {
        const auto& fmt = wave.FmtChunk;
        if (fmt.BlockAlign > 0) facts["blocks"] = chunk.ChunkSize / fmt.BlockAlign;
        if (fmt.AvgBytesPerSec > 0) facts["duration"] = static_cast<double>(chunk.ChunkSize) / fmt.AvgBytesPerSec;
    } else if (const auto* cue = dynamic_cast<const cue_Chunk*>(&chunk)) {
        facts["cue_points"] = cue->CuePointCount;
    } else if (const auto* list = dynamic_cast<const LIST_Chunk*>(&chunk)) {
        facts["list_type"] = CodeText(list->ListType);
        json subs = json::array();
        for (RIFF_Chunk* sub = list->FirstSubChunk.get(); sub; sub = sub->GetNextChunk()) {
            json one = {{"id", CodeText(sub->ChunkID)}, {"size", sub->ChunkSize}};
            if (const auto* label = dynamic_cast<const labl_Chunk*>(sub)) {
                one["cue_id"] = label->CueID;
                one["text"] = UpToNul(label->Text);
            } else if (const auto* text = dynamic_cast<const ltxt_Chunk*>(sub)) {
                one["cue_id"] = text->CueID;
                one["sample_length"] = text->SampleLength;
                one["purpose"] = CodeText(text->Purpose);
                one["text"] = UpToNul(text->Text);
            }
            subs.push_back(std::move(one));
        }
        facts["sub_chunks"] = std::move(subs);
    } else if (const auto* phnm = dynamic_cast<const phnm_Chunk*>(&chunk)) {
        facts["text"] = phnm->Text;
        facts["words"] = phnm->WordCount;
    } else {
        facts["interpreted"] = false;
    }
    return facts;
}

json WaveObject(WAVE_File& wave, std::uint64_t fileSize) {
    const std::uint32_t stored = wave.RiffSize;
    wave.CalcSize();
    json chunks = json::array();
    std::uint64_t offset = 12;
    auto add = [&](RIFF_Chunk& chunk) {
        json facts = ChunkFacts(chunk, wave);
        facts["offset"] = offset;
        offset += chunk.CalcSize();
        chunks.push_back(std::move(facts));
    };
    add(wave.FmtChunk);
    if (wave.FactChunk.ChunkSize != 0) add(wave.FactChunk);
    add(wave.DataChunk);
    json phonemes = nullptr;
    for (RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk; chunk = chunk->GetNextChunk()) {
        add(*chunk);
        if (const auto* phnm = dynamic_cast<const phnm_Chunk*>(chunk)) phonemes = PhonemesOf(*phnm);
    }
    const fmt_Chunk& fmt = wave.FmtChunk;
    const Format format{fmt.FormatTag, fmt.Channels, fmt.BlockAlign, fmt.BitsPerSample, fmt.SamplesPerSec,
                        fmt.AvgBytesPerSec};
    return {{"riff_size", wave.RiffSize},
            {"riff_size_stored", stored},
            {"file_size", fileSize},
            {"audio", Audio(format, wave.DataChunk.ChunkData.size(), fileSize)},
            {"chunks", std::move(chunks)},
            {"cues", CuesOf(wave)},
            {"info", InfoOf(wave)},
            {"phonemes", std::move(phonemes)}};
}

json NotWave(const std::string& path, const std::string& what) {
    return {{"path", path},
            {"type", "error"},
            {"warnings", json::array()},
            {"errors", {what + " is not a valid WAVE file"}}};
}

}  // namespace

json File(const std::string& path) {
    std::ifstream in;
    Platform::OpenInput(in, path);
    if (!in.is_open() || in.fail()) {
        return {{"path", path}, {"type", "error"}, {"warnings", json::array()}, {"errors", {"cannot open " + Shown(path)}}};
    }
    std::uint32_t id = 0;
    if (!LittleEndian::Read(in, id) || id != kRiffID) {
        in.close();
        return Package(path);
    }
    in.clear();
    const std::uint64_t fileSize = BytesFrom(in, 0);
    in.clear();
    in.seekg(0);
    WAVE_File wave;
    wave.LoadData(in);
    if (wave.RiffID != kRiffID || wave.FormType != kWaveID) return NotWave(path, Shown(path));
    return {{"path", path},
            {"type", "wave"},
            {"warnings", json::array()},
            {"errors", json::array()},
            {"wave", WaveObject(wave, fileSize)}};
}

json Sound(const std::string& path, int index) {
    KZ_Package package(path.c_str());
    if (package.GetPackageFile().fail() || index < 0 || static_cast<std::size_t>(index) >= package.Exports.size()) {
        return {{"path", path},
                {"type", "error"},
                {"warnings", json::array()},
                {"errors", {Shown(path) + " holds no export " + std::to_string(index)}}};
    }
    const KZ_Export_Element& entry = package.Exports[static_cast<std::size_t>(index)];
    const std::string what = Shown(entry.GetName()) + " in package " + Shown(path);
    if (entry.DataSize <= 0 || entry.DataOffset < 0) return NotWave(path, what);
    KZ_Sound sound = LoadSound(package, entry);
    const std::uint64_t fileSize =
        sound.HeaderComplete && sound.WaveSize > 0
            ? std::min<std::uint64_t>(static_cast<std::uint64_t>(sound.WaveSize),
                                      BytesFrom(package.GetPackageFile(), sound.WaveOffset))
            : 0;
    const std::unique_ptr<WAVE_File> wave = sound.GetWAVE();
    if (wave->RiffID != kRiffID || wave->FormType != kWaveID) return NotWave(path, what);
    return {{"path", path},
            {"type", "wave"},
            {"sound", entry.GetName()},
            {"export", index},
            {"warnings", json::array()},
            {"errors", json::array()},
            {"wave", WaveObject(*wave, fileSize)}};
}

}  // namespace InfoJsonStandIn
