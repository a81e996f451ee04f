// The label track of a sound's marks (points, regions, loops, words; seconds
// rounded in integers) and its SFZ instrument, for models made from bytes.
#include <gtest/gtest.h>

#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "facts/LabelTrack.h"
#include "facts/Sfz.h"
#include "kit/WaveBuilder.h"
#include "wave/Audio.h"

namespace {

using namespace WaveBuilder;

// A mono 8-bit sound of `frames` frames at `rate`, then `chunks`.
std::string Sound(std::uint32_t rate, std::uint32_t frames, const std::string& chunks) {
    return Riff(PcmFmt(1, rate, 8) + Chunk("data", std::string(frames, '\x80')) + chunks);
}

WAVE_File Loaded(const std::string& bytes) {
    std::istringstream in(bytes);
    WAVE_File wave;
    wave.LoadData(in, WaveLoad::HeadersOnly);
    return wave;
}

std::string Point(std::uint32_t id, std::uint32_t offset) { return Cue({{id, 0, "data", 0, 0, offset}}); }

struct TimeRow {
    std::uint32_t rate, frame;
    const char* seconds;
};

TEST(LabelTrack, SecondsRoundHalfUpToTheMicrosecond) {
    const TimeRow rows[] = {
        {44100, 1, "0.000023"},
        {3, 1, "0.333333"},
        {3, 2, "0.666667"},
        {7, 1, "0.142857"},
        {2000000, 1, "0.000001"},
        {8000, 4, "0.000500"},
        {4000000, 1, "0.000000"},
        {4294967295u, 4294967294u, "1.000000"},
        {1, 4294967295u, "4294967295.000000"},
        {48000, 4294967295u, "89478.485313"},
    };
    for (const TimeRow& row : rows) {
        const std::string at = std::string(row.seconds) + "\t" + row.seconds + "\tcue 1\n";
        EXPECT_EQ(Facts::LabelTrack(Loaded(Sound(row.rate, 0, Point(1, row.frame)))), at)
            << row.rate << " " << row.frame;
    }
}

struct MarkRow {
    const char* name;
    std::string bytes;
    const char* track;
};

TEST(LabelTrack, MarksInCueOrderThenLoopsThenWords) {
    const std::string adtl = List("adtl", Labl(1, "Start") + Ltxt(2, 0, "rgn ", 0, 0, 0, 0, "only text") +
                                              Ltxt(3, 4000, "rgn ", 0, 0, 0, 0, "ignored") + Labl(3, "Verse") +
                                              Labl(1, "second label") + Ltxt(4, 800, "rgn ", 0, 0, 0, 0));
    const MarkRow rows[] = {
        {"points and regions as the cue chunk orders them",
         Sound(8000, 8000,
               Cue({{4, 0, "data", 0, 0, 400},
                    {1, 0, "data", 0, 0, 800},
                    {3, 0, "data", 0, 0, 0},
                    {2, 0, "data", 0, 0, 8000},
                    {9, 0, "data", 0, 0, 1}}) +
                   adtl),
         "0.050000\t0.150000\tregion 1\n0.100000\t0.100000\tStart\n0.000000\t0.500000\tVerse\n"
         "1.000000\t1.000000\tonly text\n0.000125\t0.000125\tcue 9\n"},
        {"a region N counts every region",
         Sound(8000, 0, Cue({{3, 0, "data", 0, 0, 0}, {4, 0, "data", 0, 0, 8}}) + adtl),
         "0.000000\t0.500000\tVerse\n0.001000\t0.101000\tregion 2\n"},
        {"texts only from adtl lists", Sound(8000, 0, Point(1, 0) + List("INFO", Labl(1, "no"))),
         "0.000000\t0.000000\tcue 1\n"},
        {"loops end after their last frame", Sound(8000, 0, Smpl({{80, 799}, {0, 7999, 1, 3}})),
         "0.010000\t0.100000\tloop 1\n0.000000\t1.000000\tloop 2\n"},
        {"words at their positions or sharing the sound",
         Sound(3, 9, Phnm("", {{"one", 0, 3}, {"two", 0, 10}, {"three", -1, 2}, {"four", 5, 5}, {"five", 6, 9}})),
         "0.000000\t1.000000\tone\n0.600000\t1.200000\ttwo\n1.200000\t1.800000\tthree\n1.800000\t2.400000\tfour\n"
         "2.000000\t3.000000\tfive\n"},
        {"words share a length that does not divide", Sound(8000, 8000, Phnm("", {{"a"}, {"b"}, {"c"}})),
         "0.000000\t0.333333\ta\n0.333333\t0.666667\tb\n0.666667\t1.000000\tc\n"},
        {"words share the fact count of a codec without layout",
         Riff(FmtWithExtension(0x55, 1, 8000, 0, "") + Chunk("fact", U32(4000)) + Chunk("data", "xy") +
              Phnm("", {{"a"}, {"b"}})),
         "0.000000\t0.250000\ta\n0.250000\t0.500000\tb\n"},
        {"words share a count of frames beyond 2^62",
         [] {
             const std::string body = FmtWithExtension(0x55, 1, 48000, 0, "") + Chunk("fact", U32(0xFFFFFFFF)) +
                                      Chunk("data", "xy") + Phnm("", {{"a"}, {"b"}, {"c"}, {"d"}});
             return "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(40 + body.size(), 2, 0x5555555580000001) + body;
         }(),
         "0.000000\t32025597353918.464005\ta\n32025597353918.464005\t64051194707836.928010\tb\n"
         "64051194707836.928010\t96076792061755.392016\tc\n96076792061755.392016\t128102389415673.856021\td\n"},
        {"no words without frames", Riff(PcmFmt(1, 8000, 8) + Point(1, 0) + Phnm("", {{"a"}})),
         "0.000000\t0.000000\tcue 1\n"},
        {"tabs and line breaks become spaces",
         Sound(8000, 4, Point(1, 0) + List("adtl", Labl(1, "a\tb\r\nc")) + Phnm("", {{"x\ty", 0, 4}})),
         "0.000000\t0.000000\ta b  c\n0.000000\t0.000500\tx y\n"},
        {"nothing at a rate of 0", Sound(0, 8, Point(1, 0) + Smpl({{0, 1}})), ""},
    };
    for (const MarkRow& row : rows) EXPECT_EQ(Facts::LabelTrack(Loaded(row.bytes)), row.track) << row.name;
}

struct SfzRow {
    const char* name;
    std::string chunks;
    std::optional<std::string> sfz;
};

TEST(Sfz, FirstLoopOfSmplWithInstRanges) {
    const std::string head = "<region>\nsample=Bell 1.wav\npitch_keycenter=60\n";
    const std::string loop = "loop_mode=loop_continuous\nloop_type=";
    const SfzRow rows[] = {
        {"forward", Smpl({{10, 99}, {5, 6, 1}}), head + loop + "forward\nloop_start=10\nloop_end=99\n"},
        {"alternate, half a semitone", Smpl({{0, 1, 1}}, 0x80000000),
         head + "tune=-50\n" + loop + "alternate\nloop_start=0\nloop_end=1\n"},
        {"backward, played 3 times", Smpl({{7, 8, 2, 3}}, 42949673),
         head + "tune=-1\n" + loop + "backward\nloop_start=7\nloop_end=8\n// play count: 3\n"},
        {"another type, under half a cent", Smpl({{1, 2, 5}}, 21474836),
         head + loop + "forward\n// loop type 5 played forward\nloop_start=1\nloop_end=2\n"},
        {"inst ranges and gain",
         Chunk("inst", std::string("\x30\x05\xFA\x15\x6C\x01\x7F", 7)) + Smpl({{1, 2}}, 0xFFFFFFFF),
         head + "tune=-100\n" + loop +
             "forward\nloop_start=1\nloop_end=2\nlokey=21\nhikey=108\nlovel=1\nhivel=127\nvolume=-6\n"},
        {"no loop", Smpl({}), std::nullopt},
        {"inst alone", Chunk("inst", std::string("\x30\x05\xFA\x15\x6C\x01\x7F", 7)), std::nullopt},
    };
    for (const SfzRow& row : rows)
        EXPECT_EQ(Facts::Sfz(Loaded(Sound(8000, 0, row.chunks)), "Bell 1.wav"), row.sfz) << row.name;
}

}  // namespace
