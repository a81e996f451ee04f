#include "info/Arguments.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "common/Platform.h"
#include "facts/Escape.h"
#include "facts/FileNames.h"
#include "facts/Intake.h"

std::size_t Arguments::SoundCount() const {
    std::size_t count = 0;
    for (const Target& target : targets) count += target.sounds.size();
    return count;
}

void WriteUsage(std::ostream& out) {
    out << "Usage:\n"
        << "   Snd_Info FILE [SOUND...] [FILE [SOUND...]]... [options]\n\n"
        << "   FILE   : a sound package, or a WAVE file (a file that begins with RIFF);\n"
        << "            - reads standard input\n"
        << "   SOUND  : a sound of the package named before it, shown as a WAVE file\n\n"
        << "   An argument is a FILE when it is the first, is -, holds a / or \\, ends in\n"
        << "   .kzs or .wav (any case) or names a file that exists; any other is a SOUND\n"
        << "   of the FILE before it (--sound=NAME names one that is also a file's name).\n\n"
        << "   /w:OUT.wav   --write=OUT.wav  also save the WAVE file or SOUND through the\n"
        << "                                 WAVE model to OUT.wav (- : standard output)\n"
        << "   /dpl         --dpl            print an export script for Snd_Pull naming the\n"
        << "                                 packages' sounds\n"
        << "   /json        --json           print one JSON document instead of the text\n"
        << "   /x:DIR       --extract=DIR    write every sound of the packages (or the SOUNDs\n"
        << "                                 named) to DIR/<package>/<groups>/<sound>.wav,\n"
        << "                                 a folder for each level of a sound's group\n"
        << "                --flat           with /x:, every sound of a package in one folder\n"
        << "   /y           --overwrite      let /x: replace files that exist\n"
        << "   /pcm         --pcm            with /w: or /x:, write ADPCM, A-law and mu-law\n"
        << "                                 sounds as 16-bit PCM\n"
        << "   /v           -v, --verbose    list a package's header and each export's class,\n"
        << "                                 data size and offset too\n"
        << "   /q           -q, --quiet      leave out the line /x: writes for each sound\n"
        << "   /regions     --regions        with /x:, also each region and loop of a sound as\n"
        << "                                 <sound> - <name>.wav beside it\n"
        << "   /labels      --labels         with /x:, also a sound's marks as <sound>.txt\n"
        << "   /sfz         --sfz            with /x:, also a looped sound as <sound>.sfz\n"
        << "   /region:NAME --region=NAME    with /w:, save only the region (or \"loop N\")\n"
        << "                                 of that name\n"
        << "   /?           -h, --help       print this text\n"
        << "                --version        print the program's version\n\n"
        << "   Snd_Info PACKAGE          lists the package's sounds\n"
        << "   Snd_Info PACKAGE SOUND    shows the sound's WAVE file\n"
        << "   Snd_Info FILE.wav         shows the WAVE file\n"
        << "   Snd_Info pk/*.kzs         lists every package, each after a heading\n"
        << "   Snd_Info PACKAGE /dpl     prints an export script\n"
        << "   Snd_Info pk/*.kzs /x:out  writes every sound to out/<package>/...\n"
        << std::flush;
}

