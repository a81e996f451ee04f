#include "wave/G711.h"

#include <array>

namespace G711 {
namespace {

// mu-law: the code is stored inverted; sign, 3-bit segment, 4-bit step. The
// magnitude is (step x 8 + 132) << segment, less the bias of 132.
constexpr std::int16_t ExpandMuLaw(std::uint8_t code) {
    code = static_cast<std::uint8_t>(~code);
    const int magnitude = (((code & 0x0F) << 3) + 0x84) << ((code >> 4) & 7);
    return static_cast<std::int16_t>((code & 0x80) ? 0x84 - magnitude : magnitude - 0x84);
}

// A-law: every other bit is stored inverted (xor 0x55); a set sign bit is
// positive. Segment 0 is linear, each further one doubles the step.
constexpr std::int16_t ExpandALaw(std::uint8_t code) {
    code ^= 0x55;
    const int step = code & 0x0F;
    const int segment = (code >> 4) & 7;
    const int magnitude = segment == 0 ? (2 * step + 1) << 3 : (2 * step + 33) << (segment + 2);
    return static_cast<std::int16_t>((code & 0x80) ? magnitude : -magnitude);
}

template <std::int16_t (*Expand)(std::uint8_t)>
constexpr std::array<std::int16_t, 256> Table() {
    std::array<std::int16_t, 256> table{};
    for (int code = 0; code < 256; ++code) table[static_cast<std::size_t>(code)] = Expand(static_cast<std::uint8_t>(code));
    return table;
}

constexpr auto kMuLaw = Table<ExpandMuLaw>();
constexpr auto kALaw = Table<ExpandALaw>();

void Decode(const std::array<std::int16_t, 256>& table, const unsigned char* codes, std::size_t count,
            std::int16_t* out) {
    for (std::size_t i = 0; i < count; ++i) out[i] = table[codes[i]];
}

}  // namespace

std::int16_t FromMuLaw(std::uint8_t code) { return kMuLaw[code]; }
std::int16_t FromALaw(std::uint8_t code) { return kALaw[code]; }

void DecodeMuLaw(const unsigned char* codes, std::size_t count, std::int16_t* out) { Decode(kMuLaw, codes, count, out); }
void DecodeALaw(const unsigned char* codes, std::size_t count, std::int16_t* out) { Decode(kALaw, codes, count, out); }

}  // namespace G711
