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
//   12  ... chunks
//
// Reading:
//   WAVE_File wave;
//   wave.LoadData(in);                      // in: any std::istream at "RIFF"
//   wave.FmtChunk.SamplesPerSec; wave.DataChunk.ChunkData;
//   for (RIFF_Chunk* c = wave.FirstChunk.get(); c; c = c->GetNextChunk()) ...
// Writing: wave.SaveData(out) recomputes every size first.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>

#include "wave/CueList.h"
#include "wave/FormatChunks.h"
#include "wave/Phoneme.h"
#include "wave/RIFF_Chunk.h"

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

    // A RiffSize that writers which stream their output leave in place: the
    // image runs to the end of the stream.
    static constexpr std::uint32_t kUnknownRiffSize = 0xFFFFFFFF;

    // Reads one RIFF WAVE image from the stream's current position, which may
    // lie anywhere inside a larger stream, up to the image's end (the form
    // type's position + RiffSize) or the stream's end, whichever comes first,
    // and no further. Anything the model held before is replaced. A header
    // other than "RIFF" ... "WAVE" prints "Not a valid WAVE file." and loads
    // no chunk. "fmt ", "fact" and "data" go to the members (a later one
    // replaces an earlier one); every other chunk is appended to the chain.
    void LoadData(std::istream& in);
    // "RIFF", RiffSize, "WAVE", then fmt, fact when present, data, and the
    // chain in order, with every size recomputed.
    void SaveData(std::ostream& out);
    // Brings RiffSize and every chunk size up to date; returns the file's
    // whole length, RiffSize + 8.
    std::uint32_t CalcSize();
};
