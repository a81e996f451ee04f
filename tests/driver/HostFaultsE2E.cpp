// The built programs against what the host does to them: full disks,
// interrupts, links where an output goes, pipes that close. Whatever happens,
// an output file is either absent, as it was, or complete.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "tests/driver/PullE2E.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;

const std::string kWind = ToneWave(440, 0.05);
const std::string kBirds = ToneWave(660, 0.04);

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
    EXPECT_EQ(info.err, "Snd_Info: cannot write 'out/Wind01.wav': file too large\n");
    EXPECT_EQ(info.out, TestSupport::Run(SndInfoPath(), {"in.wav"}, dir.Path()).out);
    EXPECT_EQ(FilesIn(dir.Path() / "out"), std::vector<std::string>{"Wind01.wav"});
    EXPECT_EQ(dir.Read("out/Wind01.wav"), "old bytes");
}

// Snd_Info /x: on a full disk: a sound not written gets no "writing:" line,
// is counted failed, and leaves no file; the JSON report says why.
TEST(HostFaultsE2E, FullDiskDuringExtraction) {
    if (RunsUnderRunner()) GTEST_SKIP() << "the file size limit belongs to this host";
    TempDir dir;
    const std::string small = ToneWave(440, 0.01), large = ToneWave(440, 0.5);
    PackageBuilder b;
    b.AddSound("Large", large);
    b.AddSound("Small", small);
    b.AddSound("Large2", large);
    b.Write(dir.Path() / "Ambient.kzs");
    RunConditions full;
    full.fileSizeLimit = 4000;  // standard output is a file too
    ASSERT_LT(small.size(), full.fileSizeLimit);
    const RunResult r = TestSupport::Run(SndInfoPath(), {"Ambient.kzs", "/x:out"}, dir.Path(), full);
    EXPECT_EQ(r.exitStatus, 1);
    EXPECT_EQ(r.out, "  writing: out/Ambient/Small.wav\n1 sound written (" + std::to_string(small.size()) +
                         " bytes), 0 skipped, 2 failed\n");
    EXPECT_EQ(r.err, "Snd_Info: cannot write 'out/Ambient/Large.wav': file too large\n"
                     "Snd_Info: cannot write 'out/Ambient/Large2.wav': file too large\n");
    EXPECT_EQ(FilesIn(dir.Path() / "out" / "Ambient"), std::vector<std::string>{"Small.wav"});

    const RunResult json = TestSupport::Run(SndInfoPath(), {"Ambient.kzs", "/x:out", "--json", "/y"}, dir.Path(), full);
    EXPECT_EQ(json.exitStatus, 1);
    EXPECT_EQ(json.err, r.err);
    const auto report = nlohmann::json::parse(json.out);
    EXPECT_EQ(report["totals"], nlohmann::json({{"written", 1}, {"skipped", 0}, {"failed", 2}, {"not_converted", 0},
                                                {"bytes", small.size()}, {"packages_not_read", 0}}));
    const auto& sounds = report["files"][0]["extract"]["sounds"];
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[2], nlohmann::json({{"index", 2}, {"name", "Large2"}, {"group", ""}, {"file", "out/Ambient/Large2.wav"},
                                         {"bytes", 0}, {"status", "failed"}, {"reason", "cannot be written"},
                                         {"errors", {{{"code", "cannot_write"},
                                                      {"severity", "error"},
                                                      {"message", "cannot write 'out/Ambient/Large2.wav': file too large"},
                                                      {"values", {{"path", "out/Ambient/Large2.wav"},
                                                                  {"reason", "file too large"}}}}}}}));
    EXPECT_EQ(sounds[1]["status"], "written");
    EXPECT_EQ(FilesIn(dir.Path() / "out" / "Ambient"), std::vector<std::string>{"Small.wav"});
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

bool MakeSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return bound;
}

