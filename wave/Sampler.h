// The sampler chunk and the instrument chunk: how a sampler plays the sound.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

#include "RIFF_Chunk.h"

// One sampler loop, 24 bytes:
//   0 CueID  4 Type (0 forward, 1 alternating, 2 backward)  8 Start (sample frames)
//  12 End (the last frame played, included)  16 Fraction  20 PlayCount (0: for ever)
struct SampleLoop {
    static constexpr std::uint32_t kStoredSize = 24;

    std::uint32_t CueID = 0;
    std::uint32_t Type = 0;
    std::uint32_t Start = 0;
    std::uint32_t End = 0;
    std::uint32_t Fraction = 0;
    std::uint32_t PlayCount = 0;

    void LoadData(std::istream& in);
    void SaveData(std::ostream& out) const;
};

// "smpl":
//   0 Manufacturer   4 Product        8 SamplePeriod (ns)  12 UnityNote (MIDI)
//  16 PitchFraction 20 SmpteFormat   24 SmpteOffset        28 LoopCount
//  32 SamplerDataSize               36 loops, 24 bytes each, then the sampler's own data
class smpl_Chunk : public RIFF_Chunk {
public:
    static constexpr std::uint32_t kFixedSize = 36;

    std::uint32_t Manufacturer = 0;
    std::uint32_t Product = 0;
    std::uint32_t SamplePeriod = 0;
    std::uint32_t UnityNote = 0;
    std::uint32_t PitchFraction = 0;
    std::uint32_t SmpteFormat = 0;
    std::uint32_t SmpteOffset = 0;
    std::uint32_t LoopCount = 0;
    std::uint32_t SamplerDataSize = 0;
    std::vector<SampleLoop> Loops;
    // The bytes after the loops, as stored (the sampler's own data).
    std::vector<char> SamplerData;

    smpl_Chunk();

    // Holds the loops that fit in the body (at most LoopCount); LoopCount
    // stays as stored, and the bytes after those loops go to SamplerData.
    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // LoopCount follows Loops, still counting the loops a loaded count named
    // that its body did not hold (so such a chunk comes back as stored);
    // ChunkSize = 36 + 24 per loop + the sampler data.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Sampler; }
    std::optional<std::uint64_t> HeldBytes() const override;

private:
    std::uint32_t missingLoops_ = 0;
};

// "inst", 7 bytes:
//   0 UnshiftedNote  1 FineTune (cents, signed)  2 Gain (dB, signed)
//   3 LowNote  4 HighNote  5 LowVelocity  6 HighVelocity
class inst_Chunk : public RIFF_Chunk {
public:
    static constexpr std::uint32_t kFixedSize = 7;

    std::uint8_t UnshiftedNote = 0;
    std::int8_t FineTune = 0;
    std::int8_t Gain = 0;
    std::uint8_t LowNote = 0;
    std::uint8_t HighNote = 0;
    std::uint8_t LowVelocity = 0;
    std::uint8_t HighVelocity = 0;
    // Any bytes after the 7, as stored.
    std::vector<char> Rest;

    inst_Chunk();

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize = 7 + Rest (odd for the usual 7: the chunk is padded).
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Instrument; }
    std::optional<std::uint64_t> HeldBytes() const override { return kFixedSize + Rest.size(); }
};
