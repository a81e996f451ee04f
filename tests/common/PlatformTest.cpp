#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "common/LittleEndian.h"
#include "common/Platform.h"
#include "tests/support/RunTool.h"

namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    for (std::string line; Platform::ReadScriptLine(in, line);) lines.push_back(line);
    return lines;
}

TEST(Platform, ScriptLinesDropOnlyTheCrBeforeAnLf) {
    using V = std::vector<std::string>;
    EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(Lines("a\nb"), (V{"a", "b"}));
    EXPECT_EQ(Lines("a\r\r\nb\rc\r"), (V{"a\r", "b\rc\r"}));
    EXPECT_EQ(Lines("\n\r\n"), (V{"", ""}));
    EXPECT_EQ(Lines(""), V{});
}

TEST(Platform, FolderCannotBeOpenedAndFlagsSurviveAnOpen) {
    TestSupport::TempDir dir;
    std::ifstream folder;
    Platform::OpenInput(folder, dir.Path().string());
    EXPECT_TRUE(folder.fail());

    dir.Write("f", "x");
    std::ifstream file;
    file.setstate(std::ios::eofbit);
    Platform::OpenInput(file, (dir.Path() / "f").string());
    EXPECT_TRUE(file.is_open());
    EXPECT_TRUE(file.eof());
}

// The tests build and run on the POSIX host only.
TEST(Platform, BackslashesBecomeSlashesHere) {
    EXPECT_EQ(Platform::HostPath("pk\\sub\\A.kzs"), "pk/sub/A.kzs");
}

TEST(LittleEndian, ShortReadKeepsLowBytesAndNoneKeepsTheValue) {
    std::uint32_t value = 0xDEADBEEF;
    std::istringstream two(std::string("\x34\x12", 2));
    EXPECT_FALSE(LittleEndian::Read(two, value));
    EXPECT_EQ(value, 0x1234u);
    EXPECT_FALSE(LittleEndian::Read(two, value));
    EXPECT_EQ(value, 0x1234u);

    std::ostringstream out;
    LittleEndian::Write<std::int16_t>(out, -2);
    LittleEndian::Write<float>(out, 1.0f);
    EXPECT_EQ(out.str(), std::string("\xFE\xFF\x00\x00\x80\x3F", 6));
    EXPECT_EQ(LittleEndian::FourCC("fmt "), 0x20746D66u);
}

}  // namespace
