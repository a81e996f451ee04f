#include "wave/Audio.h"

#include <algorithm>
#include "wave/ChunkIO.h"

void WAVE_File::LoadData(std::istream& in, WaveLoad mode, const Diagnostics::Sink& sink) {
    *this = WAVE_File{};
    LoadMode = mode;
    // The bytes that hold the image: to the end of the stream, or of the view
    // a caller bounds it with. Measured once, here, before the first read.
    ChunkIO::ChunkBody stored(in, ChunkIO::BoundedInput::kUnlimited);
    std::istream& bytes = stored.Stream();
    std::uint32_t id = 0;
    std::uint32_t form = 0;
    LittleEndian::Read(bytes, id);
    LittleEndian::Read(bytes, RiffSize);
    // Known up front when the stream can seek; else what the load went through.
    const std::uint64_t afterHeader = stored.Left();
    const auto present = [&] {
        return stored.Exact() ? afterHeader : stored.Consumed() - std::min<std::uint64_t>(stored.Consumed(), 8);
    };
    LittleEndian::Read(bytes, form);
    RiffID = id;
    FormType = form;
    if (id != kRiffID || form != kWaveID) {
        Diagnostics::Report(sink, "Not a valid WAVE file.");
        ImageBytes = present();
        return;
    }
    // Chunks begin before 8 + RiffSize (the form type's position + RiffSize),
    // counted from "RIFF"; each is then read whole from the stored bytes.
    const std::uint64_t imageEnd =
        RiffSize == kUnknownRiffSize ? ChunkIO::BoundedInput::kUnlimited : std::uint64_t{8} + RiffSize;
    ChainBuilder chain(FirstChunk);
    std::uint32_t chunkID = 0;
    while (stored.Consumed() < imageEnd && ChunkIO::ReadChunkID(bytes, chunkID)) {
        if (TooShortForItsClass(chunkID, bytes)) {
            chain.Append(std::make_unique<unknown_Chunk>(chunkID, bytes));
        } else if (chunkID == kFmtID) {
            FmtChunk.LoadData(bytes);
        } else if (chunkID == kFactID) {
            FactChunk.LoadData(bytes);
        } else if (chunkID == kDataID) {
            if (mode == WaveLoad::HeadersOnly) {
                DataChunk.LoadHeaderOnly(bytes);
            } else {
                DataChunk.LoadData(bytes);
            }
        } else if (chunkID == kCueID) {
            chain.Append(std::make_unique<cue_Chunk>(bytes));
        } else if (chunkID == kListID) {
            chain.Append(std::make_unique<LIST_Chunk>(bytes));
        } else if (chunkID == kPhnmID) {
            chain.Append(std::make_unique<phnm_Chunk>(bytes));
        } else {
            chain.Append(std::make_unique<unknown_Chunk>(chunkID, bytes));
        }
    }
    ImageBytes = present();
}

namespace {

// The stored length of a chunk brought up to date, in 64 bits: near 4 GiB
// the header and pad byte carry past 32, and a body held in code may exceed
// what its size field can state (`held`, when larger than ChunkSize).
std::uint64_t StoredLength(RIFF_Chunk& chunk, std::uint64_t held = 0) {
    if (chunk.CalcSize() == 0 && chunk.ChunkSize == 0) return 0;  // an absent chunk (fact)
    const std::uint64_t body = std::max<std::uint64_t>(chunk.ChunkSize, held);
    return 8 + body + ChunkIO::PadLength(body);
}

}  // namespace

std::uint64_t WAVE_File::CalcSize() {
    std::uint64_t riffSize = 4;  // the form type
    riffSize += StoredLength(FmtChunk);
    riffSize += StoredLength(FactChunk);
    riffSize += StoredLength(DataChunk, DataChunk.ChunkData.size());
    for (RIFF_Chunk* chunk = FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        const auto* raw = dynamic_cast<const unknown_Chunk*>(chunk);
        riffSize += StoredLength(*chunk, raw != nullptr ? raw->ChunkData.size() : 0);
    }
    RiffSize = static_cast<std::uint32_t>(std::min(riffSize, kLargestRiffSize));
    return riffSize + 8;
}

void WAVE_File::SaveData(std::ostream& out) {
    if (LoadMode == WaveLoad::HeadersOnly) {
        // No samples to write: a file without them must not pass for a copy.
        out.setstate(std::ios::failbit);
        return;
    }
    if (CalcSize() > kLargestRiffSize + 8) {
        // Its RIFF size cannot be stated: a header that wrapped would claim
        // a fraction of the file.
        out.setstate(std::ios::failbit);
        return;
    }
    LittleEndian::Write(out, RiffID);
    LittleEndian::Write(out, RiffSize);
    LittleEndian::Write(out, FormType);
    FmtChunk.SaveData(out);
    FactChunk.SaveData(out);
    DataChunk.SaveData(out);
    for (RIFF_Chunk* chunk = FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) chunk->SaveData(out);
}
