// How a SOUND named on the command line finds its export, the same for a
// print, /w: and /x:. In this order:
//   1. by an export's own name, exactly, as Snd_Pull finds a sound;
//   2. where no export has that name, by a full name: the export's group
//      path, a dot and its name ("Wind.Gusts.Hit"), as the JSON's "group"
//      and "name" give it;
//   3. "#N", N in decimal digits: export N, the listing's "#" column (for
//      sounds of one name in one group).
// A SOUND that names several exports means the first of them in the table;
// the others are kept, to be named in a warning.
//
// All the SOUNDs of a package are looked up together, in one pass over its
// table for each step that any of them still needs, whatever their number.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "facts/Findings.h"

class KZ_Package;

namespace Facts {

class Groups;

struct SoundMatch {
    // The others kept to be named: a name shared by a million exports is
    // not named a million times.
    static constexpr std::size_t kMaxOthers = 10;

    std::optional<std::size_t> chosen;  // the export the SOUND means
    bool byIndex = false;               // named as "#N"
    std::vector<std::size_t> others;    // the next exports it names, in table order
    std::uint64_t moreOthers = 0;       // those beyond kMaxOthers
};

// The match of each of `sounds`, in their order.
std::vector<SoundMatch> FindSounds(const KZ_Package& package, Groups& groups, const std::vector<std::string>& sounds);

// The export's full name: its group path, a dot and its name; the name alone
// at the top level.
std::string FullName(const KZ_Package& package, Groups& groups, std::size_t index);

// The same in double quotes (stored bytes escaped), with the export's number:
// "Wind.Gusts.Hit" (#4).
std::string FullNameShown(const KZ_Package& package, Groups& groups, std::size_t index);

// For a SOUND that names several exports, the warning that says so, to stand
// after "'<SOUND>' in package '<FILE>': ": how many, each by its full name
// and number, and that the first is taken. None when it names one or none.
std::optional<Finding> SeveralNamed(const KZ_Package& package, Groups& groups, const SoundMatch& match);

// Each export holding a sound that Snd_Pull cannot reach, because an earlier
// export has its name and Snd_Pull takes the first: handed to `take` with
// that first export, in table order. Reads through the package's stream,
// which it closes.
void ForEachUnreachable(KZ_Package& package, const std::function<void(std::size_t index, std::size_t first)>& take);

}  // namespace Facts