namespace {

constexpr std::string_view kPackageExtension = ".kzs";
constexpr std::string_view kWaveExtension = ".wav";

enum class Option {
    Write, Script, Json, Extract, Overwrite, Pcm, Flat, Sound, Verbose, Quiet, Help, Version, Regions, Region, Labels, Sfz
};

// Every option: its slash form (any letter case; "" for none), its GNU long
// form, and whether it takes a value (slash "/w:VALUE", GNU "--write=VALUE"
// or "--write VALUE").
struct OptionForm {
    std::string_view slash;
    std::string_view gnu;
    bool takesValue;
    Option option;
};

constexpr OptionForm kOptions[] = {
    {"/w:", "--write", true, Option::Write},    {"/dpl", "--dpl", false, Option::Script},
    {"/json", "--json", false, Option::Json},   {"/x:", "--extract", true, Option::Extract},
    {"/y", "--overwrite", false, Option::Overwrite}, {"/pcm", "--pcm", false, Option::Pcm},
    {"", "--sound", true, Option::Sound},       {"/v", "--verbose", false, Option::Verbose},
    {"/q", "--quiet", false, Option::Quiet},    {"/?", "--help", false, Option::Help},
    {"", "--version", false, Option::Version},  {"", "--flat", false, Option::Flat},
    {"/regions", "--regions", false, Option::Regions}, {"/region:", "--region", true, Option::Region},
    {"/labels", "--labels", false, Option::Labels}, {"/sfz", "--sfz", false, Option::Sfz},
};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether a plain argument names a FILE rather than a SOUND (see the usage):
// a file that exists here is never taken for a sound's name.
bool NamesFile(std::string_view argument) {
    if (argument == Intake::kStandardInput) return true;
    std::error_code ec;
    if (std::filesystem::is_regular_file(Platform::HostPath(std::string(argument)), ec)) return true;
    if (argument.find_first_of("/\\") != std::string_view::npos) return true;
    const std::string lower = FileNames::AsciiLower(argument);
    return lower.ends_with(kPackageExtension) || lower.ends_with(kWaveExtension);
}

// A slash option shaped argument -- '/', letters, then the end or ':' -- that
// is no known option is an unknown one; anything else starting with '/' is a
// POSIX path.
bool LooksLikeSlashOption(std::string_view argument) {
    std::size_t letters = 1;
    while (letters < argument.size() && IsLetter(argument[letters])) ++letters;
    return letters > 1 && (letters == argument.size() || argument[letters] == ':');
}

class Parser {
public:
    Parser(int argc, const char* const* argv) : argc_(argc), argv_(argv) {}

    // Fills `args`; returns why the command line is wrong, or nothing.
    std::optional<std::string> Parse(Arguments& args);

private:
    std::optional<std::string> Apply(const OptionForm& form, std::string_view spelt,
                                     std::optional<std::string_view> value, Arguments& args);
    std::optional<std::string> Plain(std::string_view argument, Arguments& args);

