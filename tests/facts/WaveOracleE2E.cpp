// Snd_Info's facts of WAVE files written, at test time, by ffmpeg and sox in
// every codec they write (PCM of 8 to 64 bits, float, mu-law, A-law, IMA and
// MS ADPCM, GSM 6.10, G.726), plain and extensible, RIFF and RF64, with INFO
// tags, odd lengths, 1 to 8 channels: each file's `Snd_Info --json` against
// what ffprobe says of it and what ffmpeg decodes from it; then the file saved
// by Snd_Info must decode to the same samples, and, saved with --pcm, hold the
// samples ffmpeg decodes, bit for bit.
//
// What the oracles do, and so what each column compares:
// - ffprobe prints no block align; its bit_rate is the stored bytes per second
//   times 8. For an extensible format its codec_tag is the sub-format's.
// - ffprobe's duration_ts is the data size over the sample size for PCM-like
//   codecs, and the fact chunk's count for the others -- unless that count
//   looks too small for the data (more than bits + 1 stored bits per sample:
//   short MS ADPCM and GSM files from sox, whose last block is mostly
//   padding); then it guesses from the data size and the byte rate. Without
//   a fact chunk it counts 4 bits a sample for ADPCM, block headers
//   included. Rows where it guesses say so (`probed` false); their frames
//   are checked against the fact chunk and ffmpeg's decoding.
// - ffmpeg's block encoders pad the last block with silence and count the
//   padding in the fact (1001 frames of IMA ADPCM become 1017); sox counts
//   only the frames it was given. ffmpeg decodes whole blocks, padding
//   included, so its count may pass the fact's by less than one block (a
//   G.726 block: the bytes that hold a whole number of codes).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

#include "kit/WaveBuilder.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;
namespace fs = std::filesystem;
using nlohmann::json;

struct Row {
    std::string name;
    std::string make;       // the command that writes the file OUT
    bool probed = true;     // ffprobe's duration_ts counts the frames
    bool dropFact = false;  // the fact chunk is overwritten as filler: frames from the blocks
    // The fact's count overwritten with one that is no trim of the last
    // block (a writer counting samples over the channels): frames from the blocks.
    std::optional<std::uint32_t> wrongFact = std::nullopt;
};

// ffmpeg writing `frames` frames of pink noise (the same on every channel).
std::string Ffmpeg(const std::string& codec, int channels, int rate, int frames, const std::string& extra = "") {
    return "ffmpeg -v error -y -f lavfi -i anoisesrc=color=pink:seed=7:amplitude=0.5:sample_rate=" +
           std::to_string(rate) + " -af atrim=end_sample=" + std::to_string(frames) + " -ac " +
           std::to_string(channels) + " -c:a " + codec + (extra.empty() ? "" : " " + extra) + " OUT";
}

// sox writing `frames` frames of a tone on every channel.
std::string Sox(const std::string& encoding, int channels, int rate, int frames) {
    return "sox -V1 -r " + std::to_string(rate) + " -c " + std::to_string(channels) + " -n " + encoding +
           " OUT synth " + std::to_string(frames) + "s sine 440";
}

