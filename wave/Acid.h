// The loop chunk ("acid"): whether the sound is a loop or a one-shot, its
// root note, and the beats, meter and tempo it is cut to.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

#include "RIFF_Chunk.h"

inline constexpr std::uint32_t kAcidID = LittleEndian::FourCC("acid");

// "acid", 24 bytes:
//   0 Flags (u32)         4 RootNote (u16, MIDI)   6 reserved (u16)
//   8 reserved (f32)     12 Beats (u32)           16 MeterDenominator (u16)
//  18 MeterNumerator (u16)                        20 Tempo (f32, beats a minute)
// Any bytes after the 24 are kept as stored.
class acid_Chunk : public RIFF_Chunk {
public:
    static constexpr std::uint32_t kFixedSize = 24;
    // The flags' bits.
    static constexpr std::uint32_t kOneShot = 1;      // else a loop
    static constexpr std::uint32_t kRootNoteSet = 2;  // RootNote means something
    static constexpr std::uint32_t kStretch = 4;
    static constexpr std::uint32_t kDiskBased = 8;
    static constexpr std::uint32_t kHighOctave = 16;

    std::uint32_t Flags = 0;
    std::uint16_t RootNote = 0;
    std::uint16_t Reserved1 = 0;
    std::uint32_t Reserved2 = 0;  // a float nobody reads: its bits as stored
    std::uint32_t Beats = 0;
    std::uint16_t MeterDenominator = 0;
    std::uint16_t MeterNumerator = 0;
    float Tempo = 0;
    std::vector<char> Rest;

    acid_Chunk();

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize = 24 + Rest.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Described; }
    std::optional<std::uint64_t> HeldBytes() const override { return kFixedSize + Rest.size(); }
    // type ("one-shot" or "loop"), root_note (only when set), beats,
    // meter ("4/4"), tempo (with up to 3 decimals: "120", "92.5").
    std::vector<ChunkField> Describe() const override;
};
