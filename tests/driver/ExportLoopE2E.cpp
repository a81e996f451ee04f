// The export loop of the built Snd_Pull, run in a fresh folder: exact
// standard output, every output file byte for byte, nothing on standard
// error, status 0.
#include <gtest/gtest.h>

#include <algorithm>
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

// Wind01 and Birds, as in the worked example.
void WriteAmbient(const fs::path& path) {
    PackageBuilder b;
    b.Name("Ambient");
    b.AddSound("Wind01", kWind);
    b.AddSound("Birds", kBirds);
    b.Write(path);
}

const char kUsageExampleScript[] =
    "Ambient;\n"
    "Wind01\n"
    "\n"
    "Nope\n"
    "Gone;\n"
    "Rain\n"
    "Ambient;\n"
    "Birds\n";

TEST(ExportLoopE2E, WorkedExample) {
    TempDir dir;
    WriteAmbient(dir.Path() / "pk" / "Ambient.kzs");
    fs::create_directory(dir.Path() / "out");
    dir.Write("batch.dpl", kUsageExampleScript);
    EXPECT_EQ(RunPull(dir, {"batch", "/i:pk", "/o:out"}),
              "\n"
              "Opened 'pk\\Ambient.kzs'\n"
              "Exporting out\\Wind01.wav\n"
              "Could not find 'Nope' in package 'pk\\Ambient.kzs'\n"
              "\n"
              "Could not open 'pk\\Gone.kzs'\n"
              "\n"
              "Opened 'pk\\Ambient.kzs'\n"
              "Exporting out\\Birds.wav\n");
    EXPECT_EQ(FilesIn(dir.Path() / "out"), (std::vector<std::string>{"Birds.wav", "Wind01.wav"}));
    EXPECT_EQ(dir.Read("out/Wind01.wav"), kWind);
    EXPECT_EQ(dir.Read("out/Birds.wav"), kBirds);

    // CR LF line ends and a last line without one: the same run.
    std::string crlf;
    for (const char c : std::string(kUsageExampleScript)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    crlf.resize(crlf.size() - 2);
    dir.Write("crlf.dpl", crlf);
    fs::remove_all(dir.Path() / "out");
    fs::create_directory(dir.Path() / "out");
    const std::string lf = RunPull(dir, {"batch", "/i:pk", "/o:out"});
    EXPECT_EQ(RunPull(dir, {"crlf", "/i:pk", "/o:out"}), lf);
    EXPECT_EQ(dir.Read("out/Birds.wav"), kBirds);

    // A lone CR stays part of its line: "Wind01\r" is not Wind01.
    dir.Write("cr.dpl", "pk\\Ambient;\nWind01\r");
    EXPECT_EQ(RunPull(dir, {"cr"}), "\nOpened 'pk\\Ambient.kzs'\nCould not find 'Wind01\r' in package 'pk\\Ambient.kzs'\n");
}

TEST(ExportLoopE2E, PathOptions) {
    TempDir dir;
    WriteAmbient(dir.Path() / "data" / "pk" / "Ambient.kzs");
    WriteAmbient(dir.Path() / "Ambient.kzs");
    fs::create_directories(dir.Path() / "wav" / "sub");
    fs::create_directories(dir.Path() / "second");
    dir.Write("batch.dpl", "Ambient;\nWind01\n");

    EXPECT_EQ(RunPull(dir, {"batch", "/i:data\\pk", "/O:wav\\sub\\"}),
              "\nOpened 'data\\pk\\Ambient.kzs'\nExporting wav\\sub\\Wind01.wav\n");
    EXPECT_EQ(dir.Read("wav/sub/Wind01.wav"), kWind);

    // The last occurrence wins.
    EXPECT_EQ(RunPull(dir, {"batch", "/I:nowhere", "/o:first", "/i:data\\pk\\", "/o:second"}),
              "\nOpened 'data\\pk\\Ambient.kzs'\nExporting second\\Wind01.wav\n");
    EXPECT_EQ(dir.Read("second/Wind01.wav"), kWind);
    EXPECT_FALSE(dir.Exists("first"));

    // No option, or an empty value: the current folder.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"batch"}, std::vector<std::string>{"batch", "/i:data", "/i:", "/o:"}}) {
        fs::remove(dir.Path() / "Wind01.wav");
        EXPECT_EQ(RunPull(dir, args), "\nOpened 'Ambient.kzs'\nExporting Wind01.wav\n");
        EXPECT_EQ(dir.Read("Wind01.wav"), kWind);
    }
}

