// What Snd_Info's texts must be whatever the input: safe for a terminal.
#pragma once

#include <cstddef>
#include <string_view>

namespace InfoFuzz {

// No control byte but the line feed, and no C1 control (U+0080 to U+009F,
// which some terminals obey) written as UTF-8.
inline bool PrintsSafely(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if ((byte < 0x20 && byte != '\n') || byte == 0x7F) return false;
        if (byte == 0xC2 && i + 1 < text.size() && (static_cast<unsigned char>(text[i + 1]) & 0xE0) == 0x80) {
            return false;
        }
    }
    return true;
}

}  // namespace InfoFuzz
