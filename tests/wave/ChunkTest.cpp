// The chunk classes one by one: load, size and save from stored bytes, and
// what they make of damaged bodies. Every loader must leave the stream right
// after its chunk, so most cases put "NEXT" behind the chunk and check it.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>

#include "tests/wave/WaveTestUtil.h"
#include "wave/ChunkIO.h"

namespace {

using namespace WaveBuilder;
using WaveTest::AfterID;
using WaveTest::Rest;
using WaveTest::Saved;

const std::string kNext = "NEXT";

TEST(UnknownChunk, KeepsItsBytes) {
    auto in = AfterID(Chunk("abcd", "xyz") + kNext);  // odd body, pad byte stored
    unknown_Chunk chunk(LittleEndian::FourCC("abcd"), in);
    EXPECT_EQ(std::string(chunk.ChunkData.begin(), chunk.ChunkData.end()), "xyz");
    EXPECT_EQ(Rest(in), kNext);
    EXPECT_EQ(chunk.CalcSize(), 12u);
    EXPECT_EQ(Saved(chunk), Chunk("abcd", "xyz"));

    auto empty = AfterID(Header("zero", 0));
    unknown_Chunk none(LittleEndian::FourCC("zero"), empty);
    EXPECT_EQ(Saved(none), Header("zero", 0));
}

TEST(RawBodies, HoldOnlyTheBytesPresent) {
    // A size of nearly 4 GiB with five bytes behind it costs five bytes.
    auto in = AfterID(Header("junk", 0xFFFFFFF0) + "12345");
    unknown_Chunk unknown(LittleEndian::FourCC("junk"), in);
    EXPECT_EQ(unknown.ChunkSize, 5u);
    EXPECT_LE(unknown.ChunkData.capacity(), 5u);

    auto dataIn = AfterID(Header("data", 0xFFFFFFFF) + "abc");
    data_Chunk data;
    data.LoadData(dataIn);
    EXPECT_EQ(data.ChunkSize, 3u);
    EXPECT_LE(data.ChunkData.capacity(), 3u);
    EXPECT_EQ(Saved(data), Header("data", 3) + "abc" + '\0');
}

TEST(DataChunk, OddBodyIsSavedWithPadCountedInLength) {
    auto in = AfterID(Chunk("data", "12345") + kNext);
    data_Chunk data;
    data.LoadData(in);
    EXPECT_EQ(Rest(in), kNext);
    EXPECT_EQ(data.CalcSize(), 14u);
    EXPECT_EQ(data.ChunkSize, 5u);
    EXPECT_EQ(Saved(data), Chunk("data", "12345"));

    data_Chunk empty;
    EXPECT_EQ(Saved(empty), Header("data", 0));
}

TEST(FmtChunk, LoadsSizesAndSavesEachForm) {
    struct Case {
        std::string stored;
        std::uint32_t calcSize;
    };
    const Case cases[] = {
        {PcmFmt(2, 44100, 16), 24},
        {FmtWithExtension(3, 1, 48000, 32, ""), 26},
        {ExtensibleFmt(6, 48000, 24, 0x3F), 48},
        {FmtWithExtension(0x55, 1, 8000, 0, "abc"), 30},  // odd: padded
    };
    for (const auto& c : cases) {
        auto in = AfterID(c.stored + kNext);
        fmt_Chunk fmt;
        fmt.LoadData(in);
        EXPECT_EQ(Rest(in), kNext);
        EXPECT_EQ(fmt.CalcSize(), c.calcSize);
        EXPECT_EQ(Saved(fmt), c.stored);
    }
}

TEST(FmtChunk, ReadsOnlyItsOwnBody) {
    // PCM with an 18-byte body: the 2 trailing bytes are stepped over.
    auto pcm18 = AfterID(Header("fmt ", 18) + PcmFmt(1, 8000, 8).substr(8) + U16(0) + kNext);
    fmt_Chunk a;
    a.LoadData(pcm18);
    EXPECT_EQ(Rest(pcm18), kNext);
    EXPECT_EQ(Saved(a), PcmFmt(1, 8000, 8));

    // A non-PCM tag with a 16-byte body: no ExtraSize is taken from the next chunk.
    auto short16 = AfterID(Header("fmt ", 16) + FmtWithExtension(3, 1, 8000, 32, "").substr(8, 16) + kNext);
    fmt_Chunk b;
    b.LoadData(short16);
    EXPECT_EQ(b.ExtraSize, 0);
    EXPECT_EQ(Rest(short16), kNext);
    EXPECT_EQ(Saved(b), FmtWithExtension(3, 1, 8000, 32, ""));
}

TEST(FmtChunk, ExtensionCutShortKeepsWhatIsThere) {
    auto in = AfterID(Header("fmt ", 20) + U16(2) + std::string(14, '\1') + U16(100) + "xy" + kNext);
    fmt_Chunk fmt;
    fmt.LoadData(in);
    EXPECT_EQ(fmt.ExtraSize, 2);
    EXPECT_EQ(std::string(fmt.ExtraData.begin(), fmt.ExtraData.end()), "xy");
    EXPECT_EQ(Rest(in), kNext);
    EXPECT_EQ(fmt.CalcSize(), 28u);
}

TEST(FactChunk, IsSavedWithItsFourByteBody) {
    auto in = AfterID(Header("fact", 8) + U32(1234) + U32(99) + kNext);
    fact_Chunk fact;
    fact.LoadData(in);
    EXPECT_EQ(fact.SampleCount, 1234u);
    EXPECT_EQ(Rest(in), kNext);
    EXPECT_EQ(Saved(fact), Chunk("fact", U32(1234)));

    auto absent = AfterID(Header("fact", 0) + kNext);
    fact_Chunk none;
    none.LoadData(absent);
    EXPECT_EQ(Rest(absent), kNext);
    EXPECT_EQ(none.CalcSize(), 0u);
    EXPECT_EQ(Saved(none), "");
}

TEST(CueChunk, SizesFollowTheRecords) {
    auto empty = AfterID(Cue({}));
    cue_Chunk none(empty);
    EXPECT_EQ(none.CalcSize(), 12u);

    const std::string three = Cue({{1, 100, "data", 0, 0, 100}, {2, 200}, {3, 300, "slnt", 4, 5, 6}});
    auto in = AfterID(three + kNext);
    cue_Chunk cue(in);
    EXPECT_EQ(Rest(in), kNext);
    ASSERT_EQ(cue.CuePointCount, 3u);
    EXPECT_EQ(cue.CuePoints[2].DataChunkID, LittleEndian::FourCC("slnt"));
    EXPECT_EQ(cue.CalcSize(), 84u);
    EXPECT_EQ(cue.ChunkSize, 76u);
    EXPECT_EQ(Saved(cue), three);
}

TEST(CueChunk, HoldsOnlyTheRecordsThatFit) {
    // Count 1000 in a body of 4 + 2.5 records.
    const std::string records = Cue({{7, 70}, {8, 80}}).substr(12);
    auto in = AfterID(Header("cue ", 4 + 60) + U32(1000) + records + std::string(12, 'r') + kNext);
    cue_Chunk cue(in);
    EXPECT_EQ(cue.CuePointCount, 2u);
    EXPECT_EQ(cue.CuePoints[1].Position, 80u);
    EXPECT_EQ(Rest(in), kNext);
    EXPECT_EQ(Saved(cue), Cue({{7, 70}, {8, 80}}));
}

// Loops are read in stored order, those the body holds; a count the body
// does not bear out and the sampler's own data come back as stored, and an
// added loop is counted.
TEST(SamplerChunk, LoopsAreEditableAndTheRestComesBackAsStored) {
    const auto loop = [](std::uint32_t id, std::uint32_t start) {
        return U32(id) + U32(1) + U32(start) + U32(start + 100) + U32(0) + U32(3);
    };
    const auto head = [](std::uint32_t loops, std::uint32_t dataSize) {
        return U32(71) + U32(72) + U32(22675) + U32(60) + U32(5) + U32(25) + U32(7) + U32(loops) + U32(dataSize);
    };
    const struct Case {
        std::string body;
        std::size_t loops;
        std::uint32_t firstStart;
    } cases[] = {
        {head(0, 0), 0, 0},
        {head(2, 3) + loop(1, 10) + loop(2, 20) + "abc", 2, 10},
        {head(3, 0) + loop(9, 90) + "half a loop", 1, 90},  // counts 3, holds 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.body.size());
        auto in = AfterID(Chunk("smpl", c.body) + kNext);
        smpl_Chunk smpl;
        smpl.LoadData(in);
        EXPECT_EQ(Rest(in), kNext);
        EXPECT_EQ(smpl.SamplePeriod, 22675u);
        EXPECT_EQ(smpl.UnityNote, 60u);
        EXPECT_EQ(smpl.SmpteOffset, 7u);
        ASSERT_EQ(smpl.Loops.size(), c.loops);
        if (c.loops > 0) {
            EXPECT_EQ(smpl.Loops[0].Start, c.firstStart);
        }
        EXPECT_EQ(smpl.HeldBytes(), c.body.size());
        EXPECT_EQ(Saved(smpl), Chunk("smpl", c.body));
        const std::uint32_t count = smpl.LoopCount;
        smpl.Loops.push_back({4, 2, 400, 500, 0, 0});
        smpl.CalcSize();
        EXPECT_EQ(smpl.LoopCount, count + 1);
        EXPECT_EQ(smpl.ChunkSize, c.body.size() + SampleLoop::kStoredSize);
    }
    smpl_Chunk made;
    made.Loops.push_back({1, 0, 10, 20, 0, 0});
    EXPECT_EQ(Saved(made), Chunk("smpl", std::string(28, '\0') + U32(1) + U32(0) + U32(1) + U32(0) + U32(10) + U32(20) +
                                              U32(0) + U32(0)));

    const std::string inst = std::string("\x3C\xF6\xFD\x00\x7F\x01\x7F", 7);
    auto instIn = AfterID(Chunk("inst", inst) + kNext);
    inst_Chunk instrument;
    instrument.LoadData(instIn);
    EXPECT_EQ(Rest(instIn), kNext);
    EXPECT_EQ(int{instrument.FineTune}, -10);
    EXPECT_EQ(int{instrument.Gain}, -3);
    EXPECT_EQ(int{instrument.HighVelocity}, 127);
    EXPECT_EQ(Saved(instrument), Chunk("inst", inst));  // 7 bytes and a pad byte
    inst_Chunk madeInst;
    EXPECT_EQ(Saved(madeInst), Chunk("inst", std::string(7, '\0')));
}

TEST(ListChunk, TypesLabelsAndTextsAndKeepsTheRest) {
    const std::string other = Chunk("note", "odd");
    const std::string stored = List("adtl", Labl(1, "intro") + Ltxt(1, 4410, "rgn ", 1, 2, 3, 4) + other);
    auto in = AfterID(stored + kNext);
    LIST_Chunk list(in);
    EXPECT_EQ(Rest(in), kNext);
    EXPECT_EQ(list.ListType, kAdtlID);
    EXPECT_EQ(WaveTest::ChainIDs(list.FirstSubChunk.get()), "labl,ltxt,note");
    auto* label = dynamic_cast<labl_Chunk*>(list.FirstSubChunk.get());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Text, std::string("intro") + '\0');
    auto* text = dynamic_cast<ltxt_Chunk*>(label->GetNextChunk());
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->SampleLength, 4410u);
    EXPECT_EQ(text->CodePage, 4);
    ASSERT_NE(dynamic_cast<unknown_Chunk*>(text->GetNextChunk()), nullptr);
    EXPECT_EQ(Saved(list), stored);

    const std::string info = List("INFO", Chunk("INAM", std::string("Name\0", 6)) + Chunk("ISFT", "Tool"));
    auto infoIn = AfterID(info);
    LIST_Chunk infoList(infoIn);
    EXPECT_EQ(infoList.ListType, LittleEndian::FourCC("INFO"));
    EXPECT_EQ(Saved(infoList), info);

    auto bare = AfterID(Header("LIST", 4) + "adtl");
    LIST_Chunk typeOnly(bare);
    EXPECT_EQ(typeOnly.FirstSubChunk, nullptr);
    EXPECT_EQ(Saved(typeOnly).size(), 12u);
}

