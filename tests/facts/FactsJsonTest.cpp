// The JSON builders without the command line: the document written piece by
// piece is laid out as the document dumped whole, and every text is valid UTF-8 with its
// stored bytes kept beside it.
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "facts/FactsJson.h"
#include "facts/Intake.h"
#include "wave/Audio.h"
#include "kit/PackageBuilder.h"
#include "tests/package/PackageFile.h"

namespace {

using namespace TestSupport;
using json = nlohmann::ordered_json;

TEST(FactsJson, WrittenPieceByPieceEqualsBuiltWhole) {
    PackageBuilder full;
    full.AddSound("Wind01", ToneWave(440, 0.01));
    full.AddSound("\xFF", "RIFF");
    ExportEntry empty;
    empty.objectName = full.Name("Empty");
    full.AddExport(empty);
    full.AddSound("Last", ToneWave(220, 0.01));
    const std::string bytes = full.Build();
    PackageFile withExports(bytes);
    PackageFile without(PackageBuilder(60).Build());
    PackageFile cut(bytes.substr(0, bytes.size() - 100));  // its warnings stand before its exports
    // A package's <file> object, as a document of that one file holds it.
    const auto alone = [](KZ_Package& package, const std::string& path) {
        std::ostringstream text;
        FactsJson::DocumentWriter writer(text);
        writer.AddPackage(package, path);
        writer.Finish();
        return json::parse(text.str())["files"].at(0);
    };

    for (const int files : {0, 1, 3}) {
        SCOPED_TRACE(files);
        std::ostringstream written;
        FactsJson::DocumentWriter writer(written);
        json whole = json::array();
        if (files > 0) {
            writer.AddPackage(*withExports, "a.kzs");
            whole.push_back(alone(*withExports, "a.kzs"));
        }
        if (files > 1) {
            writer.Add(FactsJson::ErrorFile("b.wav", Intake::CannotOpen("b.wav", 0)));
            whole.push_back(FactsJson::ErrorFile("b.wav", Intake::CannotOpen("b.wav", 0)));
            writer.AddPackage(*without, "c.kzs");
            whole.push_back(alone(*without, "c.kzs"));
            writer.AddPackage(*cut, "d.kzs");
            whole.push_back(alone(*cut, "d.kzs"));
            EXPECT_EQ(whole.back()["warnings"],
                      json::parse(R"([{"code": "sound_cut_short", "severity": "warning",
                                       "message": "Last: cut short: 384 of its 484 bytes are in the file",
                                       "values": {"index": 3, "name": "Last", "held": 384, "wave_size": 484}}])"));
        }
        writer.Finish();
        EXPECT_EQ(written.str(), FactsJson::Dump(FactsJson::Document(whole)));
        EXPECT_EQ(json::parse(written.str())["files"], whole);
    }
}

// A <file> whose writing stopped half-way (a fault met late) is closed
// before the next one, and the document still parses.
TEST(FactsJson, FileCutShortLeavesTheDocumentWhole) {
    for (const bool keyed : {false, true}) {
        std::ostringstream written;
        FactsJson::DocumentWriter writer(written);
        JsonStream& file = writer.Files();
        file.BeginObject();
        file.Key("wave").BeginObject();
        file.Key("chunks").BeginArray();
        file.Unsigned(1);
        file.End();
        if (keyed) file.Key("cues");
        writer.Add(FactsJson::ErrorFile("a.wav", Facts::Make(Facts::Code::OutOfMemory, {{"path", "a.wav"}})));
        writer.Finish();
        const json document = json::parse(written.str());
        EXPECT_EQ(document["files"].size(), 2u);
        EXPECT_EQ(document["files"][0]["wave"]["chunks"], json::array({1}));
        EXPECT_EQ(document["files"][0]["wave"].contains("cues"), keyed);
        EXPECT_EQ(document["files"][1]["type"], "error");
    }
}

