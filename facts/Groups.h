// The groups of a package's exports. An export's Package field is an object
// reference to what encloses it: another export (a group), an import, or
// nothing (0). An export's group path is the chain of exports enclosing it,
// outermost first, their names joined with dots ("Wind.Gusts"); empty at the
// top level.
//
// The whole table is worked out once, in linear time and without recursion,
// into a forest in which every export has one group:
//   - a reference to an import or to nothing ends the chain;
//   - a reference outside its table ends it too, with a finding;
//   - a loop is cut at its export that comes first in the table, which then
//     stands at the top level, with a finding;
//   - an export deeper than kMaxDepth groups stays in the kMaxDepth outermost,
//     with a finding for the first such export of each branch.
// The table costs 4 bytes an export (5 while it is worked out); at most
// kMaxFindings findings are kept, then one that counts the rest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "facts/Findings.h"

class KZ_Package;

namespace Facts {

// An export's full name: its group path and its name joined with '.'; its
// name alone at the top level ("Wind.Gusts.Hit", "Top").
inline std::string FullName(std::string_view group, std::string_view name) {
    std::string full(group);
    if (!full.empty()) full += '.';
    full += name;
    return full;
}

class Groups {
public:
    static constexpr std::size_t kMaxDepth = 64;
    static constexpr std::size_t kMaxFindings = 100;

    explicit Groups(const KZ_Package& package);

    // The names of the groups enclosing export `index`, outermost first, as
    // views into the package's names; valid until the next call.
    const std::vector<std::string_view>& Chain(std::size_t index);
    // The same joined with '.'; valid until the next call.
    const std::string& Path(std::size_t index);
    // Whether any export stands in a group.
    bool Any() const { return any_; }
    const std::vector<Finding>& Findings() const { return findings_; }

private:
    static constexpr std::uint32_t kNone = UINT32_MAX;
    // The innermost group of each export (an export index), or kNone.
    std::vector<std::uint32_t> inner_;
    std::vector<Finding> findings_;
    bool any_ = false;
    const KZ_Package& package_;
    // The chain of the exports in group `memoGroup_`: the exports of one
    // group mostly stand together, so it is built once for them.
    std::uint32_t memoGroup_ = kNone;
    std::vector<std::string_view> chain_;
    std::string path_;
    bool pathBuilt_ = false;
};

}  // namespace Facts
