// Snd_Info /x:DIR, the built program run in a fresh folder: which files it
// writes (every sound, no file outside DIR, nothing overwritten without /y),
// their bytes against Snd_Pull's exports, the lines and the status.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "facts/LabelTrack.h"
#include "facts/Sfz.h"
#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "tests/support/JsonFindings.h"
#include "tests/support/RunTool.h"
#include "wave/Audio.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;

RunResult Info(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(SndInfoPath(), args, dir.Path());
}

// Every file under `folder`, as paths relative to it with '/', sorted.
std::vector<std::string> FilesUnder(const fs::path& folder) {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), folder).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

const std::string kWind = ToneWave(440, 0.05);
const std::string kRain = ToneWave(220, 0.03);
const std::string kDrop = ToneWave(330, 0.02);
const std::string kThunder = ToneWave(110, 0.04);

std::int32_t AddOfClass(PackageBuilder& b, const std::string& className, const std::string& name,
                        const std::string& object) {
    ImportEntry import;
    import.classPackage = b.Name("Core");
    import.className = b.Name("Class");
    import.objectName = b.Name(className);
    ExportEntry entry;
    entry.classRef = className == "Sound" ? b.SoundClass() : b.AddImport(import);
    entry.objectName = b.Name(name);
    entry.object = object;
    return b.AddExport(entry);
}

// Two packages named Ambient in two folders, and one whose sounds share a
// name three times, twice only in letter case; a texture is no sound.
void WriteFolderOfPackages(const TempDir& dir) {
    PackageBuilder ambient;
    ambient.AddSound("Wind01", kWind);
    ambient.AddSound("Rain", kRain);
    ambient.Write(dir.Path() / "a" / "Ambient.kzs");
    PackageBuilder other;
    other.AddSound("Rain", kDrop);
    other.Write(dir.Path() / "b" / "Ambient.kzs");
    PackageBuilder weather;
    weather.AddSound("Rain", kRain);
    weather.AddSound("rain", kDrop);
    AddOfClass(weather, "Texture", "Sky", "pixels");
    weather.AddSound("Rain", kThunder);
    weather.AddSound("Thunder", kThunder);
    weather.Write(dir.Path() / "a" / "Weather.KZS");
}

TEST(ExtractE2E, FolderOfPackagesWithClashingNames) {
    TempDir dir;
    WriteFolderOfPackages(dir);
    const RunResult r = Info(dir, {"a/Ambient.kzs", "a/Weather.KZS", "b/Ambient.kzs", "/x:out"});
    const std::size_t bytes = kWind.size() + 2 * kRain.size() + 2 * kDrop.size() + 2 * kThunder.size();
    EXPECT_EQ(r.out,
              "  writing: out/Ambient/Wind01.wav\n"
              "  writing: out/Ambient/Rain.wav\n"
              "  writing: out/Weather/Rain.wav\n"
              "  writing: out/Weather/rain (2).wav\n"
              "  writing: out/Weather/Rain (3).wav\n"
              "  writing: out/Weather/Thunder.wav\n"
              "  writing: out/Ambient (2)/Rain.wav\n"
              "7 sounds written (" + std::to_string(bytes) + " bytes), 0 skipped, 0 failed\n");
    EXPECT_EQ(r.err, "Snd_Info: warning: the sounds of 'b/Ambient.kzs' go to 'out/Ambient (2)'\n");
    EXPECT_EQ(r.exitStatus, 0);
    const std::vector<std::pair<std::string, std::string>> files = {
        {"Ambient (2)/Rain.wav", kDrop}, {"Ambient/Rain.wav", kRain},        {"Ambient/Wind01.wav", kWind},
        {"Weather/Rain (3).wav", kThunder}, {"Weather/Rain.wav", kRain},   {"Weather/Thunder.wav", kThunder},
        {"Weather/rain (2).wav", kDrop}};
    ASSERT_EQ(FilesUnder(dir.Path() / "out").size(), files.size());
    for (const auto& [file, wave] : files) EXPECT_TRUE(dir.Read("out/" + file) == wave) << file;

    // Named sounds: the first export of the name, numbered as in the whole
    // run; a full name or "#N" for another.
    const RunResult named = Info(dir, {"a/Weather.KZS", "Rain", "Nope", "#3", "/x:named"});
    EXPECT_EQ(named.out,
              "  writing: named/Weather/Rain.wav\n"
              "  writing: named/Weather/Rain (3).wav\n"
              "2 sounds written (" + std::to_string(kRain.size() + kThunder.size()) +
                  " bytes), 0 skipped, 1 failed\n");
    EXPECT_EQ(named.err, "Snd_Info: warning: 'Rain' in package 'a/Weather.KZS': names 2 exports, \"Rain\" (#0) and "
                         "\"Rain\" (#3): the first is taken\n"
                         "Snd_Info: no sound 'Nope' in package 'a/Weather.KZS'\n");
    EXPECT_EQ(named.exitStatus, 1);
    EXPECT_EQ(FilesUnder(dir.Path() / "named"), (std::vector<std::string>{"Weather/Rain (3).wav", "Weather/Rain.wav"}));
}

