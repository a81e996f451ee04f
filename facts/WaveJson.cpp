// A WAVE file's facts as JSON, written chunk by chunk: every array whose
// length the file decides (chunks, cue points, sub-chunks, words, phonemes,
// loops, the bytes of a text) is written element by element, so memory stays
// that of the facts themselves and the output grows linearly with the file.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "facts/FactsJson.h"
#include "facts/JsonStream.h"
#include "facts/Overload.h"

namespace FactsJson {

namespace {

using namespace Facts;
using Facts::Overload;

json SecondsOf(const std::optional<Duration>& time) { return time ? json(time->Seconds()) : json(nullptr); }

class WaveWriter {
public:
    WaveWriter(JsonStream& out, const Facts::Wave& wave) : out_(out), wave_(wave) {}

    void Write() {
        out_.BeginObject();
        out_.Key("container").Value(wave_.storedAsRf64 ? "RF64" : "RIFF");
        out_.Key("riff_size").Unsigned(wave_.riffSize);
        out_.Key("riff_size_stored").Unsigned(wave_.riffSizeStored);
        out_.Key("stored_bytes").Unsigned(wave_.storedBytes);
        out_.Key("audio").Value(Audio(wave_.audio));
        out_.Key("chunks").BeginArray();
        const PhonemeChunk* phonemes = nullptr;
        for (const Chunk& chunk : wave_.chunks) {
            std::visit(*this, chunk);
            if (phonemes == nullptr) phonemes = std::get_if<PhonemeChunk>(&chunk);
        }
        out_.End();
        Cues();
        CueTexts();
        Info();
        out_.Key("phonemes");
        if (phonemes != nullptr) {
            Phonemes(*phonemes);
        } else {
            out_.Value(nullptr);
        }
        Loops();
        out_.End();
    }

    // ---- the chunks, each an object: "id", "size", then its fields ----------

    void operator()(const Ds64Chunk& ds64) const {
        Head(ds64.head);
        out_.Key("riff_size").Unsigned(ds64.riffSize);
        out_.Key("data_size").Unsigned(ds64.dataSize);
        out_.Key("sample_count").Unsigned(ds64.sampleCount);
        out_.Key("table").BeginArray();
        for (const ChunkHead& entry : ds64.table) {
            Head(entry);
            out_.End();
        }
        out_.End();
        out_.End();
    }

    void operator()(const FormatChunk& fmt) const {
        Head(fmt.head);
        out_.Key("format_tag").Unsigned(fmt.formatTag);
        out_.Key("channels").Unsigned(fmt.channels);
        out_.Key("samples_per_sec").Unsigned(fmt.samplesPerSec);
        out_.Key("avg_bytes_per_sec").Unsigned(fmt.avgBytesPerSec);
        out_.Key("block_align").Unsigned(fmt.blockAlign);
        out_.Key("bits_per_sample").Unsigned(fmt.bitsPerSample);
        if (fmt.extended) {
            out_.Key("extra_size").Unsigned(fmt.extraSize);
            out_.Key("extra_data").BeginArray();
            for (const std::uint8_t byte : fmt.extra) out_.Unsigned(byte);
            out_.End();
        }
        out_.Key("format").Value(Name(fmt.formatName));
        if (fmt.extensible) {
            out_.Key("valid_bits").Unsigned(fmt.extensible->validBits);
            out_.Key("channel_mask").Unsigned(fmt.extensible->channelMask);
            out_.Key("sub_format_tag").Unsigned(fmt.extensible->subFormatTag);
            out_.Key("sub_format").Value(Name(fmt.extensible->subFormatName));
        }
        out_.End();
    }

    void operator()(const FactChunk& fact) const {
        Head(fact.head);
        out_.Key("sample_count").Unsigned(fact.sampleCount);
        out_.End();
    }

    void operator()(const DataChunk& data) const {
        Head(data.head);
        out_.End();
    }

    void operator()(const CueChunk& cue) const {
        Head(cue.head);
        out_.Key("count").Unsigned(cue.count);
        out_.Key("points").BeginArray();
        for (const CuePoint& point : cue.points) {
            out_.BeginObject();
            out_.Key("id").Unsigned(point.CueID);
            out_.Key("position").Unsigned(point.Position);
            out_.Code("chunk", point.DataChunkID);
            out_.Key("chunk_start").Unsigned(point.ChunkStart);
            out_.Key("block_start").Unsigned(point.BlockStart);
            out_.Key("sample_offset").Unsigned(point.SampleOffset);
            out_.End();
        }
        out_.End();
        out_.End();
    }

    void operator()(const ListChunk& list) const {
        Head(list.head);
        out_.Code("list_type", list.listType);
        out_.Key("sub_chunks").BeginArray();
        for (const SubChunk& sub : list.subs) SubChunkFields(sub, list.info);
        out_.End();
        out_.End();
    }

    void operator()(const PhonemeChunk& phnm) const {
        Head(phnm.head);
        out_.Key("word_count").Value(phnm.wordCount);
        out_.End();
    }

