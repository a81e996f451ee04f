// The names of format tags, and what an extensible format's extension says.
#include <algorithm>
#include <array>
#include <string>

#include "common/LittleEndian.h"
#include "facts/Facts.h"

namespace Facts {

std::string_view FormatName(std::uint16_t tag) {
    // The tags met in practice.
    static constexpr struct {
        std::uint16_t tag;
        std::string_view name;
    } kNames[] = {
        {0x0001, "PCM"},           {0x0002, "MS ADPCM"},     {0x0003, "IEEE float"},   {0x0006, "A-law"},
        {0x0007, "mu-law"},        {0x0010, "OKI ADPCM"},    {0x0011, "IMA ADPCM"},    {0x0014, "G.723 ADPCM"},
        {0x0020, "Yamaha ADPCM"},  {0x0022, "TrueSpeech"},   {0x0031, "GSM 6.10"},     {0x0040, "G.721 ADPCM"},
        {0x0042, "G.723.1"},       {0x0045, "G.726 ADPCM"},  {0x0050, "MPEG"},         {0x0055, "MPEG layer 3"},
        {0x0064, "G.726 ADPCM"},   {0x0065, "G.722 ADPCM"},  {0x0092, "AC-3 over S/PDIF"}, {0x00FF, "AAC"},
        {0x0161, "WMA"},           {0x0162, "WMA Pro"},      {0x0163, "WMA Lossless"}, {0x1610, "HE-AAC"},
        {0x2000, "AC-3"},          {0x2001, "DTS"},          {0xF1AC, "FLAC"},         {0xFFFE, "extensible"},
    };
    for (const auto& entry : kNames) {
        if (entry.tag == tag) return entry.name;
    }
    return {};
}

std::optional<FormatChunk::Extensible> ExtensibleOf(std::uint16_t formatTag, const std::vector<std::uint8_t>& extra) {
    constexpr std::uint16_t kExtensible = 0xFFFE;
    // u16 valid bits, u32 channel mask, then the sub-format GUID: a tag in
    // its first two bytes, then these 14.
    static constexpr std::array<std::uint8_t, 14> kGuidRest = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                               0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
    constexpr std::size_t kWhole = 2 + 4 + 16;
    if (formatTag != kExtensible || extra.size() < kWhole) return std::nullopt;
    const auto* bytes = reinterpret_cast<const char*>(extra.data());
    FormatChunk::Extensible facts;
    facts.validBits = LittleEndian::FromBytes<std::uint16_t>(bytes);
    facts.channelMask = LittleEndian::FromBytes<std::uint32_t>(bytes + 2);
    facts.subFormatTag = LittleEndian::FromBytes<std::uint16_t>(bytes + 6);
    facts.standardGuid = std::equal(kGuidRest.begin(), kGuidRest.end(), extra.begin() + 8);
    if (facts.standardGuid) facts.subFormatName = FormatName(facts.subFormatTag);
    return facts;
}

std::string LoopTypeName(std::uint32_t type) {
    switch (type) {
        case 0: return "forward";
        case 1: return "alternating";
        case 2: return "backward";
        default: return "type " + std::to_string(type);
    }
}

}  // namespace Facts
