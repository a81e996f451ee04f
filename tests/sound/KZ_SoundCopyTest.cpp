// How a sound's bytes reach its output: where the system copies from file to
// file, from the package's file into the output's without passing through
// the program; what it leaves, or all of it where it will not copy, through
// the package's stream. Either way the output holds the same bytes.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <thread>

#include "kit/PackageBuilder.h"
#include "sound/KZ_Audio.h"
#include "tests/package/PackageFile.h"
#include "tests/sound/SoundTestUtil.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;

// Whether the system copies between two files of `folder` by itself.
bool SystemCopiesIn(const fs::path& folder) {
    WriteFile(folder / "probe.in", "probe");
    const int in = ::open((folder / "probe.in").c_str(), O_RDONLY);
    const int out = ::open((folder / "probe.out").c_str(), O_WRONLY | O_CREAT, 0600);
    off_t from = 0;
    const bool copies = ::copy_file_range(in, &from, out, nullptr, 5, 0) == 5;
    ::close(in);
    ::close(out);
    fs::remove(folder / "probe.in");
    fs::remove(folder / "probe.out");
    return copies;
}

std::string Pattern(std::size_t size) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7919) >> 9 ^ i);
    return bytes;
}

TEST(KZ_SoundCopy, TheSystemCopiesWhatThePackageHolds) {
    PackageBuilder b;
    const std::string big = Pattern((3 << 20) + 5);  // past the stream's 1 MiB pieces
    const std::string small = ToneWave(440, 0.05);
    b.AddSound("Big", big);
    b.AddSound("Small", small);
    b.AddSound("One", "R");
    b.AddSound("Empty", "");
    b.AddSound("Short", "RIFF....WAVE", {0, 0, 0, 1000, 0});  // 12 bytes of 1000, at the end
    PackageFile p(b.Build());
    if (!SystemCopiesIn(p.Dir().Path())) GTEST_SKIP() << "no copy from file to file on this file system";
    const std::string out = p.Dir().Path().string() + "/";
    const struct {
        const char* name;
        std::string stored;
        bool whole;
    } sounds[] = {{"Big", big, true},
                  {"Small", small, true},
                  {"One", "R", true},
                  {"Empty", "", true},
                  {"Short", "RIFF....WAVE", false}};
    for (const bool keep : {false, true}) {
        p->KeepFileOpen = keep;
        for (const auto& sound : sounds) {
            SCOPED_TRACE(std::string(sound.name) + (keep ? ", kept open" : ""));
            KZ_Sound loaded = LoadByName(*p, sound.name);
            const KZ_SaveResult r = loaded.SaveWAVE(out + sound.name + ".wav");
            EXPECT_EQ(r.ReadAll, sound.whole);
            EXPECT_TRUE(r.WroteAll);
            EXPECT_EQ(r.Bytes, sound.stored.size());
            EXPECT_EQ(r.SystemCopied, sound.stored.size());
            EXPECT_TRUE(p.Dir().Read(std::string(sound.name) + ".wav") == sound.stored);
            EXPECT_EQ(p->Stream.is_open(), keep);
            EXPECT_EQ(p->Source.IsOpen(), keep);
        }
    }

    // A package kept open copies from the file it opened, also once its name
    // is gone.
    fs::rename(p.Path(), p.Dir().Path() / "moved.kzs");
    const KZ_SaveResult moved = LoadByName(*p, "Small").SaveWAVE(out + "Moved.wav");
    EXPECT_TRUE(moved.ReadAll && moved.WroteAll);
    EXPECT_EQ(moved.SystemCopied, small.size());
    EXPECT_TRUE(p.Dir().Read("Moved.wav") == small);
}

