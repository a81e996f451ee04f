#include "facts/FileNames.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "facts/Groups.h"
#include "facts/Utf8.h"
#include "package/KZ_Package.h"

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
    auto base = taken_.find(key);
    if (base == taken_.end()) {
        const bool numbered = TakenByNumber(key);
        base = taken_.emplace(std::move(key), Entry{}).first;
        if (!numbered) return file;
    }
    // The numbers already given for this name are not tried again. The
    // entry stays where it is while others are added.
    Entry& entry = base->second;
    const std::string lowerExtension = AsciiLower(extension);
    const std::string stem = base->first.substr(0, base->first.size() - extension.size());
    if (entry.next == 2) entry.extension = lowerExtension.size();
    if (entry.extension != lowerExtension.size()) Keep(base->first);
    for (;; ++entry.next) {
        file = FileName(name, entry.next, extension);
        std::string lower = AsciiLower(file);
        // "<unnumbered> (N)<extension>", as it mostly is, is held by the
        // entry's number alone: a million sounds of one name cost one entry.
        // A name cut to fit is kept as it is, and from then on every one.
        const std::string numbered = stem + " (" + std::to_string(entry.next) + ")" + lowerExtension;
        if (lower != numbered) Keep(base->first);
        if (taken_.contains(lower) || TakenByNumber(lower)) continue;
        ++entry.next;
        if (!entry.byNumber) {
            taken_.emplace(std::move(lower), Entry{});
        } else if (std::find(extensions_.begin(), extensions_.end(), lowerExtension) == extensions_.end()) {
            extensions_.push_back(lowerExtension);
        }
        return file;
    }
}

void FolderNames::Keep(const std::string& key) {
    Entry& entry = taken_.at(key);
    if (!entry.byNumber) return;
    entry.byNumber = false;
    const std::string_view stem = std::string_view(key).substr(0, key.size() - entry.extension);
    const std::string_view extension = std::string_view(key).substr(key.size() - entry.extension);
    for (unsigned number = 2; number < entry.next; ++number) {
        taken_.try_emplace(std::string(stem) + " (" + std::to_string(number) + ")" + std::string(extension), Entry{});
    }
}

namespace {

// `text`, a name made by the rules, cut to at most `budget` bytes, never
// inside a %XX or a UTF-8 character.
std::string_view CutMade(std::string_view text, std::size_t budget) {
    std::size_t end = std::min(text.size(), budget);
    if (end < text.size()) {
        while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
        if (end >= 1 && text[end - 1] == '%') {
            end -= 1;
        } else if (end >= 2 && text[end - 2] == '%') {
            end -= 2;
        }
    }
    return text.substr(0, end);
}

}  // namespace

std::string FolderNames::TakeBeside(std::string_view prefix, std::string_view name, std::string_view extension) {
    // The name keeps at least this much of the file name however long the prefix.
    constexpr std::size_t kLeastName = 16;
    constexpr std::string_view kJoin = " - ";
    std::string key;
    for (unsigned number = 1;; ++number) {
        const std::string suffix = number > 1 ? " (" + std::to_string(number) + ")" : "";
        const std::size_t fixed = kJoin.size() + suffix.size() + extension.size();
        std::string file(CutMade(prefix, kMaxFileName - std::min(kMaxFileName, fixed + kLeastName)));
        file += kJoin;
        file += Stem(name, kMaxFileName - std::min(kMaxFileName - 1, file.size() + suffix.size() + extension.size()));
        file += suffix;
        file += extension;
        std::string lower = AsciiLower(file);
        if (number == 1) {
            // Numbers given before for this name are not tried again.
            key = lower;
            const auto next = besideNext_.find(key);
            if (next != besideNext_.end()) {
                number = next->second - 1;
                continue;
            }
        }
        if (taken_.contains(lower) || TakenByNumber(lower)) continue;
        taken_.emplace(std::move(lower), Entry{});
        besideNext_[key] = number + 1;
        return file;
    }
}

bool FolderNames::TakenByNumber(std::string_view lower) const {
    for (const std::string& extension : extensions_) {
        // "<unnumbered> (N)<extension>", N written as std::to_string writes it.
        if (!lower.ends_with(extension)) continue;
        std::string_view numbered = lower.substr(0, lower.size() - extension.size());
        if (!numbered.ends_with(')')) continue;
        numbered.remove_suffix(1);
        const std::size_t open = numbered.rfind(" (");
        if (open == std::string_view::npos) continue;
        const std::string_view digits = numbered.substr(open + 2);
        if (digits.empty() || digits.size() > 9 || digits[0] == '0' ||
            !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        const auto base = taken_.find(std::string(numbered.substr(0, open)) + extension);
        if (base == taken_.end() || !base->second.byNumber || base->second.extension != extension.size()) continue;
        if (std::stoul(std::string(digits)) < base->second.next) return true;
    }
    return false;
}

std::string PackageLayout::Take(const std::vector<std::string_view>& group, std::string_view name,
                                std::string_view extension) {
    std::size_t at = 0;
    for (const std::string_view level : group) {
        const auto [child, added] = children_.try_emplace({at, level}, folders_.size());
        if (added) folders_.push_back({at, folders_[at].names.Take(level, ""), {}});
        at = child->second;
    }
    last_ = at;
    std::string path = folders_[at].names.Take(name, extension);
    for (; at != 0; at = folders_[at].parent) path.insert(0, folders_[at].name + '/');
    return path;
}

std::string PackageLayout::TakeBeside(std::string_view prefix, std::string_view name, std::string_view extension) {
    std::string path = folders_[last_].names.TakeBeside(prefix, name, extension);
    for (std::size_t at = last_; at != 0; at = folders_[at].parent) path.insert(0, folders_[at].name + '/');
    return path;
}

std::optional<std::string> SoundFiles::Take(std::size_t index, const KZ_Export_Element& entry, bool holdsWave) {
    constexpr std::string_view kSoundClass = "Sound";
    if (!holdsWave && entry.GetClassName() != kSoundClass) return std::nullopt;
    static const std::vector<std::string_view> kTopLevel;
    return layout_.Take(flat_ ? kTopLevel : groups_.Chain(index), entry.GetName(), ".wav");
}

}  // namespace FileNames
