// The safe forms of stored text. Names, texts and codes in a file may hold
// any bytes, so nothing from a file reaches a console unescaped:
//   Printable  for paths and names in messages: control bytes and bytes that
//              are not part of a well-formed UTF-8 character (nor a C1
//              control) as \xHH, everything else as it is
//   Shown      Printable between single quotes: 'pk\Bell.kzs'
//   Quoted     between double quotes, '"' and '\' escaped too, so that the
//              form shows every byte exactly: "say \"hi\""
//   Code       a four-character code between single quotes: printable
//              ASCII as it is, '\'' and '\' escaped, any other byte as \xHH
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace Escape {

std::string Printable(std::string_view text);
std::string Shown(std::string_view text);
std::string Quoted(std::string_view text);
std::string Code(std::uint32_t code);
// A code given as bytes stops at its first NUL (a phoneme tag is zero-padded).
std::string Code(std::string_view code);

// The characters a terminal shows for text made by Printable or Quoted.
std::size_t DisplayWidth(std::string_view printable);

// `value` in `digits` upper-case hexadecimal digits.
std::string Hex(std::uint64_t value, int digits);

// Whether a byte is a control character (below 0x20, or 0x7F).
constexpr bool IsControl(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

}  // namespace Escape
