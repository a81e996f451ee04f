// The pieces of the facts that must hold for any stored bytes: the safe forms
// of names, texts and codes, the names a script can carry, the test for a
// sound that holds a WAVE file, and listings that hold one row at a time.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "facts/Escape.h"
#include "facts/Facts.h"
#include "facts/FactsJson.h"
#include "facts/FactsText.h"
#include "facts/Intake.h"
#include "facts/Source.h"
#include "wave/Audio.h"
#include "wave/ChunkIO.h"
#include "kit/PackageBuilder.h"
#include "kit/WaveBuilder.h"
#include "tests/common/AllocationProbe.h"
#include "tests/package/PackageFile.h"

namespace {

using namespace Escape;
using Facts::HoldsWave;
using Facts::IsSafeSoundName;
using namespace TestSupport;

TEST(Facts, OnlyWellFormedPrintableUtf8PassesThrough) {
    const struct {
        std::string stored, shown;
    } cases[] = {
        {"plain \"q\" \\ text", "plain \"q\" \\ text"},
        {"\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", "\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"},  // 2, 3 and 4 bytes
        {std::string("nul\0tab\tdel\x7F", 12), "nul\\x00tab\\x09del\\x7F"},
        {"\xC2\x9B[2J", "\\xC2\\x9B[2J"},                    // a C1 control (CSI)
        {"\xC2\x80\xC2\x9F|\xC2\xA0|", "\\xC2\\x80\\xC2\\x9F|\xC2\xA0|"},  // the C1 controls end at U+00A0
        {"~\x7F ", "~\\x7F "},
        {"\xC0\x80 \xE0\x80\x80", "\\xC0\\x80 \\xE0\\x80\\x80"},  // overlong
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},                 // a surrogate
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},        // beyond U+10FFFF
        {"\xE2\x82", "\\xE2\\x82"},                          // cut short at the end
        {"\xE2\x82" "A", "\\xE2\\x82A"},                     // cut short by the next character
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(Printable(c.stored), c.shown);
    }
    EXPECT_EQ(Quoted("say \"\\x41\""), "\"say \\\"\\\\x41\\\"\"");
    EXPECT_EQ(DisplayWidth(Printable("Caf\xC3\xA9\x01")), 8u);
}

TEST(Facts, CodesShowEveryStoredByte) {
    EXPECT_EQ(Code(0x20746D66u), "'fmt '");
    EXPECT_EQ(Code(0x00FF2701u), "'\\x01\\'\\xFF\\x00'");
    // A tag is zero-padded: it ends at its first NUL.
    EXPECT_EQ(Code(std::string_view("hh\0\0", 4)), "'hh'");
    EXPECT_EQ(Code(std::string_view("\\\0x", 3)), "'\\\\'");
}

TEST(Facts, SafeSoundNames) {
    // With ".wav" a file name may hold 255 bytes: 251 for the sound.
    const std::string longest(251, 'n');
    using Names = std::vector<std::string>;
    for (const std::string& name : Names{"Wind01", " Lead", "...", "a;b", "Gr\xC3\xBC\xC3\x9F" "e", "a.b", longest}) {
        EXPECT_TRUE(IsSafeSoundName(name)) << name;
    }
    for (const std::string& name :
         Names{"", ".", "..", "a/b", "a\\b", "c:d", "semi;", "cr\r", "del\x7F", longest + "n", std::string(255, 'n')}) {
        EXPECT_FALSE(IsSafeSoundName(name)) << Printable(name);
    }
    EXPECT_FALSE(IsSafeSoundName(std::string_view("a\0b", 3)));
}

// The listing and the export script hold no more than one row at a time: a
// table of thousands of exports costs them far less than the file's size.
TEST(Facts, ListingAndScriptHoldOneRowAtATime) {
    PackageBuilder b;
    for (int i = 0; i < 5000; ++i) b.AddSound("Sound" + std::to_string(i), "RIFF" + U32(4) + "WAVE");
    const std::string bytes = b.Build();
    PackageFile p(bytes);
    std::ostringstream sink;
    {
        AllocationProbe probe;
        std::size_t count = 0;
        Facts::ForEachScriptSound(*p, [&count](std::string_view, bool safe) { count += safe; });
        EXPECT_EQ(count, 5000u);
        EXPECT_LT(probe.PeakHeld(), bytes.size() / 4);
    }
    {
        std::ofstream null("/dev/null");
        AllocationProbe probe;
        FactsText::PrintPackage(*p, "p.kzs", {}, null);
        EXPECT_LT(probe.PeakHeld(), bytes.size() / 4);
    }
}

