#include "wave/CueList.h"

#include <algorithm>

#include "wave/ChunkIO.h"
#include "wave/ChunkRegistry.h"

void CuePoint::LoadData(std::istream& in) {
    LittleEndian::Read(in, CueID);
    LittleEndian::Read(in, Position);
    LittleEndian::Read(in, DataChunkID);
    LittleEndian::Read(in, ChunkStart);
    LittleEndian::Read(in, BlockStart);
    LittleEndian::Read(in, SampleOffset);
}

void CuePoint::SaveData(std::ostream& out) const {
    LittleEndian::Write(out, CueID);
    LittleEndian::Write(out, Position);
    LittleEndian::Write(out, DataChunkID);
    LittleEndian::Write(out, ChunkStart);
    LittleEndian::Write(out, BlockStart);
    LittleEndian::Write(out, SampleOffset);
}

cue_Chunk::cue_Chunk() { ChunkID = kCueID; }

cue_Chunk::cue_Chunk(std::istream& in) : cue_Chunk() { cue_Chunk::LoadData(in); }

void cue_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    CuePointCount = 0;
    CuePoints.clear();
    LittleEndian::Read(fields, CuePointCount);
    const std::uint64_t fit = ChunkIO::RecordsThatFit(CuePointCount, body.Left(), CuePoint::kStoredSize);
    if (body.Exact()) CuePoints.reserve(static_cast<std::size_t>(fit));
    for (std::uint64_t n = 0; n < fit; ++n) {
        CuePoint point;
        point.LoadData(fields);
        if (!fields) break;  // only where the stream cannot tell its length
        CuePoints.push_back(point);
    }
    CuePointCount = static_cast<std::uint32_t>(CuePoints.size());
    body.Realign();
}

void cue_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, CuePointCount);
    for (const auto& point : CuePoints) point.SaveData(out);
    WritePad(out);
}

std::uint32_t cue_Chunk::CalcSize() {
    CuePointCount = static_cast<std::uint32_t>(CuePoints.size());
    ChunkSize = 4 + CuePoint::kStoredSize * CuePointCount;
    return StoredLength();
}

LIST_Chunk::LIST_Chunk() { ChunkID = kListID; }

LIST_Chunk::LIST_Chunk(std::istream& in) : LIST_Chunk() { LIST_Chunk::LoadData(in); }

void LIST_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& subChunks = body.Stream();
    ListType = kAdtlID;
    FirstSubChunk.reset();
    LittleEndian::Read(subChunks, ListType);
    ChainBuilder chain(FirstSubChunk);
    std::uint32_t id = 0;
    while (ChunkIO::ReadChunkID(subChunks, id)) {
        chain.Append(ChunkRegistry::Load(id, subChunks, ChunkScope::List));
    }
    body.Realign();
}

void LIST_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, ListType);
    for (RIFF_Chunk* sub = FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) sub->SaveData(out);
    WritePad(out);
}

std::uint32_t LIST_Chunk::CalcSize() {
    ChunkSize = 4;
    for (RIFF_Chunk* sub = FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) ChunkSize += sub->CalcSize();
    return StoredLength();
}

labl_Chunk::labl_Chunk() {
    ChunkID = kLablID;
    Text.assign(1, '\0');
}

labl_Chunk::labl_Chunk(std::istream& in) : labl_Chunk() { labl_Chunk::LoadData(in); }

void labl_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    CueID = 0;
    LittleEndian::Read(body.Stream(), CueID);
    body.ReadRest(Text);
    if (Text.find('\0') == std::string::npos) Text.push_back('\0');
    body.Realign();
}

void labl_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, CueID);
    const std::size_t length = ChunkSize < 4 ? 0 : ChunkSize - 4;
    const std::size_t fromText = std::min(length, Text.size());
    out.write(Text.data(), static_cast<std::streamsize>(fromText));
    for (std::size_t n = fromText; n < length; ++n) out.put('\0');
    WritePad(out);
}

std::uint32_t labl_Chunk::CalcSize() {
    const std::size_t nul = Text.find('\0');
    const std::size_t length = nul == std::string::npos ? Text.size() + 1 : nul + 1;
    ChunkSize = static_cast<std::uint32_t>(4 + length);
    return StoredLength();
}

ltxt_Chunk::ltxt_Chunk() { ChunkID = kLtxtID; }

ltxt_Chunk::ltxt_Chunk(std::istream& in) : ltxt_Chunk() { ltxt_Chunk::LoadData(in); }

void ltxt_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    CueID = SampleLength = Purpose = 0;
    Country = Language = Dialect = CodePage = 0;
    LittleEndian::Read(fields, CueID);
    LittleEndian::Read(fields, SampleLength);
    LittleEndian::Read(fields, Purpose);
    LittleEndian::Read(fields, Country);
    LittleEndian::Read(fields, Language);
    LittleEndian::Read(fields, Dialect);
    LittleEndian::Read(fields, CodePage);
    body.ReadRest(Text);
    body.Realign();
}

void ltxt_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, CueID);
    LittleEndian::Write(out, SampleLength);
    LittleEndian::Write(out, Purpose);
    LittleEndian::Write(out, Country);
    LittleEndian::Write(out, Language);
    LittleEndian::Write(out, Dialect);
    LittleEndian::Write(out, CodePage);
    out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
    WritePad(out);
}

std::optional<std::uint64_t> ltxt_Chunk::HeldBytes() const { return 20 + Text.size(); }

std::uint32_t ltxt_Chunk::CalcSize() {
    ChunkSize = static_cast<std::uint32_t>(20 + Text.size());
    return StoredLength();
}
