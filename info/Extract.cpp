#include "info/Extract.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <optional>
#include <nlohmann/json.hpp>
#include <string_view>
#include <utility>

#include "common/Folder.h"
#include "common/Platform.h"
#include "facts/Convert.h"
#include "facts/Escape.h"
#include "facts/Facts.h"
#include "facts/Intake.h"
#include "facts/FileNames.h"
#include "facts/Groups.h"
#include "facts/LabelTrack.h"
#include "facts/Regions.h"
#include "facts/Sfz.h"
#include "facts/SoundLookup.h"
#include "facts/Source.h"
#include "facts/FactsJson.h"
#include "info/InfoCommand.h"
#include "info/NotConverted.h"
#include "info/Progress.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"

namespace {

using json = nlohmann::ordered_json;

constexpr std::string_view kPrefix = "Snd_Info: ";
constexpr std::string_view kSoundExtension = ".wav";
constexpr std::string_view kLabelsExtension = ".txt";
constexpr std::string_view kSfzExtension = ".sfz";

// `folder` + '/' + `name`; a folder that already ends in a separator gets no
// second one.
std::string Join(const std::string& folder, const std::string& name) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder + name;
    return folder + '/' + name;
}

// A finding about what `what` names, which leads its message; the package
// `path` joins its values.
Facts::Finding Within(const std::string& what, Facts::Finding finding, const std::string& path) {
    finding.text = what + ": " + finding.text;
    finding.values.emplace_back("path", path);
    return finding;
}

enum class Outcome { Written, Skipped, Failed };

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::Written: return "written";
        case Outcome::Skipped: return "skipped";
        case Outcome::Failed: return "failed";
    }
    return "";
}

// The findings said about a package, or about one of its sounds.
struct Messages {
    std::vector<Facts::Finding> warnings, errors;
};

// A file written beside a sound (--regions, --labels, --sfz).
enum class BesideKind { Region, Labels, Sfz };
struct BesideFile {
    BesideKind kind = BesideKind::Region;
    std::string name;  // the region's; empty for the others
    std::string file;  // its path
    std::uint64_t bytes = {};
    Outcome outcome = Outcome::Failed;
    std::string written = {};  // as a line shows it; empty when not written
};

// What became of one sound.
struct SoundEntry {
    json index;                 // null for a SOUND the package lacks
    const std::string& name;
    const std::string* group;   // none for a SOUND the package lacks
    const std::string* file;    // its path; none for a SOUND the package lacks
    std::uint64_t bytes = 0;
    Outcome outcome = Outcome::Failed;
    std::string reason;         // why it is not written; empty when it is
    std::string written;        // the file written as a line shows it (DIR/<package>/<file>); empty for none
    std::vector<BesideFile> beside = {};  // the files written beside it
};

struct Counts {
    std::uint64_t written = 0, skipped = 0, failed = 0, bytes = 0, packagesNotRead = 0;
    // The files beside the sounds: regions, label tracks, instruments.
    std::uint64_t besideWritten = 0, besideSkipped = 0, besideFailed = 0, besideBytes = 0;
    std::uint64_t notConverted = 0;  // --pcm asked for, the samples not (wholly) decoded
};

// The form of the extraction's output on standard output, chosen once: a
// line for each file written and one that sums the run up, or the JSON
// report, written package by package and sound by sound as they are done.
class ExtractReport {
public:
    virtual ~ExtractReport() = default;
    // A package's entry, with the findings about it so far; `read` false for
    // one that cannot be read (its entry ends here).
    virtual void BeginPackage(const std::string& path, bool read, const std::string& folder, Messages own) = 0;
    virtual void Sound(const SoundEntry& sound, Messages messages) = 0;
    virtual void EndPackage() = 0;
    virtual void Finish(const Counts& counts) = 0;
};

class TextExtractReport : public ExtractReport {
public:
    TextExtractReport(std::ostream& out, Progress& progress, bool quiet, bool beside)
        : out_(out), progress_(progress), quiet_(quiet), beside_(beside) {}

