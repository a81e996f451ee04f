// The phoneme chunk: a text broken into words, and each word into phonemes,
// each with a few numbers that are carried unchanged (floats bit for bit).
//
// "phnm" body:
//   0       4   TextSize (signed)
//   4       T   Text, as stored, no NUL added
//   4+T     4   WordCount (signed)
//   8+T     ... word records
// Word record, 52 + 14 * PhonemeCount bytes:
//   0 32 Word   32 4 IntA   36 4 IntB   40 4 FloatA   44 4 FloatB
//   48 4 PhonemeCount (signed)   52 ... phoneme records
// Phoneme record, 14 bytes (no alignment gap after Code):
//   0 4 PhonemeTag   4 2 Code   6 4 FloatA   10 4 FloatB
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "../common/Diagnostics.h"
#include "RIFF_Chunk.h"

struct Phoneme_Block {
    static constexpr std::uint32_t kStoredSize = 14;

    std::array<char, 4> PhonemeTag{};  // zero-padded
    std::uint16_t Code = 0;            // code point of the IPA symbol
    float FloatA = 0.0f;
    float FloatB = 0.0f;

    void LoadData(std::istream& in);
    void SaveData(std::ostream& out) const;
    // Takes the first four characters of `tag` (zero-padded) and looks its
    // first two up in the tag table. A tag the table lacks reports
    // "Unknown Phoneme Tag: <tag>" to `sink` (standard output when none is
    // given) and leaves Code as it was.
    void SetPhonemeTag(std::string tag, const Diagnostics::Sink& sink = {});
};

struct Word_Block {
    static constexpr std::uint32_t kFixedSize = 52;

    std::array<char, 32> Word{};  // zero-padded; a 32-character word has no NUL
    std::int32_t IntA = 0;
    std::int32_t IntB = 0;
    float FloatA = 0.0f;
    float FloatB = 0.0f;
    std::int32_t PhonemeCount = 0;
    std::vector<Phoneme_Block> Phonemes;

    // Reads one record. A negative PhonemeCount counts as 0, and only the
    // phoneme records that the input still holds are made; PhonemeCount
    // becomes their number.
    void LoadData(std::istream& in);
    void SaveData(std::ostream& out) const;
    // 52 + 14 per phoneme; PhonemeCount follows Phonemes.
    std::uint32_t CalcSize();
    // PhonemeCount default phonemes.
    void MakePhonemes();
    // The first 32 characters of `word`, zero-padded.
    void SetWord(std::string word);
};

class phnm_Chunk : public RIFF_Chunk {
public:
    std::int32_t TextSize = 0;
    std::string Text;
    std::int32_t WordCount = 0;
    std::vector<Word_Block> Words;

    phnm_Chunk();
    explicit phnm_Chunk(std::istream& in);

    // Counts are checked against the body: a negative count counts as 0, a
    // text or a record the body does not hold is not made, and TextSize,
    // WordCount and PhonemeCount become what was made.
    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // The counts follow the contents; ChunkSize = 8 + text + word records.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Phonemes; }
    // WordCount default words.
    void MakeWords();
};