const std::vector<Row> kRows = {
    {"ffmpeg_u8_mono_8000", Ffmpeg("pcm_u8", 1, 8000, 1001)},
    {"ffmpeg_s16_stereo_44100", Ffmpeg("pcm_s16le", 2, 44100, 12345)},
    {"ffmpeg_s24_stereo_48000_ext", Ffmpeg("pcm_s24le", 2, 48000, 1001)},
    {"ffmpeg_s32_mono_96000_ext", Ffmpeg("pcm_s32le", 1, 96000, 12345)},
    {"ffmpeg_s64_stereo_44100_ext", Ffmpeg("pcm_s64le", 2, 44100, 1001)},
    {"ffmpeg_f32_stereo_48000_ext", Ffmpeg("pcm_f32le", 2, 48000, 12345)},
    {"ffmpeg_f64_mono_22050_ext", Ffmpeg("pcm_f64le", 1, 22050, 1001)},
    {"ffmpeg_mulaw_mono_8000", Ffmpeg("pcm_mulaw", 1, 8000, 12345)},
    {"ffmpeg_alaw_stereo_8000", Ffmpeg("pcm_alaw", 2, 8000, 1001)},
    {"ffmpeg_s16_3ch_44100_ext", Ffmpeg("pcm_s16le", 3, 44100, 1001)},
    {"ffmpeg_s24_6ch_48000_ext", Ffmpeg("pcm_s24le", 6, 48000, 12345)},
    {"ffmpeg_s16_8ch_32000_ext", Ffmpeg("pcm_s16le", 8, 32000, 1001)},
    {"ffmpeg_ima_stereo_44100", Ffmpeg("adpcm_ima_wav", 2, 44100, 1001)},
    {"ffmpeg_ima_mono_22050", Ffmpeg("adpcm_ima_wav", 1, 22050, 12345)},
    {"ffmpeg_ima_stereo_no_fact", Ffmpeg("adpcm_ima_wav", 2, 44100, 12345), false, true},
    {"ffmpeg_ms_stereo_44100", Ffmpeg("adpcm_ms", 2, 44100, 1001)},
    {"ffmpeg_ms_mono_8000", Ffmpeg("adpcm_ms", 1, 8000, 12345)},
    {"ffmpeg_ms_mono_no_fact", Ffmpeg("adpcm_ms", 1, 11025, 12345), false, true},
    {"ffmpeg_ima_mono_block256", Ffmpeg("adpcm_ima_wav", 1, 22050, 5001, "-block_size 256")},
    {"ffmpeg_ms_stereo_block2048", Ffmpeg("adpcm_ms", 2, 44100, 5001, "-block_size 2048")},
    {"ffmpeg_gsm_mono_8000", Ffmpeg("libgsm_ms", 1, 8000, 12345)},
    {"ffmpeg_gsm_no_fact", Ffmpeg("libgsm_ms", 1, 8000, 1001), false, true},
    {"ffmpeg_g726_32k_8000", Ffmpeg("adpcm_g726", 1, 8000, 1001, "-b:a 32k")},
    {"ffmpeg_g726_24k_8000", Ffmpeg("adpcm_g726", 1, 8000, 12345, "-b:a 24k")},
    {"ffmpeg_rf64_s16_stereo", Ffmpeg("pcm_s16le", 2, 48000, 12345, "-rf64 always")},
    {"ffmpeg_rf64_f32_5ch_ext", Ffmpeg("pcm_f32le", 5, 44100, 1001, "-rf64 always")},
    {"ffmpeg_rf64_ima_stereo", Ffmpeg("adpcm_ima_wav", 2, 22050, 12345, "-rf64 always")},
    {"ffmpeg_info_tags", Ffmpeg("pcm_s16le", 1, 22050, 1001,
                                "-metadata title=Rain -metadata artist='Low Cloud' -metadata comment=draft "
                                "-metadata genre=Ambient -metadata date=2024")},
    {"sox_s16_stereo_44100", Sox("-b 16", 2, 44100, 12345)},
    {"sox_s24_3ch_44100_ext", Sox("-b 24", 3, 44100, 1001)},
    {"sox_s24_3ch_44100_wavpcm", Sox("-b 24 -t wavpcm", 3, 44100, 1001)},
    {"sox_s16_7ch_16000_ext", Sox("-b 16", 7, 16000, 1001)},
    {"sox_s32_4ch_wavpcm", Sox("-b 32 -t wavpcm", 4, 48000, 12345)},
    {"sox_u8_mono_11025", Sox("-b 8", 1, 11025, 1001)},
    {"sox_f32_stereo_8000", Sox("-e floating-point -b 32", 2, 8000, 1001)},
    {"sox_f64_mono_8000", Sox("-e floating-point -b 64", 1, 8000, 12345)},
    {"sox_ulaw_mono_8000", Sox("-e u-law", 1, 8000, 1001)},
    {"sox_alaw_stereo_8000", Sox("-e a-law", 2, 8000, 12345)},
    {"sox_ima_stereo_22050", Sox("-e ima-adpcm", 2, 22050, 1001)},
    {"sox_ima_mono_8000", Sox("-e ima-adpcm", 1, 8000, 12345)},
    {"sox_ms_stereo_22050", Sox("-e ms-adpcm", 2, 22050, 1001)},
    {"sox_ms_mono_8000", Sox("-e ms-adpcm", 1, 8000, 12345)},
    {"sox_ms_mono_8000_short", Sox("-e ms-adpcm", 1, 8000, 1001), false},
    {"sox_ms_mono_44100_short", Sox("-e ms-adpcm", 1, 44100, 1323), false},
    // 5 whole blocks of 2,041 frames whose fact counts 5,102 (samples over the channels).
    {"ffmpeg_ima_stereo_fact_halved", Ffmpeg("adpcm_ima_wav", 2, 44100, 10205, "-block_size 2048"), false, false, 5102},
    {"sox_gsm_mono_8000", Sox("-e gsm-full-rate", 1, 8000, 12345)},
    {"sox_gsm_mono_8000_short", Sox("-e gsm-full-rate", 1, 8000, 1001), false},
};

