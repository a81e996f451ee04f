#include "wave/Audio.h"

#include <algorithm>
#include <memory>

#include "wave/ChunkIO.h"
#include "wave/ChunkRegistry.h"
#include "wave/SampleCodec.h"

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
    if ((id != kRiffID && id != kRf64ID) || form != kWaveID) {
        Diagnostics::Report(sink, "Not a valid WAVE file.");
        ImageBytes = present();
        return;
    }
    const bool rf64 = id == kRf64ID;
    // Chunks begin before 8 + the RIFF size (the form type's position + the
    // size), counted from "RIFF"; each is then read whole from the stored
    // bytes. An RF64 file states its size in "ds64", read first.
    std::uint64_t imageEnd =
        RiffSize == kUnknownRiffSize ? ChunkIO::BoundedInput::kUnlimited : std::uint64_t{8} + RiffSize;
    // The size a chunk stated as kSizeElsewhere has: in an RF64 file, what
    // "ds64" says; else the rest of the image.
    const auto largeSize = [&](std::uint32_t chunkID) {
        if (!Found.Ds64) return std::uint64_t{kSizeElsewhere};
        return chunkID == kDataID ? Ds64Chunk.DataSize : Ds64Chunk.SizeOf(chunkID, kSizeElsewhere);
    };
    // In a RIFF file the data chunk's size stated as kSizeElsewhere runs to
    // the end of the image's bytes, also beyond 4 GiB: a writer that streams
    // its output leaves it so, as it cannot go back to fill it in.
    const auto dataSize = [&] { return rf64 ? largeSize(kDataID) : ChunkIO::BoundedInput::kUnlimited; };
    ChainBuilder chain(FirstChunk);
    const bool summary = mode == WaveLoad::Summary;
    // A summary has what it needs once the frames can be counted from the
    // data's size: with the format and, for a coding of several frames a
    // block, the fact count.
    const auto countable = [&] {
        return Found.FmtFields && (OneFrameABlock(LayoutOf(FmtChunk).Codec) || FactChunk.ChunkSize != 0);
    };
    std::uint32_t chunkID = 0;
    while (stored.Consumed() < imageEnd && ChunkIO::ReadChunkID(bytes, chunkID)) {
        // The file's own members, the first of each; every other chunk as
        // its registered class makes it.
        if (chunkID == kDs64ID && rf64 && !Found.Ds64 && !ChunkRegistry::TooShort(chunkID, ChunkScope::File, bytes)) {
            Ds64Chunk.LoadData(bytes);
            Found.Ds64 = true;
            // A size within 8 of 2^64 reaches past any stream: it ends nothing.
            if (RiffSize == kUnknownRiffSize) {
                imageEnd = Ds64Chunk.RiffSize > ChunkIO::BoundedInput::kUnlimited - 8
                               ? ChunkIO::BoundedInput::kUnlimited
                               : std::max<std::uint64_t>(Ds64Chunk.RiffSize, 4) + 8;
            }
        } else if (chunkID == kFmtID && !Found.Fmt) {
            const std::uint64_t before = stored.Consumed();
            FmtChunk.LoadData(bytes);
            Found.Fmt = true;
            constexpr std::uint64_t kSizeField = 4, kFixedFields = 16;
            Found.FmtFields =
                stored.Consumed() - before >= kSizeField + std::min<std::uint64_t>(FmtChunk.ClaimedSize, kFixedFields);
        } else if (chunkID == kFactID && !Found.Fact) {
            FactChunk.LoadData(bytes);
            Found.Fact = true;
        } else if (chunkID == kDataID && !Found.Data) {
            if (summary && countable()) {
                DataChunk.LoadHeaderAndStop(bytes, dataSize());
            } else if (mode != WaveLoad::Everything) {
                DataChunk.LoadHeaderOnly(bytes, dataSize());
            } else {
                DataChunk.LoadData(bytes, dataSize());
            }
            Found.Data = true;
        } else if (summary) {
            // Stepped over: its header read, its body measured and passed.
            data_Chunk passed;
            passed.LoadHeaderOnly(bytes, largeSize(chunkID));
        } else {
            // A second "fmt ", "fact", "data" or "ds64" is kept as stored, where it stood.
            chain.Append(ChunkRegistry::Load(chunkID, bytes, ChunkScope::File, largeSize(chunkID)));
        }
        if (summary && (!bytes.good() || (Found.Data && countable()))) break;
    }
    ImageBytes = present();
}

