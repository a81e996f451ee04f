// The command line of the built Snd_Pull, run in a fresh folder: exact
// standard output, nothing on standard error, and the exit status.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "kit/PackageBuilder.h"
#include "tests/driver/PullE2E.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;

std::string NotOpened(const std::string& name) { return "Script File '" + name + "' could not be opened.\n"; }

const std::string kUsage =
    "Usage:\n"
    "   Snd_Pull ScriptFile [/i:InPath] [/o:OutPath]\n"
    "\n"
    "   InPath  : Path to load sound package(s) from\n"
    "   OutPath : Path to export WAVs to\n";

TEST(CommandLineE2E, NoArgumentPrintsUsage) {
    TempDir dir;
    EXPECT_EQ(RunPull(dir, {}), kUsage);
}

// Status 0 when every sound the script names was written, 1 when any was
// not, 2 for an unknown option; help and version answer with 0 unless a
// script takes their name.
TEST(CommandLineE2E, StatusSaysWhetherEverySoundWasWritten) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("A", ToneWave(440, 0.01));
    b.AddSound("Cut", "RIFF", SoundHeader{.waveSize = 1 << 20});  // runs past the package's end
    b.Write(dir.Path() / "pk" / "P.kzs");
    std::filesystem::create_directory(dir.Path() / "out");
    const std::vector<std::string> run = {"s", "/i:pk", "/o:out"};
    const std::string opened = "\nOpened 'pk\\P.kzs'\n";
    const std::string help = kUsage + "\n   See also: Snd_Info --help, and docs/snd_pull.md\n";
    const struct {
        const char* script;  // s.dpl; none when null
        std::vector<std::string> args;
        int status;
        std::string out;
    } rows[] = {
        {"P;\nA\n", run, 0, opened + "Exporting out\\A.wav\n"},
        {"", run, 0, ""},
        {"P;\n", run, 0, opened},
        {nullptr, {}, 0, kUsage},
        {nullptr, {"s"}, 1, NotOpened("s.dpl")},
        {"Gone;\nA\n", run, 1, "\nCould not open 'pk\\Gone.kzs'\n"},
        {"Gone;\nP;\nA\n", run, 1, "\nCould not open 'pk\\Gone.kzs'\n" + opened + "Exporting out\\A.wav\n"},
        {"P;\nNope\nA\n", run, 1, opened + "Could not find 'Nope' in package 'pk\\P.kzs'\nExporting out\\A.wav\n"},
        {"P;\nCut\n", run, 1, opened + "Exporting out\\Cut.wav\nCould not read 'Cut' in package 'pk\\P.kzs'\n"},
        {"P;\nA\n", {"s", "/i:pk", "/o:none"}, 1, opened + "Exporting none\\A.wav\nCould not write 'none\\A.wav'\n"},
        {"A\nP;\nA\n", run, 1, opened + "Exporting out\\A.wav\n"},
        {"P;\nA\n", {"s", "/i:pk", "/x"}, 2, "Unknown option #3: '/x'\n"},
        {nullptr, {"--help"}, 0, help},
        {nullptr, {"-h", "/i:pk"}, 0, help},
        {nullptr, {"/?"}, 0, help},
        {nullptr, {"--version"}, 0, std::string("Snd_Pull ") + SND_VERSION + "\n"},
        {nullptr, {"--Help"}, 1, NotOpened("--Help.dpl")},
        {nullptr, {"-?"}, 1, NotOpened("-?.dpl")},
    };
    for (const auto& row : rows) {
        std::filesystem::remove(dir.Path() / "s.dpl");
        if (row.script) dir.Write("s.dpl", row.script);
        std::string command;
        for (const std::string& arg : row.args) command += " " + arg;
        EXPECT_EQ(RunPull(dir, row.args, row.status), row.out) << (row.script ? row.script : "(no script)") << command;
    }

    // A script of that name is a script.
    dir.Write("--help.dpl", "P;\nA\n");
    dir.Write("--version.dpl", "Gone;\n");
    EXPECT_EQ(RunPull(dir, {"--help", "/i:pk", "/o:out"}, 0), opened + "Exporting out\\A.wav\n");
    EXPECT_EQ(RunPull(dir, {"--version", "/i:pk"}, 1), "\nCould not open 'pk\\Gone.kzs'\n");
}

TEST(CommandLineE2E, ScriptExtensionIsAddedUnlessPresentExactly) {
    TempDir dir;
    dir.Write("batch.dpl", "");
    dir.Write("ab.dpl", "");
    dir.Write(".dpl", "");
    EXPECT_EQ(RunPull(dir, {"batch"}), "");
    EXPECT_EQ(RunPull(dir, {"batch.dpl"}), "");
    EXPECT_EQ(RunPull(dir, {"ab"}), "");
    EXPECT_EQ(RunPull(dir, {".dpl"}), "");
    EXPECT_EQ(RunPull(dir, {"BATCH.DPL"}), NotOpened("BATCH.DPL.dpl"));
    EXPECT_EQ(RunPull(dir, {"batch.txt"}), NotOpened("batch.txt.dpl"));
    EXPECT_EQ(RunPull(dir, {"d"}), NotOpened("d.dpl"));
}

TEST(CommandLineE2E, ScriptThatCannotBeOpenedHidesBadOptions) {
    TempDir dir;
    std::filesystem::create_directory(dir.Path() / "folder.dpl");
    EXPECT_EQ(RunPull(dir, {"missing", "-x"}), NotOpened("missing.dpl"));
    EXPECT_EQ(RunPull(dir, {"folder"}), NotOpened("folder.dpl"));
    EXPECT_EQ(RunPull(dir, {"/i:pk", "batch"}), NotOpened("/i:pk.dpl"));
}

TEST(CommandLineE2E, UnknownOptionNamesItsNumberAndSelector) {
    TempDir dir;
    dir.Write("batch.dpl", "");
    EXPECT_EQ(RunPull(dir, {"batch", "/i:a", "/o:b", "/q:c"}), "Unknown option #4: '/q:'\n");
    EXPECT_EQ(RunPull(dir, {"batch", "-i:foo"}), "Unknown option #2: '-i:'\n");
    EXPECT_EQ(RunPull(dir, {"batch", "/x"}), "Unknown option #2: '/x'\n");
    EXPECT_EQ(RunPull(dir, {"batch", ""}), "Unknown option #2: ''\n");
    EXPECT_EQ(RunPull(dir, {"batch", "/I:x", "/O:y", "/i:", "/o:", "/i"}), "Unknown option #6: '/i'\n");
}

}  // namespace
