// What a person or a script expects of a tool like Snd_Info: an existing
// file is a FILE, never a sound's name; one shape of JSON document for every
// mode; a progress line only for a terminal; -q for fewer lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "facts/FactsText.h"
#include "kit/PackageBuilder.h"
#include "tests/support/RunTool.h"
#include "kit/WaveBuilder.h"

namespace {

using TestSupport::PackageBuilder;
using TestSupport::RunResult;
using TestSupport::TempDir;
using json = nlohmann::ordered_json;

RunResult Info(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(TestSupport::SndInfoPath(), args, dir.Path());
}

void WritePackage(const TempDir& dir) {
    PackageBuilder b;
    b.AddSound("notes", WaveBuilder::PcmWave(1, 8000, 8, 800));
    b.AddSound("Rain", WaveBuilder::PcmWave(1, 8000, 8, 1600));
    b.Write(dir.Path() / "Weather.kzs");
}

TEST(ConventionsE2E, ClockTimes) {
    const std::pair<std::uint64_t, const char*> cases[] = {
        {0, "0:00.000"},          {999, "0:00.999"},        {1000, "0:01.000"},       {59999, "0:59.999"},
        {60000, "1:00.000"},      {3599999, "59:59.999"},   {3600000, "1:00:00.000"}, {5400000, "1:30:00.000"},
        {36000000000, "10000:00:00.000"},
    };
    for (const auto& [ms, text] : cases) EXPECT_EQ(FactsText::Clock(ms), text) << ms;
}

TEST(ConventionsE2E, AFileThatExistsIsAFile) {
    TempDir dir;
    WritePackage(dir);
    dir.Write("notes", "just notes");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err, out;  // the first line of each
    } cases[] = {
        // "notes" is the file beside the package, not the sound.
        {{"Weather.kzs", "notes"}, 1, "Snd_Info: 'notes' is neither a WAVE file nor a readable sound package: it holds only 10 bytes: 6A 75 73 74 20 6E 6F 74 65 73 (\"just notes\")",
         "==> Weather.kzs <==\nWeather.kzs: 2 sounds"},
        {{"Weather.kzs", "--sound=notes"}, 0, "", "notes in Weather.kzs: PCM, 1 channel, 8000 Hz, 8 bits, 0:00.100"},
        {{"Weather.kzs", "--sound", "notes", "Rain"}, 0, "", "==> Weather.kzs: notes <=="},
        // Given to /w:, a file that is neither is said to be no WAVE file.
        {{"notes", "/w:out.wav"}, 1, "Snd_Info: 'notes' is not a valid WAVE file: it holds only 10 bytes: 6A 75 73 74 20 6E 6F 74 65 73 (\"just notes\")", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.back());
        const RunResult r = Info(dir, c.args);
        EXPECT_EQ(r.exitStatus, c.status);
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), c.err);
        EXPECT_EQ(r.out.substr(0, c.out.size()), c.out);
    }
    EXPECT_FALSE(dir.Exists("out.wav"));
}

TEST(ConventionsE2E, OneShapeOfDocument) {
    TempDir dir;
    WritePackage(dir);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"Weather.kzs", "--json"},
                                                 std::vector<std::string>{"Weather.kzs", "--json", "/x:x"}}) {
        SCOPED_TRACE(args.back());
        const json document = json::parse(Info(dir, args).out);
        std::vector<std::string> keys;
        for (const auto& [key, value] : document.items()) keys.push_back(key);
        const bool extraction = args.back() == "/x:x";
        std::vector<std::string> expected = {"schema", "program", "version", "files"};
        if (extraction) expected.push_back("totals");
        EXPECT_EQ(keys, expected);
        EXPECT_EQ(document["files"][0]["path"], "Weather.kzs");
        EXPECT_EQ(document["files"][0]["type"], "package");
        EXPECT_EQ(document["files"][0].contains("extract"), extraction);
    }
}

// A progress line, drawn with carriage returns on a terminal and taken away
// again; none in a pipe. -q leaves out the line of each sound written.
TEST(ConventionsE2E, ProgressOnATerminalOnly) {
    if (TestSupport::RunsUnderRunner()) GTEST_SKIP() << "the terminal is the host's";
    TempDir dir;
    WritePackage(dir);
    const std::string info = TestSupport::SndInfoPath();
    // `script` runs the command on a pseudo-terminal and copies what it shows.
    const RunResult terminal =
        TestSupport::Run("/usr/bin/script", {"-qec", "'" + info + "' Weather.kzs /x:t -q", "/dev/null"}, dir.Path());
    EXPECT_EQ(terminal.exitStatus, 0);
    EXPECT_NE(terminal.out.find("\rSnd_Info: 2 of 2 exports"), std::string::npos) << terminal.out;
    EXPECT_NE(terminal.out.find("2 sounds written"), std::string::npos) << terminal.out;
    EXPECT_EQ(terminal.out.find("writing:"), std::string::npos) << terminal.out;

    const RunResult pipe = Info(dir, {"Weather.kzs", "/x:p"});
    EXPECT_EQ(pipe.err, "");
    EXPECT_EQ(pipe.out, "  writing: p/Weather/notes.wav\n  writing: p/Weather/Rain.wav\n"
                        "2 sounds written (2488 bytes), 0 skipped, 0 failed\n");
}

}  // namespace
