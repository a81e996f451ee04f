// The regions and loops of a sound, and each cut out as a WAVE file: which
// marks make a region and what it is called; which bytes, "fact" count, cue
// point and "bext" time reference each format's cut holds.
#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "facts/Convert.h"
#include "facts/Regions.h"
#include "kit/WaveBuilder.h"
#include "tests/wave/WaveTestUtil.h"
#include "wave/Audio.h"
#include "wave/Bext.h"

namespace {

using namespace WaveBuilder;
using Facts::Region;

std::unique_ptr<WAVE_File> Load(const std::string& bytes, WaveLoad mode = WaveLoad::Everything) {
    std::istringstream in(bytes);
    auto wave = std::make_unique<WAVE_File>();
    wave->LoadData(in, mode, [](std::string_view) {});
    return wave;
}

std::string Span(std::uint32_t id, std::uint32_t length) { return Ltxt(id, length, "rgn ", 0, 0, 0, 0); }

// "bext" whose time reference is `reference`.
std::string Bext(std::uint64_t reference) {
    std::string body(602, '\0');
    body.replace(0, 5, "Scene");
    body.replace(338, 8, U64(reference));
    return Chunk("bext", body);
}

struct ListRow {
    const char* what;
    std::string chunks;  // after fmt and data: 100 frames of 16-bit mono
    std::vector<Region> regions;
};

TEST(Regions, WhichMarksAreRegionsAndTheirNames) {
    using K = Region::Kind;
    const ListRow rows[] = {
        {"a labelled region, then one without a label, numbered among the regions",
         Cue({{1, 0, "data", 0, 0, 10}, {2, 0, "data", 0, 0, 50}}) +
             List("adtl", Labl(1, "Intro") + Span(1, 20) + Span(2, 5)),
         {{K::Region, "Intro", 1, 10, 20}, {K::Region, "region 2", 2, 50, 5}}},
        {"a point (no length) is no region and takes no number",
         Cue({{1, 0, "data", 0, 0, 10}, {2, 0, "data", 0, 0, 30}}) +
             List("adtl", Labl(1, "Point") + Span(1, 0) + Span(2, 10)),
         {{K::Region, "region 1", 2, 30, 10}}},
        {"cue order, not id order; the label ends at its NUL; the first label counts",
         Cue({{5, 0, "data", 0, 0, 40}, {3, 0, "data", 0, 0, 10}}) +
             List("adtl", Span(3, 4) + Labl(5, std::string("Fill\0junk", 9)) + Labl(5, "Second") + Span(5, 2)),
         {{K::Region, "Fill", 5, 40, 2}, {K::Region, "region 2", 3, 10, 4}}},
        {"past the end left out, across it cut at the end",
         Cue({{1, 0, "data", 0, 0, 100}, {2, 0, "data", 0, 0, 95}}) + List("adtl", Span(1, 5) + Span(2, 50)),
         {{K::Region, "region 2", 2, 95, 5}}},
        {"texts in a list of another type make no region",
         Cue({{1, 0, "data", 0, 0, 10}}) + List("INFO", Span(1, 20)), {}},
        {"loops by their place in smpl; End before Start and past the end left out; clipped",
         Smpl({{20, 29}, {30, 10}, {100, 120}, {90, 200}, {0, 0}}),
         {{K::Loop, "loop 1", 0, 20, 10}, {K::Loop, "loop 4", 0, 90, 10}, {K::Loop, "loop 5", 0, 0, 1}}},
        {"regions first, then loops",
         Smpl({{1, 2}}) + Cue({{7, 0, "data", 0, 0, 3}}) + List("adtl", Labl(7, "loop 1") + Span(7, 1)),
         {{K::Region, "loop 1", 7, 3, 1}, {K::Loop, "loop 1", 0, 1, 2}}},
    };
    for (const ListRow& row : rows) {
        SCOPED_TRACE(row.what);
        const auto wave = Load(Riff(PcmFmt(1, 8000, 16) + Chunk("data", Samples(16, 1, 100)) + row.chunks));
        const std::vector<Region> got = Facts::RegionsOf(*wave);
        ASSERT_EQ(got.size(), row.regions.size());
        for (std::size_t n = 0; n < got.size(); ++n) {
            EXPECT_EQ(got[n].kind, row.regions[n].kind) << n;
            EXPECT_EQ(got[n].name, row.regions[n].name) << n;
            EXPECT_EQ(got[n].cueID, row.regions[n].cueID) << n;
            EXPECT_EQ(got[n].start, row.regions[n].start) << n;
            EXPECT_EQ(got[n].frames, row.regions[n].frames) << n;
        }
        // The first of a name ("loop 1" stands first where it stands); none of a name not there.
        if (const Region* first = Facts::FindRegion(got, "loop 1")) {
            EXPECT_EQ(first, &got[0]);
        }
        EXPECT_EQ(Facts::FindRegion(got, "nowhere"), nullptr);
    }
}

// IMA ADPCM, mono, blocks of 36 bytes = 65 frames, each block's predictor
// telling which it is; 5 blocks, the last cut short by "fact" at 300 frames.
std::string ImaFmt() {
    return Chunk("fmt ", U16(0x11) + U16(1) + U32(8000) + U32(4055) + U16(36) + U16(4) + U16(2) + U16(65));
}
std::string ImaData() {
    std::string data;
    for (int block = 0; block < 5; ++block) {
        data += U16(static_cast<std::uint16_t>(block * 1000)) + std::string(1, '\x10') + std::string(1, '\0');
        for (int n = 0; n < 32; ++n) data += static_cast<char>(0x17 + block * 7 + n);
    }
    return data;
}

struct CutRow {
    const char* what;
    std::string fmt;
    std::string data;
    std::optional<std::uint32_t> fact;  // of the sound
    std::uint64_t start, frames;
    bool pcm;
    // What the file holds: the sound's data bytes [from, to), its fact, where
    // its cue point stands, its bext time reference (the source's is 1000).
    std::size_t from, to;
    std::optional<std::uint32_t> cutFact;
    std::uint32_t cue;
    std::uint64_t reference;
};

TEST(Regions, CutsEachFormatAtItsFramesOrBlocks) {
    const std::string pcm16 = Samples(16, 2, 100), pcm8 = Samples(8, 1, 100);
    const std::string muLaw = Samples(8, 2, 100);
    const CutRow rows[] = {
        {"16-bit stereo to the frame", PcmFmt(2, 8000, 16), pcm16, {}, 10, 20, false, 40, 120, {}, 0, 1010},
        {"8-bit mono to the frame", PcmFmt(1, 8000, 8), pcm8, {}, 3, 7, false, 3, 10, {}, 0, 1003},
        {"a region running past the end ends there", PcmFmt(1, 8000, 8), pcm8, {}, 95, 50, false, 95, 100, {}, 0, 1095},
        {"mu-law stereo to the frame, its fact the region's", FmtWithExtension(7, 2, 8000, 8, ""), muLaw, 100u, 5,
         4, false, 10, 18, 4u, 0, 1005},
        {"16-bit with --pcm is as stored", PcmFmt(2, 8000, 16), pcm16, {}, 10, 20, true, 40, 120, {}, 0, 1010},
        {"IMA inside two blocks", ImaFmt(), ImaData(), 300u, 70, 100, false, 36, 108, 130u, 5, 1065},
        {"IMA at a block's last frame takes the next block too", ImaFmt(), ImaData(), 300u, 64, 2, false, 0, 72, 130u,
         64, 1000},
        {"IMA at a block's first frame", ImaFmt(), ImaData(), 300u, 65, 65, false, 36, 72, 65u, 0, 1065},
        {"IMA to the end: the sound's own count", ImaFmt(), ImaData(), 300u, 200, 100, false, 108, 180, 105u, 5,
         1195},
    };
    for (const CutRow& row : rows) {
        SCOPED_TRACE(row.what);
        const std::string factChunk = row.fact ? Chunk("fact", U32(*row.fact)) : "";
        const auto wave =
            Load(Riff(row.fmt + factChunk + Chunk("data", row.data) + Bext(1000) + Chunk("junk", "keep out")));
        const Region region{Region::Kind::Region, "Verse", 9, row.start, row.frames};
        const Facts::RegionCut cut = Facts::CutRegion(*wave, region, row.pcm);
        ASSERT_NE(cut.wave, nullptr);
        EXPECT_TRUE(cut.findings.empty());
        // The format as stored, the frames or blocks, one cue point labelled
        // with the region's name, the bext moved on; nothing else.
        const std::string cutFact = row.cutFact ? Chunk("fact", U32(*row.cutFact)) : "";
        EXPECT_EQ(WaveTest::Saved(*cut.wave),
                  Riff(row.fmt + cutFact + Chunk("data", row.data.substr(row.from, row.to - row.from)) +
                       Cue({{1, row.cue, "data", 0, 0, row.cue}}) + List("adtl", Labl(1, "Verse")) + Bext(row.reference)));
    }
}

// With --pcm, IMA is decoded and cut to the frame: the frames the whole
// sound decodes to there, whatever block they stand in.
TEST(Regions, DecodedIsCutToTheFrame) {
    const std::string ima = Riff(ImaFmt() + Chunk("fact", U32(300)) + Chunk("data", ImaData()) + Bext(1000));
    auto whole = Load(ima);
    std::ostringstream decoded;
    ASSERT_TRUE(Facts::SaveAsPcm16(*whole, nullptr, decoded).Converted);
    const auto pcm = Load(decoded.str());
    const std::string samples(pcm->DataChunk.ChunkData.begin(), pcm->DataChunk.ChunkData.end());
    ASSERT_EQ(samples.size(), 600u);
    const struct {
        std::uint64_t start, frames, held;
    } rows[] = {{70, 100, 100}, {64, 2, 2}, {0, 1, 1}, {250, 60, 50}, {299, 1, 1}};
    for (const auto& row : rows) {
        SCOPED_TRACE(row.start);
        const auto wave = Load(ima);
        const Facts::RegionCut cut = Facts::CutRegion(*wave, {Region::Kind::Loop, "loop 1", 0, row.start, row.frames}, true);
        ASSERT_NE(cut.wave, nullptr);
        EXPECT_EQ(WaveTest::Saved(*cut.wave),
                  Riff(PcmFmt(1, 8000, 16) + Chunk("data", samples.substr(row.start * 2, row.held * 2)) +
                       Cue({{1, 0, "data", 0, 0, 0}}) + List("adtl", Labl(1, "loop 1")) + Bext(1000 + row.start)));
    }
}

TEST(Regions, WhatCannotBeCut) {
    const std::string pcm = Riff(PcmFmt(1, 8000, 16) + Chunk("data", Samples(16, 1, 100)));
    const struct {
        const char* what;
        std::string bytes;
        WaveLoad mode;
        std::uint64_t start;
        std::string message;
    } rows[] = {
        {"samples not held", pcm, WaveLoad::HeadersOnly, 0, "region \"R\" is not cut: its samples are not held"},
        {"past the end", pcm, WaveLoad::Everything, 100, "region \"R\" is not cut: it lies past the end of the sound"},
        {"no data", Riff(PcmFmt(1, 8000, 16)), WaveLoad::Everything, 0,
         "region \"R\" is not cut: the sound has no format or no samples"},
        {"a coding of unknown frames", Riff(FmtWithExtension(0x55, 1, 8000, 0, "") + Chunk("fact", U32(100)) +
                                            Chunk("data", std::string(100, 'x'))),
         WaveLoad::Everything, 0, "region \"R\" is not cut: its format's frames are not known"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto wave = Load(row.bytes, row.mode);
        const Facts::RegionCut cut = Facts::CutRegion(*wave, {Region::Kind::Region, "R", 1, row.start, 10}, false);
        EXPECT_EQ(cut.wave, nullptr);
        ASSERT_EQ(cut.findings.size(), 1u);
        EXPECT_EQ(cut.findings[0].code, Facts::Code::RegionNotCut);
        EXPECT_EQ(cut.findings[0].text, row.message);
    }
}

}  // namespace