    void operator()(const SamplerChunk& smpl) const {
        Head(smpl.head);
        out_.Key("manufacturer").Unsigned(smpl.manufacturer);
        out_.Key("product").Unsigned(smpl.product);
        out_.Key("sample_period").Unsigned(smpl.samplePeriod);
        out_.Key("unity_note").Unsigned(smpl.unityNote);
        out_.Key("pitch_fraction").Unsigned(smpl.pitchFraction);
        out_.Key("smpte_format").Unsigned(smpl.smpteFormat);
        out_.Key("smpte_offset").Unsigned(smpl.smpteOffset);
        out_.Key("loop_count").Unsigned(smpl.loopCount);
        out_.Key("sampler_data_size").Unsigned(smpl.samplerDataSize);
        out_.Key("loops").BeginArray();
        for (const SamplerLoop& loop : smpl.loops) {
            out_.Value({{"cue_id", loop.cueID}, {"type", loop.type}, {"start", loop.start}, {"end", loop.end},
                        {"fraction", loop.fraction}, {"play_count", loop.playCount}});
        }
        out_.End();
        out_.End();
    }

    void operator()(const InstrumentChunk& inst) const {
        Head(inst.head);
        out_.Key("unshifted_note").Unsigned(inst.unshiftedNote);
        out_.Key("fine_tune").Value(inst.fineTune);
        out_.Key("gain").Value(inst.gain);
        out_.Key("low_note").Unsigned(inst.lowNote);
        out_.Key("high_note").Unsigned(inst.highNote);
        out_.Key("low_velocity").Unsigned(inst.lowVelocity);
        out_.Key("high_velocity").Unsigned(inst.highVelocity);
        out_.End();
    }

    // Each field a member of the chunk's object, after its id and size.
    void operator()(const DescribedChunk& described) const {
        Head(described.head);
        for (const ChunkField& field : described.fields) {
            std::visit(Overload{
                           [&](std::uint64_t number) { out_.Key(field.name).Unsigned(number); },
                           [&](const std::string& text) { out_.Text(field.name, text); },
                       },
                       field.value);
        }
        out_.End();
    }

    void operator()(const RawChunk& raw) const {
        Head(raw.head);
        out_.End();
    }

private:
    static json Name(std::string_view name) { return name.empty() ? json(nullptr) : json(std::string(name)); }

    // Opens the chunk's object with its id and size.
    void Head(const ChunkHead& head) const {
        out_.BeginObject();
        out_.Code("id", head.id);
        out_.Key("size").Unsigned(head.size);
    }

    // A float as a number; one that JSON cannot hold (NaN, infinities) as
    // null, with its bits beside it.
    void Float(std::string_view key, float value) const {
        if (std::isfinite(value)) {
            out_.Key(key).Value(value);
            return;
        }
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        out_.Key(key).Value(nullptr);
        out_.Key(std::string(key) + "_bits").Unsigned(bits);
    }

    // A sub-chunk of a list: in an INFO list a raw one is a tag with its text.
    void SubChunkFields(const SubChunk& sub, bool info) const {
        std::visit(Overload{
                       [&](const Label& label) {
                           Head(label.head);
                           out_.Key("cue_id").Unsigned(label.cueID);
                           out_.Text("text", label.text);
                       },
                       [&](const LabelledText& text) {
                           Head(text.head);
                           out_.Key("cue_id").Unsigned(text.cueID);
                           out_.Key("sample_length").Unsigned(text.sampleLength);
                           out_.Code("purpose", text.purpose);
                           out_.Key("country").Unsigned(text.country);
                           out_.Key("language").Unsigned(text.language);
                           out_.Key("dialect").Unsigned(text.dialect);
                           out_.Key("code_page").Unsigned(text.codePage);
                           out_.Text("text", text.text);
                       },
                       [&](const Note& note) {
                           Head(note.head);
                           out_.Key("cue_id").Unsigned(note.cueID);
                           out_.Text("text", note.text);
                       },
                       [&](const RawSubChunk& raw) {
                           Head(raw.head);
                           if (info) out_.Text("text", raw.text);
                       },
                   },
                   sub);
        out_.End();
    }

    // ---- the sections after the chunks --------------------------------------

    // Every cue point, in file order; its texts stand in "cue_texts".
    void Cues() const {
        out_.Key("cues").BeginArray();
        for (const Chunk& chunk : wave_.chunks) {
            const auto* cue = std::get_if<CueChunk>(&chunk);
            if (cue == nullptr) continue;
            for (const CuePoint& point : cue->points) {
                out_.BeginObject();
                out_.Key("id").Unsigned(point.CueID);
                out_.Key("sample_offset").Unsigned(point.SampleOffset);
                out_.Key("seconds").Value(SecondsOf(TimeOf(point.SampleOffset, wave_.audio.rate)));
                out_.Key("position").Unsigned(point.Position);
                out_.End();
            }
        }
        out_.End();
    }

