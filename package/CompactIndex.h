// Compact index: a signed 32-bit value stored in one to five bytes.
//
//   byte 0   bit 7 sign, bit 6 more, bits 0-5 -> magnitude bits  0-5
//   byte 1   bit 7 more,             bits 0-6 -> magnitude bits  6-12
//   byte 2   bit 7 more,             bits 0-6 -> magnitude bits 13-19
//   byte 3   bit 7 more,             bits 0-6 -> magnitude bits 20-26
//   byte 4   (always last)           bits 0-4 -> magnitude bits 27-31
//
// A byte that cannot be read counts as 0x00: it adds nothing and ends the
// index. The stream's flags stay set for the caller to test.
#pragma once

#include <cstdint>
#include <istream>

std::int32_t Decode_cIndex(std::istream& in);
void Skip_cIndex(std::istream& in);
