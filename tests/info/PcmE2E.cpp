// --pcm as a user meets it beyond the codecs ffmpeg writes: with /x:, where
// what is decoded, copied or not converted is told apart; with a damaged
// block; and without the option it goes with. (The samples themselves are
// checked against ffmpeg in tests/facts/WaveOracleE2E.cpp.)
#include <gtest/gtest.h>

#include <filesystem>
#include <iterator>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "info/Extract.h"
#include "kit/PackageBuilder.h"
#include "tests/support/RunTool.h"
#include "kit/WaveBuilder.h"

namespace {

using TestSupport::PackageBuilder;
using TestSupport::RunResult;
using TestSupport::TempDir;
using namespace WaveBuilder;
namespace fs = std::filesystem;

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

// A format chunk of `extension` after its 16 bytes; none for nullopt.
std::string Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t align, std::uint16_t bits,
                const std::optional<std::string>& extension = std::nullopt) {
    std::string body = U16(tag) + U16(channels) + U32(rate) + U32(rate * align) + U16(align) + U16(bits);
    if (extension) body += U16(static_cast<std::uint16_t>(extension->size())) + *extension;
    return Chunk("fmt ", body);
}
std::string Wave(const std::string& fmt, std::size_t dataBytes) { return Riff(fmt + Chunk("data", std::string(dataBytes, '\x55'))); }
// The extensible format's 22 bytes naming `tag`, then `more`.
std::string Extensible(std::uint16_t tag, const std::string& more = "") {
    return U16(4) + U32(7) + U16(tag) + U16(0) + U32(0x00100000) + U32(0xAA000080) + U32(0x719B3800) + more;
}
const std::string kMsPairs = U16(2) + U32(0x00000100) + U32(0xFF000200);  // 2 of the standard pairs

