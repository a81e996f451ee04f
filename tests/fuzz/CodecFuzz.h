// What the sample decoder fuzz targets check. The fuzzer's bytes are a format
// and the data of one sound:
//   0  1  flags: bit 0 picks the second of the target's tags, bit 1 wraps the
//         format in the extensible format (its GUID naming the tag)
//   1  2  channels
//   3  2  block align
//   5  2  bits per sample
//   7  1  length E of the format's own extension
//   8  E  the extension
//   .. 4  frame limit
//   ..    sample data
// Whatever they hold: DecodeBlock writes the frames FramesInBlock gives and
// nothing past them, and the converter writes exactly frames x channels x 2
// bytes, all the frames the data holds up to the limit when it can decode
// them, none when it cannot (the sanitizers watch every access).
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "wave/Pcm16Stream.h"
#include "wave/SampleCodec.h"

namespace CodecFuzz {

inline void Require(bool condition) {
    if (!condition) std::abort();
}

class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t Take(std::size_t bytes) {
        std::uint64_t value = 0;
        for (std::size_t i = 0; i < bytes && at_ < size_; ++i) value |= std::uint64_t{data_[at_++]} << (8 * i);
        return value;
    }
    std::string Rest(std::size_t most) {
        const std::size_t count = std::min(most, size_ - at_);
        std::string bytes(reinterpret_cast<const char*>(data_ + at_), count);
        at_ += count;
        return bytes;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

inline std::string ExtensibleHead(std::uint16_t tag) {
    static const char kTail[] = "\x00\x00\x00\x00\x10\x00\x80\x00\x00\xAA\x00\x38\x9B\x71";
    std::string head(6, '\0');
    head += static_cast<char>(tag & 0xFF);
    head += static_cast<char>(tag >> 8);
    return head + std::string(kTail, 14);
}

inline void Check(const std::vector<std::uint16_t>& tags, const std::uint8_t* data, std::size_t size) {
    Reader in(data, size);
    const auto flags = in.Take(1);
    fmt_Chunk fmt;
    fmt.FormatTag = tags[(flags & 1) % tags.size()];
    fmt.Channels = static_cast<std::uint16_t>(in.Take(2));
    fmt.BlockAlign = static_cast<std::uint16_t>(in.Take(2));
    fmt.BitsPerSample = static_cast<std::uint16_t>(in.Take(2));
    std::string extension = in.Rest(in.Take(1));
    if (flags & 2) {
        extension = ExtensibleHead(fmt.FormatTag) + extension;
        fmt.FormatTag = kTagExtensible;
    }
    fmt.ExtraData.assign(extension.begin(), extension.end());
    fmt.ExtraSize = static_cast<std::uint16_t>(extension.size());
    const std::uint64_t limit = in.Take(4);
    const std::string samples = in.Rest(size);

    const SampleLayout layout = LayoutOf(fmt);
    Require(layout.Known() || !layout.Decodable);
    const std::uint64_t frames = FramesInData(layout, samples.size());
    Require(layout.Known() || frames == 0);

    // Block by block, from every block start, the last one cut short.
    constexpr std::int16_t kGuard = 0x5A5A;
    std::vector<std::int16_t> out(std::size_t{layout.FramesPerBlock} * layout.Channels + 1);
    const auto* bytes = reinterpret_cast<const unsigned char*>(samples.data());
    for (std::size_t at = 0; at < samples.size() && layout.BlockBytes > 0; at += layout.BlockBytes) {
        std::fill(out.begin(), out.end(), kGuard);
        const BlockDecode block = DecodeBlock(layout, bytes + at, samples.size() - at, out.data());
        const std::uint32_t expected = FramesInBlock(layout, samples.size() - at);
        Require(expected <= layout.FramesPerBlock);
        Require(block.Frames == (layout.Decodable ? expected : 0));
        Require(out.back() == kGuard);
    }

    std::istringstream source(samples);
    std::ostringstream written;
    const Pcm16Result result = ConvertToPcm16(layout, source, samples.size(), written, limit);
    Require(written.str().size() == result.FramesWritten * layout.Channels * 2);
    Require(result.FramesWritten == (layout.Decodable ? std::min(limit, frames) : 0));
    Require(result.Written == layout.Decodable);
    Require(result.BytesRead <= samples.size());
    Require(result.Findings.size() <= Pcm16Result::kMostFindings);
}

// A fuzzer input in the layout above, for the seeds.
inline std::string Input(std::uint8_t flags, std::uint16_t channels, std::uint16_t blockAlign, std::uint16_t bits,
                         const std::string& extension, std::uint32_t limit, const std::string& data) {
    std::string bytes(1, static_cast<char>(flags));
    for (const std::uint16_t field : {channels, blockAlign, bits}) {
        bytes += static_cast<char>(field & 0xFF);
        bytes += static_cast<char>(field >> 8);
    }
    bytes += static_cast<char>(extension.size());
    bytes += extension;
    for (int i = 0; i < 4; ++i) bytes += static_cast<char>((limit >> (8 * i)) & 0xFF);
    return bytes + data;
}

}  // namespace CodecFuzz