    void BeginPackage(const std::string&, bool, const std::string&, Messages) override {}
    void Sound(const SoundEntry& sound, Messages) override {
        if (quiet_) return;
        Line(sound.written);
        for (const BesideFile& file : sound.beside) Line(file.written);
    }
    void EndPackage() override {}
    void Finish(const Counts& counts) override {
        out_ << counts.written << (counts.written == 1 ? " sound" : " sounds") << " written (" << counts.bytes
             << " bytes), " << counts.skipped << " skipped, " << counts.failed << " failed";
        if (counts.packagesNotRead > 0) {
            out_ << ", " << counts.packagesNotRead << (counts.packagesNotRead == 1 ? " package" : " packages")
                 << " not read";
        }
        // Only where files beside the sounds were asked for: the line of
        // every other run stays as it was.
        if (beside_) {
            out_ << "; " << counts.besideWritten << (counts.besideWritten == 1 ? " file" : " files")
                 << " beside them written (" << counts.besideBytes << " bytes), " << counts.besideSkipped
                 << " skipped, " << counts.besideFailed << " failed";
        }
        out_ << '\n';
    }

private:
    void Line(const std::string& written) {
        if (written.empty()) return;
        progress_.Clear();
        line_.assign("  writing: ").append(written).push_back('\n');
        out_.write(line_.data(), static_cast<std::streamsize>(line_.size()));
    }

    std::ostream& out_;
    Progress& progress_;
    bool quiet_;
    bool beside_;
    std::string line_;  // the line of each sound written, kept from sound to sound
};

class JsonExtractReport : public ExtractReport {
public:
    JsonExtractReport(std::ostream& out, bool overwrite, bool pcm, bool regions)
        : document_(out), overwrite_(overwrite), pcm_(pcm), regions_(regions) {}

    void BeginPackage(const std::string& path, bool read, const std::string& folder, Messages own) override {
        JsonStream& json = document_.Files();
        json.BeginObject();
        json.Text("path", path);
        json.Key("type").Value(read ? "package" : "error");
        WriteMessages(own, true);
        json.Key("extract").BeginObject();
        json.Text("folder", folder);
        json.Key("overwrite").Value(overwrite_);
        json.Key("pcm").Value(pcm_);
        json.Key("sounds").BeginArray();
        if (!read) EndPackage();
    }
    void Sound(const SoundEntry& sound, Messages messages) override {
        JsonStream& json = document_.Files();
        json.BeginObject();
        json.Key("index").Value(sound.index);
        json.Text("name", sound.name);
        if (sound.group != nullptr) json.Text("group", *sound.group);
        if (sound.file != nullptr) {
            json.Text("file", *sound.file);
        } else {
            json.Key("file").Value(nullptr);
        }
        json.Key("bytes").Unsigned(sound.bytes);
        json.Key("status").Value(OutcomeName(sound.outcome));
        if (!sound.reason.empty()) json.Key("reason").Value(sound.reason);
        if (regions_ && sound.file != nullptr) {
            json.Key("regions").BeginArray();
            for (const BesideFile& file : sound.beside) {
                if (file.kind != BesideKind::Region) continue;
                json.BeginObject();
                json.Text("name", file.name);
                json.Text("file", file.file);
                json.Key("bytes").Unsigned(file.bytes);
                json.Key("status").Value(OutcomeName(file.outcome));
                json.End();
            }
            json.End();
        }
        for (const BesideFile& file : sound.beside) {
            if (file.kind == BesideKind::Labels) json.Text("labels", file.file);
            if (file.kind == BesideKind::Sfz) json.Text("sfz", file.file);
        }
        WriteMessages(messages, false);
        json.End();
    }
    void EndPackage() override {
        JsonStream& json = document_.Files();
        json.End();
        json.End();
        json.End();
    }
    void Finish(const Counts& counts) override {
        document_.Finish({{"written", counts.written},
                          {"skipped", counts.skipped},
                          {"failed", counts.failed},
                          {"not_converted", counts.notConverted},
                          {"bytes", counts.bytes},
                          {"packages_not_read", counts.packagesNotRead}});
    }

private:
    // The "warnings" and "errors" members; for a sound only those it has.
    void WriteMessages(const Messages& messages, bool always) {
        JsonStream& json = document_.Files();
        for (const auto* findings : {&messages.warnings, &messages.errors}) {
            if (findings->empty() && !always) continue;
            json.Key(findings == &messages.warnings ? "warnings" : "errors").BeginArray();
            for (const Facts::Finding& finding : *findings) json.Value(FactsJson::FindingJson(finding));
            json.End();
        }
    }

