// Whole files: the header test, where an image ends, chunk order on save, pad
// bytes, round trips of ordinary files byte for byte, and header-only loads.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <vector>

#include "facts/Facts.h"
#include "facts/FactsText.h"
#include "kit/PackageBuilder.h"
#include "tests/common/AllocationProbe.h"
#include "tests/support/RunTool.h"
#include "tests/wave/WaveTestUtil.h"
#include "wave/ChunkIO.h"

namespace {

using namespace WaveBuilder;
using WaveTest::ChainIDs;
using WaveTest::Saved;

WAVE_File Load(const std::string& bytes) {
    std::istringstream in(bytes);
    WAVE_File wave;
    wave.LoadData(in);
    return wave;
}

TEST(WaveFile, RejectsAnythingButRiffWave) {
    const std::string chunks = PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Cue({});
    for (const std::string bad : {"RIFX", "riff", "RIF"}) {
        std::string bytes = Riff(chunks);
        bytes.replace(0, bad.size(), bad);
        if (bad.size() < 4) bytes = bad;
        WaveTest::CoutCapture cout;
        WAVE_File wave = Load(bytes);
        EXPECT_EQ(cout.Text(), "Not a valid WAVE file.\n");
        EXPECT_NE(wave.RiffID, kRiffID);
        EXPECT_EQ(wave.FirstChunk, nullptr);
        EXPECT_EQ(wave.DataChunk.ChunkSize, 0u);
    }
    std::string form = Riff(chunks);
    form[11] = 'X';
    WaveTest::CoutCapture cout;
    WAVE_File wave = Load(form);
    EXPECT_EQ(cout.Text(), "Not a valid WAVE file.\n");
    EXPECT_EQ(wave.FormType, LittleEndian::FourCC("WAVX"));
    EXPECT_EQ(wave.RiffSize, chunks.size() + 4);
    EXPECT_EQ(wave.FirstChunk, nullptr);
    // A caller's sink takes the message instead of standard output.
    std::vector<std::string> messages;
    std::istringstream in(form);
    WAVE_File quiet;
    quiet.LoadData(in, WaveLoad::Everything, [&messages](std::string_view m) { messages.emplace_back(m); });
    EXPECT_EQ(messages, std::vector<std::string>{"Not a valid WAVE file."});
    EXPECT_EQ(cout.Text(), "Not a valid WAVE file.\n");
}

TEST(WaveFile, SavesFmtFactDataThenTheRestInLoadOrder) {
    const std::string fmt = PcmFmt(2, 22050, 16);
    const std::string fact = Chunk("fact", U32(3));
    const std::string data = Chunk("data", Samples(16, 2, 3));
    const std::string list = List("adtl", Labl(1, "a"));
    const std::string cue = Cue({{1, 0}});
    const std::string top = Labl(2, "top") + Ltxt(3, 0, "rgn ", 0, 0, 0, 0);  // raw outside a list
    WAVE_File wave = Load(Riff(list + data + cue + fmt + top + fact));
    EXPECT_EQ(ChainIDs(wave.FirstChunk.get()), "LIST,cue ,labl,ltxt");
    EXPECT_NE(dynamic_cast<unknown_Chunk*>(wave.FirstChunk->GetNextChunk()->GetNextChunk()), nullptr);
    EXPECT_EQ(Saved(wave), Riff(fmt + fact + data + list + cue + top));
}

// The first "fmt ", "fact" and "data" are the model's; a later one is kept
// as stored, where it stood, and saved again: nothing is dropped.
TEST(WaveFile, LaterFmtFactAndDataAreKeptAsRawChunks) {
    const std::string fmt2 = FmtWithExtension(3, 2, 48000, 32, "");
    WAVE_File wave = Load(Riff(PcmFmt(1, 8000, 8) + Chunk("data", "first") + Chunk("fact", U32(9)) + fmt2 +
                               Chunk("fact", U32(7)) + Chunk("data", "second") + Cue({})));
    EXPECT_EQ(wave.FmtChunk.FormatTag, 1);
    EXPECT_EQ(wave.FactChunk.SampleCount, 9u);
    EXPECT_EQ(std::string(wave.DataChunk.ChunkData.begin(), wave.DataChunk.ChunkData.end()), "first");
    EXPECT_TRUE(wave.Found.Fmt && wave.Found.Fact && wave.Found.Data && !wave.Found.Ds64);
    EXPECT_EQ(Saved(wave), Riff(PcmFmt(1, 8000, 8) + Chunk("fact", U32(9)) + Chunk("data", "first") + fmt2 +
                                Chunk("fact", U32(7)) + Chunk("data", "second") + Cue({})));
}

TEST(WaveFile, MissingChunksAreSavedInTheirEmptyForm) {
    WAVE_File wave = Load(Riff(Chunk("data", "xy")));
    EXPECT_EQ(Saved(wave), Riff(Chunk("fmt ", std::string(18, '\0')) + Chunk("data", "xy")));

    WAVE_File none = Load(Riff(PcmFmt(1, 8000, 8)));
    EXPECT_EQ(Saved(none), Riff(PcmFmt(1, 8000, 8) + Header("data", 0)));
}

TEST(WaveFile, RiffSizeDecidesWhichChunksBelongNotWhereTheyEnd) {
    const std::string fmt = PcmFmt(1, 8000, 8);
    const std::string data = Chunk("data", "abcd");
    const std::string cue = Cue({});
    // Too small: the load ends at the first chunk that begins at or after the end.
    WAVE_File small = Load(Riff(static_cast<std::uint32_t>(4 + fmt.size() + data.size()), fmt + data + cue));
    EXPECT_EQ(small.FirstChunk, nullptr);
    EXPECT_EQ(small.DataChunk.ChunkSize, 4u);
    // A chunk that begins inside the image is read whole, up to the end of the
    // stored bytes: the RIFF size cuts no samples that are there.
    WAVE_File cut = Load(Riff(static_cast<std::uint32_t>(4 + fmt.size() + 10), fmt + data + cue));
    EXPECT_EQ(cut.DataChunk.ChunkSize, 4u);
    EXPECT_EQ(cut.FirstChunk, nullptr);
    const std::string samples = Samples(16, 1, 1000);
    const std::string whole = fmt + Chunk("data", samples);
    WAVE_File shortBy12 = Load(Riff(static_cast<std::uint32_t>(4 + whole.size() - 12), whole));
    EXPECT_EQ(std::string(shortBy12.DataChunk.ChunkData.begin(), shortBy12.DataChunk.ChunkData.end()), samples);
    EXPECT_EQ(Saved(shortBy12), Riff(whole));
    // Too large, by the 8 bytes some writers add, or unknown: up to the end of the stream.
    for (const std::uint32_t riffSize : {static_cast<std::uint32_t>(12 + fmt.size() + data.size() + cue.size()), 0xFFFFFFFFu}) {
        WAVE_File large = Load(Riff(riffSize, fmt + data + cue));
        EXPECT_EQ(ChainIDs(large.FirstChunk.get()), "cue ");
        EXPECT_EQ(Saved(large), Riff(fmt + data + cue));
    }
    // Below 4: not even the form type lies inside.
    WAVE_File tiny = Load(Riff(2, fmt + data));
    EXPECT_EQ(tiny.DataChunk.ChunkSize, 0u);
}

TEST(WaveFile, ReadsAnImageInsideALargerStreamUpToItsEnd) {
    const std::string image = Riff(PcmFmt(1, 8000, 8) + Chunk("data", "abc") + Cue({{9, 9}}));
    const std::string after = Chunk("junk", "not part of the image");
    std::istringstream in("package bytes before" + image + after);
    in.seekg(20);
    WAVE_File wave;
    wave.LoadData(in);
    EXPECT_EQ(ChainIDs(wave.FirstChunk.get()), "cue ");
    EXPECT_EQ(Saved(wave), image);
    EXPECT_EQ(WaveTest::Rest(in), after);

    // A data chunk claiming more than its image holds is read on to the end
    // of the stream (the bytes of a file), or of the view the caller bounds
    // the image with (the bytes of a sound inside a package).
    const std::string claims = Riff(PcmFmt(1, 8000, 8) + Header("data", 1000) + "abc");
    std::istringstream file(claims + after);
    WAVE_File toEnd;
    toEnd.LoadData(file);
    EXPECT_EQ(toEnd.DataChunk.ChunkSize, 3 + after.size());
    EXPECT_EQ(toEnd.DataChunk.ClaimedSize, 1000u);
    std::istringstream package("before" + claims + after);
    package.seekg(6);
    ChunkIO::BoundedInput sound(package.rdbuf(), claims.size());
    std::istream bytes(&sound);
    WAVE_File bounded;
    bounded.LoadData(bytes);
    EXPECT_EQ(bounded.DataChunk.ChunkSize, 3u);
    EXPECT_EQ(bounded.ImageBytes, claims.size() - 8);
    EXPECT_EQ(WaveTest::Rest(package), after);
}

TEST(WaveFile, PadBytesAreSkippedOnlyWhenTheyAreZero) {
    // An odd unknown chunk written with and without its pad byte.
    const std::string padded = Riff(Chunk("odd1", "abc") + Chunk("data", "x"));
    WAVE_File a = Load(padded);
    EXPECT_EQ(ChainIDs(a.FirstChunk.get()), "odd1");
    EXPECT_EQ(a.DataChunk.ChunkSize, 1u);
    WAVE_File b = Load(Riff(Header("odd1", 3) + "abc" + Chunk("data", "x")));
    EXPECT_EQ(ChainIDs(b.FirstChunk.get()), "odd1");
    EXPECT_EQ(b.DataChunk.ChunkSize, 1u);
    // The RIFF size written equals what follows it.
    const std::string saved = Saved(a);
    EXPECT_EQ(saved.substr(4, 4), U32(static_cast<std::uint32_t>(saved.size() - 8)));
    EXPECT_EQ(a.CalcSize(), saved.size());
}

TEST(WaveFile, OrdinaryFilesRoundTripByteForByte) {
    const std::string adtl = List("adtl", Labl(1, "start") + Labl(2, "odd!!!") + Ltxt(1, 100, "rgn ", 0, 9, 0, 1252));
    const std::string info = List("INFO", Chunk("INAM", std::string("Tone\0\0", 6)) + Chunk("ISFT", std::string("Tool\0\0", 6)));
    const std::string phnm = Phnm("hi you", {{"hi", 1, 2, 0.5f, 1.5f, {{"hh", 0x0266}, {"ay"}}}, {"you", 0, 0, 0, 0, {{"y", 0x006A}, {"uw", 0x0075}}}});
    const std::pair<const char*, std::string> files[] = {
        {"PCM 8-bit odd length", PcmWave(1, 11025, 8, 1001)},
        {"PCM 16-bit stereo", PcmWave(2, 44100, 16, 500)},
        {"PCM 24-bit", PcmWave(1, 48000, 24, 301)},
        {"PCM 32-bit", PcmWave(2, 96000, 32, 64)},
        {"extensible", Riff(ExtensibleFmt(2, 48000, 24, 3) + Chunk("fact", U32(100)) + Chunk("data", Samples(24, 2, 100)))},
        {"LIST INFO", Riff(PcmFmt(1, 8000, 16) + Chunk("data", Samples(16, 1, 50)) + info)},
        {"cue and labels", Riff(PcmFmt(1, 8000, 8) + Chunk("data", Samples(8, 1, 7)) + Cue({{1, 0}, {2, 4}}) + adtl)},
        {"phonemes", Riff(PcmFmt(1, 8000, 8) + Chunk("data", Samples(8, 1, 8)) + phnm)},
    };
    for (const auto& [what, bytes] : files) {
        SCOPED_TRACE(what);
        WAVE_File wave = Load(bytes);
        EXPECT_EQ(Saved(wave), bytes);
    }
}

// Odd chunks of every class, at top level and in lists, each in a file whose
// chunks stand in saved order. Stored with their pad bytes, the file comes
// back byte for byte; stored without them (as some writers leave them out),
// it comes back with them, every list and RIFF size counting them.
TEST(WaveFile, EveryOddChunkIsPaddedOnSave) {
    const std::string fmt = PcmFmt(1, 8000, 8);
    const std::string data = Chunk("data", "ab");
    const std::pair<const char*, std::string> cases[] = {
        {"data", fmt + Chunk("data", "abcde") + Cue({{1, 0}})},
        {"fmt with an odd extension", FmtWithExtension(0x55, 1, 8000, 0, "abc") + data},
        {"unknown", fmt + data + Chunk("junk", "xyz") + Chunk("next", "1")},
        {"phnm", fmt + data + Phnm("abc", {}) + Cue({{1, 0}})},
        {"labl", fmt + data + List("adtl", Labl(1, "ab") + Labl(2, "c"))},
        {"ltxt", fmt + data + List("adtl", Ltxt(1, 2, "rgn ", 0, 0, 0, 0, "odd") + Labl(2, "c"))},
        {"INFO texts", fmt + data + List("INFO", Chunk("IART", "abc") + Chunk("ICMT", "comment") + Chunk("ICRD", "2024"))},
        {"unknown in a list", fmt + data + List("adtl", Chunk("note", "odd") + Ltxt(1, 2, "rgn ", 0, 0, 0, 0))},
        {"odd everywhere", FmtWithExtension(0x55, 1, 8000, 0, "a") + Chunk("fact", U32(1)) + Chunk("data", "x") +
                               List("INFO", Chunk("INAM", "n") + Chunk("IART", "abc")) + Phnm("a", {}) + Chunk("junk", "j")},
    };
    for (const auto& [what, chunks] : cases) {
        SCOPED_TRACE(what);
        const std::string padded = Riff(chunks);
        const std::string unpadded = Riff(Unpadded(chunks));
        ASSERT_NE(padded, unpadded);
        WAVE_File fromPadded = Load(padded);
        EXPECT_EQ(Saved(fromPadded), padded);
        WAVE_File fromUnpadded = Load(unpadded);
        EXPECT_EQ(Saved(fromUnpadded), padded);
        EXPECT_EQ(fromUnpadded.CalcSize(), padded.size());
    }

    // Python's wave module: 8-bit mono, three frames; the odd data chunk has
    // no pad byte and the RIFF size (39) leaves it out.
    const std::string python = TestSupport::Bytes(
        {0x52, 0x49, 0x46, 0x46, 0x27, 0x00, 0x00, 0x00, 0x57, 0x41, 0x56, 0x45, 0x66, 0x6d, 0x74, 0x20,
         0x10, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x40, 0x1f, 0x00, 0x00, 0x40, 0x1f, 0x00, 0x00,
         0x01, 0x00, 0x08, 0x00, 0x64, 0x61, 0x74, 0x61, 0x03, 0x00, 0x00, 0x00, 0x80, 0x90, 0xa0});
    WAVE_File fromPython = Load(python);
    EXPECT_EQ(Saved(fromPython), Riff(fmt + Chunk("data", "\x80\x90\xA0")));
}

TEST(WaveFile, AMillionChunksLoadAndAreReleased) {
    // Each chunk a bare header; a list among them holds as many sub-chunks.
    constexpr int kChunks = 500000;
    std::string chunks;
    chunks.reserve(2 * kChunks * 8 + 64);
    for (int i = 0; i < kChunks; ++i) chunks += Header("tiny", 0);
    std::string sub;
    sub.reserve(kChunks * 8);
    for (int i = 0; i < kChunks; ++i) sub += Header("note", 0);
    chunks += List("adtl", sub);
    {
        WAVE_File wave = Load(Riff(chunks));
        int count = 0;
        for (const RIFF_Chunk* c = wave.FirstChunk.get(); c != nullptr; c = c->GetNextChunk()) ++count;
        EXPECT_EQ(count, kChunks + 1);
        EXPECT_EQ(wave.CalcSize(), 12 + 26 + 8 + chunks.size());  // with an empty fmt and data
    }
}

TEST(WaveFile, SizesClaimingGigabytesCostOnlyTheInput) {
    // 1 KiB of input whose sizes claim about 4 GiB each.
    std::string bytes = Riff(0xFFFFFFFF, PcmFmt(1, 8000, 8) + Header("data", 0xFFFFFFF0) + std::string(900, 'd'));
    ASSERT_LT(bytes.size(), 1024u);
    WAVE_File wave = Load(bytes);
    EXPECT_LE(wave.DataChunk.ChunkData.capacity(), 900u);

    for (const char* id : {"cue ", "LIST", "phnm", "junk"}) {
        WAVE_File other = Load(Riff(Header(id, 0xFFFFFFFF) + U32(0x7FFFFFFF) + std::string(900, '\x7F')));
        ASSERT_NE(other.FirstChunk, nullptr) << id;
        std::ostringstream out;
        other.SaveData(out);
        EXPECT_LT(out.str().size(), 2048u) << id;
    }
}

// A chunk too short for its class's fixed fields is kept as raw bytes, at top
// level and in a list, and comes back as stored; one just long enough is
// read into its class. Chunk headers lie on either side of the input
// buffer's edge, where looking at a size takes a seek.
TEST(WaveFile, ChunksTooShortForTheirClassStayRaw) {
    struct Case {
        const char* id;
        std::size_t fixed;  // the class's fixed fields
        bool inList;
    };
    const Case cases[] = {{"cue ", 4, false}, {"LIST", 4, false}, {"phnm", 8, false}, {"smpl", 36, false},
                          {"inst", 7, false}, {"labl", 4, true},  {"ltxt", 20, true}};
    const std::string head = PcmFmt(1, 8000, 8) + Chunk("data", Samples(8, 1, 4));
    TestSupport::TempDir dir;
    for (const Case& c : cases) {
        for (std::size_t size = 0; size <= c.fixed; ++size) {
            SCOPED_TRACE(std::string(c.id) + " of " + std::to_string(size) + " bytes");
            const std::string chunk = Chunk(c.id, std::string(size, '\x01'));
            const std::string bytes = Riff(head + (c.inList ? List("adtl", chunk) : chunk));
            WAVE_File wave = Load(bytes);
            const RIFF_Chunk* loaded = wave.FirstChunk.get();
            if (c.inList) loaded = dynamic_cast<const LIST_Chunk&>(*loaded).FirstSubChunk.get();
            ASSERT_NE(loaded, nullptr);
            EXPECT_EQ(loaded->Kind() == ChunkKind::Raw, size < c.fixed);
            if (size < c.fixed) {
                EXPECT_EQ(Saved(wave), bytes);
            }
        }
        // A size that claims the fixed fields where the list or file ends
        // first: what is there counts, and nothing is made up on saving.
        for (std::size_t held = 0; held < c.fixed; ++held) {
            SCOPED_TRACE(std::string(c.id) + " holding " + std::to_string(held) + " bytes");
            const std::string chunk = Header(c.id, static_cast<std::uint32_t>(c.fixed)) + std::string(held, '\x01');
            WAVE_File wave = Load(Riff(head + (c.inList ? List("adtl", chunk) : chunk)));
            const RIFF_Chunk* loaded = wave.FirstChunk.get();
            if (c.inList) loaded = dynamic_cast<const LIST_Chunk&>(*loaded).FirstSubChunk.get();
            ASSERT_NE(loaded, nullptr);
            EXPECT_EQ(loaded->Kind(), ChunkKind::Raw);
            // At most a pad byte the input lacked at its end.
            EXPECT_LE(Saved(wave).size(), Riff(head + (c.inList ? List("adtl", chunk) : chunk)).size() + 1);
        }
    }
    // Across the edge of a file stream's buffer (8 KiB here).
    for (std::size_t filler = 8140; filler < 8200; filler += 2) {
        const std::string bytes = Riff(head + Chunk("junk", std::string(filler, 'j')) + Chunk("cue ", "") +
                                       Chunk("cue ", U32(0)));
        TestSupport::WriteFile(dir.Path() / "edge.wav", bytes);
        std::ifstream in(dir.Path() / "edge.wav", std::ios::binary);
        WAVE_File wave;
        wave.LoadData(in);
        EXPECT_EQ(ChainIDs(wave.FirstChunk.get()), "junk,cue ,cue ") << filler;
        EXPECT_NE(dynamic_cast<const unknown_Chunk*>(wave.FirstChunk->GetNextChunk()), nullptr) << filler;
        EXPECT_NE(dynamic_cast<const cue_Chunk*>(wave.FirstChunk->GetNextChunk()->GetNextChunk()), nullptr) << filler;
        EXPECT_EQ(Saved(wave), bytes) << filler;
    }
}

// Files of nothing but the shortest chunks of a class cost at most 8 times
// their bytes.
TEST(WaveFile, ShortestChunksCostAtMostEightTimesTheirBytes) {
    for (const char* id : {"cue ", "LIST", "phnm", "junk", "labl", "ltxt"}) {
        SCOPED_TRACE(id);
        std::string chunks;
        for (int i = 0; i < 10000; ++i) chunks += Header(id, 0);
        const bool inList = std::string(id) == "labl" || std::string(id) == "ltxt";
        const std::string bytes = Riff(inList ? List("adtl", chunks) : chunks);
        TestSupport::AllocationProbe probe;
        WAVE_File wave = Load(bytes);
        EXPECT_LE(probe.PeakHeld(), 8 * bytes.size());
    }
}

// Loads and saves at the edges of what a file or a model may hold: what comes
// back is what the model can state, and nothing more than the input gives.
TEST(WaveFile, EdgesOfWhatAFileOrAModelHolds) {
    const std::string head = PcmFmt(1, 8000, 8) + Chunk("data", Samples(8, 1, 4));
    const std::string cue = Cue({{1, 0}});
    // 1 to 3 stray bytes, not zero, after the last chunk: no chunk, dropped.
    for (const std::string stray : {"\x7F", "ab", "xyz"}) {
        WAVE_File wave = Load(Riff(head + cue + stray));
        EXPECT_EQ(ChainIDs(wave.FirstChunk.get()), "cue ") << stray;
        EXPECT_EQ(Saved(wave), Riff(head + cue)) << stray;
    }
    // A failed stream: nothing read, nothing loaded, and a model that held
    // chunks before holds none of them after another load.
    WAVE_File wave = Load(Riff(head + Chunk("fact", U32(4)) + cue));
    std::istringstream failed(Riff(head));
    failed.setstate(std::ios::failbit);
    wave.LoadData(failed);
    EXPECT_NE(wave.RiffID, kRiffID);
    EXPECT_EQ(wave.FirstChunk, nullptr);
    EXPECT_EQ(wave.FactChunk.ChunkSize, 0u);
    std::istringstream other(Riff(head));
    wave = Load(Riff(head + Chunk("fact", U32(4)) + cue));
    wave.LoadData(other);
    EXPECT_EQ(wave.FirstChunk, nullptr);
    EXPECT_EQ(Saved(wave), Riff(head));

    // A PCM "fmt " carrying 2 extra bytes is saved with the 16 PCM has.
    const std::string pcm = PcmFmt(1, 8000, 8);
    WAVE_File extra = Load(Riff(Chunk("fmt ", pcm.substr(8) + "xy") + Chunk("data", Samples(8, 1, 4))));
    EXPECT_EQ(Saved(extra), Riff(head));
    // An extension longer than its 16-bit count can say is cut to 65535.
    extra.FmtChunk.FormatTag = 3;
    extra.FmtChunk.ExtraData.assign(70000, 'e');
    EXPECT_EQ(extra.FmtChunk.CalcSize(), 8u + 18u + 65535u + 1u);
    EXPECT_EQ(extra.FmtChunk.ExtraSize, 65535u);

    // Counts and sizes set in code below what their records need.
    Word_Block word;
    word.PhonemeCount = -1;
    word.MakePhonemes();
    EXPECT_TRUE(word.Phonemes.empty());
    labl_Chunk label;
    label.ChunkSize = 2;  // not even the cue id's 4 bytes
    std::ostringstream out;
    label.SaveData(out);
    EXPECT_EQ(out.str().size(), 8u + 4u);
}

// A model whose chunks add up to more than a RIFF size can state is not
// saved: no header that wrapped to a fraction of the file. Plain chunk
// objects carry their sizes without holding a body.
// RF64: the sizes stated as 0xFFFFFFFF are read from "ds64"; a file that
// fits a 32-bit RIFF size is saved as plain RIFF.
TEST(WaveFile, Rf64SizesComeFromDs64) {
    const std::string fmt = PcmFmt(1, 8000, 8);
    const std::string samples(1001, '\x80');
    const std::string note = Chunk("note", "n");
    WAVE_File wave = Load(Rf64(fmt, samples, note));
    EXPECT_EQ(wave.RiffID, kRf64ID);
    EXPECT_TRUE(wave.Found.Ds64);
    EXPECT_EQ(wave.DataChunk.ChunkData.size(), samples.size());
    EXPECT_EQ(wave.DataChunk.ClaimedSize, samples.size());
    ASSERT_NE(wave.FirstChunk, nullptr);
    EXPECT_EQ(wave.FirstChunk->ChunkID, LittleEndian::FourCC("note"));
    EXPECT_EQ(wave.ImageBytes, Rf64(fmt, samples, note).size() - 8);
    EXPECT_EQ(Saved(wave), Riff(fmt + Chunk("data", samples) + note));

    // A raw chunk's size from the table; a ds64 too short for its fields is
    // kept as raw bytes, and 0xFFFFFFFF then runs to the end of the image.
    const std::string big = Header("big ", 0xFFFFFFFF) + "abc" + std::string(1, '\0');
    std::string tabled = "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(4 + 48 + fmt.size() + 16 + 12, 4, 0, {{"big ", 3}}) +
                         fmt + Chunk("data", "abcd") + big;
    WAVE_File table = Load(tabled);
    ASSERT_NE(table.FirstChunk, nullptr);
    EXPECT_EQ(static_cast<unknown_Chunk&>(*table.FirstChunk).ChunkData.size(), 3u);
    WAVE_File shortDs64 = Load("RF64" + U32(0xFFFFFFFF) + "WAVE" + Chunk("ds64", U64(100)) + fmt + Header("data", 0xFFFFFFFF) + "xyz");
    EXPECT_FALSE(shortDs64.Found.Ds64);
    EXPECT_EQ(shortDs64.DataChunk.ChunkData.size(), 3u);
}

// A model a 32-bit RIFF size cannot state is saved as RF64: its header and
// "ds64" carry the 64-bit sizes. (Chunks that only claim large sizes stand
// for large bodies here, so that nothing large is held.)
TEST(WaveFile, TooLargeForARiffSizeIsSavedAsRf64) {
    struct Case {
        const char* name;
        std::vector<std::uint32_t> sizes;
        bool rf64;
    };
    const Case cases[] = {
        {"just under 4 GiB", {0xFFFFFF00}, false},
        {"a body of 4 GiB - 1 and its pad byte", {0xFFFFFFFF}, true},
        {"two bodies of 2 GiB", {0x80000000, 0x80000000}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WAVE_File wave;
        wave.FactChunk.ChunkSize = 4;
        wave.FactChunk.SampleCount = 77;
        ChainBuilder chain(wave.FirstChunk);
        std::uint64_t chunks = 0;
        for (const std::uint32_t size : c.sizes) {
            auto chunk = std::make_unique<RIFF_Chunk>();
            chunk->ChunkID = LittleEndian::FourCC("big ");
            chunk->ChunkSize = size;
            chain.Append(std::move(chunk));
            chunks += 8 + std::uint64_t{size} + (size & 1);
        }
        WAVE_File empty;
        empty.FactChunk.ChunkSize = 4;
        const std::uint64_t length = wave.CalcSize();
        EXPECT_EQ(wave.NeedsRf64(), c.rf64);
        EXPECT_EQ(length, empty.CalcSize() + chunks + (c.rf64 ? 36 : 0));
        std::ostringstream out;
        wave.SaveData(out);
        const std::string head = out.str().substr(0, 12 + 36);
        if (!c.rf64) {
            EXPECT_EQ(head.substr(0, 12), "RIFF" + U32(static_cast<std::uint32_t>(length - 8)) + "WAVE");
            continue;
        }
        EXPECT_EQ(head, "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(length - 8, 0, 77));
    }
}

// Hands out its bytes a window at a time and counts them; it seeks only when
// told it may, so a load that reads what it meant to skip shows in the count.
class CountingBuffer : public std::streambuf {
public:
    CountingBuffer(std::string bytes, bool seekable) : bytes_(std::move(bytes)), seekable_(seekable) {
        setg(bytes_.data(), bytes_.data(), bytes_.data());
    }
    std::size_t Delivered() const { return delivered_; }

protected:
    int_type underflow() override {
        char* const end = bytes_.data() + bytes_.size();
        if (gptr() == end) return traits_type::eof();
        char* const to = gptr() + std::min<std::ptrdiff_t>(kWindow, end - gptr());
        delivered_ += static_cast<std::size_t>(to - gptr());
        setg(gptr(), gptr(), to);
        return traits_type::to_int_type(*gptr());
    }
    pos_type seekoff(off_type off, std::ios::seekdir dir, std::ios::openmode) override {
        if (!seekable_) return pos_type(off_type(-1));
        const off_type from = dir == std::ios::beg   ? 0
                              : dir == std::ios::cur ? gptr() - bytes_.data()
                                                     : static_cast<off_type>(bytes_.size());
        const off_type to = from + off;
        if (to < 0 || to > static_cast<off_type>(bytes_.size())) return pos_type(off_type(-1));
        setg(bytes_.data() + to, bytes_.data() + to, bytes_.data() + to);
        return pos_type(to);
    }
    pos_type seekpos(pos_type pos, std::ios::openmode which) override {
        return seekoff(off_type(pos), std::ios::beg, which);
    }

private:
    static constexpr std::ptrdiff_t kWindow = 4096;
    std::string bytes_;
    bool seekable_;
    std::size_t delivered_ = 0;
};

std::string Print(WAVE_File& wave) {
    std::ostringstream out;
    FactsText::PrintWave(Facts::Describe(wave), "in.wav", out);
    return out.str();
}

// A header-only load gives the model a full load gives, chunk for chunk and
// size for size, without the samples; and it cannot be saved.
TEST(WaveFile, HeadersOnlyLoadsAllButTheSamples) {
    const std::string fmt = PcmFmt(2, 22050, 16);
    const std::string rest = Cue({{1, 2}}) + List("INFO", Chunk("IART", "abc")) + Phnm("hi", {{"hi"}});
    const struct {
        const char* what;
        std::string bytes;
        std::uint32_t claimed;
        std::uint64_t stored;
    } cases[] = {
        {"odd sizes, padded", Riff(fmt + Chunk("data", "abcde") + rest), 5, 5},
        {"odd sizes, no pads", Riff(Unpadded(fmt + Chunk("data", "abcde") + rest)), 5, 5},
        {"RIFF size 12 short", Riff(4 + 24 + 12, fmt + Chunk("data", "abcdefghijklmnop")), 16, 16},
        {"data claims more", Riff(0xFFFFFFFF, fmt + Header("data", 1000) + "abc"), 1000, 3},
        {"data last, cut short", Riff(fmt + Header("data", 20) + "ab"), 20, 2},
        {"no data chunk", Riff(fmt + rest), 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        WAVE_File full = Load(c.bytes);
        std::istringstream in(c.bytes);
        WAVE_File headers;
        headers.LoadData(in, WaveLoad::HeadersOnly);
        EXPECT_EQ(headers.LoadMode, WaveLoad::HeadersOnly);
        EXPECT_TRUE(headers.DataChunk.ChunkData.empty());
        EXPECT_EQ(headers.DataChunk.ClaimedSize, c.claimed);
        EXPECT_EQ(headers.DataChunk.StoredBytes, c.stored);
        EXPECT_EQ(full.DataChunk.StoredBytes, c.stored);
        EXPECT_EQ(headers.ImageBytes, c.bytes.size() - 8);
        EXPECT_EQ(full.ImageBytes, c.bytes.size() - 8);
        EXPECT_EQ(headers.RiffSize, full.RiffSize);
        EXPECT_EQ(Print(headers), Print(full));  // every chunk, size and field
        EXPECT_EQ(headers.DataChunk.ClaimedSize, c.claimed);  // CalcSize leaves it
        EXPECT_EQ(headers.CalcSize(), full.CalcSize());

        std::ostringstream out;
        headers.SaveData(out);
        EXPECT_TRUE(out.fail());
        EXPECT_EQ(out.str(), "");
        // With the input to copy the samples from, it saves what a whole
        // model saves, at any offset of the input.
        std::istringstream source("prefix" + c.bytes);
        source.seekg(6);
        WAVE_File offset;
        offset.LoadData(source, WaveLoad::HeadersOnly);
        std::ostringstream copied;
        offset.SaveData(copied, source);
        EXPECT_FALSE(copied.fail());
        EXPECT_EQ(copied.str(), Saved(full));
        // An input that holds fewer samples than when it was loaded fails
        // both streams: the copy is not whole.
        if (c.stored > 0) {
            std::istringstream cut(("prefix" + c.bytes).substr(0, *offset.DataChunk.SourceOffset + c.stored - 1));
            std::ostringstream partial;
            offset.SaveData(partial, cut);
            EXPECT_TRUE(partial.fail());
            EXPECT_TRUE(cut.fail());
        }
    }
}

// A summary reads the members and stops once the frames can be counted:
// where it leaves the stream, whether the format's fixed fields were there.
// Other chunks are stepped over, never made, and the model is not saved.
TEST(WaveFile, SummaryStopsOnceTheFramesCanBeCounted) {
    const std::string pcm = PcmFmt(2, 8000, 16), data = Chunk("data", std::string(40, 'p'));
    const std::string ima = Chunk("fmt ", U16(0x11) + U16(1) + U32(8000) + U32(4055) + U16(36) + U16(4) + U16(2) + U16(65));
    const std::string blocks = Chunk("data", std::string(72, 'a')), fact = Chunk("fact", U32(100)), cue = Cue({{1, 2}});
    const struct {
        const char* what;
        std::string chunks;
        std::size_t left;  // where the stream is left, past the RIFF header
        bool fmtFields;
    } cases[] = {
        {"one frame a block: at the first sample", pcm + data + cue, pcm.size() + 8, true},
        {"data before fmt: after fmt", data + pcm + cue, data.size() + pcm.size(), true},
        {"blocks: after the fact", ima + blocks + fact + cue, ima.size() + blocks.size() + fact.size(), true},
        {"blocks, no fact: the image's end", ima + blocks + cue, ima.size() + blocks.size() + cue.size(), true},
        {"an empty fact stays the file's", ima + Chunk("fact", "") + blocks + fact, ima.size() + 8 + blocks.size() + fact.size(), true},
        {"fmt cut inside its fixed fields", Header("fmt ", 16) + std::string(15, 'f'), 23, false},
        {"fmt claims 14, all there", Chunk("fmt ", std::string(14, 'f')) + data, 22 + data.size(), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream in(Riff(c.chunks));
        WAVE_File wave;
        wave.LoadData(in, WaveLoad::Summary);
        EXPECT_EQ(static_cast<std::size_t>(in.tellg()), 12 + c.left);
        EXPECT_EQ(wave.Found.FmtFields, c.fmtFields);
        EXPECT_TRUE(wave.Found.Fmt);
        EXPECT_EQ(wave.FirstChunk, nullptr);
        std::ostringstream out;
        wave.SaveData(out, [](std::ostream&) { return true; });
        EXPECT_TRUE(out.fail());
    }
}

TEST(WaveFile, HeadersOnlyStepsOverTheSamplesWhereverTheyLie) {
    const std::string samples(1 << 20, 's');
    const std::string bytes = Riff(PcmFmt(1, 8000, 8) + Chunk("data", samples) + Cue({{1, 2}}));
    for (const bool seekable : {true, false}) {
        SCOPED_TRACE(seekable ? "seekable" : "cannot seek");
        CountingBuffer buffer(bytes, seekable);
        std::istream in(&buffer);
        WAVE_File wave;
        wave.LoadData(in, WaveLoad::HeadersOnly);
        EXPECT_EQ(wave.DataChunk.StoredBytes, samples.size());
        EXPECT_EQ(wave.DataChunk.ChunkData.capacity(), 0u);
        EXPECT_EQ(ChainIDs(wave.FirstChunk.get()), "cue ");
        EXPECT_EQ(wave.ImageBytes, bytes.size() - 8);
        // Seeking, the samples are not even read; a pipe has to read them.
        if (seekable) {
            EXPECT_LT(buffer.Delivered(), 16u * 1024);
        } else {
            EXPECT_EQ(buffer.Delivered(), bytes.size());
        }
    }
}

}  // namespace
