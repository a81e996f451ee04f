// The page's C API, natively: what each call gives equals what Snd_Info
// gives for the same file (the listing, the 16-bit PCM file, the names /x:
// writes), and damaged input gives an error object, never a crash.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "kit/PackageBuilder.h"
#include "facts/Source.h"
#include "kit/WaveBuilder.h"
#include "tests/support/RunTool.h"
#include "wave/Audio.h"
#include "web/SndWeb.h"
#include "web/Sonogram.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;
using nlohmann::json;

// A package of sounds (one IMA ADPCM, which --pcm decodes, two whose names
// meet as file names), and a texture; a WAVE file beside it.
struct Inputs {
    TempDir dir;
    std::string package, wave, ima;
    Inputs() {
        using WaveBuilder::Chunk, WaveBuilder::Riff, WaveBuilder::U16, WaveBuilder::U32;
        PackageBuilder b;
        b.AddSound("Wind01", TestSupport::PcmWave({100, -100, 200, -200}));
        // IMA ADPCM, mono: blocks of 36 bytes, 65 frames.
        const std::string fmt = U16(0x11) + U16(1) + U32(8000) + U32(4055) + U16(36) + U16(4) + U16(2) + U16(65);
        const std::string block = U16(0) + std::string(1, '\x0A') + '\0' + std::string(32, '\x77');
        const std::string adpcm = Riff(Chunk("fmt ", fmt) + Chunk("data", block + block));
        b.AddSound("Adpcm", adpcm);
        b.AddSound("bell", TestSupport::PcmWave({5}));
        b.AddSound("Bell", TestSupport::PcmWave({6}));
        // Blanks, quotes and a backslash inside a name stay in the listing.
        b.AddSound("a \"b\" \\ c  d", TestSupport::PcmWave({7}));
        ExportEntry texture;
        texture.objectName = b.Name("Stone");
        texture.object = "not a sound";
        b.AddExport(texture);
        package = (dir.Path() / "Ambient.kzs").string();
        wave = (dir.Path() / "tone.wav").string();
        ima = (dir.Path() / "ima.wav").string();
        WriteFile(ima, adpcm);
        b.Write(package);
        WriteFile(wave, WaveBuilder::PcmWave(2, 8000, 16, 50));
    }
};

json Parsed(const char* text) { return json::parse(text); }

// Snd_Info --json PATH [SOUND].
json InfoJson(const std::string& path, const std::string& sound = "") {
    std::vector<std::string> args = {"--json", path};
    if (!sound.empty()) args.push_back(sound);
    return json::parse(TestSupport::Run(SndInfoPath(), args, fs::path(path).parent_path()).out);
}

// What the table from a package's tables alone must say: each export named as the listing names it.
json ExportsOf(const char* listing) {
    json named = json::array();
    for (const json& e : Parsed(listing)["files"][0].value("exports", json::array())) {
        named.push_back({e["index"], e["name"], e["group"], e["class"]});
    }
    return named.empty() ? json(nullptr) : named;
}

TEST(SndWeb, ListsAsSndInfoDoes) {
    const Inputs in;
    for (const std::string& path : {in.package, in.wave, in.package + ".missing"}) {
        SCOPED_TRACE(path);
        const std::string listing = SndWeb_Info(path.c_str());
        EXPECT_EQ(Parsed(listing.c_str()), InfoJson(path));
        // Compact: the text the page parses is the document in its order,
        // without indentation.
        EXPECT_EQ(listing, nlohmann::ordered_json::parse(listing).dump());
        EXPECT_EQ(Parsed(SndWeb_Exports(path.c_str())), ExportsOf(listing.c_str()));
    }
}

