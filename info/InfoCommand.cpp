#include "info/InfoCommand.h"

#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>

#include "common/LittleEndian.h"
#include "common/Platform.h"
#include "info/InfoReport.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"

namespace {

using InfoReport::Printable;

constexpr std::string_view kPrefix = "Snd_Info: ";
constexpr std::string_view kPackageExtension = ".kzs";

void WriteUsage(std::ostream& out) {
    out << "Usage:\n"
        << "   Snd_Info FILE [SOUND] [/w:OUT.wav] [/dpl]\n\n"
        << "   FILE        : a sound package, or a WAVE file (a file that begins with RIFF)\n"
        << "   SOUND       : a sound of the package, shown as a WAVE file\n"
        << "   /w:OUT.wav  : also save the WAVE file or SOUND through the WAVE model to OUT.wav\n"
        << "   /dpl        : print an export script for Snd_Pull naming the package's sounds\n\n"
        << "   Snd_Info PACKAGE          lists the package's header and exports\n"
        << "   Snd_Info PACKAGE SOUND    shows the sound's WAVE file\n"
        << "   Snd_Info FILE.wav         shows the WAVE file\n"
        << "   Snd_Info PACKAGE /dpl     prints an export script\n"
        << std::flush;
}

struct Arguments {
    std::string file;
    std::optional<std::string> sound;
    std::optional<std::string> wavePath;
    bool script = false;
    bool help = false;
};

enum class Kind { Plain, Output, Script, Help, Unknown };

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Options are "/w:PATH" and "/dpl" in any case, and "/?". Any other argument
// shaped like an option -- '/', letters, then the end or ':' -- is an unknown
// one; everything else is a plain argument, so that a POSIX path such as
// /tmp/a.kzs still names a file.
Kind Classify(std::string_view argument) {
    if (argument.size() < 2 || argument[0] != '/') return Kind::Plain;
    const std::string lower = Lower(argument);
    if (lower.starts_with("/w:")) return Kind::Output;
    if (lower == "/dpl") return Kind::Script;
    if (argument == "/?") return Kind::Help;
    std::size_t letters = 1;
    while (letters < argument.size() && IsLetter(argument[letters])) ++letters;
    if (letters > 1 && (letters == argument.size() || argument[letters] == ':')) return Kind::Unknown;
    return Kind::Plain;
}

// Fills `args`; returns why the command line is wrong, or nothing.
std::optional<std::string> Parse(int argc, const char* const* argv, Arguments& args) {
    int plain = 0;
    for (int n = 1; n < argc; ++n) {
        const std::string_view argument = argv[n];
        switch (Classify(argument)) {
            case Kind::Output:
                args.wavePath = std::string(argument.substr(3));
                if (args.wavePath->empty()) return "/w: needs a file name after it";
                break;
            case Kind::Script: args.script = true; break;
            case Kind::Help: args.help = true; break;
            case Kind::Unknown: return "unknown option '" + Printable(argument) + "'";
            case Kind::Plain:
                if (plain == 0) {
                    args.file = argument;
                } else if (plain == 1) {
                    args.sound = std::string(argument);
                } else {
                    return "one argument too many: '" + Printable(argument) + "'";
                }
                ++plain;
                break;
        }
    }
    if (args.help) return std::nullopt;
    if (plain == 0) return "no FILE given";
    if (args.script && args.sound) return "/dpl takes a package alone, without a SOUND";
    return std::nullopt;
}

class InfoRun {
public:
    InfoRun(const Arguments& args, std::ostream& out, std::ostream& err) : args_(args), out_(out), err_(err) {}

    int Run();

private:
    int RunWave(std::ifstream& in);
    int RunPackage();
    int RunScript(KZ_Package& package);
    int RunSound(KZ_Package& package);
    // Prints a loaded model and saves it where /w: says.
    int Show(WAVE_File& wave, const std::string& what);

    int Fail(const std::string& message) {
        err_ << kPrefix << message << '\n' << std::flush;
        return kInfoFailure;
    }
    int BadUsage(const std::string& reason) {
        err_ << kPrefix << reason << '\n';
        WriteUsage(err_);
        return kInfoBadUsage;
    }
    // A path or name from the command line, between single quotes.
    static std::string Shown(const std::string& text) {
        std::string shown(1, '\'');
        shown += Printable(text);
        shown += '\'';
        return shown;
    }

