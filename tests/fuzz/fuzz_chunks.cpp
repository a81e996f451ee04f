// Chunks from the fuzzer's bytes. The first byte picks how they are read:
//   0  a chain, dispatched as a file's body is (every typed class, those of
//      the registry's rows too)
//   1  a chain, dispatched as a list's body is (labl, ltxt, raw)
//   2  one chunk of the class picked by the second byte, from a plain stream,
//      and what it describes of itself
// Every chunk must then size and save consistently (WaveFuzz::SaveChecked),
// and reloading what was saved must save the same bytes again.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>

#include "tests/fuzz/WaveFuzz.h"
#include "wave/Acid.h"
#include "wave/Bext.h"
#include "wave/Cart.h"
#include "wave/ChunkIO.h"
#include "wave/ChunkRegistry.h"
#include "wave/Id3.h"
#include "wave/XmlChunk.h"

namespace {

std::unique_ptr<RIFF_Chunk> FileChunk(std::uint32_t id, std::istream& in) {
    std::unique_ptr<RIFF_Chunk> chunk;
    if (id == kFmtID) {
        chunk = std::make_unique<fmt_Chunk>();
    } else if (id == kFactID) {
        chunk = std::make_unique<fact_Chunk>();
    } else if (id == kDataID) {
        chunk = std::make_unique<data_Chunk>();
    } else if (id == kCueID) {
        return std::make_unique<cue_Chunk>(in);
    } else if (id == kListID) {
        return std::make_unique<LIST_Chunk>(in);
    } else if (id == kPhnmID) {
        return std::make_unique<phnm_Chunk>(in);
    } else {
        return ChunkRegistry::Load(id, in, ChunkScope::File);
    }
    chunk->LoadData(in);
    return chunk;
}

std::unique_ptr<RIFF_Chunk> ListChunk(std::uint32_t id, std::istream& in) {
    if (id == kLablID) return std::make_unique<labl_Chunk>(in);
    if (id == kLtxtID) return std::make_unique<ltxt_Chunk>(in);
    return std::make_unique<unknown_Chunk>(id, in);
}

using Dispatch = std::unique_ptr<RIFF_Chunk> (*)(std::uint32_t, std::istream&);

std::unique_ptr<RIFF_Chunk> LoadChain(const std::string& bytes, Dispatch dispatch) {
    std::istringstream in(bytes);
    ChunkIO::ChunkBody body(in, ChunkIO::BoundedInput::kUnlimited);
    std::unique_ptr<RIFF_Chunk> head;
    ChainBuilder chain(head);
    std::uint32_t id = 0;
    while (ChunkIO::ReadChunkID(body.Stream(), id)) chain.Append(dispatch(id, body.Stream()));
    return head;
}

std::string SaveChain(RIFF_Chunk* chunk) {
    std::string saved;
    for (; chunk != nullptr; chunk = chunk->GetNextChunk()) saved += WaveFuzz::SaveChecked(*chunk);
    return saved;
}

constexpr std::uint32_t kSingleIDs[] = {kFmtID,  kFactID, kDataID, kCueID,  kListID, kPhnmID,     kLablID,    kLtxtID,
                                        0,       kBextID, kAcidID, kCartID, kIxmlID, kAxmlID, kId3LowerID, kId3UpperID};

std::unique_ptr<RIFF_Chunk> LoadSingle(std::uint32_t id, const std::string& bytes) {
    std::istringstream in(bytes);
    if (id == kLablID || id == kLtxtID) return ListChunk(id, in);
    return FileChunk(id, in);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    WaveFuzz::SilenceMessages();
    if (size < 2) return 0;
    const std::string bytes(reinterpret_cast<const char*>(data) + 2, size - 2);
    const int mode = data[0] % 3;
    if (mode == 2) {
        const std::uint32_t id = kSingleIDs[data[1] % std::size(kSingleIDs)];
        auto chunk = LoadSingle(id, bytes);
        chunk->Describe();  // a described chunk reads its fields from what it holds (an ID3 tag)
        const std::string saved = WaveFuzz::SaveChecked(*chunk);
        if (saved.empty()) return 0;
        auto again = LoadSingle(id, saved.substr(4));
        WaveFuzz::Require(WaveFuzz::SaveChecked(*again) == saved);
        return 0;
    }
    const Dispatch dispatch = mode == 0 ? &FileChunk : &ListChunk;
    auto head = LoadChain(bytes, dispatch);
    const std::string saved = SaveChain(head.get());
    auto again = LoadChain(saved, dispatch);
    WaveFuzz::Require(SaveChain(again.get()) == saved);
    return 0;
}
