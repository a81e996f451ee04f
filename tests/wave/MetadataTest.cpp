// The metadata chunks ("bext", "acid", "cart", "iXML", "axml", "id3 "): loaded
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
#include "wave/Id3.h"
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
        {"ID3 : a tag of an odd size, padded", "ID3 ", Id3v2Tag(3, 0, Id3Frame(3, "TIT2", std::string("\0Rain", 5))),
         "version=2.3.0;title=Rain;"},
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

std::string BigEndian32(std::uint32_t value) {
    return {static_cast<char>(value >> 24), static_cast<char>(value >> 16 & 0xFF), static_cast<char>(value >> 8 & 0xFF),
            static_cast<char>(value & 0xFF)};
}

// What an unsynchronising writer stores: a 00 after every FF.
std::string Unsynchronised(const std::string& bytes) {
    std::string stored;
    for (const char byte : bytes) {
        stored += byte;
        if (byte == '\xFF') stored += '\0';
    }
    return stored;
}

std::string Damaged(const std::vector<Id3Damage>& damage) {
    static constexpr const char* kNames[] = {"not_a_tag",     "unknown_version",  "size_damaged",
                                             "tag_past_chunk", "frame_past_tag",   "frame_id_damaged",
                                             "unknown_encoding", "odd_utf16", "unpaired_surrogate"};
    std::string text;
    for (const Id3Damage& part : damage) {
        text += std::string(kNames[static_cast<int>(part.fault)]) + ' ' + part.frame + ' ' +
                std::to_string(part.value) + ' ' + std::to_string(part.limit) + ';';
    }
    return text;
}