TEST(ExportLoopE2E, LinesAreTakenAsWritten) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Wind;01", kWind);
    b.AddSound("Wind01 ", kBirds);
    b.AddSound(" Lead", kWind);
    b.Write(dir.Path() / "Odd.kzs");

    dir.Write("empty.dpl", "");
    EXPECT_EQ(RunPull(dir, {"empty"}), "");
    dir.Write("blank.dpl", "\n\n\r\n");
    EXPECT_EQ(RunPull(dir, {"blank"}), "");
    // Sound lines before any package line: nothing written, and not a success.
    dir.Write("before.dpl", "Wind;01\nOdd\n");
    EXPECT_EQ(RunPull(dir, {"before"}, 1), "");

    dir.Write("odd.dpl", "Odd;\nWind;01\nWind01 \n Lead\nWind01\n");
    EXPECT_EQ(RunPull(dir, {"odd"}),
              "\nOpened 'Odd.kzs'\n"
              "Exporting Wind;01.wav\n"
              "Exporting Wind01 .wav\n"
              "Exporting  Lead.wav\n"
              "Could not find 'Wind01' in package 'Odd.kzs'\n");
    EXPECT_EQ(dir.Read("Wind;01.wav"), kWind);
    EXPECT_EQ(dir.Read("Wind01 .wav"), kBirds);
    EXPECT_EQ(dir.Read(" Lead.wav"), kWind);

    // A line longer than any name is skipped, and the run goes on; after a
    // package line so long, no package is current.
    const std::string longest(65536, 'x');
    dir.Write("long.dpl", "Odd;\n" + longest + "\r\n" + longest + "y\nWind;01\r\n" + longest + ";\n Lead\nOdd;\n Lead\n");
    EXPECT_EQ(RunPull(dir, {"long"}, 1),
              "\nOpened 'Odd.kzs'\n"
              "Could not find '" + longest + "' in package 'Odd.kzs'\n"
              "Could not read line 3 of the script: longer than 65536 bytes\n"
              "Exporting Wind;01.wav\n"
              "Could not read line 5 of the script: longer than 65536 bytes\n"
              "\nOpened 'Odd.kzs'\n"
              "Exporting  Lead.wav\n");

    // Package names get ".kzs" whatever they end in; a blank is part of the name.
    dir.Write("names.dpl", "Odd.kzs;\n;\n Odd;\nWind;01\n");
    EXPECT_EQ(RunPull(dir, {"names"}),
              "\nCould not open 'Odd.kzs.kzs'\n"
              "\nCould not open '.kzs'\n"
              "\nCould not open ' Odd.kzs'\n");
}

// A script saved as UTF-8 with a byte order mark, and NUL bytes in lines:
// the mark before the first line is no part of it, anywhere else it is
// ordinary bytes; a NUL names no file, although C text would end there.
TEST(ExportLoopE2E, ByteOrderMarkAndNulBytes) {
    TempDir dir;
    WriteAmbient(dir.Path() / "Ambient.kzs");
    dir.Write("Ambient", dir.Read("Ambient.kzs"));  // what C text would open
    const std::string bom = "\xEF\xBB\xBF";
    dir.Write("bom.dpl", bom + "Ambient;\r\nWind01\r\n" + bom + "Birds\r\n" + bom + "Ambient;\r\n");
    EXPECT_EQ(RunPull(dir, {"bom"}),
              "\nOpened 'Ambient.kzs'\nExporting Wind01.wav\n"
              "Could not find '" + bom + "Birds' in package 'Ambient.kzs'\n"
              "\nCould not open '" + bom + "Ambient.kzs'\n");
    EXPECT_EQ(dir.Read("Wind01.wav"), kWind);
    dir.Write("alone.dpl", bom + "\nAmbient;\nBirds\n");
    EXPECT_EQ(RunPull(dir, {"alone"}), "\nOpened 'Ambient.kzs'\nExporting Birds.wav\n");

    const std::string nul(1, '\0');
    // (Not "nul.dpl": on Windows that names the null device.)
    dir.Write("zero.dpl", "Ambient" + nul + "junk;\nWind01\nAmbient;\nWind01" + nul + "x\n");
    EXPECT_EQ(RunPull(dir, {"zero"}),
              "\nCould not open 'Ambient" + nul + "junk.kzs'\n"
              "\nOpened 'Ambient.kzs'\nCould not find 'Wind01" + nul + "x' in package 'Ambient.kzs'\n");
}

