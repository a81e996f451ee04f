// A sound's marks as a label track: one line per mark, tab-separated start
// and end in seconds (six decimals, a '.' whatever the locale), then the
// label; a point has start = end. In order: cue points without a length
// (points), labelled regions, sampler loops ("loop N", ending at
// (End + 1) / rate), then the phoneme chunk's words, each a region at the
// frames the page draws it (words without positions inside the sound share
// its length evenly). Tabs and line breaks inside a label become spaces.
#pragma once

#include <string>

class WAVE_File;

namespace Facts {

// The label track of a loaded model (its headers are enough); empty text
// for a sound without marks or a rate of 0.
std::string LabelTrack(const WAVE_File& wave);

}  // namespace Facts
