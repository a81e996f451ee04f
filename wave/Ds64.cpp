#include "wave/Ds64.h"

#include "wave/ChunkIO.h"

ds64_Chunk::ds64_Chunk() { ChunkID = kDs64ID; }

void ds64_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    RiffSize = DataSize = SampleCount = 0;
    TableLength = 0;
    Table.clear();
    LittleEndian::Read(fields, RiffSize);
    LittleEndian::Read(fields, DataSize);
    LittleEndian::Read(fields, SampleCount);
    LittleEndian::Read(fields, TableLength);
    const std::uint64_t fit = ChunkIO::RecordsThatFit(TableLength, body.Left(), Ds64Entry::kStoredSize);
    for (std::uint64_t n = 0; n < fit; ++n) {
        Ds64Entry entry;
        if (!LittleEndian::Read(fields, entry.ChunkID) || !LittleEndian::Read(fields, entry.ChunkSize)) break;
        Table.push_back(entry);
    }
    TableLength = static_cast<std::uint32_t>(Table.size());
    body.Realign();
}

void ds64_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, RiffSize);
    LittleEndian::Write(out, DataSize);
    LittleEndian::Write(out, SampleCount);
    LittleEndian::Write(out, TableLength);
    for (const Ds64Entry& entry : Table) {
        LittleEndian::Write(out, entry.ChunkID);
        LittleEndian::Write(out, entry.ChunkSize);
    }
    WritePad(out);
}

std::uint32_t ds64_Chunk::CalcSize() {
    TableLength = static_cast<std::uint32_t>(Table.size());
    ChunkSize = kFixedSize + Ds64Entry::kStoredSize * TableLength;
    return StoredLength();
}

std::uint64_t ds64_Chunk::SizeOf(std::uint32_t id, std::uint64_t otherwise) const {
    for (const Ds64Entry& entry : Table) {
        if (entry.ChunkID == id) return entry.ChunkSize;
    }
    return otherwise;
}
