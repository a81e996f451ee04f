// Writes the browser test's own inputs into the folder given, made with our
// own builders:
//
//   marks/Marked.kzs   "Bell" (the example's bell with three cue points,
//                      their labels, a labelled region, a sampler loop, two
//                      phoneme words, a title and a broadcast extension),
//                      "Stereo24" (24-bit stereo), "Float" (32-bit IEEE
//                      float), "Pcm8" (8-bit), "MuLaw" (G.711 mu-law),
//                      "Long" (six minutes: a tone, then silence),
//                      "Adpcm" (MS ADPCM, mono) and "Ima" (IMA ADPCM,
//                      stereo), both half a second with a fact count that
//                      trims the last block, "Gsm" (GSM 6.10, which the
//                      core does not decode), "Strange" (extensible, of an
//                      unknown sub-format) and "Empty", an export with
//                      no data
//   marks/Bell.wav     the marked bell as a WAVE file of its own
//   marks/Ima.wav      "Ima" as a WAVE file of its own
//   spectro/Tones.kzs  "Tone" (1 kHz at half of full scale, 16-bit PCM, 22050 Hz)
//                      and "ToneIma" (the same as IMA ADPCM), for the
//                      spectrogram; "Wide" (6 channels, mask 0x60F, cue
//                      points at its first and last frames), "Surround"
//                      (6, mask 0x3F), "Six" (6, no mask) and "Quad" (4, mask
//                      0x3: two speakers named), for the lanes' names
//   damaged/Cut.kzs    a package cut off inside its export table
//   damaged/Short.kzs  the example's Ambient.kzs cut off after 100,000 bytes:
//                      inside the samples of "Birds", before "Bell"
//   many/Many.kzs      10,000 sounds of 4 KiB (the listing's speed)
//   big/Big.wav        300 MiB of 16-bit mono PCM (more than the page plays):
//                      a tone over its first and last 2,000,000 frames,
//                      silence between, left as a hole in the file
//   zip/Big.kzs        one sound of 1,900,000,000 bytes, all but its first
//                      and last MiB a hole in the file (the zip's memory)
//   zip/Shared.kzs     "Tiny", then "Big1", "Big2" and "Big3", three exports
//                      of the same 1.9 GB of bytes (as sparse), then "Last",
//                      which shares Tiny's: a zip of them passes 4 GiB
//   zip/Many.kzs       70,000 sounds of 46 bytes (more than a zip's classic
//                      count holds)
//   zip/expected.json  where the big sound's bytes lie in Big.kzs
//   expected.json      what the test looks for: the cue points and words
//                      (sample positions), the sounds and their facts, the
//                      ADPCM sounds' frames, the broadcast extension's fields
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
constexpr std::uint32_t kLoopStart = 11025, kLoopEnd = 22049;  // a sampler loop over the second half second

struct Span {
    std::string word;
    std::int32_t start, end;
};
const std::vector<Span> kWords = {{"ding", 2205, 8000}, {"dong", 8820, 20000}};

// "bext": its texts in fields of fixed width, NUL-padded, then the coding
// history of two lines.
const std::string kBextDescription = "Bell for the page", kBextReference = "WEB-0001";
constexpr std::uint32_t kBextTimeReference = 88200;
const std::string kCodingHistory = "A=PCM,F=22050,W=16,M=mono,T=example\r\nA=PCM,F=22050,W=16,M=mono,T=make_web_inputs\r\n";

std::string Fixed(const std::string& text, std::size_t width) { return text + std::string(width - text.size(), '\0'); }

std::string Bext() {
    return Chunk("bext", Fixed(kBextDescription, 256) + Fixed("make_web_inputs", 32) + Fixed(kBextReference, 32) +
                             "2026-12-09" + "17:45:00" + U32(kBextTimeReference) + U32(0) + U16(0) +
                             std::string(64 + 10 + 180, '\0') + kCodingHistory);
}

// The example's bell (its fmt and data chunks, behind the 12-byte RIFF
// header) with a broadcast extension, cue points, labels, a region, phoneme
// words, a title and a sampler loop.
std::string MarkedBell() {
    std::string chunks = TestSupport::ExampleWave("Bell").substr(12) + Bext();
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
    // "smpl": 36 fixed bytes (one loop counted), then the loop: id, type
    // forward, start, end, fraction, play count (0: for ever).
    const std::string sampler = U32(0) + U32(0) + U32(45351) + U32(60) + U32(0) + U32(0) + U32(0) + U32(1) + U32(0) +
                                U32(0) + U32(0) + U32(kLoopStart) + U32(kLoopEnd) + U32(0) + U32(0);
    return Riff(chunks + Cue(points) + List("adtl", adtl) + Phnm("ding dong", words) +
                List("INFO", Chunk("INAM", std::string("Marked bell") + '\0')) + Chunk("smpl", sampler));
}

