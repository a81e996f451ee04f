// The names of format tags, and what an extensible format's extension says.
#include <string>

#include "facts/Facts.h"
#include "wave/SampleCodec.h"

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
    const auto fields = ReadExtensible(formatTag, reinterpret_cast<const char*>(extra.data()), extra.size());
    if (!fields) return std::nullopt;
    FormatChunk::Extensible facts;
    facts.validBits = fields->ValidBits;
    facts.channelMask = fields->ChannelMask;
    facts.subFormatTag = fields->SubFormatTag;
    facts.standardGuid = fields->StandardGuid;
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
