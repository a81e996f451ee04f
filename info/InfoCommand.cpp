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
#include "facts/Convert.h"
#include "facts/Escape.h"
#include "facts/Facts.h"
#include "facts/FactsJson.h"
#include "facts/FactsText.h"
#include "facts/FileNames.h"
#include "facts/Groups.h"
#include "facts/Intake.h"
#include "facts/Regions.h"
#include "facts/SoundLookup.h"
#include "facts/Source.h"
#include "info/Arguments.h"
#include "info/Extract.h"
#include "info/NotConverted.h"
#include "info/Progress.h"
#include "package/KZ_Package.h"
#include "wave/Audio.h"

namespace {

using Escape::Shown;
using FactsJson::json;

constexpr std::string_view kPrefix = "Snd_Info: ";
constexpr std::string_view kPackageExtension = ".kzs";

// Bad usage is two lines: what is wrong, and where the whole usage is.
void WriteBadUsage(std::ostream& err, const std::string& reason) {
    err << kPrefix << reason << "\nTry 'Snd_Info --help' for more information.\n" << std::flush;
}

// Ends the run early: bad usage found once a FILE's type is known, or
// standard output that cannot be written.
struct Stop {
    int status;
};

// The form of a run's output on standard output, chosen once: text for
// people, or one JSON document written file by file as the run goes. The
// lines on standard error are the run's own, the same in either form.
class Report {
public:
    virtual ~Report() = default;
    // A FILE or a SOUND that could not be shown: `error`, with the sound's
    // fields (its name, its export).
    virtual void Failed(const std::string& path, const Facts::Finding& error, const json& soundFields) = 0;
    virtual void Package(KZ_Package& package, const std::string& path, const FactsText::ListOptions& options) = 0;
    // `heading` heads the print where a call prints several; `name` names
    // the file on its first line.
    virtual void Wave(const Facts::Wave& facts, const std::string& path, const std::string& heading,
                      const std::string& name, const json& soundFields) = 0;
    // After the last FILE, and after bad usage found late: what was written
    // stays whole.
    virtual void Finish() {}
};

class TextReport : public Report {
public:
    TextReport(std::ostream& out, bool headings) : out_(out), headings_(headings) {}

    // Failures are said on standard error alone.
    void Failed(const std::string&, const Facts::Finding&, const json&) override {}
    void Package(KZ_Package& package, const std::string& path, const FactsText::ListOptions& options) override {
        Heading(path);
        FactsText::PrintPackage(package, path, options, out_);
    }
    void Wave(const Facts::Wave& facts, const std::string&, const std::string& heading, const std::string& name,
              const json&) override {
        Heading(heading);
        FactsText::PrintWave(facts, name, out_);
    }

private:
    // The heading line before each print of a call that prints several.
    void Heading(const std::string& text) {
        if (!headings_) return;
        if (printed_) out_ << '\n';
        out_ << "==> " << Escape::Printable(text) << " <==\n";
        printed_ = true;
    }

    std::ostream& out_;
    bool headings_;
    bool printed_ = false;
};

class JsonReport : public Report {
public:
    explicit JsonReport(std::ostream& out) : document_(out) {}

    void Failed(const std::string& path, const Facts::Finding& error, const json& soundFields) override {
        json file = FactsJson::ErrorFile(path, error);
        file.update(soundFields);
        document_.Add(file);
    }
    void Package(KZ_Package& package, const std::string& path, const FactsText::ListOptions& options) override {
        document_.AddPackage(package, path, options.progress, options.warn);
    }
    void Wave(const Facts::Wave& facts, const std::string& path, const std::string&, const std::string&,
              const json& soundFields) override {
        document_.AddWave(facts, path, soundFields);
    }
    void Finish() override { document_.Finish(); }

private:
    FactsJson::DocumentWriter document_;
};

class InfoRun {
public:
    InfoRun(const Arguments& args, std::ostream& out, std::ostream& err, bool showProgress)
        : args_(args), out_(out), err_(err), progress_(err, showProgress) {
        std::size_t prints = 0;
        for (const Target& target : args.targets) prints += std::max<std::size_t>(target.sounds.size(), 1);
        if (args.json) {
            report_ = std::make_unique<JsonReport>(out);
        } else {
            report_ = std::make_unique<TextReport>(out, prints > 1 && !args.script);
        }
        toStandardOutput_ = args.wavePath && *args.wavePath == kStandardOutput;
    }

