// What a format chunk's samples are and how its data is laid out, and the
// decoding of that data into 16-bit PCM, one block at a time.
//
// Sample data is a run of blocks of BlockAlign bytes. Plain PCM, IEEE float
// and G.711 hold one sample frame per block; the ADPCM codecs (and GSM 6.10)
// hold a header and many frames per block. The last block of the data may be
// cut short -- it then holds the frames its bytes can hold -- or padded, with
// a "fact" sample count saying how many frames are real.
//
//   SampleLayout layout = LayoutOf(wave.FmtChunk);
//   if (layout.Decodable) ... DecodeBlock(layout, block, blockBytes, samples) ...
//   FramesInData(layout, dataBytes)       frames the data holds
//   SoundFrames(layout, dataBytes, fact)  the same, padding trimmed by "fact"
//
// Every function here is total: any format and any byte count give an answer
// (0 frames when nothing sound is there), without dividing by zero or
// overflowing, and never more output than the layout allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FormatChunks.h"
#include "MsAdpcm.h"

enum class SampleCodec : std::uint8_t { Unknown, Pcm, Float, MsAdpcm, ALaw, MuLaw, ImaAdpcm, Gsm610 };

// Format tags.
inline constexpr std::uint16_t kTagPcm = 0x0001;
inline constexpr std::uint16_t kTagMsAdpcm = 0x0002;
inline constexpr std::uint16_t kTagFloat = 0x0003;
inline constexpr std::uint16_t kTagALaw = 0x0006;
inline constexpr std::uint16_t kTagMuLaw = 0x0007;
inline constexpr std::uint16_t kTagImaAdpcm = 0x0011;
inline constexpr std::uint16_t kTagGsm610 = 0x0031;
// The extensible format: its extension names the encoding.
//   0  2  valid bits per sample
//   2  4  channel mask
//   6  16 sub-format GUID: the encoding's format tag (2 bytes), then the
//         fixed bytes 00 00 00 00 10 00 80 00 00 AA 00 38 9B 71
//   22 ...  the encoding's own extension, where it has one (MS ADPCM)
inline constexpr std::uint16_t kTagExtensible = 0xFFFE;
inline constexpr std::size_t kExtensibleBytes = 22;

// GSM 6.10 as WAVE stores it: two 160-sample frames packed into 65 bytes.
inline constexpr std::uint16_t kGsmBlockBytes = 65;
inline constexpr std::uint32_t kGsmBlockFrames = 320;

// Why a layout is not decoded, for a caller to word: the one cause, the
// figures being the format's own.
enum class Undecoded : std::uint8_t {
    None,            // nothing stands in the way (PCM and float need no decoding)
    Coding,          // a coding without a decoder here: GSM 6.10, an unknown tag
    NoChannels,      // the format has no channels
    NoBlockAlign,    // the block align is 0
    FrameSize,       // G.711: the block align is not one byte for each channel
    BitsPerSample,   // ADPCM of other than 4 bits a sample
    Channels,        // MS ADPCM of more than 2 channels
    BlockTooSmall,   // an ADPCM block cannot hold every channel's header
    NoExtension,     // MS ADPCM without the extension of its coefficient pairs
    NoCoefficients,  // MS ADPCM whose extension stores no coefficient pair
    ShortExtensible, // the extensible format's extension holds fewer than 22 bytes
    NoSubFormat,     // the extensible format's GUID names no format tag
    // Decoded, but 16-bit PCM cannot state the result (ToPcm16.h):
    Pcm16Channels,   // more than 32767 channels: no 16-bit block align states them
    Pcm16ByteRate,   // the byte rate of 16-bit PCM at this rate does not fit 32 bits
};

// An extensible format's extension, read where it is whole (22 bytes or
// more): the one reading of it, for the layout and the facts.
struct ExtensibleFields {
    std::uint16_t ValidBits = 0;
    std::uint32_t ChannelMask = 0;
    std::uint16_t SubFormatTag = 0;  // the sub-format GUID's first two bytes
    bool StandardGuid = false;       // the GUID's other 14 bytes are the fixed ones: it names SubFormatTag
};

// The extension of a format of tag `formatTag` (ExtraData's `bytes`): nothing
// for another tag, or an extension of fewer than 22 bytes.
std::optional<ExtensibleFields> ReadExtensible(std::uint16_t formatTag, const char* bytes, std::size_t count);

