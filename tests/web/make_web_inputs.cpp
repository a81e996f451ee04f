// Writes the browser test's own inputs into the folder given, made with our
// own builders:
//
//   marks/Marked.kzs   "Bell" (the example's bell with three cue points,
//                      their labels, a labelled region, two phoneme words and
//                      a title), "Stereo24" (24-bit stereo), "Float" (32-bit
//                      IEEE float), "Pcm8" (8-bit), "MuLaw" (G.711 mu-law),
//                      "Long" (six minutes: a tone, then silence),
//                      "Adpcm" (a format the page does not draw), and
//                      "Empty", an export with no data
//   marks/Bell.wav     the marked bell as a WAVE file of its own
//   damaged/Cut.kzs    a package cut off inside its export table
//   many/Many.kzs      10,000 sounds of 4 KiB (the listing's speed)
//   expected.json      what the test looks for: the cue points and words
//                      (sample positions), the sounds and their facts
//
//   make_web_inputs FOLDER
#include <cmath>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kit/Example.h"
#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"

namespace fs = std::filesystem;
using namespace WaveBuilder;

namespace {

void WriteFile(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

struct Mark {
    std::uint32_t id, sample;
    std::string label;
};
const std::vector<Mark> kMarks = {{1, 2205, "Strike"}, {2, 8820, "Ring"}, {3, 22050, "Fade"}};
constexpr std::uint32_t kRegionLength = 6615;  // the labelled region after "Ring"

struct Span {
    std::string word;
    std::int32_t start, end;
};
const std::vector<Span> kWords = {{"ding", 2205, 8000}, {"dong", 8820, 20000}};

// The example's bell (its fmt and data chunks, behind the 12-byte RIFF
// header) with cue points, labels, a region, phoneme words and a title.
std::string MarkedBell() {
    std::string chunks = TestSupport::ExampleWave("Bell").substr(12);
    std::vector<CueRecord> points;
    std::string adtl;
    for (const Mark& mark : kMarks) {
        points.push_back({mark.id, mark.sample, "data", 0, 0, mark.sample});
        adtl += Labl(mark.id, mark.label);
    }
    adtl += Ltxt(2, kRegionLength, "rgn ", 0, 0, 0, 0, "ringing");
    std::vector<Word> words;
    for (const Span& span : kWords) {
        words.push_back({span.word, span.start, span.end, 0, 0,
                         {{"d", 0x64, 0, 0}, {"ih", 0x26A, 0, 0}, {"nx", 0x14B, 0, 0}}});
    }
    return Riff(chunks + Cue(points) + List("adtl", adtl) + Phnm("ding dong", words) +
                List("INFO", Chunk("INAM", std::string("Marked bell") + '\0')));
}

std::string Json(const std::string& text) { return '"' + text + '"'; }

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_web_inputs FOLDER\n", stderr);
        return 2;
    }
    try {
        const fs::path folder = argv[1];
        const std::string bell = MarkedBell();

        TestSupport::PackageBuilder marked;
        marked.AddSound("Bell", bell);
        marked.AddSound("Stereo24", PcmWave(2, 44100, 24, 22050));
        std::string floats;
        for (int i = 0; i < 4800; ++i) floats += F32(static_cast<float>(0.5 * std::sin(i * 0.0576)));
        marked.AddSound("Float", Riff(FmtWithExtension(3, 1, 48000, 32, "") + Chunk("fact", U32(4800)) +
                                      Chunk("data", floats)));
        marked.AddSound("Pcm8", PcmWave(1, 11025, 8, 5000));
        std::string muLaw;
        for (int i = 0; i < 8000; ++i) muLaw += static_cast<char>(i % 64 < 32 ? 0x80 + i % 32 : 0x00 + i % 32);
        marked.AddSound("MuLaw", Riff(FmtWithExtension(7, 1, 8000, 8, "") + Chunk("fact", U32(8000)) + Chunk("data", muLaw)));
        // Six minutes: a tone for the first half, silence after.
        std::string half(1'500'000, '\x80');
        for (std::size_t i = 0; i < half.size(); ++i) half[i] = static_cast<char>(128 + std::lround(90 * std::sin(i * 0.3)));
        marked.AddSound("Long", Riff(PcmFmt(1, 8000, 8) + Chunk("data", half + std::string(half.size(), '\x80'))));
        marked.AddSound("Adpcm", Riff(FmtWithExtension(2, 1, 22050, 4, std::string(32, '\0')) +
                                      Chunk("data", std::string(2048, '\x11'))));
        TestSupport::ExportEntry empty;
        empty.classRef = marked.SoundClass();
        empty.objectName = marked.Name("Empty");
        marked.AddExport(empty);
        marked.Write(folder / "marks" / "Marked.kzs");
        WriteFile(folder / "marks" / "Bell.wav", bell);

        TestSupport::PackageBuilder cut;
        for (const char* name : {"One", "Two", "Three"}) cut.AddSound(name, PcmWave(1, 22050, 16, 100));
        cut.Order = {TestSupport::Section::Names, TestSupport::Section::Imports, TestSupport::Section::Objects,
                     TestSupport::Section::Exports};
        const std::string whole = cut.Build();
        WriteFile(folder / "damaged" / "Cut.kzs", whole.substr(0, whole.size() - 10));

        // Names a file system refuses or that clash in letter case: the page's
        // zip must name them as Snd_Info's /x: does.
        TestSupport::PackageBuilder names;
        for (const char* name : {"Bell", "bell", "a/b", "CON", "x.", "100%"}) names.AddSound(name, PcmWave(1, 8000, 8, 10));
        names.Write(folder / "names" / "Names.kzs");

        TestSupport::PackageBuilder many;
        // 4 KiB each: 44 header bytes and 2026 16-bit frames.
        const std::string small = PcmWave(1, 22050, 16, 2026);
        char name[16];
        for (int i = 0; i < 10000; ++i) {
            std::snprintf(name, sizeof name, "S%05d", i);
            many.AddSound(name, small);
        }
        many.Write(folder / "many" / "Many.kzs");

        std::string expected = "{\n  \"cues\": [";
        for (std::size_t i = 0; i < kMarks.size(); ++i) {
            expected += (i ? ", " : "") + std::string("{\"id\": ") + std::to_string(kMarks[i].id) +
                        ", \"sample\": " + std::to_string(kMarks[i].sample) + ", \"label\": " + Json(kMarks[i].label) +
                        "}";
        }
        expected += "],\n  \"region\": {\"id\": 2, \"length\": " + std::to_string(kRegionLength) + "},\n  \"words\": [";
        for (std::size_t i = 0; i < kWords.size(); ++i) {
            expected += (i ? ", " : "") + std::string("{\"word\": ") + Json(kWords[i].word) +
                        ", \"start\": " + std::to_string(kWords[i].start) + ", \"end\": " + std::to_string(kWords[i].end) +
                        "}";
        }
        expected += "],\n  \"many\": 10000\n}\n";
        WriteFile(folder / "expected.json", expected);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_web_inputs: %s\n", e.what());
        return 1;
    }
    return 0;
}
