#include "info/NotConverted.h"

#include <cstdint>

#include "facts/Escape.h"
#include "facts/Facts.h"
#include "wave/ImaAdpcm.h"
#include "wave/MsAdpcm.h"
#include "wave/SampleCodec.h"
#include "wave/ToPcm16.h"

namespace {

// "3 channels", "1 channel".
std::string Count(std::uint64_t count, const std::string& plural) {
    return std::to_string(count) + ' ' + (count == 1 ? plural.substr(0, plural.size() - 1) : plural);
}

std::string Because(Undecoded why, const fmt_Chunk& fmt, std::uint16_t tag) {
    const std::string_view name = Facts::FormatName(tag);
    const std::string coding = name.empty() ? "of format tag 0x" + Escape::Hex(tag, 4) : std::string(name);
    const std::string channels = Count(fmt.Channels, "channels");
    switch (why) {
        case Undecoded::NoChannels: return "its format has no channels";
        case Undecoded::NoBlockAlign: return "its format's block align is 0";
        case Undecoded::FrameSize:
            return "its block align is " + Count(fmt.BlockAlign, "bytes") + ", but a frame of " + channels + " of " +
                   coding + " is " + Count(fmt.Channels, "bytes");
        case Undecoded::BitsPerSample:
            return "its samples are " + coding + " of " + Count(fmt.BitsPerSample, "bits") + ", which is not decoded (4 bits are)";
        case Undecoded::Channels: return "its samples are " + coding + " of " + channels + ", which is not decoded (1 or 2 are)";
        case Undecoded::BlockTooSmall:
        {
            const std::uint32_t header = tag == kTagMsAdpcm ? MsAdpcm::kHeaderBytes : ImaAdpcm::kHeaderBytes;
            return "its blocks of " + Count(fmt.BlockAlign, "bytes") + " cannot hold the headers of " + channels +
                   " of " + coding + " (" + std::to_string(header) + " bytes each)";
        }
        case Undecoded::NoExtension: return "its " + coding + " format lacks the extension that holds its coefficient pairs";
        case Undecoded::NoCoefficients: return "its " + coding + " format stores no coefficient pair";
        case Undecoded::ShortExtensible:
            return "its extensible format's extension holds " + Count(fmt.ExtraData.size(), "bytes") + ", fewer than 22";
        case Undecoded::NoSubFormat: return "its extensible format's sub-format GUID names no format tag";
        case Undecoded::Pcm16Channels: return "its " + channels + " are more than 16-bit PCM can state (32767)";
        case Undecoded::Pcm16ByteRate:
            return "16-bit PCM of " + channels + " at " + std::to_string(fmt.SamplesPerSec) + " Hz would take " +
                   std::to_string(std::uint64_t{fmt.SamplesPerSec} * fmt.Channels * 2) +
                   " bytes a second, more than a format can state";
        case Undecoded::Coding:
        case Undecoded::None: break;
    }
    return "its samples are " + coding + ", which is not decoded";
}

// The refusal as a stable name, for scripts: the value "refusal".
std::string_view RefusalName(Undecoded why) {
    switch (why) {
        case Undecoded::NoChannels: return "no_channels";
        case Undecoded::NoBlockAlign: return "no_block_align";
        case Undecoded::FrameSize: return "frame_size";
        case Undecoded::BitsPerSample: return "bits_per_sample";
        case Undecoded::Channels: return "channels";
        case Undecoded::BlockTooSmall: return "block_too_small";
        case Undecoded::NoExtension: return "no_extension";
        case Undecoded::NoCoefficients: return "no_coefficients";
        case Undecoded::ShortExtensible: return "short_extensible";
        case Undecoded::NoSubFormat: return "no_sub_format";
        case Undecoded::Pcm16Channels: return "pcm16_channels";
        case Undecoded::Pcm16ByteRate: return "pcm16_byte_rate";
        case Undecoded::Coding:
        case Undecoded::None: break;
    }
    return "coding";
}

}  // namespace

std::optional<Facts::Finding> NotConverted(const fmt_Chunk& fmt, const std::string& path, const std::string* sound) {
    const SampleLayout layout = LayoutOf(fmt);
    const Undecoded why = Pcm16Refusal(fmt);
    if (why == Undecoded::None) return std::nullopt;
    Facts::Values values{{"path", path},
                         {"cause", Because(why, fmt, layout.Tag)},
                         {"refusal", std::string(RefusalName(why))},
                         {"coding_tag", std::uint64_t{layout.Tag}}};
    if (sound == nullptr) return Facts::Make(Facts::Code::NotConverted, std::move(values));
    values.emplace(values.begin(), "sound", *sound);
    return Facts::Make(Facts::Code::SoundNotConverted, std::move(values));
}