struct SampleLayout {
    // The coding the (sub-)format tag names, also where the layout is not
    // known (no channels, a block align of 0, a block of the wrong size);
    // Unknown for a tag without one here, and an extensible format whose
    // sub-format cannot be read.
    SampleCodec Codec = SampleCodec::Unknown;
    // The format tag; for the extensible format, the one its GUID names.
    std::uint16_t Tag = 0;
    std::uint16_t Channels = 0;
    std::uint16_t BlockBytes = 0;  // BlockAlign
    // Frames in a whole block; 0 when the layout is not known (then no frame
    // count can be given for the data).
    std::uint32_t FramesPerBlock = 0;
    // DecodeBlock turns this data into 16-bit samples: MS and IMA ADPCM,
    // A-law, mu-law. Plain PCM and float are known but not decoded here
    // (they are written as stored); GSM 6.10 is known for its length only.
    bool Decodable = false;
    // What is wrong with the format, or why it is not decoded; empty when
    // nothing is. A layout can be decodable and still carry a finding (MS
    // ADPCM with fewer coefficient pairs stored than counted).
    std::string Finding;
    // Why DecodeBlock does not decode it (with Decodable false).
    Undecoded Why = Undecoded::None;
    // MS ADPCM: the coefficient pairs the extension stores.
    std::vector<MsAdpcm::Coefficients> Pairs;

    bool Known() const { return FramesPerBlock > 0; }
};

// The layout from the format chunk's fields alone. Known when the channels
// are 1 or more, BlockAlign is not 0 and:
//   PCM     BlockAlign / Channels is 1 to 4 bytes (one frame per block)
//   float   BlockAlign / Channels is 4 or 8 bytes
//   G.711   BlockAlign = Channels (one byte a sample)
//   IMA     4 bits per sample, a block holds every channel's 4-byte header
//   MS      4 bits per sample, 1 or 2 channels, a block holds every channel's
//           7-byte header, and the extension is there; a whole block holds
//           the samples per block the extension states -- when it states 0,
//           1, or more than the block can hold, what the block can hold
//   GSM     1 channel, BlockAlign 65
//   extensible: as the format its GUID names (the GUID must be whole)
SampleLayout LayoutOf(const fmt_Chunk& fmt);

// Codings of one frame a block (PCM, float, A-law, mu-law): the data's size
// alone tells their length, whatever a "fact" chunk says.
bool OneFrameABlock(SampleCodec codec);

// Frames in a block of `bytes` bytes: FramesPerBlock for a whole block (or
// more bytes), and for the cut-short last block of the data what its bytes
// hold -- IMA: 1 + 8 per whole 4-byte group per channel after the headers;
// MS: 2 + 2 per byte per channel after the headers (at most FramesPerBlock);
// one-frame blocks and GSM: none. 0 when the headers are not all there, or
// the layout is not known.
std::uint32_t FramesInBlock(const SampleLayout& layout, std::uint64_t bytes);

// Frames in `dataBytes` bytes of sample data: whole blocks, then the last
// cut-short one. UINT64_MAX if the count would not fit 64 bits.
std::uint64_t FramesInData(const SampleLayout& layout, std::uint64_t dataBytes);

// Why a "fact" count was set aside, where it was.
enum class FactSetAside { No, BeyondData, ShortOfData };

struct FrameCount {
    std::uint64_t Frames = 0;
    FactSetAside SetAside = FactSetAside::No;
    std::uint64_t Fact = 0;  // the count set aside
};

// The frames of the sound: the one length rule, for the facts, the PCM
// conversion and the waveform. A "fact" sample count trims the padding of
// the data's last block: for a block codec that is decoded (more than one
// frame a block), it stands when it is at most FramesInData and short of it
// by less than one block's frames. One short by a block or more, or beyond
// the data, trims nothing: the data's count stands, with a finding. For a
// block codec not decoded (GSM 6.10) the count stands where the data can hold
// it. A count of 0 (writers that stream leave it) is set aside without a
// finding. One-frame blocks (PCM, float, G.711) are counted from the data.
FrameCount SoundFrames(const SampleLayout& layout, std::uint64_t dataBytes,
                       std::optional<std::uint64_t> factSampleCount);

struct BlockDecode {
    std::uint32_t Frames = 0;  // frames written: FramesInBlock(layout, count)
    std::string Finding;       // what in the block was not sound; empty when all was
};

// Decodes one block: `count` bytes (the last block of the data may be cut
// short; bytes beyond BlockBytes are not read) into Frames x Channels
// interleaved samples at `out`, which has room for FramesPerBlock x Channels.
// A layout that is not Decodable writes nothing.
BlockDecode DecodeBlock(const SampleLayout& layout, const unsigned char* bytes, std::size_t count,
                        std::int16_t* out);

// Decodes `frames` whole blocks of a decodable layout of one frame a block
// (A-law, mu-law) in one pass: frames x Channels samples at `out`. A run of
// such blocks holds nothing to find, so a caller decodes it at once rather
// than block by block. False, writing nothing, for any other layout.
bool DecodeFrames(const SampleLayout& layout, const unsigned char* bytes, std::size_t frames, std::int16_t* out);
