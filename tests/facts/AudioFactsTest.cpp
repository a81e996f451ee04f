// The audio facts of a format, a fact count and a data size: frames, blocks
// and duration for every kind of coding, at the edges where a header stops
// adding up, and the findings that say so.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "facts/Facts.h"
#include "wave/FormatChunks.h"

namespace {

constexpr std::uint16_t kPcm = 1, kMsAdpcm = 2, kFloat = 3, kALaw = 6, kIma = 0x11, kMp3 = 0x55, kExtensible = 0xFFFE;

fmt_Chunk Format(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint32_t bytesPerSecond,
                 std::uint16_t blockAlign, std::uint16_t bits, const std::string& extension = "") {
    fmt_Chunk fmt;
    fmt.FormatTag = tag;
    fmt.Channels = channels;
    fmt.SamplesPerSec = rate;
    fmt.AvgBytesPerSec = bytesPerSecond;
    fmt.BlockAlign = blockAlign;
    fmt.BitsPerSample = bits;
    fmt.ExtraData.assign(extension.begin(), extension.end());
    fmt.ExtraSize = static_cast<std::uint16_t>(extension.size());
    return fmt;
}

std::string U16(std::uint16_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

// An extensible format's extension: valid bits, channel mask, a sub-format
// GUID of `tag` (the standard one, or one whose last byte differs).
std::string Extension(std::uint16_t tag, bool standard = true, std::size_t cut = 0) {
    std::string bytes = U16(16) + std::string("\x03\0\0\0", 4) + U16(tag) +
                        std::string("\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71", 14);
    if (!standard) bytes.back() = '\x72';
    return bytes.substr(0, bytes.size() - cut);
}

TEST(AudioFacts, FramesBlocksDurationAndFindings) {
    using Count = std::optional<std::uint64_t>;
    const struct {
        const char* what;
        fmt_Chunk fmt;
        Count fact, data;
        Count frames, blocks, milliseconds;
        std::vector<std::string> findings;
        std::uint16_t codingTag;
    } cases[] = {
        {"PCM", Format(kPcm, 2, 8000, 32000, 4, 16), {}, 4000, 1000, {}, 125, {}, kPcm},
        {"PCM, a fact count does not count", Format(kPcm, 2, 8000, 32000, 4, 16), 7, 4000, 1000, {}, 125, {}, kPcm},
        {"PCM of 12 bits takes 2 bytes a sample", Format(kPcm, 1, 8000, 16000, 2, 12), {}, 10, 5, {}, 1, {}, kPcm},
        {"PCM of 17 bits takes 3", Format(kPcm, 1, 3, 9, 3, 17), {}, 6, 2, {}, 667, {}, kPcm},
        {"block align short of the frame", Format(kPcm, 2, 8000, 24000, 3, 16), {}, 4000, 1000, {}, 125,
         {"block align says 3 bytes a frame, 2 channels of 16 bits take 4"}, kPcm},
        {"block align of 1 byte", Format(kPcm, 1, 8000, 8000, 1, 16), {}, 4000, 2000, {}, 250,
         {"block align says 1 byte a frame, 1 channel of 16 bits take 2"}, kPcm},
        {"bytes per second not rate x block align", Format(kPcm, 1, 1, 1000, 2, 16), {}, 4, 2, {}, 2000,
         {"bytes per second says 1000, 1 frame of 2 bytes take 2"}, kPcm},
        {"bytes per second one more", Format(kPcm, 2, 8000, 32001, 4, 16), {}, 4000, 1000, {}, 125,
         {"bytes per second says 32001, 8000 frames of 4 bytes take 32000"}, kPcm},
        {"no bits: block align counts", Format(kPcm, 1, 8000, 16000, 2, 0), {}, 4000, 2000, {}, 250, {}, kPcm},
        {"no bits, no block align", Format(kPcm, 1, 8000, 0, 0, 0), {}, 4000, {}, {}, {}, {}, kPcm},
        {"no rate: no duration", Format(kPcm, 1, 0, 0, 2, 16), {}, 4000, 2000, {}, {}, {}, kPcm},
        {"no data chunk", Format(kPcm, 1, 8000, 16000, 2, 16), {}, {}, {}, {}, {}, {}, kPcm},
        {"float is not checked as PCM is", Format(kFloat, 1, 8000, 1, 8, 32), {}, 800, 100, {}, 13, {}, kFloat},
        {"A-law", Format(kALaw, 1, 8000, 8000, 1, 8), {}, 801, 801, {}, 100, {}, kALaw},
        // IMA ADPCM, mono blocks of 36 bytes: 65 frames each.
        {"IMA, no fact", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), {}, 72, 130, 2, 16, {}, kIma},
        {"IMA, a fact within the last block", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), 70, 72, 70, 2, 9, {}, kIma},
        {"IMA, a fact of all the data holds", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), 130, 72, 130, 2, 16, {}, kIma},
        {"IMA, a fact of one more", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), 131, 72, 130, 2, 16,
         {"'fact' chunk counts 131 frames, the data holds 130"}, kIma},
        {"IMA, a fact of 1: short by a block, no trim", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), 1, 72, 130, 2, 16,
         {"'fact' chunk counts 1 frame, short of the 130 the data holds by a block or more"}, kIma},
        {"IMA, a fact one block short", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), 65, 72, 130, 2, 16,
         {"'fact' chunk counts 65 frames, short of the 130 the data holds by a block or more"}, kIma},
        {"IMA, a fact one frame within the last block", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), 66, 72, 66, 2, 8, {}, kIma},
        // Stereo blocks of 2048 bytes, 2041 frames each: a writer's count of
        // samples over the channels is no trim of 5 whole blocks.
        {"IMA stereo, a fact of half the frames", Format(kIma, 2, 44100, 44359, 2048, 4, U16(2041)), 5102, 10240, 10205, 5,
         231, {"'fact' chunk counts 5102 frames, short of the 10205 the data holds by a block or more"}, kIma},
        // One block of 2036 frames, 1323 of them sound: the fact trims it.
        {"MS ADPCM, a fact within its one block", Format(kMsAdpcm, 1, 44100, 22179, 1024, 4, U16(2036) + U16(1) + U16(256) + U16(0)),
         1323, 1024, 1323, 1, 30, {}, kMsAdpcm},
        {"IMA, a fact of 0 beside samples: streamed", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), 0, 72, 130, 2, 16, {}, kIma},
        {"IMA, a fact of 0 and no samples", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), 0, 0, 0, 0, 0, {}, kIma},
        {"IMA, a last block of its header alone", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), {}, 40, 66, 2, 8, {}, kIma},
        {"IMA, a last block of one byte", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), {}, 37, 65, 2, 8, {}, kIma},
        {"IMA, one block exactly", Format(kIma, 1, 8000, 4055, 36, 4, U16(65)), {}, 36, 65, 1, 8, {}, kIma},
        // MS ADPCM of the smallest blocks: their two header samples alone.
        {"MS ADPCM, blocks of 2 frames", Format(kMsAdpcm, 1, 8000, 28000, 7, 4, U16(2) + U16(1) + U16(256) + U16(0)), {}, 21,
         6, 3, 1, {}, kMsAdpcm},
        {"a coding not known: the fact count alone", Format(kMp3, 1, 4000, 0, 1, 0), 4000, 100, 4000, {}, 1000, {}, kMp3},
        // GSM 6.10 is not decoded: its fact stands wherever the data holds it.
        {"GSM, a fact blocks short", Format(0x31, 1, 8000, 1625, 65, 0), 1, 650, 1, 10, 0, {}, 0x31},
        {"GSM, a fact beyond the data", Format(0x31, 1, 8000, 1625, 65, 0), 3201, 650, 3200, 10, 400,
         {"'fact' chunk counts 3201 frames, the data holds 3200"}, 0x31},
        {"a coding not known, a fact of 0 and no samples", Format(kMp3, 1, 4000, 0, 1, 0), 0, 0, 0, {}, 0, {}, kMp3},
        {"a coding not known, a fact of 0 beside samples", Format(kMp3, 1, 4000, 0, 1, 0), 0, 1, {}, {}, {}, {}, kMp3},
        {"a coding not known, no fact", Format(kMp3, 1, 4000, 0, 1, 0), {}, 100, {}, {}, {}, {}, kMp3},
        {"extensible PCM", Format(kExtensible, 2, 8000, 32000, 4, 16, Extension(kPcm)), {}, 4000, 1000, {}, 125, {}, kPcm},
        {"extensible PCM checked as PCM", Format(kExtensible, 2, 8000, 32000, 3, 16, Extension(kPcm)), {}, 4000, 1000, {}, 125,
         {"block align says 3 bytes a frame, 2 channels of 16 bits take 4"}, kPcm},
        {"extensible float", Format(kExtensible, 1, 8000, 32000, 4, 32, Extension(kFloat)), {}, 400, 100, {}, 13, {}, kFloat},
        {"extensible of another GUID: the fact count alone", Format(kExtensible, 2, 8000, 32000, 4, 16, Extension(kPcm, false)), 5, 4000, 5, {},
         1, {}, kExtensible},
        {"extensible of sub-format 0", Format(kExtensible, 2, 8000, 32000, 4, 16, Extension(0)), {}, 4000, {}, {}, {}, {},
         kExtensible},
        {"extensible cut one byte short", Format(kExtensible, 2, 8000, 32000, 4, 16, Extension(kPcm, true, 1)), {}, 4000, {},
         {}, {}, {}, kExtensible},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<Facts::Finding> findings;
        const Facts::Audio audio = Facts::AudioOf(&c.fmt, c.fact, c.data, findings);
        EXPECT_TRUE(audio.hasFormat);
        EXPECT_EQ(audio.hasData, c.data.has_value());
        EXPECT_EQ(audio.dataBytes, c.data.value_or(0));
        EXPECT_EQ(audio.codingTag, c.codingTag);
        EXPECT_EQ(audio.subFormatTag, c.codingTag == c.fmt.FormatTag ? 0 : c.codingTag);
        EXPECT_EQ(audio.frames, c.frames);
        EXPECT_EQ(audio.blocks, c.blocks);
        EXPECT_EQ(audio.duration ? std::optional<std::uint64_t>(audio.duration->Milliseconds()) : std::nullopt,
                  c.milliseconds);
        std::vector<std::string> said;
        for (const Facts::Finding& finding : findings) {
            EXPECT_EQ(finding.severity, Facts::Severity::Warning);
            said.push_back(finding.text);
        }
        EXPECT_EQ(said, c.findings);
        EXPECT_EQ(Facts::CountedByData(c.fmt), c.blocks == std::nullopt && c.codingTag != kMp3 && c.codingTag != kExtensible);
    }
    // No format: nothing is worked out, whatever the data.
    std::vector<Facts::Finding> findings;
    const Facts::Audio none = Facts::AudioOf(nullptr, 10, 100, findings);
    EXPECT_FALSE(none.hasFormat);
    EXPECT_TRUE(none.hasData);
    EXPECT_EQ(none.frames, std::nullopt);
    EXPECT_TRUE(findings.empty());
}