TEST(SndWeb, WritesThePcmSndInfoWrites) {
    const Inputs in;
    const fs::path folder = in.dir.Path();
    struct Case {
        int index;
        std::vector<std::string> target;  // Snd_Info's FILE [SOUND]
    };
    for (const Case& c : {Case{-1, {in.ima}}, Case{1, {in.package, "Adpcm"}}}) {
        SCOPED_TRACE(c.index);
        const std::string page = (folder / "page.wav").string();
        ASSERT_EQ(SndWeb_ExportPcm(c.target[0].c_str(), c.index, page.c_str()), 0);
        std::vector<std::string> args = c.target;
        args.insert(args.end(), {"/w:info.wav", "--pcm"});
        ASSERT_EQ(TestSupport::Run(SndInfoPath(), args, folder).exitStatus, 0);
        EXPECT_EQ(ReadFile(page), ReadFile(folder / "info.wav"));
        EXPECT_EQ(ReadFile(page).size() > 44, true);
    }
    // The export as stored: Snd_Pull's bytes.
    const std::string stored = (folder / "stored.wav").string();
    ASSERT_EQ(SndWeb_Export(in.package.c_str(), 0, stored.c_str()), 0);
    EXPECT_EQ(ReadFile(stored), TestSupport::PcmWave({100, -100, 200, -200}));
}

// The files /x: writes for `package` (in `dir`) against those the page names.
json AgreesWithExtraction(const fs::path& dir, const std::string& package) {
    fs::remove_all(dir / "out");
    EXPECT_EQ(TestSupport::Run(SndInfoPath(), {package, "/x:out"}, dir).exitStatus, 0);
    std::vector<std::string> written;
    for (const auto& entry : fs::recursive_directory_iterator(dir / "out")) {
        if (!entry.is_directory()) written.push_back(fs::relative(entry.path(), dir / "out").generic_string());
    }
    const json names = Parsed(SndWeb_FileNames(package.c_str()));
    std::vector<std::string> named;
    for (const json& file : names["files"]) {
        if (!file.is_null()) named.push_back(names["folder"].get<std::string>() + "/" + file.get<std::string>());
    }
    std::sort(written.begin(), written.end());
    std::sort(named.begin(), named.end());
    EXPECT_EQ(named, written);
    return names["files"];
}

TEST(SndWeb, NamesTheFilesExtractionWrites) {
    const Inputs in;
    EXPECT_EQ(AgreesWithExtraction(in.dir.Path(), in.package),
              json::parse(R"(["Wind01.wav", "Adpcm.wav", "bell.wav", "Bell (2).wav", "a %22b%22 %5C c  d.wav", null])"));
    // Sounds in groups, in the folders of their groups.
    PackageBuilder b;
    const std::int32_t group = b.AddGroup("..");
    b.AddSound("Hit", TestSupport::PcmWave({1}), {}, b.AddGroup("a/b", group));
    b.AddSound("Hit", TestSupport::PcmWave({2}), {}, group);
    b.Write(in.dir.Path() / "groups.kzs");
    const std::string groups = (in.dir.Path() / "groups.kzs").string();
    EXPECT_EQ(Parsed(SndWeb_Exports(groups.c_str())), ExportsOf(SndWeb_Info(groups.c_str())));
    EXPECT_EQ(AgreesWithExtraction(in.dir.Path(), (in.dir.Path() / "groups.kzs").string()),
              json::parse(R"([null, null, ".%2E/a%2Fb/Hit.wav", ".%2E/Hit.wav"])"));
}