    int Run();

private:
    void RunTarget(const Target& target);
    void RunWave(const Target& target, Facts::Source& source);
    void RunPackage(const Target& target, Facts::Source& source);
    void RunScript(KZ_Package& package, const std::string& path);
    void RunSound(Facts::Source& source, const std::string& name, const Facts::SoundMatch& match);
    // Says the findings, prints the facts (or adds them to the document);
    // returns whether the model is whole enough to be saved (no errors).
    bool Show(WAVE_File& wave, std::vector<Facts::Finding> findings, const std::string& path, const std::string& what,
              const std::string& heading, const std::string& name, const json& soundFields);
    // Saves where /w: says; the samples of a model loaded headers only come
    // from `samples`.
    void Save(WAVE_File& wave, bool whole, const std::string& input, std::istream* samples);
    // --region: cuts the region out of the model (loaded whole) and saves
    // it where /w: says; `what` names the input in the messages.
    void SaveRegion(const WAVE_File& wave, bool whole, const std::string& input, const std::string& what);
    // Writes the model as it is, or with --pcm its samples as 16-bit PCM.
    bool Write(WAVE_File& wave, std::istream* samples, std::ostream& out, const std::string& input);

    // A save needs every sample; from an input that can seek, they are
    // copied from it as they are written instead of held.
    // A region is cut from samples held.
    Intake::Load LoadFor(bool seekable) const {
        return args_.wavePath && (!seekable || args_.region) ? Intake::Load::Everything : Intake::Load::HeadersOnly;
    }
    // Saves the model, or with --region the region of it, where /w: says.
    void SaveAsAsked(WAVE_File& wave, bool whole, const std::string& input, std::istream* samples,
                     const std::string& what) {
        if (args_.region) return SaveRegion(wave, whole, input, what);
        Save(wave, whole, input, samples);
    }

    void Fail(const std::string& path, const Facts::Finding& error, const json& soundFields = json::object()) {
        progress_.Clear();
        err_ << kPrefix << error.text << '\n' << std::flush;
        status_ = kInfoFailure;
        report_->Failed(path, error, soundFields);
    }
    [[noreturn]] void BadUsage(const std::string& reason) {
        out_ << std::flush;
        WriteBadUsage(err_, reason);
        throw Stop{kInfoBadUsage};
    }
    // A write to standard output that failed (a full disk, a closed pipe
    // where SIGPIPE is ignored) ends the run: what follows would be lost too.
    void CheckOutput() {
        out_.flush();
        if (out_.fail()) {
            err_ << kPrefix << Facts::Make(Facts::Code::StandardOutput).text << '\n' << std::flush;
            throw Stop{kInfoFailure};
        }
    }

