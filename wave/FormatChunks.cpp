#include "wave/FormatChunks.h"

#include <algorithm>

#include "wave/ChunkIO.h"

fmt_Chunk::fmt_Chunk() { ChunkID = kFmtID; }

void fmt_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    FormatTag = Channels = BlockAlign = BitsPerSample = ExtraSize = 0;
    SamplesPerSec = AvgBytesPerSec = 0;
    ExtraData.clear();
    LittleEndian::Read(fields, FormatTag);
    LittleEndian::Read(fields, Channels);
    LittleEndian::Read(fields, SamplesPerSec);
    LittleEndian::Read(fields, AvgBytesPerSec);
    LittleEndian::Read(fields, BlockAlign);
    LittleEndian::Read(fields, BitsPerSample);
    if (FormatTag != kPCM) {
        LittleEndian::Read(fields, ExtraSize);
        body.Read(ExtraData, ExtraSize);
        ExtraSize = static_cast<std::uint16_t>(ExtraData.size());
    }
    body.Realign();
}

void fmt_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, FormatTag);
    LittleEndian::Write(out, Channels);
    LittleEndian::Write(out, SamplesPerSec);
    LittleEndian::Write(out, AvgBytesPerSec);
    LittleEndian::Write(out, BlockAlign);
    LittleEndian::Write(out, BitsPerSample);
    if (FormatTag != kPCM) {
        LittleEndian::Write(out, ExtraSize);
        out.write(ExtraData.data(), static_cast<std::streamsize>(ExtraData.size()));
    }
    WritePad(out);
}

std::uint32_t fmt_Chunk::CalcSize() {
    if (FormatTag == kPCM) {
        ChunkSize = 16;
    } else {
        if (ExtraData.size() > UINT16_MAX) ExtraData.resize(UINT16_MAX);  // all the field can count
        ExtraSize = static_cast<std::uint16_t>(ExtraData.size());
        ChunkSize = 18 + std::uint32_t{ExtraSize};
    }
    return StoredLength();
}

fact_Chunk::fact_Chunk() { ChunkID = kFactID; }

void fact_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    SampleCount = 0;
    LittleEndian::Read(body.Stream(), SampleCount);
    body.Realign();
}

void fact_Chunk::SaveData(std::ostream& out) {
    if (ChunkSize == 0) return;
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, SampleCount);
    WritePad(out);
}

std::uint32_t fact_Chunk::CalcSize() {
    if (ChunkSize == 0) return 0;
    ChunkSize = 4;
    return StoredLength();
}

data_Chunk::data_Chunk() { ChunkID = kDataID; }

void data_Chunk::LoadData(std::istream& in) { Load(in, kSizeElsewhere, Body::Read); }

void data_Chunk::LoadData(std::istream& in, std::uint64_t largeSize) { Load(in, largeSize, Body::Read); }

void data_Chunk::LoadHeaderOnly(std::istream& in, std::uint64_t largeSize) { Load(in, largeSize, Body::StepOver); }

void data_Chunk::LoadHeaderAndStop(std::istream& in, std::uint64_t largeSize) { Load(in, largeSize, Body::Count); }

void data_Chunk::Load(std::istream& in, std::uint64_t largeSize, Body mode) {
    RIFF_Chunk::LoadData(in);
    if (ChunkSize == kSizeElsewhere) ClaimedSize = largeSize;
    ChunkIO::ChunkBody body(in, ClaimedSize);
    ChunkData = {};
    SourceOffset = body.Position();
    const bool counted = mode == Body::Count && body.Exact();
    if (counted) {
        StoredBytes = body.Left();
    } else if (mode != Body::Read) {
        StoredBytes = body.SkipRest();
    } else {
        body.ReadRest(ChunkData);
        StoredBytes = ChunkData.size();
    }
    BodySkipped = mode != Body::Read;
    ChunkSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(StoredBytes, kSizeElsewhere));
    if (!counted) body.Realign();
}

void data_Chunk::SaveData(std::ostream& out) {
    if (BodySkipped) {
        out.setstate(std::ios::failbit);
        return;
    }
    SaveAround(out, [this](std::ostream& to) { to.write(ChunkData.data(), static_cast<std::streamsize>(ChunkData.size())); });
}

std::uint32_t data_Chunk::CalcSize() {
    ChunkSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(BodyBytes(), kSizeElsewhere));
    return StoredLength();
}
