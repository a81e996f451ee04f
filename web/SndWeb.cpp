// web/: the browser page -- a static page (index.html, page.css and the
// scripts core.js, worker.js, wave.js, sound.js, page.js) over the project's own package reader,
// sound object, WAVE model and facts, compiled to WebAssembly by
// scripts/web.sh and run in a Web Worker (worker.js). This file is the whole
// C API the page calls; it works on the files the page has mounted there, and
// hands back JSON or text, or writes files into the in-memory file system.
// The core prints nothing.
//
//   SndWeb_Info(path)                  the document `Snd_Info --json PATH` prints
//   SndWeb_Exports(path)               a package's exports from its tables alone, no sound read, so
//                                      that a long table shows at once: [[index, name, group, class], ...];
//                                      null for a file that is not a readable package
//   SndWeb_Sound(path, index)          the same for export `index` of a package
//   SndWeb_Print(path, index)          the text `Snd_Info PATH` prints for the WAVE file
//                                      (index -1) or export `index` of a package
//   SndWeb_Export(path, index, out)    the bytes Snd_Pull exports for that export, to `out`
//   SndWeb_ExportSpans(path)           where the bytes SndWeb_Export writes lie in the package:
//                                      [{index, offset, size}], one per export
//   SndWeb_ExportPcm(path, index, out) the WAVE file (index -1) or export `index` as 16-bit PCM, to
//                                      `out`: what `Snd_Info PATH SOUND /w:OUT --pcm` writes
//   SndWeb_Peaks(path, index, n, first, count)
//                                      the waveform of frames [first, first + count) in n columns
//                                      (index -1: the WAVE file itself; count 0: to the end), its
//                                      samples read from the file a window at a time, whatever its
//                                      size; "too_large": above 256 MiB, too large to play in the
//                                      page; "pcm": whether ExportPcm converts it
//   SndWeb_Spectrogram(path, index, columns, rows, first, count)
//                                      the spectrogram of frames [first, first + count) in columns x
//                                      rows levels (web/Sonogram.h), read as the peaks are; the
//                                      levels column after column, row 0 the lowest, as base64
//   SndWeb_FileNames(path)             the folder and file names `Snd_Info PATH /x:DIR` writes:
//                                      {"folder": ..., "files": [path under the folder or null, by export index]}
//   SndWeb_Regions(path, index)        the labelled regions and sampler loops of the WAVE file (index -1)
//                                      or export `index`: [{name, kind, start, frames, file}], `file`
//                                      the name `Snd_Info PATH /x:DIR --regions` gives its file
//   SndWeb_Region(path, index, region, pcm, out)
//                                      region `region` of that list as a WAVE file, to `out` (with
//                                      `pcm`, decoded to 16-bit PCM first, as --pcm does)
//   SndWeb_Labels(path, index)         the sound's label track (`--labels`), empty without marks
//   SndWeb_Sfz(path, index, sample)    the sound's SFZ instrument (`--sfz`) playing the file `sample`,
//                                      empty for a sound without a sampler loop
//   SndWeb_Close(path)                 lets the file go (Facts::Source): its tables, groups and stream
//
// A file is opened, and a package's tables read, on the first call that
// names it; it stays open, keyed by its full path, until SndWeb_Close, so
// that showing, drawing or playing a sound reads only that sound's bytes.
// Every text returned stays valid until the next call.
//
// Natively (without Emscripten) the same file builds as the library sndweb,
// so that the entry points are tested like the rest of the core.
#include "web/SndWeb.h"

#ifdef __EMSCRIPTEN__
#include <emscripten/emscripten.h>
#else
#define EMSCRIPTEN_KEEPALIVE
#endif

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "common/Platform.h"
#include "facts/Convert.h"
#include "facts/Facts.h"
#include "facts/FactsJson.h"
#include "facts/FactsText.h"
#include "facts/FileNames.h"
#include "facts/Intake.h"
#include "facts/LabelTrack.h"
#include "facts/Regions.h"
#include "facts/Sfz.h"
#include "facts/Source.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"
#include "web/Sonogram.h"
#include "web/Waveform.h"

