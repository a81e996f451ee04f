// G.711 companded samples (format tags 0x0007 mu-law and 0x0006 A-law): one
// byte per sample, each expanding to a 16-bit sample on its own.
#pragma once

#include <cstddef>
#include <cstdint>

namespace G711 {

std::int16_t FromMuLaw(std::uint8_t code);
std::int16_t FromALaw(std::uint8_t code);

// Expands `count` codes into `count` samples.
void DecodeMuLaw(const unsigned char* codes, std::size_t count, std::int16_t* out);
void DecodeALaw(const unsigned char* codes, std::size_t count, std::int16_t* out);

}  // namespace G711
