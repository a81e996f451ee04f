#include "facts/LabelTrack.h"

#include <charconv>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "facts/Facts.h"
#include "wave/Audio.h"

namespace Facts {

namespace {

// A 96-bit product and its division, without a compiler's 128-bit type (not
// every target has one): a time is frames (up to 64 bits) times a word's
// index or a million, over the rate times the number of words.
struct Wide {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
};

Wide Multiply(std::uint64_t a, std::uint32_t b) {
    const std::uint64_t low = (a & 0xFFFFFFFF) * b;
    const std::uint64_t high = (a >> 32) * b;
    const std::uint64_t sum = low + (high << 32);
    return {(high >> 32) + (sum < low), sum};
}

struct Quotient {
    std::uint64_t whole = 0;  // the low 64 bits: callers keep it below 2^64
    std::uint64_t rest = 0;
};

// `value` / `divisor`, bit by bit. The divisor lies between 0 and 2^63 (a
// rate times a count of words, which a signed 32-bit field states), so the
// rest, below it, never loses a bit to the shift.
Quotient Divide(Wide value, std::uint64_t divisor) {
    Quotient q;
    for (int bit = 127; bit >= 0; --bit) {
        const std::uint64_t next = bit >= 64 ? (value.high >> (bit - 64)) & 1 : (value.low >> bit) & 1;
        q.rest = (q.rest << 1) | next;
        q.whole <<= 1;
        if (q.rest >= divisor) {
            q.rest -= divisor;
            q.whole |= 1;
        }
    }
    return q;
}

// The time a * b / d seconds (b <= d, d > 0) to the nearest microsecond,
// half up: "12.345678", whatever the locale, from integers alone.
std::string Seconds(std::uint64_t a, std::uint32_t b, std::uint64_t d) {
    const Quotient seconds = Divide(Multiply(a, b), d);
    const Quotient micros = Divide(Multiply(seconds.rest, 1000000), d);
    std::uint64_t whole = seconds.whole;
    std::uint64_t fraction = micros.whole;
    if (micros.rest >= d - micros.rest && ++fraction == 1000000) {
        fraction = 0;
        ++whole;
    }
    char digits[24];
    std::string text(digits, std::to_chars(digits, digits + sizeof digits, whole).ptr);
    const std::size_t length =
        static_cast<std::size_t>(std::to_chars(digits, digits + sizeof digits, fraction).ptr - digits);
    text += '.';
    text.append(6 - length, '0');
    text.append(digits, length);
    return text;
}

// A label on one line of its own, with no tab to split it.
std::string OneLine(std::string_view text) {
    std::string line(text);
    for (char& c : line) {
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    }
    return line;
}

std::string UpToNul(std::string_view text) { return std::string(text.substr(0, text.find('\0'))); }

std::string WithoutNul(std::string_view text) {
    while (!text.empty() && text.back() == '\0') text.remove_suffix(1);
    return std::string(text);
}

// What the "adtl" lists say of one cue id.
struct CueTexts {
    std::optional<std::string> label;     // the first "labl"
    std::optional<std::string> text;      // the first "ltxt"
    std::optional<std::uint32_t> length;  // the first "ltxt" sample length above 0
};

std::map<std::uint32_t, CueTexts> TextsByCue(const WAVE_File& wave) {
    std::map<std::uint32_t, CueTexts> texts;
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        if (chunk->Kind() != ChunkKind::List) continue;
        const auto& list = static_cast<const LIST_Chunk&>(*chunk);
        if (list.ListType != kAdtlID) continue;
        for (const RIFF_Chunk* sub = list.FirstSubChunk.get(); sub != nullptr; sub = sub->GetNextChunk()) {
            if (sub->Kind() == ChunkKind::Label) {
                const auto& label = static_cast<const labl_Chunk&>(*sub);
                CueTexts& cue = texts[label.CueID];
                if (!cue.label) cue.label = UpToNul(label.Text);
            } else if (sub->Kind() == ChunkKind::LabelledText) {
                const auto& text = static_cast<const ltxt_Chunk&>(*sub);
                CueTexts& cue = texts[text.CueID];
                if (!cue.text) cue.text = WithoutNul(text.Text);
                if (!cue.length && text.SampleLength > 0) cue.length = text.SampleLength;
            }
        }
    }
    return texts;
}

const RIFF_Chunk* FirstOf(const WAVE_File& wave, ChunkKind kind) {
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        if (chunk->Kind() == kind) return chunk;
    }
    return nullptr;
}

