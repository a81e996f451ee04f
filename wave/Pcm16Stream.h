// Sample data to 16-bit PCM as it streams: a data chunk's bytes are read a
// few blocks at a time, decoded, and written as little-endian 16-bit samples,
// frame after frame, channels interleaved. Memory stays flat whatever the
// data's length: one buffer of at most 64 KiB of blocks (one block where a
// block is larger) and the samples they decode to.
//
//   const SampleLayout layout = LayoutOf(wave.FmtChunk);
//   const FrameCount frames = SoundFrames(layout, dataBytes, factCount);
//   in.seekg(dataOffset);
//   Pcm16Result result = ConvertToPcm16(layout, in, dataBytes, out, frames.Frames);
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "SampleCodec.h"

// Gives up to `count` bytes at `into` and returns how many it gave: fewer
// than asked only where the bytes end.
using ByteSource = std::function<std::size_t(char* into, std::size_t count)>;

inline constexpr std::uint64_t kNoFrameLimit = UINT64_MAX;

struct Pcm16Result {
    std::uint64_t BytesRead = 0;
    std::uint64_t FramesWritten = 0;
    // What was not sound: the format, damaged blocks, a cut-short end. The
    // first kMostFindings are kept; MoreFindings counts the rest.
    std::vector<std::string> Findings;
    std::uint64_t MoreFindings = 0;
    // The layout is decodable and every sample decoded was written (false
    // when the output failed; the conversion then stops).
    bool Written = false;
    // The source ended before the bytes the frames asked for.
    bool Short = false;

    static constexpr std::size_t kMostFindings = 16;
};

// Reads `dataBytes` bytes of sample data from `source` (fewer where it ends:
// a finding), decodes them as `layout` says and writes at most `frameLimit`
// frames to `out`; it reads no further once the limit is reached. Writes
// exactly FramesWritten x Channels x 2 bytes. A layout that is not
// Decodable reads and writes nothing: its Finding is the one finding.
Pcm16Result ConvertToPcm16(const SampleLayout& layout, const ByteSource& source, std::uint64_t dataBytes,
                           std::ostream& out, std::uint64_t frameLimit = kNoFrameLimit);

// The same, reading from the stream's current position.
Pcm16Result ConvertToPcm16(const SampleLayout& layout, std::istream& in, std::uint64_t dataBytes, std::ostream& out,
                           std::uint64_t frameLimit = kNoFrameLimit);
