// A sound as a WAVE model: GetWAVE reads the image behind the header, and
// nothing but the sound's own bytes, and leaves the package as it found it.
#include <gtest/gtest.h>

#include <fstream>

#include "kit/PackageBuilder.h"
#include "sound/KZ_Audio.h"
#include "tests/package/PackageFile.h"
#include "tests/sound/SoundTestUtil.h"
#include "tests/wave/WaveTestUtil.h"

namespace {

using namespace TestSupport;
using WaveTest::ChainIDs;
using WaveTest::CoutCapture;
using WaveTest::Saved;


// fmt, data and a phoneme chunk: already in saved order.
std::string Voice() {
    using namespace WaveBuilder;
    return Riff(PcmFmt(1, 22050, 16) + Chunk("data", Samples(16, 1, 33)) +
                Phnm("hi you", {{"hi", 1, 2, 0.5f, 0.25f, {{"hh", 0x0266, 0.1f, 0.2f}, {"ay", 0x0061, 0, 1}}},
                                {"you", 3, 4, 1.f, 2.f, {{"y", 0x006A, 0, 0}}}}));
}

TEST(KZ_SoundGetWAVE, PhonemeChunkOfASoundInsideAPackage) {
    PackageBuilder b;
    b.AddSound("Voice", Voice());
    b.AddSound("After", ToneWave(440, 0.01));  // bytes that follow the image
    PackageFile p(b.Build());
    KZ_Sound sound = LoadByName(*p, "Voice");

    CoutCapture cout;
    const std::unique_ptr<WAVE_File> wave = sound.GetWAVE();
    EXPECT_EQ(cout.Text(), "");
    EXPECT_FALSE(p->Stream.is_open());
    ASSERT_EQ(ChainIDs(wave->FirstChunk.get()), "phnm");
    const auto* phnm = dynamic_cast<const phnm_Chunk*>(wave->FirstChunk.get());
    ASSERT_NE(phnm, nullptr);
    EXPECT_EQ(phnm->Text, "hi you");
    ASSERT_EQ(phnm->Words.size(), 2u);
    EXPECT_EQ(std::string(phnm->Words[1].Word.data()), "you");
    ASSERT_EQ(phnm->Words[0].Phonemes.size(), 2u);
    EXPECT_EQ(phnm->Words[0].Phonemes[0].Code, 0x0266);
    EXPECT_EQ(phnm->Words[0].FloatB, 0.25f);
    EXPECT_EQ(wave->DataChunk.ChunkData.size(), 66u);
    EXPECT_EQ(Saved(*wave), Voice());
}

TEST(KZ_SoundGetWAVE, EveryCallIsNewAndSaveWAVEStillCopies) {
    PackageBuilder b;
    b.AddSound("Voice", Voice());
    PackageFile p(b.Build());
    KZ_Sound sound = LoadByName(*p, "Voice");

    const std::unique_ptr<WAVE_File> first = sound.GetWAVE();
    const std::unique_ptr<WAVE_File> second = sound.GetWAVE();
    EXPECT_FALSE(p->Stream.is_open());
    ASSERT_NE(first.get(), second.get());
    EXPECT_EQ(Saved(*first), Saved(*second));
    first->DataChunk.ChunkData.clear();
    EXPECT_EQ(Saved(*second), Voice());

    const std::string out = p.Dir().Path().string() + "/Voice.wav";
    const KZ_SaveResult result = sound.SaveWAVE(out);
    EXPECT_TRUE(result.ReadAll && result.WroteAll);
    EXPECT_EQ(ReadFile(out), Voice());
}

// Whatever state a read leaves the stream in, the next one starts afresh, and
// GetWAVE hands the stream back with the flags it found.
TEST(KZ_SoundGetWAVE, LeavesThePackageAsItFoundIt) {
    PackageBuilder b;
    const std::string tone = ToneWave(440, 0.02);
    b.AddSound("Whole", Voice());
    b.AddSound("Tone", tone);
    // Last in the file: a RIFF size that streaming writers leave, read to the end.
    b.AddSound("Open", WaveBuilder::Riff(0xFFFFFFFF, WaveBuilder::PcmFmt(1, 8000, 8) + "dat"));
    b.AddSound("Short", "RIFF....WAVE", {0, 0, 0, 1000, 0});
    PackageFile p(b.Build());
    KZ_Sound whole = LoadByName(*p, "Whole");
    KZ_Sound open = LoadByName(*p, "Open");
    KZ_Sound shorted = LoadByName(*p, "Short");
    const std::string dir = p.Dir().Path().string() + "/";

    EXPECT_FALSE(shorted.SaveWAVE(dir + "Short.wav").ReadAll);
    // A stream left failed, as a read past the end leaves it.
    const std::ios::iostate failed = std::ios::failbit | std::ios::eofbit;
    p->Stream.setstate(failed);
    EXPECT_EQ(Saved(*whole.GetWAVE()), Voice());
    EXPECT_EQ(p->Stream.rdstate(), failed);

    p->Stream.clear();
    const std::unique_ptr<WAVE_File> tail = open.GetWAVE();
    EXPECT_EQ(tail->FmtChunk.SamplesPerSec, 8000u);
    EXPECT_EQ(p->Stream.rdstate(), std::ios::goodbit);
    // So a caller that reads the next header without clearing still can.
    KZ_Sound next;
    next.Package = p.get();
    p->GetPackageFile().seekg(p->FindExpObjByName("Tone"));
    next.LoadData(p->GetPackageFile());
    EXPECT_TRUE(next.HeaderComplete);
    EXPECT_TRUE(next.SaveWAVE(dir + "Tone.wav").ReadAll);
    EXPECT_EQ(ReadFile(dir + "Tone.wav"), tone);
    EXPECT_EQ(Saved(*whole.GetWAVE()), Voice());
}

// The model of a sound is the model of the file Snd_Pull exports for it: the
// sound's WaveSize bytes (fewer where the package ends first), never the
// package's bytes after them, whatever its chunks claim.
TEST(KZ_SoundGetWAVE, ReadsOnlyTheSoundsOwnBytes) {
    namespace wb = WaveBuilder;
    const std::string fmt = wb::PcmFmt(1, 8000, 8);
    const std::string tone = ToneWave(440, 0.01);
    const struct {
        const char* what;
        std::string image;
        SoundHeader header;
        std::string samples;  // what the data chunk must hold
    } cases[] = {
        {"data claims more than the sound", wb::Riff(fmt + wb::Header("data", 1000) + "abc"), {}, "abc"},
        {"RIFF size claims more", wb::Riff(5000, fmt + wb::Chunk("data", "abcd")), {}, "abcd"},
        {"RIFF size 12 short", wb::Riff(4 + 24 + 24 - 12, fmt + wb::Chunk("data", "abcdefghijklmnop")), {},
         "abcdefghijklmnop"},
        {"WaveSize cuts the image", wb::Riff(fmt + wb::Chunk("data", "abcdefgh")), {0, 0, 0, 12 + 24 + 8 + 5}, "abcde"},
        {"last in the file, WaveSize beyond its end", wb::Riff(fmt + wb::Header("data", 900) + "xyz"),
         {0, 0, 0, 5000}, "xyz"},
    };
    PackageBuilder b;
    for (const auto& c : cases) {
        b.AddSound(c.what, c.image, c.header);
        if (c.header.waveSize != 5000) b.AddSound("next", tone);  // bytes that follow the sound
    }
    PackageFile p(b.Build());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        KZ_Sound sound = LoadByName(*p, c.what);
        const std::unique_ptr<WAVE_File> wave = sound.GetWAVE();
        EXPECT_EQ(std::string(wave->DataChunk.ChunkData.begin(), wave->DataChunk.ChunkData.end()), c.samples);
        EXPECT_EQ(ChainIDs(wave->FirstChunk.get()), "");

        const std::string path = p.Dir().Path().string() + "/sound.wav";
        sound.SaveWAVE(path);
        std::ifstream file(path, std::ios::binary);
        WAVE_File exported;
        exported.LoadData(file);
        EXPECT_EQ(Saved(*wave), Saved(exported));
        EXPECT_EQ(wave->ImageBytes, exported.ImageBytes);
    }
}

TEST(KZ_SoundGetWAVE, BytesThatAreNotAWaveImage) {
    PackageBuilder b;
    b.AddSound("Text", "RIFF" + U32(4) + "TEXT and more");
    b.AddSound("Voice", Voice());
    ExportEntry noData;
    noData.objectName = b.Name("NoData");
    b.AddExport(noData);
    PackageFile p(b.Build());

    for (const char* name : {"Text", "NoData"}) {
        SCOPED_TRACE(name);
        // An export without data is not read at all: its sound has no header.
        KZ_Sound sound;
        sound.Package = p.get();
        if (std::string(name) == "Text") sound = LoadByName(*p, name);
        CoutCapture cout;
        const std::unique_ptr<WAVE_File> wave = sound.GetWAVE();
        EXPECT_EQ(cout.Text(), "Not a valid WAVE file.\n");
        EXPECT_NE(wave->RiffID == kRiffID && wave->FormType == kWaveID, true);
        EXPECT_EQ(wave->FirstChunk, nullptr);
        EXPECT_FALSE(p->Stream.is_open());
    }
    EXPECT_EQ(Saved(*LoadByName(*p, "Voice").GetWAVE()), Voice());
}

}  // namespace
