// What stands at an output's name (a pipe, a socket, a device, a file that
// may not be written) and what becomes of an output killed before its
// commit.
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/Platform.h"
#include "tests/support/RunTool.h"

namespace {

namespace fs = std::filesystem;
using Platform::IfExists;
using TestSupport::FilesIn;
using TestSupport::TempDir;

bool MakeSocket(const fs::path& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    const bool bound = fd >= 0 && ::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    if (fd >= 0) ::close(fd);
    return bound;
}

enum class Stands { Pipe, PipeWithReader, Socket, Device };

// Opens an output over what stands at its name, writes "sound" and commits.
// A device or a pipe is written into or replaced as IfExists says, never
// waited for where it says not to, never opened where it keeps or replaces.
TEST(OutputFile, PipesSocketsAndDevicesAtTheName) {
    const struct {
        Stands stands;
        IfExists ifExists;
        bool opens;
        bool replaced;  // a file holding the sound stands there afterwards
    } cases[] = {
        {Stands::Pipe, IfExists::ReplaceWithoutWaiting, false, false},
        {Stands::Pipe, IfExists::ReplaceAnything, true, true},
        {Stands::Pipe, IfExists::Keep, false, false},
        {Stands::PipeWithReader, IfExists::Replace, true, false},
        {Stands::PipeWithReader, IfExists::ReplaceWithoutWaiting, true, false},
        {Stands::PipeWithReader, IfExists::ReplaceAnything, true, true},
        {Stands::PipeWithReader, IfExists::Keep, false, false},
        {Stands::Socket, IfExists::Replace, false, false},
        {Stands::Socket, IfExists::ReplaceWithoutWaiting, false, false},
        {Stands::Socket, IfExists::ReplaceAnything, true, true},
        {Stands::Socket, IfExists::Keep, false, false},
        {Stands::Device, IfExists::Replace, true, false},
        {Stands::Device, IfExists::ReplaceWithoutWaiting, true, false},
        {Stands::Device, IfExists::ReplaceAnything, true, true},
        {Stands::Device, IfExists::Keep, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "stands " << static_cast<int>(c.stands) << ", mode "
                                        << static_cast<int>(c.ifExists));
        TempDir dir;
        const fs::path target = dir.Path() / "x.wav";
        int reader = -1;
        switch (c.stands) {
            case Stands::Pipe:
            case Stands::PipeWithReader:
                ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
                if (c.stands == Stands::PipeWithReader) reader = ::open(target.c_str(), O_RDONLY | O_NONBLOCK);
                break;
            case Stands::Socket: ASSERT_TRUE(MakeSocket(target)); break;
            case Stands::Device:
                // The null device's numbers, in a folder of our own.
                if (::mknod(target.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0) continue;
                break;
        }
        const auto typeBefore = fs::symlink_status(target).type();
        Platform::OutputFile file(target.string(), c.ifExists);
        EXPECT_EQ(file.IsOpen(), c.opens);
        file.Stream() << "sound";
        EXPECT_EQ(file.Commit(), c.opens);
        EXPECT_EQ(FilesIn(dir.Path()), std::vector<std::string>{"x.wav"});
        EXPECT_EQ(fs::symlink_status(target).type(), c.replaced ? fs::file_type::regular : typeBefore);
        if (c.replaced) {
            EXPECT_EQ(dir.Read("x.wav"), "sound");
        }
        if (reader >= 0) {
            char got[16] = {};
            const ssize_t n = ::read(reader, got, sizeof got);
            EXPECT_EQ(std::string(got, static_cast<std::size_t>(std::max<ssize_t>(n, 0))),
                      c.opens && !c.replaced ? "sound" : "");
            ::close(reader);
        }
    }
}

// The output is open and half written when the process is killed (it stops
// itself there and waits): whatever stood at the name is left as it was, and
// nothing else is left, also where the output was to replace it.
TEST(OutputFile, AKillBeforeTheCommitLeavesNothing) {
    const struct {
        const char* stands;  // "", "file", "link", "pipe"
        IfExists ifExists;
    } cases[] = {
        {"", IfExists::Replace},     {"file", IfExists::Replace},        {"link", IfExists::Replace},
        {"file", IfExists::Keep},    {"pipe", IfExists::ReplaceAnything}, {"file", IfExists::ReplaceWithoutWaiting},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stands);
        TempDir dir;
        const fs::path target = dir.Path() / "x.wav";
        const std::string stands = c.stands;
        if (stands == "file") dir.Write("x.wav", "old bytes");
        if (stands == "link") fs::create_symlink("elsewhere.wav", target);
        if (stands == "pipe") {
            ASSERT_EQ(::mkfifo(target.c_str(), 0600), 0);
        }
        const std::vector<std::string> before = FilesIn(dir.Path());
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            // As Snd_Pull would run: the signals at their defaults.
            Platform::OutputFile file(target.string(), c.ifExists);
            file.Stream() << std::string(1 << 20, 's');
            file.Stream().flush();
            const char opened = file.IsOpen() ? 'o' : 'n';
            if (::write(ready[1], &opened, 1) != 1) ::_exit(1);
            for (;;) ::pause();
        }
        ::close(ready[1]);
        char opened = 0;
        EXPECT_EQ(::read(ready[0], &opened, 1), 1);
        ::close(ready[0]);
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(opened, c.ifExists == IfExists::Keep && stands == "file" ? 'n' : 'o');
        EXPECT_EQ(FilesIn(dir.Path()), before);
        if (stands == "file") {
            EXPECT_EQ(dir.Read("x.wav"), "old bytes");
        }
        if (stands == "link") {
            EXPECT_TRUE(fs::is_symlink(target));
        }
        if (stands == "pipe") {
            EXPECT_TRUE(fs::is_fifo(target));
        }
    }
}