    FactsJson::DocumentWriter document_;
    bool overwrite_, pcm_, regions_;
};

class Extraction {
public:
    Extraction(const ExtractRequest& request, std::ostream& out, std::ostream& err)
        : request_(request), out_(out), err_(err), progress_(err, request.showProgress) {
        if (request.json) {
            report_ = std::make_unique<JsonExtractReport>(out, request.overwrite, request.pcm, request.regions);
        } else {
            report_ = std::make_unique<TextExtractReport>(out, progress_, request.quiet,
                                                          request.regions || request.labels || request.sfz);
        }
    }

    int Run();

private:
    // The package being extracted and its folder.
    struct PackageRun {
        const std::string& path;
        std::string name;         // its folder's name in DIR
        std::string folder;       // DIR/<package name>
        std::string shownFolder;  // as it is printed
        std::unique_ptr<Platform::Folder> held;  // the folder, once made
        bool fresh = false;       // this run made it: it holds no file but ours
        std::string groupFolders;  // the group folders last made, under `folder`
        std::unique_ptr<Platform::Folder> group;  // the last of them, held; none when it failed
    };
    // What Save did.
    struct Saved {
        KZ_SaveResult result;
        std::uint64_t held = 0;  // of the sound's bytes, those the package holds
        bool unread = false;     // --pcm: the input gave less than was measured; nothing written
    };

    void ExtractPackage(const std::string& path);
    // One export that holds a sound, or claims to by its class; `into` is
    // the folder its file goes to (none when it cannot be made).
    void ExtractSound(PackageRun& run, KZ_Sound& sound, const std::string& name, const std::string& group,
                      bool holdsWave, std::size_t index, const std::string& fileName, const Platform::Folder* into,
                      FileNames::SoundFiles& files);
    // The files that go beside a sound written as `fileName` in `into`:
    // its regions and loops, its label track, its instrument, as asked for.
    std::vector<BesideFile> WriteBeside(PackageRun& run, KZ_Sound& sound, const std::string& name,
                                        const std::string& fileName, const Platform::Folder& into,
                                        FileNames::SoundFiles& files);
    // Writes one of them, `leaf` in `into`, by `write`; `file.file` is its path.
    void WriteBesideFile(PackageRun& run, const Platform::Folder& into, const std::string& folders,
                         const std::string& leaf, BesideFile& file,
                         const std::function<std::uint64_t(std::ostream&)>& write);
    // A path under the package's folder as a line shows it.
    static std::string ShownFile(const PackageRun& run, const std::string& fileName);
    // Makes the package's folder in DIR, never through a link; false when it
    // cannot be made.
    bool MakePackageFolder(PackageRun& run);
    // Makes the group folders `fileName` stands in, level by level inside the
    // package's folder, each entered from the one before, none through a
    // link; the folder the file goes to, held, or none when one cannot be
    // made. The folders of the sound before are not made again: its folder
    // stays the one its files go to.
    const Platform::Folder* MakeGroupFolders(PackageRun& run, const std::string& fileName);
    void Count(Outcome outcome, std::uint64_t bytes);
    // Writes the sound to `file`, `leaf` in the folder `into`: its stored
    // bytes, or with --pcm, where the core decodes its samples, the sound as
    // 16-bit PCM.
    Saved Save(KZ_Sound& sound, const Platform::Folder& into, const std::string& leaf, const std::string& file,
               const std::string& name, const std::string& path);
    // A line on standard error, kept for the report of the sound or the
    // package at hand.
    void Warn(Facts::Finding finding) {
        progress_.Clear();
        err_ << kPrefix << "warning: " << finding.text << '\n';
        messages_.warnings.push_back(std::move(finding));
    }
    void Fail(Facts::Finding finding) {
        progress_.Clear();
        err_ << kPrefix << finding.text << '\n';
        messages_.errors.push_back(std::move(finding));
    }
    const ExtractRequest& request_;
    std::ostream& out_;
    std::ostream& err_;
    FileNames::FolderNames folders_;
    std::unique_ptr<Platform::Folder> top_;  // DIR, held from its first use on
    Counts counts_;
    // The messages of the package at hand, or of its sound at hand: each
    // sound's stand in its own entry of the report, written when it is done.
    Messages messages_;
    Progress progress_;
    std::unique_ptr<ExtractReport> report_;
};