bool OnPath(const std::string& program) { return Oracle(".", "command -v " + program + " >/dev/null").has_value(); }

std::uint64_t Le(const std::string& bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = 0; i < size && at + i < bytes.size(); ++i) {
        value |= std::uint64_t{static_cast<unsigned char>(bytes[at + i])} << (8 * i);
    }
    return value;
}

// The offset of the first chunk `id` ahead of "data" in a RIFF or RF64 image.
std::optional<std::size_t> FindChunk(const std::string& bytes, const char* id) {
    for (std::size_t at = 12; at + 8 <= bytes.size(); at += 8 + Le(bytes, at + 4, 4) + (Le(bytes, at + 4, 4) & 1)) {
        if (bytes.compare(at, 4, id) == 0) return at;
        if (bytes.compare(at, 4, "data") == 0) break;
    }
    return std::nullopt;
}

// The fact chunk's sample count; in RF64, 0xFFFFFFFF there sends to the
// 64-bit count of "ds64" (riff size, data size, sample count).
std::optional<std::uint64_t> FactCount(const std::string& bytes) {
    const auto fact = FindChunk(bytes, "fact");
    if (!fact) return std::nullopt;
    const std::uint64_t count = Le(bytes, *fact + 8, 4);
    const auto ds64 = FindChunk(bytes, "ds64");
    return count == 0xFFFFFFFF && ds64 ? Le(bytes, *ds64 + 8 + 16, 8) : count;
}

// ffmpeg's native sample format as a raw codec: what decoding keeps exact.
std::string NativeCodec(std::string sampleFormat) {
    if (sampleFormat.back() == 'p') sampleFormat.pop_back();  // planar: interleaving loses nothing
    if (sampleFormat == "u8") return "pcm_u8";
    if (sampleFormat == "flt") return "pcm_f32le";
    if (sampleFormat == "dbl") return "pcm_f64le";
    return "pcm_" + sampleFormat + "le";  // s16, s32, s64
}

// INFO tags as ffprobe names them.
const std::vector<std::pair<std::string, std::string>> kInfoTags = {
    {"INAM", "title"}, {"IART", "artist"},  {"ICMT", "comment"},   {"IGNR", "genre"},
    {"ICRD", "date"},  {"ISFT", "encoder"}, {"ICOP", "copyright"},
};

// A tag's text: ffprobe's by key, ours from the list of {code, text}.
std::string Tag(const json& tags, const std::string& key) {
    if (tags.is_array()) {
        for (const json& tag : tags) {
            if (tag["code"] == key) return tag["text"].get<std::string>();
        }
        return "";
    }
    return tags.is_object() && tags.contains(key) ? tags[key].get<std::string>() : "";
}

