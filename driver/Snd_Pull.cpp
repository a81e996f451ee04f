// Snd_Pull: copies sound objects out of sound packages into WAVE files, as an
// export script says.
#include <iostream>

#include "common/Platform.h"
#include "driver/CommandLine.h"

int main(int argc, char** argv) {
    Platform::PrepareConsole();
    return SndPullMain(argc, argv, std::cout);
}
