// Writes the bundled example into the folder given: pk/Ambient.kzs,
// pk/Weather.kzs, pk/Forest.kzs, pk/Studio.kzs, batch.dpl and an empty out/
// folder. Run Snd_Pull there:
//   Snd_Pull batch /i:pk /o:out
#include <cstdio>
#include <cstring>
#include <exception>

#include "kit/Example.h"

namespace {

constexpr char kUsage[] =
    "usage: make_example FOLDER\n"
    "Writes the bundled example into FOLDER: pk/Ambient.kzs, pk/Weather.kzs,\n"
    "pk/Forest.kzs, pk/Studio.kzs, the export script batch.dpl and an empty\n"
    "out/ folder.\n"
    "Then, in FOLDER:\n"
    "  Snd_Pull batch /i:pk /o:out\n";

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 2) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    try {
        TestSupport::WriteExample(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_example: %s\n", e.what());
        return 1;
    }
    return 0;
}
