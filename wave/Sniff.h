// What the first bytes of a stored file say it is: the one test of a RIFF
// header, for every reader (the WAVE model, Snd_Info's inputs, a package's
// sounds, the page).
//
//   0  4  "RIFF" (little-endian sizes), "RIFX" (big-endian), "RF64" (64-bit sizes in "ds64")
//   4  4  size
//   8  4  form type: "WAVE"
#pragma once

#include <cstddef>
#include <string_view>

// The bytes a header test reads.
inline constexpr std::size_t kRiffHeaderSize = 12;

enum class RiffKind {
    Wave,       // "RIFF", size, "WAVE"
    Rf64Wave,   // "RF64", size, "WAVE"
    Rifx,       // "RIFX": a big-endian RIFF file
    OtherRiff,  // begins with "RIFF" or "RF64" but is no WAVE header (another form, or cut short)
    NotRiff,    // anything else
};

// The kind of the bytes a stored file begins with (`first`, up to
// kRiffHeaderSize of them; fewer when the file is shorter).
RiffKind SniffRiff(std::string_view first);
