#include "wave/SampleCodec.h"

#include <algorithm>
#include <cstring>

#include "common/LittleEndian.h"
#include "wave/G711.h"
#include "wave/ImaAdpcm.h"

namespace {

// The sub-format GUID after its 2-byte format tag.
constexpr unsigned char kGuidTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                         0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};
constexpr std::size_t kGuidTagOffset = 6;

std::string Hex(std::uint16_t tag) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string text = "0x";
    for (int shift = 12; shift >= 0; shift -= 4) text += kDigits[(tag >> shift) & 0xF];
    return text;
}

// The coding a format tag names.
SampleCodec CodecOf(std::uint16_t tag) {
    switch (tag) {
        case kTagPcm: return SampleCodec::Pcm;
        case kTagFloat: return SampleCodec::Float;
        case kTagALaw: return SampleCodec::ALaw;
        case kTagMuLaw: return SampleCodec::MuLaw;
        case kTagImaAdpcm: return SampleCodec::ImaAdpcm;
        case kTagMsAdpcm: return SampleCodec::MsAdpcm;
        case kTagGsm610: return SampleCodec::Gsm610;
        default: return SampleCodec::Unknown;
    }
}

SampleLayout Refused(SampleLayout layout, Undecoded why, std::string finding) {
    layout.FramesPerBlock = 0;
    layout.Decodable = false;
    layout.Why = why;
    layout.Finding = std::move(finding);
    return layout;
}

std::string Counted(std::uint64_t count, const char* what) { return std::to_string(count) + " " + what; }

// One frame per block of `width` bytes a sample.
SampleLayout OneFrameBlocks(SampleLayout layout, bool widthFits, const char* codec) {
    if (!widthFits) {
        return Refused(layout, Undecoded::FrameSize, std::string(codec) + ": a block of " + Counted(layout.BlockBytes, "bytes") +
                                              " is no frame of " + Counted(layout.Channels, "channels"));
    }
    layout.FramesPerBlock = 1;
    return layout;
}

SampleLayout ImaLayout(SampleLayout layout, const fmt_Chunk& fmt) {
    if (fmt.BitsPerSample != 4) {
        return Refused(layout, Undecoded::BitsPerSample, "IMA ADPCM of " + Counted(fmt.BitsPerSample, "bits a sample") + " is not decoded");
    }
    layout.FramesPerBlock = ImaAdpcm::FramesIn(layout.BlockBytes, layout.Channels);
    if (layout.FramesPerBlock == 0) {
        return Refused(layout, Undecoded::BlockTooSmall, "IMA ADPCM: a block of " + Counted(layout.BlockBytes, "bytes") +
                                              " cannot hold the headers of " + Counted(layout.Channels, "channels"));
    }
    layout.Decodable = true;
    return layout;
}

SampleLayout MsLayout(SampleLayout layout, const fmt_Chunk& fmt, const char* extension, std::size_t extensionBytes) {
    if (fmt.BitsPerSample != 4) {
        return Refused(layout, Undecoded::BitsPerSample, "MS ADPCM of " + Counted(fmt.BitsPerSample, "bits a sample") + " is not decoded");
    }
    if (layout.Channels > MsAdpcm::kMostChannels) {
        return Refused(layout, Undecoded::Channels, "MS ADPCM of " + Counted(layout.Channels, "channels") + " is not decoded (1 or 2)");
    }
    const std::uint32_t capacity = MsAdpcm::FramesIn(layout.BlockBytes, layout.Channels);
    if (capacity == 0) {
        return Refused(layout, Undecoded::BlockTooSmall, "MS ADPCM: a block of " + Counted(layout.BlockBytes, "bytes") +
                                              " cannot hold the headers of " + Counted(layout.Channels, "channels"));
    }
    MsAdpcm::Extension stored = MsAdpcm::ReadExtension(extension, extensionBytes);
    if (!stored.Present) return Refused(layout, Undecoded::NoExtension, "MS ADPCM: " + stored.Finding);
    if (stored.Pairs.empty()) return Refused(layout, Undecoded::NoCoefficients, "MS ADPCM: the format stores no coefficient pair");
    layout.Finding = std::move(stored.Finding);
    layout.Pairs = std::move(stored.Pairs);
    layout.FramesPerBlock = stored.SamplesPerBlock;
    if (stored.SamplesPerBlock < MsAdpcm::kHeaderFrames || stored.SamplesPerBlock > capacity) {
        if (!layout.Finding.empty()) layout.Finding += "; ";
        layout.Finding += "MS ADPCM: " + Counted(stored.SamplesPerBlock, "samples per block") + " stated, " +
                          Counted(capacity, "frames") + " fit a block and are taken";
        layout.FramesPerBlock = capacity;
    }
    layout.Decodable = true;
    return layout;
}

}  // namespace

