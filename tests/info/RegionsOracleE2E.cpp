// Region files against ffmpeg: sounds written by ffmpeg, given regions and
// loops, packed and taken out with `/x: --regions`; each region's file must
// hold the samples ffmpeg's atrim cuts from the whole sound. IMA ADPCM with
// --pcm: the region file's 16-bit samples are those of the whole sound
// converted by ffmpeg, then trimmed. Skipped where ffmpeg is missing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;

// The decoded samples of `file` as 16-bit little-endian, frames [start, end)
// where an end is given.
std::optional<std::string> Decoded(const TempDir& dir, const std::string& file, std::optional<std::uint64_t> start = {},
                                   std::optional<std::uint64_t> end = {}) {
    std::string trim;
    if (start) trim = " -af atrim=start_sample=" + std::to_string(*start) + ":end_sample=" + std::to_string(*end);
    return Oracle(dir.Path(), "ffmpeg -v error -i '" + file + "'" + trim + " -f s16le -c:a pcm_s16le -");
}

// The file with "cue " and an "adtl" list appended (the RIFF size brought up
// to date): regions (start, length) named "R<n>", and "smpl" loops.
std::string WithRegions(std::string wave, const std::vector<std::pair<std::uint32_t, std::uint32_t>>& regions,
                        const std::vector<WaveBuilder::Loop>& loops) {
    namespace wb = WaveBuilder;
    std::vector<wb::Mark> marks;
    for (const auto& [start, length] : regions) marks.push_back({start, length, std::string("R").append(std::to_string(marks.size() + 1))});
    if (wave.size() % 2 != 0) wave += '\0';
    wave += wb::Marks(marks) + wb::Smpl(loops);
    wave.replace(4, 4, wb::U32(static_cast<std::uint32_t>(wave.size() - 8)));
    return wave;
}

struct Row {
    const char* name;
    const char* codec;
    int channels;
    bool pcm;  // taken out with --pcm: against ffmpeg's conversion of the whole sound
};

TEST(RegionsOracleE2E, RegionFilesHoldWhatAtrimCuts) {
    TempDir dir;
    if (!Oracle(dir.Path(), "command -v ffmpeg >/dev/null")) GTEST_SKIP() << "ffmpeg is missing";
    const Row rows[] = {
        {"Pcm", "pcm_s16le", 2, false},
        {"Mulaw", "pcm_mulaw", 1, false},
        {"Alaw", "pcm_alaw", 2, false},
        {"Ima", "adpcm_ima_wav", 2, true},
    };
    // Regions and loops inside a block, across blocks and to the sound's end
    // (4000 frames; ffmpeg's IMA blocks of stereo at 22050 hold 1017, and its
    // fact counts the padding of the last: the end stays inside the 4000).
    const std::vector<std::pair<std::uint32_t, std::uint32_t>> regions = {{0, 1}, {500, 1200}, {1017, 1017}, {3000, 1000}};
    const std::vector<WaveBuilder::Loop> loops = {{100, 2999}, {3990, 3999}};
    PackageBuilder b;
    for (const Row& row : rows) {
        const std::string file = std::string(row.name) + ".wav";
        ASSERT_TRUE(Oracle(dir.Path(), "ffmpeg -v error -y -f lavfi -i anoisesrc=color=pink:seed=3:amplitude=0.5:sample_rate=22050"
                                " -af atrim=end_sample=4000 -ac " + std::to_string(row.channels) + " -c:a " + row.codec +
                                " " + file))
            << row.codec;
        b.AddSound(row.name, WithRegions(dir.Read(file), regions, loops));
    }
    b.Write(dir.Path() / "Oracle.kzs");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string folder = row.pcm ? "pcm" : "stored";
        const RunResult r =
            TestSupport::Run(SndInfoPath(), {"Oracle.kzs", row.name, "/x:" + folder, "--regions", row.pcm ? "--pcm" : "-q"}, dir.Path());
        ASSERT_EQ(r.exitStatus, 0) << r.err;
        const std::string sound = folder + "/Oracle/" + row.name;
        std::vector<std::pair<std::string, std::pair<std::uint64_t, std::uint64_t>>> cuts;
        for (std::size_t n = 0; n < regions.size(); ++n) {
            const std::uint64_t end = regions[n].first + regions[n].second;
            cuts.push_back({std::string(" - R").append(std::to_string(n + 1)).append(".wav"), {regions[n].first, end}});
        }
        for (std::size_t n = 0; n < loops.size(); ++n) {
            cuts.push_back({std::string(" - loop ").append(std::to_string(n + 1)).append(".wav"),
                            {loops[n].start, loops[n].end + 1}});
        }
        for (const auto& [suffix, range] : cuts) {
            SCOPED_TRACE(suffix);
            const std::string file = sound + suffix;
            ASSERT_TRUE(dir.Exists(file));
            // Cut at the blocks, the stored IMA file holds more; decoded, exactly these.
            const auto got = Decoded(dir, file);
            const auto want = Decoded(dir, std::string(row.name) + ".wav", range.first, range.second);
            ASSERT_TRUE(got && want);
            EXPECT_EQ(got->size(), (range.second - range.first) * 2 * row.channels);
            EXPECT_TRUE(*got == *want);
        }
    }
}

}  // namespace