TEST(ExportLoopE2E, PackagesAndSoundsInAnyRepetition) {
    TempDir dir;
    WriteAmbient(dir.Path() / "Ambient.kzs");
    dir.Write("Birds.wav", std::string(10000, 'x'));
    dir.Write("batch.dpl",
              "Ambient;\nAmbient;\nNope\nBirds\nBirds\nGone;\nGone;\nWind01\nAmbient;\nWind01\n");
    EXPECT_EQ(RunPull(dir, {"batch"}),
              "\nOpened 'Ambient.kzs'\n"
              "\nOpened 'Ambient.kzs'\n"
              "Could not find 'Nope' in package 'Ambient.kzs'\n"
              "Exporting Birds.wav\n"
              "Exporting Birds.wav\n"
              "\nCould not open 'Gone.kzs'\n"
              "\nCould not open 'Gone.kzs'\n"
              "\nOpened 'Ambient.kzs'\n"
              "Exporting Wind01.wav\n");
    EXPECT_EQ(dir.Read("Birds.wav"), kBirds);
    EXPECT_EQ(dir.Read("Wind01.wav"), kWind);
}

TEST(ExportLoopE2E, OutputThatCannotBeWritten) {
    TempDir dir;
    WriteAmbient(dir.Path() / "pk" / "Ambient.kzs");
    fs::create_directories(dir.Path() / "out" / "Birds.wav");  // a folder in the way
    dir.Write("batch.dpl", "Ambient;\nWind01\nBirds\n");
    EXPECT_EQ(RunPull(dir, {"batch", "/i:pk", "/o:missing"}),
              "\nOpened 'pk\\Ambient.kzs'\n"
              "Exporting missing\\Wind01.wav\n"
              "Could not write 'missing\\Wind01.wav'\n"
              "Exporting missing\\Birds.wav\n"
              "Could not write 'missing\\Birds.wav'\n");
    EXPECT_EQ(RunPull(dir, {"batch", "/i:pk", "/o:out"}),
              "\nOpened 'pk\\Ambient.kzs'\n"
              "Exporting out\\Wind01.wav\n"
              "Exporting out\\Birds.wav\n"
              "Could not write 'out\\Birds.wav'\n");
    EXPECT_EQ(dir.Read("out/Wind01.wav"), kWind);
}

// Damaged sounds: the file holds exactly what the package holds, "Could not
// read" follows, and the sounds after it come out whole.
TEST(ExportLoopE2E, SoundDataThatCannotBeRead) {
    TempDir dir;
    PackageBuilder b;
    b.Name("Damaged");
    b.AddSound("Good", kWind);
    b.AddSound("Negative", "RIFF", {0, 0, 0, -1, 0});
    ExportEntry noData;
    noData.classRef = b.SoundClass();
    noData.objectName = b.Name("NoData");
    b.AddExport(noData);
    noData.objectName = b.Name("NegativeData");
    noData.dataSize = -20;
    b.AddExport(noData);
    ExportEntry badOffset;
    badOffset.objectName = b.Name("BadOffset");
    badOffset.object = SoundObject(kBirds);
    badOffset.dataOffset = -5;
    b.AddExport(badOffset);
    badOffset.objectName = b.Name("MinusOne");
    badOffset.dataOffset = -1;
    b.AddExport(badOffset);
    badOffset.objectName = b.Name("PastTheEnd");
    badOffset.dataOffset = 0x7FFFFFF0;
    b.AddExport(badOffset);
    b.AddSound("Short", kBirds, {0, 0, 0, static_cast<std::int32_t>(kBirds.size() + 100), 0});  // last in the file
    b.Write(dir.Path() / "Damaged.kzs");
    // Every output file exists beforehand, so that truncation shows.
    for (const char* name : {"Good", "Negative", "NoData", "NegativeData", "BadOffset", "PastTheEnd", "Short"}) {
        dir.Write(std::string(name) + ".wav", "old bytes");
    }
    dir.Write("batch.dpl",
              "Damaged;\nShort\nGood\nNegative\nNoData\nNegativeData\nBadOffset\nMinusOne\nPastTheEnd\nShort\nGood\n");
    const std::string notRead = "' in package 'Damaged.kzs'\n";
    EXPECT_EQ(RunPull(dir, {"batch"}),
              "\nOpened 'Damaged.kzs'\n"
              "Exporting Short.wav\nCould not read 'Short" + notRead +
              "Exporting Good.wav\n"
              "Exporting Negative.wav\nCould not read 'Negative" + notRead +
              "Exporting NoData.wav\nCould not read 'NoData" + notRead +
              "Exporting NegativeData.wav\nCould not read 'NegativeData" + notRead +
              "Exporting BadOffset.wav\nCould not read 'BadOffset" + notRead +
              "Could not find 'MinusOne" + notRead +
              "Exporting PastTheEnd.wav\nCould not read 'PastTheEnd" + notRead +
              "Exporting Short.wav\nCould not read 'Short" + notRead +
              "Exporting Good.wav\n");
    EXPECT_EQ(dir.Read("Good.wav"), kWind);
    EXPECT_EQ(dir.Read("Short.wav"), kBirds);
    for (const char* name : {"Negative", "NoData", "NegativeData", "BadOffset", "PastTheEnd"}) {
        EXPECT_EQ(dir.Read(std::string(name) + ".wav"), "") << name;
    }
    EXPECT_FALSE(dir.Exists("MinusOne.wav"));
}

