// Why --pcm writes a sound's samples as stored: the one wording of it, which
// /w: and /x: both print. The cause comes from the WAVE model
// (Pcm16Refusal); the words are Snd_Info's.
#pragma once

#include <optional>
#include <string>

#include "facts/Findings.h"

class fmt_Chunk;

// "<what> is not converted to PCM: <cause>; written as stored" for a format
// that SavePcm16 leaves as stored; none for one it decodes, and for PCM and
// float, whose samples need no decoding. The file is `path`, or the sound
// `sound` in the package `path`.
std::optional<Facts::Finding> NotConverted(const fmt_Chunk& fmt, const std::string& path,
                                           const std::string* sound = nullptr);
