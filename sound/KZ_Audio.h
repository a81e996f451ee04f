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
#include <functional>
#include <istream>
#include <memory>
#include <optional>
#include <string>

#include "../common/Diagnostics.h"
#include "../common/InputFile.h"
#include "../common/OutputFile.h"

class KZ_Package;
class WAVE_File;
enum class WaveLoad;

// What SaveWAVE managed: every one of the sound's WAVE bytes read from the
// package, and the output file created and written in full.
struct KZ_SaveResult {
    bool ReadAll = false;
    bool WroteAll = false;
    std::uint64_t Bytes = 0;  // the bytes written, when WroteAll
    // Of the bytes, those the system copied from file to file itself.
    std::uint64_t SystemCopied = 0;
    // Without WroteAll: why, as the output says it (Platform::OutputFile::Error).
    int WriteError = 0;
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

    // Copies the WAVE bytes to `path`, which is replaced whole
    // (Platform::OutputFile): after a failed write it holds what it held
    // before. Where the system copies from file to file (Linux), it copies
    // them from the package's file (KZ_Package::GetPackageSource) into the
    // output's, and they never pass through the program. Elsewhere, and for
    // whatever the system leaves, they are read from the package's stream
    // (reopened when closed) and written in pieces of at most 1 MiB, so
    // memory stays flat whatever the sound's size; a sound of one piece is
    // then read, and the stream closed, before the output is opened. Closes
    // the package's file unless the package keeps it open
    // (KZ_Package::KeepFileOpen). The file holds exactly the bytes the
    // package supplies: none when the header was cut or WaveSize is
    // negative, the bytes up to the end of the package when WaveSize runs
    // past it. Nothing is printed.
    KZ_SaveResult SaveWAVE(std::string path);
    // The same; with Platform::IfExists::Keep a file at `path`, or one that
    // appears there during the copy, is never replaced (WroteAll false).
    KZ_SaveResult SaveWAVE(std::string path, Platform::IfExists ifExists);
    // The same into the file `name` in `folder`, wherever its path leads
    // meanwhile (common/Folder.h).
    KZ_SaveResult SaveWAVE(const Platform::Folder& folder, const std::string& name, Platform::IfExists ifExists);

    // The WAVE bytes as a new WAVE_File, owned by the caller: read from the
    // package's stream (reopened when closed) at WaveOffset, then the stream
    // is closed. The model sees the sound's own bytes and nothing else: the
    // WaveSize bytes at WaveOffset, or fewer where the file ends first --
    // exactly what SaveWAVE copies -- so a chunk that claims more than the
    // sound holds ends with the sound. The package is left as it was
    // found: its stream's flags are what they were before the call, so later
    // SaveWAVE and GetWAVE calls on any of its sounds work as if this one had
    // not run. Bytes that are not a RIFF WAVE image, or a sound whose header
    // could not be read, give a model that failed its header test (and the
    // model's "Not a valid WAVE file." on standard output).
    std::unique_ptr<WAVE_File> GetWAVE();
    // The same, loaded as `mode` says (WaveLoad::HeadersOnly skips the
    // samples), the model's messages going to `sink` (standard output when
    // it is empty).
    std::unique_ptr<WAVE_File> GetWAVE(WaveLoad mode, const Diagnostics::Sink& sink = {});

private:
    // SaveWAVE into the output that `open` makes.
    using OpenOutput = std::function<void(std::optional<Platform::OutputFile>& out)>;
    KZ_SaveResult Save(const OpenOutput& open);
    KZ_SaveResult CopyBySystem(Platform::InputFile& source, Platform::OutputFile& out);
    // Closes the package's stream and source, unless the package keeps them.
    void ClosePackage();
};

class KZ_Export_Element;

// The sound stored behind an export, its header read where the export's data
// begins. The package's stream is cleared first: an earlier sound's short read
// must not spoil this one. An export without stored data has no sound behind
// it (its offset reads 0, where the package header lies): nothing is read, and
// the sound comes back with no header.
KZ_Sound LoadSound(KZ_Package& package, const KZ_Export_Element& entry);
