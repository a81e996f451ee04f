#include "info/Progress.h"

#include <algorithm>

namespace {

// Bytes in the unit that suits them.
std::string Amount(std::uint64_t bytes, std::uint64_t scale) {
    if (scale >= 10'000'000) return std::to_string(bytes / 1'000'000);
    if (scale >= 10'000) return std::to_string(bytes / 1'000);
    return std::to_string(bytes);
}

const char* Unit(std::uint64_t scale) { return scale >= 10'000'000 ? " MB" : scale >= 10'000 ? " kB" : " bytes"; }

}  // namespace

void Progress::Update(std::uint64_t done, std::uint64_t total, const char* items, std::uint64_t bytesDone,
                      std::uint64_t bytesTotal) {
    if (!shown_) return;
    const auto now = std::chrono::steady_clock::now();
    const bool last = done == total && bytesDone == bytesTotal && total + bytesTotal > 0;
    if (now < next_ && !last) return;
    next_ = now + std::chrono::milliseconds(200);
    std::string line = "Snd_Info: ";
    if (total > 0) line += std::to_string(done) + " of " + std::to_string(total) + ' ' + items;
    if (bytesTotal > 0) {
        if (total > 0) line += ", ";
        line += Amount(bytesDone, bytesTotal) + " of " + Amount(bytesTotal, bytesTotal) + Unit(bytesTotal);
    } else if (total == 0) {
        // Only the bytes so far are known.
        line += Amount(bytesDone, bytesDone) + Unit(bytesDone) + " written";
    }
    if (bytesTotal > 0 || total > 0) {
        const std::uint64_t part = bytesTotal > 0 ? bytesDone / std::max<std::uint64_t>(bytesTotal / 100, 1)
                                                  : done * 100 / total;
        line += " (" + std::to_string(std::min<std::uint64_t>(part, 100)) + "%)";
    }
    const std::size_t length = line.size();
    if (length < drawn_) line.append(drawn_ - length, ' ');
    err_ << '\r' << line << std::flush;
    drawn_ = length;
}

void Progress::Clear() {
    if (drawn_ == 0) return;
    err_ << '\r' << std::string(drawn_, ' ') << '\r' << std::flush;
    drawn_ = 0;
    next_ = {};
}

CountedOutput::int_type CountedOutput::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    if (traits_type::eq_int_type(to_->sputc(traits_type::to_char_type(c)), traits_type::eof())) return traits_type::eof();
    ++count_;
    return c;
}

std::streamsize CountedOutput::xsputn(const char* s, std::streamsize count) {
    const std::streamsize put = to_->sputn(s, count);
    count_ += static_cast<std::uint64_t>(std::max<std::streamsize>(put, 0));
    // Pieces of samples are large; a field a few bytes: count it, say nothing.
    if (count >= 4096) progress_.Update(0, 0, "", count_, total_);
    return put;
}
