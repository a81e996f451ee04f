// Seeds for fuzz_package: well-formed packages of both header versions and
// every layout the builder makes, and a few damaged ones.
#include "kit/PackageBuilder.h"
#include "tests/fuzz/Seeds.h"

namespace {

using namespace TestSupport;

PackageBuilder Sounds(std::uint32_t version) {
    PackageBuilder b(version);
    b.Name("Pkg");
    b.AddSound("Wind01", ToneWave(440, 0.002));
    b.AddSound("Birds", ToneWave(880, 0.002), {1, -70, 0xDEADBEEF, std::nullopt, 5});
    ExportEntry empty;
    empty.objectName = b.Name("Empty");
    empty.dataSize = -3;
    b.AddExport(empty);
    return b;
}

std::vector<FuzzSeeds::Seed> MakeSeeds() {
    std::vector<FuzzSeeds::Seed> seeds;
    const auto add = [&seeds](const char* name, const std::string& bytes) {
        seeds.push_back({"fuzz_package", name, bytes});
    };
    add("legacy", Sounds(67).Build());
    PackageBuilder generations = Sounds(68);
    generations.Generations = {{3, 5}, {1, 1}};
    add("generations", generations.Build());
    PackageBuilder reordered = Sounds(68);
    reordered.Order = {Section::Objects, Section::Exports, Section::Names, Section::Imports};
    reordered.Gap = 3;
    reordered.CompactLength = 5;
    add("reordered", reordered.Build());
    PackageBuilder refs = Sounds(68);
    refs.Exports[0].superRef = 999;
    refs.Exports[1].objectName = -4;
    refs.Imports[0].package = -77;
    add("out_of_range", refs.Build());
    // Groups: nested, a loop, and a reference outside the table.
    PackageBuilder groups(68);
    const std::int32_t outer = groups.AddGroup("..");
    groups.AddSound("Hit", ToneWave(440, 0.002), {}, groups.AddGroup("a/b", outer));
    groups.AddSound("Hit", ToneWave(440, 0.002), {}, outer);
    const std::int32_t loop = groups.AddGroup("L");
    groups.Exports[static_cast<std::size_t>(loop - 1)].packageRef = groups.AddGroup("M", loop);
    groups.AddGroup("Far", 999);
    add("groups", groups.Build());
    PackageBuilder shortWave = Sounds(68);
    shortWave.AddSound("Short", "RIFF", {0, 0, 0, 400, 0});
    add("short_wave", shortWave.Build());
    PackageBuilder absurd = Sounds(68);
    absurd.ExportCount = 0x40000000;
    add("absurd_count", absurd.Build());
    const std::string whole = Sounds(68).Build();
    add("cut", whole.substr(0, whole.size() / 3));
    return seeds;
}

const FuzzSeeds::Registrar registrar(&MakeSeeds);

}  // namespace
