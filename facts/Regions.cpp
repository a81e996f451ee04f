#include "facts/Regions.h"

#include <algorithm>
#include <cstdint>
#include <limits>
#include <sstream>
#include <utility>

#include "facts/Convert.h"
#include "facts/Facts.h"
#include "wave/Audio.h"
#include "wave/Bext.h"
#include "wave/SampleCodec.h"
#include "wave/ToPcm16.h"

namespace Facts {

namespace {

// The sound's frames as the facts count them ("fact" trims the padding of
// an ADPCM sound's last block); 0 where nothing tells.
std::uint64_t SoundFrameCount(const WAVE_File& wave) {
    if (!wave.Found.Fmt || !wave.Found.Data) return 0;
    std::vector<Finding> ignored;  // Describe names them
    return AudioOf(&wave.FmtChunk, FactCount(wave), wave.DataChunk.BodyBytes(), ignored).frames.value_or(0);
}

template <typename Chunk>
const Chunk* FirstOf(const WAVE_File& wave, std::uint32_t id) {
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        if (chunk->ChunkID != id) continue;
        if (const auto* typed = dynamic_cast<const Chunk*>(chunk)) return typed;
    }
    return nullptr;
}

// Calls `each` with every sub-chunk of the file's "adtl" lists, in order.
template <typename Each>
void ForEachAdtl(const WAVE_File& wave, Each each) {
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        const auto* list = dynamic_cast<const LIST_Chunk*>(chunk);
        if (list == nullptr || list->ListType != kAdtlID) continue;
        for (const RIFF_Chunk* sub = list->FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) each(*sub);
    }
}

// The region's place in the sound: left out past its end, cut short at it.
bool Clip(Region& region, std::uint64_t soundFrames) {
    if (region.start >= soundFrames || region.frames == 0) return false;
    region.frames = std::min(region.frames, soundFrames - region.start);
    return true;
}

void CopyFormat(const fmt_Chunk& from, fmt_Chunk& to) {
    to.FormatTag = from.FormatTag;
    to.Channels = from.Channels;
    to.SamplesPerSec = from.SamplesPerSec;
    to.AvgBytesPerSec = from.AvgBytesPerSec;
    to.BlockAlign = from.BlockAlign;
    to.BitsPerSample = from.BitsPerSample;
    to.ExtraSize = from.ExtraSize;
    to.ExtraData = from.ExtraData;
}

// The source's "bext" with its time reference moved on by `frames`: its
// first sample is that much later on the timeline.
std::unique_ptr<bext_Chunk> AdvancedBext(const bext_Chunk& from, std::uint64_t frames) {
    auto to = std::make_unique<bext_Chunk>();
    to->Description = from.Description;
    to->Originator = from.Originator;
    to->OriginatorReference = from.OriginatorReference;
    to->OriginationDate = from.OriginationDate;
    to->OriginationTime = from.OriginationTime;
    to->Version = from.Version;
    to->UMID = from.UMID;
    to->LoudnessValue = from.LoudnessValue;
    to->LoudnessRange = from.LoudnessRange;
    to->MaxTruePeakLevel = from.MaxTruePeakLevel;
    to->MaxMomentaryLoudness = from.MaxMomentaryLoudness;
    to->MaxShortTermLoudness = from.MaxShortTermLoudness;
    to->Reserved = from.Reserved;
    to->CodingHistory = from.CodingHistory;
    const std::uint64_t before = from.TimeReference();
    const std::uint64_t after = frames > UINT64_MAX - before ? UINT64_MAX : before + frames;
    to->TimeReferenceLow = static_cast<std::uint32_t>(after & 0xFFFFFFFF);
    to->TimeReferenceHigh = static_cast<std::uint32_t>(after >> 32);
    return to;
}

Finding NotCut(const Region& region, std::string reason) {
    return Make(Code::RegionNotCut, {{"region", region.name}, {"reason", std::move(reason)}});
}

