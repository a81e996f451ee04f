#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "common/FileErrors.h"
#include "common/LittleEndian.h"
#include "common/Interrupts.h"
#include "common/Paths.h"
#include "common/Platform.h"
#include "tests/support/RunTool.h"

namespace {

TEST(Platform, FolderCannotBeOpenedAndFlagsSurviveAnOpen) {
    TestSupport::TempDir dir;
    std::ifstream folder;
    Platform::OpenInput(folder, dir.Path().string());
    EXPECT_TRUE(folder.fail());

    dir.Write("f", "x");
    std::ifstream file;
    file.setstate(std::ios::eofbit);
    Platform::OpenInput(file, (dir.Path() / "f").string());
    EXPECT_TRUE(file.is_open());
    EXPECT_TRUE(file.eof());
}

// The tests build and run on the POSIX host only.
TEST(Platform, BackslashesBecomeSlashesHere) {
    EXPECT_EQ(Platform::HostPath("pk\\sub\\A.kzs"), "pk/sub/A.kzs");
}

namespace fs = std::filesystem;
using TestSupport::FilesIn;

// Writes `bytes` to `name` in `dir` through an OutputFile; commits when told.
// Returns whether the output opened and, when committed, whether it landed.
bool WriteWhole(const TestSupport::TempDir& dir, const std::string& name, const std::string& bytes,
                bool commit = true) {
    Platform::OutputFile file((dir.Path() / name).string());
    if (!file.IsOpen()) return false;
    file.Stream().write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return !commit || file.Commit();
}

TEST(OutputFile, TargetHoldsTheOldFileOrTheWholeNewOneAndNothingElseIsLeft) {
    TestSupport::TempDir dir;
    EXPECT_TRUE(WriteWhole(dir, "new.wav", "fresh"));
    dir.Write("old.wav", "old bytes");
    EXPECT_TRUE(WriteWhole(dir, "old.wav", "new"));
    // Not committed: the target keeps its bytes.
    EXPECT_TRUE(WriteWhole(dir, "kept.wav", "partial", false));
    dir.Write("kept2.wav", "kept");
    EXPECT_TRUE(WriteWhole(dir, "kept2.wav", "partial", false));
    EXPECT_EQ(dir.Read("new.wav"), "fresh");
    EXPECT_EQ(dir.Read("old.wav"), "new");
    EXPECT_EQ(dir.Read("kept2.wav"), "kept");
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"kept2.wav", "new.wav", "old.wav"}));
}

// Single characters, small pieces that gather, pieces that fill the room
// left and larger ones that go out directly: all in order.
TEST(OutputFile, WritesOfEverySizeComeOutInOrder) {
    TestSupport::TempDir dir;
    Platform::OutputFile file((dir.Path() / "mixed.wav").string());
    ASSERT_TRUE(file.IsOpen());
    std::string expected;
    const auto put = [&](const std::string& piece) {
        if (piece.size() == 1) {
            file.Stream().put(piece[0]);
        } else {
            file.Stream().write(piece.data(), static_cast<std::streamsize>(piece.size()));
        }
        expected += piece;
    };
    for (const std::size_t size : {1, 1, 7, 2000, 1, 30000, 1, 40000, 5000, 1}) {
        put(std::string(size, static_cast<char>('a' + expected.size() % 26)));
    }
    EXPECT_TRUE(file.Commit());
    EXPECT_TRUE(dir.Read("mixed.wav") == expected);
}

// A name taken while the output is being written: a file is replaced,
// unless the output keeps what exists; a folder always stays. Nothing else
// is left.
TEST(OutputFile, ATargetThatAppearsDuringTheWrite) {
    using Platform::IfExists;
    const struct {
        bool folder;
        IfExists ifExists;
        bool lands;
    } cases[] = {{false, IfExists::Replace, true}, {true, IfExists::Replace, false}, {false, IfExists::Keep, false}};
    for (const auto& c : cases) {
        const std::string what = std::string(c.folder ? "folder" : "file") + (c.lands ? ", lands" : ", kept");
        TestSupport::TempDir dir;
        Platform::OutputFile file((dir.Path() / "late.wav").string(), c.ifExists);
        ASSERT_TRUE(file.IsOpen());
        file.Stream() << "sound";
        file.Stream().flush();
        EXPECT_FALSE(dir.Exists("late.wav"));
        if (c.folder) {
            fs::create_directory(dir.Path() / "late.wav");
        } else {
            dir.Write("late.wav", "someone else's");
        }
        EXPECT_EQ(file.Commit(), c.lands) << what;
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"late.wav"}) << what;
        EXPECT_EQ(fs::is_directory(dir.Path() / "late.wav"), c.folder) << what;
        if (!c.folder) {
            EXPECT_EQ(dir.Read("late.wav"), c.lands ? "sound" : "someone else's") << what;
        }
    }
    // An output that keeps what exists does not open over it.
    TestSupport::TempDir dir;
    dir.Write("there.wav", "kept");
    EXPECT_FALSE(Platform::OutputFile((dir.Path() / "there.wav").string(), IfExists::Keep).IsOpen());
    EXPECT_EQ(dir.Read("there.wav"), "kept");
}