    // The labels, labelled texts and notes of each cue id that cue points
    // name, once per id however many points share it, in the order of the
    // first point of each id.
    void CueTexts() const {
        out_.Key("cue_texts").BeginArray();
        std::unordered_set<std::uint32_t> done;
        for (const Chunk& chunk : wave_.chunks) {
            const auto* cue = std::get_if<CueChunk>(&chunk);
            if (cue == nullptr) continue;
            for (const CuePoint& point : cue->points) {
                const auto found = wave_.cueTexts.find(point.CueID);
                if (found == wave_.cueTexts.end() || !done.insert(point.CueID).second) continue;
                out_.BeginObject();
                out_.Key("cue_id").Unsigned(point.CueID);
                TextsOf<Label>(found->second, "labels");
                TextsOf<LabelledText>(found->second, "texts");
                TextsOf<Note>(found->second, "notes");
                out_.End();
            }
        }
        out_.End();
    }

    template <typename Kind>
    void TextsOf(const std::vector<TextRef>& refs, std::string_view key) const {
        out_.Key(key).BeginArray();
        for (const TextRef& ref : refs) {
            const auto* text = std::get_if<Kind>(&wave_.Text(ref));
            if (text == nullptr) continue;
            out_.BeginObject();
            out_.Text("text", text->text);
            if constexpr (std::is_same_v<Kind, LabelledText>) {
                out_.Key("sample_length").Unsigned(text->sampleLength);
                out_.Key("seconds").Value(SecondsOf(TimeOf(text->sampleLength, wave_.audio.rate)));
                out_.Code("purpose", text->purpose);
            }
            out_.End();
        }
        out_.End();
    }

    // The LIST INFO tags in file order, each {code, text}: a code that stands
    // twice is listed twice.
    void Info() const {
        out_.Key("info").BeginArray();
        for (const Chunk& chunk : wave_.chunks) {
            const auto* list = std::get_if<ListChunk>(&chunk);
            if (list == nullptr || !list->info) continue;
            for (const SubChunk& sub : list->subs) {
                const ChunkHead& head = std::visit([](const auto& s) -> const ChunkHead& { return s.head; }, sub);
                const auto* raw = std::get_if<RawSubChunk>(&sub);
                out_.BeginObject();
                out_.Code("code", head.id);
                out_.Text("text", raw != nullptr ? std::string_view(raw->text) : std::string_view());
                out_.End();
            }
        }
        out_.End();
    }

    void Phonemes(const PhonemeChunk& phnm) const {
        out_.BeginObject();
        out_.Text("text", phnm.text);
        out_.Key("words").BeginArray();
        for (const WordFacts& word : phnm.words) {
            out_.BeginObject();
            out_.Text("word", word.word);
            out_.Key("int_a").Value(word.intA);
            out_.Key("int_b").Value(word.intB);
            Float("float_a", word.floatA);
            Float("float_b", word.floatB);
            out_.Key("phonemes").BeginArray();
            for (const PhonemeFacts& phoneme : word.phonemes) {
                out_.BeginObject();
                out_.Text("tag", phoneme.tag);
                out_.Key("code").Unsigned(phoneme.code);
                out_.Key("symbol").Value(phoneme.symbol.empty() ? json(nullptr) : json(phoneme.symbol));
                Float("float_a", phoneme.floatA);
                Float("float_b", phoneme.floatB);
                out_.End();
            }
            out_.End();
            out_.End();
        }
        out_.End();
        out_.End();
    }

    // The sampler loops of the first "smpl" chunk, with their times.
    void Loops() const {
        out_.Key("loops").BeginArray();
        for (const Chunk& chunk : wave_.chunks) {
            const auto* smpl = std::get_if<SamplerChunk>(&chunk);
            if (smpl == nullptr) continue;
            for (const SamplerLoop& loop : smpl->loops) {
                out_.Value({{"cue_id", loop.cueID},
                            {"type", LoopTypeName(loop.type)},
                            {"start", loop.start},
                            {"end", loop.end},
                            {"start_seconds", SecondsOf(TimeOf(loop.start, wave_.audio.rate))},
                            {"end_seconds", SecondsOf(TimeOf(loop.end, wave_.audio.rate))},
                            {"play_count", loop.playCount}});
            }
            break;
        }
        out_.End();
    }

    JsonStream& out_;
    const Facts::Wave& wave_;
};

}  // namespace

void WriteWave(JsonStream& out, const Facts::Wave& wave) { WaveWriter(out, wave).Write(); }

void WriteWaveFile(JsonStream& out, const Facts::Wave& wave, const std::string& path, const json& extra) {
    out.BeginObject();
    out.Text("path", path);
    out.Key("type").Value("wave");
    const auto texts = [&](const char* key, Severity severity) {
        out.Key(key).BeginArray();
        for (const Finding& finding : wave.findings) {
            if (finding.severity == severity) out.Value(FindingJson(finding));
        }
        out.End();
    };
    texts("warnings", Severity::Warning);
    texts("errors", Severity::Error);
    // Notes are rare: the member stands only where there are some.
    if (std::any_of(wave.findings.begin(), wave.findings.end(),
                    [](const Finding& finding) { return finding.severity == Severity::Note; })) {
        texts("notes", Severity::Note);
    }
    out.Key("wave");
    WriteWave(out, wave);
    for (const auto& [key, value] : extra.items()) out.Key(key).Value(value);
    out.End();
}

}  // namespace FactsJson
