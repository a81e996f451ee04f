#include <algorithm>
#include <utility>

#include "common/LittleEndian.h"
#include "facts/Escape.h"
#include "facts/Facts.h"
#include "facts/FactsText.h"
#include "facts/Overload.h"
#include "wave/Acid.h"
#include "wave/Audio.h"
#include "wave/Bext.h"
#include "wave/Cart.h"
#include "wave/ChunkIO.h"
#include "wave/ChunkRegistry.h"
#include "wave/Id3.h"

namespace Facts {

namespace {

constexpr std::uint32_t kInfoListID = LittleEndian::FourCC("INFO");
constexpr std::uint32_t kNoteID = LittleEndian::FourCC("note");

// The chunk of the class its Kind names.
template <typename Class>
const Class& As(const RIFF_Chunk& chunk) {
    return static_cast<const Class&>(chunk);
}

// A body a class holds whole may be longer than its size field can state
// (kSizeElsewhere beyond 32 bits).
ChunkHead HeadOf(const RIFF_Chunk& chunk) {
    return {chunk.ChunkID, std::max<std::uint64_t>(chunk.ChunkSize, chunk.HeldBytes().value_or(0))};
}

std::string_view Bytes(const std::vector<char>& bytes, std::size_t from = 0) {
    return from < bytes.size() ? std::string_view(bytes.data() + from, bytes.size() - from) : std::string_view();
}

std::string WithoutNul(std::string_view text) {
    while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    return std::string(text);
}

std::string UpToNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

// The character a phoneme's code stands for, as UTF-8; empty for a code
// that shows nothing (a control character, a blank, a surrogate).
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

FormatChunk FormatOf(const fmt_Chunk& fmt) {
    FormatChunk facts;
    facts.head = HeadOf(fmt);
    facts.formatTag = fmt.FormatTag;
    facts.channels = fmt.Channels;
    facts.samplesPerSec = fmt.SamplesPerSec;
    facts.avgBytesPerSec = fmt.AvgBytesPerSec;
    facts.blockAlign = fmt.BlockAlign;
    facts.bitsPerSample = fmt.BitsPerSample;
    facts.extended = fmt.FormatTag != fmt_Chunk::kPCM;
    facts.extraSize = fmt.ExtraSize;
    facts.extra.assign(fmt.ExtraData.begin(), fmt.ExtraData.end());
    facts.formatName = FormatName(fmt.FormatTag);
    facts.extensible = ExtensibleOf(fmt.FormatTag, facts.extra);
    return facts;
}

// A "note" needs at least its cue id; a shorter one is raw bytes.
std::optional<Note> NoteOf(const unknown_Chunk& raw) {
    if (raw.ChunkID != kNoteID || raw.ChunkData.size() < 4) return std::nullopt;
    Note note;
    note.head = HeadOf(raw);
    note.cueID = LittleEndian::FromBytes<std::uint32_t>(raw.ChunkData.data());
    note.text = WithoutNul(Bytes(raw.ChunkData, 4));
    return note;
}

// In an INFO list every raw sub-chunk is a tag and its text.
SubChunk SubChunkOf(const RIFF_Chunk& sub, bool info) {
    switch (sub.Kind()) {
        case ChunkKind::Label: {
            const auto& label = As<labl_Chunk>(sub);
            return Label{HeadOf(label), label.CueID, UpToNul(label.Text)};
        }
        case ChunkKind::LabelledText: {
            const auto& text = As<ltxt_Chunk>(sub);
            return LabelledText{HeadOf(text),  text.CueID,   text.SampleLength, text.Purpose,         text.Country,
                                text.Language, text.Dialect, text.CodePage,     WithoutNul(text.Text)};
        }
        case ChunkKind::Raw: {
            const auto& raw = As<unknown_Chunk>(sub);
            if (!info) {
                if (auto note = NoteOf(raw)) return *note;
            }
            return RawSubChunk{HeadOf(raw), UpToNul(Bytes(raw.ChunkData))};
        }
        default:
            // A class a list does not hold as such: its header alone.
            return RawSubChunk{HeadOf(sub), ""};
    }
}

PhonemeChunk PhonemesOf(const phnm_Chunk& phnm) {
    PhonemeChunk facts{HeadOf(phnm), phnm.Text, phnm.WordCount, {}};
    facts.words.reserve(phnm.Words.size());
    for (const Word_Block& word : phnm.Words) {
        WordFacts w{UpToNul(std::string_view(word.Word.data(), word.Word.size())),
                    word.IntA,
                    word.IntB,
                    word.FloatA,
                    word.FloatB,
                    word.PhonemeCount,
                    {}};
        w.phonemes.reserve(word.Phonemes.size());
        for (const Phoneme_Block& phoneme : word.Phonemes) {
            w.phonemes.push_back({UpToNul(std::string_view(phoneme.PhonemeTag.data(), phoneme.PhonemeTag.size())),
                                  phoneme.Code, PhonemeSymbol(phoneme.Code), phoneme.FloatA, phoneme.FloatB});
        }
        facts.words.push_back(std::move(w));
    }
    return facts;
}

// The loops a "smpl" chunk holds; those its count names that its body does
// not are left out (a finding).
SamplerChunk SamplerOf(const smpl_Chunk& smpl, std::vector<Finding>& findings) {
    SamplerChunk facts{HeadOf(smpl),      smpl.Manufacturer, smpl.Product,   smpl.SamplePeriod,
                       smpl.UnityNote,    smpl.PitchFraction, smpl.SmpteFormat, smpl.SmpteOffset,
                       smpl.LoopCount,    smpl.SamplerDataSize, {}};
    facts.loops.reserve(smpl.Loops.size());
    for (const SampleLoop& loop : smpl.Loops) {
        facts.loops.push_back({loop.CueID, loop.Type, loop.Start, loop.End, loop.Fraction, loop.PlayCount});
    }
    if (smpl.Loops.size() < smpl.LoopCount) {
        findings.push_back(Make(Code::SmplLoopsMissing, {{"loop_count", std::uint64_t{smpl.LoopCount}},
                                                         {"loops", std::uint64_t{smpl.Loops.size()}}}));
    }
    return facts;
}

InstrumentChunk InstrumentOf(const inst_Chunk& inst) {
    return {HeadOf(inst), inst.UnshiftedNote, inst.FineTune,    inst.Gain,
            inst.LowNote, inst.HighNote,      inst.LowVelocity, inst.HighVelocity};
}

// What Describe knows of the file when it reads its chunks.
struct Context {
    bool rf64 = false;       // the file was RF64
    bool foundDs64 = false;  // with a whole "ds64"
    std::vector<Finding>& findings;
    std::uint32_t rate = 0;  // the sample rate, 0 where the format is not known
};

// The metadata kinds whose body too short for their fixed fields is a
// finding (the registry keeps such a body raw).
bool IsMetadata(std::uint32_t id) { return id == kBextID || id == kAcidID || id == kCartID; }

// A raw chunk where a member of the file's own is named.
Chunk RawChunkOf(const unknown_Chunk& raw, Context& context) {
    std::vector<Finding>& findings = context.findings;
    if (raw.ChunkID == kDs64ID && !context.rf64) {
        findings.push_back(Make(Code::Ds64InRiff));
    } else if (raw.ChunkID == kDs64ID && !context.foundDs64) {
        // Too short for its fields: the RF64 file's own finding says so.
    } else if (raw.ChunkID == kFmtID || raw.ChunkID == kFactID || raw.ChunkID == kDataID || raw.ChunkID == kDs64ID) {
        findings.push_back(Make(Code::ChunkRepeated, {{"chunk", ChunkId(raw.ChunkID)},
                                                      {"bytes", std::uint64_t{raw.ChunkData.size()}}}));
    }
    const ChunkClass* row = IsMetadata(raw.ChunkID) ? ChunkRegistry::Find(raw.ChunkID, ChunkScope::File) : nullptr;
    if (row != nullptr && raw.ChunkData.size() < row->fixedSize) {
        // Too short for its fixed fields: the registry kept it raw.
        findings.push_back(Make(Code::ChunkShorterThanFixed, {{"chunk", ChunkId(raw.ChunkID)},
                                                              {"bytes", std::uint64_t{raw.ChunkData.size()}},
                                                              {"fixed", std::uint64_t{row->fixedSize}}}));
    }
    return RawChunk{HeadOf(raw)};
}

// What kept a part of an ID3 tag from being read, as findings.
void Id3Findings(const id3_Chunk& id3, const std::vector<Id3Damage>& damage, std::vector<Finding>& findings) {
    for (const Id3Damage& part : damage) {
        const Value chunk = ChunkId(id3.ChunkID);
        // Where a size or a length is wrong: the tag's header, the extended
        // header or a frame.
        const std::string where = part.frame.empty()                   ? std::string("tag")
                                  : part.frame == Id3::kExtendedHeader ? part.frame
                                                                       : "frame '" + part.frame + "'";
        switch (part.fault) {
            case Id3Fault::NotATag:
                findings.push_back(Make(Code::Id3NotATag, {{"chunk", chunk}}));
                break;
            case Id3Fault::UnknownVersion:
                findings.push_back(Make(Code::Id3UnknownVersion, {{"chunk", chunk}, {"major", part.value}}));
                break;
            case Id3Fault::SizeDamaged:
                findings.push_back(Make(Code::Id3SizeDamaged, {{"chunk", chunk}, {"part", where}}));
                break;
            case Id3Fault::TagPastChunk:
                findings.push_back(Make(Code::Id3TagPastChunk,
                                        {{"chunk", chunk}, {"claimed", part.value}, {"held", part.limit}}));
                break;
            case Id3Fault::FramePastTag:
                findings.push_back(Make(Code::Id3FramePastTag, {{"chunk", chunk}, {"part", where},
                                                                {"claimed", part.value}, {"held", part.limit}}));
                break;
            case Id3Fault::FrameIdDamaged:
                findings.push_back(Make(Code::Id3FrameIdDamaged, {{"chunk", chunk}, {"frame_id", part.frame}}));
                break;
            case Id3Fault::UnknownEncoding:
                findings.push_back(Make(Code::Id3UnknownEncoding,
                                        {{"chunk", chunk}, {"frame_id", part.frame}, {"encoding", part.value}}));
                break;
            case Id3Fault::OddUtf16:
                findings.push_back(
                    Make(Code::Id3OddUtf16, {{"chunk", chunk}, {"frame_id", part.frame}, {"bytes", part.value}}));
                break;
            case Id3Fault::UnpairedSurrogate:
                findings.push_back(Make(Code::Id3UnpairedSurrogate, {{"chunk", chunk}, {"frame_id", part.frame}}));
                break;
        }
    }
}

// A "bext" chunk counts its time reference in samples: as a clock time too,
// right after it, where the sample rate is known. An ID3 tag is read once,
// for its fields and for what kept parts of it from being read.
DescribedChunk DescribedOf(const RIFF_Chunk& chunk, Context& context) {
    if (const auto* id3 = dynamic_cast<const id3_Chunk*>(&chunk)) {
        Id3Tag tag = id3->Read();
        Id3Findings(*id3, tag.damage, context.findings);
        return DescribedChunk{HeadOf(chunk), std::move(tag.fields)};
    }
    DescribedChunk facts{HeadOf(chunk), chunk.Describe()};
    const auto* bext = dynamic_cast<const bext_Chunk*>(&chunk);
    if (bext == nullptr || context.rate == 0) return facts;
    const std::uint64_t samples = bext->TimeReference();
    if (samples / context.rate > UINT64_MAX / 1000) return facts;  // beyond what milliseconds can count
    const auto at = std::find_if(facts.fields.begin(), facts.fields.end(),
                                 [](const ChunkField& field) { return field.name == "time_reference"; });
    if (at == facts.fields.end()) return facts;
    facts.fields.insert(at + 1, {"time_reference_time", FactsText::Clock(TimeOf(samples, context.rate)->Milliseconds())});
    return facts;
}

// Each kind the model has is shown here: a new one makes the switch warn.
Chunk ChunkOf(const RIFF_Chunk& chunk, Context& context) {
    switch (chunk.Kind()) {
        case ChunkKind::Cue: {
            const auto& cue = As<cue_Chunk>(chunk);
            return CueChunk{HeadOf(cue), cue.CuePointCount, cue.CuePoints};
        }
        case ChunkKind::List: {
            const auto& list = As<LIST_Chunk>(chunk);
            ListChunk facts{HeadOf(list), list.ListType, list.ListType == kInfoListID, {}};
            for (const RIFF_Chunk* sub = list.FirstSubChunk.get(); sub; sub = sub->GetNextChunk()) {
                facts.subs.push_back(SubChunkOf(*sub, facts.info));
            }
            return facts;
        }
        case ChunkKind::Phonemes:
            return PhonemesOf(As<phnm_Chunk>(chunk));
        case ChunkKind::Sampler:
            return SamplerOf(As<smpl_Chunk>(chunk), context.findings);
        case ChunkKind::Instrument:
            return InstrumentOf(As<inst_Chunk>(chunk));
        case ChunkKind::Described:
            return DescribedOf(chunk, context);
        case ChunkKind::Raw:
            return RawChunkOf(As<unknown_Chunk>(chunk), context);
        case ChunkKind::Bare:
        case ChunkKind::Label:
        case ChunkKind::LabelledText:
            break;
    }
    return RawChunk{HeadOf(chunk)};
}

// ---- sizes the stored bytes do not bear out -----------------------------------

// The body bytes a loaded chunk holds, where the model keeps them all.
std::optional<std::uint64_t> HeldBytes(const RIFF_Chunk& chunk, const WAVE_File& wave) {
    if (&chunk == &wave.DataChunk) return wave.DataChunk.StoredBytes;
    return chunk.HeldBytes();
}

void CheckClaim(const RIFF_Chunk& chunk, const WAVE_File& wave, std::vector<Finding>& findings) {
    const auto held = HeldBytes(chunk, wave);
    if (!held || *held >= chunk.ClaimedSize) return;
    findings.push_back(Make(Code::ChunkSizeMismatch, {{"chunk", ChunkId(chunk.ChunkID)},
                                                      {"claimed", std::uint64_t{chunk.ClaimedSize}},
                                                      {"held", *held}}));
}

// A data chunk, a chunk kept as raw bytes or a labelled text (at top level or
// in a list) that claims more bytes than it holds, and a RIFF size other than
// the bytes after the RIFF header. A RIFF size left at 0xFFFFFFFF by a
// streaming writer is no finding. Read from the sizes as loaded.
void CheckSizes(const WAVE_File& wave, std::vector<Finding>& findings) {
    // An RF64 file states its size in "ds64".
    const bool inDs64 = wave.RiffSize == WAVE_File::kUnknownRiffSize && wave.Found.Ds64;
    const std::uint64_t riffSize = inDs64 ? wave.Ds64Chunk.RiffSize : wave.RiffSize;
    if ((inDs64 || wave.RiffSize != WAVE_File::kUnknownRiffSize) && riffSize != wave.ImageBytes) {
        findings.push_back(Make(Code::RiffSizeMismatch, {{"riff_size", riffSize}, {"follow", std::uint64_t{wave.ImageBytes}}}));
    }
    // A RIFF file's data size of 0xFFFFFFFF, as a writer that streams its
    // output leaves it, says nothing of the bytes: the load read them to the
    // end of the image.
    if (wave.RiffID == kRiffID && wave.Found.Data && wave.DataChunk.ClaimedSize == ChunkIO::BoundedInput::kUnlimited) {
        findings.push_back(Make(Code::DataSizeStreamed, {{"bytes", std::uint64_t{wave.DataChunk.StoredBytes}}}));
    } else {
        CheckClaim(wave.DataChunk, wave, findings);
    }
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        CheckClaim(*chunk, wave, findings);
        if (chunk->Kind() == ChunkKind::List) {
            for (const RIFF_Chunk* sub = As<LIST_Chunk>(*chunk).FirstSubChunk.get(); sub; sub = sub->GetNextChunk()) {
                CheckClaim(*sub, wave, findings);
            }
        }
    }
}

// The texts of every "adtl" list by the cue id they name.
void IndexCueTexts(Wave& facts) {
    for (std::size_t c = 0; c < facts.chunks.size(); ++c) {
        const auto* list = std::get_if<ListChunk>(&facts.chunks[c]);
        if (list == nullptr || list->listType != kAdtlID) continue;
        for (std::size_t s = 0; s < list->subs.size(); ++s) {
            std::visit(Overload{
                           [&](const RawSubChunk&) {},
                           [&](const auto& text) { facts.cueTexts[text.cueID].push_back({c, s}); },
                       },
                       list->subs[s]);
        }
    }
}

}  // namespace

