// The chunk framework: the stored chunk header, the base of every chunk class
// with its chain link, and unknown_Chunk for chunks held as raw bytes.
//
//   offset 0   4 bytes   identifier, four ASCII characters
//   offset 4   4 bytes   size of the body, unsigned, without header or pad
//   offset 8   size      body
//   then       0/1 byte  a zero pad byte after an odd-sized body, so that
//                        every chunk begins at an even offset
//
// The contract of a chunk class:
// - LoadData(in) is entered just after the 4-byte identifier. It reads the
//   size (RIFF_Chunk::LoadData), then the body field by field in stored order,
//   never past the body; fields the body does not hold keep their defaults.
//   It leaves the stream after the stored body and its pad byte. A body ends
//   where its size says or where the bytes of its holder end (the list, or
//   the stored bytes of the image), whichever comes first.
// - SaveData(out) writes the header and the body as the fields stand now,
//   without recomputing a size, then the pad byte when ChunkSize is odd
//   (WritePad). Every class pads, at top level and inside a list alike.
// - CalcSize() brings ChunkSize (and any count) up to date with the contents
//   and returns the whole stored length, header and pad byte included
//   (StoredLength). Call it before SaveData; WAVE_File::SaveData does so for
//   the whole file.
// - Classes that stand in a chain have a constructor from the stream (which
//   loads) and a default constructor (an empty chunk, for building in code).
//   Each says what it is (Kind) and is found by its identifier in the chunk
//   registry (ChunkRegistry.h), the one table of the classes a load makes.
#pragma once

#include <cstdint>
#include <istream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "../common/LittleEndian.h"

// Four-character codes: the four bytes in file order read as one
// little-endian 32-bit value, compared exactly (case and blanks count).
inline constexpr std::uint32_t kRiffID = LittleEndian::FourCC("RIFF");
inline constexpr std::uint32_t kRf64ID = LittleEndian::FourCC("RF64");
inline constexpr std::uint32_t kDs64ID = LittleEndian::FourCC("ds64");
inline constexpr std::uint32_t kWaveID = LittleEndian::FourCC("WAVE");
inline constexpr std::uint32_t kFmtID = LittleEndian::FourCC("fmt ");
inline constexpr std::uint32_t kFactID = LittleEndian::FourCC("fact");
inline constexpr std::uint32_t kDataID = LittleEndian::FourCC("data");
inline constexpr std::uint32_t kCueID = LittleEndian::FourCC("cue ");
inline constexpr std::uint32_t kListID = LittleEndian::FourCC("LIST");
inline constexpr std::uint32_t kAdtlID = LittleEndian::FourCC("adtl");
inline constexpr std::uint32_t kLablID = LittleEndian::FourCC("labl");
inline constexpr std::uint32_t kLtxtID = LittleEndian::FourCC("ltxt");
inline constexpr std::uint32_t kPhnmID = LittleEndian::FourCC("phnm");
inline constexpr std::uint32_t kSmplID = LittleEndian::FourCC("smpl");
inline constexpr std::uint32_t kInstID = LittleEndian::FourCC("inst");

// What a chunk object is, for readers that show it: each class says its own,
// so that no reader has to try the classes one by one. Bare is the header
// alone (a RIFF_Chunk made in code, and the file's own members); Described
// is a class that shows itself as named fields (Describe).
enum class ChunkKind { Bare, Raw, Cue, List, Label, LabelledText, Phonemes, Sampler, Instrument, Described };

// One field of a Described chunk: its name and its value, a number or a text.
struct ChunkField {
    std::string name;
    std::variant<std::uint64_t, std::string> value;
};

class RIFF_Chunk {
public:
    std::uint32_t ChunkID = 0;
    std::uint32_t ChunkSize = 0;
    // The size the stored header claimed, kept as it was read (in an RF64
    // file, the 64-bit size its "ds64" chunk gives); CalcSize never changes
    // it. 0 for a chunk made in code.
    std::uint64_t ClaimedSize = 0;
    // The chunk after this one in its chain (a file's or a list's); this
    // chunk owns it, and through it the rest of the chain.
    std::unique_ptr<RIFF_Chunk> NextChunk;

    RIFF_Chunk() = default;
    RIFF_Chunk(const RIFF_Chunk&) = delete;
    RIFF_Chunk& operator=(const RIFF_Chunk&) = delete;
    RIFF_Chunk(RIFF_Chunk&&) = default;
    RIFF_Chunk& operator=(RIFF_Chunk&&) = default;
    // Releases the rest of the chain one chunk after the other: a stored file
    // may hold a million chunks, too many for one nested call each.
    virtual ~RIFF_Chunk();

    // Reads the 4-byte size (into ChunkSize and ClaimedSize). The chain link
    // is left as it is: it belongs to the holder of the chain, not to the
    // stored chunk.
    virtual void LoadData(std::istream& in);
    // Writes the identifier and the size.
    virtual void SaveData(std::ostream& out);
    // StoredLength(), ChunkSize unchanged.
    virtual std::uint32_t CalcSize();
    virtual ChunkKind Kind() const { return ChunkKind::Bare; }
    // The body bytes the chunk holds, for a class that keeps all of them (a
    // raw chunk's, a sampler's): what a load really found, to compare with
    // ClaimedSize, and a body's length beyond what 32 bits can state.
    virtual std::optional<std::uint64_t> HeldBytes() const { return std::nullopt; }
    // The fields a Described chunk shows, in stored order.
    virtual std::vector<ChunkField> Describe() const { return {}; }

    RIFF_Chunk* GetNextChunk() const { return NextChunk.get(); }
    // Links `next` after this chunk and hands back the chain it replaces, so
    // that nothing is lost and nothing leaks.
    std::unique_ptr<RIFF_Chunk> SetNextChunk(std::unique_ptr<RIFF_Chunk> next);

protected:
    // The padding rule, for every class: header + ChunkSize + the pad byte
    // an odd ChunkSize needs, and that pad byte written after the body.
    std::uint32_t StoredLength() const;
    void WritePad(std::ostream& out) const;
    // CalcSize of a class that holds its whole body: ChunkSize becomes
    // HeldBytes() (kSizeElsewhere beyond 32 bits); returns StoredLength().
    std::uint32_t SizeFromHeldBytes();
};

// Appends chunks to a chain in order, from its empty head.
class ChainBuilder {
public:
    explicit ChainBuilder(std::unique_ptr<RIFF_Chunk>& head);
    void Append(std::unique_ptr<RIFF_Chunk> chunk);

private:
    std::unique_ptr<RIFF_Chunk>* tail_;
};

// The size field of a chunk whose real size stands elsewhere (an RF64 file's
// "ds64" chunk), and of a body larger than a 32-bit size can state.
inline constexpr std::uint32_t kSizeElsewhere = 0xFFFFFFFF;

// Any chunk the model has no class for: its body kept as stored.
class unknown_Chunk : public RIFF_Chunk {
public:
    // The body as stored; after a load, the bytes really present, with
    // ChunkSize cut down to their count when the input ended first.
    std::vector<char> ChunkData;

    explicit unknown_Chunk(std::uint32_t id);
    unknown_Chunk(std::uint32_t id, std::istream& in);
    // A chunk whose stored size may be kSizeElsewhere, standing for `largeSize`.
    unknown_Chunk(std::uint32_t id, std::istream& in, std::uint64_t largeSize);

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize becomes the length of ChunkData (kSizeElsewhere beyond 32 bits).
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Raw; }
    std::optional<std::uint64_t> HeldBytes() const override { return ChunkData.size(); }

private:
    void LoadBody(std::istream& in, std::uint64_t size);
};