TEST(ListChunk, SubChunksStayInsideTheList) {
    // The label claims 100 bytes but the list has 10 left: it holds those,
    // and the chunk after the list is read from the right place.
    const std::string body = "adtl" + Header("labl", 100) + U32(9) + "abcdef";
    auto in = AfterID(Header("LIST", static_cast<std::uint32_t>(body.size())) + body + kNext);
    LIST_Chunk list(in);
    EXPECT_EQ(Rest(in), kNext);
    auto* label = dynamic_cast<labl_Chunk*>(list.FirstSubChunk.get());
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->CueID, 9u);
    EXPECT_EQ(label->Text, std::string("abcdef") + '\0');
    EXPECT_EQ(label->GetNextChunk(), nullptr);

    // A size that a 32-bit end position would wrap: up to the end of what is there.
    auto wide = AfterID(Header("LIST", 0xFFFFFFFF) + "adtl" + Labl(5, "x"));
    LIST_Chunk open(wide);
    EXPECT_EQ(WaveTest::ChainIDs(open.FirstSubChunk.get()), "labl");

    // "cue " and "LIST" inside a list are raw.
    auto nested = AfterID(List("adtl", Cue({}) + List("adtl", "")));
    LIST_Chunk outer(nested);
    EXPECT_NE(dynamic_cast<unknown_Chunk*>(outer.FirstSubChunk.get()), nullptr);
    EXPECT_NE(dynamic_cast<unknown_Chunk*>(outer.FirstSubChunk->GetNextChunk()), nullptr);
}

