// What the WAVE fuzz targets check on every chunk they load.
#pragma once

#include <cstdlib>
#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "wave/Audio.h"

namespace WaveFuzz {

// Swallows what the model prints ("Not a valid WAVE file.", unknown tags).
inline void SilenceMessages() {
    struct Null : std::streambuf {
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    };
    static Null null;
    std::cout.rdbuf(&null);
}

inline void Require(bool condition) {
    if (!condition) std::abort();
}

inline std::uint32_t StoredU32(const std::string& bytes, std::size_t at) {
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    return value;
}

// CalcSize then SaveData: the bytes written are the length CalcSize gave, and
// the size field counts the body, which is followed by one zero pad byte
// exactly when it is odd.
inline std::string SaveChecked(RIFF_Chunk& chunk) {
    const std::uint32_t length = chunk.CalcSize();
    std::ostringstream out;
    chunk.SaveData(out);
    const std::string saved = out.str();
    Require(saved.size() == length);
    if (saved.empty()) return saved;  // an absent fact chunk
    Require(saved.size() >= 8 && StoredU32(saved, 4) == chunk.ChunkSize);
    const std::size_t pad = saved.size() - 8 - chunk.ChunkSize;
    Require(pad == chunk.ChunkSize % 2 && (pad == 0 || saved.back() == '\0'));
    return saved;
}

}  // namespace WaveFuzz
