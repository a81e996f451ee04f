#include "info/InfoCommand.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/Platform.h"
#include "info/Extract.h"
#include "info/InfoInput.h"
#include "info/InfoJson.h"
#include "info/InfoReport.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"

namespace {

using InfoInput::Shown;
using InfoReport::Printable;
using json = nlohmann::ordered_json;

constexpr std::string_view kPrefix = "Snd_Info: ";
constexpr std::string_view kPackageExtension = ".kzs";
constexpr std::string_view kWaveExtension = ".wav";
constexpr std::string_view kStandardOutput = "-";

void WriteUsage(std::ostream& out) {
    out << "Usage:\n"
        << "   Snd_Info FILE [SOUND...] [FILE [SOUND...]]... [options]\n\n"
        << "   FILE   : a sound package, or a WAVE file (a file that begins with RIFF);\n"
        << "            - reads standard input\n"
        << "   SOUND  : a sound of the package named before it, shown as a WAVE file\n\n"
        << "   An argument is a FILE when it is the first, is -, holds a / or \\, or ends\n"
        << "   in .kzs or .wav (any case); any other is a SOUND of the FILE before it.\n\n"
        << "   /w:OUT.wav   --write=OUT.wav  also save the WAVE file or SOUND through the\n"
        << "                                 WAVE model to OUT.wav (- : standard output)\n"
        << "   /dpl         --dpl            print an export script for Snd_Pull naming the\n"
        << "                                 packages' sounds\n"
        << "   /json        --json           print one JSON document instead of the text\n"
        << "   /x:DIR       --extract=DIR    write every sound of the packages (or the SOUNDs\n"
        << "                                 named) to DIR/<package>/<sound>.wav\n"
        << "   /y           --overwrite      let /x: replace files that exist\n"
        << "   /?           -h, --help       print this text\n"
        << "                --version        print the program's version\n\n"
        << "   Snd_Info PACKAGE          lists the package's header and exports\n"
        << "   Snd_Info PACKAGE SOUND    shows the sound's WAVE file\n"
        << "   Snd_Info FILE.wav         shows the WAVE file\n"
        << "   Snd_Info pk/*.kzs         lists every package, each after a heading\n"
        << "   Snd_Info PACKAGE /dpl     prints an export script\n"
        << "   Snd_Info pk/*.kzs /x:out  writes every sound to out/<package>/<sound>.wav\n"
        << std::flush;
}

// ---- the command line -------------------------------------------------------

enum class Option { Write, Script, Json, Extract, Overwrite, Help, Version };

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
    {"/y", "--overwrite", false, Option::Overwrite}, {"/?", "--help", false, Option::Help},
    {"", "--version", false, Option::Version},
};

// One FILE and the SOUNDs named after it.
struct Target {
    std::string file;
    std::vector<std::string> sounds;
};

struct Arguments {
    std::vector<Target> targets;
    std::optional<std::string> wavePath;
    std::optional<std::string> extractFolder;
    bool overwrite = false;
    bool script = false;
    bool json = false;
    bool help = false;
    bool version = false;

    std::size_t SoundCount() const {
        std::size_t count = 0;
        for (const Target& target : targets) count += target.sounds.size();
        return count;
    }
};