// Each export read is told, once, in order, to the listing's progress line;
// the text and the JSON listings alike.
TEST(Facts, ListingsTellHowManyExportsAreRead) {
    PackageBuilder b;
    b.AddSound("One", "RIFF" + U32(4) + "WAVE");
    b.AddSound("Two", "RIFF" + U32(4) + "WAVE");
    ExportEntry notASound;
    notASound.objectName = b.Name("Three");
    b.AddExport(notASound);
    PackageFile p(b.Build());
    using Told = std::vector<std::pair<std::size_t, std::size_t>>;
    const Told expected = {{1, 3}, {2, 3}, {3, 3}};
    Told told;
    FactsText::ListOptions options;
    options.progress = [&told](std::size_t done, std::size_t total) { told.emplace_back(done, total); };
    std::ostringstream text;
    FactsText::PrintPackage(*p, "p.kzs", options, text);
    EXPECT_EQ(told, expected);
    EXPECT_TRUE(text.str().starts_with("p.kzs: 2 sounds, 0:00.000, 24 bytes\n")) << text.str();
    told.clear();
    std::ostringstream json;
    FactsJson::DocumentWriter writer(json);
    writer.AddPackage(*p, "p.kzs", options.progress);
    EXPECT_EQ(told, expected);
}

TEST(Facts, HoldsWaveOnlyWithAWholeRiffHeaderInTheFile) {
    PackageBuilder b;
    b.AddSound("Whole", "RIFF" + U32(4) + "WAVE");
    b.AddSound("Avi", "RIFF" + U32(4) + "AVI ");
    b.AddSound("Tiny", "RIFF" + U32(4) + "WAVE", {0, 0, 0, 11, 0});  // WaveSize below a RIFF header
    b.AddSound("Cut", "RIFF" + U32(4) + "WA", {0, 0, 0, 12, 0});     // the file ends inside it
    const std::string bytes = b.Build();
    PackageFile p(bytes);
    const std::string expected[] = {"Whole", "", "", ""};
    for (std::size_t i = 0; i < p->Exports.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(HoldsWave(*p, p->Exports[i]), !expected[i].empty());
    }
    // A header cut by the end of the file, and data that lies beyond it.
    PackageBuilder cut;
    cut.AddSound("Header", "RIFF" + U32(4) + "WAVE", {0, 0, 0, 12, 5});
    std::string shortened = cut.Build();
    shortened.resize(cut.ObjectOffsets[0] + 4);
    PackageFile q(shortened);
    ASSERT_EQ(q->Exports.size(), 1u);
    EXPECT_FALSE(HoldsWave(*q, q->Exports[0]));
    KZ_Export_Element beyond = q->Exports[0];
    beyond.DataOffset = 1 << 30;
    EXPECT_FALSE(HoldsWave(*q, beyond));
}

