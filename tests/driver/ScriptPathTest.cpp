// How the built Snd_Pull finds its script on the host: backslashes separate
// folders as written, and the bytes of a name reach the file system unchanged.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/driver/PullE2E.h"
#include "tests/support/RunTool.h"

namespace {

using TestSupport::TempDir;

TEST(ScriptPathE2E, BackslashesSeparateFoldersAndMessagesKeepThem) {
    TempDir dir;
    dir.Write("sub/deep/batch.dpl", "");
    EXPECT_EQ(RunPull(dir, {"sub\\deep\\batch"}), "");
    EXPECT_EQ(RunPull(dir, {".\\sub\\deep\\batch.dpl"}), "");
    EXPECT_EQ(RunPull(dir, {"sub\\gone"}), "Script File 'sub\\gone.dpl' could not be opened.\n");
    EXPECT_EQ(RunPull(dir, {"sub\\deep"}), "Script File 'sub\\deep.dpl' could not be opened.\n");
}

TEST(ScriptPathE2E, ScriptWithNonAsciiNameOpens) {
    TempDir dir;
    dir.Write("caf\xC3\xA9.dpl", "");
    EXPECT_EQ(RunPull(dir, {"caf\xC3\xA9"}), "");
}

TEST(ScriptPathE2E, MissingScriptMessageShowsTheArgumentsBytes) {
    if (TestSupport::RunsUnderRunner())
        GTEST_SKIP() << "Windows hands a program its arguments in the ANSI code page, "
                        "so a non-ASCII argument arrives as other bytes than were typed";
    TempDir dir;
    EXPECT_EQ(RunPull(dir, {"caf\xC3\xA9"}), "Script File 'caf\xC3\xA9.dpl' could not be opened.\n");
}

}  // namespace
