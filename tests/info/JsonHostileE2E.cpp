// Hostile files through Snd_Info's JSON and text: texts that many cue points
// share stand once, output stays linear in the input, every stored byte that
// is not UTF-8 is kept beside its string, and the streamed document is the
// text its own tree dumps.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "tests/support/RunTool.h"

namespace {

using namespace TestSupport;
namespace wb = WaveBuilder;
using json = nlohmann::ordered_json;

RunResult Info(const TempDir& dir, const std::vector<std::string>& args) {
    return TestSupport::Run(SndInfoPath(), args, dir.Path());
}

json Bytes(const std::string& stored) {
    json values = json::array();
    for (const char byte : stored) values.push_back(static_cast<unsigned char>(byte));
    return values;
}

std::size_t Count(const std::string& text, const std::string& what) {
    std::size_t count = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++count;
    return count;
}

// `points` cue points, the first `shared` of them with id 1, the rest ids 2, 3, ...
std::vector<wb::CueRecord> Points(std::uint32_t points, std::uint32_t shared) {
    std::vector<wb::CueRecord> records;
    for (std::uint32_t i = 0; i < points; ++i) records.push_back({i < shared ? 1 : i - shared + 2, i, "data", 0, 0, i});
    return records;
}

std::string Labels(std::uint32_t cueID, std::uint32_t count, const std::string& prefix) {
    std::string subs;
    for (std::uint32_t i = 0; i < count; ++i) subs += wb::Labl(cueID, prefix + std::to_string(i));
    return subs;
}

TEST(JsonHostileE2E, CueTextsOnceAndEveryByteKept) {
    const std::string head = wb::PcmFmt(1, 8000, 16) + wb::Chunk("data", std::string(64, '\0'));
    const struct Row {
        const char* what;
        std::string wave;
        std::size_t cues;
        json cueTexts;        // null: not checked beyond its size
        std::size_t entries;  // of cue_texts
        std::size_t labelLines, sameAsLines;  // in the print's cue section
        json info;
    } rows[] = {
        {"one id for 400 points and 300 labels",
         wb::Riff(head + wb::Cue(Points(400, 400)) + wb::List("adtl", Labels(1, 300, "L"))), 400, nullptr, 1, 300, 399,
         json::array()},
        {"ids in the order of their first point; an id without texts has no entry",
         wb::Riff(head + wb::Cue({{5, 0}, {3, 1}, {9, 2}, {5, 3}}) +
                  wb::List("adtl", wb::Labl(3, "three") + wb::Chunk("note", wb::U32(5) + std::string("n\xFF\0", 3)) +
                                       wb::Labl(5, "five") + wb::Labl(77, "no point"))),
         4,
         json::parse("[{\"cue_id\": 5, \"labels\": [{\"text\": \"five\"}], \"texts\": [],"
                     " \"notes\": [{\"text\": \"n\xEF\xBF\xBD\", \"text_bytes\": [110, 255]}]},"
                     " {\"cue_id\": 3, \"labels\": [{\"text\": \"three\"}], \"texts\": [], \"notes\": []}]"),
         2, 2, 1, json::array()},
        {"distinct ids print as before",
         wb::Riff(head + wb::Cue(Points(3, 0)) + wb::List("adtl", Labels(2, 2, "a") + Labels(4, 1, "b"))), 3, nullptr, 2,
         3, 0, json::array()},
        {"INFO codes that differ only in bytes that are not UTF-8 stay apart, in file order",
         wb::Riff(head + wb::List("INFO", wb::Chunk("I\xFE\xFF" "1", std::string("a\0", 2)) +
                                              wb::Chunk("I\xFD\xFF" "1", std::string("\xFF" "b\0", 3)) +
                                              wb::Chunk("INAM", std::string("x\0", 2)) +
                                              wb::Chunk("INAM", std::string("y\0", 2)))),
         0, json::array(), 0, 0, 0,
         json::parse("[{\"code\": \"I\xEF\xBF\xBD\xEF\xBF\xBD" "1\", \"code_bytes\": [73, 254, 255, 49], \"text\": \"a\"},"
                     " {\"code\": \"I\xEF\xBF\xBD\xEF\xBF\xBD" "1\", \"code_bytes\": [73, 253, 255, 49],"
                     "  \"text\": \"\xEF\xBF\xBD" "b\", \"text_bytes\": [255, 98]},"
                     " {\"code\": \"INAM\", \"text\": \"x\"}, {\"code\": \"INAM\", \"text\": \"y\"}]")},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        TempDir dir;
        dir.Write("in.wav", row.wave);
        const RunResult r = Info(dir, {"in.wav", "--json"});
        EXPECT_EQ(r.exitStatus, 0) << r.err;
        // Streamed piece by piece, it is the text its own tree dumps.
        const json doc = json::parse(r.out);
        EXPECT_EQ(r.out, doc.dump(2) + "\n");
        const json& wave = doc["files"][0]["wave"];
        EXPECT_EQ(wave["cues"].size(), row.cues);
        EXPECT_EQ(wave["cue_texts"].size(), row.entries);
        if (!row.cueTexts.is_null()) {
            EXPECT_EQ(wave["cue_texts"], row.cueTexts);
        }
        EXPECT_EQ(wave["info"], row.info);
        EXPECT_LE(r.out.size(), 64 * row.wave.size() + (1 << 20));

        const RunResult text = Info(dir, {"in.wav"});
        EXPECT_EQ(Count(text.out, "\n    Label: "), row.labelLines);
        EXPECT_EQ(Count(text.out, "Texts as for the first cue id"), row.sameAsLines);
        EXPECT_LE(text.out.size(), 64 * row.wave.size() + (1 << 20));
    }
}

// Each label of the shared id once in the JSON, however many points: the
// output of 4,000 points and 1,000 labels is of the file's own order.
TEST(JsonHostileE2E, SharedCueIdsStayLinear) {
    TempDir dir;
    const std::string wave = wb::Riff(wb::PcmFmt(1, 8000, 16) + wb::Chunk("data", std::string(2, '\0')) +
                                      wb::Cue(Points(4000, 4000)) + wb::List("adtl", Labels(1, 1000, "label")));
    dir.Write("in.wav", wave);
    const RunResult r = Info(dir, {"in.wav", "--json"});
    EXPECT_EQ(Count(r.out, "\"label999\""), 2u);  // in its LIST and under its cue id
    EXPECT_LE(r.out.size(), 16 * wave.size());
    const RunResult text = Info(dir, {"in.wav"});
    EXPECT_EQ(Count(text.out, "\"label999\""), 2u);
    EXPECT_LE(text.out.size(), 8 * wave.size());
}

// Every chunk kind with every field as stored, written piece by piece: the
// same values the tree built whole gave, and an INFO list's "labl" keeps its
// own text.
TEST(JsonHostileE2E, EveryChunkFieldAsStored) {
    using wb::U16, wb::U32;
    const std::string fmt = U16(0xFFFE) + U16(2) + U32(8000) + U32(32000) + U16(4) + U16(16) + U16(22) + U16(16) +
                            U16(3) + U32(3) + U16(1) + std::string("\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14);
    const std::string smpl = U32(1) + U32(2) + U32(3) + U32(60) + U32(5) + U32(6) + U32(7) + U32(1) + U32(0) + U32(7) +
                             U32(1) + U32(2) + U32(6) + U32(0) + U32(3);
    const std::string wave = wb::Riff(
        wb::Chunk("fmt ", fmt) + wb::Chunk("fact", U32(8)) + wb::Chunk("data", std::string(32, '\0')) +
        wb::Cue({{7, 3, "data", 5, 9, 4}}) +
        wb::List("adtl", wb::Chunk("labl", U32(7) + std::string("St\xFF" "art\0", 7)) +
                             wb::Ltxt(7, 2, "rgn ", 1, 2, 3, 4, std::string("Ring\0", 5)) +
                             wb::Chunk("note", U32(7) + std::string("hi\0", 3)) + wb::Chunk("zzzz", "ab")) +
        wb::List("INFO", wb::Chunk("INAM", std::string("Bell\0", 5)) + wb::Labl(1, "in info")) +
        wb::Chunk("smpl", smpl) + wb::Chunk("inst", std::string("\x3C\xFB\xFD\x0A\x64\x01\x7F", 7)) +
        wb::Chunk("junk", "xyz"));
    TempDir dir;
    dir.Write("in.wav", wave);
    const RunResult r = Info(dir, {"in.wav", "--json"});
    ASSERT_EQ(r.exitStatus, 0) << r.err;
    EXPECT_EQ(r.out, json::parse(r.out).dump(2) + "\n");
    const json file = json::parse(r.out)["files"][0];
    EXPECT_EQ(file["warnings"], json::array());
    const json& w = file["wave"];
    EXPECT_EQ(w["chunks"], json::parse(R"([
      {"id": "fmt ", "size": 40, "format_tag": 65534, "channels": 2, "samples_per_sec": 8000, "avg_bytes_per_sec": 32000,
       "block_align": 4, "bits_per_sample": 16, "extra_size": 22,
       "extra_data": [16, 0, 3, 0, 3, 0, 0, 0, 1, 0, 0, 0, 0, 0, 16, 0, 128, 0, 0, 170, 0, 56], "format": "extensible",
       "valid_bits": 16, "channel_mask": 196611, "sub_format_tag": 0, "sub_format": null},
      {"id": "fact", "size": 4, "sample_count": 8},
      {"id": "data", "size": 32},
      {"id": "cue ", "size": 28, "count": 1,
       "points": [{"id": 7, "position": 3, "chunk": "data", "chunk_start": 5, "block_start": 9, "sample_offset": 4}]},
      {"id": "LIST", "size": 84, "list_type": "adtl", "sub_chunks": [
        {"id": "labl", "size": 11, "cue_id": 7, "text": "St\ufffdart", "text_bytes": [83, 116, 255, 97, 114, 116]},
        {"id": "ltxt", "size": 25, "cue_id": 7, "sample_length": 2, "purpose": "rgn ", "country": 1, "language": 2,
         "dialect": 3, "code_page": 4, "text": "Ring"},
        {"id": "note", "size": 7, "cue_id": 7, "text": "hi"},
        {"id": "zzzz", "size": 2}]},
      {"id": "LIST", "size": 38, "list_type": "INFO", "sub_chunks": [
        {"id": "INAM", "size": 5, "text": "Bell"}, {"id": "labl", "size": 12, "cue_id": 1, "text": "in info"}]},
      {"id": "smpl", "size": 60, "manufacturer": 1, "product": 2, "sample_period": 3, "unity_note": 60,
       "pitch_fraction": 5, "smpte_format": 6, "smpte_offset": 7, "loop_count": 1, "sampler_data_size": 0,
       "loops": [{"cue_id": 7, "type": 1, "start": 2, "end": 6, "fraction": 0, "play_count": 3}]},
      {"id": "inst", "size": 7, "unshifted_note": 60, "fine_tune": -5, "gain": -3, "low_note": 10, "high_note": 100,
       "low_velocity": 1, "high_velocity": 127},
      {"id": "junk", "size": 3}])"));
    EXPECT_EQ(w["cues"], json::parse(R"([{"id": 7, "sample_offset": 4, "seconds": 0.0005, "position": 3}])"));
    EXPECT_EQ(w["cue_texts"], json::parse(R"([{"cue_id": 7,
        "labels": [{"text": "St\ufffdart", "text_bytes": [83, 116, 255, 97, 114, 116]}],
        "texts": [{"text": "Ring", "sample_length": 2, "seconds": 0.00025, "purpose": "rgn "}], "notes": [{"text": "hi"}]}])"));
    EXPECT_EQ(w["info"], json::parse(R"([{"code": "INAM", "text": "Bell"}, {"code": "labl", "text": ""}])"));
    EXPECT_EQ(w["phonemes"], nullptr);
    EXPECT_EQ(w["loops"], json::parse(R"([{"cue_id": 7, "type": "alternating", "start": 2, "end": 6,
        "start_seconds": 0.00025, "end_seconds": 0.00075, "play_count": 3}])"));
}

