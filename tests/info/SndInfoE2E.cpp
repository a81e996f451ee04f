// Snd_Info, the built program, run in a fresh folder: exact standard output
// and standard error, exit statuses, the files /w: writes, and the export
// scripts /dpl writes, run through Snd_Pull.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kit/Example.h"
#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "tests/support/RunTool.h"
#include "tests/wave/WaveTestUtil.h"
#include "wave/Audio.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;
namespace wb = WaveBuilder;

RunResult Info(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(SndInfoPath(), args, dir.Path());
}

RunResult Pull(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(SndPullPath(), args, dir.Path());
}

using WaveTest::ModelSaves;


const std::string kWind = ToneWave(440, 0.05);
const std::string kBirds = ToneWave(660, 0.04);
const std::string kRain = ToneWave(220, 0.03);

// Every kind of chunk the model knows and two it does not, out of saved
// order, with texts and codes that must be escaped; the odd phoneme chunk is
// stored without its pad byte, which the model adds.
std::string RichWave() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    return wb::Riff(wb::ExtensibleFmt(2, 44100, 16, 3) +
                    wb::List("adtl", wb::Labl(7, "Start \"x\" \\ \xC3\xA9\x01\xC2\x9B\xFF") +
                                         wb::Ltxt(7, 100, "rgn ", 1, 2, 3, 4, "txt") + wb::Chunk("note", "abc")) +
                    wb::Chunk("fact", wb::U32(5)) + wb::Chunk("data", wb::Samples(16, 2, 5)) +
                    wb::Cue({{7, 0, "data", 0, 0, 3}, {8, 2, "data", 0, 0, 4}}) +
                    wb::Unpadded(wb::Phnm("hi yo", {{"hi", 1, -2, 0.5f, nan, {{"hh", 0x0266, 0.1f, 1e20f}, {"q\x01", 1, 0, -0.0f}}}})) +
                    wb::Chunk(std::string("ju\x01\xFF", 4), "12345"));
}

const char kRichPrint[] =
    "RIFF size: 356 as saved (355 as stored)\n"
    "'fmt ' 40 bytes\n"
    "  Format tag: 0xFFFE (extensible)\n"
    "  Channels: 2\n"
    "  Samples per second: 44100\n"
    "  Average bytes per second: 176400\n"
    "  Block align: 4\n"
    "  Bits per sample: 16\n"
    "  Extra size: 22\n"
    "  Extra data: 10 00 03 00 00 00 01 00 00 00 00 00 10 00 80 00 00 AA 00 38 9B 71\n"
    "  Valid bits: 16\n"
    "  Channel mask: 0x00000003\n"
    "  Sub-format: 0x0001 (PCM)\n"
    "'fact' 4 bytes\n"
    "  Sample count: 5\n"
    "'data' 20 bytes\n"
    "  Duration: 0:00.000 (5 frames)\n"
    "'LIST' 80 bytes, type 'adtl'\n"
    "  'labl' 23 bytes, cue id 7: \"Start \\\"x\\\" \\\\ \xC3\xA9\\x01\\xC2\\x9B\\xFF\"\n"
    "  'ltxt' 23 bytes, cue id 7: sample length 100, purpose 'rgn ', country 1, language 2, dialect 3, "
    "code page 4, text \"txt\"\n"
    "  'note' 3 bytes, not interpreted\n"
    "'cue ' 52 bytes\n"
    "  Cue points: 2\n"
    "  Cue id 7: sample offset 3 (0:00.000), position 0, chunk 'data', chunk start 0, block start 0\n"
    "    Label: \"Start \\\"x\\\" \\\\ \xC3\xA9\\x01\\xC2\\x9B\\xFF\"\n"
    "    Text: \"txt\", sample length 100 (0:00.002), purpose 'rgn '\n"
    "  Cue id 8: sample offset 4 (0:00.000), position 2, chunk 'data', chunk start 0, block start 0\n"
    "'phnm' 93 bytes\n"
    "  Text: \"hi yo\"\n"
    "  Words: 1\n"
    "  Word \"hi\": int A 1, int B -2, float A 0.5, float B nan (bits 0x7FC00000), phonemes 2\n"
    "    Phoneme 'hh' U+0266 \xC9\xA6: float A 0.1, float B 1e+20\n"
    "    Phoneme 'q\\x01' U+0001: float A 0, float B -0\n"
    "'ju\\x01\\xFF' 5 bytes, not interpreted\n";