int Extraction::Run() {
    for (const std::string& path : request_.packages) ExtractPackage(path);
    report_->Finish(counts_);
    out_ << std::flush;
    err_ << std::flush;
    if (!out_) {
        Fail(Facts::Make(Facts::Code::StandardOutput));
        return kInfoFailure;
    }
    const Counts& c = counts_;
    return c.skipped + c.failed + c.packagesNotRead + c.notConverted + c.besideSkipped + c.besideFailed == 0
               ? kInfoSuccess
               : kInfoFailure;
}

void Extraction::ExtractPackage(const std::string& path) {
    const std::string name = FileNames::PackageName(path);
    PackageRun run{path, folders_.Take(name, ""), "", "", nullptr, false, "", nullptr};
    run.folder = Join(request_.folder, run.name);
    run.shownFolder = Escape::Printable(run.folder);
    std::unique_ptr<Facts::Source> source;
    try {
        source = Facts::Source::OpenPackage(path);
    } catch (const std::bad_alloc&) {
        source.reset();
    }
    if (!source || source->GetKind() != Facts::Source::Kind::Package) {
        const std::string why = source ? source->WhyNotPackage() : "";
        Fail(Facts::Make(Facts::Code::NotAPackage, {{"path", path}, {"reason", why}}));
        ++counts_.packagesNotRead;
        return report_->BeginPackage(path, false, run.folder, std::exchange(messages_, {}));
    }
    KZ_Package* package = source->Package();
    if (run.folder != Join(request_.folder, name)) {
        Warn(Facts::Make(Facts::Code::FolderRenamed, {{"path", path}, {"folder", run.folder}}));
    }
    Facts::Groups& groups = source->Groups();
    for (const Facts::Finding& finding : groups.Findings()) Warn(Within(Escape::Shown(path), finding, path));
    // The SOUNDs asked for, each the export it means (Facts::FindSounds),
    // as the print finds it; a "#N" only where export N holds a sound.
    const std::vector<Facts::SoundMatch> matches = Facts::FindSounds(*package, groups, request_.sounds);
    for (std::size_t n = 0; n < matches.size(); ++n) {
        if (const auto several = Facts::SeveralNamed(*package, groups, matches[n])) {
            Warn(Within(Escape::Shown(request_.sounds[n]) + " in package " + Escape::Shown(path), *several, path));
        }
    }
    // Each export meant, with the SOUNDs that mean it, in table order.
    std::vector<std::pair<std::size_t, std::size_t>> wanted;
    for (std::size_t n = 0; n < matches.size(); ++n) {
        if (matches[n].chosen) wanted.emplace_back(*matches[n].chosen, n);
    }
    std::sort(wanted.begin(), wanted.end());

    // The package's entry among the document's files: its own messages,
    // then its sounds one by one as they are done.
    report_->BeginPackage(path, true, run.folder, std::exchange(messages_, {}));
    // Its sounds are copied one after the other: the stream stays open.
    package->KeepFileOpen = true;

    // Sound files are named over every sound of the package, also when only
    // some are asked for: a numbered name always means the same export.
    FileNames::SoundFiles files(groups, request_.flat);
    std::vector<bool> found(request_.sounds.size(), false);
    bool folderFailed = false;
    // How far the package has come: its exports and their stored bytes.
    std::uint64_t dataTotal = 0, dataDone = 0;
    for (const KZ_Export_Element& entry : package->Exports) dataTotal += static_cast<std::uint64_t>(std::max(entry.DataSize, 0));
    const std::size_t exports = package->Exports.size();
    for (std::size_t index = 0; index < exports; ++index) {
        const KZ_Export_Element& entry = package->Exports[index];
        dataDone += static_cast<std::uint64_t>(std::max(entry.DataSize, 0));
        progress_.Update(index + 1, exports, "exports", dataDone, dataTotal);
        KZ_Sound sound = LoadSound(*package, entry);
        const bool holdsWave = Facts::HoldsWave(entry, sound, package->GetPackageFile());
        const std::optional<std::string> file = files.Take(index, entry, holdsWave);
        if (!file) continue;
        const std::string& fileName = *file;
        const std::string soundName = entry.GetName();
        if (!request_.sounds.empty()) {
            const auto [from, to] = std::equal_range(wanted.begin(), wanted.end(), std::pair(index, std::size_t{0}),
                                                     [](const auto& a, const auto& b) { return a.first < b.first; });
            bool meant = false;
            for (auto at = from; at != to; ++at) {
                if (matches[at->second].byIndex && !holdsWave) continue;
                found[at->second] = meant = true;
            }
            if (!meant) continue;
        }
        if (!run.held && !folderFailed) folderFailed = !MakePackageFolder(run);
        const Platform::Folder* into = run.held && holdsWave ? MakeGroupFolders(run, fileName) : run.held.get();
        ExtractSound(run, sound, soundName, groups.Path(index), holdsWave, index, fileName, into, files);
    }
    for (std::size_t n = 0; n < found.size(); ++n) {
        if (found[n]) continue;
        Fail(Facts::Make(Facts::Code::NoSound, {{"sound", request_.sounds[n]}, {"path", path}}));
        report_->Sound({nullptr, request_.sounds[n], nullptr, nullptr, 0, Outcome::Failed, "no such sound", ""},
                       std::exchange(messages_, {}));
        Count(Outcome::Failed, 0);
    }
    progress_.Clear();
    report_->EndPackage();
}