// Opening a FILE: what it is taken for by its first bytes, why one is
// refused (the text after its quoted path), and what each kind loads. A
// package's tables are read once, also those of one that fails.
TEST(Facts, ASourceIsAWaveFileAPackageOrSaysWhyNot) {
    using Kind = Facts::Source::Kind;
    const TempDir dir;
    PackageBuilder b;
    b.AddSound("One", TestSupport::PcmWave({1, 2}));
    b.AddSound("Odd", "RIFF" + U32(4) + "AVI ");
    const std::string begins = ": it begins with 3C 21 44 4F 43 54 59 50 45 20 68 74 (\"<!DOCTYPE ht\")";
    const std::string bigEndian = " is not a valid WAVE file: big-endian RIFX files are not supported";
    const struct {
        const char* name;
        std::string bytes;
        Kind kind;
        std::uint64_t packagesRead;
        std::string refusal, asWave;  // Refusal() and Refusal(true)
    } cases[] = {
        {"w.wav", WaveBuilder::PcmWave(1, 8000, 16, 4), Kind::Wave, 0, "", ""},
        {"p.kzs", b.Build(), Kind::Package, 1, "", ""},
        {"d.wav", "RIFF" + U32(4) + "AVI ", Kind::Refused, 0, " is not a valid WAVE file", " is not a valid WAVE file"},
        {"x.wav", "RIFX" + U32(4) + "WAVE", Kind::Refused, 0, bigEndian, bigEndian},
        {"j.kzs", "<!DOCTYPE html>", Kind::Refused, 1,
         " is neither a WAVE file nor a readable sound package" + begins, " is not a valid WAVE file" + begins},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = (dir.Path() / c.name).string();
        WriteFile(path, c.bytes);
        const std::uint64_t read = Facts::Source::PackagesRead();
        const auto source = Facts::Source::Open(path);
        EXPECT_EQ(source->GetKind(), c.kind);
        EXPECT_EQ(Facts::Source::PackagesRead(), read + c.packagesRead);
        if (c.kind == Kind::Refused) {
            EXPECT_EQ(source->Refusal().text, "'" + path + "'" + c.refusal);
            EXPECT_EQ(source->Refusal(true).text, "'" + path + "'" + c.asWave);
        }
        std::vector<Facts::Finding> findings;
        const auto sink = Intake::Collect(findings);
        // Each kind loads its own models only; a WAVE file each time from its first byte.
        for (int load = 0; load < 2; ++load) {
            const auto wave = source->LoadWave(Intake::Load::HeadersOnly, sink);
            EXPECT_EQ(wave != nullptr, c.kind == Kind::Wave);
            if (wave) {
                EXPECT_EQ(wave->CalcSize(), c.bytes.size());
            }
        }
        EXPECT_EQ(source->LoadSound(0, Intake::Load::HeadersOnly, sink) != nullptr, c.kind == Kind::Package);
        EXPECT_EQ(source->LoadSound(1, Intake::Load::HeadersOnly, sink), nullptr);  // no RIFF WAVE image
        EXPECT_EQ(source->LoadSound(2, Intake::Load::HeadersOnly, sink), nullptr);  // no such export
        EXPECT_TRUE(findings.empty());
        if (c.kind == Kind::Package) {
            EXPECT_EQ(&source->Groups(), &source->Groups());
        }
    }
    // Read as a package whatever it begins with, as extraction reads it.
    const auto wave = Facts::Source::OpenPackage((dir.Path() / "w.wav").string());
    EXPECT_EQ(wave->GetKind(), Kind::Refused);
    EXPECT_EQ(wave->WhyNotPackage().substr(0, 26), "it begins with 52 49 46 46");
    EXPECT_EQ(Facts::Source::OpenPackage((dir.Path() / "p.kzs").string())->GetKind(), Kind::Package);
    const std::string missing = (dir.Path() / "m.kzs").string();
    EXPECT_EQ(Facts::Source::Open(missing)->Refusal().text.rfind("cannot open '" + missing + "'", 0), 0u);
}

// The page asks for a sound by its export index: one past the table is no
// sound, and the document says so.
TEST(Facts, ASoundByIndexWithinTheTableOnly) {
    PackageBuilder b;
    b.AddSound("One", "RIFF" + U32(4) + "WAVE");
    PackageFile p(b.Build());
    EXPECT_EQ(Intake::SoundJson(*p, 0, "p.kzs")["type"], "wave");
    const auto beyond = Intake::SoundJson(*p, 1, "p.kzs");
    EXPECT_EQ(beyond["type"], "error");
    EXPECT_EQ(beyond["errors"][0]["message"], "no export 1 in package 'p.kzs'");
    EXPECT_EQ(beyond["errors"][0]["code"], "no_export");
}

