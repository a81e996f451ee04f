#include "driver/CommandLine.h"

#include <fstream>
#include <string>
#include <string_view>

#include "common/Paths.h"
#include "driver/ExportLoop.h"

namespace {

constexpr std::string_view kScriptExtension = ".dpl";

void WriteUsage(std::ostream& out) {
    out << "Usage:\n"
        << "   Snd_Pull ScriptFile [/i:InPath] [/o:OutPath]\n\n"
        << "   InPath  : Path to load sound package(s) from\n"
        << "   OutPath : Path to export WAVs to\n";
}

// What a first argument that names no script may ask for instead.
enum class Request { None, Help, Version };

Request AskedFor(std::string_view argument) {
    if (argument == "--help" || argument == "-h" || argument == "/?") return Request::Help;
    if (argument == "--version") return Request::Version;
    return Request::None;
}

// A path option's value; a non-empty one always ends in a backslash (a
// forward slash does not count). An empty value stays empty: files are then
// relative to the current directory.
std::string PathValue(std::string_view value) {
    std::string path(value);
    if (!path.empty() && path.back() != '\\') path += '\\';
    return path;
}

}  // namespace

int SndPullMain(int argc, const char* const* argv, std::ostream& out) {
    if (argc <= 1) {
        WriteUsage(out);
        return kAllWritten;
    }

    std::string scriptFile = argv[1];
    if (!std::string_view(scriptFile).ends_with(kScriptExtension)) scriptFile += kScriptExtension;

    std::ifstream script;
    Platform::OpenInput(script, scriptFile);
    if (!script.is_open() || script.fail()) {
        // A script of that name comes first: --help.dpl is a script like any
        // other.
        switch (AskedFor(argv[1])) {
            case Request::Help:
                WriteUsage(out);
                out << "\n   See also: Snd_Info --help, and docs/snd_pull.md\n";
                return kAllWritten;
            case Request::Version:
                out << "Snd_Pull " << SND_VERSION << '\n';
                return kAllWritten;
            case Request::None: break;
        }
        out << "Script File '" << scriptFile << "' could not be opened." << '\n' << std::flush;
        return kNotAllWritten;
    }

    std::string inPath;
    std::string outPath;
    for (int n = 2; n < argc; ++n) {
        const std::string_view argument = argv[n];
        const std::string_view selector = argument.substr(0, 3);
        const std::string_view value = argument.substr(selector.size());
        if (selector == "/i:" || selector == "/I:") {
            inPath = PathValue(value);
        } else if (selector == "/o:" || selector == "/O:") {
            outPath = PathValue(value);
        } else {
            out << "Unknown option #" << n << ": '" << selector << "'\n";
            return kUsageError;
        }
    }

    return RunExportLoop(script, inPath, outPath, out) ? kAllWritten : kNotAllWritten;
}