std::uint64_t Number(const json& value) { return value.is_number() ? value.get<std::uint64_t>() : 0; }

// Writes the row's file as `wav`; false when this ffmpeg lacks its encoder.
bool Make(const Row& row, const TempDir& dir, const std::string& wav, const std::string& encoders) {
    std::string make = row.make;
    make.replace(make.find("OUT"), 3, wav);
    if (const std::size_t at = make.find("-c:a "); at != std::string::npos) {
        const std::string codec = make.substr(at + 5, make.find(' ', at + 5) - (at + 5));
        if (encoders.find(" " + codec + " ") == std::string::npos &&
            encoders.find("(codec " + codec + ")") == std::string::npos) {
            std::printf("[ SKIPPED  ] %s: this ffmpeg has no %s encoder\n", row.name.c_str(), codec.c_str());
            return false;
        }
    }
    EXPECT_TRUE(Oracle(dir.Path(), make)) << make;
    if (row.dropFact) {
        std::string bytes = dir.Read(wav);
        const auto fact = FindChunk(bytes, "fact");
        EXPECT_TRUE(fact) << "no fact chunk to drop";
        if (fact) bytes.replace(*fact, 4, "JUNK");
        dir.Write(wav, bytes);
    }
    if (row.wrongFact) {
        std::string bytes = dir.Read(wav);
        const auto fact = FindChunk(bytes, "fact");
        EXPECT_TRUE(fact) << "no fact chunk to overwrite";
        for (int i = 0; fact && i < 4; ++i) bytes[*fact + 8 + i] = static_cast<char>(*row.wrongFact >> (8 * i));
        dir.Write(wav, bytes);
    }
    return true;
}

// Snd_Info's JSON facts against ffprobe's and ffmpeg's.
void CheckFacts(const Row& row, const TempDir& dir, const std::string& wav, const json& stream, const json& format) {
    const RunResult info = Run(SndInfoPath(), {"--json", wav}, dir.Path());
    const json document = json::parse(info.out, nullptr, false);
    ASSERT_FALSE(document.is_discarded()) << info.out << info.err;
    const json& file = document["files"][0];
    EXPECT_EQ(file["errors"], json::array());
    ASSERT_TRUE(file.contains("wave")) << "no facts";
    const json& audio = file["wave"]["audio"];

    const int channels = stream["channels"].get<int>();
    EXPECT_EQ(audio["channels"], channels);
    EXPECT_EQ(audio["rate"], std::stoul(stream["sample_rate"].get<std::string>()));
    const bool extensible = audio["format_tag"] == 0xFFFE;
    EXPECT_EQ(audio[extensible ? "sub_format_tag" : "format_tag"],
              std::stoi(stream["codec_tag"].get<std::string>(), nullptr, 16));
    EXPECT_EQ(Number(audio["bytes_per_second"]) * 8, std::stoull(stream["bit_rate"].get<std::string>()));
    const bool pcmLike = stream["codec_name"].get<std::string>().rfind("pcm_", 0) == 0;
    if (pcmLike) {
        EXPECT_EQ(audio["block_align"], channels * stream["bits_per_sample"].get<int>() / 8);
    }

    // Frames: ffmpeg's decoded count for PCM-like codecs and where they come
    // from the block layout; else the fact's count, which ffmpeg's passes by
    // less than a block.
    const auto raw = Oracle(dir.Path(), "ffmpeg -v quiet -i " + wav + " -f s16le -c:a pcm_s16le - | wc -c");
    ASSERT_TRUE(raw);
    const std::uint64_t decoded = std::stoull(*raw) / (2 * channels);
    const auto fact = pcmLike || row.wrongFact ? std::nullopt : FactCount(dir.Read(wav));
    const std::uint64_t expected = fact.value_or(decoded);
    EXPECT_EQ(audio["frames"], expected) << "ffmpeg decodes " << decoded;
    if (fact) {
        const std::uint64_t align = std::max<std::uint64_t>(Number(audio["block_align"]), 1);
        const std::uint64_t blocks = std::max<std::uint64_t>((Number(audio["data_bytes"]) + align - 1) / align, 1);
        EXPECT_GE(decoded, expected);
        EXPECT_LT(decoded - expected, decoded / blocks) << "ffmpeg decodes more than the padding of a block";
    }
    if (row.probed) {
        EXPECT_EQ(audio["frames"], stream["duration_ts"]);
        EXPECT_TRUE(audio["duration"].is_number() &&
                    std::abs(audio["duration"].get<double>() - std::stod(stream["duration"].get<std::string>())) < 1e-6)
            << "Snd_Info " << audio["duration"] << ", ffprobe " << stream["duration"];
    }
    const json tags = format.value("tags", json::object());
    for (const auto& [code, key] : kInfoTags) {
        EXPECT_EQ(Tag(file["wave"]["info"], code), Tag(tags, key)) << code << " / " << key;
    }
}