// A model a 32-bit size cannot state is shown as it is saved: as RF64, its
// "ds64" first, every size in 64 bits. (A chunk that only claims a large
// size stands for a large body, so that nothing large is held.)
TEST(Facts, AModelBeyondFourGiBShowsItsDs64) {
    WAVE_File wave;
    auto big = std::make_unique<RIFF_Chunk>();
    big->ChunkID = LittleEndian::FourCC("big ");
    big->ChunkSize = 0xFFFFFFF0;
    wave.FirstChunk = std::move(big);
    const Facts::Wave facts = Facts::Describe(wave);
    ASSERT_TRUE(std::holds_alternative<Facts::Ds64Chunk>(facts.chunks.front()));
    const auto& ds64 = std::get<Facts::Ds64Chunk>(facts.chunks.front());
    EXPECT_EQ(ds64.riffSize, facts.riffSize);
    EXPECT_GT(facts.riffSize, 0xFFFFFFFFu);
    std::ostringstream text;
    FactsText::PrintWave(facts, "big.wav", text);
    EXPECT_NE(text.str().find("'ds64' 28 bytes\n  RIFF size: " + std::to_string(facts.riffSize) +
                              ", data size: 0, sample count: 0\n"),
              std::string::npos)
        << text.str();
}

// A chunk kind added through the registry alone, a class and a row: loaded
// (a body short of its fixed fields stays raw), shown as text and JSON by
// the fields it describes, edited and saved.
class Mark_Chunk : public RIFF_Chunk {  // "mrk!": u16 level, then a name
public:
    std::uint16_t Level = 0;
    std::string Name;

    void LoadData(std::istream& in) override {
        RIFF_Chunk::LoadData(in);
        ChunkIO::ChunkBody body(in, ChunkSize);
        LittleEndian::Read(body.Stream(), Level);
        body.ReadRest(Name);
        body.Realign();
    }
    void SaveData(std::ostream& out) override {
        RIFF_Chunk::SaveData(out);
        LittleEndian::Write(out, Level);
        out << Name;
        WritePad(out);
    }
    std::uint32_t CalcSize() override {
        ChunkSize = static_cast<std::uint32_t>(2 + Name.size());
        return StoredLength();
    }
    ChunkKind Kind() const override { return ChunkKind::Described; }
    std::vector<ChunkField> Describe() const override { return {{"level", Level}, {"name", Name}}; }
};

TEST(Facts, AChunkKindAddedThroughTheRegistryAlone) {
    using namespace WaveBuilder;
    const std::uint32_t id = LittleEndian::FourCC("mrk!");
    ChunkRegistry::Add({id, ChunkScope::File, 2, []() -> std::unique_ptr<RIFF_Chunk> { return std::make_unique<Mark_Chunk>(); }});
    struct Unregister {
        std::uint32_t id;
        ~Unregister() { ChunkRegistry::Remove(id, ChunkScope::File); }
    } unregister{id};
    const std::string head = PcmFmt(1, 8000, 8) + Chunk("data", "ab");
    const std::string bytes = Riff(head + Chunk("mrk!", WaveBuilder::U16(3) + "bell") + Chunk("mrk!", "x"));
    std::istringstream in(bytes);
    WAVE_File wave;
    wave.LoadData(in);
    ASSERT_NE(wave.FirstChunk, nullptr);
    EXPECT_EQ(wave.FirstChunk->Kind(), ChunkKind::Described);
    EXPECT_EQ(wave.FirstChunk->GetNextChunk()->Kind(), ChunkKind::Raw);  // too short for its level
    std::ostringstream saved;
    wave.SaveData(saved);
    EXPECT_EQ(saved.str(), bytes);

    auto& mark = static_cast<Mark_Chunk&>(*wave.FirstChunk);
    mark.Level = 0x1234;
    mark.Name = "gong!";  // odd: padded
    const Facts::Wave facts = Facts::Describe(wave);
    std::ostringstream text;
    FactsText::PrintWave(facts, "in.wav", text);
    EXPECT_NE(text.str().find("'mrk!' 7 bytes\n  level: 4660\n  name: \"gong!\"\n'mrk!' 1 byte, not interpreted\n"),
              std::string::npos)
        << text.str();
    std::ostringstream json;
    FactsJson::DocumentWriter writer(json);
    writer.AddWave(facts, "in.wav", nlohmann::ordered_json::object());
    writer.Finish();
    EXPECT_EQ(nlohmann::ordered_json::parse(json.str())["files"][0]["wave"]["chunks"][2],
              nlohmann::ordered_json::parse(R"({"id":"mrk!","size":7,"level":4660,"name":"gong!"})"));
    saved.str("");
    wave.SaveData(saved);
    EXPECT_EQ(saved.str(), Riff(head + Chunk("mrk!", WaveBuilder::U16(0x1234) + "gong!") + Chunk("mrk!", "x")));

    // A kind added for the file's level is not looked for inside a list.
    std::istringstream listed(Riff(head + Chunk("LIST", "adtl" + Chunk("mrk!", WaveBuilder::U16(3) + "bell"))));
    wave.LoadData(listed);
    ASSERT_EQ(wave.FirstChunk->Kind(), ChunkKind::List);
    EXPECT_EQ(static_cast<LIST_Chunk&>(*wave.FirstChunk).FirstSubChunk->Kind(), ChunkKind::Raw);

    ChunkRegistry::Remove(id, ChunkScope::File);
    std::istringstream again(bytes);
    wave.LoadData(again);
    EXPECT_EQ(wave.FirstChunk->Kind(), ChunkKind::Raw);
}

