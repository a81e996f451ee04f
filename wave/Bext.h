// The broadcast extension chunk ("bext"): who made the sound, when, where
// it stands on the production's timeline, and its loudness.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "FixedText.h"
#include "RIFF_Chunk.h"

inline constexpr std::uint32_t kBextID = LittleEndian::FourCC("bext");

// "bext", 602 fixed bytes, then the coding history:
//     0 Description (256 ASCII)       256 Originator (32)
//   288 OriginatorReference (32)      320 OriginationDate (10, yyyy-mm-dd)
//   330 OriginationTime (8, hh:mm:ss) 338 TimeReferenceLow  342 TimeReferenceHigh
//       (the first sample's count of samples since midnight)
//   346 Version (u16)                 348 UMID (64 bytes; from version 1 on)
//   412 LoudnessValue  414 LoudnessRange  416 MaxTruePeakLevel
//   418 MaxMomentaryLoudness  420 MaxShortTermLoudness
//       (i16 each, hundredths of LUFS/LU/dBTP; from version 2 on)
//   422 Reserved (180)                602 CodingHistory (the rest, ASCII)
// Every stored byte is kept, so that a load and a save give the same bytes;
// a field set in code changes only its own bytes.
class bext_Chunk : public RIFF_Chunk {
public:
    static constexpr std::uint32_t kFixedSize = 602;

    FixedText<256> Description;
    FixedText<32> Originator;
    FixedText<32> OriginatorReference;
    FixedText<10> OriginationDate;
    FixedText<8> OriginationTime;
    std::uint32_t TimeReferenceLow = 0;
    std::uint32_t TimeReferenceHigh = 0;
    std::uint16_t Version = 0;
    std::array<std::uint8_t, 64> UMID{};
    std::int16_t LoudnessValue = 0;
    std::int16_t LoudnessRange = 0;
    std::int16_t MaxTruePeakLevel = 0;
    std::int16_t MaxMomentaryLoudness = 0;
    std::int16_t MaxShortTermLoudness = 0;
    std::array<char, 180> Reserved{};
    std::vector<char> CodingHistory;

    bext_Chunk();

    std::uint64_t TimeReference() const { return std::uint64_t{TimeReferenceHigh} << 32 | TimeReferenceLow; }

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize = 602 + the coding history.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Described; }
    std::optional<std::uint64_t> HeldBytes() const override { return kFixedSize + CodingHistory.size(); }
    // description, originator, originator_reference, date, time,
    // time_reference (samples), version, umid (hex, from version 1 on and
    // when not all zero), the five loudness values (from version 2 on, as
    // decimals: "-23.00"), coding_history.
    std::vector<ChunkField> Describe() const override;
};