// The spans the page zips from: for every export of a package whole, cut
// inside a sound, cut inside a sound's header and cut where a sound's bytes
// begin, the file's bytes at [offset, offset + size) are exactly what
// SndWeb_Export writes; sizes pinned for each.
TEST(SndWeb, ExportSpansAreTheBytesExportWrites) {
    const TempDir dir;
    const std::string a = TestSupport::PcmWave({1, 2, 3});
    std::vector<std::int16_t> samples(200, 7);
    const std::string b = TestSupport::PcmWave(samples);
    PackageBuilder builder;
    builder.CompactLength = 5;  // the export table keeps its length when an offset changes
    builder.AddSound("A", a);
    builder.AddSound("Negative", a, {.waveSize = -5});
    builder.AddGroup("Group");
    builder.AddSound("B", b);
    // The last export shares A's stored object: the same bytes, twice.
    ExportEntry shared;
    shared.classRef = builder.SoundClass();
    shared.objectName = builder.Name("Shared");
    shared.dataSize = static_cast<std::int32_t>(builder.Exports[0].object.size());
    shared.dataOffset = 0;
    builder.AddExport(shared);
    const std::string whole = builder.Build();
    builder.Exports.back().dataOffset = static_cast<std::int32_t>(builder.ObjectOffsets[0]);
    const std::string bytes = builder.Build();
    ASSERT_EQ(bytes.size(), whole.size());
    const std::size_t bWave = builder.ObjectOffsets[3] + builder.Exports[3].object.size() - b.size();
    const struct {
        const char* name;
        std::size_t keep;
        std::vector<std::uint64_t> sizes;
    } rows[] = {
        {"whole", bytes.size(), {a.size(), 0, 0, b.size(), a.size()}},
        {"cut short", bWave + 100, {a.size(), 0, 0, 100, a.size()}},
        {"header cut", bWave - 2, {a.size(), 0, 0, 0, a.size()}},
        {"past the end", bWave, {a.size(), 0, 0, 0, a.size()}},
    };
    const std::string out = (dir.Path() / "o.wav").string();
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string path = (dir.Path() / (std::string(row.name) + ".kzs")).string();
        const std::string held = bytes.substr(0, row.keep);
        WriteFile(path, held);
        const json spans = Parsed(SndWeb_ExportSpans(path.c_str()));
        ASSERT_EQ(spans.size(), row.sizes.size());
        for (std::size_t index = 0; index < spans.size(); ++index) {
            SCOPED_TRACE(index);
            const json& span = spans[index];
            EXPECT_EQ(span["index"], index);
            EXPECT_EQ(span["size"], row.sizes[index]);
            ASSERT_LT(SndWeb_Export(path.c_str(), static_cast<int>(index), out.c_str()), 2);
            EXPECT_EQ(held.substr(span["offset"].get<std::size_t>(), span["size"].get<std::size_t>()), ReadFile(out));
        }
        EXPECT_EQ(spans[4]["offset"], spans[0]["offset"]);
    }
    for (const fs::path& path : {dir.Path() / "missing.kzs", dir.Path() / "o.wav"}) {
        EXPECT_EQ(Parsed(SndWeb_ExportSpans(path.string().c_str())), json::array());
    }
}

// Damaged and missing input, every call: an error object or a status, and
// nothing written.
TEST(SndWeb, DamagedInputGivesErrors) {
    const Inputs in;
    const std::string cut = (in.dir.Path() / "cut.kzs").string();
    WriteFile(cut, ReadFile(in.package).substr(0, 40));
    const std::string damaged = (in.dir.Path() / "damaged.wav").string();
    WriteFile(damaged, ReadFile(in.wave).substr(0, 10));
    const std::string out = (in.dir.Path() / "o.wav").string();
    for (const std::string& path : {cut, damaged, in.package + ".missing"}) {
        SCOPED_TRACE(path);
        const json listing = Parsed(SndWeb_Info(path.c_str()));
        EXPECT_EQ(listing["files"][0]["type"], "error");
        EXPECT_FALSE(listing["files"][0]["errors"].empty());
        EXPECT_EQ(Parsed(SndWeb_Sound(path.c_str(), 0))["files"][0]["type"], "error");
        EXPECT_EQ(SndWeb_Export(path.c_str(), 0, out.c_str()), 3);
        EXPECT_NE(SndWeb_ExportPcm(path.c_str(), -1, out.c_str()), 0);
        EXPECT_EQ(Parsed(SndWeb_Peaks(path.c_str(), -1, 10, 0, 0))["decodable"], false);
        EXPECT_EQ(Parsed(SndWeb_Spectrogram(path.c_str(), -1, 10, 10, 0, 0))["decodable"], false);
        EXPECT_EQ(Parsed(SndWeb_FileNames(path.c_str()))["files"], json::array());
        EXPECT_EQ(Parsed(SndWeb_Exports(path.c_str())), nullptr);
        EXPECT_FALSE(fs::exists(out));
    }
    // Indices outside the table, and an export that holds no sound.
    for (const int index : {-1, 5, 6, 1 << 30}) {
        SCOPED_TRACE(index);
        if (index != 5) {
            EXPECT_EQ(SndWeb_Export(in.package.c_str(), index, out.c_str()), 3);
        }
        EXPECT_EQ(SndWeb_ExportPcm(in.package.c_str(), index, out.c_str()), 3);
        EXPECT_EQ(Parsed(SndWeb_Peaks(in.package.c_str(), index, 10, 0, 0))["decodable"], false);
        EXPECT_EQ(Parsed(SndWeb_Spectrogram(in.package.c_str(), index, 10, 10, 0, 0))["decodable"], false);
        EXPECT_EQ(std::string(SndWeb_Print(in.package.c_str(), index)), "");
    }
    EXPECT_EQ(Parsed(SndWeb_Sound(in.package.c_str(), 5))["files"][0]["type"], "error");
    EXPECT_FALSE(fs::exists(out));
}

