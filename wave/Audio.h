// wave/: the WAVE file model -- a RIFF WAVE file in memory as chunk objects
// that load themselves from a stream, bring their sizes up to date and save
// themselves again. This header brings in the whole model:
//   RIFF_Chunk.h    the chunk header, the chain, raw chunks (unknown_Chunk)
//   FormatChunks.h  "fmt ", "fact", "data"
//   CueList.h       "cue ", "LIST" with "labl" and "ltxt"
//   Phoneme.h       "phnm" with its words and phonemes
//   Sampler.h       "smpl" with its loops, "inst"
//   ChunkRegistry.h the table of the classes a load makes, by identifier
//   Ds64.h          "ds64", the 64-bit sizes of an RF64 file
//   ChunkIO.h       bounded reading of chunk bodies, padding
//   Sniff.h         what the first bytes of a file say it is
//
// A stored WAVE file:
//   0   4   "RIFF"
//   4   4   RIFF size: the bytes after this field, up to the end of the last chunk
//   8   4   "WAVE"
//   12  ... chunks, each padded to an even length
// An RF64 file has "RF64" and a RIFF size of 0xFFFFFFFF; its first chunk,
// "ds64", holds the 64-bit RIFF size and the sizes of the chunks whose 32-bit
// size fields hold 0xFFFFFFFF (the data chunk, above all).
//
// Where an image ends. The RIFF size decides which chunks belong to it: a
// chunk is read only when it begins before 8 + RiffSize. A chunk that begins
// there is read whole, up to the end of the bytes that hold the image -- the
// end of the stream (the file), or of the view a caller bounds it with (a
// sound inside a package: its WaveSize bytes) -- so a RIFF size that is too
// small never cuts samples that are there, and nothing is read from beyond
// the image's own bytes.
//
// Reading:
//   WAVE_File wave;
//   wave.LoadData(in);                      // in: any std::istream at "RIFF"
//   wave.FmtChunk.SamplesPerSec; wave.DataChunk.ChunkData;
//   for (RIFF_Chunk* c = wave.FirstChunk.get(); c; c = c->GetNextChunk()) ...
// Writing: wave.SaveData(out) recomputes every size first.
//
// The headers without the samples: wave.LoadData(in, WaveLoad::HeadersOnly)
// loads every chunk but steps over the data chunk's body without holding it
// (a long body is seeked over where the stream can seek, a short one is read
// past in the stream's buffer): DataChunk.ChunkData stays empty, DataChunk.StoredBytes and
// every size are what a full load gives. SaveData(out) refuses such a model
// (writes nothing, sets the stream's failbit); SaveData(out, samples) copies
// the samples from the input instead, so that a file of any size is saved
// in pieces.
//
// What the length of the sound needs, and no more: wave.LoadData(in,
// WaveLoad::Summary) loads "ds64", "fmt ", "fact" and "data" as above and
// steps over every other chunk without making it (FirstChunk stays empty);
// the data chunk's body is counted, not held. The load stops as soon as the
// frames can be counted: after the data chunk for a coding of one frame a
// block, else once "fact" is read too, or at the image's end. Where it stops
// at the data chunk and the input knows how many bytes it holds, the stream
// is left at the first sample (stepping over them would only read bytes no
// one wants). Such a model is not saved either.
#pragma once

#include <cstdint>
#include <functional>
#include <istream>
#include <memory>
#include <ostream>

#include "../common/Diagnostics.h"
#include "CueList.h"
#include "Ds64.h"
#include "FormatChunks.h"
#include "Phoneme.h"
#include "ChunkRegistry.h"
#include "Sampler.h"
#include "RIFF_Chunk.h"

enum class WaveLoad { Everything, HeadersOnly, Summary };

