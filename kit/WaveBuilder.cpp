#include "kit/WaveBuilder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <cstring>

namespace WaveBuilder {

namespace {

std::string Bytes(std::uint64_t value, int width) {
    std::string out;
    for (int i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
    return out;
}

std::string Fixed(const std::string& text, std::size_t width) {
    std::string out = text.substr(0, width);
    out.resize(width, '\0');
    return out;
}

std::string FmtFields(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * ((bits + 7) / 8));
    return U16(tag) + U16(channels) + U32(rate) + U32(rate * blockAlign) + U16(blockAlign) + U16(bits);
}

}  // namespace

std::string U16(std::uint16_t value) { return Bytes(value, 2); }
std::string U32(std::uint32_t value) { return Bytes(value, 4); }

std::string F32(float value) {
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    return U32(bits);
}

std::string Code(const std::string& code) { return Fixed(code, 4); }

std::string Header(const std::string& id, std::uint32_t size) { return Code(id) + U32(size); }

std::string Chunk(const std::string& id, const std::string& body) {
    std::string out = Header(id, static_cast<std::uint32_t>(body.size())) + body;
    if (body.size() % 2 != 0) out += '\0';
    return out;
}

std::string Unpadded(const std::string& chunks) {
    std::string out;
    for (std::size_t at = 0; at + 8 <= chunks.size();) {
        const std::string id = chunks.substr(at, 4);
        std::uint32_t size = 0;
        for (int i = 3; i >= 0; --i) size = size << 8 | static_cast<unsigned char>(chunks[at + 4 + i]);
        std::string body = chunks.substr(at + 8, size);
        if (id == "LIST" && body.size() >= 4) body = body.substr(0, 4) + Unpadded(body.substr(4));
        out += Header(id, static_cast<std::uint32_t>(body.size())) + body;
        at += 8 + size + size % 2;
    }
    return out;
}

std::string Riff(const std::string& chunks) { return Riff(static_cast<std::uint32_t>(4 + chunks.size()), chunks); }

std::string Riff(std::uint32_t riffSize, const std::string& chunks) { return "RIFF" + U32(riffSize) + "WAVE" + chunks; }

std::string PcmFmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits) {
    return Chunk("fmt ", FmtFields(1, channels, rate, bits));
}

std::string FmtWithExtension(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate, std::uint16_t bits,
                             const std::string& extension) {
    return Chunk("fmt ", FmtFields(tag, channels, rate, bits) + U16(static_cast<std::uint16_t>(extension.size())) +
                             extension);
}

std::string ExtensibleFmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t channelMask) {
    // KSDATAFORMAT_SUBTYPE_PCM: 00000001-0000-0010-8000-00AA00389B71.
    const std::string pcmGuid = U32(1) + U16(0) + U16(0x10) + std::string("\x80\x00\x00\xAA\x00\x38\x9B\x71", 8);
    return FmtWithExtension(0xFFFE, channels, rate, bits, U16(bits) + U32(channelMask) + pcmGuid);
}

std::string Samples(std::uint16_t bits, std::uint16_t channels, std::uint32_t frames) {
    const int width = (bits + 7) / 8;
    std::string out;
    out.reserve(static_cast<std::size_t>(frames) * channels * width);
    for (std::uint32_t frame = 0; frame < frames; ++frame) {
        for (std::uint16_t channel = 0; channel < channels; ++channel) {
            // A sine of a period that differs per channel, at 3/4 of full scale.
            const double x = 0.75 * std::sin(2.0 * std::numbers::pi * frame / (32.0 + 8.0 * channel));
            if (width == 1) {
                out += static_cast<char>(static_cast<std::uint8_t>(128 + std::lround(x * 127)));
            } else {
                const double full = std::ldexp(1.0, 8 * width - 1) - 1;
                out += Bytes(static_cast<std::uint64_t>(std::llround(x * full)), width);
            }
        }
    }
    return out;
}

std::string PcmWave(std::uint16_t channels, std::uint32_t rate, std::uint16_t bits, std::uint32_t frames) {
    return Riff(PcmFmt(channels, rate, bits) + Chunk("data", Samples(bits, channels, frames)));
}

std::vector<std::int16_t> Sine16(std::uint32_t rate, double hz, double amplitude, std::uint32_t frames) {
    std::vector<std::int16_t> samples(frames);
    for (std::uint32_t i = 0; i < frames; ++i) {
        samples[i] = static_cast<std::int16_t>(std::lround(32767 * amplitude * std::sin(2 * std::numbers::pi * hz * i / rate)));
    }
    return samples;
}