TEST(SndInfoE2E, ShowsAWaveFileAndASoundAlike) {
    TempDir dir;
    const std::string rich = RichWave();
    dir.Write("rich.wav", rich);
    PackageBuilder b;
    b.AddSound("Rich", rich);
    b.Write(dir.Path() / "pk" / "Rich.kzs");

    // Each print begins with what it shows and a line that sums it up.
    const std::string summary = ": PCM, 2 channels, 44100 Hz, 16 bits, 0:00.000\n";
    for (const auto& [args, name] : {std::pair<std::vector<std::string>, std::string>{{"rich.wav"}, "rich.wav"},
                                     {{"pk\\Rich.kzs", "Rich"}, "Rich in pk\\Rich.kzs"}}) {
        SCOPED_TRACE(args[0]);
        const RunResult r = Info(dir, args);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, name + summary + kRichPrint);
    }
    // The same facts in the JSON document, every field; the sound's "wave"
    // is the file's.
    const nlohmann::json richJson = nlohmann::json::parse(
        R"({"path":"rich.wav","type":"wave","warnings":[],"errors":[],"wave":{"container":"RIFF","riff_size":356,"riff_size_stored":355,"sto)"
        R"(red_bytes":363,"audio":{"format":"PCM","format_tag":65534,"sub_format_tag":1,"channels":2,"rate":44100,"bits":)"
        R"(16,"block_align":4,"bytes_per_second":176400,"data_bytes":20,"frames":5,"duration":0.00011337868480725624},"ch)"
        R"(unks":[{"id":"fmt ","size":40,"format_tag":65534,"channels":2,"samples_per_sec":44100,"avg_bytes_per_sec":1764)"
        R"(00,"block_align":4,"bits_per_sample":16,"extra_size":22,"extra_data":[16,0,3,0,0,0,1,0,0,0,0,0,16,0,128,0,0,17)"
        R"(0,0,56,155,113],"format":"extensible","valid_bits":16,"channel_mask":3,"sub_format_tag":1,"sub_format":"PCM"},)"
        R"({"id":"fact","size":4,"sample_count":5},{"id":"data","size":20},{"id":"LIST","size":80,"list_type":"adtl","sub)"
        R"(_chunks":[{"id":"labl","size":23,"cue_id":7,"text":"Start \"x\" \\ \u00e9\u0001\u009b\ufffd","text_bytes":[83,)"
        R"(116,97,114,116,32,34,120,34,32,92,32,195,169,1,194,155,255]},{"id":"ltxt","size":23,"cue_id":7,"sample_length")"
        R"(:100,"purpose":"rgn ","country":1,"language":2,"dialect":3,"code_page":4,"text":"txt"},{"id":"note","size":3}])"
        R"(},{"id":"cue ","size":52,"count":2,"points":[{"id":7,"position":0,"chunk":"data","chunk_start":0,"block_start")"
        R"(:0,"sample_offset":3},{"id":8,"position":2,"chunk":"data","chunk_start":0,"block_start":0,"sample_offset":4}]})"
        R"(,{"id":"phnm","size":93,"word_count":1},{"id":"ju\u0001\ufffd","id_bytes":[106,117,1,255],"size":5}],"cues":[{)"
        R"("id":7,"sample_offset":3,"seconds":6.802721088435374e-05,"position":0},{"id":8,"sample_offset":4,"seconds":9.0)"
        R"(70294784580499e-05,"position":2}],"cue_texts":[{"cue_id":7,"labels":[{"text":"Start \"x\" \\ \u00e9\u0001\u009)"
        R"(b\ufffd","text_bytes":[83,116,97,114,116,32,34,120,34,32,92,32,195,169,1,194,155,255]}],"texts":[{"text":"txt")"
        R"(,"sample_length":100,"seconds":0.0022675736961451248,"purpose":"rgn "}],"notes":[]}],"info":[],"phonemes":{"te)"
        R"(xt":"hi yo","words":[{"word":"hi","int_a":1,"int_b":-2,"float_a":0.5,"float_b":null,"float_b_bits":2143289344,)"
        R"("phonemes":[{"tag":"hh","code":614,"symbol":"\u0266","float_a":0.10000000149011612,"float_b":1.000000020040877)"
        R"(3e+20},{"tag":"q\u0001","code":1,"symbol":null,"float_a":0.0,"float_b":-0.0}]}]},"loops":[]}})");
    const auto document = [&](const std::vector<std::string>& args) { return nlohmann::json::parse(Info(dir, args).out)["files"][0]; };
    EXPECT_EQ(document({"rich.wav", "--json"}), richJson);
    const nlohmann::json sound = document({"pk\\Rich.kzs", "Rich", "--json"});
    EXPECT_EQ(sound["wave"], richJson["wave"]);
    EXPECT_EQ(sound["sound"], "Rich");
    EXPECT_EQ(sound["export"], 0);

    // A coding whose length only a fact chunk could tell has none without
    // one; milliseconds are rounded.
    dir.Write("plain.wav", wb::Riff(wb::FmtWithExtension(0x55, 1, 8000, 0, "") + wb::Chunk("data", "abcd")));
    const std::string plain = Info(dir, {"plain.wav"}).out;
    EXPECT_TRUE(plain.starts_with("plain.wav: MPEG layer 3, 1 channel, 8000 Hz, 0 bits, length unknown\n"
                                  "RIFF size: 42\n'fmt ' 18 bytes\n  Format tag: 0x0055 (MPEG layer 3)\n")) << plain;
    EXPECT_TRUE(plain.ends_with("  Extra size: 0\n'data' 4 bytes\n  Length: unknown for this format\n")) << plain;
    dir.Write("pcm.wav", wb::PcmWave(1, 8000, 8, 12345));
    const std::string pcm = Info(dir, {"pcm.wav"}).out;
    EXPECT_TRUE(pcm.ends_with("'data' 12345 bytes\n  Duration: 0:01.543 (12345 frames)\n")) << pcm;
}