TEST(OutputFile, ALinkIsReplacedNotWrittenThrough) {
    TestSupport::TempDir dir;
    dir.Write("package.kzs", "package bytes");
    fs::create_symlink(dir.Path() / "package.kzs", dir.Path() / "into-package.wav");
    fs::create_symlink("/dev/full", dir.Path() / "full.wav");
    fs::create_symlink(dir.Path() / "nowhere", dir.Path() / "dangling.wav");
    for (const char* name : {"into-package.wav", "full.wav", "dangling.wav"}) {
        EXPECT_TRUE(WriteWhole(dir, name, "sound")) << name;
        EXPECT_FALSE(fs::is_symlink(dir.Path() / name)) << name;
        EXPECT_EQ(dir.Read(name), "sound") << name;
    }
    EXPECT_EQ(dir.Read("package.kzs"), "package bytes");
    EXPECT_FALSE(dir.Exists("nowhere"));
}

TEST(OutputFile, TargetsThatCannotBeWritten) {
    TestSupport::TempDir dir;
    fs::create_directory(dir.Path() / "folder.wav");
    dir.Write("folder.wav/inside", "x");
    dir.Write("file", "x");
    const struct {
        std::string name;
        int error;  // why, as the output says it
    } cases[] = {
        {"folder.wav", EISDIR},
        {"missing/a.wav", ENOENT},
        {"missing/", ENOENT},
        {"file/a.wav", ENOTDIR},
        {"", EISDIR},  // the folder itself
        // No file name can hold a NUL: the text before it is not the target.
        {std::string("a\0b.wav", 7), ENOENT},
        {std::string("a\0", 2), ENOENT},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_FALSE(WriteWhole(dir, c.name, "sound"));
        EXPECT_EQ(Platform::OutputFile((dir.Path() / c.name).string()).Error(), c.error);
    }
    EXPECT_FALSE(Platform::OutputFile((dir.Path() / "missing/b.wav").string()).Commit());
    // Read-only files: OutputTargetsTest, as an unprivileged user.
    EXPECT_EQ(FilesIn(dir.Path() / "folder.wav"), std::vector<std::string>{"inside"});
    EXPECT_FALSE(dir.Exists("a"));
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"file", "folder.wav"}));

    // A device is written as it is, not replaced.
    Platform::OutputFile null("/dev/null");
    ASSERT_TRUE(null.IsOpen());
    null.Stream() << "sound";
    EXPECT_TRUE(null.Commit());
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

// A write that fails midway, as on a full disk: the limit on file sizes
// makes the write fail instead of ending the process.
TEST(OutputFile, FailedWriteLeavesTheOldFile) {
    TestSupport::TempDir dir;
    dir.Write("old.wav", "old bytes");
    rlimit before{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 1000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool wrote = WriteWhole(dir, "old.wav", std::string(100000, 'x'));
    const bool wroteNew = WriteWhole(dir, "new.wav", std::string(100000, 'x'));
    ::setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(wrote);
    EXPECT_FALSE(wroteNew);
    EXPECT_EQ(dir.Read("old.wav"), "old bytes");
    EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"old.wav"});
}

// The system's errors in the words every message uses, on every system;
// and the error of an input that does not open, asked again.
TEST(Platform, ReasonsInPlainWords) {
    using Platform::Access;
    const struct {
        int error;
        Access access;
        const char* reason;
    } reasons[] = {
        {0, Access::Read, ""},
        {EISDIR, Access::Write, "it is a folder"},
        {ENOENT, Access::Read, "no such file"},
        {ENOENT, Access::Write, "no such folder"},
        {ENOTDIR, Access::Read, "no such file"},
        {ENOTDIR, Access::Write, "no such folder"},
        {EINVAL, Access::Read, "no such file"},
        {EINVAL, Access::Write, "not a valid file name"},
        {EACCES, Access::Read, "permission denied"},
        {EPERM, Access::Write, "permission denied"},
        {ENOSPC, Access::Write, "no space left on device"},
    };
    for (const auto& r : reasons) EXPECT_EQ(Platform::Reason(r.error, r.access), r.reason) << r.error;

    TestSupport::TempDir dir;
    dir.Write("f", "x");
    dir.Write("sub/g", "x");
    const struct {
        std::string name;
        int error;
    } inputs[] = {{"f", 0}, {"sub", EISDIR}, {"missing", ENOENT}, {"f/x", ENOTDIR}, {std::string("f\0", 2), ENOENT}};
    for (const auto& i : inputs) EXPECT_EQ(Platform::OpenError((dir.Path() / i.name).string()), i.error) << i.name;
}

