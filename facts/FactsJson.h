// The facts as JSON, for scripts and for the browser page. Nothing here
// writes to the console. docs/snd_info.md holds the whole schema.
//
// Every document Snd_Info prints:
//
//   { "schema": 7, "program": "Snd_Info", "version": "1.2.0",
//     "files": [ <file>, ... ], "totals": {...} (where the run has them) }
//
// A <file> object: "path" (the FILE as given), "type" ("package", "wave" for
// a WAVE file or a sound of a package, "error"), "warnings" and "errors"
// (arrays of findings, FindingJson), "notes" (only where there are some), then for a package "package", "exports", "totals", for
// a WAVE file "wave", for a sound of a package also "sound" and "export", and
// for a package extracted with /x: "extract".
//
// Names and texts are JSON strings; bytes that are not valid UTF-8 become
// U+FFFD there, and the object then also carries "<key>_bytes", an array of
// the stored byte values, so that nothing is lost. Objects keep their
// members in the order written (nlohmann::ordered_json).
#pragma once

#include <cstddef>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "facts/Facts.h"
#include "facts/JsonStream.h"

class KZ_Package;

namespace FactsJson {

using json = nlohmann::ordered_json;

// Raised when a field is renamed, removed or changes its meaning; new fields
// keep the number.
inline constexpr int kSchema = 7;

// The document around `files` (a JSON array of <file> objects).
json Document(json files);

// The document as text: indented by two, ending in a newline. Never throws
// on stored bytes (every text has been made valid UTF-8 already).
std::string Dump(const json& document);

// Writes the document piece by piece, each <file> as it is added, a
// package's exports one by one, a WAVE file chunk by chunk: no file stands
// in memory as JSON whole. The text equals Dump(Document(files)).
class DocumentWriter {
public:
    // Writes the head: schema, program, version, the opening of "files".
    explicit DocumentWriter(std::ostream& out);
    // Also after a <file> cut short: that one is closed first.
    void Add(const json& file);
    // A package's <file> object (described below); reads each
    // sound's WAVE headers through the package's stream. `progress` is told how many
    // exports of how many have been read, and `warn` each warning about a
    // cut sound as it is written.
    void AddPackage(KZ_Package& package, const std::string& path,
                    const std::function<void(std::size_t done, std::size_t total)>& progress = {},
                    const std::function<void(const std::string& warning)>& warn = {});
    // The same as Add(WaveFile(wave, path)) with the members of `extra` after
    // the others.
    void AddWave(const Facts::Wave& wave, const std::string& path, const json& extra);
    // For a <file> written by the caller: the stream, where the next element
    // of "files" goes.
    JsonStream& Files() { return stream_; }
    // Closes "files" and, after a "totals" member where `totals` is not
    // null, the document.
    void Finish(const json& totals = nullptr);

private:
    // The document and "files" are open.
    static constexpr std::size_t kFilesDepth = 2;
    // Closes what a <file> left open when its writing stopped on a fault
    // (memory, a damaged input met late): the document stays whole.
    void Unwind();

    JsonStream stream_;
    std::ostream& out_;
};

// The "wave" object, streamed: "container" ("RIFF" or "RF64", as stored), "riff_size" (as saving would write it),
// "riff_size_stored", "stored_bytes", "audio", "chunks" (every chunk in saved
// order with its fields), "cues" (cue points), "cue_texts" (the labels, texts
// and notes of each cue id the points name, once per id), "info" (LIST INFO
// tags in file order: {code, text}), "phonemes" (text, words and their
// phonemes, of the first phoneme chunk), "loops".
void WriteWave(JsonStream& out, const Facts::Wave& wave);
// The <file> object of a WAVE file, streamed, with `extra`'s members last.
void WriteWaveFile(JsonStream& out, const Facts::Wave& wave, const std::string& path, const json& extra);

// "audio": "format" (name, or null), "format_tag", "sub_format_tag" (an
// extensible format's), "channels", "rate", "bits", "block_align",
// "bytes_per_second", "data_bytes", "frames" (sample frames), "blocks" (for
// codecs of many frames a block), "duration" (seconds); null where it cannot
// be known.
json Audio(const Facts::Audio& audio);

// The <file> object of a WAVE file (type "wave"), with its findings as
// "warnings" and "errors", and "notes" where it has some.
json WaveFile(const Facts::Wave& wave, const std::string& path);

// The <file> object of a FILE that could not be read (type "error").
json ErrorFile(const std::string& path, const Facts::Finding& error);

// The <file> object of a package already read (type "package"), as
// DocumentWriter::AddPackage writes it:
//   "package": { "tag", "tag_code", "version", "flags", "guid" or "legacy",
//                "generations", "names", "imports", "exports" ({count, offset}) }
//   "exports": [ { "index", "name", "group" (its group path), "class", "data_size", "data_offset"
//                  (null without data), "sound", "audio" (for a sound, with
//                  "file_size"; null for one whose bytes lie past the end of
//                  the file), and for a cut sound "damage" ("cut short", "past
//                  the end of the file") and "wave_size" (the bytes its sound
//                  header states; null where that header is cut) } ]
//   "totals":  { "sounds", "bytes", "duration" (seconds) }

// Sets object[key] to `bytes` as a JSON string, and object[key + "_bytes"]
// to the byte values when they are not valid UTF-8.
void PutText(json& object, const std::string& key, std::string_view bytes);

// A four-character code as PutText puts its four bytes.
void PutCode(json& object, const std::string& key, std::uint32_t code);
std::string CodeBytes(std::uint32_t code);

// A finding: {"code", "severity", "message", "values": {name: number or
// text}}, texts as PutText puts them.
json FindingJson(const Facts::Finding& finding);

}  // namespace FactsJson
