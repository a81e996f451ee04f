#include "facts/Escape.h"

#include <algorithm>

#include "facts/Utf8.h"

namespace Escape {

namespace {

std::string EscapedByte(unsigned char byte) { return "\\x" + Hex(byte, 2); }

// The length of the well-formed UTF-8 character at text[at], or 0 when none
// stands there or it is a C1 control (U+0080 to U+009F), which some terminals
// obey.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    std::uint32_t code = 0;
    const std::size_t length = Utf8::MultiByteLength(text, at, code);
    return code < 0xA0 ? 0 : length;
}

std::string Escaped(std::string_view text, bool quoting) {
    std::string shown;
    shown.reserve(text.size() + 2);
    for (std::size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            if (const std::size_t length = Utf8Length(text, i)) {
                shown.append(text.substr(i, length));
                i += length;
                continue;
            }
            shown += EscapedByte(byte);
        } else if (IsControl(byte)) {
            shown += EscapedByte(byte);
        } else {
            if (quoting && (byte == '"' || byte == '\\')) shown += '\\';
            shown += static_cast<char>(byte);
        }
        ++i;
    }
    return shown;
}

std::string CodeText(std::string_view bytes) {
    std::string shown = "'";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x80 || IsControl(byte)) {
            shown += EscapedByte(byte);
        } else {
            if (byte == '\'' || byte == '\\') shown += '\\';
            shown += c;
        }
    }
    return shown + "'";
}

}  // namespace

std::string Hex(std::uint64_t value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits; i-- > 0; value >>= 4) text[static_cast<std::size_t>(i)] = kDigits[value & 0xF];
    return text;
}

std::string Printable(std::string_view text) { return Escaped(text, false); }

std::string Shown(std::string_view text) { return '\'' + Escaped(text, false) + '\''; }

std::string Quoted(std::string_view text) { return '"' + Escaped(text, true) + '"'; }

std::string Code(std::string_view code) { return CodeText(code.substr(0, std::min(code.find('\0'), code.size()))); }

std::string Code(std::uint32_t code) {
    char stored[4];
    for (int i = 0; i < 4; ++i) stored[i] = static_cast<char>((code >> (8 * i)) & 0xFF);
    return CodeText(std::string_view(stored, sizeof stored));
}

std::size_t DisplayWidth(std::string_view printable) {
    // Only whole UTF-8 characters remain: count all but continuation bytes.
    return static_cast<std::size_t>(std::count_if(printable.begin(), printable.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace Escape
