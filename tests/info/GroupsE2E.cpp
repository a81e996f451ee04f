// Groups end to end: the built Snd_Info over packages whose exports stand in
// groups -- the files /x: writes (with and without --flat), the group the
// listing and the JSON show, and the warnings of damaged chains.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "info/Extract.h"
#include "kit/PackageBuilder.h"
#include "tests/support/JsonFindings.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;

// Every file under `folder`, relative to it with '/', sorted.
std::vector<std::string> FilesUnder(const fs::path& folder) {
    std::vector<std::string> files;
    if (!fs::exists(folder)) return files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_directory()) files.push_back(fs::relative(entry.path(), folder).generic_string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// An export: a group (no sound) or a sound, in the object `in` refers to.
struct Entry {
    std::string name;
    std::int32_t in;
    bool sound;
};

const std::string kWave = PcmWave({1, -1, 2, -2});

void WritePackage(const fs::path& path, const std::vector<Entry>& entries) {
    PackageBuilder b;
    const std::int32_t import = b.SoundClass();  // an import to refer to
    for (const Entry& e : entries) {
        if (e.sound) {
            b.AddSound(e.name, kWave, {}, e.in == 'I' ? import : e.in);
        } else {
            b.AddGroup(e.name, e.in == 'I' ? import : e.in);
        }
    }
    b.Write(path);
}

TEST(GroupsE2E, FoldersGroupsAndWarnings) {
    constexpr std::int32_t I = 'I';  // the import
    const struct {
        const char* what;
        std::vector<Entry> entries;
        std::vector<std::string> files, flat;  // under out/p
        std::vector<std::string> groups;       // the JSON's, export by export
        std::string warning;                   // after "Snd_Info: warning: 'p.kzs': export "
        std::string code;                      // its code in the JSON
    } cases[] = {
        {"nested groups, one name in two",
         {{"Wind", 0, false}, {"Gusts", 1, false}, {"Hit", 1, true}, {"Hit", 2, true}, {"Top", 0, true}},
         {"Top.wav", "Wind/Gusts/Hit.wav", "Wind/Hit.wav"},
         {"Hit (2).wav", "Hit.wav", "Top.wav"},
         {"", "Wind", "Wind", "Wind.Gusts", ""}, "", ""},
        {"group names that are no file names",
         {{"..", 0, false}, {"a/b", 1, false}, {"x", 2, true}, {"y", 1, true}},
         {".%2E/a%2Fb/x.wav", ".%2E/y.wav"}, {"x.wav", "y.wav"}, {"", "..", "...a/b", ".."}, "", ""},
        {"two groups of one name share a folder; a group folder beside a sound's file",
         {{"G", 0, false}, {"G", 0, false}, {"s", 1, true}, {"s", 2, true}, {"s.wav", 0, false}, {"s", 0, true},
          {"t", 5, true}},
         {"G/s (2).wav", "G/s.wav", "s.wav", "s.wav (2)/t.wav"},
         {"s (2).wav", "s (3).wav", "s.wav", "t.wav"},
         {"", "", "G", "G", "", "", "s.wav"}, "", ""},
        {"an import encloses",
         {{"G", I, false}, {"s", 1, true}}, {"G/s.wav"}, {"s.wav"}, {"", "G"}, "", ""},
        {"a loop",
         {{"A", 2, false}, {"B", 1, false}, {"s", 2, true}},
         {"A/B/s.wav"}, {"s.wav"}, {"", "A", "A.B"},
         "0 \"A\" is inside itself through its groups: it stands at the top level", "group_loop"},
        {"outside the table",
         {{"G", 7, false}, {"s", 1, true}},
         {"G/s.wav"}, {"s.wav"}, {"", "G"}, "0 \"G\" is in object 7, outside the tables: it stands at the top level", "group_outside"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        WritePackage(dir.Path() / "p.kzs", c.entries);
        const std::string warning = c.warning.empty() ? "" : "Snd_Info: warning: 'p.kzs': export " + c.warning + "\n";

        const RunResult grouped = TestSupport::Run(SndInfoPath(), {"p.kzs", "/x:out", "-q"}, dir.Path());
        EXPECT_EQ(FilesUnder(dir.Path() / "out" / "p"), c.files);
        EXPECT_EQ(grouped.exitStatus, 0);
        const RunResult flat = TestSupport::Run(SndInfoPath(), {"p.kzs", "/x:flat", "--flat", "-q"}, dir.Path());
        EXPECT_EQ(FilesUnder(dir.Path() / "flat" / "p"), c.flat);
        EXPECT_EQ(flat.exitStatus, 0);
        for (const std::string& file : c.files) EXPECT_EQ(dir.Read("out/p/" + file), kWave) << file;

        const RunResult json = TestSupport::Run(SndInfoPath(), {"p.kzs", "--json"}, dir.Path());
        const auto document = nlohmann::json::parse(json.out);
        std::vector<std::string> groups;
        for (const auto& e : document["files"][0]["exports"]) groups.push_back(e["group"]);
        EXPECT_EQ(groups, c.groups);
        const RunResult text = TestSupport::Run(SndInfoPath(), {"p.kzs"}, dir.Path());
        for (const RunResult* r : {&grouped, &flat, &text}) EXPECT_EQ(r->err.find(warning), 0u) << r->err;
        EXPECT_EQ(text.err, warning);
        const auto& warnings = document["files"][0]["warnings"];
        EXPECT_EQ(warnings.size(), c.warning.empty() ? 0u : 1u);
        if (!c.warning.empty()) {
            EXPECT_EQ(warnings[0]["message"], "export " + c.warning);
            EXPECT_EQ(warnings[0]["code"], c.code);
        }
    }
}

// The listing's Group column, and a group name that is not UTF-8 in JSON.
TEST(GroupsE2E, ListingColumnAndGroupBytes) {
    TempDir dir;
    WritePackage(dir.Path() / "p.kzs", {{"W\xFF", 0, false}, {"Hit", 1, true}});
    const RunResult text = TestSupport::Run(SndInfoPath(), {"p.kzs"}, dir.Path());
    EXPECT_EQ(text.out.substr(text.out.find('#')),
              "#  Group    Name     Format    Channels   Rate  Bits  Duration  Size\n"
              "0  -        \"W\\xFF\"  no sound         -      -     -         -     -\n"
              "1  \"W\\xFF\"  \"Hit\"    PCM              1  22050    16  0:00.000    52\n");
    const auto json = nlohmann::json::parse(TestSupport::Run(SndInfoPath(), {"p.kzs", "--json"}, dir.Path()).out);
    const auto& hit = json["files"][0]["exports"][1];
    EXPECT_EQ(hit["group_bytes"], nlohmann::json({'W', 255}));
    EXPECT_FALSE(json["files"][0]["exports"][0].contains("group_bytes"));
    // Without groups there is no column.
    WritePackage(dir.Path() / "q.kzs", {{"Hit", 0, true}});
    EXPECT_EQ(TestSupport::Run(SndInfoPath(), {"q.kzs"}, dir.Path()).out.find("Group"), std::string::npos);
}

// No file goes through a link, whenever the link comes: one standing at a
// group folder's name before the run fails that group's sounds, and the
// others are written; a folder swapped for a link between two sounds
// (through the library's seam) stays the folder the later sounds go to,
// wherever it was moved.
TEST(GroupsE2E, NoFileThroughALink) {
    struct Case {
        const char* name;
        std::string swapped;  // under the test's folder: this folder becomes a link to "elsewhere" ...
        std::string after;    // ... once the sound of this file is done ("": before the run)
        std::vector<std::string> files;
        bool groupFails;  // "cannot make the folder 'out/p/G'"
    };
    const Case cases[] = {
        {"a link at a group's name before the run", "out/p/G", "", {"out/p/u.wav"}, true},
        {"a group's folder between two of its sounds", "out/p/G", "/p/G/s.wav",
         {"out/p/G.moved/s.wav", "out/p/G.moved/t.wav", "out/p/u.wav"}, false},
        {"the package's folder", "out/p", "/p/G/s.wav", {"out/p.moved/G/s.wav", "out/p.moved/G/t.wav", "out/p.moved/u.wav"},
         false},
        {"DIR itself", "out", "/p/G/t.wav", {"out.moved/p/G/s.wav", "out.moved/p/G/t.wav", "out.moved/p/u.wav"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        WritePackage(dir.Path() / "p.kzs", {{"G", 0, false}, {"s", 1, true}, {"t", 1, true}, {"u", 0, true}});
        fs::create_directories(dir.Path() / "elsewhere");
        const auto swap = [&] {
            if (fs::exists(dir.Path() / c.swapped)) fs::rename(dir.Path() / c.swapped, dir.Path() / (c.swapped + ".moved"));
            fs::create_directories((dir.Path() / c.swapped).parent_path());
            fs::create_directory_symlink(dir.Path() / "elsewhere", dir.Path() / c.swapped);
        };
        if (c.after.empty()) swap();
        ExtractRequest request;
        request.packages = {(dir.Path() / "p.kzs").string()};
        request.folder = (dir.Path() / "out").string();
        request.quiet = true;
        request.onStep = [&](ExtractStep, const std::string& file) {
            if (!c.after.empty() && file == request.folder + c.after) swap();
        };
        std::ostringstream out, err;
        EXPECT_EQ(Extract(request, out, err), c.groupFails ? 1 : 0);
        EXPECT_EQ(err.str(), c.groupFails ? "Snd_Info: cannot make the folder '" + request.folder + "/p/G'\n" : "");
        EXPECT_TRUE(fs::is_empty(dir.Path() / "elsewhere"));
        std::vector<std::string> files = FilesUnder(dir.Path());
        files.erase(std::find(files.begin(), files.end(), "p.kzs"));
        EXPECT_EQ(files, c.files);
        for (const std::string& file : c.files) EXPECT_EQ(dir.Read(file), kWave) << file;
    }
}

// A SOUND by its own name, its full name or "#N": the same export for the
// print, /w: and /x:, the first where it names several, with a warning that
// names the others; /dpl names the sounds Snd_Pull cannot reach.
TEST(GroupsE2E, SoundsByFullName) {
    TempDir dir;
    PackageBuilder b;
    const auto wave = [](std::int16_t n) { return PcmWave({n, static_cast<std::int16_t>(-n)}); };
    const std::int32_t wind = b.AddGroup("Wind");           // 0
    const std::int32_t gusts = b.AddGroup("Gusts", wind);   // 1
    const std::int32_t birds = b.AddGroup("Birds");         // 2
    b.AddSound("Hit", wave(3), {}, wind);                   // 3 Wind.Hit
    b.AddSound("Hit", wave(4), {}, gusts);                  // 4 Wind.Gusts.Hit
    b.AddSound("Hit", wave(5), {}, birds);                  // 5 Birds.Hit
    b.AddSound("Morning", wave(6), {}, birds);              // 6 Birds.Morning
    b.AddSound("Morning", wave(7), {}, birds);              // 7 Birds.Morning again
    b.AddSound("Top", wave(8));                             // 8
    b.AddSound("Birds.Hit", wave(9));                       // 9: an own name beats a full name
    b.Write(dir.Path() / "p.kzs");
    const std::map<int, std::string> files = {{3, "Wind/Hit.wav"},       {4, "Wind/Gusts/Hit.wav"},
                                              {5, "Birds/Hit.wav"},      {6, "Birds/Morning.wav"},
                                              {7, "Birds/Morning (2).wav"}, {8, "Top.wav"}, {9, "Birds.Hit.wav"}};
    const std::string hits = "names 3 exports, \"Wind.Hit\" (#3), \"Wind.Gusts.Hit\" (#4) and \"Birds.Hit\" (#5): the first is taken";
    const std::string mornings = "names 2 exports, \"Birds.Morning\" (#6) and \"Birds.Morning\" (#7): the first is taken";
    const struct {
        std::string sound;
        int chosen;  // -1: no sound
        std::string warning;
    } cases[] = {
        {"Top", 8, ""},
        {"Hit", 3, hits},
        {"Wind.Hit", 3, ""},
        {"Wind.Gusts.Hit", 4, ""},
        {"Birds.Hit", 9, ""},
        {"Birds.Morning", 6, mornings},
        {"#7", 7, ""},
        {"#007", 7, ""},
        {"Gusts.Hit", -1, ""},   // a full name begins at the top
        {".Top", -1, ""},        // a top-level export's full name has no dot
        {"#1", -1, ""},          // a group, no sound
        {"#10", -1, ""},         // past the table
        {"#-1", -1, ""},
        {"#", -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.sound);
        const std::string warning = c.warning.empty() ? "" : "Snd_Info: warning: '" + c.sound + "' in package 'p.kzs': " + c.warning + "\n";
        const std::string failure = c.chosen < 0 ? "Snd_Info: no sound '" + c.sound + "' in package 'p.kzs'\n" : "";
        const int status = c.chosen < 0 ? 1 : 0;

        const RunResult print = TestSupport::Run(SndInfoPath(), {"p.kzs", c.sound}, dir.Path());
        EXPECT_EQ(print.err, warning + failure);
        EXPECT_EQ(print.exitStatus, status);
        const auto json = nlohmann::json::parse(TestSupport::Run(SndInfoPath(), {"p.kzs", c.sound, "--json"}, dir.Path()).out);
        const auto& file = json["files"][0];
        EXPECT_EQ(file.value("export", -1), c.chosen);
        EXPECT_EQ(Parts(file["warnings"]), c.warning.empty() ? nlohmann::json::array() : nlohmann::json::array({c.warning}));
        if (!c.warning.empty()) {
            EXPECT_EQ(file["warnings"][0]["code"], "several_named");
        }

        const RunResult save = TestSupport::Run(SndInfoPath(), {"p.kzs", c.sound, "/w:s.wav"}, dir.Path());
        EXPECT_EQ(save.err, warning + failure);
        EXPECT_EQ(save.exitStatus, status);
        EXPECT_EQ(dir.Exists("s.wav"), c.chosen >= 0);
        if (c.chosen >= 0) {
            EXPECT_EQ(dir.Read("s.wav"), wave(static_cast<std::int16_t>(c.chosen)));
        }
        fs::remove(dir.Path() / "s.wav");

        const RunResult extract = TestSupport::Run(SndInfoPath(), {"p.kzs", c.sound, "/x:out", "-q"}, dir.Path());
        EXPECT_EQ(extract.err, warning + failure);
        EXPECT_EQ(extract.exitStatus, status);
        const std::vector<std::string> written = FilesUnder(dir.Path() / "out" / "p");
        EXPECT_EQ(written, c.chosen < 0 ? std::vector<std::string>{} : std::vector<std::string>{files.at(c.chosen)});
        for (const std::string& one : written) EXPECT_EQ(dir.Read("out/p/" + one), wave(static_cast<std::int16_t>(c.chosen)));
        fs::remove_all(dir.Path() / "out");
    }

    // Several SOUNDs meaning one export write it once.
    const RunResult twice = TestSupport::Run(SndInfoPath(), {"p.kzs", "Wind.Gusts.Hit", "#4", "/x:out", "-q"}, dir.Path());
    EXPECT_EQ(twice.exitStatus, 0);
    EXPECT_EQ(twice.out, "1 sound written (" + std::to_string(wave(4).size()) + " bytes), 0 skipped, 0 failed\n");

    // The script names each name once; Snd_Pull takes the first export of it.
    const RunResult script = TestSupport::Run(SndInfoPath(), {"p.kzs", "/dpl"}, dir.Path());
    EXPECT_EQ(script.exitStatus, 0);
    EXPECT_EQ(script.out, "p;\nHit\nMorning\nTop\nBirds.Hit\n");
    EXPECT_EQ(script.err,
              "Snd_Info: warning: 'p.kzs': Snd_Pull cannot reach \"Wind.Gusts.Hit\" (#4): its name finds \"Wind.Hit\" (#3) first\n"
              "Snd_Info: warning: 'p.kzs': Snd_Pull cannot reach \"Birds.Hit\" (#5): its name finds \"Wind.Hit\" (#3) first\n"
              "Snd_Info: warning: 'p.kzs': Snd_Pull cannot reach \"Birds.Morning\" (#7): its name finds \"Birds.Morning\" (#6) first\n");
}

// A link standing at a group folder's name is not written through: the
// sounds of that group fail, the others are written.
TEST(GroupsE2E, NoGroupFolderThroughALink) {
    if (RunsUnderRunner()) GTEST_SKIP() << "Wine shows this host's links to Windows programs as plain folders";
    TempDir dir;
    WritePackage(dir.Path() / "p.kzs", {{"G", 0, false}, {"s", 1, true}, {"t", 0, true}});
    fs::create_directories(dir.Path() / "out" / "p");
    fs::create_directories(dir.Path() / "elsewhere");
    fs::create_directory_symlink(dir.Path() / "elsewhere", dir.Path() / "out" / "p" / "G");
    const RunResult r = TestSupport::Run(SndInfoPath(), {"p.kzs", "/x:out", "-q"}, dir.Path());
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.err, "Snd_Info: cannot make the folder 'out/p/G'\n");
    EXPECT_TRUE(fs::is_empty(dir.Path() / "elsewhere"));
    EXPECT_EQ(dir.Read("out/p/t.wav"), kWave);
}

}  // namespace