// Saved by Snd_Info: plain RIFF (every file here fits), the same samples.
void CheckSave(const TempDir& dir, const std::string& wav, const json& stream) {
    const std::string out = "saved_" + wav;
    const RunResult save = Run(SndInfoPath(), {wav, "/w:" + out}, dir.Path());
    EXPECT_EQ(save.exitStatus, 0) << save.err;
    EXPECT_EQ(dir.Read(out).substr(0, 4), "RIFF");
    const std::string md5 = " -c:a " + NativeCodec(stream["sample_fmt"]) + " -f md5 -";
    const auto before = Oracle(dir.Path(), "ffmpeg -v quiet -i " + wav + md5);
    ASSERT_TRUE(before);
    EXPECT_EQ(Oracle(dir.Path(), "ffmpeg -v quiet -i " + out + md5).value_or("(no decode)"), *before);
}

// Saved with --pcm: ADPCM, mu-law and A-law as 16-bit PCM, the samples
// ffmpeg decodes from the input over the sound's frames, bit for bit;
// extensible where the input was or has more than two channels. PCM and
// float are saved as without --pcm; what is not decoded is saved as stored,
// with status 1.
void CheckPcm(const TempDir& dir, const std::string& wav, const json& stream) {
    const std::string out = "pcm_" + wav;
    const RunResult save = Run(SndInfoPath(), {wav, "/w:" + out, "--pcm"}, dir.Path());
    const std::string codec = stream["codec_name"];
    const bool decoded = codec == "adpcm_ima_wav" || codec == "adpcm_ms" || codec == "pcm_mulaw" || codec == "pcm_alaw";
    const std::string bytes = dir.Read(out);
    if (!decoded) {
        const bool plain = codec.rfind("pcm_", 0) == 0;
        EXPECT_EQ(save.exitStatus, plain ? 0 : 1) << save.err;
        EXPECT_EQ(save.err.find("is not converted to PCM") != std::string::npos, !plain) << save.err;
        EXPECT_EQ(bytes, dir.Read("saved_" + wav));
        return;
    }
    EXPECT_EQ(save.exitStatus, 0) << save.err;
    const int channels = stream["channels"].get<int>();
    const auto fmt = FindChunk(bytes, "fmt ");
    ASSERT_TRUE(fmt);
    const std::uint64_t tag = Le(bytes, *fmt + 8, 2);
    const bool extensible = channels > 2 || Le(dir.Read(wav), *FindChunk(dir.Read(wav), "fmt ") + 8, 2) == 0xFFFE;
    EXPECT_EQ(tag, extensible ? 0xFFFEu : 1u);
    EXPECT_EQ(Le(bytes, *fmt + 10, 2), static_cast<std::uint64_t>(channels));
    EXPECT_EQ(Le(bytes, *fmt + 22, 2), 16u);
    EXPECT_FALSE(FindChunk(bytes, "fact"));
    const json facts = json::parse(Run(SndInfoPath(), {"--json", wav}, dir.Path()).out);
    const std::uint64_t frames = Number(facts["files"][0]["wave"]["audio"]["frames"]);
    const auto reference = Oracle(dir.Path(), "ffmpeg -v quiet -i " + wav + " -f s16le -c:a pcm_s16le -");
    ASSERT_TRUE(reference);
    const std::size_t at = bytes.find("data", 12);
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(Le(bytes, at + 4, 4), frames * channels * 2);
    EXPECT_TRUE(bytes.compare(at + 8, frames * channels * 2, *reference, 0, frames * channels * 2) == 0)
        << "the samples differ from ffmpeg's decoding";
}

