// The sound object: its header at an export's offset, and the copy of its
// WAVE bytes, whole or as far as the package holds them.
#include <gtest/gtest.h>

#include <filesystem>

#include "kit/PackageBuilder.h"
#include "sound/KZ_Audio.h"
#include "tests/common/AllocationProbe.h"
#include "tests/package/PackageFile.h"
#include "tests/sound/SoundTestUtil.h"

namespace {

using namespace TestSupport;


TEST(KZ_Sound, HeaderWithIndicesOfAnyLength) {
    for (int length = 0; length <= 5; ++length) {
        SCOPED_TRACE(length);
        PackageBuilder b;
        const std::string wave = ToneWave(440, 0.01);
        b.AddSound("Tone", wave, {0x7E, -70, 0xDEADBEEF, std::nullopt, length});
        PackageFile p(b.Build());
        const KZ_Sound sound = LoadByName(*p, "Tone");
        EXPECT_TRUE(sound.HeaderComplete);
        EXPECT_EQ(sound.HeaderByte, 0x7E);
        EXPECT_EQ(sound.HeaderIndex, -70);
        EXPECT_EQ(sound.HeaderValue, 0xDEADBEEFu);
        EXPECT_EQ(sound.WaveSize, static_cast<std::int32_t>(wave.size()));
        EXPECT_EQ(sound.WaveOffset, b.ObjectOffsets[0] + b.Exports[0].object.size() - wave.size());
    }
}

TEST(KZ_Sound, SaveWAVECopiesEveryByteAndClosesThePackage) {
    PackageBuilder b;
    const std::string wind = ToneWave(440, 0.3);
    const std::string birds = ToneWave(880, 0.2);
    b.AddSound("Wind01", wind);
    b.AddSound("Birds", birds);
    b.AddSound("Empty", "");
    PackageFile p(b.Build());
    const TempDir& dir = p.Dir();
    dir.Write("Birds.wav", std::string(100000, 'x'));  // an existing file is truncated

    KZ_Sound first = LoadByName(*p, "Wind01");
    const KZ_SaveResult r1 = first.SaveWAVE((dir.Path() / "Wind01.wav").string());
    EXPECT_TRUE(r1.ReadAll && r1.WroteAll);
    EXPECT_FALSE(p->Stream.is_open());
    KZ_Sound second = LoadByName(*p, "Birds");
    const KZ_SaveResult r2 = second.SaveWAVE((dir.Path() / "Birds.wav").string());
    EXPECT_TRUE(r2.ReadAll && r2.WroteAll);
    EXPECT_EQ(dir.Read("Wind01.wav"), wind);
    EXPECT_EQ(dir.Read("Birds.wav"), birds);

    // Saving again reopens the package and seeks by itself.
    EXPECT_TRUE(first.SaveWAVE((dir.Path() / "Again.wav").string()).ReadAll);
    EXPECT_EQ(dir.Read("Again.wav"), wind);

    // WaveSize 0: an empty file, and nothing missing.
    dir.Write("Empty.wav", "old");
    const KZ_SaveResult empty = LoadByName(*p, "Empty").SaveWAVE((dir.Path() / "Empty.wav").string());
    EXPECT_TRUE(empty.ReadAll && empty.WroteAll);
    EXPECT_EQ(dir.Read("Empty.wav"), "");
}

TEST(KZ_Sound, ShortDataGivesWhatThePackageHoldsAndSpoilsNothing) {
    PackageBuilder b;
    const std::string whole = ToneWave(440, 0.1);
    b.AddSound("Whole", whole);
    b.AddSound("Short", "RIFF....WAVE", {0, 0, 0, 1000, 0});  // 12 bytes of 1000, at the end
    PackageFile p(b.Build());
    const std::string out = p.Dir().Path().string() + "/";

    KZ_Sound whole1 = LoadByName(*p, "Whole");
    KZ_Sound shorted = LoadByName(*p, "Short");
    EXPECT_TRUE(shorted.HeaderComplete);
    const KZ_SaveResult r = shorted.SaveWAVE(out + "Short.wav");
    EXPECT_FALSE(r.ReadAll);
    EXPECT_TRUE(r.WroteAll);
    EXPECT_EQ(p.Dir().Read("Short.wav"), "RIFF....WAVE");
    // The short read left the stream failed; this sound's bytes still come out.
    const KZ_SaveResult after = whole1.SaveWAVE(out + "Whole.wav");
    EXPECT_TRUE(after.ReadAll);
    EXPECT_EQ(p.Dir().Read("Whole.wav"), whole);
}

// A header cut short by the end of the file fails the package's stream; a
// sound loaded after it, as the export loop loads it, still reads whole.
TEST(KZ_Sound, SoundAfterAHeaderCutShortLoadsWhole) {
    PackageBuilder b;
    const std::string whole = ToneWave(440, 0.1);
    b.AddSound("Whole", whole);
    b.AddSound("Cut", whole, {0, 0x1000, 0, 0, 0});
    std::string bytes = b.Build();
    bytes.resize(b.ObjectOffsets[1] + 2);  // inside the header's compact index 0x1000
    PackageFile p(bytes);
    const std::string out = p.Dir().Path().string() + "/";

    KZ_Sound cut = LoadSound(*p, *p->FindExport("Cut"));
    EXPECT_FALSE(cut.HeaderComplete);
    EXPECT_TRUE(p->GetPackageFile().fail());
    KZ_Sound after = LoadSound(*p, *p->FindExport("Whole"));
    EXPECT_TRUE(after.HeaderComplete);
    EXPECT_TRUE(after.SaveWAVE(out + "Whole.wav").ReadAll);
    EXPECT_EQ(p.Dir().Read("Whole.wav"), whole);
}

// The export loop keeps the package open across its sounds: copies then
// never close the stream, and a short read spoils no later copy.
TEST(KZ_Sound, SaveWAVELeavesAKeptPackageOpen) {
    PackageBuilder b;
    const std::string wind = ToneWave(440, 0.3);
    b.AddSound("Wind01", wind);
    b.AddSound("Short", "RIFF....WAVE", {0, 0, 0, 1000, 0});  // 12 bytes of 1000, at the end
    PackageFile p(b.Build());
    p->KeepFileOpen = true;
    const std::string out = p.Dir().Path().string() + "/";

    KZ_Sound first = LoadByName(*p, "Wind01");
    EXPECT_TRUE(first.SaveWAVE(out + "First.wav").ReadAll);
    EXPECT_TRUE(p->Stream.is_open());
    KZ_Sound shorted = LoadByName(*p, "Short");
    EXPECT_FALSE(shorted.SaveWAVE(out + "Short.wav").ReadAll);
    EXPECT_TRUE(p->Stream.is_open());
    // Not right after its LoadData: SaveWAVE seeks back by itself.
    EXPECT_TRUE(first.SaveWAVE(out + "Again.wav").ReadAll);
    EXPECT_EQ(p.Dir().Read("First.wav"), wind);
    EXPECT_EQ(p.Dir().Read("Short.wav"), "RIFF....WAVE");
    EXPECT_EQ(p.Dir().Read("Again.wav"), wind);
}

TEST(KZ_Sound, NoBytesWithoutAHeader) {
    PackageBuilder b;
    b.AddSound("Tone", ToneWave(440, 0.01));
    PackageFile p(b.Build());
    const std::string out = p.Dir().Path().string() + "/";

    // A stream already failed: nothing is read, WaveSize is 0.
    KZ_Sound failed;
    failed.Package = p.get();
    std::ifstream& in = p->GetPackageFile();
    in.seekg(b.ObjectOffsets[0]);
    in.setstate(std::ios::failbit);
    failed.LoadData(in);
    EXPECT_FALSE(failed.HeaderComplete);
    EXPECT_EQ(failed.WaveSize, 0);
    const KZ_SaveResult r = failed.SaveWAVE(out + "Failed.wav");
    EXPECT_FALSE(r.ReadAll);
    EXPECT_TRUE(r.WroteAll);
    EXPECT_EQ(p.Dir().Read("Failed.wav"), "");

    // A sound never loaded has no header either.
    KZ_Sound unloaded;
    unloaded.Package = p.get();
    EXPECT_FALSE(unloaded.SaveWAVE(out + "Unloaded.wav").ReadAll);
    EXPECT_TRUE(p.Dir().Exists("Unloaded.wav"));
}

TEST(KZ_Sound, SizeClaimsCostNoMoreThanTheFileHolds) {
    PackageBuilder b;
    b.AddSound("Huge", "RIFF", {0, 0, 0, 0x7FFFFFFF, 0});
    PackageFile p(b.Build());
    KZ_Sound sound = LoadByName(*p, "Huge");
    EXPECT_EQ(sound.WaveSize, 0x7FFFFFFF);
    AllocationProbe probe;
    const KZ_SaveResult r = sound.SaveWAVE(p.Dir().Path().string() + "/Huge.wav");
    EXPECT_FALSE(r.ReadAll);
    EXPECT_EQ(p.Dir().Read("Huge.wav"), "RIFF");
    EXPECT_LT(probe.Largest(), 64u * 1024);
}

// Sounds larger than the copy's piece: every byte, in order, whether the
// package holds all of them or stops short, and never a buffer of the
// sound's size.
TEST(KZ_Sound, LargeSoundsAreCopiedInPiecesOfBoundedSize) {
    constexpr std::size_t kPiece = 1 << 20;
    struct Case {
        std::size_t stored;   // WAVE bytes in the package, which ends with them
        std::size_t claimed;  // WaveSize
    };
    for (const Case c : {Case{kPiece - 1, kPiece - 1}, Case{kPiece, kPiece}, Case{kPiece + 1, kPiece + 1},
                         Case{2 * kPiece + 7, 2 * kPiece + 7}, Case{kPiece + 3, 3 * kPiece},
                         Case{2 * kPiece, 2 * kPiece + 1}}) {
        SCOPED_TRACE(std::to_string(c.stored) + " of " + std::to_string(c.claimed));
        std::string wave(c.stored, '\0');
        for (std::size_t i = 0; i < wave.size(); ++i) wave[i] = static_cast<char>((i * 7919) >> 11 ^ i);
        PackageBuilder b;
        b.AddSound("Big", wave, {0, 0, 0, static_cast<std::int32_t>(c.claimed), 0});
        PackageFile p(b.Build());
        const std::string out = p.Dir().Path().string() + "/Big.wav";
        for (const bool keep : {false, true}) {
            p->KeepFileOpen = keep;
            KZ_Sound sound = LoadByName(*p, "Big");
            AllocationProbe probe;
            const KZ_SaveResult r = sound.SaveWAVE(out);
            EXPECT_EQ(r.ReadAll, c.stored == c.claimed);
            EXPECT_TRUE(r.WroteAll);
            EXPECT_LE(probe.Largest(), kPiece);
            EXPECT_EQ(p->Stream.is_open(), keep);
            EXPECT_TRUE(p.Dir().Read("Big.wav") == wave);
        }
    }
}

}  // namespace
