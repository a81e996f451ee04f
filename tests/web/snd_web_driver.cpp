// Runs one call of the page's C API and prints what it returns, so that a
// test can run the page's listing as a program and measure it.
//
//   snd_web_driver info PATH     SndWeb_Info
//   snd_web_driver names PATH    SndWeb_FileNames
//   snd_web_driver exports PATH  SndWeb_Exports
#include <cstdio>
#include <cstring>

#include "web/SndWeb.h"

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    const char* text = nullptr;
    if (std::strcmp(argv[1], "info") == 0) text = SndWeb_Info(argv[2]);
    if (std::strcmp(argv[1], "names") == 0) text = SndWeb_FileNames(argv[2]);
    if (std::strcmp(argv[1], "exports") == 0) text = SndWeb_Exports(argv[2]);
    if (text == nullptr) return 2;
    return std::fputs(text, stdout) < 0 || std::fflush(stdout) != 0 ? 1 : 0;
}
