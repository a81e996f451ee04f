// The built programs against what the host does to them: full disks,
// interrupts, links where an output goes, pipes that close. Whatever happens,
// an output file is either absent, as it was, or complete.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "kit/PackageBuilder.h"
#include "tests/driver/PullE2E.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;

const std::string kWind = ToneWave(440, 0.05);
const std::string kBirds = ToneWave(660, 0.04);

std::vector<std::string> FilesIn(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void WriteAmbient(const fs::path& path) {
    PackageBuilder b;
    b.AddSound("Wind01", kWind);
    b.AddSound("Birds", kBirds);
    b.Write(path);
}

TEST(HostFaultsE2E, FullDiskLeavesTheOldFileAndNoPart) {
    if (RunsUnderRunner()) GTEST_SKIP() << "the file size limit belongs to this host";
    TempDir dir;
    WriteAmbient(dir.Path() / "pk" / "Ambient.kzs");
    dir.Write("out/Wind01.wav", "old bytes");
    dir.Write("batch.dpl", "Ambient;\nWind01\nBirds\n");
    RunConditions full;
    full.fileSizeLimit = 1000;  // smaller than either sound
    const RunResult r = TestSupport::Run(SndPullPath(), {"batch", "/i:pk", "/o:out"}, dir.Path(), full);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out,
              "\nOpened 'pk\\Ambient.kzs'\n"
              "Exporting out\\Wind01.wav\nCould not write 'out\\Wind01.wav'\n"
              "Exporting out\\Birds.wav\nCould not write 'out\\Birds.wav'\n");
    EXPECT_EQ(FilesIn(dir.Path() / "out"), std::vector<std::string>{"Wind01.wav"});
    EXPECT_EQ(dir.Read("out/Wind01.wav"), "old bytes");

    // Snd_Info /w: the same.
    dir.Write("in.wav", kWind);
    const RunResult info = TestSupport::Run(SndInfoPath(), {"in.wav", "/w:out/Wind01.wav"}, dir.Path(), full);
    EXPECT_EQ(info.exitStatus, 1);
    EXPECT_NE(info.err.find("cannot write 'out/Wind01.wav'"), std::string::npos) << info.err;
    EXPECT_EQ(FilesIn(dir.Path() / "out"), std::vector<std::string>{"Wind01.wav"});
    EXPECT_EQ(dir.Read("out/Wind01.wav"), "old bytes");
}

// A link where an output goes is replaced by the output, never written
// through: not into the package being read, not into a full device.
TEST(HostFaultsE2E, LinksAtTheOutputAreReplaced) {
    TempDir dir;
    WriteAmbient(dir.Path() / "pk" / "Ambient.kzs");
    const std::string package = dir.Read("pk/Ambient.kzs");
    fs::create_directory(dir.Path() / "out");
    fs::create_symlink("../pk/Ambient.kzs", dir.Path() / "out" / "Wind01.wav");
    fs::create_symlink("/dev/full", dir.Path() / "out" / "Birds.wav");
    fs::create_symlink("../pk/Ambient.kzs", dir.Path() / "Info.wav");
    dir.Write("batch.dpl", "Ambient;\nWind01\nBirds\n");
    if (RunsUnderRunner()) {
        // Wine does not replace a host link ("Could not write"); it must
        // still not write through it.
        RunPull(dir, {"batch", "/i:pk", "/o:out"});
        EXPECT_TRUE(dir.Read("pk/Ambient.kzs") == package);
        GTEST_SKIP() << "Wine keeps this host's links in place";
    }
    EXPECT_EQ(RunPull(dir, {"batch", "/i:pk", "/o:out"}),
              "\nOpened 'pk\\Ambient.kzs'\nExporting out\\Wind01.wav\nExporting out\\Birds.wav\n");
    EXPECT_TRUE(dir.Read("pk/Ambient.kzs") == package);
    EXPECT_EQ(dir.Read("out/Wind01.wav"), kWind);
    EXPECT_EQ(dir.Read("out/Birds.wav"), kBirds);
    EXPECT_FALSE(fs::is_symlink(dir.Path() / "out" / "Wind01.wav"));
    EXPECT_FALSE(fs::is_symlink(dir.Path() / "out" / "Birds.wav"));

    const RunResult info = TestSupport::Run(SndInfoPath(), {"out/Wind01.wav", "/w:Info.wav"}, dir.Path());
    EXPECT_EQ(info.exitStatus, 0) << info.err;
    EXPECT_TRUE(dir.Read("pk/Ambient.kzs") == package);
    EXPECT_FALSE(fs::is_symlink(dir.Path() / "Info.wav"));
    EXPECT_EQ(dir.Read("Info.wav"), kWind);
}

