// A text field of a fixed width, as the metadata chunks ("bext", "cart")
// store them: ASCII, padded with NUL bytes. The field keeps every stored
// byte, so that bytes after the first NUL come back as they were, and shows
// its text up to the first NUL (all of it when it fills the field).
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <istream>
#include <ostream>
#include <string>
#include <string_view>

template <std::size_t Width>
struct FixedText {
    std::array<char, Width> Bytes{};

    std::string Text() const {
        const auto end = std::find(Bytes.begin(), Bytes.end(), '\0');
        return std::string(Bytes.begin(), end);
    }
    // Replaces the field with `text`, cut to the width, the rest NUL.
    void Set(std::string_view text) {
        Bytes.fill('\0');
        std::copy_n(text.begin(), std::min(text.size(), Width), Bytes.begin());
    }
    // Bytes the stream does not hold stay NUL.
    void Read(std::istream& in) {
        Bytes.fill('\0');
        in.read(Bytes.data(), static_cast<std::streamsize>(Width));
    }
    void Write(std::ostream& out) const { out.write(Bytes.data(), static_cast<std::streamsize>(Width)); }
};