// The listing walks a sound's chunks only as far as its audio facts need:
// whatever the chunks' order, it says what the whole sound says.
TEST(Facts, ListingAgreesWithTheWholeSoundInAnyChunkOrder) {
    using WaveBuilder::Chunk, WaveBuilder::PcmFmt, WaveBuilder::Riff;
    const std::string pcm = Chunk("data", std::string(40, 'p'));  // 10 frames of 16-bit stereo
    const std::string ima = Chunk("fmt ", U16(0x11) + U16(1) + U32(8000) + U32(4055) + U16(36) + U16(4) + U16(2) + U16(65));
    const std::string blocks = Chunk("data", std::string(72, 'a'));  // 2 blocks, 130 frames
    const std::string fact = Chunk("fact", U32(100));
    const struct {
        const char* what;
        std::string wave;
        std::uint64_t frames;
    } cases[] = {
        {"fmt, data", Riff(PcmFmt(2, 8000, 16) + pcm), 10},
        {"data before fmt", Riff(pcm + PcmFmt(2, 8000, 16)), 10},
        {"ADPCM: fact before data", Riff(ima + fact + blocks), 100},
        {"ADPCM: fact after data", Riff(ima + blocks + fact), 100},
        {"ADPCM: data before fmt and fact", Riff(blocks + ima + fact), 100},
        {"ADPCM: an empty fact, then one", Riff(ima + Chunk("fact", "") + blocks + fact), 130},
    };
    PackageBuilder b;
    for (const auto& c : cases) b.AddSound(c.what, c.wave);
    PackageFile p(b.Build());
    Facts::ExportReader reader(*p);
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].what);
        std::istringstream in(cases[i].wave);
        WAVE_File wave;
        wave.LoadData(in);
        const Facts::Audio whole = Facts::Describe(wave).audio;
        const Facts::Audio listed = reader.Read(i).audio;
        EXPECT_EQ(whole.frames, cases[i].frames);
        EXPECT_EQ(listed.frames, whole.frames);
        EXPECT_EQ(listed.formatTag, whole.formatTag);
        EXPECT_EQ(listed.dataBytes, whole.dataBytes);
    }
}

}  // namespace

