#include "facts/Sfz.h"

#include <cstdint>
#include <string>

#include "wave/Audio.h"

namespace Facts {

namespace {

const RIFF_Chunk* FirstOf(const WAVE_File& wave, ChunkKind kind) {
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        if (chunk->Kind() == kind) return chunk;
    }
    return nullptr;
}

// A pitch fraction (of a semitone, in 2^32nds) in cents, to the nearest, half up.
std::uint64_t Cents(std::uint32_t fraction) { return (std::uint64_t{fraction} * 100 + (std::uint64_t{1} << 31)) >> 32; }

void Line(std::string& text, std::string_view key, std::int64_t value) {
    text += key;
    text += '=';
    text += std::to_string(value);
    text += '\n';
}

}  // namespace

std::optional<std::string> Sfz(const WAVE_File& wave, std::string_view sampleFile) {
    const auto* smpl = static_cast<const smpl_Chunk*>(FirstOf(wave, ChunkKind::Sampler));
    if (smpl == nullptr || smpl->Loops.empty()) return std::nullopt;
    const SampleLoop& loop = smpl->Loops.front();

    std::string text = "<region>\n";
    text += "sample=";
    text += sampleFile;
    text += '\n';
    Line(text, "pitch_keycenter", smpl->UnityNote);
    // The sample sounds higher than its unity note by the fraction: tuned down by as much.
    if (const std::uint64_t cents = Cents(smpl->PitchFraction); cents != 0) {
        Line(text, "tune", -static_cast<std::int64_t>(cents));
    }
    text += "loop_mode=loop_continuous\n";
    switch (loop.Type) {
        case 0:
            text += "loop_type=forward\n";
            break;
        case 1:
            text += "loop_type=alternate\n";
            break;
        case 2:
            text += "loop_type=backward\n";
            break;
        default:
            text += "loop_type=forward\n// loop type " + std::to_string(loop.Type) + " played forward\n";
            break;
    }
    Line(text, "loop_start", loop.Start);
    Line(text, "loop_end", loop.End);
    if (loop.PlayCount != 0) text += "// play count: " + std::to_string(loop.PlayCount) + "\n";

    if (const auto* inst = static_cast<const inst_Chunk*>(FirstOf(wave, ChunkKind::Instrument))) {
        Line(text, "lokey", inst->LowNote);
        Line(text, "hikey", inst->HighNote);
        Line(text, "lovel", inst->LowVelocity);
        Line(text, "hivel", inst->HighVelocity);
        Line(text, "volume", inst->Gain);
    }
    return text;
}

}  // namespace Facts