TEST(WaveOracleE2E, FactsAgreeWithFfprobeAndFfmpegAndSavesDecodeTheSame) {
    for (const char* program : {"ffmpeg", "ffprobe", "sox"}) {
        if (!OnPath(program)) GTEST_SKIP() << program << " is not on PATH (scripts/deps.sh installs it)";
    }
    const std::string encoders = Oracle(".", "ffmpeg -hide_banner -encoders").value_or("");
    TempDir dir;
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.name);
        const std::string wav = row.name + ".wav";
        if (!Make(row, dir, wav, encoders)) continue;
        const auto probe = Oracle(dir.Path(), "ffprobe -v error -show_streams -show_format -of json " + wav);
        if (!probe) {
            ADD_FAILURE() << "ffprobe cannot read " << wav;
            continue;
        }
        const json facts = json::parse(*probe);
        CheckFacts(row, dir, wav, facts["streams"][0], facts["format"]);
        CheckSave(dir, wav, facts["streams"][0]);
        CheckPcm(dir, wav, facts["streams"][0]);
    }
}

// A "bext" chunk written by ffmpeg: Snd_Info's fields against the tags
// ffprobe makes of them (under names of its own).
TEST(WaveOracleE2E, BroadcastExtensionAgreesWithFfprobe) {
    for (const char* program : {"ffmpeg", "ffprobe"}) {
        if (!OnPath(program)) GTEST_SKIP() << program << " is not on PATH (scripts/deps.sh installs it)";
    }
    TempDir dir;
    ASSERT_TRUE(Oracle(dir.Path(), "ffmpeg -v error -y -f lavfi -i sine=d=0.1:sample_rate=44100 -write_bext 1 "
                                   "-metadata description='Rain take' -metadata originator=Low "
                                   "-metadata originator_reference=REF9 -metadata origination_date=2024-05-06 "
                                   "-metadata origination_time=07:08:09 -metadata time_reference=88200 "
                                   "-metadata coding_history=A=PCM,F=44100 bext.wav"));
    const auto probe = Oracle(dir.Path(), "ffprobe -v error -show_entries format_tags -of json bext.wav");
    ASSERT_TRUE(probe);
    const json tags = json::parse(*probe)["format"]["tags"];
    const json document = json::parse(TestSupport::Run(SndInfoPath(), {"--json", "bext.wav"}, dir.Path()).out);
    json bext;
    for (const json& chunk : document["files"][0]["wave"]["chunks"]) {
        if (chunk["id"] == "bext") bext = chunk;
    }
    ASSERT_TRUE(bext.is_object()) << document.dump();
    const std::pair<const char*, const char*> fields[] = {
        {"description", "comment"},   {"originator", "encoded_by"}, {"originator_reference", "originator_reference"},
        {"date", "date"},             {"time", "creation_time"},    {"coding_history", "coding_history"},
    };
    for (const auto& [field, tag] : fields) EXPECT_EQ(bext[field], tags.value(tag, json())) << field;
    EXPECT_EQ(std::to_string(Number(bext["time_reference"])), tags.value("time_reference", ""));
    EXPECT_EQ(bext["time_reference_time"], "0:02.000");  // 88200 samples at 44100 Hz
}

