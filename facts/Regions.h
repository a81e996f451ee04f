// What can be taken out of a sound as a file of its own: its labelled
// regions (a cue point whose "ltxt" gives a sample length above 0) and its
// sampler loops, each cut out as a WAVE file.
//
// A region file keeps the sound's format ("fact" recomputed), holds the
// frames of the region and one cue point, at the region's start, labelled
// with the region's name; a "bext" time reference is advanced by the start.
// Every other chunk is left out. PCM, float and G.711 are cut to the exact
// frame. A coding of several frames a block (IMA, MS ADPCM) is cut at the
// block boundaries around the region, and the cue point marks the region's
// exact start inside the first block; decoded (the sound saved as 16-bit PCM
// first), it is cut exactly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "facts/Findings.h"

class WAVE_File;

namespace Facts {

struct Region {
    enum class Kind { Region, Loop };
    Kind kind = Kind::Region;
    // The text of the cue point's first "labl"; "region N" for a region
    // without one (N from 1 over the regions, in cue order); "loop N" for
    // the Nth loop of "smpl".
    std::string name;
    std::uint32_t cueID = 0;   // a region's cue point; a loop's as stored
    std::uint64_t start = 0;   // its first frame
    std::uint64_t frames = 0;  // how many: a region's sample length; a loop's End - Start + 1
};

// The regions of a loaded model, in cue order, then its loops, in "smpl"
// order. A region or loop that starts past the sound's last frame is left
// out; one that runs past it ends there.
std::vector<Region> RegionsOf(const WAVE_File& wave);

// The first of `regions` named `label` (exactly; "loop N" names a loop);
// none when no region has that name.
const Region* FindRegion(const std::vector<Region>& regions, std::string_view label);

struct RegionCut {
    std::unique_ptr<WAVE_File> wave;  // none when the region cannot be cut
    std::vector<Finding> findings;    // why not, or what was not sound
};

// `region` of a model loaded whole (its samples held) as a WAVE file of its
// own; with `pcm`, a format the core decodes is decoded first and cut to
// the exact frame.
RegionCut CutRegion(const WAVE_File& wave, const Region& region, bool pcm);

}  // namespace Facts