class Track {
public:
    explicit Track(std::uint32_t rate) : rate_(rate) {}

    // A mark from frame `start` to frame `end`.
    void Add(std::uint64_t start, std::uint64_t end, std::string_view label) { Add(start, 1, end, 1, 1, label); }
    // A mark from startFrames * startScale / count frames to endFrames * endScale / count.
    void Add(std::uint64_t startFrames, std::uint32_t startScale, std::uint64_t endFrames, std::uint32_t endScale,
             std::uint32_t count, std::string_view label) {
        text_ += Seconds(startFrames, startScale, count * rate_);
        text_ += '\t';
        text_ += Seconds(endFrames, endScale, count * rate_);
        text_ += '\t';
        text_ += OneLine(label);
        text_ += '\n';
    }
    std::string Text() && { return std::move(text_); }

private:
    std::uint64_t rate_;
    std::string text_;
};

}  // namespace

std::string LabelTrack(const WAVE_File& wave) {
    const std::uint32_t rate = wave.FmtChunk.SamplesPerSec;
    if (rate == 0) return {};
    Track track(rate);

    const auto texts = TextsByCue(wave);
    std::uint64_t regions = 0;
    for (const RIFF_Chunk* chunk = wave.FirstChunk.get(); chunk != nullptr; chunk = chunk->GetNextChunk()) {
        if (chunk->Kind() != ChunkKind::Cue) continue;
        for (const CuePoint& point : static_cast<const cue_Chunk&>(*chunk).CuePoints) {
            const auto found = texts.find(point.CueID);
            const CueTexts none;
            const CueTexts& cue = found != texts.end() ? found->second : none;
            if (cue.length) {
                ++regions;
                track.Add(point.SampleOffset, std::uint64_t{point.SampleOffset} + *cue.length,
                          cue.label ? *cue.label : "region " + std::to_string(regions));
            } else {
                track.Add(point.SampleOffset, point.SampleOffset,
                          cue.label  ? *cue.label
                          : cue.text ? *cue.text
                                     : "cue " + std::to_string(point.CueID));
            }
        }
    }

    if (const auto* smpl = static_cast<const smpl_Chunk*>(FirstOf(wave, ChunkKind::Sampler))) {
        std::uint64_t n = 0;
        for (const SampleLoop& loop : smpl->Loops) {
            track.Add(loop.Start, std::uint64_t{loop.End} + 1, "loop " + std::to_string(++n));
        }
    }

    if (const auto* phnm = static_cast<const phnm_Chunk*>(FirstOf(wave, ChunkKind::Phonemes))) {
        std::vector<Finding> ignored;  // Describe names them
        const Audio audio =
            AudioOf(wave.Found.Fmt ? &wave.FmtChunk : nullptr, FactCount(wave),
                    wave.Found.Data ? std::optional<std::uint64_t>(wave.DataChunk.BodyBytes()) : std::nullopt, ignored);
        const std::uint64_t frames = audio.frames.value_or(0);
        // No more than the signed 32-bit word count states.
        const auto count = static_cast<std::uint32_t>(phnm->Words.size());
        for (std::uint32_t i = 0; frames > 0 && i < count; ++i) {
            const Word_Block& word = phnm->Words[i];
            const std::string label = UpToNul(std::string_view(word.Word.data(), word.Word.size()));
            if (word.IntA >= 0 && word.IntB > word.IntA && static_cast<std::uint64_t>(word.IntB) <= frames) {
                track.Add(static_cast<std::uint64_t>(word.IntA), static_cast<std::uint64_t>(word.IntB), label);
            } else {
                track.Add(frames, i, frames, i + 1, count, label);
            }
        }
    }
    return std::move(track).Text();
}

}  // namespace Facts
