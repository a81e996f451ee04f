// Cue points and the list chunk with its labels and labelled texts. Cue
// chunks stand in a file's chain; labels and labelled texts are typed only
// inside a list. The model carries the CueID values without relating them.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "RIFF_Chunk.h"

// One cue point record, 24 bytes:
//   0 CueID  4 Position  8 DataChunkID  12 ChunkStart  16 BlockStart  20 SampleOffset
struct CuePoint {
    static constexpr std::uint32_t kStoredSize = 24;

    std::uint32_t CueID = 0;
    std::uint32_t Position = 0;
    std::uint32_t DataChunkID = 0;
    std::uint32_t ChunkStart = 0;
    std::uint32_t BlockStart = 0;
    std::uint32_t SampleOffset = 0;

    void LoadData(std::istream& in);
    void SaveData(std::ostream& out) const;
};

// "cue ":
//   0  4        CuePointCount
//   4  24 each  CuePoints
class cue_Chunk : public RIFF_Chunk {
public:
    std::uint32_t CuePointCount = 0;
    std::vector<CuePoint> CuePoints;

    cue_Chunk();
    explicit cue_Chunk(std::istream& in);

    // Holds the records that fit in the body; CuePointCount is their number.
    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // CuePointCount follows CuePoints; ChunkSize = 4 + 24 per record.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Cue; }
};

// "LIST":
//   0  4     ListType ("adtl" for associated data; any type is read alike)
//   4  ...   sub-chunks, each with its own header
// Sub-chunks are read from the list's body only: one that claims more than
// the list has left holds what is left. Each is made through the chunk
// registry ("labl" and "ltxt" are typed, any other is an unknown_Chunk).
class LIST_Chunk : public RIFF_Chunk {
public:
    std::uint32_t ListType = kAdtlID;
    std::unique_ptr<RIFF_Chunk> FirstSubChunk;

    LIST_Chunk();
    explicit LIST_Chunk(std::istream& in);

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize = 4 + the CalcSize of every sub-chunk (each brought up to
    // date, its pad byte included).
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::List; }
};

// "labl":
//   0  4               CueID
//   4  ChunkSize - 4   Text, ending in a NUL
class labl_Chunk : public RIFF_Chunk {
public:
    std::uint32_t CueID = 0;
    // The text as stored, always holding a NUL: one is added after a stored
    // text that has none (an empty text is a single NUL).
    std::string Text;

    labl_Chunk();
    explicit labl_Chunk(std::istream& in);

    void LoadData(std::istream& in) override;
    // Writes ChunkSize - 4 bytes of Text (zeros where Text is shorter).
    void SaveData(std::ostream& out) override;
    // ChunkSize = 4 + the text up to and including its first NUL.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Label; }
};

// "ltxt":
//   0  4  CueID         12  2  Country        18  2  CodePage
//   4  4  SampleLength  14  2  Language       20  ...  Text
//   8  4  Purpose       16  2  Dialect
class ltxt_Chunk : public RIFF_Chunk {
public:
    std::uint32_t CueID = 0;
    std::uint32_t SampleLength = 0;
    std::uint32_t Purpose = 0;
    std::uint16_t Country = 0;
    std::uint16_t Language = 0;
    std::uint16_t Dialect = 0;
    std::uint16_t CodePage = 0;
    // The bytes after the 20 fixed ones, kept as stored.
    std::string Text;

    ltxt_Chunk();
    explicit ltxt_Chunk(std::istream& in);

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize = 20 + the text.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::LabelledText; }
    // 20 + the text (a loaded one holds its fixed fields whole: a shorter
    // body stays raw).
    std::optional<std::uint64_t> HeldBytes() const override;
};