TEST(SndWeb, PrintsAndDrawsTheSound) {
    const Inputs in;
    const RunResult run = TestSupport::Run(SndInfoPath(), {in.wave}, in.dir.Path());
    EXPECT_EQ(std::string(SndWeb_Print(in.wave.c_str(), -1)), run.out);
    const json peaks = Parsed(SndWeb_Peaks(in.package.c_str(), 0, 2, 0, 0));
    EXPECT_EQ(peaks["decodable"], true);
    EXPECT_EQ(peaks["frames"], 4);
    EXPECT_EQ(peaks["min"], json::parse("[[-0.0030517578125, -0.006103515625]]"));  // -100 and -200 of 32768
    EXPECT_EQ(peaks["max"], json::parse("[[0.0030517578125, 0.006103515625]]"));
    EXPECT_EQ(peaks["too_large"], false);
    // A span of frames (samples 100, -100, 200, -200): frames 1 and 2; a
    // negative start or NaN is the first frame, a count of 0 or beyond the
    // sound reaches to its end.
    const struct {
        double first, count;
        int from, frames;
        const char *min, *max;
    } spans[] = {
        {1, 2, 1, 2, "[[-0.0030517578125]]", "[[0.006103515625]]"},
        {-3, 1, 0, 1, "[[0.0030517578125]]", "[[0.0030517578125]]"},
        {std::nan(""), 0, 0, 4, "[[-0.006103515625]]", "[[0.006103515625]]"},
        {3, 1e30, 3, 1, "[[-0.006103515625]]", "[[-0.006103515625]]"},
        {3, 18446744073709551616.0, 3, 1, "[[-0.006103515625]]", "[[-0.006103515625]]"},  // 2^64
    };
    for (const auto& span : spans) {
        SCOPED_TRACE(span.first);
        const json part = Parsed(SndWeb_Peaks(in.package.c_str(), 0, 1, span.first, span.count));
        EXPECT_EQ(part["first"], span.from);
        EXPECT_EQ(part["count"], span.frames);
        EXPECT_EQ(part["min"], json::parse(span.min));
        EXPECT_EQ(part["max"], json::parse(span.max));
    }
    EXPECT_EQ(Parsed(SndWeb_Sound(in.package.c_str(), 1)), InfoJson(in.package, "Adpcm"));
}

// The spectrogram's levels come as base64, column after column; a span as
// the peaks take it.
TEST(SndWeb, DrawsTheSpectrogram) {
    const Inputs in;
    WAVE_File wave;
    std::ifstream file(in.wave, std::ios::binary);
    wave.LoadData(file);
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    const struct {
        double first, count;
        int columns, rows;
        std::uint64_t from, frames;
    } cases[] = {{0, 0, 5, 7, 0, 50}, {10, 20, 3, 2, 10, 20}, {-1, 1e30, 1, 1, 0, 50}};  // 35, 6 and 1 levels
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const json answer = Parsed(SndWeb_Spectrogram(in.wave.c_str(), -1, c.columns, c.rows, c.first, c.count));
        EXPECT_EQ(answer.dump(), json({{"decodable", true}, {"frames", 50}, {"first", c.from}, {"count", c.frames}, {"rate", 8000},
                                       {"columns", c.columns}, {"rows", c.rows}, {"low_hz", 20.0}, {"high_hz", 4000.0}, {"values", answer["values"]}}).dump());
        // Base64: 4 digits for every 3 bytes, the last group padded with "=".
        const std::string text = answer["values"];
        std::vector<std::uint8_t> values;
        for (std::size_t at = 0; at + 4 <= text.size(); at += 4) {
            std::uint32_t group = 0;
            for (int i = 0; i < 4; ++i) group = group << 6 | static_cast<std::uint32_t>(text[at + i] == '=' ? 0 : digits.find(text[at + i]));
            for (int i = 0; i < 3 && text[at + 1 + i] != '='; ++i) values.push_back(static_cast<std::uint8_t>(group >> (16 - 8 * i)));
        }
        EXPECT_EQ(text.size() % 4, 0u);
        EXPECT_EQ(values, DrawSpectrogram(wave, nullptr, c.from, c.frames, c.columns, c.rows).Values);
        EXPECT_GT(*std::max_element(values.begin(), values.end()), 100);  // the builder's tones
    }
    EXPECT_EQ(Parsed(SndWeb_Spectrogram(in.package.c_str(), 1, 4, 4, 0, 0))["decodable"], true);  // IMA ADPCM in the package
}