    const Arguments& args_;
    std::ostream& out_;
    std::ostream& err_;
};

int InfoRun::Run() {
    std::ifstream in;
    Platform::OpenInput(in, args_.file);
    if (!in.is_open() || in.fail()) return Fail("cannot open " + Shown(args_.file));
    // A WAVE file begins with "RIFF"; anything else is read as a package.
    std::uint32_t id = 0;
    if (LittleEndian::Read(in, id) && id == kRiffID) return RunWave(in);
    in.close();
    return RunPackage();
}

int InfoRun::RunWave(std::ifstream& in) {
    if (args_.script) return BadUsage("/dpl works on a package, not on a WAVE file");
    if (args_.sound) return BadUsage("a SOUND is looked up in a package, not in a WAVE file");
    in.clear();
    in.seekg(0);
    WAVE_File wave;
    wave.LoadData(in);
    in.close();
    return Show(wave, Shown(args_.file));
}

int InfoRun::RunPackage() {
    if (args_.wavePath && !args_.sound) return BadUsage("/w: saves a WAVE file or a SOUND of a package");
    // The package borrows the path text for as long as it lives.
    const std::string path = args_.file;
    KZ_Package package(path.c_str());
    if (package.GetPackageFile().fail()) {
        return Fail(Shown(path) + " is neither a WAVE file nor a readable sound package");
    }
    package.GetPackageFile().close();
    if (args_.script) return RunScript(package);
    if (args_.sound) return RunSound(package);
    InfoReport::PrintPackage(package, path, out_);
    return kInfoSuccess;
}

// The package line is the file's name without its ".kzs", as Snd_Pull adds
// it back; the script is used with /i: naming the package's folder.
int InfoRun::RunScript(KZ_Package& package) {
    const std::string& path = args_.file;
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    if (name.ends_with(kPackageExtension)) {
        name.resize(name.size() - kPackageExtension.size());
    } else {
        err_ << kPrefix << "warning: " << Shown(name) << " does not end in \".kzs\": Snd_Pull will look for "
             << Shown(name + std::string(kPackageExtension)) << '\n';
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return Fail("the package name " + Shown(name) + " cannot stand in a script");
    }

    out_ << name << ";\n";
    InfoReport::ForEachScriptSound(package, [this](std::string_view sound, bool safe) {
        if (safe) {
            out_ << sound << '\n';
        } else {
            err_ << kPrefix << "left out of the script, not usable as a file name: " << InfoReport::Quoted(sound)
                 << '\n';
        }
    });
    out_ << std::flush;
    err_ << std::flush;
    return kInfoSuccess;
}

int InfoRun::RunSound(KZ_Package& package) {
    const std::string& name = *args_.sound;
    // The lookup Snd_Pull makes: an export stored with offset -1 is no match.
    const KZ_Export_Element* found = package.FindExport(name);
    if (!found || found->DataOffset == -1) {
        return Fail("no sound " + Shown(name) + " in package " + Shown(args_.file));
    }
    KZ_Sound sound = LoadSound(package, *found);
    const std::unique_ptr<WAVE_File> wave = sound.GetWAVE();
    return Show(*wave, Shown(name) + " in package " + Shown(args_.file));
}

bool SameFile(const std::string& first, const std::string& second) {
    std::error_code ec;
    return std::filesystem::equivalent(Platform::HostPath(first), Platform::HostPath(second), ec) && !ec;
}

int InfoRun::Show(WAVE_File& wave, const std::string& what) {
    if (wave.RiffID != kRiffID || wave.FormType != kWaveID) return Fail(what + " is not a valid WAVE file");
    InfoReport::PrintWave(wave, out_);
    if (!args_.wavePath) return kInfoSuccess;

    const std::string& path = *args_.wavePath;
    // The model may hold less than the input (a damaged file loses what it
    // cannot place), so the input is never replaced by it.
    if (SameFile(path, args_.file)) return Fail("will not write over the input file " + Shown(path));
    const std::uint64_t length = wave.CalcSize();
    if (length > WAVE_File::kLargestRiffSize + 8) {
        return Fail("cannot write " + Shown(path) + ": the WAVE file would be " + std::to_string(length) +
                    " bytes, more than the 4 GiB a RIFF size can state");
    }
    Platform::OutputFile file(path);
    if (!file.IsOpen()) return Fail("cannot write " + Shown(path));
    wave.SaveData(file.Stream());
    if (!file.Commit()) return Fail("cannot write " + Shown(path));
    return kInfoSuccess;
}

}  // namespace

int SndInfoMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Arguments args;
    if (const auto reason = Parse(argc, argv, args)) {
        err << kPrefix << *reason << '\n';
        WriteUsage(err);
        return kInfoBadUsage;
    }
    if (args.help) {
        WriteUsage(out);
        return kInfoSuccess;
    }
    try {
        return InfoRun(args, out, err).Run();
    } catch (const std::bad_alloc&) {
        out << std::flush;
        err << kPrefix << "not enough memory to read " << "'" << Printable(args.file) << "'\n" << std::flush;
        return kInfoFailure;
    }
}