std::optional<ExtensibleFields> ReadExtensible(std::uint16_t formatTag, const char* bytes, std::size_t count) {
    if (formatTag != kTagExtensible || count < kExtensibleBytes) return std::nullopt;
    ExtensibleFields fields;
    fields.ValidBits = LittleEndian::FromBytes<std::uint16_t>(bytes);
    fields.ChannelMask = LittleEndian::FromBytes<std::uint32_t>(bytes + 2);
    fields.SubFormatTag = LittleEndian::FromBytes<std::uint16_t>(bytes + kGuidTagOffset);
    fields.StandardGuid = std::memcmp(bytes + kGuidTagOffset + 2, kGuidTail, sizeof kGuidTail) == 0;
    return fields;
}

SampleLayout LayoutOf(const fmt_Chunk& fmt) {
    SampleLayout layout;
    layout.Tag = fmt.FormatTag;
    layout.Channels = fmt.Channels;
    layout.BlockBytes = fmt.BlockAlign;
    const char* extension = fmt.ExtraData.data();
    std::size_t extensionBytes = fmt.ExtraData.size();
    if (fmt.FormatTag == kTagExtensible) {
        const std::optional<ExtensibleFields> fields = ReadExtensible(fmt.FormatTag, extension, extensionBytes);
        if (!fields) {
            return Refused(layout, Undecoded::ShortExtensible, "the extensible format's extension holds " + Counted(extensionBytes, "bytes") +
                                                  ", fewer than 22");
        }
        if (!fields->StandardGuid) {
            return Refused(layout, Undecoded::NoSubFormat, "the extensible format's sub-format GUID names no format tag");
        }
        layout.Tag = fields->SubFormatTag;
        extension += kExtensibleBytes;
        extensionBytes -= kExtensibleBytes;
    }
    layout.Codec = CodecOf(layout.Tag);
    if (layout.Channels == 0) return Refused(layout, Undecoded::NoChannels, "the format has no channels");
    if (layout.BlockBytes == 0) return Refused(layout, Undecoded::NoBlockAlign, "the format's block align is 0");
    // Bytes a sample, for the formats whose block is one frame.
    const unsigned width = layout.BlockBytes % layout.Channels == 0 ? layout.BlockBytes / layout.Channels : 0;
    switch (layout.Codec) {
        case SampleCodec::Pcm: return OneFrameBlocks(layout, width >= 1 && width <= 4, "PCM");
        case SampleCodec::Float: return OneFrameBlocks(layout, width == 4 || width == 8, "float");
        case SampleCodec::ALaw:
        case SampleCodec::MuLaw:
            layout = OneFrameBlocks(layout, width == 1, layout.Codec == SampleCodec::ALaw ? "A-law" : "mu-law");
            layout.Decodable = layout.Known();
            return layout;
        case SampleCodec::ImaAdpcm: return ImaLayout(layout, fmt);
        case SampleCodec::MsAdpcm: return MsLayout(layout, fmt, extension, extensionBytes);
        case SampleCodec::Gsm610:
            if (layout.Channels != 1 || layout.BlockBytes != kGsmBlockBytes) {
                return Refused(layout, Undecoded::Coding, "GSM 6.10 of " + Counted(layout.Channels, "channels") + " in blocks of " +
                                                      Counted(layout.BlockBytes, "bytes") + " is not known (1 and 65)");
            }
            layout.FramesPerBlock = kGsmBlockFrames;
            layout.Finding = "GSM 6.10 is not decoded";
            layout.Why = Undecoded::Coding;
            return layout;
        case SampleCodec::Unknown: break;
    }
    return Refused(layout, Undecoded::Coding, "format tag " + Hex(layout.Tag) + " is not known");
}