#ifndef _WIN32
// The extraction report keeps the bytes of the package's path, the folder
// given, the sound's name and its file; names that are UTF-8 get no twin.
TEST(JsonHostileE2E, ExtractionReportKeepsPathBytes) {
    if (RunsUnderRunner()) GTEST_SKIP() << "Windows names files in UTF-16: bytes that are not UTF-8 are this host's";
    TempDir dir;
    PackageBuilder b;
    b.AddSound("\xFF", ToneWave(440, 0.01));
    b.AddSound("Fine", ToneWave(440, 0.01));
    b.Write(dir.Path() / "p\xFD.kzs");
    const std::string folder = "o\xFE";
    const RunResult r = Info(dir, {"p\xFD.kzs", "\xFF", "Fine", "No\xFE", "/x:" + folder, "--json"});
    EXPECT_EQ(r.exitStatus, 1) << r.err;
    const json doc = json::parse(r.out);
    EXPECT_EQ(r.out, doc.dump(2) + "\n");
    const json& file = doc["files"][0];
    EXPECT_EQ(file["path_bytes"], Bytes("p\xFD.kzs"));
    EXPECT_EQ(file["extract"]["folder_bytes"], Bytes(folder + "/p%FD"));
    const json& sounds = file["extract"]["sounds"];
    ASSERT_EQ(sounds.size(), 3u);
    EXPECT_EQ(sounds[0]["name_bytes"], Bytes("\xFF"));
    EXPECT_EQ(sounds[0]["file_bytes"], Bytes(folder + "/p%FD/%FF.wav"));
    EXPECT_EQ(sounds[0]["warnings"].size(), 1u);  // its name cannot be a file name
    EXPECT_FALSE(sounds[1].contains("name_bytes"));
    EXPECT_EQ(sounds[1]["file_bytes"], Bytes(folder + "/p%FD/Fine.wav"));
    EXPECT_FALSE(sounds[1].contains("warnings"));
    // A SOUND named that the package lacks: its entry carries its own error.
    EXPECT_EQ(sounds[2], json::parse("{\"index\": null, \"name\": \"No\xEF\xBF\xBD\", \"name_bytes\": [78, 111, 254],"
                                     " \"file\": null, \"bytes\": 0, \"status\": \"failed\", \"reason\": \"no such sound\","
                                     " \"errors\": [{\"code\": \"no_sound\", \"severity\": \"error\","
                                     " \"message\": \"no sound 'No\\\\xFE' in package 'p\\\\xFD.kzs'\","
                                     " \"values\": {\"sound\": \"No\xEF\xBF\xBD\", \"sound_bytes\": [78, 111, 254],"
                                     " \"path\": \"p\xEF\xBF\xBD.kzs\", \"path_bytes\": [112, 253, 46, 107, 122, 115]}}]}"));
    EXPECT_EQ(doc["totals"]["failed"], 1);
}
#endif

}  // namespace
