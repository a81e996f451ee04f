// The decoders against ffmpeg's, bit for bit: each row has ffmpeg or sox
// encode a signal our own code writes, ffmpeg decode the file to raw 16-bit
// samples, and our converter decode it as Snd_Info's --pcm will -- over the
// sound's frames, the padding a "fact" count trims left out. ffmpeg is the
// reference for sox's files too (sox's own IMA decoder rounds differently).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/RunTool.h"
#include "kit/WaveBuilder.h"
#include "wave/Audio.h"
#include "wave/Pcm16Stream.h"
#include "wave/SampleCodec.h"

namespace {


using TestSupport::TempDir;

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');) {
        std::error_code error;
        if (!folder.empty() && std::filesystem::is_regular_file(std::filesystem::path(folder) / program, error)) return true;
    }
    return false;
}

// A signal that takes the encoders everywhere: a sine sweep, full-scale
// noise (steps that saturate), a ramp over every 16-bit value (every G.711
// code), silence, and a full-scale square wave; each channel its own.
std::string SourceWave(std::uint16_t channels, std::uint32_t rate, std::uint32_t frames) {
    std::string samples;
    std::uint32_t noise = 12345;
    for (std::uint32_t f = 0; f < frames; ++f) {
        for (std::uint16_t c = 0; c < channels; ++c) {
            const std::uint32_t at = (f + 700 * c) % 2000;
            int value = 0;
            switch ((f + 700 * c) / 2000 % 5) {
                case 0: value = static_cast<int>(26000 * std::sin(0.00002 * at * at + c)); break;
                case 1: noise = noise * 1664525 + 1013904223; value = static_cast<int>(noise >> 16) - 32768; break;
                case 2: value = -32768 + static_cast<int>(at * 65535 / 1999); break;
                case 3: value = 0; break;
                default: value = (at / 37) % 2 ? 32767 : -32768; break;
            }
            samples += WaveBuilder::U16(static_cast<std::uint16_t>(value));
        }
    }
    return WaveBuilder::Riff(WaveBuilder::PcmFmt(channels, rate, 16) + WaveBuilder::Chunk("data", samples));
}

struct Case {
    std::string name;
    std::string encoder;  // "ffmpeg" or "sox"
    std::uint16_t channels;
    std::uint32_t frames;
    std::vector<std::string> encoding;  // the encoder's arguments between input and output
    SampleCodec codec;
    std::uint32_t rate = 22050;
    bool extensible = false;  // the encoder writes the extensible format
};

// ctest names a row by its name, not by its bytes.
void PrintTo(const Case& row, std::ostream* out) { *out << row.name; }

std::string Frames(std::size_t bytes, std::uint16_t channels) { return std::to_string(bytes / 2 / channels); }

class CodecAgainstFfmpeg : public testing::TestWithParam<Case> {};

TEST_P(CodecAgainstFfmpeg, DecodesAsFfmpegDoes) {
    const Case& row = GetParam();
    if (!OnPath("ffmpeg")) GTEST_SKIP() << "ffmpeg is not on PATH, so the decoders are not compared (bash scripts/deps.sh ffmpeg sox)";
    if (row.encoder == "sox" && !OnPath("sox")) GTEST_SKIP() << "sox is not on PATH (bash scripts/deps.sh ffmpeg sox)";
    TempDir dir;
    dir.Write("source.wav", SourceWave(row.channels, row.rate, row.frames));
    std::vector<std::string> encode = {"source.wav"};
    if (row.encoder == "ffmpeg") encode = {"-v", "error", "-y", "-i", "source.wav"};
    encode.insert(encode.end(), row.encoding.begin(), row.encoding.end());
    encode.push_back("coded.wav");
    const auto encoded = TestSupport::Run(row.encoder, encode, dir.Path());
    ASSERT_EQ(encoded.exitStatus, 0) << row.encoder << ": " << encoded.err;
    const auto decoded = TestSupport::Run("ffmpeg", {"-v", "error", "-i", "coded.wav", "-f", "s16le", "-c:a", "pcm_s16le", "reference.raw"}, dir.Path());
    ASSERT_EQ(decoded.exitStatus, 0) << decoded.err;
    const std::string reference = dir.Read("reference.raw");

    std::istringstream file(dir.Read("coded.wav"));
    WAVE_File wave;
    wave.LoadData(file);
    EXPECT_EQ(wave.FmtChunk.FormatTag == kTagExtensible, row.extensible);
    const SampleLayout layout = LayoutOf(wave.FmtChunk);
    ASSERT_EQ(layout.Codec, row.codec);
    ASSERT_TRUE(layout.Decodable) << layout.Finding;
    EXPECT_EQ(layout.Finding, "");
    // Both writers store the standard pairs.
    if (row.codec == SampleCodec::MsAdpcm) {
        EXPECT_EQ(layout.Pairs, std::vector<MsAdpcm::Coefficients>(MsAdpcm::kStandardCoefficients.begin(),
                                                                    MsAdpcm::kStandardCoefficients.end()));
    }
    const auto& data = wave.DataChunk.ChunkData;
    std::optional<std::uint32_t> fact;
    if (wave.FactChunk.ChunkSize != 0) fact = wave.FactChunk.SampleCount;
    const FrameCount frames = SoundFrames(layout, data.size(), fact);
    EXPECT_EQ(frames.SetAside, FactSetAside::No);
    // The sound, and at most the padding of its last block.
    EXPECT_GE(frames.Frames, row.frames);
    EXPECT_LT(frames.Frames - row.frames, layout.FramesPerBlock);

    std::istringstream in(std::string(data.begin(), data.end()));
    std::ostringstream out;
    const Pcm16Result result = ConvertToPcm16(layout, in, data.size(), out, frames.Frames);
    EXPECT_TRUE(result.Written);
    EXPECT_TRUE(result.Findings.empty()) << result.Findings.front();
    EXPECT_EQ(result.FramesWritten, frames.Frames);
    const std::string ours = out.str();
    ASSERT_EQ(ours.size(), frames.Frames * row.channels * 2);
    ASSERT_GE(reference.size(), ours.size()) << "ffmpeg decodes " << Frames(reference.size(), row.channels) << " frames";
    std::size_t differ = 0;
    while (differ < ours.size() && ours[differ] == reference[differ]) ++differ;
    EXPECT_EQ(differ, ours.size()) << "first difference in frame " << Frames(differ, row.channels) << " of "
                                   << Frames(ours.size(), row.channels);
}