TEST(AudioFacts, FormatNamesOfTheRegisteredTags) {
    const std::pair<std::uint16_t, std::string_view> names[] = {
        {0x0000, ""},          {0x0001, "PCM"},          {0x0002, "MS ADPCM"},     {0x0003, "IEEE float"},
        {0x0004, ""},          {0x0006, "A-law"},        {0x0007, "mu-law"},       {0x0008, ""},
        {0x0010, "OKI ADPCM"}, {0x0011, "IMA ADPCM"},    {0x0014, "G.723 ADPCM"},  {0x0020, "Yamaha ADPCM"},
        {0x0022, "TrueSpeech"}, {0x0031, "GSM 6.10"},    {0x0040, "G.721 ADPCM"},  {0x0042, "G.723.1"},
        {0x0045, "G.726 ADPCM"}, {0x0050, "MPEG"},       {0x0055, "MPEG layer 3"}, {0x0064, "G.726 ADPCM"},
        {0x0065, "G.722 ADPCM"}, {0x0092, "AC-3 over S/PDIF"}, {0x00FF, "AAC"},   {0x0161, "WMA"},
        {0x0162, "WMA Pro"},   {0x0163, "WMA Lossless"}, {0x1610, "HE-AAC"},       {0x2000, "AC-3"},
        {0x2001, "DTS"},       {0xF1AC, "FLAC"},         {0xFFFE, "extensible"},   {0xFFFF, ""},
    };
    for (const auto& [tag, name] : names) EXPECT_EQ(Facts::FormatName(tag), name) << tag;
}

}  // namespace