TEST(SndInfoE2E, ListsAPackage) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Wind01", kWind);
    ExportEntry notes;
    notes.classRef = b.AddImport({b.Name("Core"), b.Name("Class"), 0, b.Name("Text")});
    notes.objectName = b.Name("Notes");
    notes.object = "plain text, not a sound";
    b.AddExport(notes);
    ExportEntry empty;
    empty.objectName = b.Name("Empty");
    b.AddExport(empty);
    b.AddSound("Wind01", kBirds);                       // a second export of the name
    b.AddSound("Caf\xC3\xA9 \x01\xFF", kRain);          // shown escaped
    b.AddSound("Short", "RIFF", {0, 0, 0, 4, 0});       // too short for a RIFF header
    b.AddSound("Cut", kRain, {0, 0, 0, 100000, 0});     // claims more than the file holds
    b.PackageFlags = 0x00010001;
    b.Guid[0] = 0xAB;
    b.Guid[15] = 0x01;
    b.Write(dir.Path() / "pk" / "Mixed.kzs");

    const RunResult r = Info(dir, {"pk\\Mixed.kzs"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    // A name holding a control byte and one that is not UTF-8 are escaped,
    // and the columns still line up.
    EXPECT_EQ(r.out,
              "pk\\Mixed.kzs: 4 sounds, 0:00.150, 6788 bytes\n"
              "\n"
              "#  Name             Format    Channels   Rate  Bits  Duration  Size\n"
              "0  \"Wind01\"         PCM              1  22050    16  0:00.050  2248\n"
              "1  \"Notes\"          no sound         -      -     -         -     -\n"
              "2  \"Empty\"          no sound         -      -     -         -     -\n"
              "3  \"Wind01\"         PCM              1  22050    16  0:00.040  1808\n"
              "4  \"Caf\xC3\xA9 \\x01\\xFF\"  PCM              1  22050    16  0:00.030  1366\n"
              "5  \"Short\"          no sound         -      -     -         -     -\n"
              "6  \"Cut\"            PCM              1  22050    16  0:00.030  1366\n");
    // Verbose: the header's internals, and each export's class (class 0
    // stands for name 0, "Core"), data size and offset.
    const RunResult v = Info(dir, {"pk\\Mixed.kzs", "-v"});
    EXPECT_EQ(v.out,
              "pk\\Mixed.kzs: 4 sounds, 0:00.150, 6788 bytes\n"
              "Tag: 0x50535A4B ('KZSP')\n"
              "Version: 68\n"
              "Flags: 0x00010001\n"
              "GUID: AB000000000000000000000000000001\n"
              "Generations: 0\n"
              "Names: 10 at offset 56\n"
              "Imports: 2 at offset 156\n"
              "Exports: 7 at offset 170\n"
              "\n"
              "#  Name             Class    Data size  Offset  Format    Channels   Rate  Bits  Duration  Size\n"
              "0  \"Wind01\"         \"Sound\"       2256     270  PCM              1  22050    16  0:00.050  2248\n"
              "1  \"Notes\"          \"Text\"          23    2526  no sound         -      -     -         -     -\n"
              "2  \"Empty\"          \"Core\"           0       -  no sound         -      -     -         -     -\n"
              "3  \"Wind01\"         \"Sound\"       1816    2549  PCM              1  22050    16  0:00.040  1808\n"
              "4  \"Caf\xC3\xA9 \\x01\\xFF\"  \"Sound\"       1374    4365  PCM              1  22050    16  0:00.030  1366\n"
              "5  \"Short\"          \"Sound\"         11    5739  no sound         -      -     -         -     -\n"
              "6  \"Cut\"            \"Sound\"       1375    5750  PCM              1  22050    16  0:00.030  1366\n");
}

TEST(SndInfoE2E, ListsALegacyPackage) {
    TempDir dir;
    PackageBuilder b(60);
    b.LegacyCount = 3;
    b.LegacyOffset = 99;
    b.Name("None");
    b.Write(dir.Path() / "Old.kzs");
    const RunResult r = Info(dir, {"Old.kzs", "--verbose"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, "Old.kzs: 0 sounds, 0:00.000, 0 bytes\nTag: 0x50535A4B ('KZSP')\nVersion: 60\nFlags: 0x00000000\n"
                     "Legacy count: 3, offset 99\nNames: 1 at offset 44\nImports: 0 at offset 53\nExports: 0 at offset 53\n");
    // The last version with the legacy table, and the first without.
    for (const std::uint32_t version : {67u, 68u}) {
        PackageBuilder v(version);
        v.LegacyCount = 3;
        v.LegacyOffset = 99;
        v.Name("None");
        v.Write(dir.Path() / "V.kzs");
        const bool legacy = version == 67;
        const RunResult text = Info(dir, {"V.kzs", "-v"});
        EXPECT_EQ(text.out.find("Legacy count: 3, offset 99\n") != std::string::npos, legacy) << text.out;
        EXPECT_EQ(text.out.find("Generations: ") == std::string::npos, legacy) << text.out;
        const RunResult json = Info(dir, {"V.kzs", "--json"});
        EXPECT_EQ(json.out.find("\"legacy\": {") != std::string::npos, legacy) << json.out;
    }
}

TEST(SndInfoE2E, WritesThroughTheModel) {
    TempDir dir;
    const std::string rich = RichWave();
    // Already in saved order, with a list of texts and an odd data chunk.
    const std::string ordered = wb::Riff(wb::PcmFmt(1, 11025, 8) + wb::Chunk("data", wb::Samples(8, 1, 101)) +
                                         wb::List("INFO", wb::Chunk("INAM", std::string("Title\0", 6))) +
                                         wb::Cue({{1, 0, "data", 0, 0, 0}}));
    dir.Write("rich.wav", rich);
    dir.Write("in\\ordered.wav", "");  // not this one: the folder is meant
    dir.Write("in/ordered.wav", ordered);
    PackageBuilder b;
    b.AddSound("Rich", rich);
    b.AddSound("Ordered", ordered);
    b.Write(dir.Path() / "pk" / "Both.kzs");
    fs::create_directory(dir.Path() / "out");

    const struct {
        std::vector<std::string> args;
        std::string written;
        std::string expected;
    } cases[] = {
        {{"rich.wav", "/w:out\\rich.wav"}, "out/rich.wav", ModelSaves(rich)},
        {{"/W:out\\ordered.wav", "in\\ordered.wav"}, "out/ordered.wav", ordered},
        {{"pk\\Both.kzs", "Rich", "/w:out\\sound-rich.wav"}, "out/sound-rich.wav", ModelSaves(rich)},
        {{"pk\\Both.kzs", "/w:out\\sound-ordered.wav", "Ordered"}, "out/sound-ordered.wav", ordered},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.written);
        const RunResult r = Info(dir, c.args);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(dir.Read(c.written), c.expected);
        // The written file prints as the model did, but for the RIFF size
        // that was stored in the input.
        const std::string again = Info(dir, {"out\\" + fs::path(c.written).filename().string()}).out;
        EXPECT_EQ(again.substr(again.find("\n'")), r.out.substr(r.out.find("\n'")));
    }
    EXPECT_EQ(ModelSaves(rich).size(), 364u);
}

// A sound shown and saved from its package is the sound Snd_Pull exports,
// shown and saved from its file: the same print, the same /w: bytes (or the
// same refusal), damaged sounds included.
TEST(SndInfoE2E, ASoundSavesAsItsExportedFileDoes) {
    TempDir dir;
    const std::string fmt = wb::PcmFmt(1, 8000, 8);
    const std::string odd = fmt + wb::Chunk("data", "abcde") + wb::List("INFO", wb::Chunk("IART", "abc")) +
                            wb::Chunk("junk", "j");
    PackageBuilder b;
    b.AddSound("Tone", kWind);
    b.AddSound("Rich", RichWave());
    b.AddSound("Padded", wb::Riff(odd));
    b.AddSound("Unpadded", wb::Riff(wb::Unpadded(odd)));
    b.AddSound("Claims", wb::Riff(fmt + wb::Header("data", 5000) + "abc"));
    b.AddSound("RiffShort", wb::Riff(4 + 24 + 24 - 12, fmt + wb::Chunk("data", "abcdefghijklmnop")));
    b.AddSound("RiffUnknown", wb::Riff(0xFFFFFFFF, fmt + wb::Chunk("data", "abcd")));
    b.AddSound("Cut", kRain, {0, 0, 0, static_cast<std::int32_t>(kRain.size() - 101), 0});
    b.AddSound("NotWave", "RIFF" + U32(4) + "TEXT");
    b.AddSound("Last", wb::Riff(fmt + wb::Chunk("data", "xyz")), {0, 0, 0, 100000, 0});  // beyond the file's end
    b.Write(dir.Path() / "pk" / "All.kzs");
    const std::vector<std::string> names = {"Tone",        "Rich", "Padded",  "Unpadded", "Claims", "RiffShort",
                                            "RiffUnknown", "Cut",  "NotWave", "Last"};
    std::string script = "All;\n";
    for (const std::string& name : names) script += name + "\n";
    dir.Write("all.dpl", script);
    fs::create_directories(dir.Path() / "out");
    fs::create_directories(dir.Path() / "a");
    fs::create_directories(dir.Path() / "b");
    ASSERT_EQ(Pull(dir, {"all", "/i:pk", "/o:out"}).err, "");

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        ASSERT_TRUE(dir.Exists("out/" + name + ".wav"));
        const RunResult fromPackage = Info(dir, {"pk\\All.kzs", name, "/w:a\\" + name + ".wav"});
        const RunResult fromFile = Info(dir, {"out\\" + name + ".wav", "/w:b\\" + name + ".wav"});
        // The same print, but for the name it begins with.
        const auto afterName = [](const std::string& text) { return text.substr(text.find('\n') + 1); };
        EXPECT_EQ(afterName(fromPackage.out), afterName(fromFile.out));
        EXPECT_EQ(fromPackage.exitStatus, fromFile.exitStatus);
        EXPECT_EQ(dir.Exists("a/" + name + ".wav"), name != "NotWave");
        EXPECT_EQ(dir.Exists("b/" + name + ".wav"), name != "NotWave");
        EXPECT_EQ(dir.Read("a/" + name + ".wav"), dir.Read("b/" + name + ".wav"));
    }
    // The padded file comes back as it was, and its print names no stored
    // RIFF size; the unpadded one comes back with the pads.
    EXPECT_EQ(dir.Read("a/Padded.wav"), wb::Riff(odd));
    EXPECT_EQ(dir.Read("a/Unpadded.wav"), wb::Riff(odd));
    EXPECT_NE(Info(dir, {"out\\Padded.wav"}).out.find("\nRIFF size: 76\n'fmt '"), std::string::npos);
    EXPECT_NE(Info(dir, {"out\\Unpadded.wav"}).out.find("\nRIFF size: 76 as saved (73 as stored)\n"), std::string::npos);
}