// Every kind of name that cannot be a file name gets one of its own, inside
// DIR: the same on Linux and under Wine.
TEST(ExtractE2E, UnsafeNamesStayInsideTheFolder) {
    const std::vector<std::pair<std::string, std::string>> names = {
        {"", "%.wav"},
        {".", "%2E.wav"},
        {"..", ".%2E.wav"},
        {"../../escape", "..%2F..%2Fescape.wav"},
        {"a\\b", "a%5Cb.wav"},
        {"C:x", "C%3Ax.wav"},
        {"*?\"<>|", "%2A%3F%22%3C%3E%7C.wav"},
        {"tab\tcr\r", "tab%09cr%0D.wav"},
        {"CON", "CO%4E.wav"},
        {"nul.txt", "nu%6C.txt.wav"},
        {"Com1", "Com%31.wav"},
        {"LPT9 ", "LPT%39%20.wav"},
        {"end.", "end%2E.wav"},
        {"100%", "100%25.wav"},
        {"\xFF\xFE", "%FF%FE.wav"},
        {std::string(255, 'L'), std::string(251, 'L') + ".wav"},
    };
    TempDir dir;
    PackageBuilder b;
    std::vector<std::string> waves;
    for (std::size_t n = 0; n < names.size(); ++n) {
        waves.push_back(ToneWave(200 + 10.0 * static_cast<double>(n), 0.01));
        b.AddSound(names[n].first, waves.back());
    }
    b.Write(dir.Path() / "pk" / "Odd.kzs");

    const RunResult r = Info(dir, {"pk/Odd.kzs", "/x:out"});
    EXPECT_EQ(r.exitStatus, 0) << r.err;
    std::vector<std::string> expected;
    for (std::size_t n = 0; n < names.size(); ++n) {
        const auto& [name, file] = names[n];
        expected.push_back("Odd/" + file);
        EXPECT_TRUE(dir.Read("out/Odd/" + file) == waves[n]) << file;
        EXPECT_NE(r.err.find("its file is 'out/Odd/" + file + "'\n"), std::string::npos) << file;
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FilesUnder(dir.Path() / "out"), expected);
    EXPECT_EQ(FilesUnder(dir.Path()).size(), expected.size() + 1);  // and the package
}

