// One opened FILE, owned for as long as the caller keeps it: its path, its
// stream, and for a package the parsed header and tables and the groups of
// its exports, each read once. Snd_Info's run, extraction and the page's C
// API all open their files here, and read a package's sounds through it.
//
//   Source::Open(path)         typed by its first bytes: a WAVE file, or else a package
//   Source::OpenPackage(path)  read as a package whatever it begins with (extraction)
//
// A source that is neither says why (Refusal). It is not copied or moved:
// the package reopens its file from the path text the source holds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <string>

#include "common/Diagnostics.h"
#include "facts/Groups.h"
#include "facts/Intake.h"

class KZ_Package;
class WAVE_File;

namespace Facts {

class Source {
public:
    enum class Kind { Wave, Package, Refused };

    static std::unique_ptr<Source> Open(const std::string& path);
    static std::unique_ptr<Source> OpenPackage(const std::string& path);

    // Only Open and OpenPackage make one.
    struct Key {
        explicit Key() = default;
    };
    Source(Key, const std::string& path);
    Source(const Source&) = delete;
    Source& operator=(const Source&) = delete;
    ~Source();

    const std::string& Path() const { return path_; }
    Kind GetKind() const { return kind_; }

    // Why a refused source is neither a WAVE file nor a package, as Snd_Info
    // says it: the file cannot be opened, is a damaged or big-endian RIFF
    // file, is a pipe that is no WAVE file, or fails as a package. For the
    // last, `asWave` (a WAVE file was asked for) says it is not a valid WAVE
    // file instead of not a readable package.
    Facts::Finding Refusal(bool asWave = false) const;
    // What a package that failed showed (Intake::WhyNotPackage).
    std::string WhyNotPackage() const;

    // A WAVE file's input, from its first byte.
    Intake::Input& Wave() { return input_; }
    // The package read (also a failed one, from OpenPackage or a package
    // refused); null for a WAVE file or one that could not be opened.
    KZ_Package* Package() { return package_.get(); }
    // The groups of the package's exports, worked out on first use.
    Facts::Groups& Groups();

    // The model of the WAVE file, loaded as `load` says, the model's messages
    // going to `sink`; null for a source that is no WAVE file. Each call
    // reads the file again from its first byte, which a pipe cannot do:
    // load a pipe once.
    std::unique_ptr<WAVE_File> LoadWave(Intake::Load load, const Diagnostics::Sink& sink);
    // The model of the sound behind export `index` of the package, of the
    // sound's own bytes only (Intake::LoadSound); null when there is no such
    // export or it holds no RIFF WAVE file (Facts::HoldsWave).
    std::unique_ptr<WAVE_File> LoadSound(std::size_t index, Intake::Load load, const Diagnostics::Sink& sink);
    // The stream a model loaded headers only reads its samples from: the
    // WAVE file's, or the package's (reopened when closed). Its flags are
    // cleared when it is open; one that cannot be opened again stays failed.
    std::istream& Samples();

    // How many packages sources have read, in this process: the page's
    // tests count that showing a sound reads none.
    static std::uint64_t PackagesRead();

private:
    void ReadPackage();

    const std::string path_;
    Kind kind_ = Kind::Refused;
    Intake::Input input_;
    bool opened_ = false;  // the FILE opened for its type check
    Intake::Type type_ = Intake::Type::Other;
    bool reloaded_ = false;  // a WAVE file's model was loaded once: go back to its first byte
    std::unique_ptr<KZ_Package> package_;
    std::optional<Facts::Groups> groups_;
};

}  // namespace Facts