    int argc_;
    const char* const* argv_;
    int next_ = 1;
};

std::optional<std::string> Parser::Apply(const OptionForm& form, std::string_view spelt,
                                         std::optional<std::string_view> value, Arguments& args) {
    if (form.takesValue && (!value || value->empty())) {
        return std::string(spelt) + (form.option == Option::Extract ? " needs a folder after it"
                                     : form.option == Option::Sound ? " needs a sound's name after it"
                                     : form.option == Option::Region ? " needs a region's name after it"
                                                                    : " needs a file name after it");
    }
    switch (form.option) {
        case Option::Write: args.wavePath = std::string(*value); break;
        case Option::Script: args.script = true; break;
        case Option::Json: args.json = true; break;
        case Option::Extract: args.extractFolder = std::string(*value); break;
        case Option::Overwrite: args.overwrite = true; break;
        case Option::Pcm: args.pcm = true; break;
        case Option::Flat: args.flat = true; break;
        case Option::Sound:
            if (args.targets.empty()) return std::string(spelt) + " names a sound of the FILE before it";
            args.targets.back().sounds.emplace_back(*value);
            break;
        case Option::Verbose: args.verbose = true; break;
        case Option::Quiet: args.quiet = true; break;
        case Option::Help: args.help = true; break;
        case Option::Version: args.version = true; break;
        case Option::Regions: args.regions = true; break;
        case Option::Region: args.region = std::string(*value); break;
        case Option::Labels: args.labels = true; break;
        case Option::Sfz: args.sfz = true; break;
    }
    return std::nullopt;
}

std::optional<std::string> Parser::Plain(std::string_view argument, Arguments& args) {
    if (args.targets.empty() || NamesFile(argument)) {
        args.targets.push_back({std::string(argument), {}});
    } else {
        args.targets.back().sounds.emplace_back(argument);
    }
    return std::nullopt;
}

std::optional<std::string> Parser::Parse(Arguments& args) {
    bool optionsEnd = false;
    for (; next_ < argc_; ++next_) {
        const std::string_view argument = argv_[next_];
        std::optional<std::string> problem;
        if (optionsEnd) {
            problem = Plain(argument, args);
        } else if (argument == "--") {
            optionsEnd = true;
        } else if (argument.starts_with("--")) {
            const std::size_t equals = argument.find('=');
            const std::string_view name = argument.substr(0, equals);
            const OptionForm* form = nullptr;
            for (const OptionForm& candidate : kOptions) {
                if (candidate.gnu == name) form = &candidate;
            }
            if (!form || (!form->takesValue && equals != std::string_view::npos)) {
                return "unknown option '" + Escape::Printable(argument) + "'";
            }
            std::optional<std::string_view> value;
            if (equals != std::string_view::npos) {
                value = argument.substr(equals + 1);
            } else if (form->takesValue && next_ + 1 < argc_) {
                value = argv_[++next_];
            }
            problem = Apply(*form, name, value, args);
        } else if (argument == "-h") {
            args.help = true;
        } else if (argument == "-v") {
            args.verbose = true;
        } else if (argument == "-q") {
            args.quiet = true;
        } else if (argument.size() > 1 && argument[0] == '-') {
            return "unknown option '" + Escape::Printable(argument) + "'";
        } else if (argument.size() > 1 && argument[0] == '/') {
            const std::string lower = FileNames::AsciiLower(argument);
            const OptionForm* form = nullptr;
            for (const OptionForm& candidate : kOptions) {
                if (candidate.slash.empty()) continue;
                if (candidate.takesValue ? lower.starts_with(candidate.slash) : lower == candidate.slash) {
                    form = &candidate;
                }
            }
            if (form) {
                std::optional<std::string_view> value;
                if (form->takesValue) value = argument.substr(form->slash.size());
                problem = Apply(*form, form->slash, value, args);
            } else if (LooksLikeSlashOption(argument)) {
                return "unknown option '" + Escape::Printable(argument) + "'";
            } else {
                problem = Plain(argument, args);
            }
        } else {
            problem = Plain(argument, args);
        }
        if (problem) return problem;
    }
    if (args.help || args.version) return std::nullopt;
    if (args.targets.empty()) return "no FILE given";
    if (args.script && args.SoundCount() > 0) return "/dpl takes a package alone, without a SOUND";
    if (args.script && args.json) return "/dpl prints a script, /json a document: give one of them";
    if (args.overwrite && !args.extractFolder) return "/y goes with /x:";
    if (args.flat && !args.extractFolder) return "--flat goes with /x:";
    if (args.pcm && !args.extractFolder && !args.wavePath) return "--pcm goes with /w: or /x:";
    if (args.regions && !args.extractFolder) return "--regions goes with /x:";
    if (args.labels && !args.extractFolder) return "--labels goes with /x:";
    if (args.sfz && !args.extractFolder) return "--sfz goes with /x:";
    if (args.region && !args.wavePath) return "--region goes with /w:";
    if (args.extractFolder) {
        if (args.script || args.wavePath) return "/x: writes files of its own: /dpl and /w: do not go with it";
        if (args.targets.size() > 1 && args.SoundCount() > 0) {
            return "/x: takes packages, or one package and its sounds";
        }
    }
    if (args.wavePath) {
        if (args.targets.size() > 1 || args.SoundCount() > 1) return "/w: saves one WAVE file or one SOUND";
        if (*args.wavePath == kStandardOutput && (args.json || args.script)) {
            return "/w:- writes the WAVE file to standard output: nothing else can go there";
        }
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> ParseArguments(int argc, const char* const* argv, Arguments& args) {
    return Parser(argc, argv).Parse(args);
}