// A file in the way is left alone, and says so, unless /y is given; a link
// in the way is replaced, never written through.
TEST(ExtractE2E, ExistingFilesAreOverwrittenOnlyWithY) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Wind01", kWind);
    b.AddSound("Rain", kRain);
    b.AddSound("Thunder", kThunder);
    b.Write(dir.Path() / "Ambient.kzs");
    dir.Write("out/Ambient/Rain.wav", "mine");
    // A link to a file outside; under Wine, which sees no links, a file.
    const bool links = !RunsUnderRunner();
    dir.Write(links ? "keep.txt" : "out/Ambient/Thunder.wav", "not a sound");
    if (links) fs::create_symlink(dir.Path() / "keep.txt", dir.Path() / "out" / "Ambient" / "Thunder.wav");

    const RunResult kept = Info(dir, {"Ambient.kzs", "/x:out"});
    EXPECT_EQ(kept.exitStatus, 1);
    EXPECT_EQ(kept.out, "  writing: out/Ambient/Wind01.wav\n1 sound written (" + std::to_string(kWind.size()) +
                            " bytes), 2 skipped, 0 failed\n");
    EXPECT_EQ(kept.err, "Snd_Info: 'out/Ambient/Rain.wav' exists: skipped (/y overwrites it)\n"
                        "Snd_Info: 'out/Ambient/Thunder.wav' exists: skipped (/y overwrites it)\n");
    EXPECT_EQ(dir.Read("out/Ambient/Rain.wav"), "mine");

    for (const char* overwrite : {"/y", "--overwrite"}) {
        const RunResult r = Info(dir, {"--extract=out", overwrite, "Ambient.kzs"});
        EXPECT_EQ(r.exitStatus, 0) << overwrite;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(dir.Read("out/Ambient/Rain.wav"), kRain);
        EXPECT_EQ(dir.Read("out/Ambient/Thunder.wav"), kThunder);
        EXPECT_FALSE(fs::is_symlink(dir.Path() / "out" / "Ambient" / "Thunder.wav"));
    }
    EXPECT_EQ(dir.Read("keep.txt"), links ? "not a sound" : "");
}

