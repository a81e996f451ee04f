// UTF-8 as the stored names and texts need it: they may hold any bytes, so
// every reader of them asks where a well-formed character stands.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Utf8 {

// The length of the well-formed UTF-8 character of two to four bytes that
// begins at text[at] (at < text.size()), or 0 when none begins there: an
// ASCII byte, a stray continuation byte, a character cut short, an overlong
// form, a surrogate or a code past U+10FFFF. Its code point goes to `code`.
inline std::size_t MultiByteLength(std::string_view text, std::size_t at, std::uint32_t& code) {
    const auto lead = static_cast<unsigned char>(text[at]);
    std::size_t length = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2, code = lead & 0x1Fu;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3, code = lead & 0x0Fu;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4, code = lead & 0x07u;
    } else {
        return 0;
    }
    if (length > text.size() - at) return 0;
    for (std::size_t i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80) return 0;
        code = code << 6 | (next & 0x3Fu);
    }
    const bool overlong = (length == 3 && code < 0x800) || (length == 4 && code < 0x10000);
    const bool surrogate = code >= 0xD800 && code <= 0xDFFF;
    return overlong || surrogate || code > 0x10FFFF ? 0 : length;
}

}  // namespace Utf8
