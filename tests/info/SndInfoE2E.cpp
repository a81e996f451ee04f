// Snd_Info, the built program, run in a fresh folder: exact standard output
// and standard error, exit statuses, the files /w: writes, and the export
// scripts /dpl writes, run through Snd_Pull.
#include <gtest/gtest.h>

#include <filesystem>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

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

const char kUsage[] =
    "Usage:\n"
    "   Snd_Info FILE [SOUND...] [FILE [SOUND...]]... [options]\n\n"
    "   FILE   : a sound package, or a WAVE file (a file that begins with RIFF);\n"
    "            - reads standard input\n"
    "   SOUND  : a sound of the package named before it, shown as a WAVE file\n\n"
    "   An argument is a FILE when it is the first, is -, holds a / or \\, or ends\n"
    "   in .kzs or .wav (any case); any other is a SOUND of the FILE before it.\n\n"
    "   /w:OUT.wav   --write=OUT.wav  also save the WAVE file or SOUND through the\n"
    "                                 WAVE model to OUT.wav (- : standard output)\n"
    "   /dpl         --dpl            print an export script for Snd_Pull naming the\n"
    "                                 packages' sounds\n"
    "   /json        --json           print one JSON document instead of the text\n"
    "   /x:DIR       --extract=DIR    write every sound of the packages (or the SOUNDs\n"
    "                                 named) to DIR/<package>/<sound>.wav\n"
    "   /y           --overwrite      let /x: replace files that exist\n"
    "   /?           -h, --help       print this text\n"
    "                --version        print the program's version\n\n"
    "   Snd_Info PACKAGE          lists the package's header and exports\n"
    "   Snd_Info PACKAGE SOUND    shows the sound's WAVE file\n"
    "   Snd_Info FILE.wav         shows the WAVE file\n"
    "   Snd_Info pk/*.kzs         lists every package, each after a heading\n"
    "   Snd_Info PACKAGE /dpl     prints an export script\n"
    "   Snd_Info pk/*.kzs /x:out  writes every sound to out/<package>/<sound>.wav\n";

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
    "'fact' 4 bytes\n"
    "  Sample count: 5\n"
    "'data' 20 bytes\n"
    "  Duration: 0.000 s (5 blocks)\n"
    "'LIST' 80 bytes, type 'adtl'\n"
    "  'labl' 23 bytes, cue id 7: \"Start \\\"x\\\" \\\\ \xC3\xA9\\x01\\xC2\\x9B\\xFF\"\n"
    "  'ltxt' 23 bytes, cue id 7: sample length 100, purpose 'rgn ', country 1, language 2, dialect 3, "
    "code page 4, text \"txt\"\n"
    "  'note' 3 bytes, not interpreted\n"
    "'cue ' 52 bytes\n"
    "  Cue points: 2\n"
    "  Cue id 7: sample offset 3 (0.000 s), position 0, chunk 'data', chunk start 0, block start 0\n"
    "    Label: \"Start \\\"x\\\" \\\\ \xC3\xA9\\x01\\xC2\\x9B\\xFF\"\n"
    "    Text: \"txt\", sample length 100 (0.002 s), purpose 'rgn '\n"
    "  Cue id 8: sample offset 4 (0.000 s), position 2, chunk 'data', chunk start 0, block start 0\n"
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

    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"rich.wav"}, std::vector<std::string>{"pk\\Rich.kzs", "Rich"}}) {
        SCOPED_TRACE(args[0]);
        const RunResult r = Info(dir, args);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(r.out, kRichPrint);
    }

    // A format without a byte rate has no duration, one without a block
    // size no block count; milliseconds are rounded.
    dir.Write("plain.wav", wb::Riff(wb::FmtWithExtension(0x55, 1, 8000, 0, "") + wb::Chunk("data", "abcd")));
    const std::string plain = Info(dir, {"plain.wav"}).out;
    EXPECT_TRUE(plain.starts_with("RIFF size: 42\n'fmt ' 18 bytes\n  Format tag: 0x0055\n")) << plain;
    EXPECT_TRUE(plain.ends_with("  Extra size: 0\n'data' 4 bytes\n")) << plain;
    dir.Write("pcm.wav", wb::PcmWave(1, 8000, 8, 12345));
    const std::string pcm = Info(dir, {"pcm.wav"}).out;
    EXPECT_TRUE(pcm.ends_with("'data' 12345 bytes\n  Duration: 1.543 s (12345 blocks)\n")) << pcm;
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
    // Class 0 stands for name 0 ("Core"); a name holding a control byte and
    // one that is not UTF-8 are escaped, and the columns still line up.
    EXPECT_EQ(r.out,
              "Package: pk\\Mixed.kzs\n"
              "Tag: 0x50535A4B ('KZSP')\n"
              "Version: 68\n"
              "Flags: 0x00010001\n"
              "GUID: AB000000000000000000000000000001\n"
              "Generations: 0\n"
              "Names: 10 at offset 56\n"
              "Imports: 2 at offset 156\n"
              "Exports: 7 at offset 170\n"
              "\n"
              "Index  Name             Class    Size  Offset  WAVE  Format  Channels   Rate  Bits  Duration  File size\n"
              "    0  \"Wind01\"         \"Sound\"  2256     270  yes   PCM            1  22050    16   0.050 s       2248\n"
              "    1  \"Notes\"          \"Text\"     23    2526  no    -              -      -     -         -          -\n"
              "    2  \"Empty\"          \"Core\"      0       -  no    -              -      -     -         -          -\n"
              "    3  \"Wind01\"         \"Sound\"  1816    2549  yes   PCM            1  22050    16   0.040 s       1808\n"
              "    4  \"Caf\xC3\xA9 \\x01\\xFF\"  \"Sound\"  1374    4365  yes   PCM            1  22050    16   0.030 s       1366\n"
              "    5  \"Short\"          \"Sound\"    11    5739  no    -              -      -     -         -          -\n"
              "    6  \"Cut\"            \"Sound\"  1375    5750  yes   PCM            1  22050    16   0.030 s       1366\n"
              "\n"
              "Total: 4 sounds, 6788 bytes, 0.150 s\n");
}

