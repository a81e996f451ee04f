// The cart chunk ("cart"): a broadcast cart's labels, its air dates, its
// timers and a link, as a playout system files the sound.
#pragma once

#include <array>
#include <cstdint>
#include <istream>
#include <ostream>
#include <vector>

#include "FixedText.h"
#include "RIFF_Chunk.h"

inline constexpr std::uint32_t kCartID = LittleEndian::FourCC("cart");

// One of the eight post timers: what it marks (four ASCII characters,
// "SEC1", "EOD"; empty for a timer not used) and the sample it marks.
struct CartTimer {
    FixedText<4> Usage;
    std::uint32_t Value = 0;
};

// "cart", 2048 fixed bytes, then the tag text:
//     0 Version (4 ASCII, "0101")   4 Title (64)    68 Artist (64)
//   132 CutID (64)     196 ClientID (64)   260 Category (64)
//   324 Classification (64)   388 OutCue (64)
//   452 StartDate (10)  462 StartTime (8)  470 EndDate (10)  480 EndTime (8)
//   488 ProducerAppID (64)  552 ProducerAppVersion (64)  616 UserDef (64)
//   680 LevelReference (i32)  684 PostTimers (8 x usage 4 + value u32)
//   748 Reserved (276)  1024 URL (1024)  2048 TagText (the rest)
// Every stored byte is kept; a field set in code changes only its own bytes.
class cart_Chunk : public RIFF_Chunk {
public:
    static constexpr std::uint32_t kFixedSize = 2048;

    FixedText<4> Version;
    FixedText<64> Title;
    FixedText<64> Artist;
    FixedText<64> CutID;
    FixedText<64> ClientID;
    FixedText<64> Category;
    FixedText<64> Classification;
    FixedText<64> OutCue;
    FixedText<10> StartDate;
    FixedText<8> StartTime;
    FixedText<10> EndDate;
    FixedText<8> EndTime;
    FixedText<64> ProducerAppID;
    FixedText<64> ProducerAppVersion;
    FixedText<64> UserDef;
    std::int32_t LevelReference = 0;
    std::array<CartTimer, 8> PostTimers{};
    std::array<char, 276> Reserved{};
    FixedText<1024> URL;
    std::vector<char> TagText;

    cart_Chunk();

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize = 2048 + the tag text.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Described; }
    std::optional<std::uint64_t> HeldBytes() const override { return kFixedSize + TagText.size(); }
    // version, title, artist, cut_id, client_id, category, classification,
    // out_cue, start and end ("date time"), producer_app_id,
    // producer_app_version, user_def, level_reference (signed: as text),
    // post_timer_1 to post_timer_8 for the timers used ("SEC1 12000"), url,
    // tag_text.
    std::vector<ChunkField> Describe() const override;
};