std::uint64_t Duration::Milliseconds() const {
    // In two steps, so that nothing overflows whatever the count.
    const std::uint64_t whole = units / perSecond;
    const std::uint64_t rest = units % perSecond;
    return whole * 1000 + (rest * 1000 + perSecond / 2) / perSecond;
}

std::optional<Duration> TimeOf(std::uint64_t units, std::uint32_t perSecond) {
    if (perSecond == 0) return std::nullopt;
    return Duration{units, perSecond};
}

std::optional<std::uint64_t> FactCount(const WAVE_File& wave) {
    if (!wave.Found.Fact || wave.FactChunk.ChunkSize == 0) return std::nullopt;
    // An RF64 file may state the count in "ds64" instead.
    if (wave.FactChunk.SampleCount == kSizeElsewhere && wave.Found.Ds64) return wave.Ds64Chunk.SampleCount;
    return wave.FactChunk.SampleCount;
}

const SubChunk& Wave::Text(const TextRef& ref) const { return std::get<ListChunk>(chunks[ref.chunk]).subs[ref.sub]; }

Wave Describe(WAVE_File& wave, std::vector<Finding> findings) {
    Wave facts;
    facts.findings = std::move(findings);
    // What the header said, before the sizes are brought up to date.
    const bool valid = (wave.RiffID == kRiffID || wave.RiffID == kRf64ID) && wave.FormType == kWaveID;
    Context context{wave.RiffID == kRf64ID, wave.Found.Ds64, facts.findings};
    if (wave.RiffID == kRf64ID && valid && !wave.Found.Ds64) {
        facts.findings.push_back(Make(Code::Rf64WithoutDs64));
    }
    CheckSizes(wave, facts.findings);
    if (valid && !wave.Found.Fmt) facts.findings.push_back(Make(Code::NoFormat));
    if (valid && !wave.Found.Data) facts.findings.push_back(Make(Code::NoData));
    facts.riffSizeStored = wave.RiffSize == kSizeElsewhere && wave.Found.Ds64 ? wave.Ds64Chunk.RiffSize : wave.RiffSize;
    facts.riffSize = wave.CalcSize() - 8;
    facts.storedBytes = std::uint64_t{8} + wave.ImageBytes;
    facts.storedAsRf64 = context.rf64;

    const fmt_Chunk& fmt = wave.FmtChunk;
    facts.audio = AudioOf(wave.Found.Fmt ? &fmt : nullptr, FactCount(wave),
                          wave.Found.Data ? std::optional<std::uint64_t>(wave.DataChunk.BodyBytes()) : std::nullopt,
                          facts.findings);
    context.rate = facts.audio.rate;

    // The chunks the file holds: a format or data chunk it lacks is not made up.
    // Counted first, so that the list is made once at its size: grown by
    // doubling it would cost up to three times as much on the way (a file of
    // nothing but empty chunks holds the most for its size).
    std::size_t count = 4;
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) ++count;
    facts.chunks.reserve(count);
    if (wave.NeedsRf64()) {
        Ds64Chunk ds64{HeadOf(wave.Ds64Chunk), wave.Ds64Chunk.RiffSize, wave.Ds64Chunk.DataSize,
                       wave.Ds64Chunk.SampleCount, {}};
        for (const Ds64Entry& entry : wave.Ds64Chunk.Table) ds64.table.push_back({entry.ChunkID, entry.ChunkSize});
        facts.chunks.push_back(std::move(ds64));
    }
    if (wave.Found.Fmt) facts.chunks.push_back(FormatOf(fmt));
    if (wave.FactChunk.ChunkSize != 0) facts.chunks.push_back(FactChunk{HeadOf(wave.FactChunk), wave.FactChunk.SampleCount});
    if (wave.Found.Data) facts.chunks.push_back(DataChunk{{kDataID, wave.DataChunk.BodyBytes()}});
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        facts.chunks.push_back(ChunkOf(*chunk, context));
    }
    IndexCueTexts(facts);
    return facts;
}

}  // namespace Facts
