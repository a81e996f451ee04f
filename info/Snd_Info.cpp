// Snd_Info: shows what a sound package or a WAVE file holds, writes export
// scripts for Snd_Pull, and saves WAVE files through the WAVE model.
#include <iostream>
#include <string>
#include <vector>

#include "common/Platform.h"
#include "info/InfoCommand.h"

int main(int argc, char** argv) {
    Platform::PrepareConsole();
    // A reader that goes away (head, a pager) ends a listing early with a
    // message; an extraction still writes every file, its job.
    Platform::IgnoreBrokenPipe();
    // Snd_Info takes any number of files: `Snd_Info pk\*.kzs` on Windows too.
    const std::vector<std::string> args = Platform::ExpandWildcards(argc, argv);
    std::vector<const char*> pointers{argc > 0 ? argv[0] : "Snd_Info"};
    for (const std::string& arg : args) pointers.push_back(arg.c_str());
    return SndInfoMain(static_cast<int>(pointers.size()), pointers.data(), std::cout, std::cerr,
                       Platform::IsTerminal(Platform::Stream::Error));
}
