// A WAVE model saved with its samples as 16-bit PCM: what players and
// browsers can play, from IMA or MS ADPCM, A-law or mu-law (also in the
// extensible format). The samples are decoded block by block as they are
// written, from the input or from the model's own buffer, so memory stays
// flat whatever their length.
//
// What is written: the same channels and rate; the extensible format (with
// the input's channel mask) when the input had one or more than two channels,
// plain PCM otherwise; no "fact" chunk (the data's length says it all); every
// other chunk as the model holds it -- cue points, lists, sampler loops and
// phonemes count sample frames, which stay where they were. RF64 when the
// samples outgrow a 32-bit size.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "SampleCodec.h"

class WAVE_File;

struct Pcm16Save {
    // The samples were decoded: the format is one this converts.
    bool Converted = false;
    std::uint64_t Frames = 0;  // frames written
    // What was not sound: damaged blocks, a cut-short end, a failed output;
    // for a format not converted, why.
    std::vector<std::string> Findings;
    // Every byte of the samples that the model measured could be read. Where
    // the input gave fewer (it was cut short after it was measured), the
    // frames it did not give are written as silence: the file is not the
    // sound, and a caller that can leave it unwritten does.
    bool ReadAll = false;
};

// Why SavePcm16 leaves the format as stored: the layout's cause
// (SampleLayout::Why), or that 16-bit PCM cannot state what its samples
// decode to (Undecoded::Pcm16Channels, Pcm16ByteRate). Undecoded::None for a
// format it decodes, and for PCM and float, which are saved as they are.
Undecoded Pcm16Refusal(const fmt_Chunk& fmt);

// Whether the model's format is one SavePcm16 decodes (ADPCM, G.711).
bool DecodesToPcm16(const WAVE_File& wave);

// Writes the model to `out` with its samples decoded to 16-bit PCM,
// `frames` of them (the sound's true length: a "fact" count trims the
// padding of the last block). The samples come from the model's buffer, or,
// for a model loaded headers only, from `samples` (the input, where
// DataChunk.SourceOffset points). The model is changed to what was written,
// its samples left out.
// A format that DecodesToPcm16 refuses writes nothing (Converted false).
// Samples that end before the bytes measured set the failbit of `out` after
// the silence that stands for them (ReadAll false).
Pcm16Save SavePcm16(WAVE_File& wave, std::istream* samples, std::uint64_t frames, std::ostream& out);
