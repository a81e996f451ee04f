// The phoneme chunk: its layout (14-byte phonemes, 52-byte word heads, floats
// bit for bit), counts that lie, and the tag table with its message.
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

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

// Each tag's symbol written as the character itself, not as its code point:
// a slip in a code of the table shows here as another character.
TEST(PhonemeTags, EachTagGivesItsSymbol) {
    const std::pair<const char*, const char*> symbols[] = {
        {"aa", "ɑ"}, {"ae", "æ"}, {"ao", "ɔ"}, {"ax", "ə"}, {"b", "b"},  {"ch", "ʧ"}, {"d", "d"},  {"dh", "ð"},
        {"eh", "ɛ"}, {"er", "ɚ"}, {"f", "f"},  {"g", "ɡ"},  {"hh", "ɦ"}, {"ih", "ɪ"}, {"iy", "i"}, {"jh", "ʤ"},
        {"k", "k"},  {"l", "l"},  {"m", "m"},  {"n", "n"},  {"nx", "ŋ"}, {"p", "p"},  {"r", "ɻ"},  {"s", "s"},
        {"sh", "ʃ"}, {"t", "t"},  {"th", "θ"}, {"uh", "ʊ"}, {"uw", "u"}, {"v", "v"},  {"w", "w"},  {"y", "j"},
        {"z", "z"},  {"zh", "ʒ"},
    };
    std::vector<std::string> messages;
    const Diagnostics::Sink collect = [&messages](std::string_view m) { messages.emplace_back(m); };
    for (const auto& [tag, symbol] : symbols) {
        Phoneme_Block phoneme;
        phoneme.SetPhonemeTag(tag, collect);
        std::string utf8;  // the code point as UTF-8 (all lie below U+0800)
        if (phoneme.Code < 0x80) {
            utf8 += static_cast<char>(phoneme.Code);
        } else {
            utf8 += static_cast<char>(0xC0 | phoneme.Code >> 6);
            utf8 += static_cast<char>(0x80 | (phoneme.Code & 0x3F));
        }
        EXPECT_EQ(utf8, symbol) << tag;
    }
    Phoneme_Block longer;
    longer.SetPhonemeTag("aax", collect);
    EXPECT_EQ(longer.Code, 0x0251);
    EXPECT_EQ(std::string(longer.PhonemeTag.data(), 4), std::string("aax\0", 4));
    EXPECT_TRUE(messages.empty());
}

// The table knows exactly 34 tags: of every tag of one or two lower-case
// letters, all others are reported.
TEST(PhonemeTags, ExactlyThirtyFourTagsAreKnown) {
    int known = 0;
    for (char first = 'a'; first <= 'z'; ++first) {
        for (const char second : std::string("\0abcdefghijklmnopqrstuvwxyz", 27)) {
            bool reported = false;
            Phoneme_Block phoneme;
            phoneme.SetPhonemeTag(std::string(1, first) + (second ? std::string(1, second) : ""),
                                  [&reported](std::string_view) { reported = true; });
            known += !reported;
        }
    }
    EXPECT_EQ(known, 34);
}

TEST(PhonemeTags, UnknownTagsAreReportedAndLeaveTheCode) {
    std::vector<std::string> messages;
    Phoneme_Block phoneme;
    phoneme.Code = 0x1234;
    for (const char* tag : {"bx", "AA", "ah", "", "toolong"}) {
        phoneme.SetPhonemeTag(tag, [&messages](std::string_view m) { messages.emplace_back(m); });
    }
    EXPECT_EQ(phoneme.Code, 0x1234);
    EXPECT_EQ(std::string(phoneme.PhonemeTag.data(), 4), "tool");
    EXPECT_EQ(messages, (std::vector<std::string>{"Unknown Phoneme Tag: bx", "Unknown Phoneme Tag: AA",
                                                  "Unknown Phoneme Tag: ah", "Unknown Phoneme Tag: ",
                                                  "Unknown Phoneme Tag: tool"}));
    // Without a sink, the message goes to standard output.
    WaveTest::CoutCapture cout;
    phoneme.SetPhonemeTag("q");
    EXPECT_EQ(cout.Text(), "Unknown Phoneme Tag: q\n");

    Phoneme_Block empty;
    empty.PhonemeTag = {'x', 'x', 'x', 'x'};
    empty.SetPhonemeTag("", [](std::string_view) {});
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
