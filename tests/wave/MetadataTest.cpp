// The metadata chunks ("bext", "acid", "cart", "iXML", "axml"): loaded
// through the registry from stored bytes, damaged ones too, shown field by
// field, saved as they came, and edited one field at a time.
#include <gtest/gtest.h>

#include <limits>
#include <sstream>

#include "tests/wave/WaveTestUtil.h"
#include "wave/Acid.h"
#include "wave/Bext.h"
#include "wave/Cart.h"
#include "wave/ChunkRegistry.h"
#include "wave/XmlChunk.h"

namespace {

using namespace WaveBuilder;
using WaveTest::AfterID;
using WaveTest::Rest;
using WaveTest::Saved;

std::string Field(std::string text, std::size_t width) {
    text.resize(width, '\0');
    return text;
}

// Texts, a time reference of 2^32 + 16, `version`, a UMID of `umid` bytes,
// loudness -2300, 700, -150, -1800, -2000, then the coding history.
std::string BextBody(const std::string& description, std::uint16_t version, char umid, const std::string& history) {
    return Field(description, 256) + Field("Originator\xE9", 32) + Field("REF-1", 32) + "2024-05-06" + "07:08:09" +
           U32(16) + U32(1) + U16(version) + std::string(64, umid) + U16(0xF704) + U16(700) + U16(0xFF6A) +
           U16(0xF8F8) + U16(0xF830) + std::string(180, '\0') + history;
}

// Root note 60, reserved fields that are not zero, 16 beats in 3/4.
std::string AcidBody(std::uint32_t flags, float tempo) {
    return U32(flags) + U16(60) + U16(0xABCD) + U32(0x01020304) + U32(16) + U16(4) + U16(3) + F32(tempo);
}

// Dates, a level reference of -20000, timers 1 and 3 used, then the tags.
std::string CartBody(const std::string& title, const std::string& tags) {
    std::string texts = Field("0101", 4) + Field(title, 64) + Field("Artist\xFF", 64);
    for (const char* text : {"CUT7", "", "NEWS", "", "out"}) texts += Field(text, 64);
    texts += "2024-05-06" + Field("", 8) + "2024-06-01" + "23:59:59" + Field("Playout", 64) + Field("2.1", 64) +
             Field("", 64) + U32(static_cast<std::uint32_t>(-20000));
    const std::string timers = Field("SEC1" + U32(12000) + std::string(8, '\0') + "EOD" + '\0' + U32(99), 64);
    return texts + timers + std::string(276, 'r') + Field("http://x.example/c", 1024) + tags;
}

std::string Shown(const std::vector<ChunkField>& fields) {
    std::string text;
    for (const ChunkField& field : fields) {
        const auto* number = std::get_if<std::uint64_t>(&field.value);
        text += field.name + '=' + (number ? std::to_string(*number) : std::get<std::string>(field.value)) + ';';
    }
    return text;
}

std::unique_ptr<RIFF_Chunk> Loaded(const std::string& stored, std::istringstream& in) {
    in = AfterID(stored + "NEXT");
    return ChunkRegistry::Load(LittleEndian::FromBytes<std::uint32_t>(stored.data()), in, ChunkScope::File);
}

TEST(MetadataChunks, LoadShowAndSaveAsStored) {
    const std::string umid = [] {
        std::string hex;
        for (int n = 0; n < 64; ++n) hex += "1f";
        return hex;
    }();
    const std::string loudness = "loudness_value=-23.00;loudness_range=7.00;max_true_peak_level=-1.50;"
                                 "max_momentary_loudness=-18.00;max_short_term_loudness=-20.00;";
    const std::string cart =
        "version=0101;title=Rain;artist=Artist\xFF;cut_id=CUT7;client_id=;category=NEWS;classification=;out_cue=out;"
        "start=2024-05-06;end=2024-06-01 23:59:59;producer_app_id=Playout;producer_app_version=2.1;user_def=;"
        "level_reference=-20000;post_timer_1=SEC1 12000;post_timer_3=EOD 99;url=http://x.example/c;";
    const std::string nulAndMore("h\0junk", 6);
    const struct Case {
        const char* what;
        const char* id;
        std::string body;
        std::string shown;  // a part of what Describe gives; empty: kept raw
    } cases[] = {
        {"bext: the fixed bytes alone", "bext", BextBody("Take 1", 0, '\0', ""),
         "description=Take 1;originator=Originator\xE9;originator_reference=REF-1;date=2024-05-06;time=07:08:09;"
         "time_reference=4294967312;version=0;coding_history=;"},
        {"bext: one byte short", "bext", BextBody("x", 0, '\0', "").substr(0, 601), ""},
        {"bext: an odd history, padded", "bext", BextBody("x", 0, '\0', "A"), "version=0;coding_history=A;"},
        {"bext: a history up to its NUL", "bext", BextBody("x", 0, '\0', nulAndMore), "coding_history=h;"},
        {"bext: a description without NUL", "bext", BextBody(std::string(256, 'd'), 0, '\0', ""),
         "description=" + std::string(256, 'd') + ";originator="},
        {"bext: version 1, a UMID of zeros", "bext", BextBody("x", 1, '\0', ""), "version=1;coding_history=;"},
        {"bext: version 1, a UMID", "bext", BextBody("x", 1, '\x1F', ""), "version=1;umid=" + umid + ";coding_"},
        {"bext: version 2", "bext", BextBody("x", 2, '\0', "CH"), "version=2;" + loudness + "coding_history=CH;"},
        {"acid: a loop", "acid", AcidBody(0, 120.0f), "type=loop;beats=16;meter=3/4;tempo=120;"},
        {"acid: a one-shot with its root note", "acid", AcidBody(acid_Chunk::kOneShot | acid_Chunk::kRootNoteSet, 92.5f),
         "type=one-shot;root_note=60;beats=16;meter=3/4;tempo=92.5;"},
        {"acid: a root note, 3 decimals", "acid", AcidBody(acid_Chunk::kRootNoteSet | acid_Chunk::kStretch, 128.125f),
         "type=loop;root_note=60;beats"},
        {"acid: a tempo past 3 decimals", "acid", AcidBody(acid_Chunk::kDiskBased, 99.99996f), "tempo=100;"},
        {"acid: a slow negative tempo, a leading zero kept", "acid", AcidBody(0, -0.05f), "tempo=-0.05;"},
        {"acid: no tempo a number can show", "acid", AcidBody(0, std::numeric_limits<float>::quiet_NaN()), "tempo=nan;"},
        {"acid: a tempo too large for thousandths", "acid", AcidBody(0, 1.0e13f), "tempo=9999999827968;"},
        {"acid: one byte short", "acid", AcidBody(0, 1.0f).substr(0, 23), ""},
        {"acid: an odd rest, padded", "acid", AcidBody(0, 60.25f) + "x", "tempo=60.25;"},
        {"cart: the fixed bytes alone", "cart", CartBody("Rain", ""), cart + "tag_text=;"},
        {"cart: one byte short", "cart", CartBody("Rain", "").substr(0, 2047), ""},
        {"cart: an odd tag text, padded", "cart", CartBody("Rain", "<t/>" + nulAndMore + "x"), "tag_text=<t/>h;"},
        {"cart: a title without NUL", "cart", CartBody(std::string(64, 't'), ""), "title=" + std::string(64, 't') + ";a"},
        {"iXML: NUL-padded, old text after the NUL", "iXML", std::string("<BWFXML/>\0\0<OLD>\0", 17), "xml=<BWFXML/>;"},
        {"axml: an odd size, padded", "axml", "<core>\xC3\xA9</core>", "xml=<core>\xC3\xA9</core>;"},
        {"iXML: an empty body", "iXML", "", "xml=;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string stored = Chunk(c.id, c.body);
        std::istringstream in;
        auto chunk = Loaded(stored, in);
        EXPECT_EQ(Rest(in), "NEXT");
        ASSERT_EQ(chunk->Kind(), c.shown.empty() ? ChunkKind::Raw : ChunkKind::Described);
        EXPECT_EQ(Saved(*chunk), stored);
        if (c.shown.empty()) continue;
        EXPECT_EQ(chunk->HeldBytes(), c.body.size());
        EXPECT_NE(Shown(chunk->Describe()).find(c.shown), std::string::npos) << Shown(chunk->Describe());
    }
}

// A field set in code changes its own bytes and no others; an XML chunk's
// text is its whole body.
TEST(MetadataChunks, AnEditedFieldChangesOnlyItsBytes) {
    const std::string bext = BextBody(std::string(256, 'd'), 2, '\x55', std::string("history\0after", 13));
    const std::string cart = CartBody("Rain", "tags");
    const std::string acid = AcidBody(0, 120.0f);
    const std::string xml("<a/>\0\0", 6);
    const struct {
        const char* id;
        const std::string& body;
        void (*edit)(RIFF_Chunk&);
        std::size_t at;
        std::string bytes;
    } edits[] = {
        {"bext", bext, [](RIFF_Chunk& c) { dynamic_cast<bext_Chunk&>(c).Description.Set("new"); }, 0, Field("new", 256)},
        {"bext", bext, [](RIFF_Chunk& c) { dynamic_cast<bext_Chunk&>(c).OriginationTime.Set("23:59:59 and on"); }, 330,
         "23:59:59"},
        {"bext", bext, [](RIFF_Chunk& c) { dynamic_cast<bext_Chunk&>(c).TimeReferenceHigh = 0x01020304; }, 342,
         U32(0x01020304)},
        {"bext", bext, [](RIFF_Chunk& c) { dynamic_cast<bext_Chunk&>(c).MaxShortTermLoudness = -1; }, 420, U16(0xFFFF)},
        {"acid", acid, [](RIFF_Chunk& c) { dynamic_cast<acid_Chunk&>(c).MeterNumerator = 7; }, 18, U16(7)},
        {"acid", acid, [](RIFF_Chunk& c) { dynamic_cast<acid_Chunk&>(c).Tempo = 140.0f; }, 20, F32(140.0f)},
        {"cart", cart, [](RIFF_Chunk& c) { dynamic_cast<cart_Chunk&>(c).Title.Set("Snow"); }, 4, "Snow"},
        {"cart", cart, [](RIFF_Chunk& c) { dynamic_cast<cart_Chunk&>(c).PostTimers[2].Value = 0x01020304; }, 704,
         U32(0x01020304)},
        {"cart", cart, [](RIFF_Chunk& c) { dynamic_cast<cart_Chunk&>(c).URL.Set(""); }, 1024, std::string(1024, '\0')},
        // The whole body: a longer text, of an odd size.
        {"iXML", xml, [](RIFF_Chunk& c) { dynamic_cast<xml_Chunk&>(c).Text = "<BWFXML/>"; }, 0, "<BWFXML/>"},
    };
    for (const auto& e : edits) {
        SCOPED_TRACE(std::string(e.id) + " at " + std::to_string(e.at));
        std::istringstream in;
        auto chunk = Loaded(Chunk(e.id, e.body), in);
        e.edit(*chunk);
        std::string expected = e.body;
        expected.replace(e.at, e.bytes.size(), e.bytes);
        EXPECT_EQ(Saved(*chunk), Chunk(e.id, expected));
    }
}

}  // namespace