// The page plays a sound of at most 256 MiB: the file of exactly that many
// bytes is not too large, one byte more is. (GSM, which the page does not
// draw: the samples, a hole in the file, are not read.)
TEST(SndWeb, TooLargeToPlayAbove256MiB) {
    using WaveBuilder::U16, WaveBuilder::U32;
    const TempDir dir;
    const std::string fmt = "fmt " + U32(20) + U16(0x31) + U16(1) + U32(8000) + U32(1625) + U16(65) + U16(0) + U16(2) + U16(320);
    for (const std::uint64_t size : {std::uint64_t{256} << 20, (std::uint64_t{256} << 20) + 1}) {
        SCOPED_TRACE(size);
        const std::string path = (dir.Path() / "large.wav").string();
        const std::uint64_t data = size - 12 - fmt.size() - 8;
        WriteFile(path, "RIFF" + U32(static_cast<std::uint32_t>(size - 8)) + "WAVE" + fmt + "data" + U32(static_cast<std::uint32_t>(data)));
        fs::resize_file(path, size);
        // The file is rewritten at the same path: the page's mounted files never are.
        SndWeb_Close(path.c_str());
        const json peaks = Parsed(SndWeb_Peaks(path.c_str(), -1, 10, 0, 0));
        EXPECT_EQ(peaks["decodable"], false);
        EXPECT_EQ(peaks["reason"], "GSM 6.10 is not decoded");
        EXPECT_FALSE(peaks.contains("playable"));
        EXPECT_EQ(peaks["too_large"], size > (std::uint64_t{256} << 20));
        // A sound in a package: the bytes it claims count, whatever the package holds.
        PackageBuilder b;
        b.AddSound("Large", TestSupport::PcmWave({1}), {.waveSize = static_cast<std::int32_t>(size)});
        const std::string package = (dir.Path() / "Large.kzs").string();
        b.Write(package);
        SndWeb_Close(package.c_str());
        EXPECT_EQ(Parsed(SndWeb_Peaks(package.c_str(), 0, 10, 0, 0))["too_large"], size > (std::uint64_t{256} << 20));
    }
}

