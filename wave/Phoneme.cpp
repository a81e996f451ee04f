#include "wave/Phoneme.h"

#include <algorithm>
#include <string>

#include "wave/ChunkIO.h"

namespace {

// Lower-case ARPAbet tags and the code points of their IPA symbols. A
// one-letter tag matches only the tag that is exactly that letter.
struct TagCode {
    char tag[3];
    std::uint16_t code;
};

constexpr TagCode kPhonemeTags[] = {
    {"aa", 0x0251}, {"ae", 0x00E6}, {"ao", 0x0254}, {"ax", 0x0259}, {"b", 0x0062},  {"ch", 0x02A7},
    {"d", 0x0064},  {"dh", 0x00F0}, {"eh", 0x025B}, {"er", 0x025A}, {"f", 0x0066},  {"g", 0x0261},
    {"hh", 0x0266}, {"ih", 0x026A}, {"iy", 0x0069}, {"jh", 0x02A4}, {"k", 0x006B},  {"l", 0x006C},
    {"m", 0x006D},  {"n", 0x006E},  {"nx", 0x014B}, {"p", 0x0070},  {"r", 0x027B},  {"s", 0x0073},
    {"sh", 0x0283}, {"t", 0x0074},  {"th", 0x03B8}, {"uh", 0x028A}, {"uw", 0x0075}, {"v", 0x0076},
    {"w", 0x0077},  {"y", 0x006A},  {"z", 0x007A},  {"zh", 0x0292},
};
static_assert(std::size(kPhonemeTags) == 34);

}  // namespace

void Phoneme_Block::LoadData(std::istream& in) {
    *this = Phoneme_Block{};
    in.read(PhonemeTag.data(), PhonemeTag.size());
    LittleEndian::Read(in, Code);
    LittleEndian::Read(in, FloatA);
    LittleEndian::Read(in, FloatB);
}

void Phoneme_Block::SaveData(std::ostream& out) const {
    out.write(PhonemeTag.data(), PhonemeTag.size());
    LittleEndian::Write(out, Code);
    LittleEndian::Write(out, FloatA);
    LittleEndian::Write(out, FloatB);
}

void Phoneme_Block::SetPhonemeTag(std::string tag, const Diagnostics::Sink& sink) {
    for (std::size_t i = 0; i < PhonemeTag.size(); ++i) PhonemeTag[i] = i < tag.size() ? tag[i] : '\0';
    for (const auto& entry : kPhonemeTags) {
        if (PhonemeTag[0] == entry.tag[0] && PhonemeTag[1] == entry.tag[1]) {
            Code = entry.code;
            return;
        }
    }
    const auto shown = std::find(PhonemeTag.begin(), PhonemeTag.end(), '\0');
    Diagnostics::Report(sink, "Unknown Phoneme Tag: " + std::string(PhonemeTag.begin(), shown));
}

void Word_Block::LoadData(std::istream& in) {
    *this = Word_Block{};
    in.read(Word.data(), Word.size());
    LittleEndian::Read(in, IntA);
    LittleEndian::Read(in, IntB);
    LittleEndian::Read(in, FloatA);
    LittleEndian::Read(in, FloatB);
    LittleEndian::Read(in, PhonemeCount);
    bool exact = true;
    const std::uint64_t fit = ChunkIO::RecordsThatFit(PhonemeCount, ChunkIO::BytesLeft(in, exact), Phoneme_Block::kStoredSize);
    if (exact) Phonemes.reserve(static_cast<std::size_t>(fit));
    for (std::uint64_t n = 0; n < fit; ++n) {
        Phoneme_Block phoneme;
        phoneme.LoadData(in);
        if (!in) break;  // only where the stream cannot tell its length
        Phonemes.push_back(phoneme);
    }
    PhonemeCount = static_cast<std::int32_t>(Phonemes.size());
}

void Word_Block::SaveData(std::ostream& out) const {
    out.write(Word.data(), Word.size());
    LittleEndian::Write(out, IntA);
    LittleEndian::Write(out, IntB);
    LittleEndian::Write(out, FloatA);
    LittleEndian::Write(out, FloatB);
    LittleEndian::Write(out, PhonemeCount);
    for (const auto& phoneme : Phonemes) phoneme.SaveData(out);
}

std::uint32_t Word_Block::CalcSize() {
    PhonemeCount = static_cast<std::int32_t>(Phonemes.size());
    return kFixedSize + Phoneme_Block::kStoredSize * static_cast<std::uint32_t>(PhonemeCount);
}

void Word_Block::MakePhonemes() { Phonemes.assign(static_cast<std::size_t>(std::max(PhonemeCount, 0)), Phoneme_Block{}); }

void Word_Block::SetWord(std::string word) {
    for (std::size_t i = 0; i < Word.size(); ++i) Word[i] = i < word.size() ? word[i] : '\0';
}

phnm_Chunk::phnm_Chunk() { ChunkID = kPhnmID; }

phnm_Chunk::phnm_Chunk(std::istream& in) : phnm_Chunk() { phnm_Chunk::LoadData(in); }

void phnm_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    TextSize = WordCount = 0;
    Words.clear();
    LittleEndian::Read(fields, TextSize);
    body.Read(Text, ChunkIO::RecordsThatFit(TextSize, body.Left(), 1));
    TextSize = static_cast<std::int32_t>(Text.size());
    LittleEndian::Read(fields, WordCount);
    const std::uint64_t fit = ChunkIO::RecordsThatFit(WordCount, body.Left(), Word_Block::kFixedSize);
    if (body.Exact()) Words.reserve(static_cast<std::size_t>(fit));
    // A word's phonemes take room that later words then lack.
    while (Words.size() < fit && body.Left() >= Word_Block::kFixedSize) {
        Word_Block word;
        word.LoadData(fields);
        if (!fields) break;  // only where the stream cannot tell its length
        Words.push_back(std::move(word));
    }
    WordCount = static_cast<std::int32_t>(Words.size());
    body.Realign();
}

void phnm_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, TextSize);
    out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
    LittleEndian::Write(out, WordCount);
    for (const auto& word : Words) word.SaveData(out);
    WritePad(out);
}

std::uint32_t phnm_Chunk::CalcSize() {
    TextSize = static_cast<std::int32_t>(Text.size());
    WordCount = static_cast<std::int32_t>(Words.size());
    ChunkSize = static_cast<std::uint32_t>(TextSize) + 8;
    for (auto& word : Words) ChunkSize += word.CalcSize();
    return StoredLength();
}

void phnm_Chunk::MakeWords() { Words.assign(static_cast<std::size_t>(std::max(WordCount, 0)), Word_Block{}); }