TEST(LablChunk, PadsOddSizesAndRealignsEitherWay) {
    auto five = AfterID(Labl(1, "hello"));
    labl_Chunk even(five);
    EXPECT_EQ(even.CalcSize(), 18u);
    EXPECT_EQ(even.ChunkSize, 10u);
    EXPECT_EQ(Saved(even), Labl(1, "hello"));

    const std::string stored = Labl(2, "hello!");  // size 11 and a pad byte
    auto six = AfterID(stored + kNext);
    labl_Chunk odd(six);
    EXPECT_EQ(Rest(six), kNext);
    EXPECT_EQ(odd.CalcSize(), 20u);
    EXPECT_EQ(Saved(odd), stored);

    // Written without its pad byte, the next identifier still comes out right.
    auto unpadded = AfterID(stored.substr(0, 19) + kNext);
    labl_Chunk tight(unpadded);
    EXPECT_EQ(Rest(unpadded), kNext);
}

TEST(LablChunk, TextIsCutAtItsNulAndAlwaysHasOne) {
    auto tail = AfterID(Chunk("labl", U32(3) + std::string("ab\0junk", 7)));
    labl_Chunk cut(tail);
    EXPECT_EQ(Saved(cut), Labl(3, "ab"));

    auto noNul = AfterID(Chunk("labl", U32(4) + "abc"));
    labl_Chunk added(noNul);
    EXPECT_EQ(added.Text, std::string("abc") + '\0');
    EXPECT_EQ(Saved(added), Labl(4, "abc"));

    auto tiny = AfterID(Header("labl", 2) + "xy" + kNext);
    labl_Chunk empty(tiny);
    EXPECT_EQ(empty.Text, std::string(1, '\0'));
    EXPECT_EQ(Rest(tiny), kNext);
    EXPECT_EQ(empty.CalcSize(), 14u);
}

