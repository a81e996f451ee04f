#include "package/CompactIndex.h"

namespace {

// One byte of an index; an unreadable byte reads as 0x00.
std::uint32_t NextByte(std::istream& in) {
    const auto c = in.get();
    return c == std::istream::traits_type::eof() ? 0u : static_cast<std::uint32_t>(c);
}

constexpr std::uint32_t kSign = 0x80;
constexpr std::uint32_t kFirstMore = 0x40;
constexpr std::uint32_t kMore = 0x80;

}  // namespace

std::int32_t Decode_cIndex(std::istream& in) {
    const std::uint32_t first = NextByte(in);
    std::uint32_t magnitude = first & 0x3F;
    bool more = (first & kFirstMore) != 0;
    constexpr int kShifts[] = {6, 13, 20};
    for (const int shift : kShifts) {
        if (!more) break;
        const std::uint32_t byte = NextByte(in);
        magnitude |= (byte & 0x7F) << shift;
        more = (byte & kMore) != 0;
    }
    if (more) magnitude |= (NextByte(in) & 0x1F) << 27;
    const std::uint32_t bits = (first & kSign) ? 0u - magnitude : magnitude;
    return static_cast<std::int32_t>(bits);
}

void Skip_cIndex(std::istream& in) {
    auto c = in.get();
    if (c == std::istream::traits_type::eof() || (c & kFirstMore) == 0) return;
    for (int n = 1; n <= 3; ++n) {
        c = in.get();
        if (c == std::istream::traits_type::eof() || (c & kMore) == 0) return;
    }
    in.get();
}