// ID3 tags of each version in an "id3 " or "ID3 " chunk, made here: what
// Snd_Info shows against the tags ffprobe reads from the same file. ffprobe
// names a genre number by its name alone ("Rock" where Snd_Info shows
// "Rock (17)"), and calls the year "date".
TEST(WaveOracleE2E, Id3TagsAgreeWithFfprobe) {
    for (const char* program : {"ffmpeg", "ffprobe"}) {
        if (!OnPath(program)) GTEST_SKIP() << program << " is not on PATH (scripts/deps.sh installs it)";
    }
    namespace wb = WaveBuilder;
    using namespace std::string_literals;
    const auto frames = [](int major, const std::vector<std::pair<std::string, std::string>>& texts) {
        std::string bytes;
        for (const auto& [id, body] : texts) bytes += wb::Id3Frame(major, id, body);
        return bytes;
    };
    const struct {
        const char* name;
        const char* chunk;
        std::string tag;
    } rows[] = {
        {"v22", "id3 ", wb::Id3v2Tag(2, 0, frames(2, {{"TT2", "\0Caf\xE9"s}, {"TP1", "\1\xFF\xFEL\0o\0w\0"s},
                                                      {"TAL", "\0Sky"s}, {"TYE", "\0" "1999"s}, {"TRK", "\0" "4"s},
                                                      {"TCO", "\0(17)"s}, {"COM", "\0eng\0draft"s}}))},
        {"v23", "ID3 ", wb::Id3v2Tag(3, 0, frames(3, {{"TIT2", "\1\xFE\xFF\0R\0\xE9"s}, {"TPE1", "\0Low Cloud"s},
                                                      {"TALB", "\0Sky"s}, {"TYER", "\0" "2001"s}, {"TRCK", "\0" "3/12"s},
                                                      {"TCON", "\0(26)"s}, {"COMM", "\0eng\0take two"s}}))},
        {"v24", "id3 ", wb::Id3v2Tag(4, 0, frames(4, {{"TIT2", "\3Rain \xE2\x98\x94"s}, {"TPE1", "\2\0L\0\xF6"s},
                                                      {"TALB", "\3Sky"s}, {"TDRC", "\0" "2024-05-06"s}, {"TRCK", "\0" "7"s},
                                                      {"TCON", "\0" "8"s}, {"COMM", "\3eng\0note"s}}))},
    };
    TempDir dir;
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string wav = std::string(row.name) + ".wav";
        dir.Write(wav, wb::Riff(wb::PcmFmt(1, 8000, 8) + wb::Chunk("data", std::string(100, '\x80')) +
                                wb::Chunk(row.chunk, row.tag)));
        const auto probe = Oracle(dir.Path(), "ffprobe -v error -show_entries format_tags -of json " + wav);
        ASSERT_TRUE(probe);
        const json tags = json::parse(*probe)["format"]["tags"];
        const json document = json::parse(TestSupport::Run(SndInfoPath(), {"--json", wav}, dir.Path()).out);
        const json& file = document["files"][0];
        EXPECT_EQ(file["warnings"], json::array());
        const json& id3 = file["wave"]["chunks"].back();
        ASSERT_EQ(id3["id"], row.chunk) << document.dump();
        const std::pair<const char*, const char*> fields[] = {
            {"title", "title"}, {"artist", "artist"}, {"album", "album"},
            {"year", "date"},   {"track", "track"},   {"comment", "comment"},
        };
        for (const auto& [field, tag] : fields) {
            EXPECT_TRUE(tags.contains(tag)) << tag;
            EXPECT_EQ(id3.value(field, json()), tags.value(tag, json())) << field;
        }
        // "Rock (17)": the name ffprobe gives, then the number.
        const std::string genre = id3.value("genre", "");
        EXPECT_EQ(genre.substr(0, genre.rfind(" (")), tags.value("genre", "")) << genre;
    }
}

}  // namespace
