// Snd_Info's command line conventions, several files per call, the JSON
// document (parsed back), the audio facts of the listing, the print of cue
// points, texts, INFO tags and phonemes, and honest exit statuses -- each run
// as the built program.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kit/Example.h"
#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "tests/support/JsonFindings.h"
#include "tests/support/RunTool.h"
#include "tests/wave/WaveTestUtil.h"
#include "wave/Audio.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;
namespace wb = WaveBuilder;
using nlohmann::json;

RunResult Info(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(SndInfoPath(), args, dir.Path());
}

// `script` run by the shell in `dir`, with $0 naming Snd_Info: for pipes,
// standard input and a full disk.
RunResult Shell(const TempDir& dir, const std::string& script) {
    return TestSupport::Run("/bin/sh", {"-c", script, SndInfoPath()}, dir.Path());
}

RunResult Pull(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(SndPullPath(), args, dir.Path());
}

json Parsed(const RunResult& r) { return json::parse(r.out); }

using WaveTest::ModelSaves;

// The words of the listing's row for export `name` from its Format column on
// (after the Group column, where there is one).
std::vector<std::string> RowFacts(const std::string& listing, const std::string& name) {
    std::istringstream lines(listing);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::vector<std::string> row;
        for (std::string word; words >> word;) row.push_back(word);
        for (std::size_t at = 1; at < 3 && at < row.size(); ++at) {
            if (row[at] == '"' + name + '"') return {row.begin() + static_cast<std::ptrdiff_t>(at) + 1, row.end()};
        }
    }
    return {};
}

const std::string kWind = ToneWave(440, 0.05);
const std::string kRain = ToneWave(220, 0.03);

// A.kzs (Wind01, Birds), B.kzs (Rain), in.wav, UP.WAV and sub/plain (WAVE
// files, the last without an extension).
void WriteFiles(const TempDir& dir) {
    PackageBuilder a;
    a.AddSound("Wind01", kWind);
    a.AddSound("Birds", kRain);
    a.Write(dir.Path() / "A.kzs");
    PackageBuilder b;
    b.AddSound("Rain", kRain);
    b.Write(dir.Path() / "B.kzs");
    dir.Write("in.wav", kWind);
    dir.Write("UP.WAV", kRain);
    dir.Write("sub/plain", kRain);
}

TEST(SndInfoConventionsE2E, HelpVersionAndLongOptions) {
    TempDir dir;
    WriteFiles(dir);
    const std::string usage = Info(dir, {"/?"}).out;
    EXPECT_TRUE(usage.starts_with("Usage:\n")) << usage;
    for (const auto& args : std::vector<std::vector<std::string>>{{"-h"}, {"--help"}, {"A.kzs", "--help"}, {"/y", "-h"}, {"--pcm", "/?"}}) {
        const RunResult r = Info(dir, args);
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.out, usage);
        EXPECT_EQ(r.err, "");
    }
    for (const auto& args : std::vector<std::vector<std::string>>{{"--version"}, {"A.kzs", "/y", "--version"}}) {
        const RunResult version = Info(dir, args);
        EXPECT_EQ(version.exitStatus, 0);
        EXPECT_EQ(version.out, std::string("Snd_Info ") + SND_VERSION + "\n");
        EXPECT_EQ(version.err, "");
    }

    // Every slash option and its long form do the same.
    const struct {
        std::vector<std::string> slash, gnu;
    } pairs[] = {
        {{"A.kzs", "/dpl"}, {"--dpl", "A.kzs"}},
        {{"A.kzs", "/JSON"}, {"A.kzs", "--json"}},
        {{"in.wav", "/w:o1.wav"}, {"in.wav", "--write=o2.wav"}},
        {{"in.wav", "/w:o1.wav"}, {"--write", "o3.wav", "in.wav"}},
        {{"in.wav"}, {"--", "in.wav"}},
        {{"A.kzs", "/v"}, {"A.kzs", "--verbose"}},
        {{"A.kzs", "-v"}, {"/V", "A.kzs"}},
        {{"A.kzs", "/x:q1", "/q"}, {"A.kzs", "--quiet", "--extract", "q2"}},
        {{"A.kzs", "/x:q3", "-q"}, {"--extract=q4", "A.kzs", "/Q"}},
    };
    for (const auto& p : pairs) {
        SCOPED_TRACE(p.gnu[0]);
        const RunResult slash = Info(dir, p.slash);
        const RunResult gnu = Info(dir, p.gnu);
        EXPECT_EQ(slash.exitStatus, 0);
        EXPECT_EQ(gnu.exitStatus, 0);
        EXPECT_EQ(gnu.out, slash.out);
        EXPECT_FALSE(slash.out.empty());
    }
    EXPECT_EQ(Info(dir, {"A.kzs", "/x:q5", "-q"}).out,
              "2 sounds written (" + std::to_string(kWind.size() + kRain.size()) + " bytes), 0 skipped, 0 failed\n");
    EXPECT_NE(Info(dir, {"A.kzs", "-v"}).out, Info(dir, {"A.kzs"}).out);
    EXPECT_EQ(dir.Read("q5/A/Birds.wav"), kRain);
    EXPECT_EQ(dir.Read("o2.wav"), dir.Read("o1.wav"));
    EXPECT_EQ(dir.Read("o3.wav"), ModelSaves(kWind));
    // After "--" an argument that looks like an option is a FILE.
    dir.Write("-odd.wav", kWind);
    EXPECT_TRUE(Info(dir, {"--", "-odd.wav"}).out.starts_with("-odd.wav: PCM, 1 channel, 22050 Hz, 16 bits, 0:00.050\n"));
}

