// Snd_Info: shows what a sound package or a WAVE file holds, writes export
// scripts for Snd_Pull, and saves WAVE files through the WAVE model.
#include <iostream>

#include "common/Platform.h"
#include "info/InfoCommand.h"

int main(int argc, char** argv) {
    Platform::PrepareConsole();
    return SndInfoMain(argc, argv, std::cout, std::cerr);
}
