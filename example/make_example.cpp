// Writes the bundled example into the folder given: pk/Ambient.kzs,
// pk/Weather.kzs, batch.dpl and an empty out/ folder. Run Snd_Pull there:
//   Snd_Pull batch /i:pk /o:out
#include <cstdio>
#include <exception>

#include "kit/Example.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: make_example FOLDER\n", stderr);
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