const char kAmbientScriptRun[] =
    "\n"
    "Opened 'pk\\Ambient.kzs'\n"
    "Exporting out\\Wind01.wav\n"
    "Exporting out\\Birds.wav\n"
    "Exporting out\\ Lead.wav\n";

TEST(SndInfoE2E, ExportScriptExportsEverySound) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Wind01", kWind);
    ExportEntry notRain;  // the first "Rain" is no sound, so Snd_Pull could not export one
    notRain.objectName = b.Name("Rain");
    notRain.object = "not a sound";
    b.AddExport(notRain);
    b.AddSound("Birds", kBirds);
    b.AddSound("Rain", kRain);
    b.AddSound("Birds", kRain);  // listed once: Snd_Pull takes the first
    ExportEntry hidden;          // an offset of -1 is no match for Snd_Pull
    hidden.classRef = b.SoundClass();
    hidden.objectName = b.Name("Hidden");
    hidden.object = SoundObject(kWind);
    hidden.dataOffset = -1;
    b.AddExport(hidden);
    b.AddSound("Short", "RIFF", {0, 0, 0, 4, 0});
    b.AddSound(" Lead", kRain);
    b.Write(dir.Path() / "pk" / "Ambient.kzs");
    fs::create_directory(dir.Path() / "out");

    // The sounds after the first of their name are named on standard error.
    const auto unreachable = [](const std::string& package) {
        return "Snd_Info: warning: '" + package + "': Snd_Pull cannot reach \"Rain\" (#3): its name finds \"Rain\" (#1) first\n"
               "Snd_Info: warning: '" + package + "': Snd_Pull cannot reach \"Birds\" (#4): its name finds \"Birds\" (#2) first\n";
    };
    const RunResult script = Info(dir, {"pk\\Ambient.kzs", "/dpl"});
    EXPECT_EQ(script.exitStatus, 0);
    EXPECT_EQ(script.err, unreachable("pk\\Ambient.kzs"));
    EXPECT_EQ(script.out, "Ambient;\nWind01\nBirds\n Lead\n");
    dir.Write("sounds.dpl", script.out);
    const RunResult pull = Pull(dir, {"sounds", "/i:pk", "/o:out"});
    EXPECT_EQ(pull.out, kAmbientScriptRun);
    EXPECT_EQ(pull.err, "");
    EXPECT_EQ(dir.Read("out/Wind01.wav"), kWind);
    EXPECT_EQ(dir.Read("out/Birds.wav"), kBirds);
    EXPECT_EQ(dir.Read("out/ Lead.wav"), kRain);

    // Any case, anywhere; a name without ".kzs" is kept whole, with a warning.
    fs::copy_file(dir.Path() / "pk" / "Ambient.kzs", dir.Path() / "Ambient.pak");
    const RunResult other = Info(dir, {"/DPL", "Ambient.pak"});
    EXPECT_EQ(other.exitStatus, 0);
    EXPECT_EQ(other.out, "Ambient.pak;\nWind01\nBirds\n Lead\n");
    EXPECT_EQ(other.err, "Snd_Info: warning: 'Ambient.pak' does not end in \".kzs\": Snd_Pull will look for "
                         "'Ambient.pak.kzs'\n" + unreachable("Ambient.pak"));
}