std::string Pcm16(const std::vector<std::int16_t>& samples) {
    std::string out;
    for (const std::int16_t sample : samples) out += U16(static_cast<std::uint16_t>(sample));
    return out;
}

namespace {

// The IMA step sizes and how each code moves the step index: the encoder's
// own copy, so that the bytes do not depend on the decoder under test.
constexpr int kImaSteps[89] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr int kImaIndexMoves[8] = {-1, -1, -1, -1, 2, 4, 6, 8};

std::uint32_t ImaFramesPerBlock(std::uint16_t channels, std::uint16_t blockAlign) {
    return 1 + 8 * ((blockAlign - 4u * channels) / (4u * channels));
}

struct ImaChannel {
    int predictor = 0;
    int index = 0;

    // The code nearest `sample`, and the decoder's state after it.
    int Encode(int sample) {
        int step = kImaSteps[index];
        int difference = sample - predictor;
        int code = 0;
        if (difference < 0) {
            code = 8;
            difference = -difference;
        }
        int moved = step >> 3;
        for (int bit = 4; bit > 0; bit >>= 1, step >>= 1) {
            if (difference >= step) {
                code |= bit;
                difference -= step;
                moved += step;
            }
        }
        predictor = std::clamp(predictor + ((code & 8) ? -moved : moved), -32768, 32767);
        index = std::clamp(index + kImaIndexMoves[code & 7], 0, 88);
        return code;
    }
};

}  // namespace

std::string ImaAdpcmFmt(std::uint16_t channels, std::uint32_t rate, std::uint16_t blockAlign) {
    const std::uint32_t frames = ImaFramesPerBlock(channels, blockAlign);
    return Chunk("fmt ", U16(0x11) + U16(channels) + U32(rate) + U32(static_cast<std::uint32_t>(std::uint64_t{rate} * blockAlign / frames)) +
                             U16(blockAlign) + U16(4) + U16(2) + U16(static_cast<std::uint16_t>(frames)));
}

std::string ImaAdpcm(std::uint16_t channels, std::uint16_t blockAlign, const std::vector<std::int16_t>& samples) {
    const std::uint32_t perBlock = ImaFramesPerBlock(channels, blockAlign);
    const std::size_t frames = samples.size() / channels;
    const auto sample = [&](std::size_t frame, int channel) -> int { return frame < frames ? samples[frame * channels + channel] : 0; };
    std::vector<ImaChannel> state(channels);
    std::string out;
    for (std::size_t first = 0; first < frames; first += perBlock) {
        for (int c = 0; c < channels; ++c) {
            state[c].predictor = sample(first, c);
            out += U16(static_cast<std::uint16_t>(state[c].predictor)) + static_cast<char>(state[c].index) + '\0';
        }
        for (std::size_t group = first + 1; group < first + perBlock; group += 8) {
            for (int c = 0; c < channels; ++c) {
                for (std::size_t i = 0; i < 8; i += 2) {
                    const int low = state[c].Encode(sample(group + i, c));
                    out += static_cast<char>(low | state[c].Encode(sample(group + i + 1, c)) << 4);
                }
            }
        }
        out.resize(out.size() + (blockAlign - out.size() % blockAlign) % blockAlign, '\0');  // bytes no group uses
    }
    return out;
}

std::string Cue(const std::vector<CueRecord>& points) {
    std::string body = U32(static_cast<std::uint32_t>(points.size()));
    for (const auto& p : points) {
        body += U32(p.cueID) + U32(p.position) + Code(p.dataChunkID) + U32(p.chunkStart) + U32(p.blockStart) +
                U32(p.sampleOffset);
    }
    return Chunk("cue ", body);
}

std::string List(const std::string& type, const std::string& subChunks) { return Chunk("LIST", Code(type) + subChunks); }

std::string Labl(std::uint32_t cueID, const std::string& text) { return Chunk("labl", U32(cueID) + text + '\0'); }

std::string Ltxt(std::uint32_t cueID, std::uint32_t sampleLength, const std::string& purpose, std::uint16_t country,
                 std::uint16_t language, std::uint16_t dialect, std::uint16_t codePage, const std::string& text) {
    return Chunk("ltxt", U32(cueID) + U32(sampleLength) + Code(purpose) + U16(country) + U16(language) +
                             U16(dialect) + U16(codePage) + text);
}