namespace {

// A "bext" body of `size` bytes: description "News", a time reference of
// `samples`, version 0, the coding history "H" from byte 602 on.
std::string BextBody(std::size_t size, std::uint32_t samples) {
    std::string body(size, '\0');
    body.replace(0, 4, "News");
    if (size >= 342) body.replace(338, 4, WaveBuilder::U32(samples));
    if (size > 602) body[602] = 'H';
    return body;
}

// A "cart" body: version 0101, title "Rain", a level reference of -1, the
// last post timer "EOD " 7.
std::string CartBody() {
    std::string body(2048, '\0');
    body.replace(0, 8, "0101Rain");
    body.replace(680, 4, WaveBuilder::U32(0xFFFFFFFF));
    body.replace(684 + 7 * 8, 8, "EOD" + std::string(1, '\0') + WaveBuilder::U32(7));
    return body;
}

// The metadata chunks as Snd_Info shows them: the broadcast extension's time
// reference also as a clock time where the rate is known; a body short of
// its fixed fields, raw with a finding; a long text cut in the text only.
TEST(Facts, MetadataChunksShownAsTextAndJson) {
    using WaveBuilder::Chunk, WaveBuilder::PcmFmt, WaveBuilder::Riff;
    const std::string fields = R"("description":"News","originator":"","originator_reference":"","date":"","time":"",)";
    const std::string longXml = std::string(1023, 'x') + "\xC3\xA9" + std::string(1975, 'y');
    const std::string id3 = WaveBuilder::Id3v2Tag(4, 0, WaveBuilder::Id3Frame(4, "TIT2", std::string("\0Rain", 5)) +
                                                            WaveBuilder::Id3Frame(4, "TXXX", std::string("\0a\1\0b", 5)));
    std::string id3Past = WaveBuilder::Id3v2Tag(4, 0, WaveBuilder::Id3Frame(4, "TIT2", std::string("\2\xD8\0", 3)) + "ab\1c");
    id3Past.replace(6, 4, WaveBuilder::Syncsafe(1000));
    const std::string id3v25 = WaveBuilder::Id3v2Tag(5, 0, "");
    std::string id3SizeDamaged = WaveBuilder::Id3v2Tag(3, 0, "TIT2" + std::string("\0\0\0\x32\0\0\0a", 8));
    id3SizeDamaged[6] = '\x80';
    const std::string oddUtf16 =
        WaveBuilder::Id3v2Tag(3, 0, WaveBuilder::Id3Frame(3, "TIT2", std::string("\1\xFF\xFE" "a\0b", 6)));
    const struct {
        const char* what;
        std::string wave;
        std::string text;
        std::string json;  // the chunk's object
        std::string finding;
    } cases[] = {
        {"with a rate", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("bext", BextBody(603, 8000 * 61 + 8))),
         "'bext' 603 bytes\n  description: \"News\"\n  originator: \"\"\n  originator_reference: \"\"\n  date: \"\"\n"
         "  time: \"\"\n  time_reference: 488008\n  time_reference_time: \"1:01.001\"\n  version: 0\n"
         "  coding_history: \"H\"\n",
         R"({"id":"bext","size":603,)" + fields +
             R"("time_reference":488008,"time_reference_time":"1:01.001","version":0,"coding_history":"H"})",
         ""},
        {"without a format", Riff(Chunk("data", "ab") + Chunk("bext", BextBody(602, 7))),
         "  time_reference: 7\n  version: 0\n",
         R"({"id":"bext","size":602,)" + fields + R"("time_reference":7,"version":0,"coding_history":""})",
         "no 'fmt ' chunk: the format is not known"},
        {"too short", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("bext", BextBody(100, 7))),
         "'bext' 100 bytes, not interpreted\n", R"({"id":"bext","size":100})",
         "'bext' is 100 bytes, shorter than its 602 fixed bytes"},
        {"a loop", Riff(Chunk("data", "ab") + Chunk("acid", U32(2) + U16(48) + U16(0) + U32(0) + U32(8) + U16(8) +
                                                            U16(6) + WaveBuilder::F32(96.5f))),
         "'acid' 24 bytes\n  type: \"loop\"\n  root_note: 48\n  beats: 8\n  meter: \"6/8\"\n  tempo: \"96.5\"\n",
         R"({"id":"acid","size":24,"type":"loop","root_note":48,"beats":8,"meter":"6/8","tempo":"96.5"})",
         "no 'fmt ' chunk: the format is not known"},
        {"a short loop", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("acid", std::string(23, '\0'))),
         "'acid' 23 bytes, not interpreted\n", R"({"id":"acid","size":23})",
         "'acid' is 23 bytes, shorter than its 24 fixed bytes"},
        {"a cart", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("cart", CartBody())),
         "'cart' 2048 bytes\n  version: \"0101\"\n  title: \"Rain\"\n",
         R"({"id":"cart","size":2048,"version":"0101","title":"Rain","artist":"","cut_id":"","client_id":"",)"
         R"("category":"","classification":"","out_cue":"","start":"","end":"","producer_app_id":"",)"
         R"("producer_app_version":"","user_def":"","level_reference":"-1","post_timer_8":"EOD 7","url":"",)"
         R"("tag_text":""})",
         ""},
        {"a short cart", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("cart", CartBody().substr(1))),
         "'cart' 2047 bytes, not interpreted\n", R"({"id":"cart","size":2047})",
         "'cart' is 2047 bytes, shorter than its 2048 fixed bytes"},
        {"an iXML", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("iXML", std::string("<BWFXML/>\0\0\0", 12))),
         "'iXML' 12 bytes\n  xml: \"<BWFXML/>\"\n", R"({"id":"iXML","size":12,"xml":"<BWFXML/>"})", ""},
        // Cut before the character that would end past 1024 bytes.
        {"a long axml", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("axml", longXml)),
         "'axml' 3000 bytes\n  xml: \"" + longXml.substr(0, 1023) + "\" ... (3000 bytes)\n",
         R"({"id":"axml","size":3000,"xml":")" + longXml + R"("})", ""},
        // A user text's name from the file, escaped in the text.
        {"an ID3 tag", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("id3 ", id3)),
         "'id3 ' 40 bytes\n  version: \"2.4.0\"\n  title: \"Rain\"\n  TXXX a\\x01: \"b\"\n",
         R"({"id":"id3 ","size":40,"version":"2.4.0","title":"Rain","TXXX a\u0001":"b"})", ""},
        {"a damaged ID3 tag", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("ID3 ", oddUtf16)),
         "'ID3 ' 26 bytes\n  version: \"2.3.0\"\n  title: \"a\"\n",
         R"({"id":"ID3 ","size":26,"version":"2.3.0","title":"a"})",
         "'ID3 ' chunk: ID3 frame 'TIT2' holds UTF-16 text of 3 bytes, an odd count: the last byte is left out"},
        {"no ID3 tag", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("id3 ", "TAG1")), "'id3 ' 4 bytes\n",
         R"({"id":"id3 ","size":4})", "'id3 ' chunk does not begin with an ID3 tag: not read"},
        // Each kind of damage once, in the order found.
        {"an ID3 tag past its chunk, damaged within", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("id3 ", id3Past)),
         "'id3 ' 27 bytes\n  version: \"2.4.0\"\n", R"({"id":"id3 ","size":27,"version":"2.4.0","title":"\uFFFD"})",
         "'id3 ' chunk: the ID3 tag claims 1000 bytes, the chunk holds 17 after its header"
         "'id3 ' chunk: ID3 frame 'TIT2' holds UTF-16 text with an unpaired surrogate, shown as U+FFFD"
         "'id3 ' chunk: the ID3 frames end at 'ab\\x01c', which is no frame id"},
        {"an ID3 tag of version 2.5", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("id3 ", id3v25)),
         "'id3 ' 10 bytes\n  version: \"2.5.0\"\n", R"({"id":"id3 ","size":10,"version":"2.5.0"})",
         "'id3 ' chunk holds an ID3 tag of version 2.5, which is not read"},
        {"an ID3 tag size damaged, a frame past the tag",
         Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("id3 ", id3SizeDamaged)),
         "'id3 ' 22 bytes\n  version: \"2.3.0\"\n  title: \"a\"\n", R"({"id":"id3 ","size":22,"version":"2.3.0","title":"a"})",
         "'id3 ' chunk: the size of the ID3 tag has a byte with its top bit set"
         "'id3 ' chunk: the ID3 frame 'TIT2' claims 50 bytes, 2 are left in the tag"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream in(c.wave);
        WAVE_File wave;
        wave.LoadData(in);
        const Facts::Wave facts = Facts::Describe(wave);
        std::ostringstream text;
        FactsText::PrintWave(facts, "in.wav", text);
        EXPECT_NE(text.str().find(c.text), std::string::npos) << text.str();
        std::ostringstream json;
        FactsJson::DocumentWriter writer(json);
        writer.AddWave(facts, "in.wav", nlohmann::ordered_json::object());
        writer.Finish();
        EXPECT_EQ(nlohmann::ordered_json::parse(json.str())["files"][0]["wave"]["chunks"].back(),
                  nlohmann::ordered_json::parse(c.json));
        std::string findings;
        for (const Facts::Finding& finding : facts.findings) findings += finding.text;
        EXPECT_EQ(findings, c.finding);
    }
}

}  // namespace