TEST(SndInfoE2E, ExportScriptLeavesOutUnsafeNames) {
    TempDir dir;
    PackageBuilder b;
    for (const std::string name : {"a/b", "ok", "a\\b", "c:d", ".", "..", "semi;", "tab\there", "", "del\x7F",
                                   "line\nbreak", "..."}) {
        b.AddSound(name, kWind);
    }
    ExportEntry notASound;  // unsafe, but no sound: not worth a word
    notASound.objectName = b.Name("x/y");
    b.AddExport(notASound);
    b.Write(dir.Path() / "Unsafe.kzs");
    fs::create_directory(dir.Path() / "out");

    const RunResult r = Info(dir, {"Unsafe.kzs", "/dpl"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.out, "Unsafe;\nok\n...\n");
    const std::string leftOut = "Snd_Info: left out of the script, not usable as a file name: ";
    EXPECT_EQ(r.err, leftOut + "\"a/b\"\n" + leftOut + "\"a\\\\b\"\n" + leftOut + "\"c:d\"\n" + leftOut + "\".\"\n" +
                         leftOut + "\"..\"\n" + leftOut + "\"semi;\"\n" + leftOut + "\"tab\\x09here\"\n" + leftOut +
                         "\"\"\n" + leftOut + "\"del\\x7F\"\n" + leftOut + "\"line\\x0Abreak\"\n");
    dir.Write("unsafe.dpl", r.out);
    EXPECT_EQ(Pull(dir, {"unsafe", "/o:out"}).out,
              "\nOpened 'Unsafe.kzs'\nExporting out\\ok.wav\nExporting out\\....wav\n");
    EXPECT_EQ(dir.Read("out/ok.wav"), kWind);
}

TEST(SndInfoE2E, NonAsciiNamesInFileNames) {
    if (RunsUnderRunner()) GTEST_SKIP() << "Windows spells non-ASCII file names through its code page";
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Gr\xC3\xBC\xC3\x9F" "e", kWind);
    b.AddSound("\xFF\xFE", kBirds);
    b.Write(dir.Path() / "Gr\xC3\xBC\xC3\x9F" "e.kzs");
    fs::create_directory(dir.Path() / "out");

    const RunResult r = Info(dir, {"Gr\xC3\xBC\xC3\x9F" "e.kzs", "/dpl"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "Gr\xC3\xBC\xC3\x9F" "e;\nGr\xC3\xBC\xC3\x9F" "e\n\xFF\xFE\n");
    dir.Write("script.dpl", r.out);
    Pull(dir, {"script", "/o:out"});
    EXPECT_EQ(dir.Read("out/Gr\xC3\xBC\xC3\x9F" "e.wav"), kWind);
    EXPECT_EQ(dir.Read("out/\xFF\xFE.wav"), kBirds);

    // A control character cannot stand on the package line of a script;
    // every other byte can.
    const std::pair<std::string, std::string> names[] = {{"A\x01", "A\\x01"}, {"B\x1F", "B\\x1F"}, {"C\x7F", "C\\x7F"}, {"D ~", ""}};
    for (const auto& [name, shown] : names) {
        b.Write(dir.Path() / (name + ".kzs"));
        const RunResult one = Info(dir, {name + ".kzs", "/dpl"});
        const bool control = !shown.empty();
        EXPECT_EQ(one.exitStatus, control ? 1 : 0) << name;
        EXPECT_EQ(one.out, control ? "" : name + ";\nGr\xC3\xBC\xC3\x9F" "e\n\xFF\xFE\n");
        EXPECT_EQ(one.err, control ? "Snd_Info: the package name '" + shown + "' cannot stand in a script\n" : "");
    }
}

// The second of the two lines of bad usage.
constexpr char kTryHelp[] = "Try 'Snd_Info --help' for more information.\n";

TEST(SndInfoE2E, BadUsage) {
    TempDir dir;
    dir.Write("in.wav", kWind);
    PackageBuilder b;
    b.AddSound("Wind01", kWind);
    b.Write(dir.Path() / "A.kzs");
    b.Write(dir.Path() / "B.kzs");

    const struct {
        std::vector<std::string> args;
        std::string reason;
    } cases[] = {
        {{}, "no FILE given"},
        {{"/dpl"}, "no FILE given"},
        {{"A.kzs", "/x"}, "unknown option '/x'"},
        {{"A.kzs", "--jsn"}, "unknown option '--jsn'"},
        {{"A.kzs", "--dpl=yes"}, "unknown option '--dpl=yes'"},
        {{"A.kzs", "-x"}, "unknown option '-x'"},
        {{"in.wav", "--write"}, "--write needs a file name after it"},
        {{"in.wav", "--write="}, "--write needs a file name after it"},
        {{"A.kzs", "/json", "--dpl"}, "/dpl prints a script, /json a document: give one of them"},
        {{"A.kzs", "Wind01", "Wind01", "/w:a.wav"}, "/w: saves one WAVE file or one SOUND"},
        {{"in.wav", "A.kzs", "/w:a.wav"}, "/w: saves one WAVE file or one SOUND"},
        {{"A.kzs", "Wind01", "/w:-", "--json"}, "/w:- writes the WAVE file to standard output: nothing else can go there"},
        {{"A.kzs", "/dpl:yes"}, "unknown option '/dpl:yes'"},
        {{"in.wav", "/w:"}, "/w: needs a file name after it"},
        {{"in.wav", "/dpl"}, "/dpl works on a package, not on a WAVE file"},
        {{"A.kzs", "Wind01", "/dpl"}, "/dpl takes a package alone, without a SOUND"},
        {{"A.kzs", "/w:out.wav"}, "/w: saves a WAVE file or a SOUND of a package"},
        {{"in.wav", "Wind01"}, "a SOUND is looked up in a package, not in a WAVE file"},
        {{"A.kzs", "/x:"}, "/x: needs a folder after it"},
        {{"A.kzs", "--extract"}, "--extract needs a folder after it"},
        {{"A.kzs", "/y"}, "/y goes with /x:"},
        {{"A.kzs", "--flat"}, "--flat goes with /x:"},
        {{"A.kzs", "/x:out", "/dpl"}, "/x: writes files of its own: /dpl and /w: do not go with it"},
        {{"A.kzs", "Wind01", "A.kzs", "--extract=out"}, "/x: takes packages, or one package and its sounds"},
        {{"A.kzs", "B.kzs", "Wind01", "/x:out"}, "/x: takes packages, or one package and its sounds"},
        {{"A.kzs", "/x:out", "/w:o.wav"}, "/x: writes files of its own: /dpl and /w: do not go with it"},
        {{"/x:out"}, "no FILE given"},
        {{"A.kzs", "/x:out", "--bogus"}, "unknown option '--bogus'"},
        {{"A.kzs", "--pcm"}, "--pcm goes with /w: or /x:"},
        {{"--sound=Wind01", "A.kzs"}, "--sound names a sound of the FILE before it"},
        {{"A.kzs", "--sound"}, "--sound needs a sound's name after it"},
        // The shape of a slash option: '/', letters a-z in any case, then the end or ':'.
        {{"A.kzs", "/a"}, "unknown option '/a'"},
        {{"A.kzs", "/z"}, "unknown option '/z'"},
        {{"A.kzs", "/A"}, "unknown option '/A'"},
        {{"A.kzs", "/Zz:1"}, "unknown option '/Zz:1'"},
        {{"A.kzs", "/w"}, "unknown option '/w'"},
        {{"A.kzs", "/jsonx"}, "unknown option '/jsonx'"},
        {{"A.kzs", "/Y"}, "/y goes with /x:"},
        {{"A.kzs", "/X:out", "/DPL"}, "/x: writes files of its own: /dpl and /w: do not go with it"},
        {{"A.kzs", "--JSON"}, "unknown option '--JSON'"},
        {{"A.kzs", "--version=1"}, "unknown option '--version=1'"},
        {{"A.kzs", "-hv"}, "unknown option '-hv'"},
        {{"A.kzs", std::string("--b\x01\xFF")}, "unknown option '--b\\x01\\xFF'"},
        {{"A.kzs", "--sound="}, "--sound needs a sound's name after it"},
        {{"A.kzs", "--extract="}, "--extract needs a folder after it"},
        {{"A.kzs", "/dpl", "/w:-"}, "/w:- writes the WAVE file to standard output: nothing else can go there"},
        {{"A.kzs", "/json", "--write", "-"}, "/w:- writes the WAVE file to standard output: nothing else can go there"},
        // What goes beside the sounds /x: writes, and the one region /w: saves.
        {{"A.kzs", "--regions"}, "--regions goes with /x:"},
        {{"A.kzs", "/REGIONS", "/w:o.wav"}, "--regions goes with /x:"},
        {{"A.kzs", "--labels"}, "--labels goes with /x:"},
        {{"A.kzs", "/labels", "Wind01", "/w:o.wav"}, "--labels goes with /x:"},
        {{"A.kzs", "/sfz"}, "--sfz goes with /x:"},
        {{"A.kzs", "--region=Intro"}, "--region goes with /w:"},
        {{"A.kzs", "/region:Intro", "/x:out"}, "--region goes with /w:"},
        {{"in.wav", "/w:o.wav", "--region"}, "--region needs a region's name after it"},
        {{"in.wav", "/w:o.wav", "/region:"}, "/region: needs a region's name after it"},
        {{"A.kzs", "/regionsx"}, "unknown option '/regionsx'"},
        {{"A.kzs", "--regions=1", "/x:out"}, "unknown option '--regions=1'"},
    };
    // The usage is what --help prints (its text stands in docs/snd_info.md,
    // whose examples are run as they stand).
    const RunResult help = Info(dir, {"/?"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_TRUE(help.out.starts_with("Usage:\n   Snd_Info FILE")) << help.out;
    EXPECT_EQ(help.err, "");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        // Windows hands a program its arguments as UTF-16: bytes that are not
        // UTF-8 do not come through.
        if (RunsUnderRunner() && c.reason.find("\\xFF") != std::string::npos) continue;
        const RunResult r = Info(dir, c.args);
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Snd_Info: " + c.reason + "\n" + kTryHelp);
    }
    // Nothing written by a call that was not understood.
    EXPECT_FALSE(dir.Exists("out.wav"));
    EXPECT_FALSE(dir.Exists("out"));
}

// Bad usage that shows only once a FILE is read (a SOUND after a WAVE file,
// /w: on a package alone): what came before it stays on standard output, a
// JSON document is finished whole with the files before, and nothing after.
TEST(SndInfoE2E, BadUsageFoundLateKeepsWhatCameBefore) {
    TempDir dir;
    dir.Write("in.wav", kWind);
    PackageBuilder b;
    b.AddSound("Wind01", kWind);
    b.Write(dir.Path() / "A.kzs");
    const std::string listing = Info(dir, {"A.kzs"}).out;
    const std::string script = Info(dir, {"A.kzs", "/dpl"}).out;
    const std::string emptyDocument = std::string("{\n  \"schema\": 7,\n  \"program\": \"Snd_Info\",\n  \"version\": \"") +
                                      SND_VERSION + "\",\n  \"files\": []\n}\n";
    const std::string lookedUp = "a SOUND is looked up in a package, not in a WAVE file";
    const struct {
        std::vector<std::string> args;
        std::string out, reason;
    } cases[] = {
        {{"in.wav", "Wind01", "--json"}, emptyDocument, lookedUp},
        {{"in.wav", "Wind01", "/w:-"}, "", lookedUp},
        {{"A.kzs", "/w:o.wav", "--json"}, emptyDocument, "/w: saves a WAVE file or a SOUND of a package"},
        {{"A.kzs", "in.wav", "Wind01"}, "==> A.kzs <==\n" + listing, lookedUp},
        {{"A.kzs", "in.wav", "/dpl"}, script, "/dpl works on a package, not on a WAVE file"},
        {{"A.kzs", "Wind01", "in.wav", "Wind01", "--json"}, Info(dir, {"A.kzs", "Wind01", "--json"}).out, lookedUp},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[0] + " " + c.args[1] + " " + c.args[2]);
        const RunResult r = Info(dir, c.args);
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_EQ(r.err, "Snd_Info: " + c.reason + "\n" + kTryHelp);
        EXPECT_EQ(r.out, c.out);
    }
    EXPECT_FALSE(dir.Exists("o.wav"));
}

// The export table's offset a package's header states.
std::uint32_t ExportOffsetOf(const std::string& package) {
    std::uint32_t offset = 0;
    for (int n = 3; n >= 0; --n) offset = offset << 8 | static_cast<unsigned char>(package[24 + static_cast<std::size_t>(n)]);
    return offset;
}

TEST(SndInfoE2E, ErrorsEndWithStatusOne) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Wind01", kWind);
    b.AddSound("Text", "RIFF" + U32(4) + "TEXT, not WAVE");
    ExportEntry noData;
    noData.objectName = b.Name("NoData");
    b.AddExport(noData);
    ExportEntry hidden;
    hidden.classRef = b.SoundClass();
    hidden.objectName = b.Name("Hidden");
    hidden.object = SoundObject(kWind);
    hidden.dataOffset = -1;
    b.AddExport(hidden);
    b.Write(dir.Path() / "pk" / "A.kzs");
    PackageBuilder damaged;
    damaged.AddSound("Wind01", kWind);
    damaged.ExportCount = 0x10000000;
    damaged.Write(dir.Path() / "Damaged.kzs");
    dir.Write("short.kzs", "KZ");
    dir.Write("empty.kzs", "");
    dir.Write("page.html", "<!DOCTYPE html>\n<html>");
    dir.Write("cut.kzs", dir.Read("pk/A.kzs").substr(0, 40));  // inside the header
    PackageBuilder namesPast;  // names that run past the end of the file
    namesPast.AddSound("Wind01", kWind);
    namesPast.NameOffset = static_cast<std::uint32_t>(namesPast.Build().size() - 8);
    namesPast.Write(dir.Path() / "names.kzs");
    fs::create_directory(dir.Path() / "folder.wav");
    dir.Write("avi.wav", "RIFF" + U32(4) + "AVI ");
    dir.Write("riff.kzs", "RIFF");
    dir.Write("in.wav", kWind);

    const struct {
        std::vector<std::string> args;
        std::string out, err;
    } cases[] = {
        {{"missing.kzs"}, "", "cannot open 'missing.kzs': no such file"},
        {{"pk"}, "", "cannot open 'pk': it is a folder"},
        {{"--json", "pk"},
         R"({"errors": [{"code": "cannot_open", "severity": "error", "message": "cannot open 'pk': it is a folder",
                         "values": {"path": "pk", "reason": "it is a folder"}}]})",
         "cannot open 'pk': it is a folder"},
        {{"Damaged.kzs"}, "", "'Damaged.kzs' is neither a WAVE file nor a readable sound package: its export table "
                              "(268435456 entries at offset " + std::to_string(ExportOffsetOf(dir.Read("Damaged.kzs"))) +
                              ") does not fit in the file"},
        {{"names.kzs"}, "", "'names.kzs' is neither a WAVE file nor a readable sound package: its name table "
                            "(" + std::to_string(namesPast.Names.size()) + " entries at offset " +
                            std::to_string(*namesPast.NameOffset) + ") does not fit in the file"},
        {{"cut.kzs"}, "", "'cut.kzs' is neither a WAVE file nor a readable sound package: it ends inside the package "
                          "header, after 40 bytes"},
        {{"page.html"}, "", "'page.html' is neither a WAVE file nor a readable sound package: it begins with "
                            "3C 21 44 4F 43 54 59 50 45 20 68 74 (\"<!DOCTYPE ht\")"},
        {{"page.html", "x", "/w:x.wav"}, "", "'page.html' is not a valid WAVE file: it begins with "
                                             "3C 21 44 4F 43 54 59 50 45 20 68 74 (\"<!DOCTYPE ht\")"},
        {{"short.kzs", "/dpl"}, "", "'short.kzs' is neither a WAVE file nor a readable sound package: it holds only 2 "
                                    "bytes: 4B 5A (\"KZ\")"},
        {{"empty.kzs", "Wind01"}, "", "'empty.kzs' is neither a WAVE file nor a readable sound package: it is empty"},
        {{"pk\\A.kzs", "Nope"}, "", "no sound 'Nope' in package 'pk\\A.kzs'"},
        {{"pk\\A.kzs", "Hidden"}, "", "no sound 'Hidden' in package 'pk\\A.kzs'"},
        {{"pk\\A.kzs", "Text", "/w:text.wav"}, "", "'Text' in package 'pk\\A.kzs' is not a valid WAVE file"},
        {{"pk\\A.kzs", "NoData"}, "", "'NoData' in package 'pk\\A.kzs' is not a valid WAVE file"},
        {{"avi.wav", "/w:avi2.wav"}, "", "'avi.wav' is not a valid WAVE file"},
        // Begins with "RIFF": a damaged WAVE file, whatever else the command line says.
        {{"avi.wav", "Wind01"}, "", "'avi.wav' is not a valid WAVE file"},
        {{"riff.kzs", "/dpl"}, "", "'riff.kzs' is not a valid WAVE file"},
        // Not the shape of a slash option: a path.
        {{"/1"}, "", "cannot open '/1': no such file"},
        {{"/:a"}, "", "cannot open '/:a': no such file"},
        {{"in.wav", "/w:folder.wav"}, Info(dir, {"in.wav"}).out, "cannot write 'folder.wav': it is a folder"},
        {{"pk\\A.kzs", "Wind01", "/w:nowhere/"}, Info(dir, {"pk\\A.kzs", "Wind01"}).out,
         "cannot write 'nowhere/': no such folder"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const RunResult r = Info(dir, c.args);
        EXPECT_EQ(r.exitStatus, 1);
        if (c.args[0] == "--json") {
            EXPECT_EQ(nlohmann::json::parse(r.out)["files"][0]["errors"], nlohmann::json::parse(c.out)["errors"]);
        } else {
            EXPECT_EQ(r.out, c.out);
        }
        EXPECT_EQ(r.err, "Snd_Info: " + c.err + "\n");
    }
    EXPECT_FALSE(dir.Exists("text.wav"));
    EXPECT_FALSE(dir.Exists("avi2.wav"));

    // The print comes first; then the file that cannot be written.
    const std::string print = Info(dir, {"in.wav"}).out;
    const RunResult nowhere = Info(dir, {"in.wav", "/w:nowhere\\out.wav"});
    EXPECT_EQ(nowhere.exitStatus, 1);
    EXPECT_EQ(nowhere.out, print);
    EXPECT_EQ(nowhere.err, "Snd_Info: cannot write 'nowhere\\out.wav': no such folder\n");
    // The input is never written over, however it is spelt.
    for (const std::string& self : {std::string("in.wav"), std::string(".\\in.wav")}) {
        const RunResult r = Info(dir, {"in.wav", "/w:" + self});
        EXPECT_EQ(r.exitStatus, 1);
        EXPECT_EQ(r.err, "Snd_Info: will not write over the input file '" + self + "'\n");
    }
    const RunResult package = Info(dir, {"pk\\A.kzs", "Wind01", "/w:pk/A.kzs"});
    EXPECT_EQ(package.exitStatus, 1);
    EXPECT_EQ(dir.Read("in.wav"), kWind);
    EXPECT_EQ(Info(dir, {"pk\\A.kzs", "Wind01"}).exitStatus, 0);
}

