#include <algorithm>
#include <utility>

#include "common/LittleEndian.h"
#include "facts/Escape.h"
#include "facts/Facts.h"
#include "facts/Overload.h"
#include "wave/Audio.h"
#include "wave/ChunkIO.h"

namespace Facts {

namespace {

constexpr std::uint32_t kInfoListID = LittleEndian::FourCC("INFO");
constexpr std::uint32_t kNoteID = LittleEndian::FourCC("note");
constexpr std::uint32_t kSmplID = LittleEndian::FourCC("smpl");
constexpr std::uint32_t kInstID = LittleEndian::FourCC("inst");

// The one place that tells the chunk classes apart.
using Typed = std::variant<const cue_Chunk*, const LIST_Chunk*, const labl_Chunk*, const ltxt_Chunk*,
                           const phnm_Chunk*, const unknown_Chunk*, const RIFF_Chunk*>;

Typed TypeOf(const RIFF_Chunk& chunk) {
    if (const auto* cue = dynamic_cast<const cue_Chunk*>(&chunk)) return cue;
    if (const auto* list = dynamic_cast<const LIST_Chunk*>(&chunk)) return list;
    if (const auto* label = dynamic_cast<const labl_Chunk*>(&chunk)) return label;
    if (const auto* text = dynamic_cast<const ltxt_Chunk*>(&chunk)) return text;
    if (const auto* phnm = dynamic_cast<const phnm_Chunk*>(&chunk)) return phnm;
    if (const auto* raw = dynamic_cast<const unknown_Chunk*>(&chunk)) return raw;
    return &chunk;
}

ChunkHead HeadOf(const RIFF_Chunk& chunk) { return {chunk.ChunkID, chunk.ChunkSize}; }
// A raw chunk's real length: beyond 32 bits its size field says kSizeElsewhere.
ChunkHead HeadOf(const unknown_Chunk& raw) { return {raw.ChunkID, raw.ChunkData.size()}; }

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

// In an INFO list every sub-chunk is a tag and its text.
SubChunk SubChunkOf(const RIFF_Chunk& sub, bool info) {
    if (info) {
        if (const Typed typed = TypeOf(sub); const auto* const* raw = std::get_if<const unknown_Chunk*>(&typed)) {
            return RawSubChunk{HeadOf(sub), UpToNul(Bytes((*raw)->ChunkData))};
        }
    }
    return std::visit(
        Overload{
            [](const labl_Chunk* label) -> SubChunk {
                return Label{HeadOf(*label), label->CueID, UpToNul(label->Text)};
            },
            [](const ltxt_Chunk* text) -> SubChunk {
                return LabelledText{HeadOf(*text), text->CueID,   text->SampleLength, text->Purpose, text->Country,
                                    text->Language, text->Dialect, text->CodePage,     WithoutNul(text->Text)};
            },
            [](const unknown_Chunk* raw) -> SubChunk {
                if (auto note = NoteOf(*raw)) return *note;
                return RawSubChunk{HeadOf(*raw), UpToNul(Bytes(raw->ChunkData))};
            },
            [](const auto* other) -> SubChunk { return RawSubChunk{HeadOf(*other), ""}; },
        },
        TypeOf(sub));
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

// The fields of a raw chunk's body, read in stored order.
class Fields {
public:
    explicit Fields(const std::vector<char>& bytes) : bytes_(bytes) {}
    template <typename T>
    T Next() {
        T value = LittleEndian::FromBytes<std::make_unsigned_t<T>>(bytes_.data() + at_);
        at_ += sizeof(T);
        return value;
    }
    std::size_t Left() const { return bytes_.size() - at_; }

private:
    const std::vector<char>& bytes_;
    std::size_t at_ = 0;
};

// A "smpl" chunk, when its body holds the fixed fields: the loops that fit
// in the body are read, the rest left out (a finding).
std::optional<SamplerChunk> SamplerOf(const unknown_Chunk& raw, std::vector<Finding>& findings) {
    if (raw.ChunkData.size() < SamplerChunk::kFixedSize) return std::nullopt;
    Fields fields(raw.ChunkData);
    SamplerChunk facts;
    facts.head = HeadOf(raw);
    facts.manufacturer = fields.Next<std::uint32_t>();
    facts.product = fields.Next<std::uint32_t>();
    facts.samplePeriod = fields.Next<std::uint32_t>();
    facts.unityNote = fields.Next<std::uint32_t>();
    facts.pitchFraction = fields.Next<std::uint32_t>();
    facts.smpteFormat = fields.Next<std::uint32_t>();
    facts.smpteOffset = fields.Next<std::uint32_t>();
    facts.loopCount = fields.Next<std::uint32_t>();
    facts.samplerDataSize = fields.Next<std::uint32_t>();
    const std::uint64_t fit = std::min<std::uint64_t>(facts.loopCount, fields.Left() / SamplerChunk::kLoopSize);
    for (std::uint64_t n = 0; n < fit; ++n) {
        SamplerLoop loop;
        loop.cueID = fields.Next<std::uint32_t>();
        loop.type = fields.Next<std::uint32_t>();
        loop.start = fields.Next<std::uint32_t>();
        loop.end = fields.Next<std::uint32_t>();
        loop.fraction = fields.Next<std::uint32_t>();
        loop.playCount = fields.Next<std::uint32_t>();
        facts.loops.push_back(loop);
    }
    if (fit < facts.loopCount) {
        findings.push_back(Make(Code::SmplLoopsMissing, {{"loop_count", std::uint64_t{facts.loopCount}}, {"loops", fit}}));
    }
    return facts;
}

std::optional<InstrumentChunk> InstrumentOf(const unknown_Chunk& raw) {
    if (raw.ChunkData.size() < InstrumentChunk::kStoredSize) return std::nullopt;
    Fields fields(raw.ChunkData);
    InstrumentChunk facts;
    facts.head = HeadOf(raw);
    facts.unshiftedNote = fields.Next<std::uint8_t>();
    facts.fineTune = fields.Next<std::int8_t>();
    facts.gain = fields.Next<std::int8_t>();
    facts.lowNote = fields.Next<std::uint8_t>();
    facts.highNote = fields.Next<std::uint8_t>();
    facts.lowVelocity = fields.Next<std::uint8_t>();
    facts.highVelocity = fields.Next<std::uint8_t>();
    return facts;
}

// What Describe knows of the file when it reads its chunks.
struct Context {
    bool rf64 = false;       // the file was RF64
    bool foundDs64 = false;  // with a whole "ds64"
    std::vector<Finding>& findings;
};

// A raw chunk: read for its facts where we know its layout.
Chunk RawChunkOf(const unknown_Chunk& raw, Context& context) {
    std::vector<Finding>& findings = context.findings;
    if (raw.ChunkID == kSmplID) {
        if (auto sampler = SamplerOf(raw, findings)) return *sampler;
    } else if (raw.ChunkID == kInstID) {
        if (auto instrument = InstrumentOf(raw)) return *instrument;
    } else if (raw.ChunkID == kDs64ID && !context.rf64) {
        findings.push_back(Make(Code::Ds64InRiff));
    } else if (raw.ChunkID == kDs64ID && !context.foundDs64) {
        // Too short for its fields: the RF64 file's own finding says so.
    } else if (raw.ChunkID == kFmtID || raw.ChunkID == kFactID || raw.ChunkID == kDataID || raw.ChunkID == kDs64ID) {
        findings.push_back(Make(Code::ChunkRepeated, {{"chunk", ChunkId(raw.ChunkID)},
                                                      {"bytes", std::uint64_t{raw.ChunkData.size()}}}));
    }
    return RawChunk{HeadOf(raw)};
}

Chunk ChunkOf(const RIFF_Chunk& chunk, Context& context) {
    return std::visit(Overload{
                          [](const cue_Chunk* cue) -> Chunk {
                              return CueChunk{HeadOf(*cue), cue->CuePointCount, cue->CuePoints};
                          },
                          [](const LIST_Chunk* list) -> Chunk {
                              ListChunk facts{HeadOf(*list), list->ListType, list->ListType == kInfoListID, {}};
                              for (const RIFF_Chunk* sub = list->FirstSubChunk.get(); sub; sub = sub->GetNextChunk()) {
                                  facts.subs.push_back(SubChunkOf(*sub, facts.info));
                              }
                              return facts;
                          },
                          [](const phnm_Chunk* phnm) -> Chunk { return PhonemesOf(*phnm); },
                          [&](const unknown_Chunk* raw) -> Chunk { return RawChunkOf(*raw, context); },
                          [](const auto* other) -> Chunk { return RawChunk{HeadOf(*other)}; },
                      },
                      TypeOf(chunk));
}

// ---- sizes the stored bytes do not bear out -----------------------------------

// The body bytes a loaded chunk holds, where the model keeps them all.
std::optional<std::uint64_t> HeldBytes(const RIFF_Chunk& chunk, const WAVE_File& wave) {
    if (&chunk == &wave.DataChunk) return wave.DataChunk.StoredBytes;
    return std::visit(Overload{
                          [](const unknown_Chunk* raw) -> std::optional<std::uint64_t> { return raw->ChunkData.size(); },
                          [](const ltxt_Chunk* text) -> std::optional<std::uint64_t> {
                              if (text->ClaimedSize < 20) return std::nullopt;
                              return 20 + text->Text.size();
                          },
                          [](const auto*) -> std::optional<std::uint64_t> { return std::nullopt; },
                      },
                      TypeOf(chunk));
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
        const Typed typed = TypeOf(*chunk);
        if (const auto* const* list = std::get_if<const LIST_Chunk*>(&typed)) {
            for (const RIFF_Chunk* sub = (*list)->FirstSubChunk.get(); sub; sub = sub->GetNextChunk()) {
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
