// wave/: the WAVE file model -- a RIFF WAVE file in memory as chunk objects
// that load themselves from a stream, bring their sizes up to date and save
// themselves again. This header brings in the whole model:
//   RIFF_Chunk.h    the chunk header, the chain, raw chunks (unknown_Chunk)
//   FormatChunks.h  "fmt ", "fact", "data"
//   CueList.h       "cue ", "LIST" with "labl" and "ltxt"
//   Phoneme.h       "phnm" with its words and phonemes
//   ChunkIO.h       bounded reading of chunk bodies, padding
//
// A stored WAVE file:
//   0   4   "RIFF"
//   4   4   RIFF size: the bytes after this field, up to the end of the last chunk
//   8   4   "WAVE"
//   12  ... chunks, each padded to an even length
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
// Inspecting without the samples: wave.LoadData(in, WaveLoad::HeadersOnly)
// loads every chunk but steps over the data chunk's body without holding it
// (a long body is seeked over where the stream can seek, a short one is read
// past in the stream's buffer): DataChunk.ChunkData stays empty, DataChunk.StoredBytes and
// every size are what a full load gives. Such a model is for looking at
// only: SaveData refuses it (writes nothing, sets the stream's failbit).
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>

#include "common/Diagnostics.h"
#include "wave/CueList.h"
#include "wave/FormatChunks.h"
#include "wave/Phoneme.h"
#include "wave/RIFF_Chunk.h"

enum class WaveLoad { Everything, HeadersOnly };

class WAVE_File {
public:
    // "RIFF" and "WAVE" for a new file and after a good load; after a load
    // that failed the header test, what the stream held there.
    std::uint32_t RiffID = kRiffID;
    std::uint32_t RiffSize = 0;
    std::uint32_t FormType = kWaveID;
    fmt_Chunk FmtChunk;
    fact_Chunk FactChunk;  // absent while its ChunkSize is 0
    data_Chunk DataChunk;
    // Every other chunk, in file order.
    std::unique_ptr<RIFF_Chunk> FirstChunk;
    // How the last load read the data chunk.
    WaveLoad LoadMode = WaveLoad::Everything;
    // The bytes really present after the 8-byte "RIFF" + size header, up to
    // the end of the bytes that hold the image: to compare with RiffSize.
    // From a stream that cannot seek, the bytes the load went through.
    std::uint64_t ImageBytes = 0;

    // A RiffSize that writers which stream their output leave in place: the
    // image runs to the end of the stream.
    static constexpr std::uint32_t kUnknownRiffSize = 0xFFFFFFFF;

    // Reads one RIFF WAVE image from the stream's current position, which may
    // lie anywhere inside a larger stream: every chunk that begins before the
    // image's end (the form type's position + RiffSize), each read whole up
    // to the stream's end (see above). A well-formed image leaves the stream
    // at its end. Anything the model held before is replaced. A header other
    // than "RIFF" ... "WAVE" reports "Not a valid WAVE file." to `sink`
    // (standard output when none is given) and loads no chunk. "fmt ",
    // "fact" and "data" go to the members (a later one replaces an earlier
    // one); every other chunk is appended to the chain.
    void LoadData(std::istream& in, WaveLoad mode = WaveLoad::Everything, const Diagnostics::Sink& sink = {});
    // "RIFF", RiffSize, "WAVE", then fmt, fact when present, data, and the
    // chain in order, with every size recomputed. After a HeadersOnly load,
    // or for a model too large for a RIFF header (CalcSize), it writes
    // nothing and sets the failbit of `out`.
    void SaveData(std::ostream& out);
    // The largest RIFF size a header can state: a model whose chunks add up
    // to more cannot be saved.
    static constexpr std::uint64_t kLargestRiffSize = 0xFFFFFFFF;

    // Brings RiffSize and every chunk size up to date; returns the file's
    // whole length, RiffSize + 8, counted in 64 bits. More than
    // kLargestRiffSize + 8 means the model is too large to be saved (a body
    // over 4 GiB counts with its real length); RiffSize then holds
    // kLargestRiffSize, never a count that wrapped.
    std::uint64_t CalcSize();
};
