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
//
// Every text returned stays valid until the next call.
#include <emscripten/emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/Platform.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"
// Snd_Info's JSON writer when the tree has it; until then a stand-in of the
// same shape (see InfoDocument).
#if __has_include("info/InfoJson.h")
#include "info/InfoJson.h"
#define SND_WEB_INFO_JSON 1
#else
#include "web/InfoJsonStandIn.h"
#endif

#ifndef SND_VERSION
#define SND_VERSION "unknown"
#endif

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

// The one place that asks for Snd_Info's JSON: the document `Snd_Info --json
// PATH` prints (`index` < 0), or the one for export `index` of the package
// at PATH shown as a WAVE file.
std::string InfoDocument(const std::string& path, int index) {
#ifdef SND_WEB_INFO_JSON
    using Files = decltype(InfoJson::File(path));
    if (index < 0) return Text(InfoJson::Document(Files::array({InfoJson::File(path)})));
    // The package borrows the path text for as long as it lives.
    KZ_Package package(path.c_str());
    if (package.GetPackageFile().fail()) return Text(InfoJson::Document(Files::array({InfoJson::File(path)})));
    return Text(InfoJson::Document(Files::array({InfoJson::Sound(package, static_cast<std::size_t>(index), path)})));
#else
    json file = index < 0 ? InfoJsonStandIn::File(path) : InfoJsonStandIn::Sound(path, index);
    return Text(json{{"schema", 1}, {"program", "Snd_Info"}, {"version", SND_VERSION}, {"files", json::array({std::move(file)})}});
#endif
}

// ---- the waveform -----------------------------------------------------------

// G.711 expansions to a sample in [-1, 1].
float MuLaw(std::uint8_t byte) {
    byte = static_cast<std::uint8_t>(~byte);
    const int exponent = (byte >> 4) & 7;
    const int magnitude = (((byte & 0x0F) << 3) + 0x84) << exponent;
    const int value = (byte & 0x80) ? 0x84 - magnitude : magnitude - 0x84;
    return static_cast<float>(value) / 32768.0f;
}

float ALaw(std::uint8_t byte) {
    byte ^= 0x55;
    const int exponent = (byte >> 4) & 7;
    int magnitude = (byte & 0x0F) << 4;
    magnitude = exponent == 0 ? magnitude + 8 : (magnitude + 0x108) << (exponent - 1);
    return static_cast<float>((byte & 0x80) ? magnitude : -magnitude) / 32768.0f;
}

// One sample of `bytes` stored bytes in the given encoding, in [-1, 1].
using Decoder = float (*)(const unsigned char* at);
float Pcm8(const unsigned char* at) { return (static_cast<int>(at[0]) - 128) / 128.0f; }
float Pcm16(const unsigned char* at) { return static_cast<std::int16_t>(at[0] | at[1] << 8) / 32768.0f; }
float Pcm24(const unsigned char* at) {
    const std::int32_t value = static_cast<std::int32_t>(static_cast<std::uint32_t>(at[0]) << 8 |
                                                         static_cast<std::uint32_t>(at[1]) << 16 |
                                                         static_cast<std::uint32_t>(at[2]) << 24);
    return static_cast<float>(value / 2147483648.0);
}
float Pcm32(const unsigned char* at) {
    const std::uint32_t bits = at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    return static_cast<float>(static_cast<std::int32_t>(bits) / 2147483648.0);
}
float Float32(const unsigned char* at) {
    const std::uint32_t bits = at[0] | at[1] << 8 | at[2] << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? std::clamp(value, -1.0f, 1.0f) : 0.0f;
}
float Float64(const unsigned char* at) {
    std::uint64_t bits = 0;
    for (int i = 7; i >= 0; --i) bits = bits << 8 | at[i];
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return std::isfinite(value) ? static_cast<float>(std::clamp(value, -1.0, 1.0)) : 0.0f;
}
float MuLawAt(const unsigned char* at) { return MuLaw(at[0]); }
float ALawAt(const unsigned char* at) { return ALaw(at[0]); }

// The decoder for the format, or null for one the page does not draw. An
// extensible format names its encoding in the first two bytes of its
// sub-format GUID, after 2 bytes of valid bits and 4 of channel mask.
Decoder DecoderFor(const fmt_Chunk& fmt, unsigned& sampleBytes) {
    std::uint16_t tag = fmt.FormatTag;
    if (tag == 0xFFFE && fmt.ExtraData.size() >= 8) {
        tag = static_cast<std::uint16_t>(static_cast<unsigned char>(fmt.ExtraData[6]) |
                                         static_cast<unsigned char>(fmt.ExtraData[7]) << 8);
    }
    if (fmt.Channels == 0 || fmt.BlockAlign % fmt.Channels != 0) return nullptr;
    sampleBytes = fmt.BlockAlign / fmt.Channels;
    switch (tag) {
        case 1:
            if (sampleBytes == 1) return Pcm8;
            if (sampleBytes == 2) return Pcm16;
            if (sampleBytes == 3) return Pcm24;
            if (sampleBytes == 4) return Pcm32;
            return nullptr;
        case 3:
            if (sampleBytes == 4) return Float32;
            if (sampleBytes == 8) return Float64;
            return nullptr;
        case 6: return sampleBytes == 1 ? ALawAt : nullptr;
        case 7: return sampleBytes == 1 ? MuLawAt : nullptr;
        default: return nullptr;
    }
}

json Peaks(const WAVE_File& wave, int columns) {
    const fmt_Chunk& fmt = wave.FmtChunk;
    unsigned sampleBytes = 0;
    const Decoder decode = DecoderFor(fmt, sampleBytes);
    if (!decode) return {{"decodable", false}, {"channels", fmt.Channels}};
    const auto& data = wave.DataChunk.ChunkData;
    const std::size_t frames = data.size() / fmt.BlockAlign;
    const std::size_t count = std::clamp<std::size_t>(static_cast<std::size_t>(std::max(columns, 1)), 1, 8192);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
    json lows = json::array(), highs = json::array();
    for (unsigned channel = 0; channel < fmt.Channels; ++channel) {
        std::vector<float> low(count, 0.0f), high(count, 0.0f);
        for (std::size_t column = 0; column < count && frames > 0; ++column) {
            // In 64 bits: size_t has 32 here, and columns x frames exceeds it.
            const std::uint64_t first = std::uint64_t{column} * frames / count;
            const std::uint64_t last = std::max(first + 1, std::uint64_t{column + 1} * frames / count);
            float lo = 1.0f, hi = -1.0f;
            for (std::uint64_t frame = first; frame < last && frame < frames; ++frame) {
                const float value = decode(bytes + frame * fmt.BlockAlign + channel * sampleBytes);
                lo = std::min(lo, value);
                hi = std::max(hi, value);
            }
            low[column] = lo <= hi ? lo : 0.0f;
            high[column] = lo <= hi ? hi : 0.0f;
        }
        lows.push_back(std::move(low));
        highs.push_back(std::move(high));
    }
    return {{"decodable", true}, {"channels", fmt.Channels}, {"frames", frames}, {"rate", fmt.SamplesPerSec},
            {"columns", count}, {"min", std::move(lows)}, {"max", std::move(highs)}};
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

}  // extern "C"