class WAVE_File {
public:
    // "RIFF" (or "RF64") and "WAVE" for a new file and after a good load;
    // after a load that failed the header test, what the stream held there.
    std::uint32_t RiffID = kRiffID;
    std::uint32_t RiffSize = 0;
    std::uint32_t FormType = kWaveID;
    // The 64-bit sizes of an RF64 file: loaded from one, brought up to date
    // by CalcSize when the file needs them.
    ds64_Chunk Ds64Chunk;
    fmt_Chunk FmtChunk;
    fact_Chunk FactChunk;  // absent while its ChunkSize is 0
    data_Chunk DataChunk;
    // Every other chunk, in file order; a second "fmt ", "fact" or "data"
    // chunk among them, kept as raw bytes where it stood.
    std::unique_ptr<RIFF_Chunk> FirstChunk;
    // How the last load read the data chunk.
    WaveLoad LoadMode = WaveLoad::Everything;
    // The bytes really present after the 8-byte "RIFF" + size header, up to
    // the end of the bytes that hold the image: to compare with RiffSize.
    // From a stream that cannot seek, the bytes the load went through.
    std::uint64_t ImageBytes = 0;
    // Which of the members the last load found in the file. A file without
    // "fmt " or "data" still saves them, with their defaults.
    struct FoundChunks {
        bool Ds64 = false;
        bool Fmt = false;
        bool Fact = false;
        bool Data = false;
        // Whether the bytes held the format chunk's fixed fields (the first
        // 16, or all its size claims when it claims fewer). Cut off before
        // them by the end of the bytes, the format it tells is made up of
        // zeros where the fields were not there.
        bool FmtFields = false;
    } Found;

    // A RiffSize that writers which stream their output leave in place: the
    // image runs to the end of the stream. In an RF64 file it says that the
    // size stands in "ds64".
    static constexpr std::uint32_t kUnknownRiffSize = kSizeElsewhere;

    // Reads one RIFF WAVE image (or RF64 WAVE image) from the stream's
    // current position, which may lie anywhere inside a larger stream: every
    // chunk that begins before the image's end (the form type's position +
    // the RIFF size), each read whole up to the stream's end (see above). A
    // well-formed image leaves the stream at its end. Anything the model held
    // before is replaced. A header other than "RIFF"/"RF64" ... "WAVE"
    // reports "Not a valid WAVE file." to `sink` (standard output when none
    // is given) and loads no chunk. The first "fmt ", "fact" and "data" go
    // to the members; every other chunk, a later one of those three among
    // them, is appended to the chain. In an RF64 file the sizes stated as
    // kSizeElsewhere are taken from "ds64"; in a RIFF file the data chunk's
    // runs to the end of the image's bytes, as a writer that streams its
    // output means it (DataChunk.ClaimedSize is then kUnlimited).
    void LoadData(std::istream& in, WaveLoad mode = WaveLoad::Everything, const Diagnostics::Sink& sink = {});
    // "RIFF", RiffSize, "WAVE", then fmt, fact when present, data, and the
    // chain in order, with every size recomputed; a file that a 32-bit RIFF
    // size cannot state is written as RF64 with "ds64" after its header.
    // After a HeadersOnly or Summary load it writes nothing and sets the
    // failbit of `out`.
    void SaveData(std::ostream& out);
    // The same for a model loaded headers only from a stream that could tell
    // where the samples lie (DataChunk.SourceOffset): they are copied from
    // `samples` (that stream, or one over the same bytes) in pieces, never
    // held whole. Sets the failbit of `out` when they cannot all be copied.
    void SaveData(std::ostream& out, std::istream& samples);
    // The same with the data chunk's body written by `writeBody` (which must
    // write DataChunk.BodyBytes() bytes, and returns whether it could) in
    // place of ChunkData: for samples that are made as they are written. Not
    // after a Summary load: it writes nothing and sets the failbit of `out`.
    void SaveData(std::ostream& out, const std::function<bool(std::ostream&)>& writeBody);
    // The largest size a 32-bit field can state: a larger file is saved as RF64.
    static constexpr std::uint64_t kLargestRiffSize = 0xFFFFFFFF;

    // Brings RiffSize, every chunk size and, for a file that needs it, "ds64"
    // up to date; returns the file's whole length counted in 64 bits.
    std::uint64_t CalcSize();
    // Whether the file as it stands now is written as RF64.
    bool NeedsRf64() const { return rf64_; }

private:
    void WriteHead(std::ostream& out);
    bool rf64_ = false;
};