TEST(SndInfoSeveralFilesE2E, EachAfterItsHeadingInOrder) {
    TempDir dir;
    WriteFiles(dir);
    const auto alone = [&](std::vector<std::string> args) { return Info(dir, args).out; };
    const struct {
        std::vector<std::string> args;
        std::vector<std::pair<std::string, std::vector<std::string>>> prints;  // heading, what alone prints it
        int status;
        std::string err;
    } cases[] = {
        {{"A.kzs", "B.kzs"}, {{"A.kzs", {"A.kzs"}}, {"B.kzs", {"B.kzs"}}}, 0, ""},
        {{"A.kzs", "Wind01", "Birds"}, {{"A.kzs: Wind01", {"A.kzs", "Wind01"}}, {"A.kzs: Birds", {"A.kzs", "Birds"}}}, 0, ""},
        {{"A.kzs", "Birds", "B.kzs", "Rain"},
         {{"A.kzs: Birds", {"A.kzs", "Birds"}}, {"B.kzs: Rain", {"B.kzs", "Rain"}}}, 0, ""},
        // ".WAV" in any case and a path with a folder name FILEs; the first argument always does.
        {{"A.kzs", "UP.WAV", "sub/plain"},
         {{"A.kzs", {"A.kzs"}}, {"UP.WAV", {"UP.WAV"}}, {"sub/plain", {"sub/plain"}}}, 0, ""},
        {{"in.wav", "A.kzs", "Rain"}, {{"in.wav", {"in.wav"}}}, 1, "Snd_Info: no sound 'Rain' in package 'A.kzs'\n"},
        {{"A.kzs", "missing.kzs", "B.kzs"}, {{"A.kzs", {"A.kzs"}}, {"B.kzs", {"B.kzs"}}}, 1,
         "Snd_Info: cannot open 'missing.kzs': no such file\n"},
        {{"A.kzs", "Nope", "Birds"}, {{"A.kzs: Birds", {"A.kzs", "Birds"}}}, 1,
         "Snd_Info: no sound 'Nope' in package 'A.kzs'\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args[1]);
        std::string expected;
        for (const auto& [heading, args] : c.prints) {
            if (!expected.empty()) expected += '\n';
            expected += "==> " + heading + " <==\n" + alone(args);
        }
        const RunResult r = Info(dir, c.args);
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_EQ(r.out, expected);
        EXPECT_EQ(r.err, c.err);
    }

    // One script for several packages of one folder, which Snd_Pull runs
    // whole: each package line is the package's own name, without its folder.
    dir.Write("pk/A.kzs", dir.Read("A.kzs"));
    dir.Write("pk/B.kzs", dir.Read("B.kzs"));
    fs::create_directory(dir.Path() / "out");
    const RunResult script = Info(dir, {"pk/A.kzs", "pk/B.kzs", "/dpl"});
    EXPECT_EQ(script.out, "A;\nWind01\nBirds\nB;\nRain\n");
    dir.Write("both.dpl", script.out);
    Pull(dir, {"both", "/i:pk", "/o:out"});
    EXPECT_EQ(dir.Read("out/Wind01.wav"), kWind);
    EXPECT_EQ(dir.Read("out/Rain.wav"), kRain);
}

// Every chunk the model knows, with names and texts to carry exactly.
std::string TaggedWave() {
    return wb::Riff(wb::PcmFmt(1, 8000, 8) + wb::Chunk("data", std::string(16000, '\x80')) +
                    wb::Cue({{7, 3, "data", 5, 9, 4000}}) +
                    wb::List("adtl", wb::Labl(7, "Start") + wb::Ltxt(7, 2000, "rgn ", 1, 2, 3, 4, std::string("Ring\0", 5)) +
                                         wb::Chunk("note", wb::U32(7) + std::string("hi\0", 3))) +
                    wb::List("INFO", wb::Chunk("INAM", std::string("Bell\0", 5)) + wb::Chunk("IART", "\xFFMe")) +
                    wb::Phnm("ai", {{"ai", 1, 2, 0.5f, 0.25f, {{"iy", 0x69, 1, 2}}}}));
}

TEST(SndInfoJsonE2E, ParsesBackWithEverythingThePrintShows) {
    TempDir dir;
    WriteExample(dir.Path());
    dir.Write("tagged.wav", TaggedWave());
    PackageBuilder odd;
    odd.AddSound("\xFF\xFE", kWind);
    ExportEntry text;
    text.objectName = odd.Name("Notes");
    text.object = "not a sound";
    odd.AddExport(text);
    odd.Write(dir.Path() / "Odd.kzs");

    const RunResult r = Info(dir, {"--json", "pk\\Ambient.kzs", "tagged.wav", "Odd.kzs", "missing.wav", "pk/Weather.kzs", "Nope"});
    EXPECT_EQ(r.exitStatus, 1);
    const json doc = Parsed(r);
    EXPECT_EQ(doc["schema"], 7);
    EXPECT_EQ(doc["program"], "Snd_Info");
    EXPECT_EQ(doc["version"], SND_VERSION);
    const json& files = doc["files"];
    ASSERT_EQ(files.size(), 5u);

    // The package: every export's audio facts; file_size is what Snd_Pull writes.
    const json& ambient = files[0];
    EXPECT_EQ(ambient["type"], "package");
    EXPECT_EQ(ambient["package"]["exports"], json({{"count", 3}, {"offset", 134}}));
    Pull(dir, {"batch", "/i:pk", "/o:out"});
    std::uint64_t bytes = 0;
    for (const json& e : ambient["exports"]) {
        SCOPED_TRACE(e["name"].get<std::string>());
        EXPECT_EQ(e["audio"]["file_size"], fs::file_size(dir.Path() / "out" / (e["name"].get<std::string>() + ".wav")));
        EXPECT_EQ(e["audio"]["format"], "PCM");
        EXPECT_EQ(e["audio"]["rate"], 22050);
        bytes += e["audio"]["file_size"].get<std::uint64_t>();
    }
    EXPECT_EQ(ambient["exports"][2]["audio"]["duration"], 1.5);
    EXPECT_EQ(ambient["totals"], json({{"sounds", 3}, {"bytes", bytes}, {"duration", 4.7}}));

    // The WAVE file: chunks, cue points with their texts, INFO tags, phonemes.
    const json& tagged = files[1];
    EXPECT_EQ(tagged["type"], "wave");
    const json& wave = tagged["wave"];
    std::vector<std::string> ids;
    for (const json& chunk : wave["chunks"]) ids.push_back(chunk["id"]);
    EXPECT_EQ(ids, (std::vector<std::string>{"fmt ", "data", "cue ", "LIST", "LIST", "phnm"}));
    EXPECT_EQ(wave["audio"]["duration"], 2.0);
    EXPECT_EQ(wave["stored_bytes"], TaggedWave().size());
    EXPECT_EQ(wave["cues"], json::parse(R"([{"id":7,"sample_offset":4000,"seconds":0.5,"position":3}])"));
    EXPECT_EQ(wave["cue_texts"], json::parse(R"([{"cue_id":7,"labels":[{"text":"Start"}],
                  "texts":[{"text":"Ring","sample_length":2000,"seconds":0.25,"purpose":"rgn "}],"notes":[{"text":"hi"}]}])"));
    EXPECT_EQ(wave["info"], json::parse(R"([{"code":"INAM","text":"Bell"},
                  {"code":"IART","text":"\uFFFDMe","text_bytes":[255,77,101]}])"));
    EXPECT_EQ(wave["phonemes"]["words"][0]["phonemes"][0]["symbol"], "i");
    EXPECT_EQ(wave["chunks"][2]["points"][0]["block_start"], 9);

    // A name that is no UTF-8 carries its bytes too.
    const json& odd0 = files[2]["exports"][0];
    EXPECT_EQ(odd0["name"], "\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_EQ(odd0["name_bytes"], json({255, 254}));
    EXPECT_EQ(files[2]["exports"][1]["sound"], false);
    EXPECT_FALSE(files[2]["exports"][1].contains("audio"));
    EXPECT_FALSE(files[2]["exports"][0].contains("name") && files[2]["exports"][1].contains("name_bytes"));

    EXPECT_EQ(files[3], json::parse(R"({"path":"missing.wav","type":"error","warnings":[],
                                        "errors":[{"code":"cannot_open","severity":"error",
                                                   "message":"cannot open 'missing.wav': no such file",
                                                   "values":{"path":"missing.wav","reason":"no such file"}}]})"));
    EXPECT_EQ(files[4]["type"], "error");
    EXPECT_EQ(files[4]["sound"], "Nope");
    EXPECT_EQ(r.err, "Snd_Info: cannot open 'missing.wav': no such file\nSnd_Info: no sound 'Nope' in package 'pk/Weather.kzs'\n");
}

TEST(SndInfoListingE2E, AudioFactsFromTheHeaders) {
    TempDir dir;
    const std::string samples(24698, '\x01');
    const std::string data = wb::Chunk("data", samples);
    const struct {
        std::string name, wave;
        std::vector<std::string> facts;  // Format, Channels, Rate, Bits, Duration, Size
    } cases[] = {
        // 12349 frames at 8000 a second: 1.543625 s, rounded, not cut.
        {"Pcm", wb::Riff(wb::PcmFmt(2, 8000, 8) + data), {"PCM", "2", "8000", "8", "0:01.544", "24742"}},
        {"Float", wb::Riff(wb::FmtWithExtension(3, 1, 2000, 32, "") + data),
         {"IEEE", "float", "1", "2000", "32", "0:03.087", "24744"}},
        {"Ext", wb::Riff(wb::ExtensibleFmt(2, 4000, 16, 3) + data), {"PCM", "2", "4000", "16", "0:01.544", "24766"}},
        {"Tag55", wb::Riff(wb::FmtWithExtension(0x55, 1, 4000, 0, "") + data),
         {"MPEG", "layer", "3", "1", "4000", "0", "-", "24744"}},  // no fact count, no duration
        // 0- and 1-byte chunks before the format (the latter padded), data first.
        {"Small", wb::Riff(wb::Chunk("zero", "") + wb::Chunk("one ", "x") + wb::PcmFmt(2, 8000, 8) + data),
         {"PCM", "2", "8000", "8", "0:01.544", "24760"}},
        {"DataFirst", wb::Riff(data + wb::PcmFmt(2, 8000, 8)), {"PCM", "2", "8000", "8", "0:01.544", "24742"}},
        // A RIFF size that ends inside the data chunk cuts no samples.
        {"ShortRiff", wb::Riff(30, wb::PcmFmt(2, 8000, 8) + data), {"PCM", "2", "8000", "8", "0:01.544", "24742"}},
        {"Rf64", wb::Rf64(wb::PcmFmt(2, 8000, 8), samples), {"PCM", "2", "8000", "8", "0:01.544", "24778"}},
        // Its ds64 RIFF size ends the image before the data chunk.
        {"Rf64Short", "RF64" + wb::U32(0xFFFFFFFF) + "WAVE" + wb::Ds64(4 + 36 + 24, samples.size(), 0) +
                          wb::PcmFmt(2, 8000, 8) + wb::Header("data", 0xFFFFFFFF) + samples,
         {"PCM", "2", "8000", "8", "-", "24778"}},
        // A ds64 RIFF size within 8 of 2^64 reaches to the end, as any too large one does.
        {"Rf64Huge", "RF64" + wb::U32(0xFFFFFFFF) + "WAVE" + wb::Ds64(0xFFFFFFFFFFFFFFF8, samples.size(), 0) +
                         wb::PcmFmt(2, 8000, 8) + wb::Header("data", 0xFFFFFFFF) + samples,
         {"PCM", "2", "8000", "8", "0:01.544", "24778"}},
        // A RIFF size that ends one byte into the data chunk's header still takes it.
        {"RiffAtData", wb::Riff(4 + 24 + 1, wb::PcmFmt(2, 8000, 8) + data), {"PCM", "2", "8000", "8", "0:01.544", "24742"}},
        // A RIFF size that ends before the data chunk leaves it out.
        {"RiffBeforeData", wb::Riff(4 + 24, wb::PcmFmt(2, 8000, 8) + data), {"PCM", "2", "8000", "8", "-", "24742"}},
        // Blocks of 65 frames: the fact chunk tells the length.
        {"ImaFact",
         wb::Riff(wb::Chunk("fmt ", wb::U16(0x11) + wb::U16(1) + wb::U32(8000) + wb::U32(4055) + wb::U16(36) + wb::U16(4) +
                                        wb::U16(2) + wb::U16(65)) +
                  wb::Chunk("fact", wb::U32(70)) + wb::Chunk("data", std::string(72, '\0'))),
         {"IMA", "ADPCM", "1", "8000", "4", "0:00.009", "132"}},
        {"HeaderOnly", wb::Riff(""), {"-", "-", "-", "-", "-", "12"}},
        // Sizes a writer that streamed its output left unknown: to the end.
        {"Streamed", wb::Riff(0xFFFFFFFF, wb::PcmFmt(2, 8000, 8) + wb::Header("data", 0xFFFFFFFF) + samples),
         {"PCM", "2", "8000", "8", "0:01.544", "24742"}},
        {"NoFmt", wb::Riff(data), {"-", "-", "-", "-", "-", "24718"}},
        {"NotWave", "RIFF" + wb::U32(4) + "AVI ", {"no", "sound", "-", "-", "-", "-", "-"}},
    };
    PackageBuilder b;
    for (const auto& c : cases) b.AddSound(c.name, c.wave);
    b.Write(dir.Path() / "pk" / "Facts.kzs");
    PackageBuilder legacy(67);
    for (const auto& c : cases) legacy.AddSound(c.name, c.wave);
    legacy.Write(dir.Path() / "pk" / "Old.kzs");

    // The sizes are those of the files Snd_Pull writes.
    fs::create_directory(dir.Path() / "out");
    const RunResult script = Info(dir, {"pk/Facts.kzs", "/dpl"});
    dir.Write("facts.dpl", script.out);
    Pull(dir, {"facts", "/i:pk", "/o:out"});
    for (const std::string package : {"pk/Facts.kzs", "pk/Old.kzs"}) {
        const RunResult r = Info(dir, {package});
        EXPECT_EQ(r.exitStatus, 0);
        // The line that sums the package up, then the table.
        EXPECT_TRUE(r.out.starts_with(package + ": 16 sounds, 0:16.992, 346662 bytes\n\n #  Name ")) << r.out;
        for (const auto& c : cases) {
            SCOPED_TRACE(package + " " + c.name);
            EXPECT_EQ(RowFacts(r.out, c.name), c.facts);
            if (c.facts.back() != "-") {
                EXPECT_EQ(c.facts.back(), std::to_string(dir.Read("out/" + c.name + ".wav").size()));
            }
        }
    }
}

// A package cut short at each kind of place: between two sounds, inside a
// sound header, a RIFF header, a format chunk, a data chunk's header, the
// samples. The rows say what is there, the lines under the table and on
// standard error why, the first line counts them, and the JSON agrees.
TEST(SndInfoListingE2E, ACutPackageSaysWhatItLost) {
    PackageBuilder b;
    b.AddSound("Wind01", ExampleWave("Wind01"));
    b.AddSound("Birds", ExampleWave("Birds"));                            // 52964 bytes after a 9-byte sound header
    b.AddSound("Bell", ExampleWave("Bell"), {}, b.AddGroup("Tower"));  // 66194 bytes
    const std::string whole = b.Build();
    const std::size_t birds = b.ObjectOffsets[1], bell = b.ObjectOffsets[3];
    const std::string pastEnd = "Tower.Bell: its bytes lie past the end of the file\n";
    const struct {
        const char* what;
        std::size_t size;  // of the package cut
        std::string summary;
        std::vector<std::string> birds, bell;  // Format, Channels, Rate, Bits, Duration, Size
        std::string lines;                     // under the table
    } cases[] = {
        {"between two sounds", birds, "3 sounds (2 past the end of the file), 0:02.000, 88244 bytes",
         {"-", "-", "-", "-", "-", "0"}, {"-", "-", "-", "-", "-", "0"},
         "Birds: its bytes lie past the end of the file\n" + pastEnd},
        {"inside a sound header", birds + 4, "3 sounds (2 past the end of the file), 0:02.000, 88244 bytes",
         {"-", "-", "-", "-", "-", "0"}, {"-", "-", "-", "-", "-", "0"},
         "Birds: its bytes lie past the end of the file\n" + pastEnd},
        {"inside a RIFF header", birds + 9 + 6, "3 sounds (1 cut short, 1 past the end of the file), 0:02.000, 88250 bytes",
         {"-", "-", "-", "-", "-", "6", "of", "52964"}, {"-", "-", "-", "-", "-", "0"},
         "Birds: cut short: 6 of its 52964 bytes are in the file\n" + pastEnd},
        {"inside a format chunk", birds + 9 + 12 + 8 + 2, "3 sounds (1 cut short, 1 past the end of the file), 0:02.000, 88266 bytes",
         {"-", "-", "-", "-", "-", "22", "of", "52964"}, {"-", "-", "-", "-", "-", "0"},
         "Birds: cut short: 22 of its 52964 bytes are in the file\n" + pastEnd},
        {"inside a data chunk's header", birds + 9 + 36 + 4, "3 sounds (1 cut short, 1 past the end of the file), 0:02.000, 88284 bytes",
         {"PCM", "1", "22050", "16", "0:00.000", "40", "of", "52964"}, {"-", "-", "-", "-", "-", "0"},
         "Birds: cut short: 40 of its 52964 bytes are in the file\n" + pastEnd},
        {"inside the samples", birds + 9 + 44 + 1000, "3 sounds (1 cut short, 1 past the end of the file), 0:02.023, 89288 bytes",
         {"PCM", "1", "22050", "16", "0:00.023", "1044", "of", "52964"}, {"-", "-", "-", "-", "-", "0"},
         "Birds: cut short: 1044 of its 52964 bytes are in the file\n" + pastEnd},
        {"right after a sound header", bell + 9, "3 sounds (1 past the end of the file), 0:03.200, 141208 bytes",
         {"PCM", "1", "22050", "16", "0:01.200", "52964"}, {"-", "-", "-", "-", "-", "0", "of", "66194"}, pastEnd},
        {"one byte short", whole.size() - 1, "3 sounds (1 cut short), 0:04.700, 207401 bytes",
         {"PCM", "1", "22050", "16", "0:01.200", "52964"}, {"PCM", "1", "22050", "16", "0:01.500", "66193", "of", "66194"},
         "Tower.Bell: cut short: 66193 of its 66194 bytes are in the file\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        dir.Write("pk/Cut.kzs", whole.substr(0, c.size));
        const RunResult r = Info(dir, {"pk/Cut.kzs"});
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_TRUE(r.out.starts_with("pk/Cut.kzs: " + c.summary + "\n\n")) << r.out;
        EXPECT_EQ(RowFacts(r.out, "Birds"), c.birds);
        EXPECT_EQ(RowFacts(r.out, "Bell"), c.bell);
        EXPECT_TRUE(r.out.ends_with("\n\n" + c.lines)) << r.out;
        std::string err;
        std::istringstream lines(c.lines);
        std::vector<std::string> warnings;
        for (std::string line; std::getline(lines, line);) {
            err += "Snd_Info: warning: 'pk/Cut.kzs': " + line + "\n";
            warnings.push_back(line);
        }
        EXPECT_EQ(r.err, err);

        // The JSON: every cut sound is a sound, its audio as far as its bytes
        // tell, with the same warnings.
        const RunResult j = Info(dir, {"pk/Cut.kzs", "--json"});
        EXPECT_EQ(j.err, err);
        const json file = Parsed(j)["files"][0];
        EXPECT_EQ(Parts(file["warnings"]), json(warnings));
        for (const auto& [index, facts] : {std::pair{1, c.birds}, std::pair{3, c.bell}}) {
            const json& entry = file["exports"][index];
            EXPECT_EQ(entry["sound"], true);
            const bool cut = facts.size() == 8 || facts[5] == "0";
            EXPECT_EQ(entry.contains("damage"), cut);
            if (!cut) continue;
            EXPECT_EQ(entry["damage"], facts[5] == "0" ? "past the end of the file" : "cut short");
            EXPECT_EQ(entry["wave_size"], facts.size() == 8 ? json(std::stoull(facts[7])) : json(nullptr));
            EXPECT_EQ(entry["audio"].is_null() ? json(0) : entry["audio"]["file_size"], json(std::stoull(facts[5])));
        }

        // Shown or extracted on its own, a sound past the end says so too.
        if (c.bell[5] != "0") continue;
        const RunResult shown = Info(dir, {"pk/Cut.kzs", "Tower.Bell"});
        EXPECT_EQ(shown.err, "Snd_Info: 'Tower.Bell' in package 'pk/Cut.kzs': its bytes lie past the end of the file\n");
        EXPECT_EQ(shown.exitStatus, 1);
        const RunResult x = Info(dir, {"pk/Cut.kzs", "Tower.Bell", "/x:out"});
        EXPECT_EQ(x.err, "Snd_Info: \"Bell\" in 'pk/Cut.kzs': its bytes lie past the end of the file: nothing written\n");
        EXPECT_EQ(x.exitStatus, 1);
    }
}

TEST(SndInfoPrintE2E, CuesTextsTagsAndPhonemes) {
    TempDir dir;
    const std::string fmt = wb::PcmFmt(1, 8000, 8);
    const struct {
        std::string what, chunks;
        std::string lines;  // printed after the data chunk's lines
    } cases[] = {
        {"cue fields all differ, texts without NUL",
         wb::Cue({{7, 3, "data", 5, 9, 4000}}) +
             wb::List("adtl", wb::Labl(7, "Start") + wb::Ltxt(7, 2000, "rgn ", 1, 2, 3, 4, std::string("Ring\0", 5))),
         "'cue ' 28 bytes\n  Cue points: 1\n"
         "  Cue id 7: sample offset 4000 (0:00.500), position 3, chunk 'data', chunk start 5, block start 9\n"
         "    Label: \"Start\"\n    Text: \"Ring\", sample length 2000 (0:00.250), purpose 'rgn '\n"
         "'LIST' 56 bytes, type 'adtl'\n  'labl' 10 bytes, cue id 7: \"Start\"\n"
         "  'ltxt' 25 bytes, cue id 7: sample length 2000, purpose 'rgn ', country 1, language 2, dialect 3, "
         "code page 4, text \"Ring\"\n"},
        {"a label for another cue, a note",
         wb::Cue({{1, 0, "data", 0, 0, 8000}}) + wb::List("adtl", wb::Labl(2, "Other") + wb::Chunk("note", wb::U32(1) + "n\0")),
         "'cue ' 28 bytes\n  Cue points: 1\n"
         "  Cue id 1: sample offset 8000 (0:01.000), position 0, chunk 'data', chunk start 0, block start 0\n"
         "    Note: \"n\"\n"
         "'LIST' 36 bytes, type 'adtl'\n  'labl' 10 bytes, cue id 2: \"Other\"\n  'note' 5 bytes, cue id 1: \"n\"\n"},
        {"INFO tags by name, the rest by code",
         wb::List("INFO", wb::Chunk("INAM", std::string("Bell\0", 5)) + wb::Chunk("IART", "Me") +
                              wb::Chunk("ICMT", "a\x1F b\xE0\xA0\x80") + wb::Chunk("IXYZ", "v") +
                              wb::Chunk("IMED", "tape") + wb::Chunk("ISGN", "x")),
         "'LIST' 76 bytes, type 'INFO'\n  Title: \"Bell\"\n  Artist: \"Me\"\n"
         "  Comment: \"a\\x1F b\xE0\xA0\x80\"\n  'IXYZ': \"v\"\n  Medium: \"tape\"\n  Secondary genre: \"x\"\n"},
        {"phoneme symbols, ASCII too, none for a blank or a control",
         wb::Phnm("x", {{"x", 0, 0, 0, 0, {{"iy", 0x69}, {"sp", 0x20}, {"us", 0x1F}, {"hi", 0x0800}}}}),
         "'phnm' 117 bytes\n  Text: \"x\"\n  Words: 1\n  Word \"x\": int A 0, int B 0, float A 0, float B 0, phonemes 4\n"
         "    Phoneme 'iy' U+0069 i: float A 0, float B 0\n    Phoneme 'sp' U+0020: float A 0, float B 0\n"
         "    Phoneme 'us' U+001F: float A 0, float B 0\n    Phoneme 'hi' U+0800 \xE0\xA0\x80: float A 0, float B 0\n"},
        {"phoneme symbols at the edges: none for a no-break space, a control or a surrogate",
         wb::Phnm("y", {{"y", 0, 0, 0, 0, {{"ti", 0x7E}, {"de", 0x7F}, {"nb", 0xA0}, {"ie", 0xA1}, {"2", 0x07FF},
                                            {"d7", 0xD7FF}, {"d8", 0xD800}, {"df", 0xDFFF}, {"e0", 0xE000}}}}),
         "'phnm' 187 bytes\n  Text: \"y\"\n  Words: 1\n  Word \"y\": int A 0, int B 0, float A 0, float B 0, phonemes 9\n"
         "    Phoneme 'ti' U+007E ~: float A 0, float B 0\n    Phoneme 'de' U+007F: float A 0, float B 0\n"
         "    Phoneme 'nb' U+00A0: float A 0, float B 0\n    Phoneme 'ie' U+00A1 \xC2\xA1: float A 0, float B 0\n"
         "    Phoneme '2' U+07FF \xDF\xBF: float A 0, float B 0\n    Phoneme 'd7' U+D7FF \xED\x9F\xBF: float A 0, float B 0\n"
         "    Phoneme 'd8' U+D800: float A 0, float B 0\n    Phoneme 'df' U+DFFF: float A 0, float B 0\n"
         "    Phoneme 'e0' U+E000 \xEE\x80\x80: float A 0, float B 0\n"},
        {"0- and 1-byte chunks", wb::Chunk("zero", "") + wb::Chunk("one ", "x"),
         "'zero' 0 bytes, not interpreted\n'one ' 1 byte, not interpreted\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        // 12349 bytes at 8000 a second: 1.543625 s, rounded, not cut.
        dir.Write("in.wav", wb::Riff(fmt + wb::Chunk("data", std::string(12349, '\x80')) + c.chunks));
        const RunResult r = Info(dir, {"in.wav"});
        EXPECT_EQ(r.exitStatus, 0);
        EXPECT_EQ(r.err, "");
        const std::string data = "'data' 12349 bytes\n  Duration: 0:01.544 (12349 frames)\n";
        ASSERT_NE(r.out.find(data), std::string::npos) << r.out;
        EXPECT_EQ(r.out.substr(r.out.find(data) + data.size()), c.lines);
    }
}

TEST(SndInfoPrintE2E, DamagedSizesAreNamedAndTheStatusStays) {
    TempDir dir;
    const std::string fmt = wb::PcmFmt(1, 8000, 8);
    const struct {
        std::string what, wave;
        std::vector<std::string> warnings;
        std::vector<std::string> codes;  // in the JSON
    } cases[] = {
        {"a data chunk that claims 4 GiB", wb::Riff(fmt + wb::Header("data", 0xFFFFFFF0) + std::string(980, '\x80')),
         {"'data' chunk claims 4294967280 bytes, holds 980"}, {"chunk_size_mismatch"}},
        {"a RIFF size too large", wb::Riff(1000, fmt + wb::Chunk("data", "ab")),
         {"RIFF size says 1000 bytes, 38 follow the RIFF header"}, {"riff_size_mismatch"}},
        {"a RIFF size too small, and a tag in a list claiming more than the list",
         wb::Riff(50, fmt + wb::Chunk("data", "ab") + wb::Chunk("LIST", "INFO" + wb::Header("INAM", 50) + "abc")),
         {"RIFF size says 50 bytes, 62 follow the RIFF header", "'INAM' chunk claims 50 bytes, holds 3"},
         {"riff_size_mismatch", "chunk_size_mismatch"}},
        {"a labelled text cut short", wb::Riff(fmt + wb::Chunk("data", "ab") + wb::Chunk("LIST", "adtl" + wb::Header("ltxt", 40) + std::string(22, 'x'))),
         {"'ltxt' chunk claims 40 bytes, holds 22"}, {"chunk_size_mismatch"}},
        {"a chunk at the end cut short", wb::Riff(fmt + wb::Chunk("data", "ab") + wb::Header("junk", 40) + std::string(22, 'x')),
         {"'junk' chunk claims 40 bytes, holds 22"}, {"chunk_size_mismatch"}},
        {"an iXML chunk cut short, its text not UTF-8",
         wb::Riff(fmt + wb::Chunk("data", "ab") + wb::Header("iXML", 40) +
                  std::string("<BWFXML>\xFF</BWFXML>\0\0\0\0", 22)),
         {"'iXML' chunk claims 40 bytes, holds 22"}, {"chunk_size_mismatch"}},
        {"an ID3 tag: a text of no known encoding, a user text not UTF-8",
         wb::Riff(fmt + wb::Chunk("data", "ab") +
                  wb::Chunk("id3 ", wb::Id3v2Tag(4, 0, wb::Id3Frame(4, "TIT2", "\x07x") +
                                                          wb::Id3Frame(4, "TXXX", std::string("\3k\xFF\0v\xFF", 6))))),
         {"'id3 ' chunk: ID3 frame 'TIT2' has the text encoding 7, which is not known"}, {"id3_unknown_encoding"}},
        {"a streamed RIFF size, a pad byte left out", wb::Riff(0xFFFFFFFF, fmt + wb::Header("data", 3) + "abc"), {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        dir.Write("in.wav", c.wave);
        PackageBuilder b;
        b.AddSound("Cut", c.wave);
        b.Write(dir.Path() / "p.kzs");
        for (const auto& [args, what] : {std::pair<std::vector<std::string>, std::string>{{"in.wav"}, "'in.wav'"},
                                         {{"p.kzs", "Cut"}, "'Cut' in package 'p.kzs'"}}) {
            const RunResult r = Info(dir, args);
            EXPECT_EQ(r.exitStatus, 0);
            EXPECT_NE(r.out.find("\nRIFF size: "), std::string::npos) << r.out;
            std::string err;
            for (const std::string& warning : c.warnings) err += "Snd_Info: warning: " + what + ": " + warning + "\n";
            EXPECT_EQ(r.err, err);
            std::vector<std::string> more = args;
            more.push_back("--json");
            const json warnings = Parsed(Info(dir, more))["files"][0]["warnings"];
            EXPECT_EQ(Parts(warnings, "code"), json(c.codes));
            EXPECT_EQ(Parts(warnings), json(c.warnings));
        }
    }
}

TEST(SndInfoStatusE2E, HonestAboutOutputAndInput) {
    if (RunsUnderRunner()) GTEST_SKIP() << "pipes and /dev/full are the host shell's";
    TempDir dir;
    WriteFiles(dir);
    const std::string wave = Info(dir, {"in.wav"}).out;
    const std::string body = wave.substr(wave.find(':'));  // after the name
    const struct {
        std::string script;
        int status;
        std::string out, err;
    } cases[] = {
        {"\"$0\" A.kzs /dpl > /dev/full", 1, "", "Snd_Info: cannot write to standard output\n"},
        {"\"$0\" A.kzs B.kzs > /dev/full", 1, "", "Snd_Info: cannot write to standard output\n"},
        {"\"$0\" --json A.kzs > /dev/full", 1, "", "Snd_Info: cannot write to standard output\n"},
        {"\"$0\" --version > /dev/full", 1, "", "Snd_Info: cannot write to standard output\n"},
        {"\"$0\" - < in.wav", 0, "standard input" + body, ""},
        {"cat in.wav | \"$0\" -", 0, "standard input" + body, ""},
        {"mkfifo fifo && (cat in.wav > fifo &) && \"$0\" fifo", 0, "fifo" + body, ""},
        {"cat A.kzs | \"$0\" -", 1, "", "Snd_Info: '-' is not a WAVE file, and a package cannot be read from a pipe\n"},
        {"cat in.wav | \"$0\" - --write=-", 0, ModelSaves(kWind), ""},
        // "-" after a package is a FILE too, never a SOUND of it.
        {"\"$0\" B.kzs - < in.wav", 0, "==> B.kzs <==\n" + Info(dir, {"B.kzs"}).out + "\n==> - <==\nstandard input" + body, ""},
        {"\"$0\" A.kzs Wind01 /w:-", 0, ModelSaves(kWind), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.script);
        const RunResult r = Shell(dir, c.script);
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        fs::remove(dir.Path() / "fifo");
    }
}

}  // namespace

namespace {

// 100 frames of 16-bit mono with a region "Verse" at 10 (20 frames), an
// unnamed one at 40 (5 frames) and a loop over 60..69.
std::string MarkedWave() {
    return wb::Riff(wb::PcmFmt(1, 8000, 16) + wb::Chunk("data", wb::Samples(16, 1, 100)) +
                    wb::Marks({{10, 20, "Verse"}, {40, 5}}) + wb::Smpl({{60, 69}}));
}

}  // namespace

// /w: with --region saves that region alone, of a WAVE file or a SOUND, to a
// file or standard output; a name not there is named with those there are.
TEST(SndInfoRegionE2E, OneRegionSavedByItsName) {
    TempDir dir;
    const std::string marked = MarkedWave();
    dir.Write("m.wav", marked);
    PackageBuilder b;
    b.AddSound("Bell", marked);
    b.Write(dir.Path() / "P.kzs");
    const std::string samples = wb::Samples(16, 1, 100);
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
        std::size_t from, frames;  // of the samples the output holds
    } rows[] = {
        {{"m.wav", "--region=Verse", "/w:o.wav"}, 0, "", 10, 20},
        {{"m.wav", "/REGION:region 2", "--write", "o.wav"}, 0, "", 40, 5},
        {{"P.kzs", "Bell", "--region", "loop 1", "/w:o.wav"}, 0, "", 60, 10},
        {{"m.wav", "--region=verse", "/w:o.wav"}, 1,
         "Snd_Info: 'm.wav': no region \"verse\"; its regions: \"Verse\", \"region 2\", \"loop 1\"\n", 0, 0},
        {{"P.kzs", "Bell", "--region=loop 2", "/w:o.wav"}, 1,
         "Snd_Info: 'Bell' in package 'P.kzs': no region \"loop 2\"; its regions: \"Verse\", \"region 2\", \"loop 1\"\n",
         0, 0},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.args[1] + " " + row.args[2]);
        fs::remove(dir.Path() / "o.wav");
        const RunResult r = Info(dir, row.args);
        EXPECT_EQ(r.exitStatus, row.status);
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(dir.Exists("o.wav"), row.status == 0);
        if (row.status != 0) continue;
        std::istringstream in(dir.Read("o.wav"));
        WAVE_File saved;
        saved.LoadData(in);
        EXPECT_EQ(std::string(saved.DataChunk.ChunkData.begin(), saved.DataChunk.ChunkData.end()),
                  samples.substr(row.from * 2, row.frames * 2));
        EXPECT_EQ(WaveTest::ChainIDs(saved.FirstChunk.get()), "cue ,LIST");
    }
    // To standard output, nothing else there.
    const RunResult out = Info(dir, {"m.wav", "--region=Verse", "/w:-"});
    EXPECT_EQ(out.exitStatus, 0);
    EXPECT_EQ(out.out.substr(0, 4), "RIFF");
    EXPECT_EQ(out.out.find("Verse", 40) != std::string::npos, true);
}
