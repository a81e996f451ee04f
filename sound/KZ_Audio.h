// sound/: the sound object -- one sound stored inside a package: its short
// header, and the complete RIFF WAVE file stored behind it, which is copied
// out byte for byte or handed to the WAVE file model.
//
// Stored at the sound's export offset:
//
//   u8       HeaderByte
//   compact  HeaderIndex
//   u32      HeaderValue
//   compact  WaveSize
//   WaveSize bytes: a complete RIFF WAVE file
//
// Only WaveSize and where the WAVE bytes begin matter; the other three are
// read so that the stream reaches the size.
#pragma once

#include <cstdint>
#include <istream>
#include <string>

class KZ_Package;

// What SaveWAVE managed: every one of the sound's WAVE bytes read from the
// package, and the output file created and written in full.
struct KZ_SaveResult {
    bool ReadAll = false;
    bool WroteAll = false;
};

class KZ_Sound {
public:
    KZ_Package* Package = nullptr;  // borrowed; set by the creator before LoadData
    std::uint8_t HeaderByte = 0;
    std::int32_t HeaderIndex = 0;
    std::uint32_t HeaderValue = 0;
    std::int32_t WaveSize = 0;
    std::uint32_t WaveOffset = 0;  // absolute file position of the WAVE bytes
    // Whether LoadData read the whole header. A sound never loaded has none.
    bool HeaderComplete = false;

    // Reads the header at the stream's current position and notes where the
    // WAVE bytes begin.
    void LoadData(std::istream& in);

    // Copies the WAVE bytes to `path`, created or truncated. Reads them from
    // the package's stream (reopened when closed), closes that stream unless
    // the package keeps it open (KZ_Package::KeepFileOpen), then writes. The
    // file holds exactly the bytes the package supplies: none
    // when the header was cut or WaveSize is negative, the bytes up to the
    // end of the package when WaveSize runs past it. Nothing is printed.
    KZ_SaveResult SaveWAVE(std::string path);

    // The WAVE model's entry (GetWAVE) joins here.
};
