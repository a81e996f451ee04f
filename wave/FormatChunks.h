// The three chunks a WAVE file is built around; a WAVE_File holds one of each
// as a member, never in a chain.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "ChunkIO.h"

#include "RIFF_Chunk.h"

// "fmt ": how the samples are encoded.
//   0  2  FormatTag        1 = plain PCM, no extension follows
//   2  2  Channels
//   4  4  SamplesPerSec
//   8  4  AvgBytesPerSec
//  12  2  BlockAlign
//  14  2  BitsPerSample
//  16  2  ExtraSize        only when FormatTag is not 1
//  18  ExtraSize ExtraData only when FormatTag is not 1
class fmt_Chunk : public RIFF_Chunk {
public:
    std::uint16_t FormatTag = 0;
    std::uint16_t Channels = 0;
    std::uint32_t SamplesPerSec = 0;
    std::uint32_t AvgBytesPerSec = 0;
    std::uint16_t BlockAlign = 0;
    std::uint16_t BitsPerSample = 0;
    std::uint16_t ExtraSize = 0;
    std::vector<char> ExtraData;

    static constexpr std::uint16_t kPCM = 1;

    fmt_Chunk();

    // An extension cut short by the body keeps the bytes present, and
    // ExtraSize becomes their count.
    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize: 16 for PCM, else 18 + the extension (ExtraSize follows
    // ExtraData); an odd extension makes it odd, and the chunk is padded.
    std::uint32_t CalcSize() override;
};

// "fact": the sample count. Present while ChunkSize is not 0.
//   0  4  SampleCount
class fact_Chunk : public RIFF_Chunk {
public:
    std::uint32_t SampleCount = 0;

    fact_Chunk();

    void LoadData(std::istream& in) override;
    // Writes nothing while absent.
    void SaveData(std::ostream& out) override;
    // 12 when present (ChunkSize becomes 4, the body always being the
    // 4-byte count), 0 when absent.
    std::uint32_t CalcSize() override;
};

// "data": the sample bytes as stored, held whole in one buffer -- or, loaded
// headers only, measured and left where they are in the input.
class data_Chunk : public RIFF_Chunk {
public:
    // After a load, the bytes really present, with ChunkSize cut down to
    // their count when the input ended first.
    std::vector<char> ChunkData;
    // The bytes of the body really present in the input (at most the size
    // claimed), whether they were read or skipped.
    std::uint64_t StoredBytes = 0;
    // Set by LoadHeaderOnly: the body was stepped over, ChunkData is empty.
    bool BodySkipped = false;
    // Where the body begins in the input's underlying stream (its absolute
    // position), when the input could tell; a save can copy the samples
    // from there (WAVE_File::SaveData with a source).
    std::optional<std::uint64_t> SourceOffset;

    data_Chunk();

    void LoadData(std::istream& in) override;
    // The same for a chunk whose stored size may be kSizeElsewhere, standing
    // for `largeSize` (an RF64 file's data size).
    void LoadData(std::istream& in, std::uint64_t largeSize);
    // Reads the size, then measures the body and steps over it without
    // holding it (ChunkIO::BoundedInput::Skip): StoredBytes and ChunkSize are
    // what a full load gives, ChunkData stays empty.
    void LoadHeaderOnly(std::istream& in, std::uint64_t largeSize = kSizeElsewhere);
    // The same for a reader that stops at this chunk: where the input knows
    // how many bytes it holds, the body is counted from that and `in` is left
    // at its first byte (stepping over it would only read bytes no one wants).
    void LoadHeaderAndStop(std::istream& in, std::uint64_t largeSize = kSizeElsewhere);
    // Header, samples, and a zero pad byte after an odd-sized body. A chunk
    // whose body was skipped has no samples to write: it writes nothing and
    // sets the failbit of `out`.
    void SaveData(std::ostream& out) override;
    // The header and the pad byte around `copyBody`, which writes the body.
    template <typename CopyBody>
    void SaveAround(std::ostream& out, CopyBody copyBody);
    // ChunkSize becomes the length of ChunkData (StoredBytes when the body
    // was skipped; kSizeElsewhere beyond 32 bits); the length returned counts
    // the pad byte.
    std::uint32_t CalcSize() override;
    // The bytes of samples the chunk holds or stands for.
    std::uint64_t BodyBytes() const { return BodySkipped ? StoredBytes : ChunkData.size(); }

private:
    enum class Body { Read, StepOver, Count };
    void Load(std::istream& in, std::uint64_t largeSize, Body body);
};

template <typename CopyBody>
void data_Chunk::SaveAround(std::ostream& out, CopyBody copyBody) {
    RIFF_Chunk::SaveData(out);
    copyBody(out);
    ChunkIO::WritePad(out, BodyBytes());
}
