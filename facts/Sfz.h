// A looped sound as an SFZ instrument, from the first "smpl" chunk and its
// first loop, one line each, in this order:
//   <region>
//   sample=<the sound's file name>
//   pitch_keycenter=<the unity note>
//   tune=<minus the pitch fraction in cents>     (left out when 0)
//   loop_mode=loop_continuous
//   loop_type=forward | alternate | backward     (types 0, 1, 2; any other
//                                                  forward, then a comment
//                                                  "// loop type N played forward")
//   loop_start=<Start>
//   loop_end=<End>                               (inclusive, as "smpl" stores it)
//   // play count: N                             (when the count is not 0)
//   lokey=, hikey=, lovel=, hivel=, volume=      (each on a line, from the first
//                                                  "inst": its lowest and highest
//                                                  note and velocity, its gain in dB)
// "smpl" wins over "inst" for the note and the tuning: "inst" gives neither.
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
