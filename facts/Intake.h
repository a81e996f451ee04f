// One FILE as the programs and the page take it: opened, typed by its first
// bytes (wave/Sniff.h) as a WAVE file or a package, and read into facts. FILE
// may be a pipe or "-" (standard input): the bytes read for the type check
// are handed on in front of the rest, never sought back.
#pragma once

#include <cstddef>
#include <fstream>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>
#include <vector>

#include "common/Diagnostics.h"
#include "facts/Facts.h"
#include "facts/FactsJson.h"

class KZ_Export_Element;
class KZ_Package;
class WAVE_File;
namespace Facts {
class Source;
}

namespace Intake {

// The name that stands for standard input.
inline constexpr const char* kStandardInput = "-";

enum class Type {
    Wave,         // "RIFF" or "RF64", size, "WAVE"
    Rifx,         // a big-endian RIFX file
    DamagedRiff,  // begins with "RIFF" or "RF64" but is no WAVE header
    Other,        // anything else: read as a package
};

// How much of a WAVE file a load holds: the facts need the headers only, a
// save every byte.
enum class Load { HeadersOnly, Everything };

class Input {
public:
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input();

    // Opens `path` (or standard input for "-") and reads its first bytes.
    // False when it cannot be opened; Error() then says why.
    bool Open(const std::string& path);
    // The system's error number of a failed Open (Platform::OpenError).
    int Error() const { return error_; }

    Type GetType() const { return type_; }
    // Whether the input is a file that can be reopened by its path, as a
    // package must be (a pipe or standard input cannot).
    bool Reopenable() const { return reopenable_; }
    // Whether the stream can go back to bytes it has passed (a file, also
    // one given as standard input): a model loaded headers only can then
    // copy its samples from it when saved.
    bool Seekable() const { return !prefixed_; }
    // The input from its first byte.
    std::istream& Stream() { return *stream_; }
    // Lets the file go: a package reads it again by its path.
    void Close();

private:
    std::ifstream file_;
    std::unique_ptr<std::streambuf> prefixed_;
    std::unique_ptr<std::istream> stream_;
    Type type_ = Type::Other;
    bool reopenable_ = false;
    int error_ = 0;
};

// The messages about a FILE that cannot be read or an output that cannot be
// written, `path` as given, each with its reason after a colon where there
// is one: `error` a system error number (Platform::Reason words it), `why`
// what the file showed (WhyNotPackage).
Facts::Finding CannotOpen(const std::string& path, int error);
Facts::Finding CannotWrite(const std::string& path, int error);
Facts::Finding NotValidWave(const std::string& path, const std::string& why = {});
Facts::Finding BigEndian(const std::string& path);
Facts::Finding PackageFromPipe(const std::string& path);
Facts::Finding NotReadable(const std::string& path, const std::string& why);

// What a FILE that failed as a package showed, to say why it is refused:
// why it cannot be opened; for a file that does not begin with the tag our
// packages carry ("KZSP"), its first bytes ("it begins with 3C 21 44 ...
// (\"<!D...\")"); for one that does, where its header or tables go past
// the end of the file ("its export table (3 entries at offset 134) does not
// fit in the file"). Empty when nothing is known.
std::string WhyNotPackage(const KZ_Package& package, const std::string& path);

// A sink that keeps the model's messages as warnings, each with its code.
Diagnostics::Sink Collect(std::vector<Facts::Finding>& findings);

// Loads the model from `in` (at "RIFF"), its messages going to `sink`. With
// HeadersOnly the samples of "data" are measured, not read.
void LoadWave(WAVE_File& wave, std::istream& in, Load load, const Diagnostics::Sink& sink);

// The model of the sound behind `entry`, which must hold a RIFF WAVE file
// (Facts::HoldsWave): the sound's own WaveSize bytes and nothing after
// them. Closes the package's stream again.
std::unique_ptr<WAVE_File> LoadSound(KZ_Package& package, const KZ_Export_Element& entry, Load load,
                                     const Diagnostics::Sink& sink);

// Adds the <file> object of the opened `source` (its path as Snd_Info takes
// it: '\' is a separator on every system) to `document`, written piece by
// piece as it is read. Headers only: the samples of a "data" chunk are
// measured, never read, so a 2 GiB file costs no more memory than a small
// one. A file that cannot be opened or read gives type "error".
void AddFile(FactsJson::DocumentWriter& document, Facts::Source& source);

// The <file> object of the sound behind export `index` of `package` (type
// "wave", with "sound" and "export"), read headers only; type "error" when
// the index is outside the table or the export holds no RIFF WAVE file.
// `path` is the package's path as shown.
FactsJson::json SoundJson(KZ_Package& package, std::size_t index, const std::string& path);

}  // namespace Intake
