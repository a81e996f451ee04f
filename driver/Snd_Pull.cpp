// Snd_Pull: copies sound objects out of sound packages into WAVE files, as an
// export script says.
#include <iostream>

#include "common/Console.h"
#include "driver/CommandLine.h"

int main(int argc, char** argv) {
    Platform::PrepareConsole();
    // A reader that stops early (head, a pager) must not cost the exports
    // still to come: writing to its closed pipe then only fails.
    Platform::IgnoreBrokenPipe();
    return SndPullMain(argc, argv, std::cout);
}
