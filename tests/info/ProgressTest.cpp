// The progress line: its text for counts of items and bytes in each unit,
// how it is redrawn over a longer one and taken away, and the bytes counted
// on their way to a file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <sstream>
#include <string>

#include "info/Progress.h"

namespace {

TEST(Progress, TheLineForItemsAndBytes) {
    const struct {
        std::uint64_t done, total;
        const char* items;
        std::uint64_t bytesDone, bytesTotal;
        std::string line;
    } cases[] = {
        {3, 10, "sounds", 0, 0, "Snd_Info: 3 of 10 sounds (30%)"},
        {120, 300, "sounds", 41'000'000, 98'000'000, "Snd_Info: 120 of 300 sounds, 41 of 98 MB (41%)"},
        {0, 0, "", 5'000, 9'999, "Snd_Info: 5000 of 9999 bytes (50%)"},
        {0, 0, "", 5'000, 10'000, "Snd_Info: 5 of 10 kB (50%)"},
        {0, 0, "", 4'999'999, 9'999'999, "Snd_Info: 4999 of 9999 kB (50%)"},
        {0, 0, "", 5'000'000, 10'000'000, "Snd_Info: 5 of 10 MB (50%)"},
        {0, 0, "", 1'999, 2'000, "Snd_Info: 1999 of 2000 bytes (99%)"},
        {0, 0, "", 2'500, 2'000, "Snd_Info: 2500 of 2000 bytes (100%)"},  // the file grew: never past 100%
        {0, 0, "", 999, 0, "Snd_Info: 999 bytes written"},                 // no total: the bytes so far
        {0, 0, "", 12'345, 0, "Snd_Info: 12 kB written"},
        {0, 0, "", 12'345'678, 0, "Snd_Info: 12 MB written"},
        {7, 7, "exports", 0, 0, "Snd_Info: 7 of 7 exports (100%)"},
        {1, 3, "exports", 0, 0, "Snd_Info: 1 of 3 exports (33%)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::ostringstream err;
        {
            Progress progress(err, true);
            progress.Update(c.done, c.total, c.items, c.bytesDone, c.bytesTotal);
            EXPECT_EQ(err.str(), '\r' + c.line);
        }
        // Gone with the object: blanked and the cursor back at the start.
        EXPECT_EQ(err.str(), '\r' + c.line + '\r' + std::string(c.line.size(), ' ') + '\r');
        std::ostringstream hidden;
        Progress(hidden, false).Update(c.done, c.total, c.items, c.bytesDone, c.bytesTotal);
        EXPECT_EQ(hidden.str(), "");
    }
}

TEST(Progress, AShorterLineCoversTheLongerOneAndClearTakesItAway) {
    std::ostringstream err;
    Progress progress(err, true);
    progress.Clear();
    EXPECT_EQ(err.str(), "");  // nothing drawn, nothing to take away
    const std::string first = "Snd_Info: 1 of 100000 exports (0%)";
    progress.Update(1, 100000, "exports", 0, 0);
    // The last one is always drawn, however soon after the one before.
    const std::string last = "Snd_Info: 5 of 5 sounds (100%)";
    progress.Update(5, 5, "sounds", 0, 0);
    EXPECT_EQ(err.str(), '\r' + first + '\r' + last + std::string(first.size() - last.size(), ' '));
    err.str("");
    progress.Clear();
    EXPECT_EQ(err.str(), '\r' + std::string(last.size(), ' ') + '\r');
    err.str("");
    progress.Clear();
    EXPECT_EQ(err.str(), "");
    // Cleared, the next line is drawn at once.
    progress.Update(1, 2, "sounds", 0, 0);
    EXPECT_EQ(err.str(), "\rSnd_Info: 1 of 2 sounds (50%)");
}

// Takes at most `room` bytes, as a full disk does.
class ShortBuffer : public std::streambuf {
public:
    explicit ShortBuffer(std::size_t room) : room_(room) {}
    std::string bytes;

protected:
    int_type overflow(int_type c) override {
        if (bytes.size() >= room_) return traits_type::eof();
        bytes += traits_type::to_char_type(c);
        return c;
    }
    std::streamsize xsputn(const char* s, std::streamsize count) override {
        const auto put = std::min<std::size_t>(static_cast<std::size_t>(count), room_ - bytes.size());
        bytes.append(s, put);
        return static_cast<std::streamsize>(put);
    }

private:
    std::size_t room_;
};

TEST(Progress, CountedOutputCountsWhatGoesThroughAndSaysLargePieces) {
    std::ostringstream err;
    Progress progress(err, true);
    ShortBuffer file(5000);
    CountedOutput counted(&file, 8192, progress);
    std::ostream out(&counted);
    out.write(std::string(4095, 'a').data(), 4095);  // a field: counted, not said
    EXPECT_EQ(counted.Count(), 4095u);
    EXPECT_EQ(err.str(), "");
    out.put('b');
    EXPECT_EQ(counted.Count(), 4096u);
    out.write(std::string(4096, 'c').data(), 4096);  // a piece of samples, of which 904 fit
    EXPECT_EQ(counted.Count(), 5000u);
    EXPECT_TRUE(out.bad());
    EXPECT_EQ(file.bytes, std::string(4095, 'a') + 'b' + std::string(904, 'c'));
    EXPECT_EQ(err.str(), "\rSnd_Info: 5000 of 8192 bytes (61%)");
    out.clear();
    out.put('d');
    EXPECT_EQ(counted.Count(), 5000u);
    EXPECT_TRUE(out.bad());
    // Without a total, the bytes so far.
    std::ostringstream err2;
    Progress unknown(err2, true);
    ShortBuffer wide(1 << 20);
    CountedOutput open(&wide, 0, unknown);
    std::ostream(&open).write(std::string(20000, 'x').data(), 20000);
    EXPECT_EQ(err2.str(), "\rSnd_Info: 20 kB written");
    EXPECT_EQ(open.Count(), 20000u);
}

}  // namespace