// The bytes [first, first + count) of the data, as a new model's samples.
void TakeBytes(const WAVE_File& from, std::uint64_t first, std::uint64_t count, WAVE_File& to) {
    const auto begin = from.DataChunk.ChunkData.begin() + static_cast<std::ptrdiff_t>(first);
    to.DataChunk.ChunkData.assign(begin, begin + static_cast<std::ptrdiff_t>(count));
}

// A model of the format alone, no samples yet.
std::unique_ptr<WAVE_File> Bare(const fmt_Chunk& fmt) {
    auto cut = std::make_unique<WAVE_File>();
    CopyFormat(fmt, cut->FmtChunk);
    cut->Found.Fmt = cut->Found.FmtFields = cut->Found.Data = true;
    return cut;
}

}  // namespace

std::vector<Region> RegionsOf(const WAVE_File& wave) {
    std::vector<Region> regions;
    const std::uint64_t soundFrames = SoundFrameCount(wave);
    if (const cue_Chunk* cue = FirstOf<cue_Chunk>(wave, kCueID)) {
        std::uint64_t number = 0;
        for (const CuePoint& point : cue->CuePoints) {
            // The first labelled text of the point that gives it a length.
            std::uint32_t length = 0;
            const labl_Chunk* label = nullptr;
            ForEachAdtl(wave, [&](const RIFF_Chunk& sub) {
                if (const auto* ltxt = dynamic_cast<const ltxt_Chunk*>(&sub)) {
                    if (ltxt->CueID == point.CueID && length == 0) length = ltxt->SampleLength;
                } else if (const auto* labl = dynamic_cast<const labl_Chunk*>(&sub)) {
                    if (labl->CueID == point.CueID && label == nullptr) label = labl;
                }
            });
            if (length == 0) continue;
            ++number;
            Region region;
            region.name = label != nullptr ? label->Text.substr(0, label->Text.find('\0'))
                                           : "region " + std::to_string(number);
            region.cueID = point.CueID;
            region.start = point.SampleOffset;
            region.frames = length;
            if (Clip(region, soundFrames)) regions.push_back(std::move(region));
        }
    }
    if (const smpl_Chunk* smpl = FirstOf<smpl_Chunk>(wave, kSmplID)) {
        for (std::size_t n = 0; n < smpl->Loops.size(); ++n) {
            const SampleLoop& loop = smpl->Loops[n];
            if (loop.End < loop.Start) continue;
            Region region{Region::Kind::Loop, "loop " + std::to_string(n + 1), loop.CueID, loop.Start,
                          std::uint64_t{loop.End} - loop.Start + 1};
            if (Clip(region, soundFrames)) regions.push_back(std::move(region));
        }
    }
    return regions;
}

const Region* FindRegion(const std::vector<Region>& regions, std::string_view label) {
    const auto at = std::find_if(regions.begin(), regions.end(), [&](const Region& r) { return r.name == label; });
    return at == regions.end() ? nullptr : &*at;
}

