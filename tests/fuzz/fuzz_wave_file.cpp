// A whole file from the fuzzer's bytes: load, print as Snd_Info does (text
// and JSON), save, reload the saved bytes, save again. The print must be safe
// for a terminal, the JSON valid whatever the stored bytes,
// the RIFF size written must count the bytes after it, and the two saves must
// be identical.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "info/InfoJson.h"
#include "info/InfoReport.h"
#include "tests/fuzz/InfoFuzz.h"
#include "tests/fuzz/WaveFuzz.h"

namespace {

std::string LoadAndSave(const std::string& bytes, bool& zeroLedID) {
    std::istringstream in(bytes);
    WAVE_File wave;
    wave.LoadData(in);
    const std::string json = InfoJson::Dump(InfoJson::WaveFile(wave, "fuzz.wav", InfoReport::SizeWarnings(wave)));
    WaveFuzz::Require(nlohmann::json::accept(json));
    std::ostringstream print;
    InfoReport::PrintWave(wave, print);
    WaveFuzz::Require(InfoFuzz::PrintsSafely(print.str()));
    std::ostringstream out;
    wave.SaveData(out);
    const std::string saved = out.str();
    WaveFuzz::Require(saved.size() == static_cast<std::size_t>(wave.RiffSize) + 8);
    WaveFuzz::Require(WaveFuzz::StoredU32(saved, 4) == saved.size() - 8);
    zeroLedID = WaveFuzz::HasZeroLedID(wave.FirstChunk.get());
    return saved;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WaveFuzz::SilenceMessages();
    bool zeroLedID = false;
    const std::string first = LoadAndSave(std::string(reinterpret_cast<const char*>(data), size), zeroLedID);
    if (zeroLedID) return 0;
    const std::string second = LoadAndSave(first, zeroLedID);
    WaveFuzz::Require(second == first);
    return 0;
}
