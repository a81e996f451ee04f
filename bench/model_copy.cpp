// A WAVE file through the model and back: loads IN into a WAVE_File and saves
// it to OUT, every size recomputed. What the WAVE model benchmark times.
//
//   model_copy IN OUT
#include <cstdio>
#include <fstream>

#include "common/Paths.h"
#include "wave/Audio.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fputs("usage: model_copy IN OUT\n", stderr);
        return 2;
    }
    std::ifstream in;
    Platform::OpenInput(in, argv[1]);
    if (!in.is_open()) {
        std::fprintf(stderr, "model_copy: cannot read %s\n", argv[1]);
        return 1;
    }
    WAVE_File wave;
    wave.LoadData(in);
    in.close();
    std::ofstream out;
    Platform::OpenOutput(out, argv[2]);
    wave.SaveData(out);
    out.close();
    if (out.fail()) {
        std::fprintf(stderr, "model_copy: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
