// The phoneme chunk: its layout (14-byte phonemes, 52-byte word heads, floats
// bit for bit), counts that lie, and the tag table with its message.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "tests/wave/WaveTestUtil.h"

namespace {

using namespace WaveBuilder;
using WaveTest::AfterID;
using WaveTest::Rest;
using WaveTest::Saved;

float FromBits(std::uint32_t bits) {
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

TEST(PhnmChunk, EmptyChunkIsSixteenBytes) {
    const std::string stored = Phnm("", {});
    ASSERT_EQ(stored.size(), 16u);
    auto in = AfterID(stored);
    phnm_Chunk phnm(in);
    EXPECT_EQ(phnm.CalcSize(), 16u);
    EXPECT_EQ(phnm.ChunkSize, 8u);
    EXPECT_EQ(Saved(phnm), stored);
}

TEST(PhnmChunk, WordsAndPhonemesRoundTripBitForBit) {
    // A signalling NaN and a negative zero must come back as they were.
    const float nan = FromBits(0x7FA00001);
    const float negZero = FromBits(0x80000000);
    const std::string stored = Phnm("hello", {{"hello", -1, 7, 0.5f, nan, {{"hh", 0x0266, 0.1f, 0.2f}, {"ax", 0x0259, negZero, 3.f}}},
                                              {std::string(32, 'w'), 2, 3, 1.f, 2.f, {}},
                                              {"x", 0, 0, 0, 0, {{"zh", 0x0292, 1, 2}}}});
    auto in = AfterID(stored + "NEXT");
    phnm_Chunk phnm(in);
    EXPECT_EQ(Rest(in), "NEXT");  // odd size: its pad byte is stepped over
    ASSERT_EQ(phnm.WordCount, 3);
    EXPECT_EQ(phnm.Text, "hello");
    const Word_Block& first = phnm.Words[0];
    EXPECT_EQ(std::string(first.Word.data()), "hello");
    EXPECT_EQ(first.IntA, -1);
    ASSERT_EQ(first.PhonemeCount, 2);
    EXPECT_EQ(first.Phonemes[1].Code, 0x0259);
    EXPECT_EQ(std::string(first.Phonemes[1].PhonemeTag.data(), 2), "ax");
    EXPECT_EQ(Saved(phnm), stored);
}

TEST(PhnmChunk, SizeOfOneWordWithTwoPhonemes) {
    const std::string stored = Phnm("abcde", {{"w", 0, 0, 0, 0, {{"aa"}, {"b"}}}});
    auto in = AfterID(stored);
    phnm_Chunk phnm(in);
    EXPECT_EQ(phnm.CalcSize(), 102u);  // with the pad byte
    EXPECT_EQ(phnm.ChunkSize, 93u);
    EXPECT_EQ(Saved(phnm), stored);
}

TEST(PhnmChunk, CountsThatLieMakeOnlyWhatTheBodyHolds) {
    const Word word{"w", 1, 2, 3, 4, {{"p", 0x70}, {"t", 0x74}}};
    struct Case {
        const char* what;
        std::string body;
        std::int32_t textSize, wordCount;
        std::vector<std::int32_t> phonemeCounts;
    };
    const Case cases[] = {
        {"negative text size", U32(0xFFFFFFFF) + U32(0), 0, 0, {}},
        {"negative word count", U32(0) + U32(0x80000000), 0, 0, {}},
        {"text longer than body", U32(1000) + "abc", 3, 0, {}},
        {"too many words", U32(0) + U32(1000000) + WordRecord(word, 2), 0, 1, {2}},
        {"negative phoneme count", U32(0) + U32(1) + WordRecord({"w"}, -5), 0, 1, {0}},
        {"too many phonemes", U32(0) + U32(2) + WordRecord(word, 9) + "xyz", 0, 1, {2}},
        // The first word's phonemes swallow the second word's head.
        {"words crowd out words", U32(0) + U32(2) + WordRecord(word, 2) + WordRecord({"v"}, 0).substr(0, 40), 0, 1, {2}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto in = AfterID(Header("phnm", static_cast<std::uint32_t>(c.body.size())) + c.body + "NEXT");
        phnm_Chunk phnm(in);
        EXPECT_EQ(Rest(in), "NEXT");
        EXPECT_EQ(phnm.TextSize, c.textSize);
        EXPECT_EQ(phnm.WordCount, c.wordCount);
        ASSERT_EQ(phnm.Words.size(), c.phonemeCounts.size());
        for (std::size_t i = 0; i < c.phonemeCounts.size(); ++i) {
            EXPECT_EQ(phnm.Words[i].PhonemeCount, c.phonemeCounts[i]);
            EXPECT_EQ(phnm.Words[i].Phonemes.size(), static_cast<std::size_t>(c.phonemeCounts[i]));
        }
        // Whatever was stored, the saved chunk is consistent.
        std::istringstream again(Saved(phnm).substr(4));
        phnm_Chunk reloaded(again);
        EXPECT_EQ(Saved(reloaded), Saved(phnm));
    }
}

TEST(PhonemeTags, EveryEntryOfTheTable) {
    const std::pair<const char*, std::uint16_t> table[] = {
        {"aa", 0x0251}, {"ae", 0x00E6}, {"ao", 0x0254}, {"ax", 0x0259}, {"b", 0x0062},  {"ch", 0x02A7},
        {"d", 0x0064},  {"dh", 0x00F0}, {"eh", 0x025B}, {"er", 0x025A}, {"f", 0x0066},  {"g", 0x0261},
        {"hh", 0x0266}, {"ih", 0x026A}, {"iy", 0x0069}, {"jh", 0x02A4}, {"k", 0x006B},  {"l", 0x006C},
        {"m", 0x006D},  {"n", 0x006E},  {"nx", 0x014B}, {"p", 0x0070},  {"r", 0x027B},  {"s", 0x0073},
        {"sh", 0x0283}, {"t", 0x0074},  {"th", 0x03B8}, {"uh", 0x028A}, {"uw", 0x0075}, {"v", 0x0076},
        {"w", 0x0077},  {"y", 0x006A},  {"z", 0x007A},  {"zh", 0x0292},
    };
    WaveTest::CoutCapture cout;
    for (const auto& [tag, code] : table) {
        Phoneme_Block phoneme;
        phoneme.SetPhonemeTag(tag);
        EXPECT_EQ(phoneme.Code, code) << tag;
    }
    Phoneme_Block longer;
    longer.SetPhonemeTag("aax");
    EXPECT_EQ(longer.Code, 0x0251);
    EXPECT_EQ(std::string(longer.PhonemeTag.data(), 4), std::string("aax\0", 4));
    EXPECT_EQ(cout.Text(), "");
}

TEST(PhonemeTags, UnknownTagsAreReportedAndLeaveTheCode) {
    WaveTest::CoutCapture cout;
    Phoneme_Block phoneme;
    phoneme.Code = 0x1234;
    for (const char* tag : {"bx", "AA", "ah", "", "toolong"}) phoneme.SetPhonemeTag(tag);
    EXPECT_EQ(phoneme.Code, 0x1234);
    EXPECT_EQ(std::string(phoneme.PhonemeTag.data(), 4), "tool");
    EXPECT_EQ(cout.Text(),
              "Unknown Phoneme Tag: bx\nUnknown Phoneme Tag: AA\nUnknown Phoneme Tag: ah\n"
              "Unknown Phoneme Tag: \nUnknown Phoneme Tag: tool\n");

    Phoneme_Block empty;
    empty.PhonemeTag = {'x', 'x', 'x', 'x'};
    empty.SetPhonemeTag("");
    EXPECT_EQ(std::string(empty.PhonemeTag.data(), 4), std::string(4, '\0'));
}

TEST(WordBlock, SetWordCutsAndClears) {
    Word_Block word;
    word.SetWord(std::string(40, 'q'));
    EXPECT_EQ(std::string(word.Word.data(), 32), std::string(32, 'q'));
    word.SetWord("hello");
    EXPECT_EQ(std::string(word.Word.data(), 32), "hello" + std::string(27, '\0'));
}

}  // namespace