// ADPCM sounds of half a second at 22050 Hz: the last block is padded, and
// the fact count says where the sound ends.
constexpr std::uint32_t kAdpcmRate = 22050, kAdpcmFrames = 11025;

// A "fmt " chunk of 4-bit ADPCM: every field given, then the extension.
std::string AdpcmFmt(std::uint16_t tag, std::uint16_t channels, std::uint16_t blockAlign, std::uint32_t framesPerBlock,
                     const std::string& extension) {
    return Chunk("fmt ", U16(tag) + U16(channels) + U32(kAdpcmRate) +
                             U32(static_cast<std::uint32_t>(std::uint64_t{kAdpcmRate} * blockAlign / framesPerBlock)) +
                             U16(blockAlign) + U16(4) + U16(static_cast<std::uint16_t>(extension.size())) + extension);
}

std::string Blocks(std::uint32_t framesPerBlock, const std::string& block) {
    std::string data;
    for (std::uint32_t frames = 0; frames < kAdpcmFrames; frames += framesPerBlock) data += block;
    return data;
}

// IMA ADPCM, stereo, blocks of 1024 bytes (1017 frames). Each channel's codes
// climb in threes -- a step and 1/8 (the step index up 2), then 3/8 twice
// (down 1 each) -- then fall the same way, so that the step stays where the
// header puts it and every block decodes to the same triangle wave: 24
// codes a period on the left, 36 on the right.
std::string ImaSound() {
    constexpr std::uint16_t kBlock = 1024;
    constexpr std::uint32_t kFrames = 1017;
    const int periods[2] = {4, 6};  // rises of three codes a half period
    std::string block = U16(static_cast<std::uint16_t>(-5600)) + '\x38' + '\0' +  // first sample, step index 56
                        U16(static_cast<std::uint16_t>(-5200)) + '\x32' + '\0';   // step index 50
    std::uint32_t code[2] = {0, 0};
    const auto next = [&](int c) {
        const std::uint32_t at = code[c]++ % (6 * periods[c]);
        const int magnitude = at % 3 == 0 ? 4 : 1;
        return at < 3u * periods[c] ? magnitude : magnitude | 8;
    };
    while (block.size() < kBlock) {
        for (int c = 0; c < 2; ++c) {
            for (int i = 0; i < 4; ++i) {
                const int low = next(c);
                block += static_cast<char>(low | next(c) << 4);
            }
        }
    }
    return Riff(AdpcmFmt(0x11, 2, kBlock, kFrames, U16(kFrames)) + Chunk("fact", U32(kAdpcmFrames)) +
                Chunk("data", Blocks(kFrames, block)));
}

// MS ADPCM, mono, blocks of 512 bytes (1012 frames), coefficient pair 0
// (each sample predicted by the one before): codes 4, 3, 4, 3, 3, 4, 3, 3 up,
// the same down, which keeps the delta near where the header puts it.
std::string MsAdpcmSound() {
    constexpr std::uint16_t kBlock = 512;
    constexpr std::uint32_t kFrames = 1012;
    std::string extension = U16(kFrames) + U16(7);
    for (const auto& [first, second] : {std::pair{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}}) {
        extension += U16(static_cast<std::uint16_t>(first)) + U16(static_cast<std::uint16_t>(second));
    }
    // Predictor 0, delta 300, samples 1 and 2.
    std::string block = '\0' + U16(300) + U16(static_cast<std::uint16_t>(-4500)) + U16(static_cast<std::uint16_t>(-4500));
    const int up[8] = {4, 3, 4, 3, 3, 4, 3, 3};
    for (int i = 0; block.size() < kBlock; i += 2) {
        const auto code = [&](int n) { return n % 16 < 8 ? up[n % 8] : 16 - up[n % 8]; };
        block += static_cast<char>(code(i) << 4 | code(i + 1));
    }
    return Riff(AdpcmFmt(0x02, 1, kBlock, kFrames, extension) + Chunk("fact", U32(kAdpcmFrames)) +
                Chunk("data", Blocks(kFrames, block)));
}