// ID3 tags in every version and text encoding, damaged ones too: each is
// kept byte for byte, shows what it says and names what kept a part from
// being read (once a kind).
TEST(MetadataChunks, Id3TagsReadFromTheirBytes) {
    using namespace std::string_literals;
    const auto F2 = [](const char* id, const std::string& body) { return Id3Frame(2, id, body); };
    const auto F3 = [](const char* id, const std::string& body, std::uint8_t format = 0) {
        return Id3Frame(3, id, body, format);
    };
    const auto F4 = [](const char* id, const std::string& body, std::uint8_t format = 0) {
        return Id3Frame(4, id, body, format);
    };
    const std::string title = F3("TIT2", "\0T"s);
    const std::string longText(200, 'x');
    std::string sizeDamaged = Id3v2Tag(3, 0, title);
    sizeDamaged[7] = '\x80';
    std::string pastChunk = Id3v2Tag(3, 0, title);
    pastChunk.replace(6, 4, Syncsafe(1000));
    const struct {
        const char* what;
        std::string body;
        std::string fields;
        std::string damage;
    } cases[] = {
        {"2.3: Latin-1", Id3v2Tag(3, 0, F3("TIT2", "\0Caf\xE9"s)), "version=2.3.0;title=Caf\xC3\xA9;", ""},
        {"2.3: UTF-16, little-endian by its mark", Id3v2Tag(3, 0, F3("TPE1", "\1\xFF\xFEL\0\xE9\0"s)),
         "version=2.3.0;artist=L\xC3\xA9;", ""},
        {"2.3: UTF-16, big-endian by its mark", Id3v2Tag(3, 0, F3("TALB", "\1\xFE\xFF\0S\0k\1\x01"s)),
         "version=2.3.0;album=Sk\xC4\x81;", ""},
        {"2.4: UTF-16BE, a surrogate pair; FF FE no mark there",
         Id3v2Tag(4, 0, F4("TIT2", "\2\xD8\x34\xDD\x1E\0a"s) + F4("TPE1", "\2\xFF\xFE\0a"s)),
         "version=2.4.0;title=\xF0\x9D\x84\x9E" "a;artist=\xEF\xBF\xBE" "a;", ""},
        {"2.4: UTF-8, values between NULs", Id3v2Tag(4, 0, F4("TPE1", "\3" "A\xC3\xA9\0" "B\0"s)),
         "version=2.4.0;artist=A\xC3\xA9 / B;", ""},
        {"2.4: UTF-16 values, each with its mark", Id3v2Tag(4, 0, F4("TPE1", "\1\xFF\xFE" "a\0\0\0\xFE\xFF\0b"s)),
         "version=2.4.0;artist=a / b;", ""},
        {"2.3: the first value alone", Id3v2Tag(3, 0, F3("TPE1", "\0A\0B"s)), "version=2.3.0;artist=A;", ""},
        {"2.2: three-character frames",
         Id3v2Tag(2, 0, F2("TT2", "\0T"s) + F2("TP1", "\0P"s) + F2("TAL", "\0L"s) + F2("TYE", "\0" "1999"s) +
                          F2("TRK", "\0" "7"s) + F2("TCO", "\0(17)"s) + F2("COM", "\0eng\0c"s) +
                          F2("TXX", "\0k\0v"s) + F2("PIC", "abc")),
         "version=2.2.0;title=T;artist=P;album=L;year=1999;track=7;genre=Rock (17);comment=c;TXX k=v;PIC=3 bytes;", ""},
        {"2.4: TDRC is the year, TYER is not", Id3v2Tag(4, 0, F4("TYER", "\0" "1999"s) + F4("TDRC", "\0" "2024-05"s)),
         "version=2.4.0;year=2024-05;TYER=1999;", ""},
        {"2.3: TYER is the year, TDRC is not", Id3v2Tag(3, 0, F3("TYER", "\0" "1999"s) + F3("TDRC", "\0" "2024-05"s)),
         "version=2.3.0;year=1999;TDRC=2024-05;", ""},
        {"2.4: syncsafe sizes past 127", Id3v2Tag(4, 0, F4("TIT2", '\0' + longText) + F4("TRCK", "\0" "3/12"s)),
         "version=2.4.0;title=" + longText + ";track=3/12;", ""},
        {"2.3: a plain frame size past 127", Id3v2Tag(3, 0, F3("TIT2", '\0' + longText) + F3("TRCK", "\0" "3"s)),
         "version=2.3.0;title=" + longText + ";track=3;", ""},
        {"2.3: the whole tag unsynchronised", Id3v2Tag(3, 0x80, Unsynchronised(F3("TIT2", "\0a\xFF" "b"s))),
         "version=2.3.0;title=a\xC3\xBF" "b;", ""},
        {"2.4: a frame unsynchronised by its flag", Id3v2Tag(4, 0, F4("TIT2", Unsynchronised("\0a\xFF" "b"s), 0x02)),
         "version=2.4.0;title=a\xC3\xBF" "b;", ""},
        {"2.4: every frame by the tag's flag", Id3v2Tag(4, 0x80, F4("TIT2", Unsynchronised("\0a\xFF" "b"s))),
         "version=2.4.0;title=a\xC3\xBF" "b;", ""},
        {"2.4: FF 00 kept without a flag", Id3v2Tag(4, 0, F4("TIT2", Unsynchronised("\0a\xFF" "b"s))),
         "version=2.4.0;title=a\xC3\xBF / b;", ""},
        {"2.3: an extended header, its size without itself",
         Id3v2Tag(3, 0x40, BigEndian32(6) + std::string(6, '\0') + title), "version=2.3.0;title=T;", ""},
        {"2.4: an extended header, its syncsafe size with itself",
         Id3v2Tag(4, 0x40, Syncsafe(6) + "\1\0"s + F4("TIT2", "\0T"s)), "version=2.4.0;title=T;", ""},
        {"comments, user texts", Id3v2Tag(3, 0, F3("COMM", "\0eng" "note\0" "text"s) + F3("COMM", "\0eng\0plain"s) +
                                                  F3("TXXX", "\0mood\0calm"s) + F3("TXXX", "\0\0x"s) +
                                                  F3("TXXX", "\1\xFF\xFEm\0\0\0\xFF\xFEv\0"s)),
         "version=2.3.0;comment=note: text / plain;TXXX mood=calm;TXXX=x;TXXX m=v;", ""},
        {"genres by number", Id3v2Tag(4, 0, F4("TCON", "\0" "17\0(26)\0(RX)\0(CR)\0Ambient\0(148)\0" "79\0(0)\0(147)"s)),
         "version=2.4.0;genre=Rock (17) / Ambient (26) / Remix / Cover / Ambient / (148) / Hard Rock (79) / Blues (0) / "
         "Synthpop (147);", ""},
        {"other frames by size, one field a name",
         Id3v2Tag(3, 0, F3("APIC", std::string(1234, 'p')) + F3("PRIV", "1") + F3("APIC", "pp") + F3("TIT2", "\0a"s) +
                          F3("TIT2", "\0b"s) + F3("TCOM", "\0x"s) + F3("TIT3", "")),
         "version=2.3.0;title=a / b;APIC=1234 bytes / 2 bytes;PRIV=1 byte;TCOM=x;TIT3=;", ""},
        {"frame ids of the first and last letters and digits", Id3v2Tag(3, 0, F3("Z9A0", "z") + F3("A0Z9", "a")),
         "version=2.3.0;Z9A0=1 byte;A0Z9=1 byte;", ""},
        {"padding ends the frames", Id3v2Tag(3, 0, title + std::string(20, '\0') + "TPE1junk"), "version=2.3.0;title=T;",
         ""},
        {"2.3: a group byte; compressed and encrypted frames by size",
         Id3v2Tag(3, 0, F3("TIT2", "\7\0T"s, 0x20) + F3("TPE1", "\0\0\0\5xxxxx"s, 0x80) + F3("TALB", "\1\0x"s, 0x40)),
         "version=2.3.0;title=T;TPE1=9 bytes;TALB=3 bytes;", ""},
        {"2.4: a group byte and a data length before the text",
         Id3v2Tag(4, 0, F4("TIT2", "\7"s + Syncsafe(2) + "\0T"s, 0x41) + F4("TPE1", Syncsafe(9) + "zz"s, 0x09) +
                          F4("TALB", "\1xy"s, 0x04)),
         "version=2.4.0;title=T;TPE1=6 bytes;TALB=3 bytes;", ""},
        {"2.2: a compressed tag, no frames read", Id3v2Tag(2, 0x40, F2("TT2", "\0T"s)), "version=2.2.0;", ""},
        // Damaged.
        {"not a tag", "TAG" + std::string(20, 't'), "", "not_a_tag  0 0;"},
        {"an empty body: still the class, no tag", "", "", "not_a_tag  0 0;"},
        {"a header cut short", "ID3\3\0\0\0\0\0"s, "", "not_a_tag  0 0;"},
        {"version 2.5", Id3v2Tag(5, 0, title), "version=2.5.0;", "unknown_version  5 0;"},
        {"version 2.1", Id3v2Tag(1, 0, title), "version=2.1.0;", "unknown_version  1 0;"},
        {"a damaged tag size: read to the chunk's end", sizeDamaged, "version=2.3.0;title=T;", "size_damaged  0 0;"},
        {"a tag size past the chunk", pastChunk, "version=2.3.0;title=T;", "tag_past_chunk  1000 12;"},
        {"a frame past the tag: what it holds shown", Id3v2Tag(3, 0, "TIT2"s + BigEndian32(50) + "\0\0\0abc"s),
         "version=2.3.0;title=abc;", "frame_past_tag TIT2 50 4;"},
        {"a frame header cut short", Id3v2Tag(3, 0, title + "TPE1\0\0"s), "version=2.3.0;title=T;",
         "frame_past_tag TPE1 10 6;"},
        {"a damaged frame id", Id3v2Tag(3, 0, title + "Ti\1t" + title), "version=2.3.0;title=T;",
         "frame_id_damaged Ti\1t 0 0;"},
        {"2.4: a damaged frame size", Id3v2Tag(4, 0, F4("TIT2", "\0a"s) + "TPE1\x80\0\0\1\0\0b"s),
         "version=2.4.0;title=a;", "size_damaged TPE1 0 0;"},
        {"unknown encodings, reported once", Id3v2Tag(3, 0, F3("TIT2", "\4abc") + F3("TPE1", "\5x")),
         "version=2.3.0;TIT2=4 bytes;TPE1=2 bytes;", "unknown_encoding TIT2 4 0;"},
        {"an odd UTF-16 length", Id3v2Tag(3, 0, F3("TIT2", "\1\xFF\xFE" "a\0b"s)), "version=2.3.0;title=a;",
         "odd_utf16 TIT2 3 0;"},
        {"unpaired surrogates", Id3v2Tag(4, 0, F4("TIT2", "\2\xD8\0\0a"s) + F4("TPE1", "\2\xDC\0"s) +
                                                  F4("TALB", "\2\0a\xDB\xFF"s)),
         "version=2.4.0;title=\xEF\xBF\xBD" "a;artist=\xEF\xBF\xBD;album=a\xEF\xBF\xBD;",
         "unpaired_surrogate TIT2 0 0;"},
        {"an extended header past the tag", Id3v2Tag(3, 0x40, BigEndian32(100) + title), "version=2.3.0;",
         "frame_past_tag extended header 104 16;"},
        {"an extended header cut short", Id3v2Tag(3, 0x40, "\0\0"s), "version=2.3.0;",
         "frame_past_tag extended header 4 2;"},
        {"2.4: an extended header's damaged size", Id3v2Tag(4, 0x40, "\x80\0\0\6\0\0"s + title), "version=2.4.0;",
         "size_damaged extended header 0 0;"},
    };
    for (const auto& c : cases) {
        for (const char* id : {"id3 ", "ID3 "}) {
            SCOPED_TRACE(std::string(id) + ": " + c.what);
            const std::string stored = Chunk(id, c.body);
            std::istringstream in;
            auto chunk = Loaded(stored, in);
            EXPECT_EQ(Rest(in), "NEXT");
            ASSERT_EQ(chunk->Kind(), ChunkKind::Described);
            EXPECT_EQ(Saved(*chunk), stored);
            const Id3Tag tag = dynamic_cast<const id3_Chunk&>(*chunk).Read();
            EXPECT_EQ(Shown(tag.fields), c.fields);
            EXPECT_EQ(Damaged(tag.damage), c.damage);
        }
    }
}

}  // namespace
