// ID3 tags inside a WAVE file: the "id3 " chunk (and "ID3 ", as some writers
// spell it) holds one ID3v2 tag, the song tags of compressed audio files,
// whole: a 10-byte header, then frames.
//
//   0 "ID3"   3 major version (2, 3 or 4)   4 revision   5 flags
//   6 size of the tag after the header: 4 bytes of 7 bits each, high first
//     (a "syncsafe" integer, so that no byte of it is 0xFF)
//   flags: 0x80 unsynchronisation (every FF 00 stands for FF), 0x40 an
//          extended header (2.3, 2.4; in 2.2, a compressed tag), 0x10 a footer
//   frames: 2.2  3-char id, 3-byte size                        (6 bytes)
//           2.3  4-char id, big-endian u32 size, 2 flag bytes  (10 bytes)
//           2.4  4-char id, syncsafe size, 2 flag bytes        (10 bytes)
//   a zero byte where an id would begin is padding: the frames end there.
//
// The chunk keeps every stored byte, so that a load and a save give the same
// bytes; the tag is read from them when it is shown, never past them.
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "RIFF_Chunk.h"

inline constexpr std::uint32_t kId3LowerID = LittleEndian::FourCC("id3 ");
inline constexpr std::uint32_t kId3UpperID = LittleEndian::FourCC("ID3 ");

// What keeps a part of a tag from being read.
enum class Id3Fault : std::uint8_t {
    NotATag,            // the body does not begin with an ID3v2 header
    UnknownVersion,     // a major version other than 2, 3 and 4: value
    SizeDamaged,        // a syncsafe size with a byte's top bit set: frame ("" for the tag's)
    TagPastChunk,       // the tag's size (value) past the bytes after the header (limit)
    FramePastTag,       // a frame (or extended header) of value bytes, limit left in the tag
    FrameIdDamaged,     // a frame id of other bytes than A-Z and 0-9: frame
    UnknownEncoding,    // a text encoding byte past 3: value
    OddUtf16,           // UTF-16 text of an odd byte count
    UnpairedSurrogate,  // UTF-16 text with a surrogate without its other half
};

namespace Id3 {
inline constexpr std::string_view kExtendedHeader = "extended header";
}  // namespace Id3

struct Id3Damage {
    Id3Fault fault = Id3Fault::NotATag;
    // The frame's id as stored; Id3::kExtendedHeader for that, empty for the
    // tag's own header.
    std::string frame;
    std::uint64_t value = 0;
    std::uint64_t limit = 0;
};

// What a tag says, as a chunk shows it, and what kept parts of it from being
// read. Each kind of damage is reported once a tag, for the first place it
// is found: a damaged tag of many frames gives a few findings, not one a frame.
struct Id3Tag {
    std::vector<ChunkField> fields;
    std::vector<Id3Damage> damage;
};

// "id3 " or "ID3 ": the body as stored.
class id3_Chunk : public RIFF_Chunk {
public:
    // The body as stored, padding and all. Setting it sets the body (and,
    // after CalcSize, its size).
    std::string Body;

    id3_Chunk();  // an "id3 " chunk; a load keeps the stored identifier
    explicit id3_Chunk(std::uint32_t id);

    // The tag read from Body. Fields, each at most once (a second frame of
    // the same name joins the first's value after " / "):
    //   version "2.3.0"; title, artist, album, year, track, genre ("Rock (17)"
    //   for "(17)" or "17"), comment ("description: text", or the text);
    //   then in stored order "TXXX <description>" (2.2: "TXX ..."), the other
    //   text frames by id, and any other frame by id with its size ("1234 bytes").
    Id3Tag Read() const;

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize = the body's bytes.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Described; }
    std::optional<std::uint64_t> HeldBytes() const override { return Body.size(); }
    // Read().fields.
    std::vector<ChunkField> Describe() const override;
};

namespace Id3 {

// The genre numbered `number` in the original ID3 list and its later
// additions, or "" for a number past it.
std::string_view GenreName(std::uint64_t number);

}  // namespace Id3
