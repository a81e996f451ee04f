#include "facts/FactsJson.h"

#include <cmath>
#include <cstring>

#include "common/LittleEndian.h"
#include "facts/Overload.h"
#include "facts/Utf8.h"
#include "package/KZ_Package.h"

namespace FactsJson {

namespace {

using namespace Facts;
using Facts::Overload;

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

json SecondsOf(const std::optional<Duration>& time) { return time ? json(time->Seconds()) : json(nullptr); }

json Head(const ChunkHead& head) {
    json object;
    PutCode(object, "id", head.id);
    object["size"] = head.size;
    return object;
}

json SubChunkJson(const SubChunk& sub) {
    return std::visit(Overload{
                          [](const Label& label) {
                              json object = Head(label.head);
                              object["cue_id"] = label.cueID;
                              PutText(object, "text", label.text);
                              return object;
                          },
                          [](const LabelledText& text) {
                              json object = Head(text.head);
                              object["cue_id"] = text.cueID;
                              object["sample_length"] = text.sampleLength;
                              PutCode(object, "purpose", text.purpose);
                              object["country"] = text.country;
                              object["language"] = text.language;
                              object["dialect"] = text.dialect;
                              object["code_page"] = text.codePage;
                              PutText(object, "text", text.text);
                              return object;
                          },
                          [](const Note& note) {
                              json object = Head(note.head);
                              object["cue_id"] = note.cueID;
                              PutText(object, "text", note.text);
                              return object;
                          },
                          [](const RawSubChunk& raw) { return Head(raw.head); },
                      },
                      sub);
}

// An INFO tag's text: a raw sub-chunk's bytes; none for a typed one.
std::string_view TagText(const SubChunk& sub) {
    const auto* raw = std::get_if<RawSubChunk>(&sub);
    return raw ? std::string_view(raw->text) : std::string_view();
}

struct ChunkJson {
    json operator()(const Ds64Chunk& ds64) const {
        json object = Head(ds64.head);
        object["riff_size"] = ds64.riffSize;
        object["data_size"] = ds64.dataSize;
        object["sample_count"] = ds64.sampleCount;
        json table = json::array();
        for (const ChunkHead& entry : ds64.table) table.push_back(Head(entry));
        object["table"] = std::move(table);
        return object;
    }
    json operator()(const FormatChunk& fmt) const {
        json object = Head(fmt.head);
        object["format_tag"] = fmt.formatTag;
        object["channels"] = fmt.channels;
        object["samples_per_sec"] = fmt.samplesPerSec;
        object["avg_bytes_per_sec"] = fmt.avgBytesPerSec;
        object["block_align"] = fmt.blockAlign;
        object["bits_per_sample"] = fmt.bitsPerSample;
        if (fmt.extended) {
            object["extra_size"] = fmt.extraSize;
            object["extra_data"] = fmt.extra;
        }
        object["format"] = fmt.formatName.empty() ? json(nullptr) : json(std::string(fmt.formatName));
        if (fmt.extensible) {
            object["valid_bits"] = fmt.extensible->validBits;
            object["channel_mask"] = fmt.extensible->channelMask;
            object["sub_format_tag"] = fmt.extensible->subFormatTag;
            object["sub_format"] = fmt.extensible->subFormatName.empty() ? json(nullptr)
                                                                         : json(std::string(fmt.extensible->subFormatName));
        }
        return object;
    }
    json operator()(const FactChunk& fact) const {
        json object = Head(fact.head);
        object["sample_count"] = fact.sampleCount;
        return object;
    }
    json operator()(const DataChunk& data) const { return Head(data.head); }
    json operator()(const CueChunk& cue) const {
        json object = Head(cue.head);
        object["count"] = cue.count;
        json points = json::array();
        for (const CuePoint& point : cue.points) {
            json p;
            p["id"] = point.CueID;
            p["position"] = point.Position;
            PutCode(p, "chunk", point.DataChunkID);
            p["chunk_start"] = point.ChunkStart;
            p["block_start"] = point.BlockStart;
            p["sample_offset"] = point.SampleOffset;
            points.push_back(std::move(p));
        }
        object["points"] = std::move(points);
        return object;
    }
    json operator()(const ListChunk& list) const {
        json object = Head(list.head);
        PutCode(object, "list_type", list.listType);
        json subs = json::array();
        for (const SubChunk& sub : list.subs) {
            json entry = SubChunkJson(sub);
            if (list.info) PutText(entry, "text", TagText(sub));
            subs.push_back(std::move(entry));
        }
        object["sub_chunks"] = std::move(subs);
        return object;
    }
    json operator()(const PhonemeChunk& phnm) const {
        json object = Head(phnm.head);
        object["word_count"] = phnm.wordCount;
        return object;
    }
    json operator()(const SamplerChunk& smpl) const {
        json object = Head(smpl.head);
        object["manufacturer"] = smpl.manufacturer;
        object["product"] = smpl.product;
        object["sample_period"] = smpl.samplePeriod;
        object["unity_note"] = smpl.unityNote;
        object["pitch_fraction"] = smpl.pitchFraction;
        object["smpte_format"] = smpl.smpteFormat;
        object["smpte_offset"] = smpl.smpteOffset;
        object["loop_count"] = smpl.loopCount;
        object["sampler_data_size"] = smpl.samplerDataSize;
        json loops = json::array();
        for (const SamplerLoop& loop : smpl.loops) {
            loops.push_back({{"cue_id", loop.cueID}, {"type", loop.type}, {"start", loop.start}, {"end", loop.end},
                             {"fraction", loop.fraction}, {"play_count", loop.playCount}});
        }
        object["loops"] = std::move(loops);
        return object;
    }
    json operator()(const InstrumentChunk& inst) const {
        json object = Head(inst.head);
        object["unshifted_note"] = inst.unshiftedNote;
        object["fine_tune"] = inst.fineTune;
        object["gain"] = inst.gain;
        object["low_note"] = inst.lowNote;
        object["high_note"] = inst.highNote;
        object["low_velocity"] = inst.lowVelocity;
        object["high_velocity"] = inst.highVelocity;
        return object;
    }
    json operator()(const RawChunk& raw) const { return Head(raw.head); }
};

// The sampler loops of the first "smpl" chunk, with their times.
json Loops(const Facts::Wave& wave) {
    json loops = json::array();
    for (const Chunk& chunk : wave.chunks) {
        const auto* smpl = std::get_if<SamplerChunk>(&chunk);
        if (smpl == nullptr) continue;
        for (const SamplerLoop& loop : smpl->loops) {
            loops.push_back({{"cue_id", loop.cueID},
                             {"type", LoopTypeName(loop.type)},
                             {"start", loop.start},
                             {"end", loop.end},
                             {"start_seconds", SecondsOf(TimeOf(loop.start, wave.audio.rate))},
                             {"end_seconds", SecondsOf(TimeOf(loop.end, wave.audio.rate))},
                             {"play_count", loop.playCount}});
        }
        break;
    }
    return loops;
}

json Phonemes(const PhonemeChunk& phnm) {
    json object;
    PutText(object, "text", phnm.text);
    json words = json::array();
    for (const WordFacts& word : phnm.words) {
        json w;
        PutText(w, "word", word.word);
        w["int_a"] = word.intA;
        w["int_b"] = word.intB;
        PutFloat(w, "float_a", word.floatA);
        PutFloat(w, "float_b", word.floatB);
        json phonemes = json::array();
        for (const PhonemeFacts& phoneme : word.phonemes) {
            json p;
            PutText(p, "tag", phoneme.tag);
            p["code"] = phoneme.code;
            p["symbol"] = phoneme.symbol.empty() ? json(nullptr) : json(phoneme.symbol);
            PutFloat(p, "float_a", phoneme.floatA);
            PutFloat(p, "float_b", phoneme.floatB);
            phonemes.push_back(std::move(p));
        }
        w["phonemes"] = std::move(phonemes);
        words.push_back(std::move(w));
    }
    object["words"] = std::move(words);
    return object;
}

// The cue points with their time, labels, texts and notes.
json Cues(const Facts::Wave& wave) {
    json cues = json::array();
    for (const Chunk& chunk : wave.chunks) {
        const auto* cue = std::get_if<CueChunk>(&chunk);
        if (cue == nullptr) continue;
        for (const CuePoint& point : cue->points) {
            json c;
            c["id"] = point.CueID;
            c["sample_offset"] = point.SampleOffset;
            c["seconds"] = SecondsOf(TimeOf(point.SampleOffset, wave.audio.rate));
            c["position"] = point.Position;
            json labels = json::array(), texts = json::array(), notes = json::array();
            if (const auto found = wave.cueTexts.find(point.CueID); found != wave.cueTexts.end()) {
                for (const TextRef& ref : found->second) {
                    std::visit(Overload{
                                   [&](const Label& label) {
                                       json l;
                                       PutText(l, "text", label.text);
                                       labels.push_back(std::move(l));
                                   },
                                   [&](const LabelledText& text) {
                                       json t;
                                       PutText(t, "text", text.text);
                                       t["sample_length"] = text.sampleLength;
                                       t["seconds"] = SecondsOf(TimeOf(text.sampleLength, wave.audio.rate));
                                       PutCode(t, "purpose", text.purpose);
                                       texts.push_back(std::move(t));
                                   },
                                   [&](const Note& note) {
                                       json n;
                                       PutText(n, "text", note.text);
                                       notes.push_back(std::move(n));
                                   },
                                   [](const RawSubChunk&) {},
                               },
                               wave.Text(ref));
                }
            }
            c["labels"] = std::move(labels);
            c["texts"] = std::move(texts);
            c["notes"] = std::move(notes);
            cues.push_back(std::move(c));
        }
    }
    return cues;
}

// LIST INFO tags, code -> text; the first of a code that stands twice.
json Info(const Facts::Wave& wave) {
    json info = json::object();
    for (const Chunk& chunk : wave.chunks) {
        const auto* list = std::get_if<ListChunk>(&chunk);
        if (list == nullptr || !list->info) continue;
        for (const SubChunk& sub : list->subs) {
            const ChunkHead& head = std::visit([](const auto& s) -> const ChunkHead& { return s.head; }, sub);
            bool replaced = false;
            const std::string code = ValidUtf8(CodeBytes(head.id), replaced);
            if (info.contains(code)) continue;
            info[code] = ValidUtf8(TagText(sub), replaced);
        }
    }
    return info;
}

}  // namespace

std::string CodeBytes(std::uint32_t code) {
    std::string bytes(4, '\0');
    for (std::size_t i = 0; i < 4; ++i) bytes[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    return bytes;
}

void PutCode(json& object, const std::string& key, std::uint32_t code) { PutText(object, key, CodeBytes(code)); }

void PutText(json& object, const std::string& key, std::string_view bytes) {
    bool replaced = false;
    object[key] = ValidUtf8(bytes, replaced);
    if (!replaced) return;
    json values = json::array();
    for (const char byte : bytes) values.push_back(static_cast<unsigned char>(byte));
    object[key + "_bytes"] = std::move(values);
}

json Texts(const std::vector<Finding>& findings, Severity severity) {
    json array = json::array();
    for (const Finding& finding : findings) {
        if (finding.severity == severity) array.push_back(finding.text);
    }
    return array;
}

json Document(json files) {
    json document;
    document["schema"] = kSchema;
    document["program"] = "Snd_Info";
    document["version"] = SND_VERSION;
    document["files"] = std::move(files);
    return document;
}

std::string Dump(const json& document) { return document.dump(2, ' ', false, json::error_handler_t::replace) + '\n'; }

json Audio(const Facts::Audio& audio) {
    json object;
    object["format"] = audio.formatName.empty() ? json(nullptr) : json(std::string(audio.formatName));
    object["format_tag"] = audio.formatTag;
    if (audio.subFormatTag != 0) object["sub_format_tag"] = audio.subFormatTag;
    object["channels"] = audio.channels;
    object["rate"] = audio.rate;
    object["bits"] = audio.bits;
    object["block_align"] = audio.blockAlign;
    object["bytes_per_second"] = audio.bytesPerSecond;
    object["data_bytes"] = audio.hasData ? json(audio.dataBytes) : json(nullptr);
    object["frames"] = audio.frames ? json(*audio.frames) : json(nullptr);
    if (audio.blocks) object["blocks"] = *audio.blocks;
    object["duration"] = SecondsOf(audio.duration);
    return object;
}

json Wave(const Facts::Wave& wave) {
    json object;
    object["riff_size"] = wave.riffSize;
    object["riff_size_stored"] = wave.riffSizeStored;
    object["stored_bytes"] = wave.storedBytes;
    object["audio"] = Audio(wave.audio);
    json chunks = json::array();
    json phonemes = nullptr;
    for (const Chunk& chunk : wave.chunks) {
        chunks.push_back(std::visit(ChunkJson{}, chunk));
        const auto* phnm = std::get_if<PhonemeChunk>(&chunk);
        if (phnm != nullptr && phonemes.is_null()) phonemes = Phonemes(*phnm);
    }
    object["chunks"] = std::move(chunks);
    object["cues"] = Cues(wave);
    object["info"] = Info(wave);
    object["phonemes"] = std::move(phonemes);
    object["loops"] = Loops(wave);
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

json WaveFile(const Facts::Wave& wave, const std::string& path) {
    json file;
    PutText(file, "path", path);
    file["type"] = "wave";
    file["warnings"] = Texts(wave.findings, Severity::Warning);
    file["errors"] = Texts(wave.findings, Severity::Error);
    file["wave"] = Wave(wave);
    return file;
}

}  // namespace FactsJson