// Blocks no encoder writes: random headers (every step index, every
// predictor, deltas of any sign) and random codes -- uniform ones, which
// drive the step sizes to their largest; mostly small ones, which let them
// fall; and blocks that do the one and then the other -- then a cut-short
// last block. ffmpeg decodes the file as it stands; so must we.
struct BlocksCase {
    std::string name;
    std::uint16_t tag, channels, blockAlign;
};

void PrintTo(const BlocksCase& row, std::ostream* out) { *out << row.name; }

class BlocksAgainstFfmpeg : public testing::TestWithParam<BlocksCase> {};

TEST_P(BlocksAgainstFfmpeg, DecodeAsFfmpegDoes) {
    const BlocksCase& row = GetParam();
    if (!OnPath("ffmpeg")) GTEST_SKIP() << "ffmpeg is not on PATH, so the decoders are not compared (bash scripts/deps.sh ffmpeg sox)";
    using WaveBuilder::U16;
    using WaveBuilder::U32;
    const bool ms = row.tag == kTagMsAdpcm;
    const std::uint32_t headerBytes = (ms ? 7u : 4u) * row.channels;
    const std::uint32_t framesPerBlock = ms ? 2 + (row.blockAlign - headerBytes) * 2 / row.channels
                                            : 1 + (row.blockAlign - headerBytes) * 2 / row.channels;
    std::string extension = U16(static_cast<std::uint16_t>(framesPerBlock));
    if (ms) {
        extension += U16(7);
        for (const auto& pair : MsAdpcm::kStandardCoefficients) {
            extension += U16(static_cast<std::uint16_t>(pair.First)) + U16(static_cast<std::uint16_t>(pair.Second));
        }
    }
    std::mt19937 random(row.tag * 1000u + row.channels);
    std::string data;
    for (int block = 0; block < 300; ++block) {
        std::string bytes(row.blockAlign, '\0');
        for (std::size_t at = 0; at < bytes.size(); ++at) {
            char& byte = bytes[at];
            if (block % 3 == 0 || (block % 3 == 2 && at < bytes.size() / 4)) {
                byte = static_cast<char>(random());
            } else {
                // Codes of magnitude 0 to 3 (IMA: sign and magnitude; MS:
                // two's complement), now and then a larger one.
                auto nibble = [&]() -> unsigned {
                    const unsigned r = random();
                    if (r % 8 == 0) return (r >> 3) & 0xF;
                    if (!ms) return (r >> 3) & 0xB;
                    return (r & 8) ? (16 - ((r >> 4) & 3)) & 0xF : (r >> 4) & 3;
                };
                byte = static_cast<char>(nibble() << 4 | nibble());
            }
        }
        for (std::uint16_t c = 0; c < row.channels; ++c) {
            if (ms) {
                bytes[c] = static_cast<char>(random() % 7);
            } else {
                bytes[4 * c + 2] = static_cast<char>(random() % 89);
                bytes[4 * c + 3] = 0;
            }
        }
        data += bytes;
    }
    data += data.substr(0, row.blockAlign / 3);
    const std::string fmt = U16(row.tag) + U16(row.channels) + U32(22050) + U32(11025 * row.channels) + U16(row.blockAlign) +
                            U16(4) + U16(static_cast<std::uint16_t>(extension.size())) + extension;
    TempDir dir;
    dir.Write("blocks.wav", WaveBuilder::Riff(WaveBuilder::Chunk("fmt ", fmt) + WaveBuilder::Chunk("data", data)));
    const auto decoded = TestSupport::Run("ffmpeg", {"-v", "error", "-i", "blocks.wav", "-f", "s16le", "-c:a", "pcm_s16le", "reference.raw"}, dir.Path());
    ASSERT_EQ(decoded.exitStatus, 0) << decoded.err;
    const std::string reference = dir.Read("reference.raw");

    const SampleLayout layout = LayoutOf([&] {
        fmt_Chunk chunk;
        std::istringstream in(WaveBuilder::Chunk("fmt ", fmt).substr(4));
        chunk.LoadData(in);
        return chunk;
    }());
    ASSERT_EQ(layout.FramesPerBlock, framesPerBlock) << layout.Finding;
    std::istringstream in(data);
    std::ostringstream out;
    const Pcm16Result result = ConvertToPcm16(layout, in, data.size(), out);
    EXPECT_EQ(result.FramesWritten, FramesInData(layout, data.size()));
    const std::string ours = out.str();
    std::size_t differ = 0;
    while (differ < ours.size() && differ < reference.size() && ours[differ] == reference[differ]) ++differ;
    EXPECT_EQ(ours.size(), reference.size());
    EXPECT_EQ(differ, ours.size()) << "first difference in frame " << Frames(differ, row.channels);
}