bool Extraction::MakePackageFolder(PackageRun& run) {
    // DIR is the user's: a link on its path is followed. Inside it nothing is.
    if (!top_) top_ = Platform::Folder::Open(request_.folder);
    if (top_) run.held = top_->Enter(run.name, &run.fresh);
    if (!run.held) Fail(Facts::Make(Facts::Code::CannotMakeFolder, {{"folder", run.folder}}));
    return run.held != nullptr;
}

const Platform::Folder* Extraction::MakeGroupFolders(PackageRun& run, const std::string& fileName) {
    const std::size_t end = fileName.rfind('/');
    const std::string folders = end == std::string::npos ? "" : fileName.substr(0, end);
    if (folders.empty()) return run.held.get();
    if (folders == run.groupFolders) return run.group.get();
    run.groupFolders = folders;
    run.group.reset();
    std::unique_ptr<Platform::Folder> level;
    for (std::size_t from = 0; from < folders.size();) {
        const std::size_t next = std::min(folders.find('/', from), folders.size());
        level = (level ? *level : *run.held).Enter(folders.substr(from, next - from));
        if (!level) {
            Fail(Facts::Make(Facts::Code::CannotMakeFolder, {{"folder", Join(run.folder, folders.substr(0, next))}}));
            return nullptr;
        }
        from = next + 1;
    }
    run.group = std::move(level);
    return run.group.get();
}