bool OneFrameABlock(SampleCodec codec) {
    return codec == SampleCodec::Pcm || codec == SampleCodec::Float || codec == SampleCodec::ALaw || codec == SampleCodec::MuLaw;
}

std::uint32_t FramesInBlock(const SampleLayout& layout, std::uint64_t bytes) {
    if (!layout.Known()) return 0;
    if (bytes >= layout.BlockBytes) return layout.FramesPerBlock;
    const auto partial = static_cast<std::uint16_t>(bytes);
    switch (layout.Codec) {
        case SampleCodec::ImaAdpcm: return ImaAdpcm::FramesIn(partial, layout.Channels);
        case SampleCodec::MsAdpcm: return std::min(layout.FramesPerBlock, MsAdpcm::FramesIn(partial, layout.Channels));
        default: return 0;
    }
}

std::uint64_t FramesInData(const SampleLayout& layout, std::uint64_t dataBytes) {
    if (!layout.Known()) return 0;
    const std::uint64_t blocks = dataBytes / layout.BlockBytes;
    const std::uint64_t last = FramesInBlock(layout, dataBytes % layout.BlockBytes);
    if (blocks > (UINT64_MAX - last) / layout.FramesPerBlock) return UINT64_MAX;
    return blocks * layout.FramesPerBlock + last;
}

FrameCount SoundFrames(const SampleLayout& layout, std::uint64_t dataBytes, std::optional<std::uint64_t> factSampleCount) {
    FrameCount count{FramesInData(layout, dataBytes)};
    // A count of 0 is what writers that stream leave: nothing to weigh.
    if (!factSampleCount || *factSampleCount == 0 || layout.FramesPerBlock <= 1) return count;
    const std::uint64_t fact = *factSampleCount;
    if (fact > count.Frames) {
        count.SetAside = FactSetAside::BeyondData;
        count.Fact = fact;
    } else if (layout.Decodable && count.Frames - fact >= layout.FramesPerBlock) {
        count.SetAside = FactSetAside::ShortOfData;
        count.Fact = fact;
    } else {
        count.Frames = fact;
    }
    return count;
}

BlockDecode DecodeBlock(const SampleLayout& layout, const unsigned char* bytes, std::size_t count, std::int16_t* out) {
    BlockDecode result;
    if (!layout.Decodable) return result;
    const auto used = static_cast<std::uint16_t>(std::min<std::size_t>(count, layout.BlockBytes));
    result.Frames = FramesInBlock(layout, used);
    switch (layout.Codec) {
        case SampleCodec::ImaAdpcm: result.Finding = ImaAdpcm::DecodeBlock(bytes, used, layout.Channels, out); break;
        case SampleCodec::MsAdpcm:
            result.Finding = MsAdpcm::DecodeBlock(layout.Pairs, bytes, used, layout.Channels, result.Frames, out);
            break;
        case SampleCodec::MuLaw: G711::DecodeMuLaw(bytes, std::size_t{result.Frames} * layout.Channels, out); break;
        case SampleCodec::ALaw: G711::DecodeALaw(bytes, std::size_t{result.Frames} * layout.Channels, out); break;
        default: break;
    }
    if (used < layout.BlockBytes) {
        if (!result.Finding.empty()) result.Finding += "; ";
        result.Finding += "the last block is cut short: " + Counted(used, "bytes") + " of " +
                          Counted(layout.BlockBytes, "") + "hold " + Counted(result.Frames, "frames");
    }
    return result;
}

bool DecodeFrames(const SampleLayout& layout, const unsigned char* bytes, std::size_t frames, std::int16_t* out) {
    if (!layout.Decodable || layout.FramesPerBlock != 1) return false;
    const std::size_t samples = frames * layout.Channels;
    switch (layout.Codec) {
        case SampleCodec::MuLaw: G711::DecodeMuLaw(bytes, samples, out); return true;
        case SampleCodec::ALaw: G711::DecodeALaw(bytes, samples, out); return true;
        default: return false;
    }
}