TEST(SndInfoE2E, ListsALegacyPackage) {
    TempDir dir;
    PackageBuilder b(60);
    b.LegacyCount = 3;
    b.LegacyOffset = 99;
    b.Name("None");
    b.Write(dir.Path() / "Old.kzs");
    const RunResult r = Info(dir, {"Old.kzs"});
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_TRUE(r.out.ends_with("Version: 60\nFlags: 0x00000000\nLegacy count: 3, offset 99\nNames: 1 at offset 44\n"
                                "Imports: 0 at offset 53\nExports: 0 at offset 53\n"))
        << r.out;
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
        EXPECT_EQ(again.substr(again.find('\n')), r.out.substr(r.out.find('\n')));
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
        EXPECT_EQ(fromPackage.out, fromFile.out);
        EXPECT_EQ(fromPackage.exitStatus, fromFile.exitStatus);
        EXPECT_EQ(dir.Exists("a/" + name + ".wav"), name != "NotWave");
        EXPECT_EQ(dir.Exists("b/" + name + ".wav"), name != "NotWave");
        EXPECT_EQ(dir.Read("a/" + name + ".wav"), dir.Read("b/" + name + ".wav"));
    }
    // The padded file comes back as it was, and its print names no stored
    // RIFF size; the unpadded one comes back with the pads.
    EXPECT_EQ(dir.Read("a/Padded.wav"), wb::Riff(odd));
    EXPECT_EQ(dir.Read("a/Unpadded.wav"), wb::Riff(odd));
    EXPECT_TRUE(Info(dir, {"out\\Padded.wav"}).out.starts_with("RIFF size: 76\n'fmt '"));
    EXPECT_TRUE(Info(dir, {"out\\Unpadded.wav"}).out.starts_with("RIFF size: 76 as saved (73 as stored)\n"));
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

    const RunResult script = Info(dir, {"pk\\Ambient.kzs", "/dpl"});
    EXPECT_EQ(script.exitStatus, 0);
    EXPECT_EQ(script.err, "");
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
                         "'Ambient.pak.kzs'\n");
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
}

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
        {{"A.kzs", "/x:out", "/dpl"}, "/x: writes files of its own: /dpl and /w: do not go with it"},
        {{"A.kzs", "Wind01", "A.kzs", "--extract=out"}, "/x: takes packages, or one package and its sounds"},
        {{"A.kzs", "B.kzs", "Wind01", "/x:out"}, "/x: takes packages, or one package and its sounds"},
        {{"A.kzs", "/x:out", "/w:o.wav"}, "/x: writes files of its own: /dpl and /w: do not go with it"},
        {{"/x:out"}, "no FILE given"},
        {{"A.kzs", "/x:out", "--bogus"}, "unknown option '--bogus'"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reason);
        const RunResult r = Info(dir, c.args);
        EXPECT_EQ(r.exitStatus, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "Snd_Info: " + c.reason + "\n" + kUsage);
    }
    // Nothing written by a call that was not understood.
    EXPECT_FALSE(dir.Exists("out.wav"));
    EXPECT_FALSE(dir.Exists("out"));

    const RunResult help = Info(dir, {"/?"});
    EXPECT_EQ(help.exitStatus, 0);
    EXPECT_EQ(help.out, kUsage);
    EXPECT_EQ(help.err, "");
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
    dir.Write("avi.wav", "RIFF" + U32(4) + "AVI ");
    dir.Write("riff.kzs", "RIFF");
    dir.Write("in.wav", kWind);

    const struct {
        std::vector<std::string> args;
        std::string out, err;
    } cases[] = {
        {{"missing.kzs"}, "", "cannot open 'missing.kzs'"},
        {{"pk"}, "", "cannot open 'pk'"},
        {{"Damaged.kzs"}, "", "'Damaged.kzs' is neither a WAVE file nor a readable sound package"},
        {{"short.kzs", "/dpl"}, "", "'short.kzs' is neither a WAVE file nor a readable sound package"},
        {{"empty.kzs", "Wind01"}, "", "'empty.kzs' is neither a WAVE file nor a readable sound package"},
        {{"pk\\A.kzs", "Nope"}, "", "no sound 'Nope' in package 'pk\\A.kzs'"},
        {{"pk\\A.kzs", "Hidden"}, "", "no sound 'Hidden' in package 'pk\\A.kzs'"},
        {{"pk\\A.kzs", "Text", "/w:text.wav"}, "", "'Text' in package 'pk\\A.kzs' is not a valid WAVE file"},
        {{"pk\\A.kzs", "NoData"}, "", "'NoData' in package 'pk\\A.kzs' is not a valid WAVE file"},
        {{"avi.wav", "/w:avi2.wav"}, "", "'avi.wav' is not a valid WAVE file"},
        // Begins with "RIFF": a damaged WAVE file, whatever else the command line says.
        {{"avi.wav", "Wind01"}, "", "'avi.wav' is not a valid WAVE file"},
        {{"riff.kzs", "/dpl"}, "", "'riff.kzs' is not a valid WAVE file"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.err);
        const RunResult r = Info(dir, c.args);
        EXPECT_EQ(r.exitStatus, 1);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, "Snd_Info: " + c.err + "\n");
    }
    EXPECT_FALSE(dir.Exists("text.wav"));
    EXPECT_FALSE(dir.Exists("avi2.wav"));

    // The print comes first; then the file that cannot be written.
    const std::string print = Info(dir, {"in.wav"}).out;
    const RunResult nowhere = Info(dir, {"in.wav", "/w:nowhere\\out.wav"});
    EXPECT_EQ(nowhere.exitStatus, 1);
    EXPECT_EQ(nowhere.out, print);
    EXPECT_EQ(nowhere.err, "Snd_Info: cannot write 'nowhere\\out.wav'\n");
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

