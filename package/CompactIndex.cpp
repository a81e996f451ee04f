#include "package/CompactIndex.h"

namespace {

using Traits = std::istream::traits_type;

constexpr std::uint32_t kSign = 0x80;
constexpr std::uint32_t kFirstMore = 0x40;
constexpr std::uint32_t kMore = 0x80;

// The bytes of one index, taken from the stream's buffer directly: the
// stream's state is tested once per index instead of once per byte, which
// counts when a package's tables hold hundreds of thousands of indices. The
// flags come out as byte-wise get() calls would leave them: a stream that is
// not good gives nothing and is failed; running out of bytes sets eofbit and
// failbit.
class IndexBytes {
public:
    explicit IndexBytes(std::istream& in) : in_(in), readable_(in.good()) {
        if (!readable_) in_.setstate(std::ios::failbit);
    }

    // The next byte; an unreadable byte reads as 0x00 (which ends the index).
    std::uint32_t Next() {
        if (!readable_) return 0;
        const Traits::int_type c = in_.rdbuf()->sbumpc();
        if (Traits::eq_int_type(c, Traits::eof())) {
            readable_ = false;
            in_.setstate(std::ios::eofbit | std::ios::failbit);
            return 0;
        }
        return static_cast<std::uint8_t>(Traits::to_char_type(c));
    }

private:
    std::istream& in_;
    bool readable_;
};

}  // namespace

std::int32_t Decode_cIndex(std::istream& in) {
    IndexBytes bytes(in);
    const std::uint32_t first = bytes.Next();
    std::uint32_t magnitude = first & 0x3F;
    bool more = (first & kFirstMore) != 0;
    constexpr int kShifts[] = {6, 13, 20};
    for (const int shift : kShifts) {
        if (!more) break;
        const std::uint32_t byte = bytes.Next();
        magnitude |= (byte & 0x7F) << shift;
        more = (byte & kMore) != 0;
    }
    if (more) magnitude |= (bytes.Next() & 0x1F) << 27;
    const std::uint32_t bits = (first & kSign) ? 0u - magnitude : magnitude;
    return static_cast<std::int32_t>(bits);
}

void Skip_cIndex(std::istream& in) {
    IndexBytes bytes(in);
    if ((bytes.Next() & kFirstMore) == 0) return;
    for (int n = 1; n <= 3; ++n) {
        if ((bytes.Next() & kMore) == 0) return;
    }
    bytes.Next();
}