void Extraction::ExtractSound(PackageRun& run, KZ_Sound& sound, const std::string& name, const std::string& group,
                              bool holdsWave, std::size_t index, const std::string& fileName,
                              const Platform::Folder* into, FileNames::SoundFiles& files) {
    const std::string file = Join(run.folder, fileName);
    const std::string leaf = fileName.substr(fileName.rfind('/') + 1);
    // The sound's finding of `code`: its name, its package, then `values`.
    const auto about = [&](Facts::Code code, Facts::Values values = {}) {
        Facts::Values named{{"sound", name}, {"path", run.path}};
        named.insert(named.end(), values.begin(), values.end());
        return Facts::Make(code, std::move(named));
    };
    if (!FileNames::IsSafe(name, kSoundExtension)) Warn(about(Facts::Code::NotAFileName, {{"file", file}}));

    Outcome outcome = Outcome::Failed;
    std::string reason;
    std::uint64_t bytes = 0;
    std::string written;  // as the line shows it
    if (into == nullptr) {
        reason = "the folder cannot be made";
    } else if (!holdsWave && Facts::PastTheEnd(*sound.Package, sound.Package->Exports[index])) {
        reason = "past the end of the file";
        Fail(about(Facts::Code::PastTheEndNotWritten));
    } else if (!holdsWave) {
        reason = "holds no WAVE file";
        Fail(about(Facts::Code::HoldsNoWave));
    } else if (!run.fresh && !request_.overwrite && into->Holds(leaf)) {
        // Each file of a folder is named once in a run: in a folder this run
        // made, none exists yet.
        outcome = Outcome::Skipped;
        reason = "the file exists";
        Fail(Facts::Make(Facts::Code::FileExists, {{"file", file}}));
    } else {
        // The file appears whole or not at all, and a link in its place is
        // replaced, never written through (Platform::OutputFile). Without /y
        // a file that another program puts there meanwhile is kept too.
        Saved saved;
        try {
            saved = Save(sound, *into, leaf, file, name, run.path);
        } catch (const std::bad_alloc&) {
            saved = {};
        }
        const KZ_SaveResult& result = saved.result;
        bytes = result.Bytes;
        if (saved.unread) {
            reason = "cut short";
            Fail(about(Facts::Code::SoundReadShort, {{"file", file}}));
        } else if (!result.WroteAll && !request_.overwrite && into->Holds(leaf)) {
            outcome = Outcome::Skipped;
            reason = "the file exists";
            Fail(Facts::Make(Facts::Code::FileExists, {{"file", file}}));
        } else if (!result.WroteAll) {
            reason = "cannot be written";
            Fail(Intake::CannotWrite(file, result.WriteError));
        } else if (!result.ReadAll) {
            reason = "cut short";
            Fail(about(Facts::Code::CutShortWritten, {{"file", file},
                                                      {"held", saved.held},
                                                      {"wave_size", std::int64_t{sound.WaveSize}}}));
        } else {
            outcome = Outcome::Written;
        }
        if (result.WroteAll) written = ShownFile(run, fileName);
    }
    Count(outcome, bytes);
    std::vector<BesideFile> beside;
    // Also beside a sound whose file is kept: a later run adds what an
    // earlier one did not ask for.
    if (outcome != Outcome::Failed && (request_.regions || request_.labels || request_.sfz)) {
        try {
            beside = WriteBeside(run, sound, name, fileName, *into, files);
        } catch (const std::bad_alloc&) {
            Fail(Facts::Make(Facts::Code::OutOfMemory, {{"path", run.path}}));
            ++counts_.besideFailed;
        }
    }
    report_->Sound({index, name, &group, &file, bytes, outcome, reason, std::move(written), std::move(beside)},
                   std::exchange(messages_, {}));
    if (request_.onStep) request_.onStep(ExtractStep::Done, file);
}

