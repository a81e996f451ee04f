#include "facts/SoundLookup.h"

#include <charconv>
#include <unordered_map>

#include "facts/Escape.h"
#include "facts/Facts.h"
#include "facts/Groups.h"
#include "package/KZ_Package.h"

namespace Facts {

namespace {

void Add(SoundMatch& match, std::size_t index) {
    if (!match.chosen) {
        match.chosen = index;
    } else if (match.others.size() < SoundMatch::kMaxOthers) {
        match.others.push_back(index);
    } else {
        ++match.moreOthers;
    }
}

// N of "#N" (decimal digits only), if `sound` is one.
std::optional<std::uint64_t> Numbered(std::string_view sound) {
    if (sound.size() < 2 || sound[0] != '#') return std::nullopt;
    std::uint64_t number = 0;
    const char* end = sound.data() + sound.size();
    const auto [stop, error] = std::from_chars(sound.data() + 1, end, number);
    if (error != std::errc() || stop != end) return std::nullopt;
    return number;
}

}  // namespace

std::vector<SoundMatch> FindSounds(const KZ_Package& package, Groups& groups, const std::vector<std::string>& sounds) {
    std::vector<SoundMatch> matches(sounds.size());
    const std::size_t count = package.Exports.size();
    const auto nameOf = [&](std::size_t index) { return package.NameAt(package.Exports[index].ObjectName); };

    // Own names: the SOUNDs by their text.
    std::unordered_map<std::string_view, std::vector<std::size_t>> byName;
    for (std::size_t n = 0; n < sounds.size(); ++n) byName[sounds[n]].push_back(n);
    for (std::size_t index = 0; index < count && !byName.empty(); ++index) {
        const auto found = byName.find(nameOf(index));
        if (found == byName.end()) continue;
        for (const std::size_t n : found->second) Add(matches[n], index);
    }

    // Full names, for the SOUNDs no own name matched: after one of the
    // SOUND's dots stands the export's name, before it its group path.
    struct Split {
        std::size_t sound;
        std::size_t dot;
    };
    std::unordered_map<std::string_view, std::vector<Split>> byLast;
    for (std::size_t n = 0; n < sounds.size(); ++n) {
        if (matches[n].chosen) continue;
        const std::string_view sound = sounds[n];
        for (std::size_t dot = sound.find('.'); dot != std::string_view::npos; dot = sound.find('.', dot + 1)) {
            byLast[sound.substr(dot + 1)].push_back({n, dot});
        }
    }
    for (std::size_t index = 0; index < count && !byLast.empty(); ++index) {
        const auto found = byLast.find(nameOf(index));
        if (found == byLast.end()) continue;
        // A top-level export's full name is its name alone, without a dot.
        if (groups.Chain(index).empty()) continue;
        const std::string& path = groups.Path(index);
        for (const Split& split : found->second) {
            if (path == std::string_view(sounds[split.sound]).substr(0, split.dot)) Add(matches[split.sound], index);
        }
    }

    // "#N".
    for (std::size_t n = 0; n < sounds.size(); ++n) {
        if (matches[n].chosen) continue;
        const std::optional<std::uint64_t> number = Numbered(sounds[n]);
        if (!number || *number >= count) continue;
        matches[n].chosen = static_cast<std::size_t>(*number);
        matches[n].byIndex = true;
    }
    return matches;
}

std::string FullName(const KZ_Package& package, Groups& groups, std::size_t index) {
    return FullName(groups.Path(index), package.NameAt(package.Exports[index].ObjectName));
}

std::string FullNameShown(const KZ_Package& package, Groups& groups, std::size_t index) {
    return Escape::Quoted(FullName(package, groups, index)) + " (#" + std::to_string(index) + ")";
}

std::optional<Finding> SeveralNamed(const KZ_Package& package, Groups& groups, const SoundMatch& match) {
    if (!match.chosen || match.others.empty()) return std::nullopt;
    const auto named = [&](std::size_t index) { return FullNameShown(package, groups, index); };
    std::string exports = named(*match.chosen);
    for (std::size_t n = 0; n < match.others.size(); ++n) {
        const bool last = n + 1 == match.others.size() && match.moreOthers == 0;
        exports += (last ? " and " : ", ") + named(match.others[n]);
    }
    if (match.moreOthers > 0) exports += " and " + std::to_string(match.moreOthers) + " more";
    return Make(Code::SeveralNamed, {{"count", std::uint64_t{1 + match.others.size() + match.moreOthers}},
                                     {"index", std::uint64_t{*match.chosen}},
                                     {"exports", std::move(exports)}});
}

void ForEachUnreachable(KZ_Package& package, const std::function<void(std::size_t index, std::size_t first)>& take) {
    const std::size_t count = package.Exports.size();
    for (std::size_t index = 0; index < count; ++index) {
        const KZ_Export_Element& entry = package.Exports[index];
        const KZ_Export_Element* first = package.FindExport(package.NameAt(entry.ObjectName));
        if (first == &entry || !HoldsWave(package, entry)) continue;
        take(index, static_cast<std::size_t>(first - package.Exports.data()));
    }
    package.GetPackageFile().close();
}

}  // namespace Facts