// What the README shows on the bundled example.
TEST(SndInfoE2E, TheBundledExample) {
    TempDir dir;
    WriteExample(dir.Path());
    const RunResult list = Info(dir, {"pk\\Ambient.kzs"});
    EXPECT_EQ(list.exitStatus, 0);
    EXPECT_EQ(list.err, "");
    EXPECT_EQ(list.out,
              "Package: pk\\Ambient.kzs\n"
              "Tag: 0x50535A4B ('KZSP')\n"
              "Version: 68\n"
              "Flags: 0x00000000\n"
              "GUID: 00000000000000000000000000000000\n"
              "Generations: 0\n"
              "Names: 7 at offset 56\n"
              "Imports: 1 at offset 127\n"
              "Exports: 3 at offset 134\n"
              "\n"
              "Index  Name      Class     Size  Offset  WAVE  Format  Channels   Rate  Bits  Duration  File size\n"
              "    0  \"Wind01\"  \"Sound\"  88253     184  yes   PCM            1  22050    16   2.000 s      88244\n"
              "    1  \"Birds\"   \"Sound\"  52973   88437  yes   PCM            1  22050    16   1.200 s      52964\n"
              "    2  \"Bell\"    \"Sound\"  66203  141410  yes   PCM            1  22050    16   1.500 s      66194\n"
              "\n"
              "Total: 3 sounds, 207402 bytes, 4.700 s\n");

    const RunResult script = Info(dir, {"pk\\Weather.kzs", "/dpl"});
    EXPECT_EQ(script.out, "Weather;\nRain\nThunder\n");
    EXPECT_EQ(script.err, "");

    const RunResult bell = Info(dir, {"pk\\Ambient.kzs", "Bell"});
    EXPECT_EQ(bell.exitStatus, 0);
    EXPECT_EQ(bell.err, "");
    EXPECT_TRUE(bell.out.ends_with("'data' 66150 bytes\n  Duration: 1.500 s (33075 blocks)\n")) << bell.out;
}

// Every `$ ../gcc/Snd_Info ...` of the README whose output goes to the
// console, run on the bundled example: it prints what the README shows.
TEST(SndInfoE2E, TheReadmeExamples) {
    TempDir dir;
    WriteExample(dir.Path());
    std::istringstream readme(ReadFile(fs::path(SND_SOURCE_DIR) / "README.md"));
    const std::string prompt = "$ ../gcc/Snd_Info ";
    int examples = 0;
    std::string line;
    std::getline(readme, line);
    while (readme) {
        if (!line.starts_with(prompt) || line.find_first_of("|>*") != std::string::npos) {
            std::getline(readme, line);
            continue;
        }
        std::vector<std::string> args;
        std::istringstream words(line.substr(prompt.size()));
        for (std::string word; words >> word;) args.push_back(word);
        std::string shown;
        while (std::getline(readme, line) && !line.starts_with("$ ") && !line.starts_with("```")) shown += line + "\n";
        SCOPED_TRACE(prompt + args[0]);
        const RunResult r = Info(dir, args);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.out, shown);
        ++examples;
    }
    EXPECT_EQ(examples, 4);
}

}  // namespace
