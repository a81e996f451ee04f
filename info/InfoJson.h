// Snd_Info's JSON: what the text print shows, as data for scripts and for
// the browser page. Every builder here stands alone: it needs no command
// line and writes nothing to the console (the WAVE model's own message for a
// file that is not RIFF WAVE is avoided by testing the header first).
//
// The document `Snd_Info --json FILE...` prints:
//
//   { "schema": 1, "program": "Snd_Info", "version": "1.1.0",
//     "files": [ <file>, ... ] }
//
// A <file> object:
//   "path"      the FILE as given
//   "type"      "package", "wave" (a WAVE file, or a sound of a package) or
//               "error" (could not be read: see "errors")
//   "sound", "export"   for a sound of a package: its name and export index
//   "warnings", "errors"  arrays of texts (the same texts the print writes to
//               standard error, without the program's prefix)
//   "package", "exports", "totals"   for a package (see Package below)
//   "wave"      for a WAVE file or sound (see Wave below)
//
// Names and texts are JSON strings; bytes that are not valid UTF-8 become
// U+FFFD there, and the object then also carries "<key>_bytes", an array of
// the stored byte values, so that nothing is lost. README.md holds the whole
// schema with an example. Objects keep their members in the order written
// here (nlohmann::ordered_json), so the document reads top-down.
#pragma once

#include <cstddef>
#include <ostream>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

class KZ_Package;
class WAVE_File;

namespace InfoJson {

// Raised when a field is renamed, removed or changes its meaning; new fields
// keep the number.
inline constexpr int kSchema = 1;

// The document around `files` (a JSON array of <file> objects).
nlohmann::ordered_json Document(nlohmann::ordered_json files);

// The document as text: indented by two, ending in a newline. Never throws
// on stored bytes (every text has been made valid UTF-8 already).
std::string Dump(const nlohmann::ordered_json& document);

// Writes the document piece by piece, each <file> as it is added, a
// package's exports one by one: a package of 100,000 exports never stands in
// memory as JSON whole. The text equals Dump(Document(files)).
class DocumentWriter {
public:
    // Writes the head: schema, program, version, the opening of "files".
    explicit DocumentWriter(std::ostream& out);
    void Add(const nlohmann::ordered_json& file);
    // The same as Add(Package(package, path)).
    void AddPackage(KZ_Package& package, const std::string& path);
    // Closes "files" and the document.
    void Finish();

private:
    void Next();
    std::ostream& out_;
    std::size_t files_ = 0;
};

// The <file> object of the file at `path` (a path as Snd_Info takes it:
// '\' is a separator on every system), decided by its first bytes: "RIFF"
// makes it a WAVE file, anything else a package. Headers only: the samples
// of a "data" chunk are measured, never read, so a 2 GiB file costs no more
// memory than a small one. A file that cannot be opened or read gives type
// "error".
nlohmann::ordered_json File(const std::string& path);

// The <file> object of a package already read (type "package"):
//   "package": { "tag", "tag_code", "version", "flags", "guid" or "legacy",
//                "generations", "names", "imports", "exports" ({count, offset}) }
//   "exports": [ { "index", "name", "class", "data_size", "data_offset"
//                  (null without data), "sound" (true when the data holds a
//                  RIFF WAVE file), "audio" (for a sound, see Audio) } ]
//   "totals":  { "sounds", "bytes" (of the files exporting them writes),
//                "duration" (seconds) }
// Reads each sound's WAVE headers through the package's stream, which it
// closes again.
nlohmann::ordered_json Package(KZ_Package& package, const std::string& path);

// The <file> object of the sound behind export `exportIndex` of `package`
// (type "wave", with "sound" and "export"), read headers only; type
// "error" when the index is outside the table or the export holds no RIFF
// WAVE file. `path` is the package's path as shown.
nlohmann::ordered_json Sound(KZ_Package& package, std::size_t exportIndex, const std::string& path);

// The "wave" object of a loaded model (loaded whole or headers only):
//   "riff_size" (as saving would write it), "riff_size_stored",
//   "stored_bytes" (the bytes that hold the image: the file's, a sound's),
//   "audio" (see Audio), "chunks" (every chunk in saved order with its
//   fields), "cues" (cue points with their labels and texts), "info" (LIST
//   INFO tags: code -> text), "phonemes" (text, words and their phonemes).
// Brings the model's sizes up to date (InfoReport::UpdateSizes): take its
// InfoReport::SizeWarnings first.
nlohmann::ordered_json Wave(WAVE_File& wave);

// The <file> object of a loaded WAVE file (type "wave"), with the
// warnings found before (a JSON array of texts).
nlohmann::ordered_json WaveFile(WAVE_File& wave, const std::string& path, nlohmann::ordered_json warnings);

// The <file> object of a FILE that could not be read (type "error").
nlohmann::ordered_json ErrorFile(const std::string& path, const std::string& error);

// "audio": { "format" (name: "PCM", "IEEE float", ... or null), "format_tag",
//   "channels", "rate", "bits", "block_align", "bytes_per_second",
//   "data_bytes", "frames" (null without a block size), "duration" (seconds,
//   null without a byte rate), and for a sound of a package "file_size" }.

// Sets object[key] to `bytes` as a JSON string, and object[key + "_bytes"]
// to the byte values when they are not valid UTF-8.
void PutText(nlohmann::ordered_json& object, const std::string& key, std::string_view bytes);

}  // namespace InfoJson
