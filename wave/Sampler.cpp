#include "wave/Sampler.h"

#include <algorithm>

#include "wave/ChunkIO.h"

void SampleLoop::LoadData(std::istream& in) {
    LittleEndian::Read(in, CueID);
    LittleEndian::Read(in, Type);
    LittleEndian::Read(in, Start);
    LittleEndian::Read(in, End);
    LittleEndian::Read(in, Fraction);
    LittleEndian::Read(in, PlayCount);
}

void SampleLoop::SaveData(std::ostream& out) const {
    LittleEndian::Write(out, CueID);
    LittleEndian::Write(out, Type);
    LittleEndian::Write(out, Start);
    LittleEndian::Write(out, End);
    LittleEndian::Write(out, Fraction);
    LittleEndian::Write(out, PlayCount);
}

smpl_Chunk::smpl_Chunk() { ChunkID = kSmplID; }

void smpl_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    Manufacturer = Product = SamplePeriod = UnityNote = PitchFraction = 0;
    SmpteFormat = SmpteOffset = LoopCount = SamplerDataSize = 0;
    Loops.clear();
    LittleEndian::Read(fields, Manufacturer);
    LittleEndian::Read(fields, Product);
    LittleEndian::Read(fields, SamplePeriod);
    LittleEndian::Read(fields, UnityNote);
    LittleEndian::Read(fields, PitchFraction);
    LittleEndian::Read(fields, SmpteFormat);
    LittleEndian::Read(fields, SmpteOffset);
    LittleEndian::Read(fields, LoopCount);
    LittleEndian::Read(fields, SamplerDataSize);
    const std::uint64_t fit = ChunkIO::RecordsThatFit(LoopCount, body.Left(), SampleLoop::kStoredSize);
    if (body.Exact()) Loops.reserve(static_cast<std::size_t>(fit));
    for (std::uint64_t n = 0; n < fit; ++n) {
        SampleLoop loop;
        loop.LoadData(fields);
        if (!fields) break;  // only where the stream cannot tell its length
        Loops.push_back(loop);
    }
    missingLoops_ = LoopCount - static_cast<std::uint32_t>(Loops.size());
    body.ReadRest(SamplerData);
    body.Realign();
}

void smpl_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, Manufacturer);
    LittleEndian::Write(out, Product);
    LittleEndian::Write(out, SamplePeriod);
    LittleEndian::Write(out, UnityNote);
    LittleEndian::Write(out, PitchFraction);
    LittleEndian::Write(out, SmpteFormat);
    LittleEndian::Write(out, SmpteOffset);
    LittleEndian::Write(out, LoopCount);
    LittleEndian::Write(out, SamplerDataSize);
    for (const SampleLoop& loop : Loops) loop.SaveData(out);
    out.write(SamplerData.data(), static_cast<std::streamsize>(SamplerData.size()));
    WritePad(out);
}

std::uint32_t smpl_Chunk::CalcSize() {
    LoopCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(Loops.size() + std::uint64_t{missingLoops_}, UINT32_MAX));
    return SizeFromHeldBytes();
}

std::optional<std::uint64_t> smpl_Chunk::HeldBytes() const {
    return kFixedSize + std::uint64_t{SampleLoop::kStoredSize} * Loops.size() + SamplerData.size();
}

inst_Chunk::inst_Chunk() { ChunkID = kInstID; }

void inst_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    UnshiftedNote = LowNote = HighNote = LowVelocity = HighVelocity = 0;
    FineTune = Gain = 0;
    LittleEndian::Read(fields, UnshiftedNote);
    LittleEndian::Read(fields, FineTune);
    LittleEndian::Read(fields, Gain);
    LittleEndian::Read(fields, LowNote);
    LittleEndian::Read(fields, HighNote);
    LittleEndian::Read(fields, LowVelocity);
    LittleEndian::Read(fields, HighVelocity);
    body.ReadRest(Rest);
    body.Realign();
}

void inst_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, UnshiftedNote);
    LittleEndian::Write(out, FineTune);
    LittleEndian::Write(out, Gain);
    LittleEndian::Write(out, LowNote);
    LittleEndian::Write(out, HighNote);
    LittleEndian::Write(out, LowVelocity);
    LittleEndian::Write(out, HighVelocity);
    out.write(Rest.data(), static_cast<std::streamsize>(Rest.size()));
    WritePad(out);
}

std::uint32_t inst_Chunk::CalcSize() {
    return SizeFromHeldBytes();
}
