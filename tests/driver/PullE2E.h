// Running the built Snd_Pull in a test folder. Whatever happens, Snd_Pull
// ends with status 0 and writes nothing to standard error: batch callers rely
// on both, so every run checks them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/RunTool.h"

inline std::string RunPull(const TestSupport::TempDir& dir, const std::vector<std::string>& args) {
    const auto result = TestSupport::Run(TestSupport::SndPullPath(), args, dir.Path());
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.err, "");
    return result.out;
}
