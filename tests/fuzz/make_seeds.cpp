// Writes the seed corpus of every fuzz target: <root>/<target>/<seed>.
#include <filesystem>
#include <fstream>

#include "tests/fuzz/Seeds.h"

namespace FuzzSeeds {

std::vector<Maker>& Makers() {
    static std::vector<Maker> makers;
    return makers;
}

Registrar::Registrar(Maker maker) { Makers().push_back(maker); }

}  // namespace FuzzSeeds

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    const std::filesystem::path root = argv[1];
    for (const auto maker : FuzzSeeds::Makers()) {
        for (const auto& seed : maker()) {
            const auto folder = root / seed.target;
            std::filesystem::create_directories(folder);
            std::ofstream(folder / seed.name, std::ios::binary) << seed.bytes;
        }
    }
    return 0;
}