TEST(LtxtChunk, KeepsItsText) {
    const std::string plain = Ltxt(1, 2, "rgn ", 3, 4, 5, 6);
    auto in = AfterID(plain);
    ltxt_Chunk fixed(in);
    EXPECT_EQ(fixed.Purpose, LittleEndian::FourCC("rgn "));
    EXPECT_EQ(Saved(fixed), plain);

    const std::string withText = Ltxt(1, 2, "rgn ", 3, 4, 5, 6, std::string("hello\0", 6));
    auto textIn = AfterID(withText + kNext);
    ltxt_Chunk text(textIn);
    EXPECT_EQ(Rest(textIn), kNext);
    EXPECT_EQ(text.CalcSize(), 34u);
    EXPECT_EQ(Saved(text), withText);
}

// Counts releases, to see that a chain releases each chunk exactly once.
int released = 0;
struct Counted : unknown_Chunk {
    Counted() : unknown_Chunk(LittleEndian::FourCC("cntd")) {}
    ~Counted() override { ++released; }
};

TEST(ChunkChain, ReleasesEveryChunkOnceAndHandsBackWhatItReplaces) {
    released = 0;
    {
        auto head = std::make_unique<Counted>();
        ChainBuilder chain(head->NextChunk);
        auto list = std::make_unique<LIST_Chunk>();
        ChainBuilder sub(list->FirstSubChunk);
        for (int i = 0; i < 3; ++i) sub.Append(std::make_unique<Counted>());
        chain.Append(std::move(list));
        for (int i = 0; i < 4; ++i) chain.Append(std::make_unique<Counted>());
        EXPECT_EQ(WaveTest::ChainIDs(head.get()), "cntd,LIST,cntd,cntd,cntd,cntd");

        auto replaced = head->SetNextChunk(std::make_unique<Counted>());
        EXPECT_EQ(WaveTest::ChainIDs(replaced.get()), "LIST,cntd,cntd,cntd,cntd");
        EXPECT_EQ(released, 0);
    }
    EXPECT_EQ(released, 1 + 1 + 3 + 4);
}

