// The command line of the built Snd_Pull, run in a fresh folder: exact
// standard output, nothing on standard error, status 0 on every path.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/driver/PullE2E.h"
#include "tests/support/RunTool.h"

namespace {

using TestSupport::TempDir;

std::string NotOpened(const std::string& name) { return "Script File '" + name + "' could not be opened.\n"; }

TEST(CommandLineE2E, NoArgumentPrintsUsage) {
    TempDir dir;
    EXPECT_EQ(RunPull(dir, {}),
              "Usage:\n"
              "   Snd_Pull ScriptFile [/i:InPath] [/o:OutPath]\n"
              "\n"
              "   InPath  : Path to load sound package(s) from\n"
              "   OutPath : Path to export WAVs to\n");
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