namespace {

// The stored length of a chunk brought up to date, in 64 bits: near 4 GiB
// the header and pad byte carry past 32, and a body may exceed what its size
// field can state (`held`, when larger than ChunkSize).
std::uint64_t StoredLength(RIFF_Chunk& chunk, std::uint64_t held = 0) {
    if (chunk.CalcSize() == 0 && chunk.ChunkSize == 0) return 0;  // an absent chunk (fact)
    const std::uint64_t body = std::max<std::uint64_t>(chunk.ChunkSize, held);
    return 8 + body + ChunkIO::PadLength(body);
}

// The body of a chunk of the chain, where it may need more than 32 bits.
std::uint64_t HeldBytes(const RIFF_Chunk& chunk) { return chunk.HeldBytes().value_or(0); }

// Copies `count` bytes from `from` to `to` in pieces of at most 1 MiB.
bool CopyBytes(std::istream& from, std::ostream& to, std::uint64_t count) {
    constexpr std::uint64_t kPiece = std::uint64_t{1} << 20;
    const auto buffer = std::make_unique<char[]>(static_cast<std::size_t>(std::min(count, kPiece)));
    while (count > 0) {
        const auto step = static_cast<std::streamsize>(std::min(count, kPiece));
        from.read(buffer.get(), step);
        if (from.gcount() != step) return false;
        to.write(buffer.get(), step);
        if (!to) return false;
        count -= static_cast<std::uint64_t>(step);
    }
    return true;
}

}  // namespace

std::uint64_t WAVE_File::CalcSize() {
    std::uint64_t riffSize = 4;  // the form type
    riffSize += StoredLength(FmtChunk);
    riffSize += StoredLength(FactChunk);
    riffSize += StoredLength(DataChunk, DataChunk.BodyBytes());
    std::vector<Ds64Entry> table;
    for (RIFF_Chunk* chunk = FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        const std::uint64_t held = HeldBytes(*chunk);
        riffSize += StoredLength(*chunk, held);
        if (held > kLargestRiffSize) table.push_back({chunk->ChunkID, held});
    }
    const bool known = RiffID == kRiffID || RiffID == kRf64ID;
    rf64_ = known && riffSize > kLargestRiffSize;
    if (!rf64_) {
        if (known) RiffID = kRiffID;
        // An RF64 file's fact count that stood in "ds64" goes back in place.
        if (Found.Ds64 && FactChunk.SampleCount == kSizeElsewhere && Ds64Chunk.SampleCount < kSizeElsewhere) {
            FactChunk.SampleCount = static_cast<std::uint32_t>(Ds64Chunk.SampleCount);
        }
        RiffSize = static_cast<std::uint32_t>(std::min(riffSize, kLargestRiffSize));
        return riffSize + 8;
    }
    // Too large for a 32-bit RIFF size: RF64, with "ds64" after the header.
    RiffID = kRf64ID;
    RiffSize = kUnknownRiffSize;
    Ds64Chunk.Table = std::move(table);
    riffSize += Ds64Chunk.CalcSize();
    Ds64Chunk.RiffSize = riffSize;
    Ds64Chunk.DataSize = DataChunk.BodyBytes();
    // The sample count is the fact chunk's, or what an RF64 file stated
    // when the fact chunk's own field could not.
    if (FactChunk.ChunkSize == 0) {
        Ds64Chunk.SampleCount = 0;
    } else if (FactChunk.SampleCount != kSizeElsewhere || !Found.Ds64) {
        Ds64Chunk.SampleCount = FactChunk.SampleCount;
    }
    return riffSize + 8;
}

void WAVE_File::WriteHead(std::ostream& out) {
    LittleEndian::Write(out, RiffID);
    LittleEndian::Write(out, RiffSize);
    LittleEndian::Write(out, FormType);
    if (rf64_) Ds64Chunk.SaveData(out);
    FmtChunk.SaveData(out);
    FactChunk.SaveData(out);
}

void WAVE_File::SaveData(std::ostream& out) {
    if (LoadMode != WaveLoad::Everything) {
        // No samples to write: a file without them must not pass for a copy.
        out.setstate(std::ios::failbit);
        return;
    }
    CalcSize();
    WriteHead(out);
    DataChunk.SaveData(out);
    for (RIFF_Chunk* chunk = FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) chunk->SaveData(out);
}

void WAVE_File::SaveData(std::ostream& out, std::istream& samples) {
    if (LoadMode != WaveLoad::HeadersOnly) return SaveData(out);
    const bool copy = DataChunk.BodySkipped && DataChunk.StoredBytes > 0;
    if (copy && !DataChunk.SourceOffset) {
        out.setstate(std::ios::failbit);
        return;
    }
    SaveData(out, [&](std::ostream& to) {
        if (!copy) return true;
        samples.clear();
        samples.seekg(static_cast<std::streamoff>(*DataChunk.SourceOffset));
        return CopyBytes(samples, to, DataChunk.StoredBytes);
    });
}

void WAVE_File::SaveData(std::ostream& out, const std::function<bool(std::ostream&)>& writeBody) {
    if (LoadMode == WaveLoad::Summary) {
        // The chunks a summary stepped over are not there to write.
        out.setstate(std::ios::failbit);
        return;
    }
    CalcSize();
    WriteHead(out);
    DataChunk.SaveAround(out, [&](std::ostream& to) {
        if (!writeBody(to)) to.setstate(std::ios::failbit);
    });
    for (RIFF_Chunk* chunk = FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) chunk->SaveData(out);
}