// `Snd_Pull batch | head -1`: the reader is gone, every sound still comes
// out, and the status is 0. Snd_Info says once that its standard output is
// gone and ends with status 1: a listing, a document or a WAVE file stops
// there; an extraction still writes every file, its job.
TEST(HostFaultsE2E, ClosedPipeOnStandardOutput) {
    TempDir dir;
    WriteAmbient(dir.Path() / "Ambient.kzs");
    std::string script = "Ambient;\n";
    for (int i = 0; i < 100; ++i) script += "Wind01\nBirds\n";
    dir.Write("batch.dpl", script);
    RunConditions pipe;
    pipe.closedPipeOut = true;
    const RunResult r = TestSupport::Run(SndPullPath(), {"batch"}, dir.Path(), pipe);
    EXPECT_EQ(r.exitStatus, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(dir.Read("Wind01.wav"), kWind);
    EXPECT_EQ(dir.Read("Birds.wav"), kBirds);

    if (RunsUnderRunner()) return;  // SIGPIPE is this host's
    const struct {
        std::vector<std::string> args;
        bool extracts;
    } cases[] = {
        {{"Ambient.kzs"}, false},
        {{"Ambient.kzs", "Ambient.kzs", "-v"}, false},
        {{"Ambient.kzs", "--json"}, false},
        {{"Ambient.kzs", "/dpl"}, false},
        {{"Ambient.kzs", "Wind01"}, false},
        {{"Ambient.kzs", "Wind01", "/w:-"}, false},
        {{"Birds.wav", "--write=-"}, false},
        {{"Ambient.kzs", "/x:x"}, true},
        {{"Ambient.kzs", "/x:x", "--json"}, true},
        {{"Ambient.kzs", "/x:x", "-q", "--pcm"}, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        fs::remove_all(dir.Path() / "x");
        const RunResult info = TestSupport::Run(SndInfoPath(), c.args, dir.Path(), pipe);
        EXPECT_EQ(info.exitStatus, 1);
        EXPECT_EQ(info.err, "Snd_Info: cannot write to standard output\n");
        EXPECT_EQ(dir.Read("x/Ambient/Wind01.wav"), c.extracts ? kWind : "");
        EXPECT_EQ(dir.Read("x/Ambient/Birds.wav"), c.extracts ? kBirds : "");
    }
}

// Ctrl-C while a large sound is written: the program ends as interrupted,
// and the output holds either its old bytes or the whole sound.
// Under Wine SIGINT reaches the program as a console event (Ctrl-C), and Wine
// reports the end of the run its own way.
TEST(HostFaultsE2E, InterruptInTheMiddleOfALargeSound) {
    TempDir dir;
    std::string big = "RIFF" + std::string(32 << 20, 'b');
    PackageBuilder b;
    b.AddSound("Big", big);
    b.Write(dir.Path() / "Big.kzs");
    std::string script = "Big;\n";
    for (int i = 0; i < 40; ++i) script += "Big\n";
    dir.Write("batch.dpl", script);
    dir.Write("out/Big.wav", "old bytes");

    // Wine turns SIGINT into Ctrl-C; SIGTERM ends a Windows program outright,
    // as TerminateProcess does, which no program can clean up after.
    std::vector<int> signals{SIGINT};
    if (!RunsUnderRunner()) signals.push_back(SIGTERM);
    for (const int signal : signals) {
        RunConditions interrupt;
        // While some file in out/ holds part of the sound (or, should the
        // moment be missed, late in the run).
        const fs::path out = dir.Path() / "out";
        interrupt.interruptWhen = [&out, &big](const std::string& said) {
            for (const auto& entry : fs::directory_iterator(out)) {
                std::error_code ec;
                const auto size = fs::file_size(entry.path(), ec);
                if (!ec && size > 9 && size < big.size()) return true;
            }
            std::size_t lines = 0;
            for (std::size_t at = said.find("Exporting"); at != std::string::npos; at = said.find("Exporting", at + 1)) {
                ++lines;
            }
            return lines > 30;
        };
        interrupt.signal = signal;
        const RunResult r = TestSupport::Run(SndPullPath(), {"batch", "/o:out"}, dir.Path(), interrupt);
        if (!RunsUnderRunner()) {
            EXPECT_EQ(r.exitStatus, 128 + signal);
        }
        EXPECT_EQ(FilesIn(dir.Path() / "out"), std::vector<std::string>{"Big.wav"}) << "signal " << signal;
        const std::string left = dir.Read("out/Big.wav");
        EXPECT_TRUE(left == "old bytes" || left == big) << left.size() << " bytes left after signal " << signal;
        dir.Write("out/Big.wav", "old bytes");
    }
}

}  // namespace