// Damaged sounds among good ones: the good ones come out whole, a sound cut
// short as Snd_Pull exports it, and each failure is named; also in the JSON
// report, which is parsed back.
TEST(ExtractE2E, DamagedSoundsAndTheJsonReport) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Good", kWind);
    AddOfClass(b, "Sound", "NotWave", SoundObject("this is not RIFF"));
    AddOfClass(b, "Sound", "NoData", "");
    b.AddSound("a/b", kRain);
    b.AddSound("\xFF", kDrop);
    b.AddSound("Short", kThunder, {0, 0, 0, static_cast<std::int32_t>(kThunder.size() + 100), 0});  // last in the file
    b.Write(dir.Path() / "pk" / "Damaged.kzs");
    dir.Write("pk/Broken.kzs", "not a package");
    dir.Write("all.dpl", "Damaged;\nGood\nShort\n");
    fs::create_directory(dir.Path() / "pulled");
    TestSupport::Run(SndPullPath(), {"all", "/i:pk", "/o:pulled"}, dir.Path());
    ASSERT_TRUE(dir.Read("pulled/Short.wav") == kThunder);

    const std::string notWave = "\" in 'pk/Damaged.kzs' holds no WAVE file: nothing written\n";
    const RunResult r = Info(dir, {"pk/Damaged.kzs", "pk/Broken.kzs", "/x:out"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, "  writing: out/Damaged/Good.wav\n"
                     "  writing: out/Damaged/a%2Fb.wav\n"
                     "  writing: out/Damaged/%FF.wav\n"
                     "  writing: out/Damaged/Short.wav\n"
                     "3 sounds written (" + std::to_string(kWind.size() + kRain.size() + kDrop.size()) +
                         " bytes), 0 skipped, 3 failed, 1 package not read\n");
    EXPECT_EQ(r.err, "Snd_Info: \"NotWave" + notWave + "Snd_Info: \"NoData" + notWave +
                         "Snd_Info: warning: \"a/b\" in 'pk/Damaged.kzs' cannot be a file name; its file is "
                         "'out/Damaged/a%2Fb.wav'\n"
                         "Snd_Info: warning: \"\\xFF\" in 'pk/Damaged.kzs' cannot be a file name; its file is "
                         "'out/Damaged/%FF.wav'\n"
                         "Snd_Info: \"Short\" in 'pk/Damaged.kzs' is cut short: 'out/Damaged/Short.wav' holds the " +
                         std::to_string(kThunder.size()) + " of its " + std::to_string(kThunder.size() + 100) +
                         " bytes that the package holds\n"
                         "Snd_Info: 'pk/Broken.kzs' is not a readable sound package: it begins with "
                         "6E 6F 74 20 61 20 70 61 63 6B 61 67 (\"not a packag\")\n");
    EXPECT_EQ(FilesUnder(dir.Path() / "out"),
              (std::vector<std::string>{"Damaged/%FF.wav", "Damaged/Good.wav", "Damaged/Short.wav", "Damaged/a%2Fb.wav"}));
    EXPECT_TRUE(dir.Read("out/Damaged/Good.wav") == dir.Read("pulled/Good.wav"));
    EXPECT_TRUE(dir.Read("out/Damaged/Short.wav") == dir.Read("pulled/Short.wav"));

    const RunResult json = Info(dir, {"pk/Damaged.kzs", "pk/Broken.kzs", "--extract=json", "--json"});
    EXPECT_EQ(json.exitStatus, 1);
    const auto report = nlohmann::json::parse(json.out);
    // One shape for every document: schema, program, version, files, totals;
    // each package's extraction under its own entry, with the lines said.
    EXPECT_EQ(report["schema"], 7);
    EXPECT_EQ(report["totals"], nlohmann::json({{"written", 3}, {"skipped", 0}, {"failed", 3}, {"not_converted", 0},
                                                {"bytes", kWind.size() + kRain.size() + kDrop.size()},
                                                {"packages_not_read", 1}}));
    const auto& files = report["files"];
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[1], nlohmann::json::parse(R"j({"path": "pk/Broken.kzs", "type": "error", "warnings": [],
        "errors": [{"code": "not_a_package", "severity": "error",
                    "message": "'pk/Broken.kzs' is not a readable sound package: it begins with )j"
                                              R"j(6E 6F 74 20 61 20 70 61 63 6B 61 67 (\"not a packag\")",
                    "values": {"path": "pk/Broken.kzs", "reason": "it begins with )j"
                                              R"j(6E 6F 74 20 61 20 70 61 63 6B 61 67 (\"not a packag\")"}}],
        "extract": {"folder": "json/Broken", "overwrite": false, "pcm": false, "sounds": []}})j"));
    EXPECT_EQ(files[0]["type"], "package");
    // The messages about one sound stand with it; the package has none of its own.
    EXPECT_EQ(files[0]["warnings"], nlohmann::json::array());
    EXPECT_EQ(files[0]["errors"], nlohmann::json::array());
    EXPECT_EQ(files[0]["extract"]["folder"], "json/Damaged");
    const auto& packages = files;
    const auto sound = [](int index, const char* name, const char* file, std::size_t bytes, const char* status) {
        nlohmann::json sound = {{"index", index}, {"name", name}, {"group", ""}, {"file", std::string("json/Damaged/") + file},
                                {"bytes", bytes}, {"status", status}};
        return sound;
    };
    auto expected = nlohmann::json::array(
        {sound(0, "Good", "Good.wav", kWind.size(), "written"), sound(1, "NotWave", "NotWave.wav", 0, "failed"),
         sound(2, "NoData", "NoData.wav", 0, "failed"), sound(3, "a/b", "a%2Fb.wav", kRain.size(), "written"),
         sound(4, "\xEF\xBF\xBD", "%FF.wav", kDrop.size(), "written"),
         sound(5, "Short", "Short.wav", kThunder.size(), "failed")});
    expected[1]["reason"] = expected[2]["reason"] = "holds no WAVE file";
    expected[5]["reason"] = "cut short";
    expected[4]["name_bytes"] = {255};
    expected[1]["errors"] = {"\"NotWave\" in 'pk/Damaged.kzs' holds no WAVE file: nothing written"};
    expected[2]["errors"] = {"\"NoData\" in 'pk/Damaged.kzs' holds no WAVE file: nothing written"};
    expected[3]["warnings"] = {"\"a/b\" in 'pk/Damaged.kzs' cannot be a file name; its file is 'json/Damaged/a%2Fb.wav'"};
    expected[4]["warnings"] = {"\"\\xFF\" in 'pk/Damaged.kzs' cannot be a file name; its file is 'json/Damaged/%FF.wav'"};
    expected[5]["errors"] = {"\"Short\" in 'pk/Damaged.kzs' is cut short: 'json/Damaged/Short.wav' holds the " + std::to_string(kThunder.size()) + " of its " +
                             std::to_string(kThunder.size() + 100) + " bytes that the package holds"};
    // Each sound's findings: their codes, the values of one, then their messages.
    auto sounds = packages[0]["extract"]["sounds"];
    EXPECT_EQ(sounds[5]["errors"][0]["values"],
              nlohmann::json({{"sound", "Short"}, {"path", "pk/Damaged.kzs"}, {"file", "json/Damaged/Short.wav"},
                              {"held", kThunder.size()}, {"wave_size", kThunder.size() + 100}}));
    std::vector<std::string> codes;
    for (auto& sound : sounds) {
        for (const char* key : {"warnings", "errors"}) {
            if (!sound.contains(key)) continue;
            for (const auto& finding : sound[key]) codes.push_back(finding["code"]);
            sound[key] = Parts(sound[key]);
        }
    }
    EXPECT_EQ(codes, (std::vector<std::string>{"holds_no_wave", "holds_no_wave", "not_a_file_name", "not_a_file_name",
                                               "cut_short_written"}));
    EXPECT_EQ(sounds, expected);
}

}  // namespace

