// Why --pcm writes a sound's samples as stored: the one wording of it, which
// /w: and /x: both print. The cause comes from the WAVE model
// (Pcm16Refusal); the words are Snd_Info's.
#pragma once

#include <string>

class fmt_Chunk;

// "<what> is not converted to PCM: <cause>; written as stored" for a format
// that SavePcm16 leaves as stored; empty for one it decodes, and for PCM and
// float, whose samples need no decoding. `what` names the file, or the sound
// in its package.
std::string NotConvertedMessage(const std::string& what, const fmt_Chunk& fmt);
