// A sound saved as 16-bit PCM, its length the one the facts give: what
// Snd_Info's --pcm and the page's PCM download write.
#pragma once

#include <istream>
#include <ostream>

#include "wave/ToPcm16.h"

class WAVE_File;

namespace Facts {

// SavePcm16 with the sound's sample frames as Describe counts them (a
// "fact" count trims the padding of the last block). For a format that is
// not decoded, nothing is written and Converted is false.
Pcm16Save SaveAsPcm16(WAVE_File& wave, std::istream* samples, std::ostream& out);

}  // namespace Facts