TEST(FactsJson, TextsAreUtf8AndKeepTheirBytes) {
    const struct {
        std::string stored, text;
        bool bytes;
    } cases[] = {
        {"plain", "plain", false},
        {"Gr\xC3\xBC\xC3\x9F" "e \xE0\xA0\x80 \xF0\x9F\x98\x80", "Gr\xC3\xBC\xC3\x9F" "e \xE0\xA0\x80 \xF0\x9F\x98\x80", false},
        {std::string("a\0\x1F", 3), std::string("a\0\x1F", 3), false},  // valid UTF-8: JSON escapes them
        {"\xFF" "a", "\xEF\xBF\xBD" "a", true},
        {"\xC0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD", true},      // overlong
        {"\xED\xA0\x80", "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD", true},  // a surrogate
        {"\xE2\x82", "\xEF\xBF\xBD\xEF\xBF\xBD", true},      // cut short
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        json object;
        FactsJson::PutText(object, "name", c.stored);
        EXPECT_EQ(object["name"], c.text);
        EXPECT_EQ(object.contains("name_bytes"), c.bytes);
        if (c.bytes) {
            std::string bytes;
            for (const auto& value : object["name_bytes"]) bytes += static_cast<char>(value.get<int>());
            EXPECT_EQ(bytes, c.stored);
        }
        EXPECT_EQ(json::parse(FactsJson::Dump(object)), object);
    }
}

// A model too large for 32-bit sizes is saved as RF64: its "ds64" chunk comes
// first, with the sizes it will state.
TEST(FactsJson, AModelSavedAsRf64ListsItsDs64First) {
    WAVE_File wave;
    ChainBuilder chain(wave.FirstChunk);
    for (int i = 0; i < 2; ++i) {
        auto chunk = std::make_unique<RIFF_Chunk>();
        chunk->ChunkID = LittleEndian::FourCC("big ");
        chunk->ChunkSize = 0xFFFFFFF0;
        chain.Append(std::move(chunk));
    }
    std::ostringstream written;
    FactsJson::DocumentWriter writer(written);
    writer.AddWave(Facts::Describe(wave), "big.wav", json::object());
    writer.Finish();
    // "WAVE", a default "fmt " (8 + 18), an empty "data" (8), the two chunks,
    // "ds64" (8 + 28).
    EXPECT_EQ(json::parse(written.str())["files"][0]["wave"]["chunks"][0], json::parse(R"({"id":"ds64","size":28,
        "riff_size":8589934650,"data_size":0,"sample_count":0,"table":[]})"));
}

}  // namespace