namespace {

using nlohmann::json;

std::string g_result;

// Stored names may hold any bytes: invalid UTF-8 becomes U+FFFD.
template <typename Json>
const char* Result(const Json& document) {
    g_result = document.dump(-1, ' ', false, Json::error_handler_t::replace);
    return g_result.c_str();
}

// The files the page has opened, by their full paths. A call names a file
// by its path in the folder the page is working in.
std::map<std::string, std::unique_ptr<Facts::Source>> g_sources;

std::string FullPath(const char* path) {
    std::error_code ec;
    const std::filesystem::path full = std::filesystem::absolute(path, ec);
    return ec ? std::string(path) : full.lexically_normal().string();
}

// The source of `path`, opened on the first call that names it.
Facts::Source& SourceOf(const char* path) {
    std::unique_ptr<Facts::Source>& source = g_sources[FullPath(path)];
    if (!source) source = Facts::Source::Open(path);
    return *source;
}

// The WAVE file at `path` (`index` < 0) or the sound behind export `index`
// of the package there, headers only; null when it holds none. The model's
// messages become findings. `bytes`, when given, gets the bytes of the WAVE
// file, or the bytes the sound claims.
std::unique_ptr<WAVE_File> LoadWave(Facts::Source& source, int index, std::vector<Facts::Finding>& findings,
                                    std::uint64_t* bytes = nullptr, Intake::Load load = Intake::Load::HeadersOnly) {
    if (index < 0) {
        std::unique_ptr<WAVE_File> wave = source.LoadWave(load, Intake::Collect(findings));
        if (wave && bytes) {
            std::istream& in = source.Samples();
            in.seekg(0, std::ios::end);
            *bytes = static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
        }
        return wave;
    }
    std::unique_ptr<WAVE_File> wave = source.LoadSound(static_cast<std::size_t>(index), load, Intake::Collect(findings));
    if (wave && bytes) {
        KZ_Package& package = *source.Package();
        *bytes = static_cast<std::uint64_t>(std::max(LoadSound(package, package.Exports[static_cast<std::size_t>(index)]).WaveSize, 0));
    }
    return wave;
}

// Writes what it is given with every blank outside the strings left out:
// the document as Snd_Info indents it becomes the compact text the page
// parses, without the indented text ever held whole.
class CompactText : public std::streambuf {
public:
    explicit CompactText(std::string& out) : out_(out) {}

protected:
    int_type overflow(int_type c) override {
        if (!traits_type::eq_int_type(c, traits_type::eof())) Put(traits_type::to_char_type(c));
        return traits_type::not_eof(c);
    }
    std::streamsize xsputn(const char* s, std::streamsize n) override {
        for (std::streamsize i = 0; i < n; ++i) Put(s[i]);
        return n;
    }

private:
    void Put(char c) {
        if (inString_) {
            if (escaped_) {
                escaped_ = false;
            } else if (c == '\\') {
                escaped_ = true;
            } else if (c == '"') {
                inString_ = false;
            }
        } else if (c == ' ' || c == '\n') {
            return;
        } else {
            inString_ = c == '"';
        }
        out_.push_back(c);
    }

    std::string& out_;
    bool inString_ = false;
    bool escaped_ = false;  // the byte before was a backslash that escapes this one
};

json Peaks(const WAVE_File& wave, std::istream* samples, std::uint64_t first, std::uint64_t count, int columns) {
    const Waveform waveform = DrawWaveform(wave, samples, first, count, columns);
    if (!waveform.Decodable) {
        json answer = {{"decodable", false}, {"channels", waveform.Channels}, {"pcm", DecodesToPcm16(wave)}};
        // Why the sound is drawn flat, and whether it may be played at all.
        if (!waveform.Reason.empty()) answer["reason"] = waveform.Reason;
        if (!waveform.Playable) answer["playable"] = false;
        return answer;
    }
    return {{"decodable", true},
            {"pcm", DecodesToPcm16(wave)},
            {"channels", waveform.Channels},
            {"frames", waveform.Frames},
            {"first", waveform.First},
            {"count", waveform.Count},
            {"rate", wave.FmtChunk.SamplesPerSec},
            {"columns", waveform.Low.empty() ? 0 : waveform.Low[0].size()},
            {"min", waveform.Low},
            {"max", waveform.High}};
}

// Bytes as base64 (RFC 4648, padded): a spectrogram's levels reach the
// page as one short string rather than as a JSON array four times longer.
std::string Base64(const std::vector<std::uint8_t>& bytes) {
    static constexpr char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t at = 0; at < bytes.size(); at += 3) {
        const std::size_t left = bytes.size() - at;
        const std::uint32_t group = std::uint32_t{bytes[at]} << 16 | (left > 1 ? std::uint32_t{bytes[at + 1]} << 8 : 0u) |
                                    (left > 2 ? std::uint32_t{bytes[at + 2]} : 0u);
        text += kDigits[group >> 18 & 63];
        text += kDigits[group >> 12 & 63];
        text += left > 1 ? kDigits[group >> 6 & 63] : '=';
        text += left > 2 ? kDigits[group & 63] : '=';
    }
    return text;
}

