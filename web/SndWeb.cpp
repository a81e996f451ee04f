// web/: the browser page -- a static page (index.html, page.css, page.js)
// over the project's own package reader, sound object and WAVE model,
// compiled to WebAssembly by scripts/web.sh. This file is the whole C API the
// page calls; it works on files the page has written into the in-memory file
// system, and hands back JSON text or writes files there.
//
//   SndWeb_Info(path)                  the document `Snd_Info --json PATH` prints
//   SndWeb_Sound(path, index)          the same for export `index` of a package
//   SndWeb_Export(path, index, out)    the bytes Snd_Pull exports for that export, to `out`
//   SndWeb_Peaks(path, index, n)       the waveform in n columns (index -1: the WAVE file itself);
//                                      "too_large" above 256 MiB
//   SndWeb_FileNames(path)             the folder and file names `Snd_Info PATH /x:DIR` writes:
//                                      {"folder": ..., "files": [name or null, by export index]}
//
// Every text returned stays valid until the next call.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <memory>
#include <string>

#include <nlohmann/json.hpp>

#include "common/Platform.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"
#include "info/FileNames.h"
#include "info/InfoJson.h"
#include "info/InfoReport.h"
#include "web/Waveform.h"

namespace {

using nlohmann::json;

std::string g_result;

// Stored names may hold any bytes: invalid UTF-8 becomes U+FFFD.
template <typename Json>
std::string Text(const Json& document) {
    return document.dump(-1, ' ', false, Json::error_handler_t::replace);
}

const char* Result(const json& document) {
    g_result = Text(document);
    return g_result.c_str();
}

// The document `Snd_Info --json PATH` prints (`index` < 0), or the one for
// export `index` of the package at PATH shown as a WAVE file.
std::string InfoDocument(const std::string& path, int index) {
    using Files = decltype(InfoJson::File(path));
    if (index < 0) return Text(InfoJson::Document(Files::array({InfoJson::File(path)})));
    // The package borrows the path text for as long as it lives.
    KZ_Package package(path.c_str());
    if (package.GetPackageFile().fail()) return Text(InfoJson::Document(Files::array({InfoJson::File(path)})));
    return Text(InfoJson::Document(Files::array({InfoJson::Sound(package, static_cast<std::size_t>(index), path)})));
}

// ---- the waveform -----------------------------------------------------------

json Peaks(const WAVE_File& wave, int columns) {
    const Waveform waveform = DrawWaveform(wave, columns);
    if (!waveform.Decodable) return {{"decodable", false}, {"channels", waveform.Channels}};
    return {{"decodable", true},
            {"channels", waveform.Channels},
            {"frames", waveform.Frames},
            {"rate", wave.FmtChunk.SamplesPerSec},
            {"columns", waveform.Low.empty() ? 0 : waveform.Low[0].size()},
            {"min", waveform.Low},
            {"max", waveform.High}};
}

}  // namespace

// Built without exception handling (each call that may throw would cost a
// round trip through JavaScript): a failure to allocate aborts the module,
// and the page says so.
extern "C" {

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Info(const char* path) {
    g_result = InfoDocument(path, -1);
    return g_result.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Sound(const char* path, int index) {
    g_result = InfoDocument(path, std::max(index, 0));
    return g_result.c_str();
}

// Returns 0 when every byte was read and written, 1 when the package held
// fewer bytes than the sound claims (the file holds what was there, as
// Snd_Pull writes it), 2 when the file could not be written, 3 when the
// export does not exist.
EMSCRIPTEN_KEEPALIVE int SndWeb_Export(const char* path, int index, const char* out) {
    KZ_Package package(path);
    if (package.GetPackageFile().fail() || index < 0 || static_cast<std::size_t>(index) >= package.Exports.size()) {
        return 3;
    }
    KZ_Sound sound = LoadSound(package, package.Exports[static_cast<std::size_t>(index)]);
    const KZ_SaveResult result = sound.SaveWAVE(out);
    if (!result.WroteAll) return 2;
    return result.ReadAll ? 0 : 1;
}

// A sound of more than this many bytes is not drawn (nor played): the
// browser tab would hold it twice more, in the module's memory and decoded.
constexpr std::uint64_t kMostDrawnBytes = 256u << 20;

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Peaks(const char* path, int index, int columns) {
    const json tooLarge = {{"decodable", false}, {"too_large", true}};
    std::unique_ptr<WAVE_File> wave;
    if (index < 0) {
        std::ifstream in;
        Platform::OpenInput(in, path);
        in.seekg(0, std::ios::end);
        if (static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0)) > kMostDrawnBytes) return Result(tooLarge);
        in.seekg(0);
        wave = std::make_unique<WAVE_File>();
        wave->LoadData(in);
    } else {
        KZ_Package package(path);
        if (package.GetPackageFile().fail() || static_cast<std::size_t>(index) >= package.Exports.size()) {
            return Result({{"decodable", false}});
        }
        KZ_Sound sound = LoadSound(package, package.Exports[static_cast<std::size_t>(index)]);
        if (sound.WaveSize > 0 && static_cast<std::uint64_t>(sound.WaveSize) > kMostDrawnBytes) return Result(tooLarge);
        wave = sound.GetWAVE();
    }
    if (wave->RiffID != kRiffID || wave->FormType != kWaveID) return Result({{"decodable", false}});
    return Result(Peaks(*wave, columns));
}

// The names extraction gives, so that a zip of the page holds what /x: writes:
// the package's folder, and a file for every export that holds a sound or is
// of class Sound, numbered over the whole table as /x: numbers them.
EMSCRIPTEN_KEEPALIVE const char* SndWeb_FileNames(const char* path) {
    std::string stem = path;
    const std::string_view extension = ".kzs";
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (stem.size() > extension.size() &&
        std::equal(extension.begin(), extension.end(), stem.end() - static_cast<std::ptrdiff_t>(extension.size()),
                   [&](char a, char b) { return a == lower(b); })) {
        stem.resize(stem.size() - extension.size());
    }
    json files = json::array();
    KZ_Package package(path);
    if (!package.GetPackageFile().fail()) {
        FileNames::FolderNames names;
        for (const KZ_Export_Element& entry : package.Exports) {
            if (InfoReport::HoldsWave(package, entry) || entry.GetClassName() == "Sound") {
                files.push_back(names.Take(entry.GetName(), ".wav"));
            } else {
                files.push_back(nullptr);
            }
        }
    }
    return Result({{"folder", FileNames::FileName(stem, 1, "")}, {"files", std::move(files)}});
}

}  // extern "C"