// A pipe takes no copy from file to file: the stream writes it all (also
// when an earlier sound left it failed), and the next output, a file, is
// copied by the system again.
TEST(KZ_SoundCopy, APipeGetsEveryByte) {
    PackageBuilder b;
    const std::string wave = Pattern((1 << 20) + 1);  // a piece of the stream's, and one byte
    b.AddSound("Tone", wave);
    b.AddSound("Cut", wave, {0, 0x1000, 0, 0, 0});
    std::string bytes = b.Build();
    bytes.resize(b.ObjectOffsets[1] + 2);  // inside the header's compact index 0x1000
    PackageFile p(bytes);
    const bool systemCopies = SystemCopiesIn(p.Dir().Path());
    const fs::path fifo = p.Dir().Path() / "pipe.wav";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string piped;
    std::thread reader([&] { piped = ReadFile(fifo); });
    KZ_Sound sound = LoadByName(*p, "Tone");
    EXPECT_FALSE(LoadByName(*p, "Cut").HeaderComplete);
    EXPECT_TRUE(p->GetPackageFile().fail());
    const KZ_SaveResult r = sound.SaveWAVE(fifo.string());
    reader.join();
    EXPECT_TRUE(r.ReadAll && r.WroteAll);
    EXPECT_LE(r.SystemCopied, wave.size());  // the system may splice into the pipe, or the stream writes it
    EXPECT_TRUE(piped == wave);
    EXPECT_TRUE(fs::is_fifo(fifo));

    const KZ_SaveResult file = LoadByName(*p, "Tone").SaveWAVE((p.Dir().Path() / "file.wav").string());
    EXPECT_TRUE(file.ReadAll && file.WroteAll);
    EXPECT_EQ(file.SystemCopied, systemCopies ? wave.size() : 0u);
    EXPECT_TRUE(p.Dir().Read("file.wav") == wave);
}

// A package on one file system and outputs on another: whether the system
// moves the bytes or the stream writes them, every byte arrives.
TEST(KZ_SoundCopy, AnotherFileSystemGetsEveryByte) {
    TempDir dir;
    const fs::path shm = "/dev/shm";
    struct stat here{}, there{};
    if (::stat(dir.Path().c_str(), &here) != 0 || ::stat(shm.c_str(), &there) != 0 || here.st_dev == there.st_dev ||
        ::access(shm.c_str(), W_OK) != 0) {
        GTEST_SKIP() << "needs /dev/shm on a file system other than the temporary folder's";
    }
    PackageBuilder b;
    const std::string wave = Pattern(100000);
    b.AddSound("Tone", wave);
    const fs::path path = shm / ("snd_test_" + std::to_string(::getpid()) + ".kzs");
    WriteFile(path, b.Build());
    const bool copiesThere = SystemCopiesIn(shm);
    {
        const std::string pathText = path.string();
        KZ_Package package(pathText.c_str());
        const KZ_SaveResult across = LoadByName(package, "Tone").SaveWAVE((dir.Path() / "across.wav").string());
        EXPECT_TRUE(across.ReadAll && across.WroteAll);
        EXPECT_LE(across.SystemCopied, wave.size());
        EXPECT_TRUE(dir.Read("across.wav") == wave);
        if (copiesThere) {
            const fs::path beside = shm / ("snd_test_" + std::to_string(::getpid()) + ".wav");
            const KZ_SaveResult r = LoadByName(package, "Tone").SaveWAVE(beside.string());
            EXPECT_TRUE(r.ReadAll && r.WroteAll);
            EXPECT_TRUE(ReadFile(beside) == wave);
            fs::remove(beside);
        }
    }
    fs::remove(path);
}

}  // namespace

namespace {

// A sound without its package, or whose header was cut, supplies none of the
// bytes it claims: an empty file, and the save says it read less.
TEST(KZ_SoundCopy, NoBytesWithoutAPackageOrAWholeHeader) {
    TestSupport::TempDir dir;
    KZ_Sound alone;
    alone.HeaderComplete = true;
    alone.WaveSize = 10;
    const KZ_SaveResult result = alone.SaveWAVE((dir.Path() / "alone.wav").string());
    EXPECT_FALSE(result.ReadAll);
    EXPECT_TRUE(result.WroteAll);
    EXPECT_EQ(dir.Read("alone.wav"), "");
}

}  // namespace
