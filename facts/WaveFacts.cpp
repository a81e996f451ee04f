#include <algorithm>
#include <utility>

#include "common/LittleEndian.h"
#include "facts/Escape.h"
#include "facts/Facts.h"
#include "wave/Audio.h"

namespace Facts {

namespace {

constexpr std::uint32_t kInfoListID = LittleEndian::FourCC("INFO");
constexpr std::uint32_t kNoteID = LittleEndian::FourCC("note");
constexpr std::uint16_t kExtensible = 0xFFFE;

// The extension of an extensible format: u16 valid bits, u32 channel mask,
// then the sub-format GUID, whose first two bytes are the coding's tag.
constexpr std::size_t kSubFormatAt = 6;

std::string_view TagName(std::uint16_t tag) {
    switch (tag) {
        case 0x0001: return "PCM";
        case 0x0002: return "ADPCM";
        case 0x0003: return "IEEE float";
        case 0x0006: return "A-law";
        case 0x0007: return "mu-law";
        case kExtensible: return "extensible";
        default: return "";
    }
}

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

template <typename... Ts>
struct Overload : Ts... {
    using Ts::operator()...;
};
template <typename... Ts>
Overload(Ts...) -> Overload<Ts...>;

ChunkHead HeadOf(const RIFF_Chunk& chunk) { return {chunk.ChunkID, chunk.ChunkSize}; }

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
            return RawSubChunk{HeadOf(sub), WithoutNul(Bytes((*raw)->ChunkData))};
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
                return RawSubChunk{HeadOf(*raw), WithoutNul(Bytes(raw->ChunkData))};
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

Chunk ChunkOf(const RIFF_Chunk& chunk) {
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

std::string ByteCount(std::uint64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

void CheckClaim(const RIFF_Chunk& chunk, const WAVE_File& wave, std::vector<Finding>& findings) {
    const auto held = HeldBytes(chunk, wave);
    if (!held || *held >= chunk.ClaimedSize) return;
    findings.push_back({Severity::Warning, Escape::Code(chunk.ChunkID) + " chunk claims " + ByteCount(chunk.ClaimedSize) +
                                               ", holds " + std::to_string(*held)});
}

// A data chunk, a chunk kept as raw bytes or a labelled text (at top level or
// in a list) that claims more bytes than it holds, and a RIFF size other than
// the bytes after the RIFF header. A RIFF size left at 0xFFFFFFFF by a
// streaming writer is no finding. Read from the sizes as loaded.
void CheckSizes(const WAVE_File& wave, std::vector<Finding>& findings) {
    if (wave.RiffSize != WAVE_File::kUnknownRiffSize && wave.RiffSize != wave.ImageBytes) {
        findings.push_back({Severity::Warning, "RIFF size says " + ByteCount(wave.RiffSize) + ", " +
                                                   std::to_string(wave.ImageBytes) + " follow the RIFF header"});
    }
    CheckClaim(wave.DataChunk, wave, findings);
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

void Summarize(Audio& audio) {
    audio.codingTag = audio.formatTag == kExtensible && audio.subFormatTag != 0 ? audio.subFormatTag : audio.formatTag;
    audio.formatName = audio.hasFormat ? TagName(audio.codingTag) : std::string_view();
    audio.frames.reset();
    audio.duration.reset();
    if (!audio.hasData) return;
    if (audio.blockAlign != 0) audio.frames = audio.dataBytes / audio.blockAlign;
    audio.duration = TimeOf(audio.dataBytes, audio.bytesPerSecond);
}

const SubChunk& Wave::Text(const TextRef& ref) const { return std::get<ListChunk>(chunks[ref.chunk]).subs[ref.sub]; }

Wave Describe(WAVE_File& wave, std::vector<Finding> findings) {
    Wave facts;
    facts.findings = std::move(findings);
    CheckSizes(wave, facts.findings);
    facts.riffSizeStored = wave.RiffSize;
    wave.CalcSize();
    facts.riffSize = wave.RiffSize;
    facts.storedBytes = std::uint64_t{8} + wave.ImageBytes;

    const fmt_Chunk& fmt = wave.FmtChunk;
    Audio& audio = facts.audio;
    audio.hasFormat = true;
    audio.formatTag = fmt.FormatTag;
    if (fmt.FormatTag == kExtensible && fmt.ExtraData.size() >= kSubFormatAt + 2) {
        audio.subFormatTag = LittleEndian::FromBytes<std::uint16_t>(fmt.ExtraData.data() + kSubFormatAt);
    }
    audio.channels = fmt.Channels;
    audio.rate = fmt.SamplesPerSec;
    audio.bytesPerSecond = fmt.AvgBytesPerSec;
    audio.blockAlign = fmt.BlockAlign;
    audio.bits = fmt.BitsPerSample;
    audio.hasData = true;
    audio.dataBytes = wave.DataChunk.BodySkipped ? wave.DataChunk.StoredBytes : wave.DataChunk.ChunkData.size();
    Summarize(audio);

    facts.chunks.push_back(FormatOf(fmt));
    if (wave.FactChunk.ChunkSize != 0) facts.chunks.push_back(FactChunk{HeadOf(wave.FactChunk), wave.FactChunk.SampleCount});
    facts.chunks.push_back(DataChunk{HeadOf(wave.DataChunk)});
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        facts.chunks.push_back(ChunkOf(*chunk));
    }
    IndexCueTexts(facts);
    return facts;
}

}  // namespace Facts