// A pipe or a socket at an output name of /x: is never opened (opening a
// pipe waits for a reader that never comes): skipped like a file without
// /y, replaced by the sound's file with it.
TEST(HostFaultsE2E, ExtractionNeverOpensAPipeOrASocket) {
    if (RunsUnderRunner()) GTEST_SKIP() << "pipes and sockets are this host's";
    for (const bool overwrite : {false, true}) {
        SCOPED_TRACE(overwrite ? "/y" : "no /y");
        TempDir dir;
        WriteAmbient(dir.Path() / "Ambient.kzs");
        fs::create_directories(dir.Path() / "x" / "Ambient");
        ASSERT_EQ(::mkfifo((dir.Path() / "x/Ambient/Wind01.wav").c_str(), 0600), 0);
        ASSERT_TRUE(MakeSocket(dir.Path() / "x/Ambient/Birds.wav"));
        RunConditions bounded;
        bounded.timeoutSeconds = 20;
        std::vector<std::string> args{"Ambient.kzs", "/x:x", "-q"};
        if (overwrite) args.push_back("/y");
        const RunResult r = TestSupport::Run(SndInfoPath(), args, dir.Path(), bounded);
        ASSERT_FALSE(r.timedOut);
        if (overwrite) {
            EXPECT_EQ(r.exitStatus, 0);
            EXPECT_EQ(r.err, "");
            EXPECT_EQ(r.out, "2 sounds written (" + std::to_string(kWind.size() + kBirds.size()) + " bytes), 0 skipped, 0 failed\n");
            EXPECT_EQ(dir.Read("x/Ambient/Wind01.wav"), kWind);
            EXPECT_EQ(dir.Read("x/Ambient/Birds.wav"), kBirds);
        } else {
            EXPECT_EQ(r.exitStatus, 1);
            EXPECT_EQ(r.err,
                      "Snd_Info: 'x/Ambient/Wind01.wav' exists: skipped (/y overwrites it)\n"
                      "Snd_Info: 'x/Ambient/Birds.wav' exists: skipped (/y overwrites it)\n");
            EXPECT_TRUE(fs::is_fifo(dir.Path() / "x/Ambient/Wind01.wav"));
            EXPECT_TRUE(fs::is_socket(dir.Path() / "x/Ambient/Birds.wav"));
        }
        EXPECT_EQ(FilesIn(dir.Path() / "x/Ambient"), (std::vector<std::string>{"Birds.wav", "Wind01.wav"}));
    }
}

// Snd_Pull writes into a pipe at an output name only when a reader waits
// there (as for a pipe named on purpose); without one it says it could not
// write and goes on, never waiting. /w: writes into a pipe as one asks.
TEST(HostFaultsE2E, PipesAtAnOutputNameAreWrittenWhenTheirReaderWaits) {
    if (RunsUnderRunner()) GTEST_SKIP() << "pipes are this host's";
    for (const bool reading : {false, true}) {
        SCOPED_TRACE(reading ? "a reader waits" : "no reader");
        TempDir dir;
        WriteAmbient(dir.Path() / "Ambient.kzs");
        dir.Write("batch.dpl", "Ambient;\nWind01\nBirds\n");
        const fs::path fifo = dir.Path() / "Wind01.wav";
        ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
        const int reader = reading ? ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK) : -1;
        RunConditions bounded;
        bounded.timeoutSeconds = 20;
        const RunResult r = TestSupport::Run(SndPullPath(), {"batch"}, dir.Path(), bounded);
        ASSERT_FALSE(r.timedOut);
        EXPECT_EQ(r.exitStatus, reading ? 0 : 1);
        EXPECT_EQ(r.out, "\nOpened 'Ambient.kzs'\nExporting Wind01.wav\n" +
                             std::string(reading ? "" : "Could not write 'Wind01.wav'\n") + "Exporting Birds.wav\n");
        EXPECT_TRUE(fs::is_fifo(fifo));
        EXPECT_EQ(dir.Read("Birds.wav"), kBirds);
        if (reading) {
            std::string got(kWind.size() + 1, '\0');
            const ssize_t n = ::read(reader, got.data(), got.size());
            EXPECT_EQ(got.substr(0, static_cast<std::size_t>(std::max<ssize_t>(n, 0))), kWind);
            ::close(reader);

            // /w: the same, into the pipe its reader holds open.
            const int again = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
            dir.Write("in.wav", kBirds);
            const RunResult info = TestSupport::Run(SndInfoPath(), {"in.wav", "/w:Wind01.wav"}, dir.Path(), bounded);
            EXPECT_EQ(info.exitStatus, 0) << info.err;
            std::string saved(kBirds.size() + 1, '\0');
            const ssize_t m = ::read(again, saved.data(), saved.size());
            EXPECT_EQ(m, static_cast<ssize_t>(kBirds.size()));
            EXPECT_EQ(saved.substr(0, 4), "RIFF");
            ::close(again);
        }
    }
}

