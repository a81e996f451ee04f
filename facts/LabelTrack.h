// A sound's marks as a label track: one line per mark, tab-separated start
// and end in seconds (six decimals, rounded half up from the frames and the
// rate in integers, a '.' whatever the locale), then the label; a point has
// start = end. In order:
//   the cue points of every "cue " chunk, in file order: a point whose id
//     has an "ltxt" with a sample length above 0 is a region of that length
//     (the first such), labelled with its first "labl" or "region N" (N from
//     1 over the regions); any other is a point, labelled with its first
//     "labl", else its first "ltxt" text, else "cue <id>"
//   the loops of the first "smpl" ("loop N", from Start to (End + 1) / rate)
//   the words of the first phoneme chunk, each a region at the frames the
//     page draws it: its positions where they lie inside the sound, else
//     word i of n from i * frames / n to (i + 1) * frames / n (none for a
//     sound whose frames are not known)
// Texts come from every "adtl" list. Tabs and line breaks inside a label
// become spaces.
#pragma once

#include <string>

class WAVE_File;

namespace Facts {

// The label track of a loaded model (its headers are enough); empty text
// for a sound without marks or a rate of 0.
std::string LabelTrack(const WAVE_File& wave);

}  // namespace Facts
