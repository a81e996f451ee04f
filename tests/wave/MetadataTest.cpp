// The metadata chunks ("bext", "acid", "cart"): loaded through the registry from stored
// bytes, damaged ones too, shown field by field, and saved as they came.
#include <gtest/gtest.h>

#include <sstream>

#include "tests/wave/WaveTestUtil.h"
#include "wave/Acid.h"
#include "wave/Bext.h"
#include "wave/Cart.h"
#include "wave/ChunkRegistry.h"

namespace {

using namespace WaveBuilder;
using WaveTest::AfterID;
using WaveTest::Rest;
using WaveTest::Saved;

const std::string kNext = "NEXT";

std::string Field(std::string text, std::size_t width) {
    text.resize(width, '\0');
    return text;
}

// A "bext" body: its texts, time reference, version, a UMID of `umid`
// bytes, loudness -2300, 700, -150, -1800, -2000, then `history`.
std::string BextBody(const std::string& description, std::uint16_t version, char umid, const std::string& history) {
    return Field(description, 256) + Field("Originator\xE9", 32) + Field("REF-1", 32) + "2024-05-06" + "07:08:09" +
           U32(0x00000010) + U32(0x00000001) + U16(version) + std::string(64, umid) + U16(0xF704) + U16(700) +
           U16(0xFF6A) + U16(0xF8F8) + U16(0xF830) + std::string(180, '\0') + history;
}

std::string Shown(const std::vector<ChunkField>& fields) {
    std::string text;
    for (const ChunkField& field : fields) {
        text += field.name + '=';
        if (const auto* number = std::get_if<std::uint64_t>(&field.value)) {
            text += std::to_string(*number);
        } else {
            text += std::get<std::string>(field.value);
        }
        text += ';';
    }
    return text;
}

std::unique_ptr<RIFF_Chunk> Loaded(const std::string& stored, std::istringstream& in) {
    in = AfterID(stored + kNext);
    std::uint32_t id = LittleEndian::FromBytes<std::uint32_t>(stored.data());
    return ChunkRegistry::Load(id, in, ChunkScope::File);
}

TEST(BextChunk, LoadsShowsAndSavesAsStored) {
    const std::string base = "time_reference=4294967312;";  // high word 1, low word 16
    const struct Case {
        const char* what;
        std::string body;
        bool described;
        std::string shown;  // a part of what Describe gives
    } cases[] = {
        {"the fixed bytes alone", BextBody("Take 1", 0, '\0', ""), true,
         "description=Take 1;originator=Originator\xE9;originator_reference=REF-1;date=2024-05-06;time=07:08:09;" +
             base + "version=0;coding_history=;"},
        {"one byte short: raw", BextBody("x", 0, '\0', "").substr(0, 601), false, ""},
        {"an odd history, padded", BextBody("x", 0, '\0', "A"), true, "version=0;coding_history=A;"},
        {"a history up to its NUL", BextBody("x", 0, '\0', std::string("h\0junk", 6)), true, "coding_history=h;"},
        {"a description without NUL", BextBody(std::string(256, 'd'), 0, '\0', std::string("h\0junk", 6)), true,
         "description=" + std::string(256, 'd') + ";originator=Originator\xE9;"},
        {"version 1, a UMID of zeros", BextBody("x", 1, '\0', ""), true, "version=1;coding_history=;"},
        {"version 1, a UMID", BextBody("x", 1, '\x1F', ""), true, "version=1;umid=" + [] {
             std::string hex;
             for (int n = 0; n < 64; ++n) hex += "1f";
             return hex;
         }() + ";coding_history="},
        {"version 2, loudness", BextBody("x", 2, '\0', "CH"), true,
         "version=2;loudness_value=-23.00;loudness_range=7.00;max_true_peak_level=-1.50;"
         "max_momentary_loudness=-18.00;max_short_term_loudness=-20.00;coding_history=CH;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string stored = Chunk("bext", c.body);
        std::istringstream in;
        auto chunk = Loaded(stored, in);
        EXPECT_EQ(Rest(in), kNext);
        ASSERT_EQ(chunk->Kind(), c.described ? ChunkKind::Described : ChunkKind::Raw);
        EXPECT_EQ(Saved(*chunk), stored);
        if (!c.described) continue;
        EXPECT_EQ(chunk->HeldBytes(), c.body.size());
        EXPECT_NE(Shown(chunk->Describe()).find(c.shown), std::string::npos) << Shown(chunk->Describe());
    }
}

// A field set in code changes its own bytes and no others.
TEST(BextChunk, AnEditedFieldChangesOnlyItsBytes) {
    const std::string body = BextBody(std::string(256, 'd'), 2, '\x55', std::string("history\0after", 13));
    std::istringstream in;
    auto chunk = Loaded(Chunk("bext", body), in);
    auto& bext = dynamic_cast<bext_Chunk&>(*chunk);
    const struct {
        void (*edit)(bext_Chunk&);
        std::size_t at;
        std::string bytes;
    } edits[] = {
        {[](bext_Chunk& b) { b.Description.Set("new"); }, 0, Field("new", 256)},
        {[](bext_Chunk& b) { b.OriginationTime.Set("23:59:59 and more"); }, 330, "23:59:59"},
        {[](bext_Chunk& b) { b.TimeReferenceHigh = 0x01020304; }, 342, U32(0x01020304)},
        {[](bext_Chunk& b) { b.MaxShortTermLoudness = -1; }, 420, U16(0xFFFF)},
    };
    std::string expected = body;
    for (const auto& e : edits) {
        e.edit(bext);
        expected.replace(e.at, e.bytes.size(), e.bytes);
        EXPECT_EQ(Saved(bext), Chunk("bext", expected));
    }
    bext.CodingHistory.assign({'x', 'y', 'z'});
    EXPECT_EQ(Saved(bext), Chunk("bext", expected.substr(0, bext_Chunk::kFixedSize) + "xyz"));
}

// An "acid" body: flags, root note 60, the reserved fields, 16 beats, 3/4,
// then the tempo.
std::string AcidBody(std::uint32_t flags, float tempo) {
    return U32(flags) + U16(60) + U16(0xABCD) + U32(0x01020304) + U32(16) + U16(4) + U16(3) + F32(tempo);
}

TEST(AcidChunk, LoadsShowsAndSavesAsStored) {
    const struct Case {
        const char* what;
        std::string body;
        bool described;
        std::string shown;
    } cases[] = {
        {"a loop, no root note", AcidBody(0, 120.0f), true, "type=loop;beats=16;meter=3/4;tempo=120;"},
        {"a one-shot with its root note", AcidBody(acid_Chunk::kOneShot | acid_Chunk::kRootNoteSet, 92.5f), true,
         "type=one-shot;root_note=60;beats=16;meter=3/4;tempo=92.5;"},
        {"only the root note set", AcidBody(acid_Chunk::kRootNoteSet | acid_Chunk::kStretch, 128.125f), true,
         "type=loop;root_note=60;beats=16;meter=3/4;tempo=128.125;"},
        {"a tempo past 3 decimals", AcidBody(acid_Chunk::kDiskBased, 99.99996f), true, "tempo=100;"},
        {"one byte short: raw", AcidBody(0, 1.0f).substr(0, 23), false, ""},
        {"an odd rest, padded", AcidBody(0, 60.25f) + "x", true, "tempo=60.25;"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string stored = Chunk("acid", c.body);
        std::istringstream in;
        auto chunk = Loaded(stored, in);
        EXPECT_EQ(Rest(in), kNext);
        ASSERT_EQ(chunk->Kind(), c.described ? ChunkKind::Described : ChunkKind::Raw);
        EXPECT_EQ(Saved(*chunk), stored);
        if (!c.described) continue;
        EXPECT_EQ(chunk->HeldBytes(), c.body.size());
        EXPECT_NE(Shown(chunk->Describe()).find(c.shown), std::string::npos) << Shown(chunk->Describe());
    }
    std::istringstream in;
    auto chunk = Loaded(Chunk("acid", AcidBody(0, 120.0f)), in);
    auto& acid = dynamic_cast<acid_Chunk&>(*chunk);
    acid.Tempo = 140.0f;
    acid.MeterNumerator = 7;
    EXPECT_EQ(Saved(acid), Chunk("acid", AcidBody(0, 120.0f).substr(0, 18) + U16(7) + F32(140.0f)));
}

// A "cart" body: version 0101, the title `title`, dates, a level reference
// of -20000, timers 1 and 3 used, then the URL and `tags`.
std::string CartBody(const std::string& title, const std::string& tags) {
    std::string texts = Field("0101", 4) + Field(title, 64) + Field("Artist\xFF", 64);
    for (const char* text : {"CUT7", "", "NEWS", "", "out"}) texts += Field(text, 64);
    texts += "2024-05-06" + Field("", 8) + "2024-06-01" + "23:59:59";
    texts += Field("Playout", 64) + Field("2.1", 64) + Field("", 64);
    std::string timers = "SEC1" + U32(12000) + std::string(8, '\0') + Field("EOD", 4) + U32(99);
    timers.resize(64, '\0');
    return texts + U32(static_cast<std::uint32_t>(-20000)) + timers + std::string(276, 'r') +
           Field("http://x.example/c", 1024) + tags;
}

TEST(CartChunk, LoadsShowsAndSavesAsStored) {
    const std::string shown =
        "version=0101;title=Rain;artist=Artist\xFF;cut_id=CUT7;client_id=;category=NEWS;classification=;out_cue=out;"
        "start=2024-05-06;end=2024-06-01 23:59:59;producer_app_id=Playout;producer_app_version=2.1;user_def=;"
        "level_reference=-20000;post_timer_1=SEC1 12000;post_timer_3=EOD 99;url=http://x.example/c;";
    const struct Case {
        const char* what;
        std::string body;
        bool described;
        std::string shown;
    } cases[] = {
        {"the fixed bytes alone", CartBody("Rain", ""), true, shown + "tag_text=;"},
        {"one byte short: raw", CartBody("Rain", "").substr(0, 2047), false, ""},
        {"an odd tag text, padded", CartBody("Rain", std::string("<tag/>\r\n\0\0x", 11)), true, "tag_text=<tag/>\r\n;"},
        {"a title without NUL", CartBody(std::string(64, 't'), "ab"), true,
         "title=" + std::string(64, 't') + ";artist="},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string stored = Chunk("cart", c.body);
        std::istringstream in;
        auto chunk = Loaded(stored, in);
        EXPECT_EQ(Rest(in), kNext);
        ASSERT_EQ(chunk->Kind(), c.described ? ChunkKind::Described : ChunkKind::Raw);
        EXPECT_EQ(Saved(*chunk), stored);
        if (!c.described) continue;
        EXPECT_EQ(chunk->HeldBytes(), c.body.size());
        EXPECT_NE(Shown(chunk->Describe()).find(c.shown), std::string::npos) << Shown(chunk->Describe());
    }
    const std::string body = CartBody("Rain", "tags");
    std::istringstream in;
    auto chunk = Loaded(Chunk("cart", body), in);
    auto& cart = dynamic_cast<cart_Chunk&>(*chunk);
    cart.Title.Set("Snow");
    cart.PostTimers[2].Value = 0x01020304;
    cart.URL.Set("");
    std::string expected = body;
    expected.replace(4, 4, "Snow");
    expected.replace(684 + 2 * 8 + 4, 4, U32(0x01020304));
    expected.replace(1024, 1024, std::string(1024, '\0'));
    EXPECT_EQ(Saved(cart), Chunk("cart", expected));
}

}  // namespace
