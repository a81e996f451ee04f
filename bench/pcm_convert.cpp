// A WAVE file's samples as raw 16-bit PCM through the streaming converter:
//   pcm_convert IN.wav OUT.raw
// Reads the chunk headers up to "data" (the format and the fact count on the
// way), then converts the data chunk block by block, the padding a fact count
// trims left out. Prints the findings; exit status 1 when it could not decode.
#include <cstdint>
#include <fstream>
#include <iostream>
#include <optional>

#include "wave/FormatChunks.h"
#include "wave/Pcm16Stream.h"
#include "wave/SampleCodec.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: pcm_convert IN.wav OUT.raw\n";
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ofstream out(argv[2], std::ios::binary);
    std::uint32_t id = 0, size = 0;
    if (!LittleEndian::Read(in, id) || id != kRiffID || !LittleEndian::Read(in, size) || !LittleEndian::Read(in, id) ||
        id != kWaveID) {
        std::cerr << "not a WAVE file\n";
        return 1;
    }
    fmt_Chunk fmt;
    std::optional<std::uint32_t> fact;
    while (LittleEndian::Read(in, id)) {
        if (id == kFmtID) {
            fmt.LoadData(in);
        } else if (id == kFactID) {
            fact_Chunk chunk;
            chunk.LoadData(in);
            fact = chunk.SampleCount;
        } else if (!LittleEndian::Read(in, size)) {
            break;
        } else if (id == kDataID) {
            const SampleLayout layout = LayoutOf(fmt);
            const FrameCount frames = SoundFrames(layout, size, fact);
            if (frames.SetAside != FactSetAside::No) std::cerr << "'fact' count " << frames.Fact << " set aside\n";
            const Pcm16Result result = ConvertToPcm16(layout, in, size, out, frames.Frames);
            for (const auto& finding : result.Findings) std::cerr << finding << '\n';
            return result.Written && out.flush() ? 0 : 1;
        } else {
            in.seekg(size + (size & 1), std::ios::cur);
        }
    }
    std::cerr << "no data chunk\n";
    return 1;
}