json SpectrogramJson(const WAVE_File& wave, std::istream* samples, std::uint64_t first, std::uint64_t count, int columns, int rows) {
    const Spectrogram spectrogram = DrawSpectrogram(wave, samples, first, count, columns, rows);
    if (!spectrogram.Decodable) {
        json answer = {{"decodable", false}};
        if (!spectrogram.Reason.empty()) answer["reason"] = spectrogram.Reason;
        return answer;
    }
    return {{"decodable", true},
            {"frames", spectrogram.Frames},
            {"first", spectrogram.First},
            {"count", spectrogram.Count},
            {"rate", wave.FmtChunk.SamplesPerSec},
            {"columns", spectrogram.Columns},
            {"rows", spectrogram.Rows},
            {"low_hz", spectrogram.LowHz},
            {"high_hz", spectrogram.HighHz},
            {"values", Base64(spectrogram.Values)}};
}

// A sound of more than this many bytes is not played in the page: the
// browser tab would hold it twice more, as bytes and decoded.
constexpr std::uint64_t kMostPlayedBytes = 256u << 20;

// A frame number from JavaScript's numbers: `otherwise` for 0, a negative
// number or NaN; numbers beyond 64 bits reach to the end.
std::uint64_t FrameOf(double value, std::uint64_t otherwise) {
    if (!(value > 0)) return otherwise;
    if (value >= 18446744073709551616.0) return kToTheEnd;
    return static_cast<std::uint64_t>(value);
}

// The file names /x: --regions gives the regions beside the sound, leaf
// names only: "<sound> - <name>.wav", numbered in the sound's folder after
// the files of the exports before it and its own. (Extraction also numbers
// them after the region files of the sounds before; finding those would
// load each of those sounds.) Beside a WAVE file, after its own name.
std::vector<std::string> RegionFiles(Facts::Source& source, int index, const std::vector<Facts::Region>& regions) {
    constexpr std::string_view kWav = ".wav";
    std::vector<std::string> files;
    if (index < 0) {
        std::string stem(FileNames::BaseName(source.Path()));
        if (FileNames::AsciiLower(stem).ends_with(kWav)) stem.resize(stem.size() - kWav.size());
        FileNames::FolderNames folder;
        for (const Facts::Region& region : regions) files.push_back(folder.TakeBeside(stem, region.name, kWav));
        return files;
    }
    // A sound was loaded: the export exists, and holds it.
    KZ_Package& package = *source.Package();
    FileNames::SoundFiles names(source.Groups(), false);
    std::string leaf;
    for (std::size_t at = 0; at <= static_cast<std::size_t>(index); ++at) {
        const KZ_Export_Element& entry = package.Exports[at];
        const std::optional<std::string> taken = names.Take(at, entry, Facts::HoldsWave(package, entry));
        if (taken) leaf = FileNames::BaseName(*taken);
    }
    const std::string stem = leaf.substr(0, leaf.size() - std::min(leaf.size(), kWav.size()));
    for (const Facts::Region& region : regions) {
        files.emplace_back(FileNames::BaseName(names.TakeBeside(stem, region.name, kWav)));
    }
    return files;
}

}  // namespace