TEST(Platform, NoNameHoldsANul) {
    // The system would read each name only up to its NUL: "A", which is there.
    TestSupport::TempDir dir;
    dir.Write("A", "package");
    std::ifstream in;
    Platform::OpenInput(in, (dir.Path() / std::string("A\0junk", 6)).string());
    EXPECT_TRUE(in.fail());
    EXPECT_FALSE(in.is_open());
    std::filesystem::create_directory(dir.Path() / "B");
    EXPECT_FALSE(Platform::Folder::Open((dir.Path() / std::string("B\0junk", 6)).string()));
    const auto folder = Platform::Folder::Open(dir.Path().string());
    ASSERT_TRUE(folder);
    EXPECT_FALSE(folder->Enter(std::string("B\0junk", 6)));
    EXPECT_TRUE(folder->Enter("B"));
}

// A held folder enters one folder at a time, made where missing, never
// through a link nor into anything but a folder; an output in a held folder
// lands in it wherever it was moved, and never through the link put in its
// place.
TEST(Folder, EntersOneFolderAtATimeNeverALink) {
    namespace fs = std::filesystem;
    TestSupport::TempDir dir;
    const auto top = Platform::Folder::Open((dir.Path() / "out" / "deeper").string());  // made with its parent
    ASSERT_TRUE(top);
    dir.Write("out/deeper/file", "x");
    fs::create_directory_symlink(dir.Path(), dir.Path() / "out" / "deeper" / "link");
    struct Case {
        std::string name;
        bool entered, made;
    };
    const Case cases[] = {{"new", true, true}, {"new", true, false}, {"", false, false},     {".", false, false},
                          {"..", false, false}, {"new/x", false, false}, {"file", false, false}, {"link", false, false}};
    for (const Case& c : cases) {
        bool made = !c.made;
        const auto folder = top->Enter(c.name, &made);
        EXPECT_EQ(folder != nullptr, c.entered) << c.name;
        if (folder) {
            EXPECT_EQ(made, c.made) << c.name;
        }
    }
    EXPECT_FALSE(dir.Exists("out/deeper/new/x"));
    EXPECT_TRUE(top->Holds("link"));
    EXPECT_TRUE(top->Holds("file"));
    EXPECT_FALSE(top->Holds("none"));

    const auto inner = top->Enter("new");
    ASSERT_TRUE(inner);
    fs::rename(dir.Path() / "out" / "deeper" / "new", dir.Path() / "out" / "deeper" / "moved");
    fs::create_directory_symlink(dir.Path(), dir.Path() / "out" / "deeper" / "new");
    for (const auto ifExists : {Platform::IfExists::Keep, Platform::IfExists::Replace}) {
        Platform::OutputFile file(*inner, "a.wav", ifExists);
        file.Stream() << "sound";
        EXPECT_TRUE(file.Commit());
    }
    EXPECT_EQ(dir.Read("out/deeper/moved/a.wav"), "sound");
    EXPECT_EQ(FilesIn(dir.Path() / "out" / "deeper" / "moved"), std::vector<std::string>{"a.wav"});
    EXPECT_FALSE(dir.Exists("a.wav"));
}

TEST(LittleEndian, ShortReadKeepsLowBytesAndNoneKeepsTheValue) {
    std::uint32_t value = 0xDEADBEEF;
    std::istringstream two(std::string("\x34\x12", 2));
    EXPECT_FALSE(LittleEndian::Read(two, value));
    EXPECT_EQ(value, 0x1234u);
    EXPECT_FALSE(LittleEndian::Read(two, value));
    EXPECT_EQ(value, 0x1234u);

    std::ostringstream out;
    LittleEndian::Write<std::int16_t>(out, -2);
    LittleEndian::Write<float>(out, 1.0f);
    EXPECT_EQ(out.str(), std::string("\xFE\xFF\x00\x00\x80\x3F", 6));
    EXPECT_EQ(LittleEndian::FourCC("fmt "), 0x20746D66u);
}

}  // namespace

namespace {

// Every slot for the files an interrupt removes can be taken, each once,
// and a path that does not fit takes none.
TEST(Interrupts, EverySlotIsTakenOnceAndAPathMustFit) {
    namespace In = Platform::Interrupts;
    std::vector<int> slots;
    for (int i = 0; i < In::kSlots; ++i) slots.push_back(In::TakeSlot(-1, "out/" + std::to_string(i) + ".wav"));
    std::vector<int> sorted = slots;
    std::sort(sorted.begin(), sorted.end());
    std::vector<int> all(In::kSlots);
    for (int i = 0; i < In::kSlots; ++i) all[static_cast<std::size_t>(i)] = i;
    EXPECT_EQ(sorted, all);
    EXPECT_STREQ(In::g_pending[slots[3]].path, "out/3.wav");
    EXPECT_EQ(In::TakeSlot(-1, "one more"), -1);
    In::FreeSlot(slots[5]);
    EXPECT_EQ(In::TakeSlot(-1, "again"), slots[5]);
    for (const int slot : slots) In::FreeSlot(slot);
    In::FreeSlot(-1);
    EXPECT_EQ(In::TakeSlot(-1, std::string(In::kSlotPath, 'p')), -1);
    const int longest = In::TakeSlot(-1, std::string(In::kSlotPath - 1, 'p'));
    EXPECT_GE(longest, 0);
    In::FreeSlot(longest);
}

}  // namespace
