// File names for stored names: an export's name (or a package's) may hold
// any bytes, and each must become a file name that Windows and Linux both
// accept, stays inside its folder, and never meets another one of the same
// folder, also where the file system ignores letter case.
//
// The rules, applied to the name before its extension (so that a folder
// named by the same rules is valid too):
//   - the bytes \ / : * ? " < > |, control bytes (0x00-0x1F, 0x7F), '%'
//     itself, and bytes that are not part of a well-formed UTF-8 character
//     are written as %XX (two upper-case hex digits);
//   - a last byte that is a dot or a space is written as %2E or %20 (so "."
//     becomes "%2E" and ".." becomes ".%2E");
//   - a device name (CON PRN AUX NUL CONIN$ CONOUT$ COM0-9 LPT0-9 and COM or
//     LPT with a superscript 1, 2 or 3), in any case, alone or before a dot,
//     blanks before that dot included, has its last character written as %XX:
//     "con.txt" becomes "co%6E.txt";
//   - the empty name is "%" (which no other name gives: a '%' of a name is
//     always "%25");
//   - a name whose file name would exceed 255 bytes is cut at the end, never
//     inside a %XX or a UTF-8 character, so that name, number and extension
//     fit in 255 bytes.
#pragma once

#include <cstddef>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

class KZ_Export_Element;
namespace Facts {
class Groups;
}

namespace FileNames {

// The longest file name (in bytes) that every supported file system takes.
inline constexpr std::size_t kMaxFileName = 255;

// `name` made safe by the rules above, numbered when `number` > 1
// ("Bell (2)"), with `extension` behind it (".wav", or nothing for a
// folder). At most kMaxFileName bytes.
std::string FileName(std::string_view name, unsigned number, std::string_view extension);

// Whether FileName(name, 1, extension) is `name` followed by `extension`.
bool IsSafe(std::string_view name, std::string_view extension);

// `text` with its ASCII letters in lower case, every other byte as it is.
std::string AsciiLower(std::string_view text);

// The part of `path` after its last '/' or '\'.
std::string_view BaseName(std::string_view path);

// A package's name among the extracted folders: its file name without its
// folder and without ".kzs" (in any letter case).
std::string PackageName(std::string_view path);

// Hands out the file names of one folder: the first name asked for gets its
// FileName, a later one whose file name is already taken -- exactly, or
// differing only in ASCII letter case -- the next free number: "Bell.wav",
// "bell (2).wav", "Bell (3).wav".
class FolderNames {
public:
    std::string Take(std::string_view name, std::string_view extension);
    // A file that goes with another of this folder: "<prefix> - <name by
    // the rules><extension>", `prefix` being that file's name without its
    // extension (already made by the rules, kept as it is: cut only where
    // the whole would pass kMaxFileName), numbered "(N)" before the
    // extension where taken: "Bell - Intro.wav", "Bell - Intro (2).wav".
    std::string TakeBeside(std::string_view prefix, std::string_view name, std::string_view extension);

private:
    struct Entry {
        unsigned next = 2;  // the number a later name of this file name tries next
        // Every number below `next` stands for "<this name> (N)<extension>",
        // given or found taken, kept nowhere else; `extension` is its length.
        bool byNumber = true;
        std::size_t extension = 0;
    };
    // Whether `lower` is "<unnumbered> (N)<extension>" for a number N that
    // the unnumbered file name has already given.
    bool TakenByNumber(std::string_view lower) const;
    // Keeps the numbered names of `key` as names of their own from now on.
    void Keep(const std::string& key);

    // File names given (ASCII letters in lower case).
    std::unordered_map<std::string, Entry> taken_;
    std::vector<std::string> extensions_;  // of the names held by number, in lower case
    // For TakeBeside: the number a name tries next, by its unnumbered file
    // name (lower case), so that many of one name cost no search each.
    std::unordered_map<std::string, unsigned> besideNext_;
};

// Hands out the files of one package's folder: a sound's file stands in the
// folder of its group, one folder per level, each folder named among the
// names of its own folder, files and folders alike, by the rules above (so a
// group named ".." or holding '/' stays inside): "Wind/Gusts/Hit.wav".
// Groups are folders by their names: two groups of one name at one level
// share a folder.
class PackageLayout {
public:
    // The sound's path under the package's folder, levels joined by '/';
    // `group` holds the group names outermost first, as views that stay
    // valid while the layout lives.
    std::string Take(const std::vector<std::string_view>& group, std::string_view name, std::string_view extension);
    // FolderNames::TakeBeside in the folder of the last file Take gave,
    // whose name without its extension is `prefix`: the path under the
    // package's folder.
    std::string TakeBeside(std::string_view prefix, std::string_view name, std::string_view extension);

private:
    struct Folder {
        std::size_t parent = 0;
        std::string name;  // as it stands in its parent
        FolderNames names;
    };
    std::vector<Folder> folders_ = std::vector<Folder>(1);  // [0]: the package's own
    std::map<std::pair<std::size_t, std::string_view>, std::size_t> children_;
    std::size_t last_ = 0;  // the folder of the last file given
};

// The files extraction (/x:) writes for a package's exports, also the names
// the page's zip uses: a file for every export that holds a sound or is of
// class Sound, in the folders of its group (all in the package's folder when
// `flat`), named over the whole table in its order, so that a numbered name
// always means the same export.
class SoundFiles {
public:
    SoundFiles(Facts::Groups& groups, bool flat) : groups_(groups), flat_(flat) {}

    // The file of export `index` under the package's folder ("Wind/Hit
    // (2).wav"); none for an export that gets no file. Take every export in
    // table order.
    std::optional<std::string> Take(std::size_t index, const KZ_Export_Element& entry, bool holdsWave);
    // A file beside the last one Take gave (PackageLayout::TakeBeside).
    std::string TakeBeside(std::string_view prefix, std::string_view name, std::string_view extension) {
        return layout_.TakeBeside(prefix, name, extension);
    }

private:
    Facts::Groups& groups_;
    bool flat_;
    PackageLayout layout_;
};

}  // namespace FileNames