std::string Marks(const std::vector<Mark>& marks) {
    std::vector<CueRecord> points;
    std::string texts;
    for (std::uint32_t n = 0; n < marks.size(); ++n) {
        const Mark& mark = marks[n];
        points.push_back({n + 1, mark.start, "data", 0, 0, mark.start});
        if (!mark.label.empty()) texts += Labl(n + 1, mark.label);
        if (mark.length > 0) texts += Ltxt(n + 1, mark.length, "rgn ", 0, 0, 0, 0);
    }
    return Cue(points) + List("adtl", texts);
}

std::string Smpl(const std::vector<Loop>& loops, std::uint32_t fraction) {
    std::string body = U32(0) + U32(0) + U32(0) + U32(60) + U32(fraction) + U32(0) + U32(0) +
                       U32(static_cast<std::uint32_t>(loops.size())) + U32(0);
    for (const Loop& loop : loops) {
        body += U32(0) + U32(loop.type) + U32(loop.start) + U32(loop.end) + U32(0) + U32(loop.playCount);
    }
    return Chunk("smpl", body);
}

std::string PhonemeRecord(const Phoneme& phoneme) {
    return Fixed(phoneme.tag, 4) + U16(phoneme.code) + F32(phoneme.a) + F32(phoneme.b);
}

std::string WordRecord(const Word& word, std::int32_t phonemeCount) {
    std::string out = Fixed(word.word, 32) + U32(static_cast<std::uint32_t>(word.intA)) +
                      U32(static_cast<std::uint32_t>(word.intB)) + F32(word.a) + F32(word.b) +
                      U32(static_cast<std::uint32_t>(phonemeCount));
    for (const auto& phoneme : word.phonemes) out += PhonemeRecord(phoneme);
    return out;
}

std::string Phnm(const std::string& text, const std::vector<Word>& words) {
    std::string body = U32(static_cast<std::uint32_t>(text.size())) + text + U32(static_cast<std::uint32_t>(words.size()));
    for (const auto& word : words) body += WordRecord(word, static_cast<std::int32_t>(word.phonemes.size()));
    return Chunk("phnm", body);
}

std::string U64(std::uint64_t value) {
    return U32(static_cast<std::uint32_t>(value)) + U32(static_cast<std::uint32_t>(value >> 32));
}

std::string Ds64(std::uint64_t riffSize, std::uint64_t dataSize, std::uint64_t sampleCount,
                 const std::vector<std::pair<std::string, std::uint64_t>>& table) {
    std::string body = U64(riffSize) + U64(dataSize) + U64(sampleCount) + U32(static_cast<std::uint32_t>(table.size()));
    for (const auto& [id, size] : table) body += Code(id) + U64(size);
    return Chunk("ds64", body);
}

std::string Rf64(const std::string& fmt, const std::string& samples, const std::string& rest) {
    const std::string data = Header("data", 0xFFFFFFFF) + samples + (samples.size() % 2 ? std::string(1, '\0') : "");
    const std::uint64_t riffSize = 4 + 36 + fmt.size() + data.size() + rest.size();
    return "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(riffSize, samples.size(), 0) + fmt + data + rest;
}

std::string Syncsafe(std::uint32_t value) {
    std::string bytes;
    for (int shift = 21; shift >= 0; shift -= 7) bytes += static_cast<char>((value >> shift) & 0x7F);
    return bytes;
}

std::string Id3Frame(int major, const std::string& id, const std::string& body, std::uint8_t format) {
    const auto size = static_cast<std::uint32_t>(body.size());
    if (major == 2) {
        return id + static_cast<char>(size >> 16 & 0xFF) + static_cast<char>(size >> 8 & 0xFF) +
               static_cast<char>(size & 0xFF) + body;
    }
    std::string bigEndian;
    for (int shift = 24; shift >= 0; shift -= 8) bigEndian += static_cast<char>((size >> shift) & 0xFF);
    return id + (major == 4 ? Syncsafe(size) : bigEndian) + '\0' + static_cast<char>(format) + body;
}

std::string Id3v2Tag(int major, std::uint8_t flags, const std::string& frames) {
    return std::string("ID3") + static_cast<char>(major) + '\0' + static_cast<char>(flags) +
           Syncsafe(static_cast<std::uint32_t>(frames.size())) + frames;
}

}  // namespace WaveBuilder