// A stream that cannot seek, so no loader can know how much it holds.
class PipeBuffer : public std::streambuf {
public:
    explicit PipeBuffer(std::string bytes) : bytes_(std::move(bytes)) {
        setg(bytes_.data(), bytes_.data(), bytes_.data() + bytes_.size());
    }

private:
    std::string bytes_;
};

TEST(ChunkLoaders, WorkOnStreamsThatCannotSeek) {
    // Sizes claim far more than the stream holds, and it cannot tell its length:
    // buffers grow with what arrives, never with what is claimed.
    const std::string samples(100000, 's');
    PipeBuffer filePipe(Riff(0xFFFFFFFF, PcmFmt(1, 8000, 8) + Cue({{1, 2}}) + Header("data", 0xFFFFFFFF) + samples));
    std::istream file(&filePipe);
    WAVE_File wave;
    wave.LoadData(file);
    EXPECT_EQ(wave.FmtChunk.SamplesPerSec, 8000u);
    EXPECT_EQ(WaveTest::ChainIDs(wave.FirstChunk.get()), "cue ");
    EXPECT_EQ(wave.DataChunk.ChunkSize, samples.size());
    EXPECT_LE(wave.DataChunk.ChunkData.capacity(), 2 * samples.size());

    PipeBuffer cuePipe(U32(0xFFFFFF00) + U32(0x7FFFFFFF) + Cue({{3, 4}, {5, 6}}).substr(12) + "rest");
    std::istream cueIn(&cuePipe);
    cue_Chunk cue(cueIn);
    EXPECT_EQ(cue.CuePointCount, 2u);
    EXPECT_EQ(cue.CuePoints[1].Position, 6u);

    PipeBuffer phnmPipe(U32(0xFFFFFF00) + U32(0x7FFFFFFF));
    std::istream phnmIn(&phnmPipe);
    phnm_Chunk phnm(phnmIn);
    EXPECT_EQ(phnm.TextSize, 0);
    EXPECT_EQ(phnm.WordCount, 0);
}

