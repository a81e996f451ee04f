// The copy that stands in for naming a file without a name, where the system
// refuses the link: every byte under the new name, or nothing and the reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "common/NamelessFiles.h"
#include "tests/support/RunTool.h"

namespace {

TEST(NamelessFiles, ACopyHoldsEveryByteOrLeavesNothing) {
    TestSupport::TempDir dir;
    const int fd = Platform::Nameless::Open({}, dir.Path().string());
    if (fd < 0) GTEST_SKIP() << "this file system has no files without a name";
    // More than one piece of the copy, and a last piece cut short.
    std::string bytes(3 * 64 * 1024 + 5, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i * 7 + i / 251);
    ASSERT_EQ(::write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));

    EXPECT_TRUE(Platform::Nameless::CopyToName(fd, {}, (dir.Path() / "copy").string()));
    EXPECT_TRUE(dir.Read("copy") == bytes);

    dir.Write("taken", "kept");
    errno = 0;
    EXPECT_FALSE(Platform::Nameless::CopyToName(fd, {}, (dir.Path() / "taken").string()));
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(dir.Read("taken"), "kept");
    ::close(fd);
}

}  // namespace
