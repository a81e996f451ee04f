// What Snd_Info finds in WAVE files whose headers disagree, lack a chunk,
// repeat one, or hold RF64 sizes, sampler loops and instrument ranges: the
// lines on standard error, the exit status, a line of the print, and whether
// /w: writes the file -- each run as the built program.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include <nlohmann/json.hpp>

#include "kit/PackageBuilder.h"
#include "tests/support/RunTool.h"
#include "kit/WaveBuilder.h"

namespace {

using TestSupport::PackageBuilder;
using TestSupport::RunResult;
using TestSupport::SndInfoPath;
using TestSupport::TempDir;
using namespace WaveBuilder;

RunResult Info(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(SndInfoPath(), args, dir.Path());
}

// A format chunk with every field given.
std::string Fmt(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint32_t bytesPerSecond,
                std::uint16_t blockAlign, std::uint16_t bits, const std::string& extension = "") {
    std::string body = U16(tag) + U16(channels) + U32(rate) + U32(bytesPerSecond) + U16(blockAlign) + U16(bits);
    if (tag != 1) body += U16(static_cast<std::uint16_t>(extension.size())) + extension;
    return Chunk("fmt ", body);
}

// The 36 fixed bytes of "smpl", with `loops` loops counted.
std::string SamplerHead(std::uint32_t loops) {
    return U32(1) + U32(2) + U32(125000) + U32(60) + U32(0) + U32(0) + U32(0) + U32(loops) + U32(0);
}

std::string Loop(std::uint32_t id, std::uint32_t type, std::uint32_t start, std::uint32_t end, std::uint32_t plays) {
    return U32(id) + U32(type) + U32(start) + U32(end) + U32(0) + U32(plays);
}

TEST(FindingsE2E, WhatTheHeadersSayAndWhatTheyLack) {
    const std::string pcm = PcmFmt(1, 8000, 16);
    const struct {
        const char* what;
        std::string wave;
        std::string err;    // after "Snd_Info: "
        int status;
        std::string shown;  // a line of the print
        bool written;       // by /w:
    } cases[] = {
        {"block align not channels x bytes", Riff(Fmt(1, 3, 8000, 32000, 4, 24) + Chunk("data", std::string(45, 'x'))),
         "warning: 'in.wav': block align says 4 bytes a frame, 3 channels of 24 bits take 9\n", 0,
         "  Duration: 0:00.001 (5 frames)\n", true},
        {"bytes per second not rate x block align", Riff(Fmt(1, 1, 8000, 1000, 2, 16) + Chunk("data", "abcd")),
         "warning: 'in.wav': bytes per second says 1000, 8000 frames of 2 bytes take 16000\n", 0,
         "  Duration: 0:00.000 (2 frames)\n", true},
        {"a fact count beyond the data", Riff(Fmt(0x11, 1, 8000, 4055, 36, 4, U16(65)) + Chunk("fact", U32(100)) +
                                              Chunk("data", std::string(36, '\0'))),
         "warning: 'in.wav': 'fact' chunk counts 100 frames, the data holds 65\n", 0,
         "  Duration: 0:00.008 (65 frames in 1 block)\n", true},
        {"a fact count within the last block", Riff(Fmt(0x11, 1, 8000, 4055, 36, 4, U16(65)) + Chunk("fact", U32(70)) +
                                                    Chunk("data", std::string(72, '\0'))),
         "", 0, "  Duration: 0:00.009 (70 frames in 2 blocks)\n", true},
        {"a last block cut short, no fact", Riff(Fmt(0x11, 2, 8000, 8110, 72, 4, U16(65)) + Chunk("data", std::string(72 + 16, '\0'))),
         "", 0, "  Duration: 0:00.009 (74 frames in 2 blocks)\n", true},
        {"a second data chunk", Riff(pcm + Chunk("data", "ab") + Chunk("data", std::string(200, 'z'))),
         "warning: 'in.wav': a second 'data' chunk (200 bytes) is kept as it is stored; the first one is the sound's\n", 0,
         "'data' 200 bytes, not interpreted\n", true},
        {"no fmt chunk", Riff(Chunk("data", "ab")), "'in.wav': no 'fmt ' chunk: the format is not known\n", 1,
         "'data' 2 bytes\n", false},
        {"no data chunk", Riff(pcm), "'in.wav': no 'data' chunk: there are no samples\n", 1,
         "  Bits per sample: 16\n", false},
        {"INFO texts end at their NUL", Riff(pcm + Chunk("data", "ab") + List("INFO", Chunk("IART", std::string("teamgrab\0g", 10)))),
         "", 0, "  Artist: \"teamgrab\"\n", true},
        {"sampler loops, one left out", Riff(pcm + Chunk("data", "ab") + Chunk("smpl", SamplerHead(2) + Loop(5, 1, 8000, 16000, 3))),
         "warning: 'in.wav': 'smpl' chunk counts 2 loops, holds 1: the rest are left out\n", 0,
         "  Loop id 5: alternating, start 8000 (0:01.000), end 16000 (0:02.000), fraction 0, plays 3 times\n", true},
        {"a sampler of no loops: its fixed fields alone", Riff(pcm + Chunk("data", "ab") + Chunk("smpl", SamplerHead(0))),
         "", 0, "  Loops: 0\n", true},
        {"a sampler one byte short of its fixed fields", Riff(pcm + Chunk("data", "ab") + Chunk("smpl", SamplerHead(0).substr(1))),
         "", 0, "'smpl' 35 bytes, not interpreted\n", true},
        {"a sampler loop one byte short", Riff(pcm + Chunk("data", "ab") + Chunk("smpl", SamplerHead(1) + Loop(5, 0, 1, 2, 0).substr(1))),
         "warning: 'in.wav': 'smpl' chunk counts 1 loops, holds 0: the rest are left out\n", 0, "  Loops: 1\n", true},
        {"a sampler loop exactly", Riff(pcm + Chunk("data", "ab") + Chunk("smpl", SamplerHead(1) + Loop(5, 2, 1, 2, 0))),
         "", 0, "  Loop id 5: backward, start 1 (0:00.000), end 2 (0:00.000), fraction 0, plays for ever\n", true},
        {"an instrument one byte short", Riff(pcm + Chunk("data", "ab") + Chunk("inst", std::string(6, '\x01'))),
         "", 0, "'inst' 6 bytes, not interpreted\n", true},
        {"an instrument with a byte more", Riff(pcm + Chunk("data", "ab") + Chunk("inst", std::string("\x00\x80\x80\x01\x02\x03\x04\x05", 8))),
         "", 0, "  Unshifted note: 0, fine tune -128 cents, gain -128 dB\n  Notes: 1 to 2, velocities 3 to 4\n", true},
        {"a note of its cue id alone", Riff(pcm + Chunk("data", "ab") + List("adtl", Chunk("note", U32(9)))),
         "", 0, "  'note' 4 bytes, cue id 9: \"\"\n", true},
        {"a note one byte short of its cue id", Riff(pcm + Chunk("data", "ab") + List("adtl", Chunk("note", "abc"))),
         "", 0, "  'note' 3 bytes, not interpreted\n", true},
        {"a labelled text of its fixed fields alone", Riff(pcm + Chunk("data", "ab") + List("adtl", Ltxt(3, 0, "rgn ", 0, 0, 0, 0))),
         "", 0, "  'ltxt' 20 bytes, cue id 3: sample length 0, purpose 'rgn ', country 0, language 0, dialect 0, code page 0, text \"\"\n", true},
        {"an instrument", Riff(pcm + Chunk("data", "ab") + Chunk("inst", std::string("\x3C\xFB\x03\x00\x7F\x01\x7F", 7))),
         "", 0, "  Unshifted note: 60, fine tune -5 cents, gain 3 dB\n  Notes: 0 to 127, velocities 1 to 127\n", true},
        {"RF64", Rf64(pcm, "abcd"), "", 0, "RIFF size: 40 as saved (76 as stored)\n", true},
        {"RF64 named on the first line", Rf64(pcm, "abcd"), "", 0, "in.wav: RF64, PCM, 1 channel, 8000 Hz, 16 bits, 0:00.000\n", true},
        {"RF64 whose ds64 RIFF size is 2^64 - 8",
         "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(0xFFFFFFFFFFFFFFF8, 4, 4) + pcm + Header("data", 0xFFFFFFFF) + "abcd",
         "warning: 'in.wav': RIFF size says 18446744073709551608 bytes, 76 follow the RIFF header\n", 0, "'data' 4 bytes\n", true},
        {"a data size a streaming writer left", "RIFF" + U32(0xFFFFFFFF) + "WAVE" + pcm + Header("data", 0xFFFFFFFF) + "abcd",
         "note: 'in.wav': 'data' chunk's size is 0xFFFFFFFF, as a writer that streams its output leaves it: its samples "
         "are read to the end of the file (4 bytes)\n",
         0, "in.wav: PCM, 1 channel, 8000 Hz, 16 bits, 0:00.000\n", true},
        {"RF64 whose ds64 misstates the RIFF size",
         "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(1000, 4, 4) + pcm + Header("data", 0xFFFFFFFF) + "abcd",
         "warning: 'in.wav': RIFF size says 1000 bytes, 76 follow the RIFF header\n", 0, "'data' 4 bytes\n", true},
        {"RF64 without ds64", "RF64" + U32(0xFFFFFFFF) + "WAVE" + pcm + Chunk("data", "ab"),
         "warning: 'in.wav': an RF64 file without a whole 'ds64' chunk: its 64-bit sizes are not known\n", 0,
         "'data' 2 bytes\n", true},
        {"an extensible format of another GUID", Riff(Fmt(0xFFFE, 2, 8000, 32000, 4, 16, U16(16) + U32(3) + std::string(16, '\x42')) +
                                                     Chunk("data", "abcd")),
         "", 0, "  Sub-format GUID: 42424242424242424242424242424242\n'data' 4 bytes\n  Length: unknown for this format\n", true},
        {"ds64 in a RIFF file", Riff(pcm + Chunk("ds64", std::string(28, '\0')) + Chunk("data", "ab")),
         "warning: 'in.wav': a 'ds64' chunk in a RIFF file means nothing there: kept as it is stored\n", 0,
         "'ds64' 28 bytes, not interpreted\n", true},
        {"RF64 whose fact count stands in ds64",
         "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(4 + 36 + 28 + 12 + 8 + 72, 72, 70) +
             Fmt(0x11, 1, 8000, 4055, 36, 4, U16(65)) + Chunk("fact", U32(0xFFFFFFFF)) + Header("data", 0xFFFFFFFF) +
             std::string(72, '\0'),
         "", 0, "  Duration: 0:00.009 (70 frames in 2 blocks)\n", true},
        {"RF64 whose fact holds a count of its own",
         "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(4 + 36 + 28 + 12 + 8 + 72, 72, 65) +
             Fmt(0x11, 1, 8000, 4055, 36, 4, U16(65)) + Chunk("fact", U32(70)) + Header("data", 0xFFFFFFFF) +
             std::string(72, '\0'),
         "", 0, "  Duration: 0:00.009 (70 frames in 2 blocks)\n", true},
        {"RIFX", "RIFX" + std::string(4, '\0') + "WAVE", "'in.wav' is not a valid WAVE file: big-endian RIFX files are not supported\n",
         1, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.Write("in.wav", c.wave);
        const RunResult r = Info(dir, {"in.wav"});
        EXPECT_EQ(r.err, c.err.empty() ? "" : "Snd_Info: " + c.err);
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_NE(r.out.find(c.shown), std::string::npos) << r.out;
        // The JSON holds the finding said, its severity by the member it
        // stands in and in its own.
        const auto doc = nlohmann::json::parse(Info(dir, {"in.wav", "--json"}).out)["files"][0];
        nlohmann::json said = nlohmann::json::array();
        for (const auto& [member, severity, lead] : {std::tuple{"warnings", "warning", "warning: "},
                                                     std::tuple{"errors", "error", ""}, std::tuple{"notes", "note", "note: "}}) {
            for (const auto& finding : doc.value(member, nlohmann::json::array())) {
                EXPECT_EQ(finding["severity"], severity);
                const bool about = finding.value("values", nlohmann::json::object()).contains("path");
                said.push_back(lead + (about ? "" : std::string("'in.wav': ")) + finding["message"].get<std::string>() + "\n");
            }
        }
        EXPECT_EQ(said, c.err.empty() ? nlohmann::json::array() : nlohmann::json::array({c.err}));
        const RunResult saved = Info(dir, {"in.wav", "/w:out.wav"});
        EXPECT_EQ(saved.exitStatus, c.status);
        EXPECT_EQ(std::filesystem::exists(dir.Path() / "out.wav"), c.written);
        // What is written prints as the input does, but for its name and the
        // RIFF size brought up to date: every chunk is kept.
        const auto chunks = [](const std::string& text) { return text.substr(text.find("\n'") + 1); };
        if (c.written) {
            EXPECT_EQ(chunks(Info(dir, {"out.wav"}).out), chunks(r.out));
        }
    }
}

// The same facts in JSON, and a package's RF64 sound listed and extracted.
TEST(FindingsE2E, JsonAndPackagesSayTheSame) {
    TempDir dir;
    const std::string rf64 = Rf64(PcmFmt(2, 8000, 16), std::string(4000, 's'),
                                  Chunk("smpl", SamplerHead(1) + Loop(0, 0, 10, 20, 0)) +
                                      List("INFO", Chunk("INAM", std::string("Bell\0x", 6))));
    dir.Write("in.wav", rf64);
    const auto doc = nlohmann::json::parse(Info(dir, {"in.wav", "--json"}).out)["files"][0];
    EXPECT_EQ(doc["errors"], nlohmann::json::array());
    EXPECT_EQ(doc["wave"]["container"], "RF64");
    EXPECT_FALSE(doc.contains("notes"));
    // A streamed data size: a note of its own, no warning.
    dir.Write("streamed.wav", Riff(PcmFmt(2, 8000, 16) + Header("data", 0xFFFFFFFF) + "abcd"));
    const auto streamed = nlohmann::json::parse(Info(dir, {"streamed.wav", "--json"}).out)["files"][0];
    EXPECT_EQ(streamed["warnings"], nlohmann::json::array());
    EXPECT_EQ(streamed["notes"], nlohmann::json::parse(R"j([{"code": "data_size_streamed", "severity": "note",
        "message": "'data' chunk's size is 0xFFFFFFFF, as a writer that streams its output leaves it: its samples are read to the end of the file (4 bytes)",
        "values": {"bytes": 4}}])j"));
    EXPECT_EQ(streamed["wave"]["container"], "RIFF");
    EXPECT_EQ(doc["wave"]["audio"]["frames"], 1000);
    EXPECT_EQ(doc["wave"]["audio"]["duration"], 0.125);
    EXPECT_EQ(doc["wave"]["info"], nlohmann::json::parse(R"([{"code":"INAM","text":"Bell"}])"));
    EXPECT_EQ(doc["wave"]["loops"], nlohmann::json::parse(R"([{"cue_id":0,"type":"forward","start":10,"end":20,
        "start_seconds":0.00125,"end_seconds":0.0025,"play_count":0}])"));

    PackageBuilder b;
    b.AddSound("Big", rf64);
    b.Write(dir.Path() / "P.kzs");
    const auto listed = nlohmann::json::parse(Info(dir, {"P.kzs", "--json"}).out)["files"][0]["exports"][0];
    EXPECT_EQ(listed["sound"], true);
    EXPECT_EQ(listed["audio"]["frames"], 1000);
    EXPECT_EQ(Info(dir, {"P.kzs", "/x:x"}).exitStatus, 0);
    EXPECT_EQ(dir.Read("x/P/Big.wav"), rf64);
}

}  // namespace
