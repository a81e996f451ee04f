// The chunk registry: the one table from a chunk's identifier to the class
// that loads, sizes, saves and describes it, with the fixed fields its body
// must hold. A load makes every chunk through it -- a file's chain
// (WAVE_File::LoadData), a list's sub-chunks (LIST_Chunk) -- and tells
// every load, a summary's too, whether a "ds64" is whole.
//
// A kind that is shown, edited and saved is one class (RIFF_Chunk's
// contract, its Kind) and one row here. A row may also be added while a
// program runs (Add, Remove), for a class of its own; such a class shows
// itself through Describe (ChunkKind::Described).
#pragma once

#include <cstdint>
#include <istream>
#include <memory>

#include "RIFF_Chunk.h"

// Where a chunk stands: in a file's chain, or inside a list. A class is
// typed only where its row says ("labl" in a list, "cue " in the file).
enum class ChunkScope { File, List };

struct ChunkClass {
    std::uint32_t id = 0;
    ChunkScope scope = ChunkScope::File;
    // The bytes of the fixed fields before any variable part. A body that
    // holds fewer is kept as an unknown_Chunk, as stored: a class's object
    // costs more memory than a raw chunk's, and its fields' defaults would be
    // saved in place of the bytes that were not there; as a raw chunk it
    // costs at most 8 times its stored bytes and comes back as it was.
    std::uint32_t fixedSize = 0;
    // An empty chunk of the class. Null for the file's own members ("fmt ",
    // "fact", "data", "ds64"), which WAVE_File loads itself: a second one in
    // the chain is kept raw.
    std::unique_ptr<RIFF_Chunk> (*make)() = nullptr;
};

namespace ChunkRegistry {

// The row of `id` in `scope`, or null.
const ChunkClass* Find(std::uint32_t id, ChunkScope scope);

// Whether the chunk whose identifier `id` was just read from `in` holds
// fewer body bytes than its class's fixed fields. What the body really holds
// counts, not what its size claims: a chunk cut short by the end of its list
// or file would otherwise be given fields it does not have.
bool TooShort(std::uint32_t id, ChunkScope scope, std::istream& in);

// Loads the chunk whose identifier `id` was just read from `in`: an object
// of its class, or an unknown_Chunk (no class, a member's identifier, a body
// too short). `largeSize` stands for a raw chunk's size of kSizeElsewhere
// (an RF64 file's "ds64" table).
std::unique_ptr<RIFF_Chunk> Load(std::uint32_t id, std::istream& in, ChunkScope scope,
                                 std::uint64_t largeSize = kSizeElsewhere);

// Adds a row, found before a standard row of the same id and scope (and in
// place of a row added before); Remove takes an added row out again. Not
// for use while another thread loads.
void Add(const ChunkClass& row);
void Remove(std::uint32_t id, ChunkScope scope);

}  // namespace ChunkRegistry