// What the documents show on the bundled example.
TEST(SndInfoE2E, TheBundledExample) {
    TempDir dir;
    WriteExample(dir.Path());
    const RunResult list = Info(dir, {"pk\\Ambient.kzs"});
    EXPECT_EQ(list.exitStatus, 0);
    EXPECT_EQ(list.err, "");
    EXPECT_EQ(list.out,
              "pk\\Ambient.kzs: 3 sounds, 0:04.700, 207402 bytes\n"
              "\n"
              "#  Name      Format  Channels   Rate  Bits  Duration   Size\n"
              "0  \"Wind01\"  PCM            1  22050    16  0:02.000  88244\n"
              "1  \"Birds\"   PCM            1  22050    16  0:01.200  52964\n"
              "2  \"Bell\"    PCM            1  22050    16  0:01.500  66194\n");

    const RunResult script = Info(dir, {"pk\\Weather.kzs", "/dpl"});
    EXPECT_EQ(script.out, "Weather;\nRain\nThunder\n");
    EXPECT_EQ(script.err, "");

    const RunResult bell = Info(dir, {"pk\\Ambient.kzs", "Bell"});
    EXPECT_EQ(bell.exitStatus, 0);
    EXPECT_EQ(bell.err, "");
    EXPECT_TRUE(bell.out.ends_with("'data' 66150 bytes\n  Duration: 0:01.500 (33075 frames)\n")) << bell.out;
}

