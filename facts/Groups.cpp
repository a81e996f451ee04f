#include "facts/Groups.h"

#include <algorithm>

#include "facts/Escape.h"
#include "facts/Facts.h"
#include "package/KZ_Package.h"

namespace Facts {

namespace {

// What an export's Package field designates.
enum class Encloser { Nothing, Export, Outside };

struct Enclosing {
    Encloser kind = Encloser::Nothing;
    std::uint32_t index = 0;  // the enclosing export's, for Encloser::Export
};

// r > 0: export r-1; r < 0: import -r-1, which ends the chain like 0 does.
Enclosing EnclosingOf(const KZ_Package& package, std::size_t index) {
    const std::int32_t ref = package.Exports[index].Package;
    if (ref > 0) {
        const auto at = static_cast<std::uint32_t>(ref - 1);
        if (at < package.Exports.size()) return {Encloser::Export, at};
        return {Encloser::Outside, 0};
    }
    if (ref < 0 && static_cast<std::uint32_t>(-(ref + 1)) >= package.Imports.size()) return {Encloser::Outside, 0};
    return {};
}

// The state of an export while the table is worked out: its depth (the
// groups it stands in, 0 to kMaxDepth) once known, else one of these.
constexpr std::uint8_t kUnknown = 255;
constexpr std::uint8_t kOnPath = 254;  // on the chain being walked
constexpr std::uint8_t kCut = 253;     // closes a loop: stands at the top level
static_assert(Groups::kMaxDepth < kCut);

}  // namespace

Groups::Groups(const KZ_Package& package) : package_(package) {
    const std::size_t count = package.Exports.size();
    inner_.assign(count, kNone);
    std::vector<std::uint8_t> depth(count, kUnknown);
    std::size_t unnamed = 0;
    const auto find = [&](std::size_t index, Code code, Values values = {}) {
        if (findings_.size() == kMaxFindings) {
            ++unnamed;
            return;
        }
        Values named{{"index", std::uint64_t{index}}, {"name", std::string(package.NameAt(package.Exports[index].ObjectName))}};
        named.insert(named.end(), values.begin(), values.end());
        findings_.push_back(Make(code, std::move(named)));
    };

    // Loops: each chain is walked until it meets an export walked before.
    // One met on this same walk closes a loop, cut at its first export.
    // inner_ holds the walk that met each export.
    for (std::uint32_t start = 0; start < count; ++start) {
        if (inner_[start] != kNone) continue;
        std::uint32_t at = start;
        for (;;) {
            inner_[at] = start;
            const Enclosing up = EnclosingOf(package, at);
            if (up.kind != Encloser::Export) break;
            if (inner_[up.index] == kNone) {
                at = up.index;
                continue;
            }
            if (inner_[up.index] == start) {
                std::uint32_t first = up.index;
                for (Enclosing on = EnclosingOf(package, up.index); on.index != up.index;
                     on = EnclosingOf(package, on.index)) {
                    first = std::min(first, on.index);
                }
                depth[first] = kCut;
                find(first, Code::GroupLoop);
            }
            break;
        }
    }

    // Depths, outermost first: each chain is walked up to an export already
    // known (or the top), inner_ linking each export to the one below it on
    // the walk, then worked out back down those links.
    for (std::uint32_t start = 0; start < count; ++start) {
        if (depth[start] <= kMaxDepth) continue;
        std::uint32_t at = start, below = kNone;
        for (;;) {
            const bool cut = depth[at] == kCut;
            inner_[at] = below;
            depth[at] = cut ? 0 : kOnPath;
            if (cut) break;
            const Enclosing up = EnclosingOf(package, at);
            if (up.kind != Encloser::Export || depth[up.index] <= kMaxDepth) break;
            below = at;
            at = up.index;
        }
        while (at != kNone) {
            const std::uint32_t next = inner_[at];
            inner_[at] = kNone;
            const Enclosing up = EnclosingOf(package, at);
            if (depth[at] == 0) {
                // Cut from its loop.
            } else if (up.kind == Encloser::Outside) {
                depth[at] = 0;
                find(at, Code::GroupOutside, {{"object", std::int64_t{package.Exports[at].Package}}});
            } else if (up.kind == Encloser::Nothing) {
                depth[at] = 0;
            } else if (depth[up.index] < kMaxDepth) {
                depth[at] = static_cast<std::uint8_t>(depth[up.index] + 1);
                inner_[at] = up.index;
            } else {
                // Too deep: it stays in the group of the export enclosing it.
                depth[at] = kMaxDepth;
                inner_[at] = inner_[up.index];
                const Enclosing outer = EnclosingOf(package, up.index);
                if (outer.kind == Encloser::Export && inner_[up.index] == outer.index) {
                    find(at, Code::GroupTooDeep, {{"depth", std::uint64_t{kMaxDepth}}});
                }
            }
            any_ = any_ || inner_[at] != kNone;
            at = next;
        }
    }
    if (unnamed > 0) {
        findings_.push_back(Make(Code::MoreGroupFindings, {{"count", std::uint64_t{unnamed}}}));
    }
}

const std::vector<std::string_view>& Groups::Chain(std::size_t index) {
    const std::uint32_t group = inner_[index];
    if (group == memoGroup_) return chain_;
    memoGroup_ = group;
    pathBuilt_ = false;
    chain_.clear();
    for (std::uint32_t at = group; at != kNone; at = inner_[at]) {
        chain_.push_back(package_.NameAt(package_.Exports[at].ObjectName));
    }
    std::reverse(chain_.begin(), chain_.end());
    return chain_;
}

const std::string& Groups::Path(std::size_t index) {
    Chain(index);
    if (pathBuilt_) return path_;
    pathBuilt_ = true;
    path_.clear();
    for (std::size_t level = 0; level < chain_.size(); ++level) {
        if (level > 0) path_ += '.';
        path_ += chain_[level];
    }
    return path_;
}

}  // namespace Facts
