// The export loop run in this process: its script lines, and memory made to
// run out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "driver/ExportLoop.h"
#include "kit/PackageBuilder.h"
#include "tests/common/AllocationProbe.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;

// Each line read, a line too long as "long" and the byte it ends in.
std::vector<std::string> Lines(const std::string& text) {
    std::istringstream in(text);
    std::vector<std::string> lines;
    std::string line;
    for (ScriptLine read; (read = ReadScriptLine(in, line)) != ScriptLine::End;) {
        lines.push_back(read == ScriptLine::TooLong ? "long " + line : line);
    }
    return lines;
}

TEST(ExportLoop, ScriptLinesDropOnlyTheCrBeforeAnLf) {
    using V = std::vector<std::string>;
    const std::string longest(kLongestScriptLine, 'x');
    EXPECT_EQ(Lines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(Lines("a\nb"), (V{"a", "b"}));
    EXPECT_EQ(Lines("a\r\r\nb\rc\r"), (V{"a\r", "b\rc\r"}));
    EXPECT_EQ(Lines("\n\r\n"), (V{"", ""}));
    EXPECT_EQ(Lines(""), V{});
    EXPECT_EQ(Lines(longest + "\r\n" + longest), (V{longest, longest}));
    EXPECT_EQ(Lines(longest + "y\nb\n" + longest + "\r"), (V{"long y", "b", "long \r"}));
    EXPECT_EQ(Lines(longest + "pk;\r\n;" + longest + "z"), (V{"long ;", "long z"}));
}

// A line of any length is read to its end without being held.
TEST(ExportLoop, ALongLineIsNotHeld) {
    struct Endless : std::streambuf {
        std::uint64_t left = std::uint64_t{64} << 20;
        char block[4096];
        int_type underflow() override {
            if (left == 0) return traits_type::eof();
            std::fill(std::begin(block), std::end(block), 'x');
            left -= sizeof block;
            setg(block, block, std::end(block));
            return 'x';
        }
    } bytes;
    std::istream in(&bytes);
    std::string line;
    AllocationProbe probe;
    EXPECT_EQ(ReadScriptLine(in, line), ScriptLine::TooLong);
    EXPECT_LT(probe.PeakHeld(), 4 * kLongestScriptLine);
    EXPECT_EQ(ReadScriptLine(in, line), ScriptLine::End);
}

// Memory runs out while a large sound is copied: that sound's output keeps
// its old bytes (or comes out whole, for a copy that needs no large block),
// and the run goes on with the next sound.
TEST(ExportLoop, OutOfMemoryDuringACopyCostsOnlyThatSound) {
    TempDir dir;
    const std::string big = "RIFF" + std::string(4 << 20, 'b');
    const std::string small = ToneWave(440, 0.05);
    PackageBuilder b;
    b.AddSound("Big", big);
    b.AddSound("Small", small);
    b.Write(dir.Path() / "pk.kzs");
    dir.Write("Big.wav", "old bytes");
    const std::string folder = dir.Path().string() + "/";

    std::istringstream script("pk;\nBig\nSmall\n");
    std::ostringstream out;
    {
        AllocationProbe probe;
        probe.RefuseAbove(1 << 20);
        RunExportLoop(script, folder, folder, out);
    }
    const std::string bigOut = dir.Read("Big.wav");
    const std::string failed = bigOut == big ? ""
                                             : "Could not read 'Big' in package '" + folder + "pk.kzs'\n" +
                                                   "Could not write '" + folder + "Big.wav'\n";
    EXPECT_TRUE(bigOut == big || bigOut == "old bytes") << bigOut.size() << " bytes";
    EXPECT_EQ(out.str(), "\nOpened '" + folder + "pk.kzs'\nExporting " + folder + "Big.wav\n" + failed +
                             "Exporting " + folder + "Small.wav\n");
    EXPECT_EQ(dir.Read("Small.wav"), small);
}

}  // namespace
