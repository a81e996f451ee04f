#include "wave/ChunkRegistry.h"

#include <algorithm>
#include <vector>

#include "wave/Acid.h"
#include "wave/Bext.h"
#include "wave/Cart.h"
#include "wave/ChunkIO.h"
#include "wave/CueList.h"
#include "wave/Ds64.h"
#include "wave/Id3.h"
#include "wave/Phoneme.h"
#include "wave/Sampler.h"
#include "wave/XmlChunk.h"

namespace ChunkRegistry {

namespace {

template <typename Class>
std::unique_ptr<RIFF_Chunk> Make() {
    return std::make_unique<Class>();
}

// The fixed fields: a cue count, a list type, three u32 sizes and a table
// length, a cue id, the 20 bytes of a labelled text, a text size and a word
// count, a sampler's 36 bytes, an instrument's 7, the broadcast extension's
// 602, the loop chunk's 24, the cart chunk's 2048; the XML and ID3 chunks have none.
constexpr ChunkClass kStandardRows[] = {
    {kFmtID, ChunkScope::File, 0, nullptr},
    {kFactID, ChunkScope::File, 0, nullptr},
    {kDataID, ChunkScope::File, 0, nullptr},
    {kDs64ID, ChunkScope::File, ds64_Chunk::kFixedSize, nullptr},
    {kCueID, ChunkScope::File, 4, Make<cue_Chunk>},
    {kListID, ChunkScope::File, 4, Make<LIST_Chunk>},
    {kPhnmID, ChunkScope::File, 8, Make<phnm_Chunk>},
    {kSmplID, ChunkScope::File, smpl_Chunk::kFixedSize, Make<smpl_Chunk>},
    {kInstID, ChunkScope::File, inst_Chunk::kFixedSize, Make<inst_Chunk>},
    {kBextID, ChunkScope::File, bext_Chunk::kFixedSize, Make<bext_Chunk>},
    {kAcidID, ChunkScope::File, acid_Chunk::kFixedSize, Make<acid_Chunk>},
    {kCartID, ChunkScope::File, cart_Chunk::kFixedSize, Make<cart_Chunk>},
    {kIxmlID, ChunkScope::File, 0, Make<xml_Chunk>},
    {kAxmlID, ChunkScope::File, 0, Make<xml_Chunk>},
    {kId3LowerID, ChunkScope::File, 0, Make<id3_Chunk>},
    {kId3UpperID, ChunkScope::File, 0, Make<id3_Chunk>},
    {kLablID, ChunkScope::List, 4, Make<labl_Chunk>},
    {kLtxtID, ChunkScope::List, 20, Make<ltxt_Chunk>},
};

// Rows a program added, found before the standard ones. Empty unless Add is
// called: a load allocates nothing for the table.
std::vector<ChunkClass>& AddedRows() {
    static std::vector<ChunkClass> rows;
    return rows;
}

bool TooShort(const ChunkClass& row, std::istream& in) {
    if (row.fixedSize == 0) return false;
    std::uint32_t size = 0;
    if (!ChunkIO::PeekU32(in, size)) return false;
    bool exact = true;
    const std::uint64_t left = ChunkIO::BytesLeft(in, exact);  // from the size field on
    return std::min<std::uint64_t>(size, left < 4 ? 0 : left - 4) < row.fixedSize;
}

}  // namespace

const ChunkClass* Find(std::uint32_t id, ChunkScope scope) {
    for (const ChunkClass& row : AddedRows()) {
        if (row.id == id && row.scope == scope) return &row;
    }
    for (const ChunkClass& row : kStandardRows) {
        if (row.id == id && row.scope == scope) return &row;
    }
    return nullptr;
}

bool TooShort(std::uint32_t id, ChunkScope scope, std::istream& in) {
    const ChunkClass* row = Find(id, scope);
    return row != nullptr && TooShort(*row, in);
}

std::unique_ptr<RIFF_Chunk> Load(std::uint32_t id, std::istream& in, ChunkScope scope, std::uint64_t largeSize) {
    const ChunkClass* row = Find(id, scope);
    if (row == nullptr || row->make == nullptr || TooShort(*row, in)) {
        return std::make_unique<unknown_Chunk>(id, in, largeSize);
    }
    std::unique_ptr<RIFF_Chunk> chunk = row->make();
    chunk->ChunkID = id;
    chunk->LoadData(in);
    return chunk;
}

void Add(const ChunkClass& row) {
    Remove(row.id, row.scope);
    AddedRows().push_back(row);
}

void Remove(std::uint32_t id, ChunkScope scope) {
    std::erase_if(AddedRows(), [&](const ChunkClass& row) { return row.id == id && row.scope == scope; });
}

}  // namespace ChunkRegistry
