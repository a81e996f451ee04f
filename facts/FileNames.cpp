#include "facts/FileNames.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "facts/Utf8.h"

namespace FileNames {

namespace {

// The length of the well-formed UTF-8 character of two to four bytes at
// text[at], or 0 when none stands there.
std::size_t Utf8Length(std::string_view text, std::size_t at) {
    std::uint32_t code = 0;
    return Utf8::MultiByteLength(text, at, code);
}

// A byte that can stand for itself in a file name on every system.
bool IsPlain(unsigned char byte) {
    if (byte < 0x20 || byte >= 0x7F) return false;
    switch (byte) {
        case '\\': case '/': case ':': case '*': case '?': case '"': case '<': case '>': case '|': case '%':
            return false;
        default:
            return true;
    }
}

char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameLetters(std::string_view text, std::string_view lower) {
    if (text.size() != lower.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (Lower(text[i]) != lower[i]) return false;
    }
    return true;
}

// Whether `base` (a name's text before its first dot, blanks at its end
// removed) names a device.
bool IsDevice(std::string_view base) {
    for (const std::string_view device : {"con", "prn", "aux", "nul", "conin$", "conout$"}) {
        if (SameLetters(base, device)) return true;
    }
    if (base.size() < 4 || !(SameLetters(base.substr(0, 3), "com") || SameLetters(base.substr(0, 3), "lpt"))) {
        return false;
    }
    const std::string_view number = base.substr(3);
    // Superscript one, two and three count as digits here.
    return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\xC2\xB9" ||
           number == "\xC2\xB2" || number == "\xC2\xB3";
}

// One character of the name in its file name: the bytes as they are, or
// escaped as %XX each.
struct Piece {
    std::string_view bytes;
    bool escaped;
    std::size_t Size() const { return escaped ? 3 * bytes.size() : bytes.size(); }
};

void Append(std::string& out, const Piece& piece) {
    if (!piece.escaped) {
        out += piece.bytes;
        return;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (const char c : piece.bytes) {
        const auto byte = static_cast<unsigned char>(c);
        out += '%';
        out += kDigits[byte >> 4];
        out += kDigits[byte & 0xF];
    }
}

bool IsDotOrSpace(const Piece& piece) {
    return !piece.escaped && (piece.bytes == "." || piece.bytes == " ");
}

// The name by the rules, in at most `budget` bytes.
std::string Stem(std::string_view name, std::size_t budget) {
    if (name.empty()) return "%";
    // Most names are plain ASCII that needs nothing.
    if (name.size() <= budget && name.back() != '.' && name.back() != ' ' &&
        std::all_of(name.begin(), name.end(), [](char c) { return IsPlain(static_cast<unsigned char>(c)); })) {
        std::string_view base = name.substr(0, name.find('.'));
        while (!base.empty() && base.back() == ' ') base.remove_suffix(1);
        if (!IsDevice(base)) return std::string(name);
    }
    std::vector<Piece> pieces;
    pieces.reserve(name.size());
    for (std::size_t at = 0; at < name.size();) {
        const auto byte = static_cast<unsigned char>(name[at]);
        std::size_t length = byte >= 0x80 ? Utf8Length(name, at) : 1;
        const bool escaped = length == 0 || (length == 1 && !IsPlain(byte));
        if (length == 0) length = 1;
        pieces.push_back({name.substr(at, length), escaped});
        at += length;
    }

    // A device name: the text before the first dot, blanks at its end
    // removed; its last character is escaped.
    std::size_t base = 0;
    while (base < pieces.size() && !(pieces[base].bytes == "." && !pieces[base].escaped)) ++base;
    while (base > 0 && IsDotOrSpace(pieces[base - 1])) --base;
    std::string text;
    for (std::size_t i = 0; i < base && i < 8; ++i) text += pieces[i].bytes;
    if (base <= 7 && IsDevice(text)) pieces[base - 1].escaped = true;

    std::size_t size = 0;
    for (const Piece& piece : pieces) size += piece.Size();
    while (size > budget) {
        size -= pieces.back().Size();
        pieces.pop_back();
    }
    // A dot or blank at the end is escaped; when that makes the name too
    // long, the characters before it give way.
    if (IsDotOrSpace(pieces.back())) {
        pieces.back().escaped = true;
        size += 2;
        while (size > budget) {
            size -= pieces[pieces.size() - 2].Size();
            pieces.erase(pieces.end() - 2);
        }
    }
    std::string stem;
    stem.reserve(size);
    for (const Piece& piece : pieces) Append(stem, piece);
    return stem;
}

}  // namespace

std::string AsciiLower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = Lower(c);
    return lower;
}

std::string_view BaseName(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string PackageName(std::string_view path) {
    constexpr std::string_view kPackageExtension = ".kzs";
    std::string_view name = BaseName(path);
    if (name.size() >= kPackageExtension.size() &&
        AsciiLower(name.substr(name.size() - kPackageExtension.size())) == kPackageExtension) {
        name.remove_suffix(kPackageExtension.size());
    }
    return std::string(name);
}

std::string FileName(std::string_view name, unsigned number, std::string_view extension) {
    const std::string suffix = number > 1 ? " (" + std::to_string(number) + ")" : "";
    std::string file = Stem(name, kMaxFileName - suffix.size() - extension.size());
    file += suffix;
    file += extension;
    return file;
}

bool IsSafe(std::string_view name, std::string_view extension) {
    const std::string file = FileName(name, 1, extension);
    return file.size() == name.size() + extension.size() && file.starts_with(name);
}

std::string FolderNames::Take(std::string_view name, std::string_view extension) {
    std::string file = FileName(name, 1, extension);
    std::string key = AsciiLower(file);
    // The numbers already given for this name are not tried again.
    unsigned& next = next_.try_emplace(key, 2).first->second;
    if (taken_.insert(std::move(key)).second) return file;
    for (;;) {
        file = FileName(name, next++, extension);
        if (taken_.insert(AsciiLower(file)).second) return file;
    }
}

}  // namespace FileNames
