// Temporary: the page's JSON about packages and WAVE files, in the shape of
// `Snd_Info --json`, until Snd_Info's own JSON writer (info/InfoJson) is in
// the tree. SndWeb.cpp calls it from one place only, InfoDocument(), which
// then calls InfoJson instead; this file and its .cpp go away with that.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

namespace InfoJsonStandIn {

// One "file" object of the document for the file at `path`: a package (its
// header, every export, the audio facts of each sound, totals), a WAVE file
// (its chunks, cue points with labels and texts, INFO tags, phonemes), or
// an "error" object when it is neither.
nlohmann::json File(const std::string& path);

// The "file" object of export `index` of the package at `path`, shown as a
// WAVE file (type "wave", with "sound" and "export").
nlohmann::json Sound(const std::string& path, int index);

}  // namespace InfoJsonStandIn