TEST(DataChunk, EveryLoadCountsTheBodyAlike) {
    // A headers-only load steps over the body; a load that stops there leaves
    // the input at the body where the input knows its length, and steps over
    // it where it does not. All count what a full load holds.
    struct Case {
        std::string bytes;
        std::uint64_t largeSize;
        std::uint32_t stored;
    };
    const Case cases[] = {
        {Chunk("data", "1234") + kNext, kSizeElsewhere, 4},
        {Chunk("data", "12345") + kNext, kSizeElsewhere, 5},          // padded
        {Header("data", 9) + "12345", kSizeElsewhere, 5},             // cut short
        {Header("data", 0xFFFFFFFF) + "123456" + kNext, 6, 6},        // size from ds64
        {Header("data", 0xFFFFFFFF) + "12" , kSizeElsewhere, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes);
        const std::string afterHeader = c.bytes.substr(8);
        data_Chunk full, header, stop, piped;
        auto fullIn = AfterID(c.bytes);
        full.LoadData(fullIn, c.largeSize);
        auto headerIn = AfterID(c.bytes);
        header.LoadHeaderOnly(headerIn, c.largeSize);
        auto stopIn = AfterID(c.bytes);
        stop.LoadHeaderAndStop(stopIn, c.largeSize);
        PipeBuffer pipe(c.bytes.substr(4));
        std::istream pipeIn(&pipe);
        piped.LoadHeaderAndStop(pipeIn, c.largeSize);
        for (const data_Chunk* chunk : {&full, &header, &stop, &piped}) {
            EXPECT_EQ(chunk->StoredBytes, c.stored);
            EXPECT_EQ(chunk->ChunkSize, c.stored);
        }
        EXPECT_EQ(full.ChunkData.size(), c.stored);
        EXPECT_TRUE(header.BodySkipped && stop.BodySkipped && piped.BodySkipped && !full.BodySkipped);
        EXPECT_EQ(stop.SourceOffset, std::optional<std::uint64_t>(4));
        EXPECT_EQ(Rest(stopIn), afterHeader);
        const std::string after = c.bytes.size() >= kNext.size() && c.bytes.ends_with(kNext) ? kNext : "";
        EXPECT_EQ(Rest(headerIn), after);
        EXPECT_EQ(Rest(pipeIn), after);
    }
}

TEST(BoundedInput, AMeasuredViewTakesTheCallersCount) {
    // A source that cannot tell its length: the caller's count bounds the view,
    // which knows exactly what it holds, and a view of it inherits that.
    PipeBuffer pipe("0123456789");
    ChunkIO::BoundedInput view(&pipe, ChunkIO::BoundedInput::Measured{6});
    EXPECT_TRUE(view.Exact());
    EXPECT_EQ(view.Left(), 6u);
    ChunkIO::BoundedInput inner(&view, ChunkIO::BoundedInput::Measured{8});
    EXPECT_TRUE(inner.Exact());
    EXPECT_EQ(inner.Left(), 6u);
    std::istream in(&inner);
    EXPECT_EQ(Rest(in), "012345");
    EXPECT_EQ(view.Consumed(), 6u);

    ChunkIO::BoundedInput none(nullptr, ChunkIO::BoundedInput::Measured{6});
    EXPECT_EQ(none.Left(), 0u);
}

}  // namespace
