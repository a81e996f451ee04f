#include "facts/Convert.h"

#include <vector>

#include "facts/Facts.h"
#include "wave/Audio.h"

namespace Facts {

Pcm16Save SaveAsPcm16(WAVE_File& wave, std::istream* samples, std::ostream& out) {
    std::vector<Finding> ignored;  // Describe names them
    const Audio audio = AudioOf(&wave.FmtChunk, FactCount(wave), wave.DataChunk.BodyBytes(), ignored);
    return SavePcm16(wave, samples, audio.frames.value_or(0), out);
}

}  // namespace Facts