TEST(ExportLoopE2E, SoundHeaderCutShortAndOutputMissingToo) {
    TempDir dir;
    PackageBuilder b;
    b.AddSound("Good", kWind);
    b.AddSound("Cut", kBirds, {0, 0x1000, 0, 0, 0});
    std::string bytes = b.Build();
    bytes.resize(b.ObjectOffsets[1] + 2);  // inside the header's compact index 0x1000
    dir.Write("pk/Cut.kzs", bytes);
    dir.Write("batch.dpl", "Cut;\nCut\nGood\n");
    EXPECT_EQ(RunPull(dir, {"batch", "/i:pk", "/o:missing"}),
              "\nOpened 'pk\\Cut.kzs'\n"
              "Exporting missing\\Cut.wav\n"
              "Could not read 'Cut' in package 'pk\\Cut.kzs'\n"
              "Could not write 'missing\\Cut.wav'\n"
              "Exporting missing\\Good.wav\n"
              "Could not write 'missing\\Good.wav'\n");
    EXPECT_EQ(RunPull(dir, {"batch", "/i:pk"}),
              "\nOpened 'pk\\Cut.kzs'\n"
              "Exporting Cut.wav\n"
              "Could not read 'Cut' in package 'pk\\Cut.kzs'\n"
              "Exporting Good.wav\n");
    EXPECT_EQ(dir.Read("Cut.wav"), "");
    EXPECT_EQ(dir.Read("Good.wav"), kWind);
}

TEST(ExportLoopE2E, DamagedPackagesCannotBeOpened) {
    TempDir dir;
    PackageBuilder good;
    good.AddSound("Wind01", kWind);
    const std::string whole = good.Build();
    const auto damaged = [&good](void (*damage)(PackageBuilder&)) {
        PackageBuilder b = good;
        damage(b);
        return b.Build();
    };
    dir.Write("Empty.kzs", "");
    dir.Write("Header.kzs", whole.substr(0, 30));
    dir.Write("Tables.kzs", whole.substr(0, good.SectionOffset(Section::Exports) + 3));
    dir.Write("Names.kzs", damaged([](PackageBuilder& b) { b.NameCount = 0xFFFFFFFF; }));
    dir.Write("Exports.kzs", damaged([](PackageBuilder& b) { b.ExportCount = 100000; }));
    dir.Write("Imports.kzs", damaged([](PackageBuilder& b) { b.ImportOffset = 0x7FFFFFFF; }));
    dir.Write("Generations.kzs", damaged([](PackageBuilder& b) { b.GenerationCount = 0x20000000; }));
    fs::create_directory(dir.Path() / "Folder.kzs");
    // Out-of-range references do not stop a package from opening.
    dir.Write("Refs.kzs", damaged([](PackageBuilder& b) {
                  b.Exports[0].superRef = 12345;
                  b.Exports[0].packageRef = -99;
                  b.Imports[0].objectName = 77;
                  ExportEntry stray;
                  stray.objectName = 555;
                  b.AddExport(stray);
              }));
    std::string script;
    std::string expected;
    for (const char* name : {"Empty", "Header", "Tables", "Names", "Exports", "Imports", "Generations", "Folder"}) {
        script += std::string(name) + ";\nWind01\n";
        expected += std::string("\nCould not open '") + name + ".kzs'\n";
    }
    script += "Refs;\nWind01\n";
    expected += "\nOpened 'Refs.kzs'\nExporting Wind01.wav\n";
    dir.Write("batch.dpl", script);
    EXPECT_EQ(RunPull(dir, {"batch"}), expected);
    EXPECT_EQ(dir.Read("Wind01.wav"), kWind);
}

}  // namespace
