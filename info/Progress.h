// One line on standard error that tells how far long work has come --
// "Snd_Info: 120 of 300 sounds, 41 of 98 MB (41%)" -- redrawn in place, at
// most a few times a second. Only for a person watching: where standard
// error is not a terminal nothing is written at all.
#pragma once

#include <chrono>
#include <cstdint>
#include <ostream>
#include <streambuf>
#include <string>

class Progress {
public:
    Progress(std::ostream& err, bool shown) : err_(err), shown_(shown) {}
    ~Progress() { Clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    // `done` of `total` items (sounds, exports) and bytes; a total of 0
    // leaves its part out (bytes with no total: the bytes so far).
    void Update(std::uint64_t done, std::uint64_t total, const char* items, std::uint64_t bytesDone,
                std::uint64_t bytesTotal);
    // Takes the line away, so that other output starts on a clean line.
    void Clear();

private:
    std::ostream& err_;
    bool shown_;
    std::size_t drawn_ = 0;  // characters of the line on the terminal
    std::chrono::steady_clock::time_point next_{};
};

// Passes every byte on to `to`, telling `progress` how many of `total` have
// gone: for a file written in one stream.
class CountedOutput : public std::streambuf {
public:
    CountedOutput(std::streambuf* to, std::uint64_t total, Progress& progress)
        : to_(to), total_(total), progress_(progress) {}
    std::uint64_t Count() const { return count_; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* s, std::streamsize count) override;
    int sync() override { return to_->pubsync(); }

private:
    std::streambuf* to_;
    std::uint64_t total_;
    Progress& progress_;
    std::uint64_t count_ = 0;
};