// Every code stands in docs/snd_info.md's table, with its severity.
TEST(FactsJson, EveryFindingCodeIsDocumented) {
    std::ifstream file(std::string(SND_SOURCE_DIR) + "/docs/snd_info.md", std::ios::binary);
    const std::string docs((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(docs.empty());
    for (const Facts::FindingKind& kind : Facts::FindingKinds()) {
        const std::string row = "| `" + std::string(kind.name) + "` | " + std::string(Facts::SeverityName(kind.severity)) + " |";
        EXPECT_NE(docs.find(row), std::string::npos) << row;
    }
}

// A message made from its values: a unit's plural for all but 1, a reason
// only where there is one, codes and names escaped, numbers below 0.
TEST(FactsJson, FindingTextsFromTheirValues) {
    using Facts::Code;
    const struct {
        Code code;
        Facts::Values values;
        const char* text;
    } cases[] = {
        {Code::FactBeyondData, {{"fact", std::uint64_t{1}}, {"frames", std::uint64_t{0}}},
         "'fact' chunk counts 1 frame, the data holds 0"},
        {Code::FactBeyondData, {{"fact", std::uint64_t{11}}, {"frames", std::uint64_t{10}}},
         "'fact' chunk counts 11 frames, the data holds 10"},
        {Code::CannotOpen, {{"path", "a'b"}, {"reason", ""}}, "cannot open 'a'b'"},
        {Code::CannotOpen, {{"path", "x\x01"}, {"reason", "no such file"}}, "cannot open 'x\\x01': no such file"},
        {Code::ChunkSizeMismatch, {{"chunk", Facts::ChunkId(0x00617461)}, {"claimed", std::uint64_t{1}}, {"held", std::uint64_t{0}}},
         "'ata\\x00' chunk claims 1 byte, holds 0"},
        {Code::GroupOutside, {{"index", std::uint64_t{2}}, {"name", "a\"b"}, {"object", std::int64_t{-2}}},
         "export 2 \"a\\\"b\" is in object -2, outside the tables: it stands at the top level"},
        {Code::SoundPastTheEnd, {{"name", "G.\xFF"}}, "G.\\xFF: its bytes lie past the end of the file"},
        {Code::NoFormat, {}, "no 'fmt ' chunk: the format is not known"},
        {Code::Id3UnknownVersion, {{"chunk", "id3 "}, {"major", std::uint64_t{5}}},
         "'id3 ' chunk holds an ID3 tag of version 2.5, which is not read"},
        {Code::Id3SizeDamaged, {{"chunk", "id3 "}, {"part", "tag"}},
         "'id3 ' chunk: the size of the ID3 tag has a byte with its top bit set"},
        {Code::Id3TagPastChunk, {{"chunk", "ID3 "}, {"claimed", std::uint64_t{1}}, {"held", std::uint64_t{0}}},
         "'ID3 ' chunk: the ID3 tag claims 1 byte, the chunk holds 0 after its header"},
        {Code::Id3FramePastTag, {{"chunk", "id3 "}, {"part", "frame 'APIC'"}, {"claimed", std::uint64_t{9}}, {"held", std::uint64_t{2}}},
         "'id3 ' chunk: the ID3 frame 'APIC' claims 9 bytes, 2 are left in the tag"},
        {Code::Id3FrameIdDamaged, {{"chunk", "id3 "}, {"frame_id", "T\x1B["}},
         "'id3 ' chunk: the ID3 frames end at 'T\\x1B[', which is no frame id"},
        {Code::Id3UnknownEncoding, {{"chunk", "id3 "}, {"frame_id", "TIT2"}, {"encoding", std::uint64_t{4}}},
         "'id3 ' chunk: ID3 frame 'TIT2' has the text encoding 4, which is not known"},
        {Code::Id3UnpairedSurrogate, {{"chunk", "id3 "}, {"frame_id", "TPE1"}},
         "'id3 ' chunk: ID3 frame 'TPE1' holds UTF-16 text with an unpaired surrogate, shown as U+FFFD"},
    };
    for (const auto& c : cases) {
        const Facts::Finding finding = Facts::Make(c.code, c.values);
        EXPECT_EQ(finding.text, c.text);
        EXPECT_EQ(finding.severity, Facts::KindOf(c.code).severity);
    }
    EXPECT_EQ(FactsJson::FindingJson(Facts::Make(Code::GroupOutside, cases[5].values))["values"],
              json::parse(R"({"index": 2, "name": "a\"b", "object": -2})"));
}

// The WAVE model's messages kept as findings, each with its code; a tag's
// bytes from the file reach no console unescaped.
TEST(FactsJson, TheModelsMessagesTakeTheirCodes) {
    std::vector<Facts::Finding> findings;
    const Diagnostics::Sink sink = Intake::Collect(findings);
    for (const char* message : {"Not a valid WAVE file.", "Unknown Phoneme Tag: q\xFF", "Something else."}) sink(message);
    ASSERT_EQ(findings.size(), 3u);
    json codes = json::array();
    for (const Facts::Finding& finding : findings) codes.push_back(FactsJson::FindingJson(finding));
    EXPECT_EQ(codes, json::parse(R"([
        {"code": "not_valid_wave_model", "severity": "warning", "message": "Not a valid WAVE file.", "values": {}},
        {"code": "unknown_phoneme_tag", "severity": "warning", "message": "Unknown Phoneme Tag: q\\xFF",
         "values": {"tag": "q\ufffd", "tag_bytes": [113, 255]}},
        {"code": "model_message", "severity": "warning", "message": "Something else.", "values": {"message": "Something else."}}
    ])"));
}