// Root may write anything: these run as nobody. A read-only file, a file of
// another user, a folder that may not be written: no output opens, and what
// stands there is kept.
TEST(OutputFile, TargetsThatMayNotBeWritten) {
    TempDir dir;
    fs::permissions(dir.Path(), fs::perms::all);
    dir.Write("readonly.wav", "kept");
    fs::permissions(dir.Path() / "readonly.wav", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    dir.Write("others.wav", "kept");  // root's, 0644
    dir.Write("locked/old.wav", "kept");
    fs::permissions(dir.Path() / "locked/old.wav", fs::perms::all);
    fs::permissions(dir.Path() / "locked", fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                               fs::perms::others_read | fs::perms::others_exec);
    const bool root = ::geteuid() == 0;
    const struct {
        const char* name;
        bool opens;
    } cases[] = {
        {"readonly.wav", false}, {"others.wav", !root}, {"locked/old.wav", false}, {"locked/new.wav", false},
        {"free.wav", true},  // the folder itself may be written
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (dir.Path() / c.name).string();
        // Written as expected, or refused as a file that may not be written.
        const auto right = TestSupport::Unprivileged([&] {
            Platform::OutputFile file(path);
            file.Stream() << "sound";
            const bool written = file.IsOpen() && file.Commit();
            return written == c.opens && (written || file.Error() == EACCES);
        });
        if (!right) GTEST_SKIP() << "the tests cannot run as an unprivileged user here";
        EXPECT_TRUE(*right);
    }
    EXPECT_EQ(dir.Read("readonly.wav"), "kept");
    EXPECT_EQ(dir.Read("others.wav"), root ? "kept" : "sound");
    EXPECT_EQ(dir.Read("locked/old.wav"), "kept");
    EXPECT_EQ(FilesIn(dir.Path() / "locked"), std::vector<std::string>{"old.wav"});
    EXPECT_EQ(dir.Read("free.wav"), "sound");
    EXPECT_EQ(FilesIn(dir.Path()), (std::vector<std::string>{"free.wav", "locked", "others.wav", "readonly.wav"}));
}

// The folder goes away while an output replaces a file in it: no name can
// be given to the output, and its commit says so. (In a child process: the
// output then stops trying files without a name for the rest of its life.)
TEST(OutputFile, AFolderThatGoesAwayFailsTheCommit) {
    for (const bool existing : {false, true}) {
        SCOPED_TRACE(existing ? "replacing" : "new");
        TempDir dir;
        const fs::path target = dir.Path() / "sub" / "x.wav";
        dir.Write("sub/keep.txt", "");
        if (existing) dir.Write("sub/x.wav", "old bytes");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            Platform::OutputFile file(target.string());
            file.Stream() << "sound";
            std::error_code ec;
            fs::remove_all(dir.Path() / "sub", ec);
            ::_exit(!file.IsOpen() || ec ? 2 : file.Commit() ? 1 : 0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
        EXPECT_TRUE(FilesIn(dir.Path()).empty());
    }
}

// Names of our own already taken beside the target (left by another run of
// the same process id): the next free one is taken, and the others stay.
TEST(OutputFile, TakenTemporaryNamesAreSteppedOver) {
    TempDir dir;
    dir.Write("x.wav", "old bytes");
    std::vector<std::string> expected{"x.wav"};
    for (int n = 0; n < 5; ++n) {
        const std::string name = ".snd-" + std::to_string(::getpid()) + "-" + std::to_string(n) + ".tmp";
        dir.Write(name, "someone's");
        expected.push_back(name);
    }
    std::sort(expected.begin(), expected.end());
    Platform::OutputFile file((dir.Path() / "x.wav").string());
    file.Stream() << "sound";
    EXPECT_TRUE(file.Commit());
    EXPECT_EQ(dir.Read("x.wav"), "sound");
    EXPECT_EQ(FilesIn(dir.Path()), expected);
}

}  // namespace