Extraction::Saved Extraction::Save(KZ_Sound& sound, const Platform::Folder& into, const std::string& leaf,
                                   const std::string& file, const std::string& name, const std::string& path) {
    const Platform::IfExists ifExists = request_.overwrite ? Platform::IfExists::ReplaceAnything : Platform::IfExists::Keep;
    Saved saved;
    KZ_SaveResult& result = saved.result;
    std::unique_ptr<WAVE_File> wave;
    if (request_.pcm) {
        std::vector<Facts::Finding> findings;
        wave = sound.GetWAVE(WaveLoad::HeadersOnly, Intake::Collect(findings));
        const auto notConverted =
            DecodesToPcm16(*wave) ? std::nullopt : NotConverted(wave->FmtChunk, path, &name);
        if (notConverted) {
            Fail(*notConverted);
            ++counts_.notConverted;
        }
    }
    if (!wave || !DecodesToPcm16(*wave)) {
        result = sound.SaveWAVE(into, leaf, ifExists);
        saved.held = result.Bytes;
        return saved;
    }
    Platform::OutputFile out(into, leaf, ifExists);
    if (!out.IsOpen()) {
        result.WriteError = out.Error();
        return saved;
    }
    std::ifstream& samples = sound.Package->GetPackageFile();
    samples.clear();
    // Of the sound's bytes, those the package holds: the samples measured.
    samples.seekg(0, std::ios::end);
    const std::streamoff end = samples.tellg();
    const std::uint64_t size = static_cast<std::uint64_t>(std::max<std::int32_t>(sound.WaveSize, 0));
    saved.held = end > sound.WaveOffset ? std::min<std::uint64_t>(size, static_cast<std::uint64_t>(end) - sound.WaveOffset) : 0;
    if (request_.onStep) request_.onStep(ExtractStep::Decoding, file);
    const Pcm16Save converted = Facts::SaveAsPcm16(*wave, &samples, out.Stream());
    // What could not be decoded is said; the file holds the rest. Samples
    // the input no longer holds leave no file.
    for (const std::string& finding : converted.Findings) {
        Fail(Facts::Make(Facts::Code::SoundSamplesNotDecoded,
                         {{"sound", name}, {"path", path}, {"detail", finding}}));
    }
    saved.unread = !converted.ReadAll;
    if (saved.unread) return saved;
    if (!converted.Findings.empty()) ++counts_.notConverted;
    result.WroteAll = out.Commit();
    if (result.WroteAll) result.Bytes = wave->CalcSize();
    if (!result.WroteAll) result.WriteError = out.Error();
    result.ReadAll = saved.held == size;
    return saved;
}