// A package's tables are read once, by the first call that names it: every
// call the page makes to show, print, draw, play and download a sound reads
// only the sound's bytes, also by another path to the same file. Closed, the
// next call reads them again.
TEST(SndWeb, ReadsAPackageOnceUntilClosed) {
    const Inputs in;
    const std::string out = (in.dir.Path() / "o.wav").string();
    const std::string other = (in.dir.Path() / "." / "Ambient.kzs").string();
    const std::uint64_t before = Facts::Source::PackagesRead();
    const json listing = Parsed(SndWeb_Info(in.package.c_str()));
    ASSERT_EQ(Facts::Source::PackagesRead(), before + 1);
    for (const int index : {0, 1}) {
        SCOPED_TRACE(index);
        EXPECT_EQ(Parsed(SndWeb_Sound(other.c_str(), index))["files"][0]["type"], "wave");
        EXPECT_NE(std::string(SndWeb_Print(in.package.c_str(), index)), "");
        EXPECT_EQ(Parsed(SndWeb_Peaks(in.package.c_str(), index, 10, 0, 0))["decodable"], true);
        EXPECT_EQ(Parsed(SndWeb_Peaks(in.package.c_str(), index, 10, 1, 2))["count"], 2);
        // Only the IMA sound is converted; PCM plays as stored.
        EXPECT_EQ(SndWeb_ExportPcm(in.package.c_str(), index, out.c_str()), index == 1 ? 0 : 1);
        EXPECT_EQ(SndWeb_Export(in.package.c_str(), index, out.c_str()), 0);
        EXPECT_EQ(Parsed(SndWeb_FileNames(in.package.c_str()))["files"].size(), 6u);
    }
    EXPECT_EQ(Facts::Source::PackagesRead(), before + 1);
    // Listed again, it is the same document.
    EXPECT_EQ(Parsed(SndWeb_Info(in.package.c_str())), listing);
    EXPECT_EQ(Facts::Source::PackagesRead(), before + 1);
    SndWeb_Close(other.c_str());
    EXPECT_EQ(Parsed(SndWeb_Sound(in.package.c_str(), 0))["files"][0]["type"], "wave");
    EXPECT_EQ(Facts::Source::PackagesRead(), before + 2);
    // A WAVE file kept open is read from its first byte by every call.
    EXPECT_EQ(std::string(SndWeb_Print(in.wave.c_str(), -1)), std::string(SndWeb_Print(in.wave.c_str(), -1)));
    EXPECT_EQ(Parsed(SndWeb_Peaks(in.wave.c_str(), -1, 1, 0, 0))["frames"], 50);
    EXPECT_EQ(SndWeb_ExportPcm(in.ima.c_str(), -1, out.c_str()), 0);
    EXPECT_EQ(SndWeb_ExportPcm(in.ima.c_str(), -1, out.c_str()), 0);
}

// A package of a marked sound (two regions of one name that needs an
// escape, a point, a sampler loop), an IMA ADPCM sound with a region, a
// sound without marks and the marked sound under a name that needs an
// escape; the marked sound as a WAVE file beside it.
struct Marked {
    TempDir dir;
    std::string package, wave;
    static constexpr const char* kIma = "ima";
    Marked() {
        using WaveBuilder::Chunk, WaveBuilder::Cue, WaveBuilder::Labl, WaveBuilder::List, WaveBuilder::Ltxt, WaveBuilder::PcmFmt,
            WaveBuilder::Riff, WaveBuilder::U16, WaveBuilder::U32;
        std::string samples;
        for (int frame = 0; frame < 100; ++frame) samples += U16(static_cast<std::uint16_t>(frame * 100));
        const std::string marks = Cue({{1, 10, "data", 0, 0, 10}, {2, 50, "data", 0, 0, 50}, {3, 5, "data", 0, 0, 5}}) +
                                  List("adtl", Labl(1, "a/b") + Labl(2, "a/b") + Labl(3, "hit") + Ltxt(1, 20, "rgn ", 0, 0, 0, 0) +
                                                   Ltxt(2, 5, "rgn ", 0, 0, 0, 0));
        const std::string marked = Riff(PcmFmt(1, 8000, 16) + Chunk("data", samples) + marks + WaveBuilder::Smpl({{60, 79}}));
        // IMA ADPCM, mono: blocks of 36 bytes, 65 frames; the region lies in the second block.
        const std::string fmt = U16(0x11) + U16(1) + U32(8000) + U32(4055) + U16(36) + U16(4) + U16(2) + U16(65);
        const std::string block = U16(0) + std::string(1, '\x0A') + '\0' + std::string(32, '\x77');
        const std::string ima = Riff(Chunk("fmt ", fmt) + Chunk("data", block + block) + Cue({{1, 70, "data", 0, 0, 70}}) +
                                     List("adtl", Labl(1, "in 2") + Ltxt(1, 10, "rgn ", 0, 0, 0, 0)));
        PackageBuilder b;
        b.AddSound("Marked", marked);
        b.AddSound(kIma, ima);
        b.AddSound("Plain", TestSupport::PcmWave({1, 2}));
        b.AddSound("x%", marked);
        package = (dir.Path() / "Marks.kzs").string();
        b.Write(package);
        wave = (dir.Path() / "Marked.wav").string();
        WriteFile(wave, marked);
    }
};

