// --pcm as a user meets it beyond the codecs ffmpeg writes: with /x:, where
// what is decoded, copied or not converted is told apart; with a damaged
// block; and without the option it goes with. (The samples themselves are
// checked against ffmpeg in tests/facts/WaveOracleE2E.cpp.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/PackageBuilder.h"
#include "tests/support/RunTool.h"
#include "kit/WaveBuilder.h"

namespace {

using TestSupport::PackageBuilder;
using TestSupport::RunResult;
using TestSupport::TempDir;
using namespace WaveBuilder;

RunResult Info(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(TestSupport::SndInfoPath(), args, dir.Path());
}

// IMA ADPCM, mono, 36-byte blocks of 65 frames: a block header (first
// sample, step index), then 32 bytes of codes.
std::string Ima(const std::string& blocks) {
    return Riff(Chunk("fmt ", U16(0x11) + U16(1) + U32(8000) + U32(4055) + U16(36) + U16(4) + U16(2) + U16(65)) +
                Chunk("data", blocks));
}
std::string ImaBlock(std::uint8_t stepIndex) { return U16(0) + std::string(1, static_cast<char>(stepIndex)) + '\0' + std::string(32, '\x77'); }

TEST(PcmE2E, ExtractionDecodesCopiesOrSaysNotConverted) {
    TempDir dir;
    const std::string pcm = PcmWave(1, 8000, 16, 50);
    const std::string gsm = Riff(Chunk("fmt ", U16(0x31) + U16(1) + U32(8000) + U32(1625) + U16(65) + U16(0) + U16(2) + U16(320)) +
                                 Chunk("fact", U32(320)) + Chunk("data", std::string(65, '\0')));
    PackageBuilder b;
    b.AddSound("Ima", Ima(ImaBlock(10) + ImaBlock(20)));
    b.AddSound("Pcm", pcm);
    b.AddSound("Gsm", gsm);
    b.Write(dir.Path() / "P.kzs");
    const RunResult r = Info(dir, {"P.kzs", "/x:x", "--pcm"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "Snd_Info: \"Gsm\" in 'P.kzs' is not converted to PCM: its samples are GSM 6.10, which is not "
                     "decoded; written as stored\n");
    const std::string ima = dir.Read("x/P/Ima.wav");
    EXPECT_EQ(ima.substr(20, 2), U16(1));                     // PCM
    EXPECT_EQ(ima.substr(36, 8), Header("data", 130 * 2));    // 2 blocks of 65 frames
    EXPECT_EQ(dir.Read("x/P/Pcm.wav"), pcm);
    EXPECT_EQ(dir.Read("x/P/Gsm.wav"), gsm);
}

TEST(PcmE2E, DamagedBlocksAreSaidAndTheRestWritten) {
    TempDir dir;
    // A step index above 88 in the second block; a last block cut short
    // inside its header.
    dir.Write("in.wav", Ima(ImaBlock(10) + ImaBlock(99) + std::string(3, '\0')));
    const RunResult r = Info(dir, {"in.wav", "/w:out.wav", "--pcm"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_NE(r.err.find("Snd_Info: 'in.wav': step index 99 above 88, taken as 88\n"), std::string::npos) << r.err;
    const std::string out = dir.Read("out.wav");
    EXPECT_EQ(out.substr(36, 8), Header("data", 130 * 2));
    EXPECT_EQ(out.size(), 44u + 260u);

    const RunResult alone = Info(dir, {"in.wav", "--pcm"});
    EXPECT_EQ(alone.exitStatus, 2);
    EXPECT_EQ(alone.err.substr(0, alone.err.find('\n')), "Snd_Info: --pcm goes with /w: or /x:");
}

// An extensible input keeps its channel mask, byte for byte, in the
// extensible PCM format written for it.
TEST(PcmE2E, AnExtensibleInputKeepsItsChannelMask) {
    TempDir dir;
    const std::string guidTail = U16(0) + U32(0x00100000) + U32(0xAA000080) + U32(0x719B3800);
    const auto fmt = [&](std::uint16_t align, std::uint16_t bits, std::uint16_t subFormat) {
        return Chunk("fmt ", U16(0xFFFE) + U16(2) + U32(8000) + U32(8000u * align) + U16(align) + U16(bits) + U16(22) +
                                 U16(bits) + U32(0x00000603) + U16(subFormat) + guidTail);
    };
    dir.Write("in.wav", Riff(fmt(2, 8, 7) + Chunk("data", std::string(8, '\xFF'))));  // mu-law, 4 frames
    const RunResult r = Info(dir, {"in.wav", "/w:out.wav", "--pcm"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(dir.Read("out.wav").substr(12, 48), fmt(4, 16, 1));
}

}  // namespace