std::string Extraction::ShownFile(const PackageRun& run, const std::string& fileName) {
    // File names are plain ASCII unless the name held other characters.
    const bool ascii =
        std::all_of(fileName.begin(), fileName.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
    return run.shownFolder + '/' + (ascii ? fileName : Escape::Printable(fileName));
}

std::vector<BesideFile> Extraction::WriteBeside(PackageRun& run, KZ_Sound& sound, const std::string& name,
                                                const std::string& fileName, const Platform::Folder& into,
                                                FileNames::SoundFiles& files) {
    std::vector<BesideFile> beside;
    // What the headers say was not asked about here: the sound is written.
    std::vector<Facts::Finding> ignored;
    const std::unique_ptr<WAVE_File> wave =
        sound.GetWAVE(request_.regions ? WaveLoad::Everything : WaveLoad::HeadersOnly, Intake::Collect(ignored));
    if (!wave) return beside;
    const std::size_t slash = fileName.rfind('/');
    const std::string folders = slash == std::string::npos ? "" : fileName.substr(0, slash + 1);
    const std::string leaf = fileName.substr(folders.size());
    const std::string stem = leaf.substr(0, leaf.size() - std::min(leaf.size(), kSoundExtension.size()));
    const std::string what = Escape::Quoted(name) + " in " + Escape::Shown(run.path);
    if (request_.regions) {
        for (const Facts::Region& region : Facts::RegionsOf(*wave)) {
            const std::string path = files.TakeBeside(stem, region.name, kSoundExtension);
            BesideFile file{BesideKind::Region, region.name, Join(run.folder, path)};
            Facts::RegionCut cut = Facts::CutRegion(*wave, region, request_.pcm);
            bool undecoded = false;
            for (Facts::Finding& finding : cut.findings) {
                undecoded = undecoded || finding.code == Facts::Code::RegionSamplesNotDecoded;
                Fail(Within(what, std::move(finding), run.path));
            }
            if (undecoded) ++counts_.notConverted;
            if (cut.wave) {
                WriteBesideFile(run, into, folders, path.substr(folders.size()), file, [&](std::ostream& out) {
                    cut.wave->SaveData(out);
                    return cut.wave->CalcSize();
                });
            } else {
                ++counts_.besideFailed;
            }
            beside.push_back(std::move(file));
        }
    }
    const auto text = [](const std::string& body) {
        return [&body](std::ostream& out) {
            out.write(body.data(), static_cast<std::streamsize>(body.size()));
            return std::uint64_t{body.size()};
        };
    };
    if (request_.labels) {
        const std::string track = Facts::LabelTrack(*wave);
        if (!track.empty()) {
            const std::string labels = stem + std::string(kLabelsExtension);
            BesideFile file{BesideKind::Labels, "", Join(run.folder, folders + labels)};
            WriteBesideFile(run, into, folders, labels, file, text(track));
            beside.push_back(std::move(file));
        }
    }
    if (request_.sfz) {
        if (const std::optional<std::string> instrument = Facts::Sfz(*wave, leaf)) {
            const std::string sfz = stem + std::string(kSfzExtension);
            BesideFile file{BesideKind::Sfz, "", Join(run.folder, folders + sfz)};
            WriteBesideFile(run, into, folders, sfz, file, text(*instrument));
            beside.push_back(std::move(file));
        }
    }
    return beside;
}

void Extraction::WriteBesideFile(PackageRun& run, const Platform::Folder& into, const std::string& folders,
                                 const std::string& leaf, BesideFile& file,
                                 const std::function<std::uint64_t(std::ostream&)>& write) {
    const auto exists = [&] {
        file.outcome = Outcome::Skipped;
        ++counts_.besideSkipped;
        Fail(Facts::Make(Facts::Code::FileExists, {{"file", file.file}}));
    };
    // As for the sounds: nothing is overwritten without /y, and the file
    // appears whole or not at all.
    if (!run.fresh && !request_.overwrite && into.Holds(leaf)) return exists();
    const Platform::IfExists ifExists = request_.overwrite ? Platform::IfExists::ReplaceAnything : Platform::IfExists::Keep;
    Platform::OutputFile out(into, leaf, ifExists);
    std::uint64_t bytes = 0;
    if (out.IsOpen()) bytes = write(out.Stream());
    if (!out.IsOpen() || !out.Commit()) {
        if (!request_.overwrite && into.Holds(leaf)) return exists();
        ++counts_.besideFailed;
        return Fail(Intake::CannotWrite(file.file, out.Error()));
    }
    file.outcome = Outcome::Written;
    file.bytes = bytes;
    file.written = ShownFile(run, folders + leaf);
    ++counts_.besideWritten;
    counts_.besideBytes += bytes;
}

void Extraction::Count(Outcome outcome, std::uint64_t bytes) {
    switch (outcome) {
        case Outcome::Written: ++counts_.written, counts_.bytes += bytes; break;
        case Outcome::Skipped: ++counts_.skipped; break;
        case Outcome::Failed: ++counts_.failed; break;
    }
}

}  // namespace

int Extract(const ExtractRequest& request, std::ostream& out, std::ostream& err) {
    return Extraction(request, out, err).Run();
}
