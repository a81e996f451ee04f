// Running the built Snd_Pull in a test folder. Whatever happens, Snd_Pull
// writes nothing to standard error, and its status says what its messages
// say: every run checks both.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/RunTool.h"

// The status a run's messages call for: 2 after an unknown option, 1 after
// any other failure reported, else 0.
inline int StatusFor(const std::string& out) {
    if (out.find("Unknown option #") != std::string::npos) return 2;
    const bool failed = out.find("Could not ") != std::string::npos ||
                        out.find("' could not be opened.\n") != std::string::npos;
    return failed ? 1 : 0;
}

// Runs Snd_Pull and returns its standard output. Its status must be
// `status`, or else the one its messages call for: a sound line with no
// package open fails the run without a message, so its callers say so.
inline std::string RunPull(const TestSupport::TempDir& dir, const std::vector<std::string>& args,
                           std::optional<int> status = std::nullopt) {
    const auto result = TestSupport::Run(TestSupport::SndPullPath(), args, dir.Path());
    EXPECT_EQ(result.exitStatus, status.value_or(StatusFor(result.out))) << result.out;
    EXPECT_EQ(result.err, "");
    return result.out;
}
