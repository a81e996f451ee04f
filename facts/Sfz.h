// A looped sound as an SFZ instrument: a <region> header, sample= (the
// sound's file name), pitch_keycenter= (the unity note), tune= (minus the
// pitch fraction in cents), from the first loop loop_mode=loop_continuous,
// loop_type= (forward, alternate, backward), loop_start= and loop_end=
// (inclusive, as "smpl" stores them; a play count other than 0 as a
// comment); lokey, hikey, lovel, hivel and volume from "inst" where present.
// "smpl" wins over "inst" for the note and the tuning.
#pragma once

#include <optional>
#include <string>
#include <string_view>

class WAVE_File;

namespace Facts {

// The instrument of a loaded model (its headers are enough) whose sample is
// the file `sampleFile`; none for a sound without a "smpl" loop.
std::optional<std::string> Sfz(const WAVE_File& wave, std::string_view sampleFile);

}  // namespace Facts