// Whether the process `child` has a file in `folder` open: the output it is
// writing, which shows there (a file without a name shows as "#N (deleted)").
bool WritesInto(int child, const fs::path& folder) {
    std::error_code ec;
    for (const auto& fd : fs::directory_iterator("/proc/" + std::to_string(child) + "/fd", ec)) {
        const std::string target = fs::read_symlink(fd.path(), ec).string();
        if (!ec && target.rfind(folder.string() + "/", 0) == 0) return true;
    }
    return false;
}

// SIGKILL while an output replaces an existing file: the program is stopped
// (SIGSTOP) while it holds its output open, then killed. The folder holds the
// old file or the whole new one, and nothing else: no temporary file.
TEST(HostFaultsE2E, AKillWhileReplacingLeavesNoTemporaryFile) {
    if (RunsUnderRunner()) GTEST_SKIP() << "the process table is this host's";
    TempDir dir;
    const std::string big = WaveBuilder::PcmWave(2, 48000, 16, 6 << 20);  // 24 MiB of samples
    PackageBuilder b;
    b.AddSound("Big", big);
    b.Write(dir.Path() / "Big.kzs");
    std::string script = "Big;\n";
    for (int i = 0; i < 20; ++i) script += "Big\n";
    dir.Write("batch.dpl", script);
    const struct {
        const char* program;
        std::vector<std::string> args;
        const char* output;
    } cases[] = {
        {"Snd_Pull", {"batch", "/o:out"}, "out/Big.wav"},
        {"Snd_Info", {"Big.kzs", "/x:out", "/y"}, "out/Big/Big.wav"},
        {"Snd_Info", {"Big.kzs", "Big", "/w:saved/Big.wav"}, "saved/Big.wav"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const fs::path output = dir.Path() / c.output;
        bool caught = false;
        // A run may end before it is caught; another one is made.
        for (int run = 0; run < 20 && !caught; ++run) {
            dir.Write(c.output, "old bytes");
            RunConditions kill;
            kill.signal = SIGKILL;
            kill.interruptWhenProcess = [&](int child) {
                if (!WritesInto(child, output.parent_path())) return false;
                ::kill(child, SIGSTOP);
                caught = WritesInto(child, output.parent_path());
                if (!caught) ::kill(child, SIGCONT);
                return caught;
            };
            const std::string program = std::string(c.program) == "Snd_Pull" ? SndPullPath() : SndInfoPath();
            const RunResult r = TestSupport::Run(program, c.args, dir.Path(), kill);
            if (caught) {
                EXPECT_EQ(r.exitStatus, 128 + SIGKILL);
            }
            EXPECT_EQ(FilesIn(output.parent_path()), std::vector<std::string>{output.filename().string()});
            const std::string left = dir.Read(c.output);
            EXPECT_TRUE(left == "old bytes" || left == big) << left.size() << " bytes";
        }
        EXPECT_TRUE(caught) << "never stopped while writing";
    }
}

// A caller that ignores SIGINT and SIGTERM (nohup, a background job): they
// stay ignored, and the run goes on to write every sound whole.
TEST(HostFaultsE2E, SignalsTheCallerIgnoresStayIgnored) {
    if (RunsUnderRunner()) GTEST_SKIP() << "signal dispositions are this host's";
    TempDir dir;
    const std::string big = "RIFF" + std::string(8 << 20, 'b');
    PackageBuilder b;
    b.AddSound("Big", big);
    b.Write(dir.Path() / "Big.kzs");
    dir.Write("batch.dpl", "Big;\nBig\nBig\nBig\n");
    for (const int signal : {SIGINT, SIGTERM}) {
        // Sent while a later sound is written, once the first has replaced
        // the old file (the cleanup is set up when a first file is named);
        // a short write can end before it is seen: tried until it is.
        bool sent = false;
        for (int attempt = 0; attempt < 20 && !sent; ++attempt) {
            dir.Write("out/Big.wav", "old bytes");
            RunConditions ignoring;
            ignoring.ignoredSignals = {SIGINT, SIGTERM};
            ignoring.signal = signal;
            ignoring.interruptWhenProcess = [&](int child) {
                std::error_code error;
                return sent = fs::file_size(dir.Path() / "out" / "Big.wav", error) == big.size() &&
                              WritesInto(child, dir.Path() / "out");
            };
            const RunResult r = TestSupport::Run(SndPullPath(), {"batch", "/o:out"}, dir.Path(), ignoring);
            EXPECT_EQ(r.exitStatus, 0) << "signal " << signal << (sent ? ", sent" : "");
            EXPECT_EQ(FilesIn(dir.Path() / "out"), std::vector<std::string>{"Big.wav"});
            EXPECT_TRUE(dir.Read("out/Big.wav") == big);
        }
        EXPECT_TRUE(sent) << "signal " << signal << " never met the program writing";
    }
}

// Root may write anything: these runs are made as nobody. A read-only
// folder and a read-only file at the output: each program says it cannot
// write, and what stands there is kept.
TEST(HostFaultsE2E, ReadOnlyFoldersAndFilesAsAnUnprivilegedUser) {
    if (RunsUnderRunner()) GTEST_SKIP() << "users and permissions are this host's";
    if (!TestSupport::Unprivileged([] { return true; })) GTEST_SKIP() << "cannot run as an unprivileged user here";
    TempDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    WriteAmbient(dir.Path() / "Ambient.kzs");
    dir.Write("batch.dpl", "Ambient;\nWind01\n");
    dir.Write("in.wav", kWind);
    dir.Write("ro/x/Ambient/Wind01.wav", "kept");  // the folder x/Ambient may not be written
    dir.Write("rf/x/Ambient/Wind01.wav", "kept");  // the file may not be written
    dir.Write("ro/Wind01.wav", "kept");
    dir.Write("rf/Wind01.wav", "kept");
    const auto readOnly = fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                          fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec;
    for (const char* folder : {"rf", "rf/x", "rf/x/Ambient"}) fs::permissions(dir.Path() / folder, fs::perms::all);
    fs::permissions(dir.Path() / "ro/x/Ambient", readOnly);
    fs::permissions(dir.Path() / "ro", readOnly);
    for (const char* file : {"rf/Wind01.wav", "rf/x/Ambient/Wind01.wav", "ro/Wind01.wav", "ro/x/Ambient/Wind01.wav"}) {
        fs::permissions(dir.Path() / file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    }
    for (const char* folder : {"ro", "rf"}) {
        SCOPED_TRACE(folder);
        const std::string f = folder;
        RunConditions nobody;
        nobody.unprivileged = true;
        const RunResult pull = TestSupport::Run(SndPullPath(), {"batch", "/o:" + f}, dir.Path(), nobody);
        EXPECT_EQ(pull.exitStatus, 1);
        EXPECT_EQ(pull.out, "\nOpened 'Ambient.kzs'\nExporting " + f + "\\Wind01.wav\nCould not write '" + f +
                                "\\Wind01.wav'\n");
        const RunResult save = TestSupport::Run(SndInfoPath(), {"in.wav", "/w:" + f + "/Wind01.wav"}, dir.Path(), nobody);
        EXPECT_EQ(save.exitStatus, 1);
        EXPECT_EQ(save.err, "Snd_Info: cannot write '" + f + "/Wind01.wav': permission denied\n");
        const RunResult extract = TestSupport::Run(SndInfoPath(), {"Ambient.kzs", "Wind01", "/x:" + f + "/x", "/y", "-q"},
                                                   dir.Path(), nobody);
        EXPECT_EQ(extract.exitStatus, 1);
        EXPECT_EQ(extract.err, "Snd_Info: cannot write '" + f + "/x/Ambient/Wind01.wav': permission denied\n");
        EXPECT_EQ(dir.Read(f + "/Wind01.wav"), "kept");
        EXPECT_EQ(dir.Read(f + "/x/Ambient/Wind01.wav"), "kept");
        EXPECT_EQ(FilesIn(dir.Path() / f / "x" / "Ambient"), std::vector<std::string>{"Wind01.wav"});
    }
    EXPECT_EQ(FilesIn(dir.Path() / "ro"), (std::vector<std::string>{"Wind01.wav", "x"}));
    EXPECT_EQ(FilesIn(dir.Path() / "rf"), (std::vector<std::string>{"Wind01.wav", "x"}));

    // An input that may not be read: Snd_Info says so.
    WriteAmbient(dir.Path() / "Locked.kzs");
    fs::permissions(dir.Path() / "Locked.kzs", fs::perms::none);
    RunConditions nobody;
    nobody.unprivileged = true;
    const RunResult list = TestSupport::Run(SndInfoPath(), {"Locked.kzs"}, dir.Path(), nobody);
    EXPECT_EQ(list.exitStatus, 1);
    EXPECT_EQ(list.err, "Snd_Info: cannot open 'Locked.kzs': permission denied\n");
    const RunResult extract = TestSupport::Run(SndInfoPath(), {"Locked.kzs", "/x:x"}, dir.Path(), nobody);
    EXPECT_EQ(extract.exitStatus, 1);
    EXPECT_EQ(extract.err, "Snd_Info: 'Locked.kzs' is not a readable sound package: permission denied\n");
}

// Standard input redirected from a file, standing anywhere in it: Snd_Info
// reads a WAVE file from where it stands, also to save it; a package there
// is refused as from any standard input.
TEST(HostFaultsE2E, StandardInputFromAFile) {
    if (RunsUnderRunner()) GTEST_SKIP() << "redirections are this host's";
    TempDir dir;
    WriteAmbient(dir.Path() / "Ambient.kzs");
    dir.Write("prefixed.wav", "JUNKJUNK" + kWind);
    dir.Write("in.wav", kWind);
    const std::string shown = TestSupport::Run(SndInfoPath(), {"in.wav"}, dir.Path()).out;
    const std::string facts = "standard input" + shown.substr(shown.find(':'));
    const struct {
        const char* input;
        long offset;
        std::vector<std::string> args;
        int status;
        std::string out, err;
    } cases[] = {
        {"in.wav", 0, {"-"}, 0, facts, ""},
        {"prefixed.wav", 8, {"-"}, 0, facts, ""},
        {"prefixed.wav", 8, {"-", "/w:saved.wav"}, 0, facts, ""},
        {"prefixed.wav", 0, {"-"}, 1, "", "Snd_Info: '-' is not a WAVE file, and a package cannot be read from a pipe\n"},
        {"Ambient.kzs", 0, {"-"}, 1, "", "Snd_Info: '-' is not a WAVE file, and a package cannot be read from a pipe\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.input) + " from " + std::to_string(c.offset));
        RunConditions in;
        in.standardInput = dir.Path() / c.input;
        in.inputOffset = c.offset;
        const RunResult r = TestSupport::Run(SndInfoPath(), c.args, dir.Path(), in);
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_EQ(r.out, c.out);
        EXPECT_EQ(r.err, c.err);
        if (c.args.size() > 1) {
            EXPECT_EQ(dir.Read("saved.wav"), kWind);
        }
    }
}

}  // namespace