// A word of a documented command line as the shell hands it over: one
// holding '*' in its last part ("pk/*.kzs") becomes the names it matches in
// `dir`, sorted; any other word stays as it is.
std::vector<std::string> ShellWords(const fs::path& dir, const std::string& word) {
    const std::size_t star = word.find('*');
    if (star == std::string::npos) return {word};
    const std::size_t slash = word.rfind('/', star);
    const std::string folder = slash == std::string::npos ? "" : word.substr(0, slash + 1);
    const std::string head = word.substr(folder.size(), star - folder.size());
    const std::string tail = word.substr(star + 1);
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(dir / folder)) {
        const std::string name = entry.path().filename().string();
        if (name.size() >= head.size() + tail.size() && name.starts_with(head) && name.ends_with(tail)) {
            names.push_back(folder + name);
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

// Every `$ ../gcc/Snd_Info ...`, `$ ../gcc/Snd_Pull ...` and `$ cat FILE` of
// the README and of docs/, run in order on a fresh bundled example for each
// document: each prints what the document shows after it, up to the next
// `$ ` or the end of the block. `> FILE` keeps the output in FILE (the line
// then shows nothing); a line with a pipe is not run. Snd_Info's examples
// succeed and say nothing on standard error.
TEST(SndInfoE2E, TheDocumentedExamples) {
    const fs::path source(SND_SOURCE_DIR);
    std::vector<fs::path> documents;
    for (const auto& entry : fs::directory_iterator(source / "docs")) {
        if (entry.path().extension() == ".md") documents.push_back(entry.path());
    }
    std::sort(documents.begin(), documents.end());
    documents.insert(documents.begin(), source / "README.md");
    const std::map<std::string, std::string> programs = {
        {"../gcc/Snd_Info", SndInfoPath()}, {"../gcc/Snd_Pull", SndPullPath()}, {"cat", ""}};

    std::map<std::string, int> examples;
    for (const fs::path& document : documents) {
        TempDir dir;
        WriteExample(dir.Path());
        std::istringstream text(ReadFile(document));
        std::string line;
        std::getline(text, line);
        while (text) {
            std::vector<std::string> words;
            std::istringstream command(line.starts_with("$ ") ? line.substr(2) : "");
            for (std::string word; command >> word;) words.push_back(word);
            if (words.empty() || !programs.contains(words[0]) || line.find('|') != std::string::npos) {
                std::getline(text, line);
                continue;
            }
            std::string shown;
            while (std::getline(text, line) && !line.starts_with("$ ") && !line.starts_with("```")) shown += line + "\n";
            SCOPED_TRACE(document.filename().string() + ": $ " + words[0] + " " + (words.size() > 1 ? words[1] : ""));

            std::string into;
            std::vector<std::string> args;
            for (std::size_t n = 1; n < words.size(); ++n) {
                if (words[n] == ">" && n + 1 < words.size()) {
                    into = words[++n];
                } else {
                    for (const std::string& word : ShellWords(dir.Path(), words[n])) args.push_back(word);
                }
            }
            RunResult r;
            if (words[0] == "cat") {
                ASSERT_EQ(args.size(), 1u);
                r = {0, dir.Read(args[0]), ""};
            } else {
                r = TestSupport::Run(programs.at(words[0]), args, dir.Path());
            }
            if (words[0] == "../gcc/Snd_Info") {
                EXPECT_EQ(r.exitStatus, 0);
                EXPECT_EQ(r.err, "");
            }
            if (!into.empty()) {
                dir.Write(into, r.out);
                r.out.clear();
            }
            EXPECT_EQ(r.out, shown);
            ++examples[document.filename().string()];
        }
    }
    const std::map<std::string, int> expected = {{"README.md", 6}, {"snd_info.md", 11}, {"snd_pull.md", 1}};
    EXPECT_EQ(examples, expected);
}

}  // namespace
