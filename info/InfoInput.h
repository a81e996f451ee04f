// One FILE named on Snd_Info's command line, opened and typed by its first
// bytes: a WAVE file (one that begins with "RIFF"), or a package. FILE may
// be a pipe or "-" (standard input): the bytes read for the type check are
// handed on in front of the rest, never sought back.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>

class KZ_Export_Element;
class KZ_Package;
class WAVE_File;

namespace InfoInput {

// The name that stands for standard input.
inline constexpr const char* kStandardInput = "-";

enum class Type {
    Wave,         // "RIFF", size, "WAVE"
    DamagedRiff,  // begins with "RIFF" but is no RIFF WAVE header
    Other,        // anything else: read as a package
};

// How much of a WAVE file a load holds: the print needs the headers only,
// a save every byte.
enum class Load { HeadersOnly, Everything };

class Input {
public:
    Input() = default;
    Input(const Input&) = delete;
    Input& operator=(const Input&) = delete;
    ~Input();

    // Opens `path` (or standard input for "-") and reads its first bytes.
    // False when it cannot be opened.
    bool Open(const std::string& path);

    Type GetType() const { return type_; }
    // Whether the input is a file that can be reopened by its path, as a
    // package must be (a pipe or standard input cannot).
    bool Reopenable() const { return reopenable_; }
    // The input from its first byte.
    std::istream& Stream() { return *stream_; }

private:
    std::ifstream file_;
    std::unique_ptr<std::streambuf> prefixed_;
    std::unique_ptr<std::istream> stream_;
    Type type_ = Type::Other;
    bool reopenable_ = false;
};

// Loads the model from `in` (at "RIFF"). With HeadersOnly the samples of
// "data" are measured, not read.
void LoadWave(WAVE_File& wave, std::istream& in, Load load);

// The model of the sound behind `entry`, which must hold a RIFF WAVE file
// (InfoReport::HoldsWave): KZ_Sound::GetWAVE, the sound's own WaveSize bytes
// and nothing after them. Closes the package's stream again.
std::unique_ptr<WAVE_File> LoadSound(KZ_Package& package, const KZ_Export_Element& entry, Load load);

// A path or name from the command line as messages show it: between single
// quotes, every byte that could upset a terminal escaped.
std::string Shown(const std::string& text);

}  // namespace InfoInput
