// A whole file from the fuzzer's bytes: load, print as Snd_Info does (text
// and JSON), save, reload the saved bytes, save again. The print must be safe
// for a terminal, the JSON valid whatever the stored bytes,
// the RIFF size written must count the bytes after it, and the two saves must
// be identical. Then the same bytes as a sound inside a package, with another
// sound's bytes after it: the model GetWAVE makes of it must print and save
// exactly as the model of the file Snd_Pull exports for it, which holds the
// sound's WaveSize bytes (fuzz_package checks that SaveWAVE writes those).
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "facts/Facts.h"
#include "facts/FactsJson.h"
#include "facts/FactsText.h"
#include "kit/PackageBuilder.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "tests/fuzz/InfoFuzz.h"
#include "tests/fuzz/WaveFuzz.h"

namespace {

// The package of this process, removed at exit.
struct TempPackage {
    std::string path = (std::filesystem::temp_directory_path() / ("fuzz_wave_file_" + std::to_string(::getpid()) + ".kzs")).string();
    ~TempPackage() {
        std::error_code ec;
        std::filesystem::remove(path, ec);
    }
};

const std::string& PackagePath() {
    static const TempPackage package;
    return package.path;
}

std::string Print(WAVE_File& wave) {
    std::ostringstream print;
    FactsText::PrintWave(Facts::Describe(wave), "fuzz.wav", print);
    return print.str();
}

std::string Save(WAVE_File& wave) {
    std::ostringstream out;
    wave.SaveData(out);
    return out.str();
}

std::string LoadAndSave(const std::string& bytes) {
    std::istringstream in(bytes);
    WAVE_File wave;
    wave.LoadData(in);
    const Facts::Wave facts = Facts::Describe(wave);
    // Written piece by piece, the document is the text its tree dumps.
    std::ostringstream streamed;
    FactsJson::DocumentWriter writer(streamed);
    writer.AddWave(facts, "fuzz.wav", FactsJson::json::object());
    writer.Finish();
    const auto tree = nlohmann::ordered_json::parse(streamed.str(), nullptr, false);
    WaveFuzz::Require(!tree.is_discarded());
    WaveFuzz::Require(streamed.str() == FactsJson::Dump(tree));
    WaveFuzz::Require(InfoFuzz::PrintsSafely(Print(wave)));
    const std::string saved = Save(wave);
    WaveFuzz::Require(saved.size() == static_cast<std::size_t>(wave.RiffSize) + 8);
    WaveFuzz::Require(WaveFuzz::StoredU32(saved, 4) == saved.size() - 8);
    return saved;
}

// The last input byte takes up to 7 bytes off the sound's WaveSize, so that
// sounds cut short inside their own image are tried too.
void CheckAsSound(const std::string& bytes) {
    const std::size_t waveSize = bytes.size() - (bytes.empty() ? 0 : std::min<std::size_t>(bytes.size(), bytes.back() & 7));
    TestSupport::PackageBuilder builder;
    builder.AddSound("Sound", bytes, {0, 0, 0, static_cast<std::int32_t>(waveSize), 0});
    builder.AddSound("Next", "RIFF" + TestSupport::U32(0xFFFFFFFF) + "WAVEdata" + TestSupport::U32(8) + "samples!");
    builder.Write(PackagePath());
    KZ_Package package(PackagePath().c_str());
    WaveFuzz::Require(!package.GetPackageFile().fail() && !package.Exports.empty());
    KZ_Sound sound = LoadSound(package, package.Exports[0]);
    WaveFuzz::Require(sound.HeaderComplete && sound.WaveSize == static_cast<std::int32_t>(waveSize));
    const std::unique_ptr<WAVE_File> fromPackage = sound.GetWAVE();
    std::istringstream file(bytes.substr(0, waveSize));
    WAVE_File fromFile;
    fromFile.LoadData(file);
    WaveFuzz::Require(fromPackage->ImageBytes == fromFile.ImageBytes);
    WaveFuzz::Require(Print(*fromPackage) == Print(fromFile));
    WaveFuzz::Require(Save(*fromPackage) == Save(fromFile));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WaveFuzz::SilenceMessages();
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string first = LoadAndSave(bytes);
    WaveFuzz::Require(LoadAndSave(first) == first);
    CheckAsSound(bytes);
    return 0;
}
