#include "wave/RIFF_Chunk.h"

#include <algorithm>

#include "wave/ChunkIO.h"

RIFF_Chunk::~RIFF_Chunk() {
    // Each chunk is taken off the chain before it goes, so its own destructor
    // finds no successor to release.
    std::unique_ptr<RIFF_Chunk> next = std::move(NextChunk);
    while (next) next = std::move(next->NextChunk);
}

void RIFF_Chunk::LoadData(std::istream& in) {
    ChunkSize = 0;
    LittleEndian::Read(in, ChunkSize);
    ClaimedSize = ChunkSize;
}

void RIFF_Chunk::SaveData(std::ostream& out) {
    LittleEndian::Write(out, ChunkID);
    LittleEndian::Write(out, ChunkSize);
}

std::uint32_t RIFF_Chunk::CalcSize() { return StoredLength(); }

std::uint32_t RIFF_Chunk::StoredLength() const { return 8 + ChunkSize + ChunkIO::PadLength(ChunkSize); }

void RIFF_Chunk::WritePad(std::ostream& out) const { ChunkIO::WritePad(out, ChunkSize); }

std::uint32_t RIFF_Chunk::SizeFromHeldBytes() {
    ChunkSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(HeldBytes().value_or(0), kSizeElsewhere));
    return StoredLength();
}

std::unique_ptr<RIFF_Chunk> RIFF_Chunk::SetNextChunk(std::unique_ptr<RIFF_Chunk> next) {
    NextChunk.swap(next);
    return next;
}

ChainBuilder::ChainBuilder(std::unique_ptr<RIFF_Chunk>& head) : tail_(&head) {
    while (*tail_) tail_ = &(*tail_)->NextChunk;
}

void ChainBuilder::Append(std::unique_ptr<RIFF_Chunk> chunk) {
    *tail_ = std::move(chunk);
    tail_ = &(*tail_)->NextChunk;
}

unknown_Chunk::unknown_Chunk(std::uint32_t id) { ChunkID = id; }

unknown_Chunk::unknown_Chunk(std::uint32_t id, std::istream& in) : unknown_Chunk(id) { unknown_Chunk::LoadData(in); }

unknown_Chunk::unknown_Chunk(std::uint32_t id, std::istream& in, std::uint64_t largeSize) : unknown_Chunk(id) {
    RIFF_Chunk::LoadData(in);
    if (ChunkSize == kSizeElsewhere) ClaimedSize = largeSize;
    LoadBody(in, ClaimedSize);
}

void unknown_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    LoadBody(in, ChunkSize);
}

void unknown_Chunk::LoadBody(std::istream& in, std::uint64_t size) {
    ChunkIO::ChunkBody body(in, size);
    body.ReadRest(ChunkData);
    ChunkSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(ChunkData.size(), kSizeElsewhere));
    body.Realign();
}

void unknown_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    out.write(ChunkData.data(), static_cast<std::streamsize>(ChunkData.size()));
    WritePad(out);
}

std::uint32_t unknown_Chunk::CalcSize() {
    ChunkSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(ChunkData.size(), kSizeElsewhere));
    return StoredLength();
}
