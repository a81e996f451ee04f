#include "wave/Audio.h"

#include <iostream>

#include "wave/ChunkIO.h"

void WAVE_File::LoadData(std::istream& in) {
    *this = WAVE_File{};
    // What the stream holds is measured once, here, before the first read.
    ChunkIO::ChunkBody stream(in, ChunkIO::BoundedInput::kUnlimited);
    std::istream& header = stream.Stream();
    std::uint32_t id = 0;
    std::uint32_t form = 0;
    LittleEndian::Read(header, id);
    LittleEndian::Read(header, RiffSize);
    LittleEndian::Read(header, form);
    RiffID = id;
    FormType = form;
    if (id != kRiffID || form != kWaveID) {
        std::cout << "Not a valid WAVE file.\n" << std::flush;
        return;
    }
    // The image ends RiffSize bytes after the form type's first byte.
    std::uint64_t chunkBytes = RiffSize < 4 ? 0 : RiffSize - 4;
    if (RiffSize == kUnknownRiffSize) chunkBytes = ChunkIO::BoundedInput::kUnlimited;
    ChunkIO::ChunkBody image(header, chunkBytes);
    std::istream& chunks = image.Stream();
    ChainBuilder chain(FirstChunk);
    std::uint32_t chunkID = 0;
    while (ChunkIO::ReadChunkID(chunks, chunkID)) {
        if (chunkID == kFmtID) {
            FmtChunk.LoadData(chunks);
        } else if (chunkID == kFactID) {
            FactChunk.LoadData(chunks);
        } else if (chunkID == kDataID) {
            DataChunk.LoadData(chunks);
        } else if (chunkID == kCueID) {
            chain.Append(std::make_unique<cue_Chunk>(chunks));
        } else if (chunkID == kListID) {
            chain.Append(std::make_unique<LIST_Chunk>(chunks));
        } else if (chunkID == kPhnmID) {
            chain.Append(std::make_unique<phnm_Chunk>(chunks));
        } else {
            chain.Append(std::make_unique<unknown_Chunk>(chunkID, chunks));
        }
    }
}

std::uint32_t WAVE_File::CalcSize() {
    RiffSize = 4;  // the form type
    RiffSize += FmtChunk.CalcSize();
    RiffSize += FactChunk.CalcSize();
    RiffSize += DataChunk.CalcSize();
    for (RIFF_Chunk* chunk = FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        RiffSize += chunk->CalcSize();
    }
    return RiffSize + 8;
}

void WAVE_File::SaveData(std::ostream& out) {
    LittleEndian::Write(out, RiffID);
    CalcSize();
    LittleEndian::Write(out, RiffSize);
    LittleEndian::Write(out, FormType);
    FmtChunk.SaveData(out);
    FactChunk.SaveData(out);
    DataChunk.SaveData(out);
    for (RIFF_Chunk* chunk = FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) chunk->SaveData(out);
}