    const Arguments& args_;
    std::ostream& out_;
    std::ostream& err_;
    std::unique_ptr<Report> report_;
    int status_ = kInfoSuccess;
    bool toStandardOutput_ = false;
    Progress progress_;
};

int InfoRun::Run() {
    try {
        for (const Target& target : args_.targets) {
            try {
                RunTarget(target);
            } catch (const std::bad_alloc&) {
                Fail(target.file, Facts::Make(Facts::Code::OutOfMemory, {{"path", target.file}}));
            }
            CheckOutput();
        }
        report_->Finish();
        CheckOutput();
    } catch (const Stop& stop) {
        // Bad usage found on the way still leaves a whole document.
        if (stop.status == kInfoBadUsage) {
            report_->Finish();
            out_.flush();
        }
        return stop.status;
    }
    return status_;
}

void InfoRun::RunTarget(const Target& target) {
    const std::unique_ptr<Facts::Source> source = Facts::Source::Open(target.file);
    switch (source->GetKind()) {
        case Facts::Source::Kind::Wave: return RunWave(target, *source);
        case Facts::Source::Kind::Package: return RunPackage(target, *source);
        case Facts::Source::Kind::Refused: break;
    }
    // A package that fails is no valid WAVE file either when /w: wants one.
    Fail(target.file, source->Refusal(args_.wavePath.has_value()));
}

void InfoRun::RunWave(const Target& target, Facts::Source& source) {
    if (args_.script) BadUsage("/dpl works on a package, not on a WAVE file");
    if (!target.sounds.empty()) BadUsage("a SOUND is looked up in a package, not in a WAVE file");
    Intake::Input& input = source.Wave();
    std::vector<Facts::Finding> findings;
    const std::unique_ptr<WAVE_File> wave = source.LoadWave(LoadFor(input.Seekable()), Intake::Collect(findings));
    const std::string name = target.file == Intake::kStandardInput ? "standard input" : target.file;
    const bool whole = Show(*wave, std::move(findings), target.file, Shown(target.file), target.file, name, json::object());
    if (args_.wavePath) {
        SaveAsAsked(*wave, whole, target.file, input.Seekable() ? &input.Stream() : nullptr, Shown(target.file));
    }
}

void InfoRun::RunPackage(const Target& target, Facts::Source& source) {
    const std::string& path = target.file;
    KZ_Package& package = *source.Package();
    if (args_.wavePath && target.sounds.empty()) BadUsage("/w: saves a WAVE file or a SOUND of a package");
    if (args_.script) return RunScript(package, path);
    if (!target.sounds.empty()) {
        const std::vector<Facts::SoundMatch> matches = Facts::FindSounds(package, source.Groups(), target.sounds);
        for (std::size_t n = 0; n < matches.size(); ++n) {
            RunSound(source, target.sounds[n], matches[n]);
            CheckOutput();
        }
        return;
    }
    // The exports are all read before the first line is printed: the
    // progress line is gone by then.
    const auto exportsRead = [this](std::size_t done, std::size_t total) {
        if (done < total) {
            progress_.Update(done, total, "exports", 0, 0);
        } else {
            progress_.Clear();
        }
    };
    const auto warn = [&](const std::string& finding) {
        progress_.Clear();
        err_ << kPrefix << "warning: " << Shown(path) << ": " << finding << '\n';
    };
    FactsText::ListOptions options;
    options.verbose = args_.verbose;
    options.progress = exportsRead;
    options.warn = warn;
    report_->Package(package, path, options);
    progress_.Clear();
}

// The package line is the file's name without its ".kzs", as Snd_Pull adds
// it back; the script is used with /i: naming the package's folder.
void InfoRun::RunScript(KZ_Package& package, const std::string& path) {
    std::string name(FileNames::BaseName(path));
    if (name.ends_with(kPackageExtension)) {
        name.resize(name.size() - kPackageExtension.size());
    } else {
        err_ << kPrefix << "warning: "
             << Facts::Make(Facts::Code::NoKzsExtension,
                            {{"name", name}, {"looked_for", name + std::string(kPackageExtension)}})
                    .text
             << '\n';
    }
    for (const char c : name) {
        if (Escape::IsControl(static_cast<unsigned char>(c))) {
            return Fail(path, Facts::Make(Facts::Code::PackageNameInScript, {{"name", name}}));
        }
    }

    out_ << name << ";\n";
    Facts::ForEachScriptSound(package, [this](std::string_view sound, bool safe) {
        if (safe) {
            out_ << sound << '\n';
        } else {
            err_ << kPrefix << Facts::Make(Facts::Code::NameNotInScript, {{"sound", std::string(sound)}}).text << '\n';
        }
    });
    // Sounds after the first of their name: Snd_Pull finds that one instead.
    std::optional<Facts::Groups> groups;
    Facts::ForEachUnreachable(package, [&](std::size_t index, std::size_t first) {
        if (!groups) groups.emplace(package);
        err_ << kPrefix << "warning: "
             << Facts::Make(Facts::Code::Unreachable, {{"path", path},
                                                       {"sound", Facts::FullName(package, *groups, index)},
                                                       {"index", std::uint64_t{index}},
                                                       {"first_sound", Facts::FullName(package, *groups, first)},
                                                       {"first", std::uint64_t{first}}})
                    .text
             << '\n';
    });
    out_ << std::flush;
    err_ << std::flush;
}

void InfoRun::RunSound(Facts::Source& source, const std::string& name, const Facts::SoundMatch& match) {
    KZ_Package& package = *source.Package();
    Facts::Groups& groups = source.Groups();
    const std::string& path = source.Path();
    json fields;
    FactsJson::PutText(fields, "sound", name);
    const std::string what = Shown(name) + " in package " + Shown(path);
    // A SOUND that names several exports takes the first; the warning names
    // the others, ahead of what the sound's headers say.
    std::vector<Facts::Finding> findings;
    const std::optional<Facts::Finding> several = Facts::SeveralNamed(package, groups, match);
    if (several) findings.push_back(*several);
    const auto fail = [&](Facts::Code code) {
        if (several) {
            progress_.Clear();
            err_ << kPrefix << "warning: " << what << ": " << several->text << '\n';
            fields["warnings"] = json::array({FactsJson::FindingJson(*several)});
        }
        Fail(path, Facts::Make(code, {{"sound", name}, {"path", path}}), fields);
    };
    // The lookup Snd_Pull makes: an export stored with offset -1 is no match.
    // "#N" names only an export that holds a sound.
    const KZ_Export_Element* found = match.chosen ? &package.Exports[*match.chosen] : nullptr;
    if (!found || found->DataOffset == -1) return fail(Facts::Code::NoSound);
    const std::unique_ptr<WAVE_File> wave =
        source.LoadSound(*match.chosen, LoadFor(true), Intake::Collect(findings));
    if (!wave) {
        const bool gone = Facts::PastTheEnd(package, *found);
        if (match.byIndex && !gone) return fail(Facts::Code::NoSound);
        fields["export"] = *match.chosen;
        return fail(gone ? Facts::Code::BytesPastTheEnd : Facts::Code::NotAWave);
    }
    fields["export"] = *match.chosen;
    const bool whole = Show(*wave, std::move(findings), path, what, path + ": " + name, name + " in " + path, fields);
    if (args_.wavePath) SaveAsAsked(*wave, whole, path, &source.Samples(), what);
}

bool InfoRun::Show(WAVE_File& wave, std::vector<Facts::Finding> findings, const std::string& path,
                   const std::string& what, const std::string& heading, const std::string& name,
                   const json& soundFields) {
    const Facts::Wave facts = Facts::Describe(wave, std::move(findings));
    bool whole = true;
    for (const Facts::Finding& finding : facts.findings) {
        const bool error = finding.severity == Facts::Severity::Error;
        const bool note = finding.severity == Facts::Severity::Note;
        err_ << kPrefix << (error ? "" : note ? "note: " : "warning: ") << what << ": " << finding.text << '\n';
        if (error) whole = false;
    }
    err_ << std::flush;
    if (!whole) status_ = kInfoFailure;
    if (!toStandardOutput_) report_->Wave(facts, path, heading, name, soundFields);
    return whole;
}

bool SameFile(const std::string& first, const std::string& second) {
    std::error_code ec;
    return std::filesystem::equivalent(Platform::HostPath(first), Platform::HostPath(second), ec) && !ec;
}

void InfoRun::Save(WAVE_File& wave, bool whole, const std::string& input, std::istream* samples) {
    const std::string& path = *args_.wavePath;
    // A file without its format or its samples is not made whole with
    // invented ones.
    if (!whole) return Fail(input, Facts::Make(Facts::Code::NotWrittenIncomplete, {{"output", path}}));
    // The model may hold less than the input (a damaged file loses what it
    // cannot place), so the input is never replaced by it.
    if (!toStandardOutput_ && SameFile(path, input)) {
        return Fail(input, Facts::Make(Facts::Code::WouldOverwriteInput, {{"output", path}}));
    }
    if (toStandardOutput_) {
        if (!Write(wave, samples, out_, input)) return Fail(input, Facts::Make(Facts::Code::CannotReadAll, {{"path", input}}));
        CheckOutput();
        return;
    }
    Platform::OutputFile file(path);
    if (!file.IsOpen()) return Fail(input, Intake::CannotWrite(path, file.Error()));
    // A large file takes a while: its bytes are counted on the way.
    // (Decoded to PCM, its length is known only once written.)
    const std::uint64_t total = args_.pcm && DecodesToPcm16(wave) ? 0 : wave.CalcSize();
    CountedOutput counted(file.Stream().rdbuf(), total, progress_);
    std::ostream through(&counted);
    const bool read = Write(wave, samples, through, input);
    through.flush();
    progress_.Clear();
    // Not committed, the output leaves nothing behind.
    if (!read) return Fail(input, Facts::Make(Facts::Code::InputCutShort, {{"path", input}, {"output", path}}));
    if (!through) file.Stream().setstate(std::ios::badbit);
    if (!file.Commit()) return Fail(input, Intake::CannotWrite(path, file.Error()));
}

void InfoRun::SaveRegion(const WAVE_File& wave, bool whole, const std::string& input, const std::string& what) {
    if (!whole) return Fail(input, Facts::Make(Facts::Code::NotWrittenIncomplete, {{"output", *args_.wavePath}}));
    // The finding about the input, which leads its message.
    const auto about = [&](Facts::Finding finding) {
        finding.text = what + ": " + finding.text;
        finding.values.emplace_back("path", input);
        return finding;
    };
    const std::vector<Facts::Region> regions = Facts::RegionsOf(wave);
    const Facts::Region* region = Facts::FindRegion(regions, *args_.region);
    if (region == nullptr) {
        std::string names;
        for (const Facts::Region& each : regions) names += (names.empty() ? "" : ", ") + Escape::Quoted(each.name);
        return Fail(input, about(Facts::Make(Facts::Code::NoRegion,
                                             {{"region", *args_.region}, {"regions", names.empty() ? "none" : names}})));
    }
    Facts::RegionCut cut = Facts::CutRegion(wave, *region, args_.pcm);
    for (Facts::Finding& finding : cut.findings) Fail(input, about(std::move(finding)));
    // Decoded already where --pcm asked for it and the core decodes it.
    if (cut.wave) Save(*cut.wave, true, input, nullptr);
}

bool InfoRun::Write(WAVE_File& wave, std::istream* samples, std::ostream& out, const std::string& input) {
    // False when the input gave fewer samples than it held when loaded (it
    // was cut short meanwhile): what was written is not kept.
    const auto plain = [&] {
        if (samples == nullptr) {
            wave.SaveData(out);
            return true;
        }
        wave.SaveData(out, *samples);
        return !samples->fail();
    };
    if (!args_.pcm) return plain();
    if (!DecodesToPcm16(wave)) {
        // PCM and float are written as they are; any other coding too, but
        // what was asked for did not happen.
        if (const auto notConverted = NotConverted(wave.FmtChunk, input)) Fail(input, *notConverted);
        return plain();
    }
    const Pcm16Save saved = Facts::SaveAsPcm16(wave, samples, out);
    // What could not be decoded (damaged blocks, a cut-short end) is said.
    for (const std::string& finding : saved.Findings) {
        err_ << kPrefix << Facts::Make(Facts::Code::SamplesNotDecoded, {{"path", input}, {"detail", finding}}).text << '\n';
    }
    if (!saved.Findings.empty()) status_ = kInfoFailure;
    return saved.ReadAll;
}

}  // namespace

int SndInfoMain(int argc, const char* const* argv, std::ostream& out, std::ostream& err, bool showProgress) {
    Arguments args;
    if (const auto reason = ParseArguments(argc, argv, args)) {
        WriteBadUsage(err, *reason);
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
        request.pcm = args.pcm;
        request.flat = args.flat;
        request.quiet = args.quiet;
        request.regions = args.regions;
        request.labels = args.labels;
        request.sfz = args.sfz;
        request.showProgress = showProgress;
        return Extract(request, out, err);
    }
    return InfoRun(args, out, err, showProgress).Run();
}