namespace {

// A sound of 1000 frames with the regions (start, length, label; "" for none)
// and one loop.
std::string WithRegions(const std::vector<WaveBuilder::Mark>& regions) {
    namespace wb = WaveBuilder;
    return wb::Riff(wb::PcmFmt(1, 22050, 16) + wb::Chunk("data", wb::Samples(16, 1, 1000)) + wb::Marks(regions) +
                    wb::Smpl({{100, 199}}));
}

}  // namespace

// Each region and loop beside its sound: named after the sound's file and
// the region, escaped and numbered among the folder's names in any letter
// case (a later sound's file too); an existing file is kept without /y.
TEST(ExtractE2E, RegionsBesideTheirSounds) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Bell", WithRegions({{0, 10, "Intro"}, {10, 10, "intro"}, {20, 10, "a/b"}, {30, 10, ""}, {990, 50, "Tail"}}));
    b.AddSound("Bell", WithRegions({{5, 5, "Intro"}}));
    b.AddSound("Bell - Intro", kWind);
    b.Write(dir.Path() / "Pk.kzs");
    dir.Write("out/Pk/Bell - loop 1.wav", "mine");

    const struct {
        std::string file;  // under out/Pk; "" for a sound's own
        std::string status;
        std::uint64_t frames;  // of a region file written
    } rows[] = {
        {"Bell.wav", "", 0},
        {"Bell - Intro.wav", "written", 10},
        {"Bell - intro (2).wav", "written", 10},
        {"Bell - a%2Fb.wav", "written", 10},
        {"Bell - region 4.wav", "written", 10},
        {"Bell - Tail.wav", "written", 10},
        {"Bell - loop 1.wav", "skipped", 0},
        {"Bell (2).wav", "", 0},
        {"Bell (2) - Intro.wav", "written", 5},
        {"Bell (2) - loop 1.wav", "written", 100},
        {"Bell - Intro (3).wav", "", 0},
    };
    const RunResult r = Info(dir, {"Pk.kzs", "/x:out", "--regions"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "Snd_Info: 'out/Pk/Bell - loop 1.wav' exists: skipped (/y overwrites it)\n");
    std::string lines;
    std::vector<std::string> files;
    std::size_t besideBytes = 0;
    for (const auto& row : rows) {
        files.push_back("Pk/" + row.file);
        if (row.status != "skipped") lines += "  writing: out/Pk/" + row.file + "\n";
        if (row.status != "written") continue;
        // The frames of the region, 16-bit mono, right after fmt.
        const std::string bytes = dir.Read("out/Pk/" + row.file);
        besideBytes += bytes.size();
        EXPECT_EQ(bytes.substr(36, 8), "data" + WaveBuilder::U32(static_cast<std::uint32_t>(row.frames * 2))) << row.file;
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(FilesUnder(dir.Path() / "out"), files);
    const std::size_t soundBytes = dir.Read("out/Pk/Bell.wav").size() + dir.Read("out/Pk/Bell (2).wav").size() + kWind.size();
    EXPECT_EQ(r.out, lines + "3 sounds written (" + std::to_string(soundBytes) + " bytes), 0 skipped, 0 failed; 7 files "
                     "beside them written (" + std::to_string(besideBytes) + " bytes), 1 skipped, 0 failed\n");
    EXPECT_EQ(dir.Read("out/Pk/Bell - loop 1.wav"), "mine");

    // The JSON report: each sound's regions, in order, with what became of them.
    const RunResult j = Info(dir, {"Pk.kzs", "/x:json", "--regions", "--json"});
    EXPECT_EQ(j.exitStatus, 0) << j.err;
    const nlohmann::json sounds = nlohmann::json::parse(j.out)["files"][0]["extract"]["sounds"];
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[0]["regions"].size(), 6u);
    EXPECT_EQ(sounds[0]["regions"][2]["name"], "a/b");
    EXPECT_EQ(sounds[0]["regions"][2]["file"], "json/Pk/Bell - a%2Fb.wav");
    EXPECT_EQ(sounds[0]["regions"][2]["status"], "written");
    EXPECT_EQ(sounds[1]["regions"][1]["name"], "loop 1");
    EXPECT_EQ(sounds[2]["regions"], nlohmann::json::array());
}

