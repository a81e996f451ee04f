// "ds64": the 64-bit sizes of an RF64 file, whose 32-bit size fields then
// hold kSizeElsewhere. It is the first chunk after the "RF64" header.
//   0   8  RiffSize     the file's length - 8
//   8   8  DataSize     the "data" chunk's body
//  16   8  SampleCount  the "fact" chunk's count
//  24   4  TableLength
//  28  12 each: u32 ChunkID, u64 ChunkSize -- the size of any other chunk
//           that needs 64 bits
#pragma once

#include <cstdint>
#include <vector>

#include "RIFF_Chunk.h"

struct Ds64Entry {
    static constexpr std::uint32_t kStoredSize = 12;

    std::uint32_t ChunkID = 0;
    std::uint64_t ChunkSize = 0;
};

class ds64_Chunk : public RIFF_Chunk {
public:
    static constexpr std::uint32_t kFixedSize = 28;

    std::uint64_t RiffSize = 0;
    std::uint64_t DataSize = 0;
    std::uint64_t SampleCount = 0;
    std::uint32_t TableLength = 0;
    std::vector<Ds64Entry> Table;

    ds64_Chunk();

    // Holds the table entries that fit in the body; TableLength is their
    // number. A body shorter than its fixed fields leaves the rest 0.
    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // TableLength follows Table; ChunkSize = 28 + 12 per entry.
    std::uint32_t CalcSize() override;

    // The size the table gives chunks of `id` (the first entry of that id),
    // or `otherwise`.
    std::uint64_t SizeOf(std::uint32_t id, std::uint64_t otherwise) const;
};