std::string Lower(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return lower;
}

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// Whether a plain argument names a FILE rather than a SOUND (see the usage).
bool NamesFile(std::string_view argument) {
    if (argument == InfoInput::kStandardInput) return true;
    if (argument.find_first_of("/\\") != std::string_view::npos) return true;
    const std::string lower = Lower(argument);
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
        return std::string(spelt) + (form.option == Option::Extract ? " needs a folder after it" : " needs a file name after it");
    }
    switch (form.option) {
        case Option::Write: args.wavePath = std::string(*value); break;
        case Option::Script: args.script = true; break;
        case Option::Json: args.json = true; break;
        case Option::Extract: args.extractFolder = std::string(*value); break;
        case Option::Overwrite: args.overwrite = true; break;
        case Option::Help: args.help = true; break;
        case Option::Version: args.version = true; break;
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
                return "unknown option '" + Printable(argument) + "'";
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
        } else if (argument.size() > 1 && argument[0] == '-') {
            return "unknown option '" + Printable(argument) + "'";
        } else if (argument.size() > 1 && argument[0] == '/') {
            const std::string lower = Lower(argument);
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
                return "unknown option '" + Printable(argument) + "'";
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

// ---- the run -------------------------------------------------------------------

// Ends the run early: bad usage found once a FILE's type is known, or
// standard output that cannot be written.
struct Stop {
    int status;
};

class InfoRun {
public:
    InfoRun(const Arguments& args, std::ostream& out, std::ostream& err)
        : args_(args), out_(out), err_(err) {
        std::size_t prints = 0;
        for (const Target& target : args.targets) prints += std::max<std::size_t>(target.sounds.size(), 1);
        headings_ = prints > 1 && !args.script && !args.json;
        toStandardOutput_ = args.wavePath && *args.wavePath == kStandardOutput;
    }

    int Run();

private:
    void RunTarget(const Target& target);
    void RunWave(const Target& target, InfoInput::Input& input);
    void RunPackage(const Target& target);
    void RunScript(KZ_Package& package, const std::string& path);
    void RunSound(KZ_Package& package, const std::string& path, const std::string& name);
    // Prints a loaded model (or adds it to the document) and saves it where /w: says.
    void Show(WAVE_File& wave, const std::string& path, const std::vector<std::string>& warnings,
              const std::string& heading, json soundFields);
    void Save(WAVE_File& wave, const std::string& input);

    // The heading line before each print of a call that prints several.
    void Heading(const std::string& text) {
        if (!headings_) return;
        if (printed_) out_ << '\n';
        out_ << "==> " << Printable(text) << " <==\n";
        printed_ = true;
    }
    void Warn(const std::string& what, const std::vector<std::string>& warnings) {
        for (const std::string& warning : warnings) err_ << kPrefix << "warning: " << what << ": " << warning << '\n';
        err_ << std::flush;
    }
    void Fail(const std::string& path, const std::string& message, json soundFields = json::object()) {
        err_ << kPrefix << message << '\n' << std::flush;
        status_ = kInfoFailure;
        if (!document_) return;
        json file = InfoJson::ErrorFile(path, message);
        file.update(soundFields);
        document_->Add(file);
    }
    [[noreturn]] void BadUsage(const std::string& reason) {
        out_ << std::flush;
        err_ << kPrefix << reason << '\n';
        WriteUsage(err_);
        throw Stop{kInfoBadUsage};
    }
    // A write to standard output that failed (a full disk, a closed pipe
    // where SIGPIPE is ignored) ends the run: what follows would be lost too.
    void CheckOutput() {
        out_.flush();
        if (out_.fail()) {
            err_ << kPrefix << "cannot write to standard output\n" << std::flush;
            throw Stop{kInfoFailure};
        }
    }

    const Arguments& args_;
    std::ostream& out_;
    std::ostream& err_;
    // The JSON document, written file by file as the run goes.
    std::optional<InfoJson::DocumentWriter> document_;
    int status_ = kInfoSuccess;
    bool headings_ = false;
    bool printed_ = false;
    bool toStandardOutput_ = false;
};

int InfoRun::Run() {
    try {
        if (args_.json) document_.emplace(out_);
        for (const Target& target : args_.targets) {
            try {
                RunTarget(target);
            } catch (const std::bad_alloc&) {
                Fail(target.file, "not enough memory to read " + Shown(target.file));
            }
            CheckOutput();
        }
        if (document_) {
            document_->Finish();
            CheckOutput();
        }
    } catch (const Stop& stop) {
        // Bad usage found on the way still leaves a whole document.
        if (stop.status == kInfoBadUsage && document_) {
            document_->Finish();
            out_.flush();
        }
        return stop.status;
    }
    return status_;
}

void InfoRun::RunTarget(const Target& target) {
    InfoInput::Input input;
    if (!input.Open(target.file)) return Fail(target.file, "cannot open " + Shown(target.file));
    switch (input.GetType()) {
        case InfoInput::Type::Wave: return RunWave(target, input);
        case InfoInput::Type::DamagedRiff: return Fail(target.file, Shown(target.file) + " is not a valid WAVE file");
        case InfoInput::Type::Other: break;
    }
    if (!input.Reopenable()) {
        return Fail(target.file, Shown(target.file) + " is not a WAVE file, and a package cannot be read from a pipe");
    }
    RunPackage(target);
}

void InfoRun::RunWave(const Target& target, InfoInput::Input& input) {
    if (args_.script) BadUsage("/dpl works on a package, not on a WAVE file");
    if (!target.sounds.empty()) BadUsage("a SOUND is looked up in a package, not in a WAVE file");
    WAVE_File wave;
    // The print needs the headers only; a save every byte.
    InfoInput::LoadWave(wave, input.Stream(), args_.wavePath ? InfoInput::Load::Everything : InfoInput::Load::HeadersOnly);
    const std::vector<std::string> warnings = InfoReport::SizeWarnings(wave);
    Warn(Shown(target.file), warnings);
    Show(wave, target.file, warnings, target.file, json::object());
    if (args_.wavePath) Save(wave, target.file);
}

void InfoRun::RunPackage(const Target& target) {
    if (args_.wavePath && target.sounds.empty()) BadUsage("/w: saves a WAVE file or a SOUND of a package");
    // The package borrows the path text for as long as it lives.
    const std::string& path = target.file;
    KZ_Package package(path.c_str());
    if (package.GetPackageFile().fail()) {
        return Fail(path, Shown(path) + " is neither a WAVE file nor a readable sound package");
    }
    package.GetPackageFile().close();
    if (args_.script) return RunScript(package, path);
    for (const std::string& name : target.sounds) {
        RunSound(package, path, name);
        CheckOutput();
    }
    if (!target.sounds.empty()) return;
    if (document_) {
        document_->AddPackage(package, path);
        return;
    }
    Heading(path);
    InfoReport::PrintPackage(package, path, out_);
}

// The package line is the file's name without its ".kzs", as Snd_Pull adds
// it back; the script is used with /i: naming the package's folder.
void InfoRun::RunScript(KZ_Package& package, const std::string& path) {
    std::string name = path.substr(path.find_last_of("\\/") + 1);
    if (name.ends_with(kPackageExtension)) {
        name.resize(name.size() - kPackageExtension.size());
    } else {
        err_ << kPrefix << "warning: " << Shown(name) << " does not end in \".kzs\": Snd_Pull will look for "
             << Shown(name + std::string(kPackageExtension)) << '\n';
    }
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return Fail(path, "the package name " + Shown(name) + " cannot stand in a script");
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
}

void InfoRun::RunSound(KZ_Package& package, const std::string& path, const std::string& name) {
    json fields;
    InfoJson::PutText(fields, "sound", name);
    const std::string what = Shown(name) + " in package " + Shown(path);
    // The lookup Snd_Pull makes: an export stored with offset -1 is no match.
    const KZ_Export_Element* found = package.FindExport(name);
    if (!found || found->DataOffset == -1) return Fail(path, "no sound " + Shown(name) + " in package " + Shown(path), fields);
    fields["export"] = static_cast<std::size_t>(found - package.Exports.data());
    if (!InfoReport::HoldsWave(package, *found)) {
        package.GetPackageFile().close();
        return Fail(path, what + " is not a valid WAVE file", fields);
    }
    const std::unique_ptr<WAVE_File> wave = InfoInput::LoadSound(
        package, *found, args_.wavePath ? InfoInput::Load::Everything : InfoInput::Load::HeadersOnly);
    const std::vector<std::string> warnings = InfoReport::SizeWarnings(*wave);
    Warn(what, warnings);
    Show(*wave, path, warnings, path + ": " + name, fields);
    if (args_.wavePath) Save(*wave, path);
}

void InfoRun::Show(WAVE_File& wave, const std::string& path, const std::vector<std::string>& warnings,
                   const std::string& heading, json soundFields) {
    if (toStandardOutput_) return;
    if (document_) {
        json file = InfoJson::WaveFile(wave, path, warnings);
        file.update(soundFields);
        document_->Add(file);
        return;
    }
    Heading(heading);
    InfoReport::PrintWave(wave, out_);
}

bool SameFile(const std::string& first, const std::string& second) {
    std::error_code ec;
    return std::filesystem::equivalent(Platform::HostPath(first), Platform::HostPath(second), ec) && !ec;
}

void InfoRun::Save(WAVE_File& wave, const std::string& input) {
    const std::string& path = *args_.wavePath;
    // The model may hold less than the input (a damaged file loses what it
    // cannot place), so the input is never replaced by it.
    if (!toStandardOutput_ && SameFile(path, input)) {
        return Fail(input, "will not write over the input file " + Shown(path));
    }
    const std::uint64_t length = wave.CalcSize();
    if (length > WAVE_File::kLargestRiffSize + 8) {
        return Fail(input, "cannot write " + Shown(path) + ": the WAVE file would be " + std::to_string(length) +
                               " bytes, more than the 4 GiB a RIFF size can state");
    }
    if (toStandardOutput_) {
        wave.SaveData(out_);
        CheckOutput();
        return;
    }
    Platform::OutputFile file(path);
    if (!file.IsOpen()) return Fail(input, "cannot write " + Shown(path));
    wave.SaveData(file.Stream());
    if (!file.Commit()) return Fail(input, "cannot write " + Shown(path));
}


}  // namespace

int SndInfoMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err) {
    Arguments args;
    if (const auto reason = Parser(argc, argv).Parse(args)) {
        err << kPrefix << *reason << '\n';
        WriteUsage(err);
        return kInfoBadUsage;
    }
    if (args.help || args.version) {
        if (args.help) {
            WriteUsage(out);
        } else {
            out << "Snd_Info " << SND_VERSION << '\n';
        }
        out.flush();
        if (!out.fail()) return kInfoSuccess;
        err << kPrefix << "cannot write to standard output\n" << std::flush;
        return kInfoFailure;
    }
    if (args.extractFolder) {
        ExtractRequest request;
        for (const Target& target : args.targets) request.packages.push_back(target.file);
        request.sounds = args.targets.front().sounds;
        request.folder = *args.extractFolder;
        request.overwrite = args.overwrite;
        request.json = args.json;
        return Extract(request, out, err);
    }
    return InfoRun(args, out, err).Run();
}