// A WAVE file of 16-bit mono PCM at 8000 Hz, `frames` long: a tone over its
// first and last `toneFrames`, and silence between that is never written
// (the file system keeps it as a hole, reading zeros).
void WriteToneEnds(const fs::path& path, std::uint32_t frames, std::uint32_t toneFrames) {
    fs::create_directories(path.parent_path());
    std::string tone;
    for (std::uint32_t i = 0; i < toneFrames; ++i) tone += U16(static_cast<std::uint16_t>(std::lround(20000 * std::sin(i * 0.05))));
    const std::uint32_t dataBytes = frames * 2;
    const std::string fmt = PcmFmt(1, 8000, 16);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << "RIFF" << U32(static_cast<std::uint32_t>(4 + fmt.size() + 8 + dataBytes)) << "WAVE" << fmt << "data" << U32(dataBytes) << tone;
    out.seekp(static_cast<std::streamoff>(12 + fmt.size() + 8 + dataBytes - tone.size()));
    out << tone;
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

// ---- the zip's inputs: packages far larger than the disk space they take --

constexpr std::int32_t kBigWave = 1'900'000'000;
constexpr std::size_t kBigEnds = 1 << 20;  // the bytes written at each end of the big sound

// A byte pattern of `size` that no run of zeros or shifted copy matches.
std::string Pattern(std::size_t size, unsigned seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 131 + seed + (i >> 9)) & 0xFF);
    return bytes;
}

// A package whose export `big` holds a sound of kBigWave bytes, of which only
// the header, the first and the last kBigEnds bytes are written: the rest
// is a hole. `share` lists the exports that point at the big sound's object,
// `tiny` those that point at export 0's. Returns where the WAVE bytes begin.
std::uint64_t WriteBigPackage(const fs::path& path, const std::vector<std::string>& share,
                              const std::vector<std::string>& tiny) {
    const std::string header = "RIFF" + U32(kBigWave - 8) + "WAVE" + PcmFmt(1, 44100, 16) + "data" + U32(kBigWave - 44);
    TestSupport::PackageBuilder b;
    b.CompactLength = 5;  // offsets set after the first build keep the tables' length
    const bool small = !tiny.empty();
    if (small) b.AddSound("Tiny", PcmWave(1, 8000, 16, 5));
    b.AddSound(share.empty() ? "Big" : "Big1", header + Pattern(kBigEnds, 1), {.waveSize = kBigWave});
    for (const auto* names : {&share, &tiny}) {
        for (const std::string& name : *names) {
            TestSupport::ExportEntry entry;
            entry.classRef = b.SoundClass();
            entry.objectName = b.Name(name);
            entry.dataSize = static_cast<std::int32_t>(b.Exports[names == &share ? small : 0].object.size());
            entry.dataOffset = 0;
            b.AddExport(entry);
        }
    }
    b.Build();
    const std::size_t bigAt = small ? 1 : 0;
    for (std::size_t i = bigAt + 1; i < b.Exports.size(); ++i) {
        b.Exports[i].dataOffset = static_cast<std::int32_t>(b.ObjectOffsets[i <= bigAt + share.size() ? bigAt : 0]);
    }
    b.Write(path);
    const std::uint64_t wave = b.ObjectOffsets[bigAt] + b.Exports[bigAt].object.size() - header.size() - kBigEnds;
    std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
    out.seekp(static_cast<std::streamoff>(wave + kBigWave - kBigEnds));
    const std::string tail = Pattern(kBigEnds, 2);
    out.write(tail.data(), static_cast<std::streamsize>(tail.size()));
    if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
    return wave;
}

