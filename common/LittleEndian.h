// Little-endian fields of fixed width, read from and written to streams.
// Every stored integer of the package and RIFF formats goes through these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <istream>
#include <ostream>
#include <streambuf>
#include <type_traits>

namespace LittleEndian {

// Reads sizeof(T) bytes. When the stream supplies none, `value` keeps what it
// held; when it supplies only the first few, those are kept as the low bytes
// and the missing high bytes read as zero. Returns true when all were read.
// The flags come out as after istream::read: a stream that is not good reads
// nothing and is failed, a short read sets eofbit and failbit. (The bytes are
// taken from the stream's buffer directly: tables hold hundreds of thousands
// of fields, and read()'s bookkeeping per call would cost more than the
// field. gcount() is left alone.)
template <typename T>
bool Read(std::istream& in, T& value) {
    static_assert(std::is_trivially_copyable_v<T> && (sizeof(T) <= 8));
    using Traits = std::istream::traits_type;
    unsigned char bytes[sizeof(T)] = {};
    if (!in.good()) {
        in.setstate(std::ios::failbit);
        return false;
    }
    std::streambuf& source = *in.rdbuf();
    std::size_t got = 0;
    for (; got < sizeof(T); ++got) {
        const Traits::int_type c = source.sbumpc();
        if (Traits::eq_int_type(c, Traits::eof())) break;
        bytes[got] = static_cast<unsigned char>(Traits::to_char_type(c));
    }
    if (got < sizeof(T)) in.setstate(std::ios::eofbit | std::ios::failbit);
    if (got == 0) return false;
    std::uint64_t bits = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) bits = (bits << 8) | bytes[i];
    if constexpr (std::is_integral_v<T>) {
        value = static_cast<T>(bits);
    } else {
        // Floats are carried bit for bit.
        using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
        const Bits narrow = static_cast<Bits>(bits);
        std::memcpy(&value, &narrow, sizeof(T));
    }
    return got == sizeof(T);
}

// An unsigned field from sizeof(T) bytes already taken from a stream, in
// stored order (for a reader that must look at bytes before it reads them).
template <typename T>
T FromBytes(const char* bytes) {
    static_assert(std::is_unsigned_v<T> && (sizeof(T) <= 8));
    std::uint64_t bits = 0;
    for (std::size_t i = sizeof(T); i-- > 0;) bits = (bits << 8) | static_cast<unsigned char>(bytes[i]);
    return static_cast<T>(bits);
}

template <typename T>
void Write(std::ostream& out, T value) {
    static_assert(std::is_trivially_copyable_v<T> && (sizeof(T) <= 8));
    std::uint64_t bits = 0;
    if constexpr (std::is_integral_v<T>) {
        bits = static_cast<std::uint64_t>(static_cast<std::make_unsigned_t<T>>(value));
    } else {
        using Bits = std::conditional_t<sizeof(T) == 4, std::uint32_t, std::uint64_t>;
        Bits narrow;
        std::memcpy(&narrow, &value, sizeof(T));
        bits = narrow;
    }
    char bytes[sizeof(T)];
    for (std::size_t i = 0; i < sizeof(T); ++i) bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFF);
    out.write(bytes, sizeof(T));
}

// A four-character code as stored: its four bytes in file order, read as one
// little-endian 32-bit value.
constexpr std::uint32_t FourCC(const char (&code)[5]) {
    return static_cast<std::uint32_t>(static_cast<unsigned char>(code[0])) |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[1])) << 8 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[2])) << 16 |
           static_cast<std::uint32_t>(static_cast<unsigned char>(code[3])) << 24;
}

}  // namespace LittleEndian
