// Seeds for the WAVE fuzz targets, made by the WAVE byte builder: ordinary
// files of every chunk class, and a few damaged ones.
#include "kit/WaveBuilder.h"
#include "tests/fuzz/Seeds.h"

namespace {

using namespace WaveBuilder;

// A "bext" body of version 2 with a coding history of odd length.
std::string Bext() {
    std::string body(602, '\0');
    body.replace(0, 5, "Take1");
    body.replace(338, 4, U32(48000));
    body.replace(346, 2, U16(2));
    body.replace(412, 2, U16(0xF704));
    return body + "A=PCM,F=48000\r\n";
}

// An ID3 tag of `major` version 2, 3 or 4: texts in each encoding the
// version has, a comment, a user text, a genre number and a picture; 2.3's
// unsynchronised, 2.4's with an extended header and a frame unsynchronised.
std::string Id3(int major) {
    const char* ids[][6] = {{"TT2", "TP1", "COM", "TXX", "TCO", "PIC"}, {"TIT2", "TPE1", "COMM", "TXXX", "TCON", "APIC"}};
    const auto id = [&](int n) { return std::string(ids[major == 2 ? 0 : 1][n]); };
    std::string frames = Id3Frame(major, id(0), std::string("\0Caf\xE9", 5)) +
                         Id3Frame(major, id(1), std::string("\1\xFF\xFEL\0o\0", 7)) +
                         Id3Frame(major, id(2), std::string("\0eng", 4) + "note" + std::string(1, '\0') + "text") +
                         Id3Frame(major, id(3), std::string("\0mood\0calm", 10)) +
                         Id3Frame(major, id(4), std::string("\0(17)", 5)) + Id3Frame(major, id(5), "\xFF\xD8\xFF");
    if (major == 4) {
        frames = Syncsafe(6) + std::string("\1\0", 2) + frames +
                 Id3Frame(4, "TALB", std::string("\3\xC3\xA9\xFF\0\0", 6), 0x02) + Id3Frame(4, "TDRC", std::string("\2\0" "2", 3));
        return Id3v2Tag(4, 0x40, frames) + std::string(8, '\0');
    }
    if (major == 3) {
        std::string unsynchronised;
        for (const char byte : frames) unsynchronised += byte == '\xFF' ? std::string("\xFF\0", 2) : std::string(1, byte);
        return Id3v2Tag(3, 0x80, unsynchronised);
    }
    return Id3v2Tag(2, 0, frames);
}

std::vector<FuzzSeeds::Seed> MakeSeeds() {
    const std::string adtl = List("adtl", Labl(1, "one") + Labl(2, "second") + Ltxt(1, 100, "rgn ", 1, 2, 3, 4, "text") +
                                              Chunk("note", "odd"));
    const std::string phnm = Phnm("hi", {{"hi", 1, 2, 0.5f, 1.5f, {{"hh", 0x0266}, {"ay"}}}, {"x", 0, 0, 0, 0, {}}});
    const std::string body = PcmFmt(1, 8000, 8) + Chunk("fact", U32(5)) + Chunk("data", Samples(8, 1, 5)) +
                             Cue({{1, 0}, {2, 3}}) + adtl + phnm + Chunk("junk", "xyz");
    const std::vector<std::pair<std::string, std::string>> files = {
        {"pcm16", PcmWave(2, 44100, 16, 8)},
        {"extensible", Riff(ExtensibleFmt(2, 48000, 24, 3) + Chunk("data", Samples(24, 2, 4)))},
        {"every_chunk", Riff(body)},
        {"info", Riff(PcmFmt(1, 8000, 16) + List("INFO", Chunk("INAM", "Name") + Chunk("ISFT", "Tool")))},
        {"riff_size_unknown", Riff(0xFFFFFFFF, PcmFmt(1, 8000, 8) + Header("data", 0xFFFFFFFF) + "abc")},
        {"riff_size_small", Riff(20, body)},
        {"cut_short", Riff(body).substr(0, 90)},
        {"not_wave", "RIFX" + U32(4) + "WAVE"},
        {"rf64", Rf64(PcmFmt(2, 8000, 16), Samples(16, 2, 6), Chunk("fact", U32(6)) + Chunk("data", "second"))},
        {"rf64_table", "RF64" + U32(0xFFFFFFFF) + "WAVE" + Ds64(60, 3, 0, {{"big ", 2}}) + Header("big ", 0xFFFFFFFF) + "ab"},
        {"sampler", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") +
                         Chunk("smpl", std::string(28, '\0') + U32(2) + U32(0) + std::string(24, '\1')) +
                         Chunk("inst", std::string(7, '\2')))},
        {"metadata", Riff(PcmFmt(1, 8000, 8) + Chunk("data", "ab") + Chunk("bext", Bext()) + Chunk("bext", "short") +
                          Chunk("acid", U32(2) + U16(60) + U16(0) + U32(0) + U32(8) + U16(4) + U16(4) + F32(120.5f)) +
                          Chunk("iXML", std::string("<BWFXML><PROJECT>P</PROJECT></BWFXML>\0\0", 39)) +
                          Chunk("axml", "<core/>") + Chunk("id3 ", Id3(3)) + Chunk("ID3 ", Id3(4)))},
        {"ima_adpcm", Riff(Chunk("fmt ", U16(0x11) + U16(1) + U32(8000) + U32(4055) + U16(36) + U16(4) + U16(2) + U16(65)) +
                           Chunk("fact", U32(70)) + Chunk("data", std::string(72, '\x11')))},
    };
    std::vector<FuzzSeeds::Seed> seeds;
    for (const auto& [name, bytes] : files) seeds.push_back({"fuzz_wave_file", name, bytes});
    // fuzz_chunks: a mode byte and a class byte before the chunk bytes.
    seeds.push_back({"fuzz_chunks", "file_chain", std::string("\0\0", 2) + body});
    seeds.push_back({"fuzz_chunks", "list_chain", std::string("\1\0", 2) + adtl.substr(12)});
    const char* single[] = {"fmt", "fact", "data", "cue", "list", "phnm", "labl", "ltxt"};
    const std::string chunks[] = {ExtensibleFmt(1, 8000, 16, 4), Chunk("fact", U32(9)), Chunk("data", "abc"),
                                  Cue({{1, 2}}), adtl, phnm, Labl(3, "label"), Ltxt(1, 2, "rgn ", 0, 0, 0, 0, "t")};
    for (int i = 0; i < 8; ++i) {
        seeds.push_back({"fuzz_chunks", std::string("single_") + single[i], std::string(1, '\2') +
                                                                             static_cast<char>(i) + chunks[i].substr(4)});
    }
    seeds.push_back({"fuzz_chunks", "single_bext", std::string(1, '\2') + '\11' + Chunk("bext", Bext()).substr(4)});
    seeds.push_back({"fuzz_chunks", "single_acid",
                     std::string(1, '\2') + '\12' + Header("acid", 25).substr(4) + U32(1) + std::string(21, '\3')});
    std::string cart(2048, '\0');
    cart.replace(0, 8, "0101Song");
    cart.replace(684, 8, "SEC1" + U32(12000));
    seeds.push_back({"fuzz_chunks", "single_cart", std::string(1, '\2') + '\13' + Chunk("cart", cart + "tags").substr(4)});
    seeds.push_back({"fuzz_chunks", "single_ixml",
                     std::string(1, '\2') + '\14' + Chunk("iXML", std::string("<BWFXML/>\0\0\0", 12)).substr(4)});
    for (const int major : {2, 3, 4}) {
        seeds.push_back({"fuzz_chunks", "single_id3_v2" + std::to_string(major),
                         std::string(1, '\2') + (major == 4 ? '\17' : '\16') + Chunk("id3 ", Id3(major)).substr(4)});
    }
    return seeds;
}

const FuzzSeeds::Registrar registrar(&MakeSeeds);

}  // namespace