INSTANTIATE_TEST_SUITE_P(Random, BlocksAgainstFfmpeg,
                         testing::Values(BlocksCase{"ima_mono", kTagImaAdpcm, 1, 256}, BlocksCase{"ima_stereo", kTagImaAdpcm, 2, 512},
                                         BlocksCase{"ms_mono", kTagMsAdpcm, 1, 256}, BlocksCase{"ms_stereo", kTagMsAdpcm, 2, 512}),
                         [](const testing::TestParamInfo<BlocksCase>& info) { return info.param.name; });

const std::vector<std::string> kIma = {"-c:a", "adpcm_ima_wav"};
const std::vector<std::string> kMs = {"-c:a", "adpcm_ms"};

std::vector<std::string> With(std::vector<std::string> args, const std::string& blockSize) {
    args.insert(args.end(), {"-block_size", blockSize});
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CodecAgainstFfmpeg,
    testing::Values(Case{"ima_mono", "ffmpeg", 1, 1001, kIma, SampleCodec::ImaAdpcm},
                    Case{"ima_mono_256", "ffmpeg", 1, 12345, With(kIma, "256"), SampleCodec::ImaAdpcm},
                    Case{"ima_stereo_512", "ffmpeg", 2, 1001, With(kIma, "512"), SampleCodec::ImaAdpcm},
                    Case{"ima_stereo_2048", "ffmpeg", 2, 12345, With(kIma, "2048"), SampleCodec::ImaAdpcm},
                    Case{"ima_extensible", "ffmpeg", 2, 1001, kIma, SampleCodec::ImaAdpcm, 96000, true},
                    Case{"ms_mono", "ffmpeg", 1, 12345, kMs, SampleCodec::MsAdpcm},
                    Case{"ms_mono_256", "ffmpeg", 1, 1001, With(kMs, "256"), SampleCodec::MsAdpcm},
                    Case{"ms_stereo_512", "ffmpeg", 2, 1001, With(kMs, "512"), SampleCodec::MsAdpcm},
                    Case{"ms_stereo_2048", "ffmpeg", 2, 12345, With(kMs, "2048"), SampleCodec::MsAdpcm},
                    Case{"sox_ima_mono", "sox", 1, 12345, {"-e", "ima-adpcm"}, SampleCodec::ImaAdpcm},
                    Case{"sox_ima_stereo", "sox", 2, 1001, {"-e", "ima-adpcm"}, SampleCodec::ImaAdpcm},
                    Case{"sox_ms_mono", "sox", 1, 1001, {"-e", "ms-adpcm"}, SampleCodec::MsAdpcm},
                    Case{"sox_ms_stereo", "sox", 2, 12345, {"-e", "ms-adpcm"}, SampleCodec::MsAdpcm},
                    Case{"mulaw_mono", "ffmpeg", 1, 12345, {"-c:a", "pcm_mulaw"}, SampleCodec::MuLaw},
                    Case{"mulaw_stereo", "ffmpeg", 2, 1001, {"-c:a", "pcm_mulaw"}, SampleCodec::MuLaw},
                    Case{"mulaw_extensible", "ffmpeg", 1, 1001, {"-c:a", "pcm_mulaw"}, SampleCodec::MuLaw, 96000, true},
                    Case{"alaw_mono", "ffmpeg", 1, 1001, {"-c:a", "pcm_alaw"}, SampleCodec::ALaw},
                    Case{"alaw_stereo", "ffmpeg", 2, 12345, {"-c:a", "pcm_alaw"}, SampleCodec::ALaw},
                    Case{"alaw_3_channels", "ffmpeg", 3, 1001, {"-c:a", "pcm_alaw"}, SampleCodec::ALaw, 22050, true}),
    [](const testing::TestParamInfo<Case>& info) { return info.param.name; });

}  // namespace