void WriteZipInputs(const fs::path& folder) {
    fs::create_directories(folder);
    const std::uint64_t wave = WriteBigPackage(folder / "Big.kzs", {}, {});
    WriteBigPackage(folder / "Shared.kzs", {"Big2", "Big3"}, {"Last"});
    TestSupport::PackageBuilder many;
    const std::string small = PcmWave(1, 8000, 8, 2);
    char name[16];
    for (int i = 0; i < 70000; ++i) {
        std::snprintf(name, sizeof name, "Z%05d", i);
        many.AddSound(name, small);
    }
    many.Write(folder / "Many.kzs");
    WriteFile(folder / "expected.json", "{\"offset\": " + std::to_string(wave) + ", \"size\": " + std::to_string(kBigWave) +
                                            ", \"many\": 70000}\n");
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
        marked.AddSound("Adpcm", MsAdpcmSound());
        const std::string ima = ImaSound();
        marked.AddSound("Ima", ima);
        // GSM 6.10: blocks of 65 bytes, 320 frames each.
        marked.AddSound("Gsm", Riff(Chunk("fmt ", U16(0x31) + U16(1) + U32(8000) + U32(1625) + U16(65) + U16(0) + U16(2) +
                                                      U16(320)) +
                                    Chunk("fact", U32(20 * 320)) + Chunk("data", std::string(20 * 65, '\x5A'))));
        // Extensible, its sub-format GUID one byte off PCM's: nothing tells how to read its samples.
        std::string strange = ExtensibleFmt(1, 8000, 16, 4);
        strange.back() = '\x72';
        marked.AddSound("Strange", Riff(strange + Chunk("data", Samples(16, 1, 8000))));
        TestSupport::ExportEntry empty;
        empty.classRef = marked.SoundClass();
        empty.objectName = marked.Name("Empty");
        marked.AddExport(empty);
        marked.Write(folder / "marks" / "Marked.kzs");
        WriteFile(folder / "marks" / "Bell.wav", bell);
        WriteFile(folder / "marks" / "Ima.wav", ima);

        // ---- the spectrogram's tones and the lanes' names
        TestSupport::PackageBuilder tones;
        const std::vector<std::int16_t> tone = Sine16(22050, 1000, 0.5, 22050);
        tones.AddSound("Tone", Riff(PcmFmt(1, 22050, 16) + Chunk("data", Pcm16(tone))));
        tones.AddSound("ToneIma", Riff(ImaAdpcmFmt(1, 22050, 512) + Chunk("fact", U32(22050)) + Chunk("data", ImaAdpcm(1, 512, tone))));
        constexpr std::uint32_t kWideFrames = 4000;
        tones.AddSound("Wide", Riff(ExtensibleFmt(6, 8000, 16, 0x60F) + Chunk("data", Samples(16, 6, kWideFrames)) +
                                    Marks({{0, 0, "Start"}, {kWideFrames - 1, 0, "End"}})));
        tones.AddSound("Surround", Riff(ExtensibleFmt(6, 8000, 16, 0x3F) + Chunk("data", Samples(16, 6, 4000))));
        tones.AddSound("Six", PcmWave(6, 8000, 16, 4000));
        tones.AddSound("Quad", Riff(ExtensibleFmt(4, 8000, 16, 0x3) + Chunk("data", Samples(16, 4, 4000))));
        tones.Write(folder / "spectro" / "Tones.kzs");

        TestSupport::PackageBuilder cut;
        for (const char* name : {"One", "Two", "Three"}) cut.AddSound(name, PcmWave(1, 22050, 16, 100));
        cut.Order = {TestSupport::Section::Names, TestSupport::Section::Imports, TestSupport::Section::Objects,
                     TestSupport::Section::Exports};
        const std::string whole = cut.Build();
        WriteFile(folder / "damaged" / "Cut.kzs", whole.substr(0, whole.size() - 10));
        TestSupport::PackageBuilder ambient;
        ambient.Name("Ambient");
        for (const char* sound : {"Wind01", "Birds", "Bell"}) ambient.AddSound(sound, TestSupport::ExampleWave(sound));
        WriteFile(folder / "damaged" / "Short.kzs", ambient.Build().substr(0, 100000));

        // Names a file system refuses or that clash in letter case: the page's
        // zip must name them as Snd_Info's /x: does.
        TestSupport::PackageBuilder names;
        for (const char* name : {"Bell", "bell", "a/b", "CON", "x.", "100%"}) names.AddSound(name, PcmWave(1, 8000, 8, 10));
        names.Write(folder / "names" / "Names.kzs");
        // A name with markup, shown as text; 4004 frames at 8000 Hz are 500.5 ms,
        // which the listing rounds up to 0:00.501.
        TestSupport::PackageBuilder markup;
        markup.AddSound("<b>Tom &amp; Jerry", PcmWave(1, 8000, 8, 4004));
        markup.Write(folder / "names" / "Markup.kzs");

        TestSupport::PackageBuilder many;
        // 4 KiB each: 44 header bytes and 2026 16-bit frames.
        const std::string small = PcmWave(1, 22050, 16, 2026);
        char name[16];
        for (int i = 0; i < 10000; ++i) {
            std::snprintf(name, sizeof name, "S%05d", i);
            many.AddSound(name, small);
        }
        many.Write(folder / "many" / "Many.kzs");

        WriteToneEnds(folder / "big" / "Big.wav", 150u << 20, 2'000'000);
        WriteZipInputs(folder / "zip");

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
        expected += "],\n  \"loop\": {\"start\": " + std::to_string(kLoopStart) + ", \"end\": " + std::to_string(kLoopEnd) +
                    "},\n  \"frames\": {\"Adpcm\": " + std::to_string(kAdpcmFrames) +
                    ", \"Ima\": " + std::to_string(kAdpcmFrames) + "},\n  \"bext\": {\"Description\": " + Json(kBextDescription) +
                    ", \"Originator reference\": " + Json(kBextReference) +
                    ", \"Time reference\": " + std::to_string(kBextTimeReference) + "},\n  \"many\": 10000\n}\n";
        WriteFile(folder / "expected.json", expected);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_web_inputs: %s\n", e.what());
        return 1;
    }
    return 0;
}
