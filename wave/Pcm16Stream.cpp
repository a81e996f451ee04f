#include "wave/Pcm16Stream.h"

#include <algorithm>
#include <bit>

namespace {

// Blocks are read this many bytes at a time (or one block, when larger).
constexpr std::size_t kReadBytes = 64 * 1024;

void Note(Pcm16Result& result, std::string finding) {
    if (finding.empty()) return;
    if (result.Findings.size() < Pcm16Result::kMostFindings) {
        result.Findings.push_back(std::move(finding));
    } else {
        ++result.MoreFindings;
    }
}

// Up to `count` bytes, however the source hands them out.
std::size_t Fill(const ByteSource& source, char* into, std::size_t count) {
    std::size_t got = 0;
    while (got < count) {
        const std::size_t given = source(into + got, count - got);
        if (given == 0) break;
        got += std::min(given, count - got);
    }
    return got;
}

void WriteSamples(std::ostream& out, const std::int16_t* samples, std::size_t count, std::vector<char>& bytes) {
    if constexpr (std::endian::native == std::endian::little) {
        out.write(reinterpret_cast<const char*>(samples), static_cast<std::streamsize>(count * 2));
    } else {
        bytes.resize(count * 2);
        for (std::size_t i = 0; i < count; ++i) {
            const auto bits = static_cast<std::uint16_t>(samples[i]);
            bytes[2 * i] = static_cast<char>(bits & 0xFF);
            bytes[2 * i + 1] = static_cast<char>(bits >> 8);
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
}

}  // namespace

Pcm16Result ConvertToPcm16(const SampleLayout& layout, const ByteSource& source, std::uint64_t dataBytes,
                           std::ostream& out, std::uint64_t frameLimit) {
    Pcm16Result result;
    if (!layout.Decodable) {
        Note(result, layout.Finding.empty() ? std::string("the format is not decoded") : layout.Finding);
        return result;
    }
    Note(result, layout.Finding);
    const std::size_t blockBytes = layout.BlockBytes;
    const std::size_t blocksPerRead = std::max<std::size_t>(1, kReadBytes / blockBytes);
    std::vector<char> bytes(blocksPerRead * blockBytes);
    std::vector<std::int16_t> samples(blocksPerRead * layout.FramesPerBlock * layout.Channels);
    std::vector<char> swapped;
    const auto* block = reinterpret_cast<const unsigned char*>(bytes.data());
    std::uint64_t bytesLeft = dataBytes;
    std::uint64_t framesLeft = frameLimit;
    while (bytesLeft > 0 && framesLeft > 0) {
        const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size(), bytesLeft));
        const std::size_t got = Fill(source, bytes.data(), want);
        result.BytesRead += got;
        bytesLeft -= got;
        std::size_t frames = 0;
        std::size_t at = 0;
        if (layout.FramesPerBlock == 1) {
            // One frame a block: the whole blocks read decode in one pass; a
            // cut-short last one is left to DecodeBlock, which names it.
            frames = static_cast<std::size_t>(std::min<std::uint64_t>(got / blockBytes, framesLeft));
            DecodeFrames(layout, block, frames, samples.data());
            framesLeft -= frames;
            at = frames * blockBytes;
        }
        for (; at < got && framesLeft > 0; at += blockBytes) {
            BlockDecode decoded = DecodeBlock(layout, block + at, got - at, samples.data() + frames * layout.Channels);
            Note(result, std::move(decoded.Finding));
            const auto take = static_cast<std::size_t>(std::min<std::uint64_t>(decoded.Frames, framesLeft));
            frames += take;
            framesLeft -= take;
        }
        WriteSamples(out, samples.data(), frames * layout.Channels, swapped);
        if (!out) {
            Note(result, "the output failed after " + std::to_string(result.FramesWritten) + " frames");
            return result;
        }
        result.FramesWritten += frames;
        if (got < want) {
            result.Short = true;
            Note(result, "the data ends after " + std::to_string(result.BytesRead) + " of its " +
                             std::to_string(dataBytes) + " bytes");
            break;
        }
    }
    result.Written = true;
    return result;
}

Pcm16Result ConvertToPcm16(const SampleLayout& layout, std::istream& in, std::uint64_t dataBytes, std::ostream& out,
                           std::uint64_t frameLimit) {
    const ByteSource source = [&in](char* into, std::size_t count) -> std::size_t {
        if (!in.good()) return 0;
        in.read(into, static_cast<std::streamsize>(count));
        return static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0));
    };
    return ConvertToPcm16(layout, source, dataBytes, out, frameLimit);
}