// Built without exception handling (each call that may throw would cost a
// round trip through JavaScript): a failure to allocate aborts the module,
// and the page says so.
extern "C" {

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Info(const char* path) {
    g_result.clear();
    CompactText compact(g_result);
    std::ostream out(&compact);
    FactsJson::DocumentWriter document(out);
    // Written piece by piece, as Snd_Info writes it: a package's exports one
    // by one, a WAVE file's chunks one by one.
    Intake::AddFile(document, SourceOf(path));
    document.Finish();
    return g_result.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Exports(const char* path) {
    Facts::Source& source = SourceOf(path);
    if (source.GetKind() != Facts::Source::Kind::Package) return Result(json(nullptr));
    const KZ_Package& package = *source.Package();
    Facts::Groups& groups = source.Groups();
    json rows = json::array();
    for (std::size_t index = 0; index < package.Exports.size(); ++index) {
        const KZ_Export_Element& entry = package.Exports[index];
        rows.push_back({index, entry.GetName(), groups.Path(index), entry.GetClassName()});
    }
    return Result(rows);
}

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Sound(const char* path, int index) {
    Facts::Source& source = SourceOf(path);
    if (source.GetKind() != Facts::Source::Kind::Package) return SndWeb_Info(path);
    const auto file = Intake::SoundJson(*source.Package(), static_cast<std::size_t>(std::max(index, 0)), source.Path());
    return Result(FactsJson::Document(FactsJson::json::array({file})));
}

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Print(const char* path, int index) {
    Facts::Source& source = SourceOf(path);
    std::vector<Facts::Finding> findings;
    const std::unique_ptr<WAVE_File> wave = LoadWave(source, index, findings);
    std::ostringstream text;
    // Named as Snd_Info names it: the file, or the sound in its package.
    std::string name = path;
    if (wave && index >= 0) name = source.Package()->Exports[static_cast<std::size_t>(index)].GetName() + " in " + path;
    if (wave) FactsText::PrintWave(Facts::Describe(*wave, std::move(findings)), name, text);
    g_result = text.str();
    return g_result.c_str();
}

// Returns 0 when every byte was read and written, 1 when the package held
// fewer bytes than the sound claims (the file holds what was there, as
// Snd_Pull writes it), 2 when the file could not be written, 3 when the
// export does not exist.
EMSCRIPTEN_KEEPALIVE int SndWeb_Export(const char* path, int index, const char* out) {
    Facts::Source& source = SourceOf(path);
    KZ_Package* package = source.Package();
    if (source.GetKind() != Facts::Source::Kind::Package || index < 0 ||
        static_cast<std::size_t>(index) >= package->Exports.size()) {
        return 3;
    }
    KZ_Sound sound = LoadSound(*package, package->Exports[static_cast<std::size_t>(index)]);
    const KZ_SaveResult result = sound.SaveWAVE(out);
    if (!result.WroteAll) return 2;
    return result.ReadAll ? 0 : 1;
}

// Where each export's bytes lie in the package: a sound is exported as a
// verbatim copy of the package's bytes from its WaveOffset, WaveSize of
// them or as many as the file holds (KZ_Sound::SaveWAVE), so that the page
// can put a slice of the file itself into a zip, never the bytes. An export
// whose header cannot be read, or whose WaveSize is negative, gets size 0:
// SndWeb_Export writes it empty. A file that is no package gives [].
EMSCRIPTEN_KEEPALIVE const char* SndWeb_ExportSpans(const char* path) {
    json spans = json::array();
    Facts::Source& source = SourceOf(path);
    if (source.GetKind() == Facts::Source::Kind::Package) {
        KZ_Package& package = *source.Package();
        std::ifstream& in = package.GetPackageFile();
        in.clear();
        in.seekg(0, std::ios::end);
        const std::streamoff end = in.tellg();
        const std::uint64_t fileBytes = end > 0 ? static_cast<std::uint64_t>(end) : 0;
        for (std::size_t index = 0; index < package.Exports.size(); ++index) {
            const KZ_Sound sound = LoadSound(package, package.Exports[index]);
            std::uint64_t size = 0;
            if (sound.HeaderComplete && sound.WaveSize > 0 && fileBytes > sound.WaveOffset) {
                size = std::min<std::uint64_t>(static_cast<std::uint64_t>(sound.WaveSize), fileBytes - sound.WaveOffset);
            }
            spans.push_back({{"index", index}, {"offset", size > 0 ? sound.WaveOffset : 0}, {"size", size}});
        }
        package.GetPackageFile().close();
    }
    return Result(spans);
}

// What SndWeb_ExportPcm returns.
enum PcmStatus : int {
    kPcmWritten = 0,
    kPcmNotDecoded = 1,  // a format the core does not decode, or no format or samples to convert
    kPcmCannotWrite = 2,
    kPcmNoSound = 3,
};

// Writes the sound as 16-bit PCM to `out`, as Snd_Info's --pcm writes it:
// the model loaded headers only, its samples decoded as they stream from
// the file (a package's sound lies in the package file, where the model
// says). Nothing is left at `out` unless it was written whole.
EMSCRIPTEN_KEEPALIVE int SndWeb_ExportPcm(const char* path, int index, const char* out) {
    Facts::Source& source = SourceOf(path);
    std::vector<Facts::Finding> findings;
    const std::unique_ptr<WAVE_File> wave = LoadWave(source, index, findings);
    if (!wave) return kPcmNoSound;
    // A sound without its format or its samples is not made whole with invented ones.
    const Facts::Wave facts = Facts::Describe(*wave, std::move(findings));
    const bool whole = std::none_of(facts.findings.begin(), facts.findings.end(),
                                    [](const Facts::Finding& f) { return f.severity == Facts::Severity::Error; });
    if (!whole || !DecodesToPcm16(*wave)) return kPcmNotDecoded;
    std::istream& samples = source.Samples();
    if (samples.fail()) return kPcmNoSound;
    int status = kPcmCannotWrite;
    {
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        if (file.is_open() && Facts::SaveAsPcm16(*wave, &samples, file).Converted) {
            file.close();
            if (!file.fail()) status = kPcmWritten;
        }
    }
    if (status != kPcmWritten) std::remove(out);
    return status;
}

// The model is loaded headers only: the samples are read from the file as
// they are drawn, so that memory stays flat whatever the sound's size.
EMSCRIPTEN_KEEPALIVE const char* SndWeb_Peaks(const char* path, int index, int columns, double first, double count) {
    Facts::Source& source = SourceOf(path);
    std::vector<Facts::Finding> ignored;
    std::uint64_t bytes = 0;
    const std::unique_ptr<WAVE_File> wave = LoadWave(source, index, ignored, &bytes);
    if (!wave) return Result(json{{"decodable", false}});
    std::istream& samples = source.Samples();
    json peaks = Peaks(*wave, samples.fail() ? nullptr : &samples, FrameOf(first, 0), FrameOf(count, kToTheEnd), columns);
    peaks["too_large"] = bytes > kMostPlayedBytes;
    return Result(peaks);
}

// As SndWeb_Peaks reads the samples, the spectrogram of the same span.
EMSCRIPTEN_KEEPALIVE const char* SndWeb_Spectrogram(const char* path, int index, int columns, int rows, double first, double count) {
    Facts::Source& source = SourceOf(path);
    std::vector<Facts::Finding> ignored;
    const std::unique_ptr<WAVE_File> wave = LoadWave(source, index, ignored);
    if (!wave) return Result(json{{"decodable", false}});
    std::istream& samples = source.Samples();
    return Result(SpectrogramJson(*wave, samples.fail() ? nullptr : &samples, FrameOf(first, 0), FrameOf(count, kToTheEnd), columns, rows));
}

// The names extraction gives, so that a zip of the page holds what /x: writes:
// the package's folder, and a file for every export that holds a sound or is
// of class Sound, in the folders of its group ("Wind/Gusts/Hit.wav"),
// numbered over the whole table as /x: numbers them.
EMSCRIPTEN_KEEPALIVE const char* SndWeb_FileNames(const char* path) {
    json files = json::array();
    Facts::Source& source = SourceOf(path);
    if (source.GetKind() == Facts::Source::Kind::Package) {
        KZ_Package& package = *source.Package();
        FileNames::SoundFiles names(source.Groups(), false);
        for (std::size_t index = 0; index < package.Exports.size(); ++index) {
            const KZ_Export_Element& entry = package.Exports[index];
            const std::optional<std::string> file = names.Take(index, entry, Facts::HoldsWave(package, entry));
            if (file) {
                files.push_back(*file);
            } else {
                files.push_back(nullptr);
            }
        }
    }
    return Result(json{{"folder", FileNames::FileName(FileNames::PackageName(path), 1, "")}, {"files", std::move(files)}});
}

// The regions and loops (Facts::RegionsOf), each with the file name /x:
// --regions gives it (RegionFiles).
EMSCRIPTEN_KEEPALIVE const char* SndWeb_Regions(const char* path, int index) {
    Facts::Source& source = SourceOf(path);
    std::vector<Facts::Finding> ignored;
    const std::unique_ptr<WAVE_File> wave = LoadWave(source, index, ignored);
    json regions = json::array();
    if (!wave) return Result(regions);
    const std::vector<Facts::Region> list = Facts::RegionsOf(*wave);
    const std::vector<std::string> files = RegionFiles(source, index, list);
    for (std::size_t at = 0; at < list.size(); ++at) {
        const Facts::Region& region = list[at];
        regions.push_back({{"name", region.name},
                           {"kind", region.kind == Facts::Region::Kind::Loop ? "loop" : "region"},
                           {"start", region.start},
                           {"frames", region.frames},
                           {"file", files[at]}});
    }
    return Result(regions);
}

// What SndWeb_Region returns.
enum RegionStatus : int {
    kRegionWritten = 0,
    kRegionNotCut = 1,  // the core could not cut it (its findings say why)
    kRegionCannotWrite = 2,
    kRegionNoSound = 3,  // no such sound, or no such region in it
};

// Writes region `region` of SndWeb_Regions' list as the file /x: --regions
// writes (`pcm`: as --pcm writes it). The model is loaded whole: the cut
// copies its samples. Nothing is left at `out` unless it was written whole.
EMSCRIPTEN_KEEPALIVE int SndWeb_Region(const char* path, int index, int region, int pcm, const char* out) {
    Facts::Source& source = SourceOf(path);
    std::vector<Facts::Finding> findings;
    const std::unique_ptr<WAVE_File> wave = LoadWave(source, index, findings, nullptr, Intake::Load::Everything);
    if (!wave) return kRegionNoSound;
    const std::vector<Facts::Region> regions = Facts::RegionsOf(*wave);
    if (region < 0 || static_cast<std::size_t>(region) >= regions.size()) return kRegionNoSound;
    Facts::RegionCut cut = Facts::CutRegion(*wave, regions[static_cast<std::size_t>(region)], pcm != 0);
    if (!cut.wave) return kRegionNotCut;
    int status = kRegionCannotWrite;
    {
        std::ofstream file(out, std::ios::binary | std::ios::trunc);
        if (file.is_open()) {
            cut.wave->SaveData(file);
            file.close();
            if (!file.fail()) status = kRegionWritten;
        }
    }
    if (status != kRegionWritten) std::remove(out);
    return status;
}

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Labels(const char* path, int index) {
    std::vector<Facts::Finding> ignored;
    const std::unique_ptr<WAVE_File> wave = LoadWave(SourceOf(path), index, ignored);
    g_result = wave ? Facts::LabelTrack(*wave) : std::string();
    return g_result.c_str();
}

EMSCRIPTEN_KEEPALIVE const char* SndWeb_Sfz(const char* path, int index, const char* sampleFile) {
    std::vector<Facts::Finding> ignored;
    const std::unique_ptr<WAVE_File> wave = LoadWave(SourceOf(path), index, ignored);
    const std::optional<std::string> sfz = wave ? Facts::Sfz(*wave, sampleFile) : std::nullopt;
    g_result = sfz.value_or(std::string());
    return g_result.c_str();
}

EMSCRIPTEN_KEEPALIVE void SndWeb_Close(const char* path) { g_sources.erase(FullPath(path)); }

}  // extern "C"