RegionCut CutRegion(const WAVE_File& wave, const Region& region, bool pcm) {
    RegionCut result;
    if (wave.LoadMode != WaveLoad::Everything || wave.DataChunk.BodySkipped) {
        result.findings.push_back(NotCut(region, "its samples are not held"));
        return result;
    }
    if (!wave.Found.Fmt || !wave.Found.Data) {
        result.findings.push_back(NotCut(region, "the sound has no format or no samples"));
        return result;
    }
    const SampleLayout layout = LayoutOf(wave.FmtChunk);
    const std::uint64_t soundFrames = SoundFrameCount(wave);
    const std::uint64_t dataBytes = wave.DataChunk.ChunkData.size();
    if (!layout.Known() || layout.BlockBytes == 0) {
        result.findings.push_back(NotCut(region, "its format's frames are not known"));
        return result;
    }
    Region wanted = region;
    if (!Clip(wanted, soundFrames)) {
        result.findings.push_back(NotCut(region, "it lies past the end of the sound"));
        return result;
    }
    // Blocks [firstBlock, lastBlock] hold the region; a coding of one frame
    // a block is cut to the frame.
    const std::uint64_t perBlock = layout.FramesPerBlock;
    const std::uint64_t firstBlock = wanted.start / perBlock;
    const std::uint64_t lastBlock = (wanted.start + wanted.frames - 1) / perBlock;
    const std::uint64_t blockBytes = layout.BlockBytes;
    // Counted in blocks of the data, whose count fits well below 2^64 / BlockAlign.
    const std::uint64_t dataBlocks = dataBytes / blockBytes + (dataBytes % blockBytes != 0);
    if (firstBlock >= dataBlocks) {
        result.findings.push_back(NotCut(region, "its samples lie past the end of the data"));
        return result;
    }
    const std::uint64_t firstByte = firstBlock * blockBytes;
    const std::uint64_t endByte = std::min(dataBytes, (std::min(lastBlock, dataBlocks - 1) + 1) * blockBytes);

    std::unique_ptr<WAVE_File> cut = Bare(wave.FmtChunk);
    TakeBytes(wave, firstByte, endByte - firstByte, *cut);
    std::uint64_t fileStart = firstBlock * perBlock;  // the sound's frame the new file begins with
    std::uint64_t cueOffset = wanted.start - fileStart;
    if (perBlock > 1) {
        // The frames of the blocks taken: whole blocks, the sound's true
        // count where its last block is among them.
        const std::uint64_t frames = endByte == dataBytes ? soundFrames - fileStart
                                                          : (endByte - firstByte) / blockBytes * perBlock;
        cut->FactChunk.ChunkSize = 4;
        cut->FactChunk.SampleCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(frames, kSizeElsewhere - 1));
        cut->Found.Fact = true;
    } else if (wave.FactChunk.ChunkSize != 0) {
        cut->FactChunk.ChunkSize = 4;
        cut->FactChunk.SampleCount = static_cast<std::uint32_t>(std::min<std::uint64_t>(wanted.frames, kSizeElsewhere - 1));
        cut->Found.Fact = true;
    }

    if (pcm && DecodesToPcm16(*cut)) {
        // Each block decodes on its own, so the blocks taken decode to the
        // frames the whole sound decodes to there; then they are cut exactly.
        std::stringstream decoded;
        const Pcm16Save saved = SaveAsPcm16(*cut, nullptr, decoded);
        for (const std::string& detail : saved.Findings) {
            result.findings.push_back(Make(Code::RegionSamplesNotDecoded, {{"region", region.name}, {"detail", detail}}));
        }
        WAVE_File whole;
        decoded.seekg(0);
        whole.LoadData(decoded, WaveLoad::Everything, [](std::string_view) {});
        const std::uint64_t frameBytes = whole.FmtChunk.BlockAlign;
        const std::uint64_t held = frameBytes == 0 ? 0 : whole.DataChunk.ChunkData.size() / frameBytes;
        if (!saved.Converted || cueOffset >= held) {
            result.findings.push_back(NotCut(region, "its samples cannot be decoded"));
            return result;
        }
        auto exact = Bare(whole.FmtChunk);
        TakeBytes(whole, cueOffset * frameBytes, std::min(wanted.frames, held - cueOffset) * frameBytes, *exact);
        cut = std::move(exact);
        fileStart = wanted.start;
        cueOffset = 0;
    }

    // One cue point at the region's start, labelled with its name.
    auto cue = std::make_unique<cue_Chunk>();
    CuePoint point;
    point.CueID = 1;
    point.Position = static_cast<std::uint32_t>(cueOffset);
    point.DataChunkID = kDataID;
    point.SampleOffset = static_cast<std::uint32_t>(cueOffset);
    cue->CuePoints.push_back(point);
    auto list = std::make_unique<LIST_Chunk>();
    auto label = std::make_unique<labl_Chunk>();
    label->CueID = 1;
    label->Text = region.name + '\0';
    list->FirstSubChunk = std::move(label);
    ChainBuilder chain(cut->FirstChunk);
    chain.Append(std::move(cue));
    chain.Append(std::move(list));
    if (const bext_Chunk* bext = FirstOf<bext_Chunk>(wave, kBextID)) chain.Append(AdvancedBext(*bext, fileStart));
    result.wave = std::move(cut);
    return result;
}

}  // namespace Facts