// A sound's label track and instrument beside it, as the core makes them,
// only where it has them, also where the sound's own file is kept; the JSON
// report names their files.
TEST(ExtractE2E, LabelTracksAndInstrumentsBesideTheirSounds) {
    TempDir dir;
    const std::string marked = WithRegions({{0, 10, "Intro"}, {500, 20, ""}});
    PackageBuilder b;
    b.AddSound("Marked", marked);
    b.AddSound("Plain", kWind);
    b.Write(dir.Path() / "Pk.kzs");
    const auto model = [](const std::string& bytes) {
        std::istringstream in(bytes);
        auto wave = std::make_unique<WAVE_File>();
        wave->LoadData(in, WaveLoad::Everything, [](std::string_view) {});
        return wave;
    };
    // Beside a sound whose file is kept too.
    dir.Write("out/Pk/Marked.wav", "mine");
    const RunResult r = Info(dir, {"Pk.kzs", "/x:out", "--labels", "/SFZ", "-q"});
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "Snd_Info: 'out/Pk/Marked.wav' exists: skipped (/y overwrites it)\n");
    EXPECT_EQ(dir.Read("out/Pk/Marked.wav"), "mine");
    for (const auto& [name, bytes] : {std::pair<std::string, std::string>{"Marked", marked}, {"Plain", kWind}}) {
        SCOPED_TRACE(name);
        const auto wave = model(bytes);
        const std::string track = Facts::LabelTrack(*wave);
        const std::optional<std::string> sfz = Facts::Sfz(*wave, name + ".wav");
        EXPECT_EQ(dir.Exists("out/Pk/" + name + ".txt"), !track.empty());
        EXPECT_EQ(dir.Read("out/Pk/" + name + ".txt"), track);
        EXPECT_EQ(dir.Exists("out/Pk/" + name + ".sfz"), sfz.has_value());
        EXPECT_EQ(dir.Read("out/Pk/" + name + ".sfz"), sfz.value_or(""));
    }
    EXPECT_FALSE(dir.Read("out/Pk/Marked.txt").empty());
    EXPECT_FALSE(dir.Read("out/Pk/Marked.sfz").empty());

    const RunResult j = Info(dir, {"Pk.kzs", "/x:json", "--labels", "--sfz", "--json"});
    EXPECT_EQ(j.exitStatus, 0) << j.err;
    const nlohmann::json sounds = nlohmann::json::parse(j.out)["files"][0]["extract"]["sounds"];
    EXPECT_EQ(sounds[0]["labels"], "json/Pk/Marked.txt");
    EXPECT_EQ(sounds[0]["sfz"], "json/Pk/Marked.sfz");
    EXPECT_FALSE(sounds[0].contains("regions"));
    EXPECT_FALSE(sounds[1].contains("sfz"));
}