// Each format that --pcm leaves as stored, and the one cause it names: the
// same words from /x: (which counts each as not converted) and /w:.
TEST(PcmE2E, ExtractionDecodesCopiesOrSaysNotConverted) {
    struct NotConverted {
        const char* name;
        std::string wave;
        std::string cause;
        const char* refusal;  // the JSON's name for the cause
    };
    const NotConverted rows[] = {
        {"Gsm", Riff(Fmt(0x31, 1, 8000, 65, 0, U16(320)) + Chunk("fact", U32(320)) + Chunk("data", std::string(65, '\0'))),
         "its samples are GSM 6.10, which is not decoded", "coding"},
        {"Tag1234", Wave(Fmt(0x1234, 1, 8000, 1, 8, ""), 4), "its samples are of format tag 0x1234, which is not decoded", "coding"},
        {"MuLawAlign2", Wave(Fmt(7, 1, 8000, 2, 8), 8), "its block align is 2 bytes, but a frame of 1 channel of mu-law is 1 byte", "frame_size"},
        {"MuLawNoChannels", Wave(Fmt(7, 0, 8000, 1, 8), 8), "its format has no channels", "no_channels"},
        {"ALawNoAlign", Wave(Fmt(6, 2, 8000, 0, 8), 8), "its format's block align is 0", "no_block_align"},
        {"ALaw40000", Wave(Fmt(6, 40000, 8000, 40000, 8), 40000),
         "its 40000 channels are more than 16-bit PCM can state (32767)", "pcm16_channels"},
        {"ALawRate", Wave(Fmt(6, 30000, 100000, 30000, 8), 30000),
         "16-bit PCM of 30000 channels at 100000 Hz would take 6000000000 bytes a second, more than a format can state", "pcm16_byte_rate"},
        {"MsNoPairs", Wave(Fmt(2, 1, 8000, 64, 4, U16(114) + U16(0)), 64), "its MS ADPCM format stores no coefficient pair", "no_coefficients"},
        {"MsNoExtension", Wave(Fmt(2, 1, 8000, 64, 4), 64),
         "its MS ADPCM format lacks the extension that holds its coefficient pairs", "no_extension"},
        {"MsExtensible3", Wave(Fmt(0xFFFE, 3, 8000, 192, 4, Extensible(2, U16(114) + kMsPairs)), 192),
         "its samples are MS ADPCM of 3 channels, which is not decoded (1 or 2 are)", "channels"},
        {"MsBits", Wave(Fmt(2, 1, 8000, 64, 8, U16(114) + kMsPairs), 64),
         "its samples are MS ADPCM of 8 bits, which is not decoded (4 bits are)", "bits_per_sample"},
        {"MsSmallBlock", Wave(Fmt(2, 2, 8000, 13, 4, U16(2) + kMsPairs), 13),
         "its blocks of 13 bytes cannot hold the headers of 2 channels of MS ADPCM (7 bytes each)", "block_too_small"},
        {"ImaSmallBlock", Wave(Fmt(0x11, 3, 8000, 8, 4, U16(1)), 16),
         "its blocks of 8 bytes cannot hold the headers of 3 channels of IMA ADPCM (4 bytes each)", "block_too_small"},
        {"Ima3Bits", Wave(Fmt(0x11, 1, 8000, 36, 3, U16(65)), 36),
         "its samples are IMA ADPCM of 3 bits, which is not decoded (4 bits are)", "bits_per_sample"},
        {"ShortExtensible", Wave(Fmt(0xFFFE, 1, 8000, 1, 8, U32(7)), 4),
         "its extensible format's extension holds 4 bytes, fewer than 22", "short_extensible"},
        {"NoSubFormat", Wave(Fmt(0xFFFE, 1, 8000, 1, 8, U16(8) + U32(4) + U16(7) + std::string(14, '\0')), 4),
         "its extensible format's sub-format GUID names no format tag", "no_sub_format"},
    };
    TempDir dir;
    const std::string pcm = PcmWave(1, 8000, 16, 50);
    PackageBuilder b;
    b.AddSound("Ima", Ima(ImaBlock(10) + ImaBlock(20)));
    b.AddSound("Pcm", pcm);
    std::string lines;
    for (const NotConverted& row : rows) {
        b.AddSound(row.name, row.wave);
        lines += "Snd_Info: \"" + std::string(row.name) + "\" in 'P.kzs' is not converted to PCM: " + row.cause +
                 "; written as stored\n";
    }
    b.Write(dir.Path() / "P.kzs");
    const RunResult r = Info(dir, {"P.kzs", "/x:x", "--pcm", "-q"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, lines);
    const std::string ima = dir.Read("x/P/Ima.wav");
    EXPECT_EQ(ima.substr(20, 2), U16(1));                     // PCM
    EXPECT_EQ(ima.substr(36, 8), Header("data", 130 * 2));    // 2 blocks of 65 frames
    EXPECT_EQ(dir.Read("x/P/Pcm.wav"), pcm);
    for (const NotConverted& row : rows) EXPECT_TRUE(dir.Read("x/P/" + std::string(row.name) + ".wav") == row.wave) << row.name;
    const RunResult json = Info(dir, {"P.kzs", "/x:j", "--pcm", "--json"});
    const auto totals = nlohmann::json::parse(json.out)["totals"];
    EXPECT_EQ(totals["not_converted"], std::size(rows));
    EXPECT_EQ(totals["written"], std::size(rows) + 2);
    const auto sounds = nlohmann::json::parse(json.out)["files"][0]["extract"]["sounds"];
    ASSERT_EQ(sounds.size(), std::size(rows) + 2);
    for (std::size_t n = 0; n < std::size(rows); ++n) {
        const auto& error = sounds[n + 2]["errors"][0];
        EXPECT_EQ(error["code"], "sound_not_converted");
        EXPECT_EQ(error["values"]["refusal"], rows[n].refusal) << rows[n].name;
        EXPECT_EQ(error["values"]["cause"], rows[n].cause);
    }

    for (const NotConverted& row : rows) {
        dir.Write("in.wav", row.wave);
        const RunResult w = Info(dir, {"in.wav", "/w:out.wav", "--pcm"});
        EXPECT_EQ(w.exitStatus, 1) << row.name;
        EXPECT_NE(w.err.find("Snd_Info: 'in.wav' is not converted to PCM: " + row.cause + "; written as stored\n"),
                  std::string::npos) << w.err;
    }
}

// A sound whose bytes the package does not all hold is never reported
// written. Cut short from the start (its stored size runs past the end of
// the package), it is written as far as the package holds it and counted as
// failed, as without --pcm. Cut short while it is read (the package is
// truncated once its samples are measured, through the library's seam),
// nothing of it is written.
TEST(PcmE2E, ASoundCutShortIsNeverReportedWritten) {
    const std::string ima = Ima(ImaBlock(10) + ImaBlock(20));
    enum Cut { kWhole, kFromTheStart, kWhileRead };
    for (const Cut cut : {kWhole, kFromTheStart, kWhileRead}) {
        SCOPED_TRACE(cut);
        TempDir dir;
        const std::string package = (dir.Path() / "P.kzs").string();
        const std::string file = (dir.Path() / "x").string() + "/P/Ima.wav";
        // The sound's stored size claims 100 bytes beyond the package's end.
        const std::int32_t missing = cut == kFromTheStart ? 100 : 0;
        PackageBuilder b;
        b.AddSound("Pcm", PcmWave(1, 8000, 16, 50));
        b.AddSound("Ima", ima, {0, 0, 0, static_cast<std::int32_t>(ima.size()) + missing, 0});  // last in the file
        b.Write(package);
        ExtractRequest request;
        request.packages = {package};
        request.folder = (dir.Path() / "x").string();
        request.pcm = true;
        request.quiet = true;
        // Cut inside the second block as the samples are about to be read.
        request.onStep = [&](ExtractStep step, const std::string& at) {
            if (cut == kWhileRead && step == ExtractStep::Decoding && at == file) {
                fs::resize_file(package, fs::file_size(package) - 16);
            }
        };
        std::ostringstream out, err;
        const int status = Extract(request, out, err);
        const std::string sound = "\"Ima\" in '" + package + "'";
        const std::string errors[] = {
            "",
            "Snd_Info: " + sound + " is cut short: '" + file + "' holds the " + std::to_string(ima.size()) + " of its " +
                std::to_string(ima.size() + 100) + " bytes that the package holds\n",
            "Snd_Info: " + sound + ": the last block is cut short: 20 bytes of 36 hold 33 frames\n"
            "Snd_Info: " + sound + ": the data ends after 56 of its 72 bytes\n"
            "Snd_Info: cannot read all of " + sound + ": '" + file + "' is not written\n",
        };
        EXPECT_EQ(err.str(), errors[cut]);
        EXPECT_EQ(status, cut == kWhole ? 0 : 1);
        EXPECT_EQ(out.str().substr(0, 24), cut == kWhole ? "2 sounds written (448 by" : "1 sound written (144 byt");
        EXPECT_EQ(fs::exists(file), cut != kWhileRead);
    }
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
