// Seed corpus registry: each seeds_*.cpp file registers the seeds of its fuzz
// targets; make_seeds writes them all to <root>/<target>/<name>.
#pragma once

#include <string>
#include <vector>

namespace FuzzSeeds {

struct Seed {
    std::string target;  // the fuzz target's name, e.g. "fuzz_compact_index"
    std::string name;
    std::string bytes;
};

using Maker = std::vector<Seed> (*)();

// Registers `maker` at start-up; use as `static FuzzSeeds::Registrar r(&MakeSeeds);`.
struct Registrar {
    explicit Registrar(Maker maker);
};

std::vector<Maker>& Makers();

}  // namespace FuzzSeeds
