// The bundled example: four small packages of synthesized sounds and an
// export script that also names a sound and a package that do not exist.
//
//   <folder>/pk/Ambient.kzs   Wind01, Birds, Bell
//   <folder>/pk/Weather.kzs   Rain, Thunder
//   <folder>/pk/Forest.kzs    Wind.Hit, Wind.Gusts.Hit, Birds.Morning (in groups)
//   <folder>/pk/Studio.kzs    Pad: a broadcast extension chunk, an ID3 tag,
//                             two labelled regions and a sampler loop
//   <folder>/batch.dpl        the script
//   <folder>/out/             an empty folder for the .wav files
//
// Every sound is plain PCM, 16-bit mono at 22050 Hz, and the same bytes come
// out on every run.
#pragma once

#include <filesystem>
#include <string>

namespace TestSupport {

void WriteExample(const std::filesystem::path& folder);

// The WAVE bytes stored for one of the example's sounds ("Wind01", ...);
// empty for any other name.
std::string ExampleWave(const std::string& name);

}  // namespace TestSupport
