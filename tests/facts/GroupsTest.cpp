// Group paths worked out from the exports' Package references: nesting, the
// ends of a chain, and damaged chains (loops, references outside the tables,
// chains too deep), each ending with a finding and never hanging.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "facts/Facts.h"
#include "facts/Groups.h"
#include "facts/SoundLookup.h"
#include "kit/PackageBuilder.h"
#include "tests/package/PackageFile.h"

namespace {

using namespace TestSupport;

struct Entry {
    const char* name;
    std::int32_t package;  // the stored object reference
};

// The group path of every export, and the findings, of a package whose one
// import is its export's class.
std::pair<std::vector<std::string>, std::vector<std::string>> GroupsOf(const std::vector<Entry>& entries) {
    PackageBuilder b;
    const std::int32_t sound = b.SoundClass();
    for (const Entry& entry : entries) {
        ExportEntry e;
        e.classRef = sound;
        e.packageRef = entry.package;
        e.objectName = b.Name(entry.name);
        b.AddExport(e);
    }
    const PackageFile package(b.Build());
    Facts::Groups groups(*package);
    std::vector<std::string> paths, findings;
    for (std::size_t i = 0; i < entries.size(); ++i) paths.push_back(groups.Path(i));
    for (const Facts::Finding& finding : groups.Findings()) findings.push_back(finding.text);
    return {paths, findings};
}

TEST(Groups, PathsOfEveryKindOfChain) {
    const struct {
        const char* what;
        std::vector<Entry> entries;
        std::vector<std::string> paths, findings;
    } cases[] = {
        {"nested, declared in any order", {{"Hit", 3}, {"Gusts", 3}, {"Wind", 0}, {"Hit", 2}},
         {"Wind", "Wind", "", "Wind.Gusts"}, {}},
        {"an import, or no object, ends the chain", {{"A", -1}, {"B", 1}, {"C", 0}}, {"", "A", ""}, {}},
        {"a name holding dots", {{"a.b", 0}, {"c", 1}}, {"", "a.b"}, {}},
        {"outside the tables", {{"A", 4}, {"B", -2}, {"C", 1}},
         {"", "", "A"},
         {"export 0 \"A\" is in object 4, outside the tables: it stands at the top level",
          "export 1 \"B\" is in object -2, outside the tables: it stands at the top level"}},
        {"a loop, cut at its first export", {{"S", 3}, {"A", 3}, {"B", 2}},
         {"A.B", "", "A"}, {"export 1 \"A\" is inside itself through its groups: it stands at the top level"}},
        {"an export inside itself", {{"Self", 1}, {"In", 1}},
         {"", "Self"}, {"export 0 \"Self\" is inside itself through its groups: it stands at the top level"}},
        {"a loop met from its outside, twice", {{"X", 2}, {"L1", 3}, {"L2", 2}, {"Y", 3}, {"M", 5}},
         {"L1", "", "L1", "L1.L2", ""},
         {"export 1 \"L1\" is inside itself through its groups: it stands at the top level",
          "export 4 \"M\" is inside itself through its groups: it stands at the top level"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto [paths, findings] = GroupsOf(c.entries);
        EXPECT_EQ(paths, c.paths);
        EXPECT_EQ(findings, c.findings);
    }
}

// One chain of 70: the 64 outermost groups are kept, the deeper exports stay
// in the 64th, and the chain is named once; the same below an export that
// stands at the top level by a damaged reference.
// A SOUND's export: its own name, else its full name, else "#N"; the first
// of several, with the others named, at most 11 of them.
TEST(Groups, SoundsByOwnNameFullNameAndNumber) {
    PackageBuilder b;
    const std::int32_t sound = b.SoundClass();
    const auto add = [&](const char* name, std::int32_t package) {
        ExportEntry e;
        e.classRef = sound;
        e.packageRef = package;
        e.objectName = b.Name(name);
        b.AddExport(e);
    };
    add("a.b", 0);  // 0
    add("c", 1);    // 1: a.b.c
    add("", 0);     // 2
    add("x", 3);    // 3: .x
    for (int n = 0; n < 12; ++n) add("n", 0);  // 4 to 15
    const PackageFile package(b.Build());
    Facts::Groups groups(*package);
    std::string twelve = "names 12 exports";
    for (int n = 4; n < 15; ++n) twelve += ", \"n\" (#" + std::to_string(n) + ")";
    twelve += " and 1 more: the first is taken";
    const struct {
        std::string sound;
        std::optional<std::size_t> chosen;
        std::string several;
    } cases[] = {
        {"a.b", 0, ""},        {"a.b.c", 1, ""}, {"b.c", std::nullopt, ""}, {".x", 3, ""}, {"x", 3, ""},
        {"n", 4, twelve},      {"#15", 15, ""},  {"#16", std::nullopt, ""},  {"#0", 0, ""},
        {"#99999999999999999999", std::nullopt, ""}, {"#+1", std::nullopt, ""}, {"#1x", std::nullopt, ""},
    };
    std::vector<std::string> sounds;
    for (const auto& c : cases) sounds.push_back(c.sound);
    const std::vector<Facts::SoundMatch> matches = Facts::FindSounds(*package, groups, sounds);
    ASSERT_EQ(matches.size(), sounds.size());
    for (std::size_t n = 0; n < sounds.size(); ++n) {
        SCOPED_TRACE(sounds[n]);
        EXPECT_EQ(matches[n].chosen, cases[n].chosen);
        EXPECT_EQ(matches[n].byIndex, sounds[n][0] == '#' && cases[n].chosen.has_value());
        const auto several = Facts::SeveralNamed(*package, groups, matches[n]);
        EXPECT_EQ(several ? several->text : "", cases[n].several);
    }
}

TEST(Groups, ChainsDeeperThan64StayInThe64Outermost) {
    std::vector<std::string> names;
    for (int n = 0; n < 70; ++n) names.push_back(std::string(1, 'g').append(std::to_string(n)));
    std::string outermost64;
    for (int n = 0; n < 64; ++n) outermost64.append(n ? "." : "").append(names[n]);
    for (const std::int32_t top : {0, 9999}) {
        SCOPED_TRACE(top);
        std::vector<Entry> entries;
        for (int n = 0; n < 70; ++n) entries.push_back({names[n].c_str(), n ? n : top});  // export n is in export n-1
        const auto [paths, findings] = GroupsOf(entries);
        EXPECT_EQ(paths[0], "");
        EXPECT_EQ(paths[1], "g0");
        EXPECT_EQ(paths[63], outermost64.substr(0, outermost64.rfind('.')));
        for (int n = 64; n < 70; ++n) EXPECT_EQ(paths[n], outermost64) << n;
        ASSERT_FALSE(findings.empty());
        EXPECT_EQ(findings.back(), "export 65 \"g65\" lies more than 64 groups deep: it stands in the 64 outermost");
        EXPECT_EQ(findings.size(), top == 0 ? 1u : 2u);
    }
}

// A table of nothing but damaged references: the findings stop at a hundred
// and count the rest.
TEST(Groups, FindingsAreCountedPastAHundred) {
    std::vector<Entry> entries(250, Entry{"x", 9999});
    const auto [paths, findings] = GroupsOf(entries);
    ASSERT_EQ(findings.size(), Facts::Groups::kMaxFindings + 1);
    EXPECT_EQ(findings.back(), "150 more exports whose groups go wrong");
    EXPECT_EQ(paths, std::vector<std::string>(250, ""));
}

}  // namespace