// The regions listed with the names /x: gives their files; none for a
// sound without marks, an export without a sound, or no such export.
TEST(SndWeb, ListsTheRegionsAndLoopsWithTheirFiles) {
    const Marked in;
    const json marked = json::parse(R"([
        {"name": "a/b", "kind": "region", "start": 10, "frames": 20, "file": "Marked - a%2Fb.wav"},
        {"name": "a/b", "kind": "region", "start": 50, "frames": 5, "file": "Marked - a%2Fb (2).wav"},
        {"name": "loop 1", "kind": "loop", "start": 60, "frames": 20, "file": "Marked - loop 1.wav"}])");
    const struct {
        std::string path;
        int index;
        json regions;
    } rows[] = {
        {in.package, 0, marked},
        {in.wave, -1, marked},
        {in.package, 1, json::parse(R"([{"name": "in 2", "kind": "region", "start": 70, "frames": 10, "file": "ima - in 2.wav"}])")},
        {in.package, 2, json::array()},
        {in.package, 4, json::array()},
        {in.package, -1, json::array()},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.path + " " + std::to_string(row.index));
        EXPECT_EQ(Parsed(SndWeb_Regions(row.path.c_str(), row.index)), row.regions);
    }
}

// What the page downloads beside a sound is what /x: writes beside it with
// --regions, --labels and --sfz (and --pcm): the same names, the same bytes;
// the WAVE file gives what the same sound in the package gives. A region or
// sound that is not there writes nothing.
TEST(SndWeb, TakesOutWhatExtractionWrites) {
    const Marked in;
    const fs::path folder = in.dir.Path();
    const std::string page = (folder / "page.wav").string();
    for (const int pcm : {0, 1}) {
        SCOPED_TRACE(pcm);
        const fs::path out = folder / ("x" + std::to_string(pcm));
        std::vector<std::string> args = {in.package, "/x:" + out.string(), "--regions", "--labels", "--sfz"};
        if (pcm) args.push_back("--pcm");
        TestSupport::Run(SndInfoPath(), args, folder);
        std::size_t compared = 0;
        for (const auto& [index, sound] : {std::pair{0, "Marked"}, {1, "ima"}, {2, "Plain"}, {3, "x%25"}}) {
            const json regions = Parsed(SndWeb_Regions(in.package.c_str(), index));
            for (std::size_t region = 0; region < regions.size(); ++region) {
                const fs::path written = out / "Marks" / regions[region]["file"].get<std::string>();
                ASSERT_TRUE(fs::exists(written)) << written;
                ASSERT_EQ(SndWeb_Region(in.package.c_str(), index, static_cast<int>(region), pcm, page.c_str()), 0);
                EXPECT_EQ(ReadFile(page), ReadFile(written)) << written;
                ++compared;
            }
            const fs::path labels = out / "Marks" / (std::string(sound) + ".txt");
            EXPECT_EQ(std::string(SndWeb_Labels(in.package.c_str(), index)), fs::exists(labels) ? ReadFile(labels) : "");
            const fs::path sfz = out / "Marks" / (std::string(sound) + ".sfz");
            EXPECT_EQ(std::string(SndWeb_Sfz(in.package.c_str(), index, (std::string(sound) + ".wav").c_str())),
                      fs::exists(sfz) ? ReadFile(sfz) : "");
        }
        EXPECT_EQ(compared, 7u);
        ASSERT_EQ(SndWeb_Region(in.wave.c_str(), -1, 2, pcm, page.c_str()), 0);
        EXPECT_EQ(ReadFile(page), ReadFile(out / "Marks" / "Marked - loop 1.wav"));
    }
    EXPECT_EQ(std::string(SndWeb_Labels(in.wave.c_str(), -1)), ReadFile(folder / "x0" / "Marks" / "Marked.txt"));
    EXPECT_EQ(std::string(SndWeb_Sfz(in.wave.c_str(), -1, "Marked.wav")), ReadFile(folder / "x0" / "Marks" / "Marked.sfz"));
    for (const auto& [index, region] : {std::pair{0, 3}, {0, -1}, {2, 0}, {9, 0}}) {
        SCOPED_TRACE(std::to_string(index) + " " + std::to_string(region));
        fs::remove(page);
        EXPECT_EQ(SndWeb_Region(in.package.c_str(), index, region, 0, page.c_str()), 3);
        EXPECT_FALSE(fs::exists(page));
    }
}

}  // namespace
