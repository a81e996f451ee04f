#include "facts/FactsText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "common/LittleEndian.h"
#include "facts/Escape.h"
#include "facts/Overload.h"
#include "facts/Utf8.h"
#include "package/KZ_Package.h"

namespace FactsText {

namespace {

using namespace Facts;
using Facts::Overload;
using Escape::Code;
using Escape::Hex;
using Escape::Quoted;

std::string Bytes(std::uint64_t count) { return std::to_string(count) + (count == 1 ? " byte" : " bytes"); }

std::string Head(const ChunkHead& head) { return Code(head.id) + ' ' + Bytes(head.size); }

// Floats are shown in their shortest exact form, the same on every system;
// a NaN also with its bits, which the model carries unchanged.
std::string Float(float value) {
    char text[32];
#if defined(__cpp_lib_to_chars)
    const auto end = std::to_chars(text, text + sizeof text, value).ptr;
    std::string shown(text, end);
#else
    // A standard library without to_chars for floats (the WebAssembly
    // build's): the fewest significant digits that read back as this float.
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, static_cast<double>(value));
        if (std::strtof(text, nullptr) == value) break;
    }
    std::string shown(text);
#endif
    if (std::isnan(value)) {
        std::uint32_t bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        shown += " (bits 0x" + Hex(bits, 8) + ")";
    }
    return shown;
}

// A time in the text: " (0:00.500)"; nothing without a rate.
std::string TimeText(const std::optional<Duration>& time) { return time ? " (" + Clock(time->Milliseconds()) + ")" : ""; }

// A name for a LIST INFO code ("INAM" -> "Title"), empty for one without.
std::string_view InfoTagName(std::uint32_t code) {
    static constexpr struct {
        std::uint32_t code;
        std::string_view name;
    } kNames[] = {
        {LittleEndian::FourCC("INAM"), "Title"},     {LittleEndian::FourCC("IART"), "Artist"},
        {LittleEndian::FourCC("IPRD"), "Album"},     {LittleEndian::FourCC("ICMT"), "Comment"},
        {LittleEndian::FourCC("ICRD"), "Date"},      {LittleEndian::FourCC("IGNR"), "Genre"},
        {LittleEndian::FourCC("ITRK"), "Track"},     {LittleEndian::FourCC("ICOP"), "Copyright"},
        {LittleEndian::FourCC("ISFT"), "Software"},  {LittleEndian::FourCC("IENG"), "Engineer"},
        {LittleEndian::FourCC("ITCH"), "Technician"}, {LittleEndian::FourCC("IKEY"), "Keywords"},
        {LittleEndian::FourCC("ISBJ"), "Subject"},   {LittleEndian::FourCC("ISRC"), "Source"},
        {LittleEndian::FourCC("ILNG"), "Language"},
        // The rest of the original INFO list, and the codes writers added
        // since that tag editors agree on.
        {LittleEndian::FourCC("IARL"), "Archival location"}, {LittleEndian::FourCC("ICMS"), "Commissioned"},
        {LittleEndian::FourCC("ICRP"), "Cropped"},     {LittleEndian::FourCC("IDIM"), "Dimensions"},
        {LittleEndian::FourCC("IDPI"), "Dots per inch"}, {LittleEndian::FourCC("ILGT"), "Lightness"},
        {LittleEndian::FourCC("IMED"), "Medium"},      {LittleEndian::FourCC("IPLT"), "Palette setting"},
        {LittleEndian::FourCC("ISHP"), "Sharpness"},   {LittleEndian::FourCC("ISRF"), "Source form"},
        {LittleEndian::FourCC("IPRT"), "Part"},        {LittleEndian::FourCC("ISTR"), "Starring"},
        {LittleEndian::FourCC("IWRI"), "Written by"},  {LittleEndian::FourCC("IPRO"), "Produced by"},
        {LittleEndian::FourCC("IMUS"), "Music by"},    {LittleEndian::FourCC("IEDT"), "Edited by"},
        {LittleEndian::FourCC("ICNT"), "Country"},     {LittleEndian::FourCC("IRTD"), "Rating"},
        {LittleEndian::FourCC("IENC"), "Encoded by"},  {LittleEndian::FourCC("IDIT"), "Digitized"},
        {LittleEndian::FourCC("ISMP"), "SMPTE time code"}, {LittleEndian::FourCC("ISGN"), "Secondary genre"},
    };
    for (const auto& entry : kNames) {
        if (entry.code == code) return entry.name;
    }
    return {};
}

// ---- the WAVE print -------------------------------------------------------

constexpr std::size_t kExtraBytesShown = 32;
constexpr std::size_t kTextBytesShown = 1024;

// A described chunk's text: a long one (an XML document runs to many
// kilobytes) as its first 1024 bytes, cut between characters, and its whole
// length: "<?xml ..." ... (3000 bytes). The JSON keeps the whole text.
std::string DescribedText(std::string_view text) {
    if (text.size() <= kTextBytesShown) return Quoted(text);
    std::size_t cut = 0;
    while (cut < kTextBytesShown) {
        std::uint32_t code = 0;
        const std::size_t length = std::max<std::size_t>(Utf8::MultiByteLength(text, cut, code), 1);
        if (cut + length > kTextBytesShown) break;
        cut += length;
    }
    return Quoted(text.substr(0, cut)) + " ... (" + Bytes(text.size()) + ")";
}

class WavePrinter {
public:
    WavePrinter(const Wave& wave, std::ostream& out) : wave_(wave), out_(out) {}

    void operator()(const Ds64Chunk& ds64) const {
        out_ << Head(ds64.head) << '\n'
             << "  RIFF size: " << ds64.riffSize << ", data size: " << ds64.dataSize << ", sample count: "
             << ds64.sampleCount << '\n';
        for (const ChunkHead& entry : ds64.table) out_ << "  " << Head(entry) << '\n';
    }

    void operator()(const FormatChunk& fmt) const {
        out_ << Head(fmt.head) << '\n'
             << "  Format tag: " << TagText(fmt.formatTag, fmt.formatName) << '\n'
             << "  Channels: " << fmt.channels << '\n'
             << "  Samples per second: " << fmt.samplesPerSec << '\n'
             << "  Average bytes per second: " << fmt.avgBytesPerSec << '\n'
             << "  Block align: " << fmt.blockAlign << '\n'
             << "  Bits per sample: " << fmt.bitsPerSample << '\n';
        if (!fmt.extended) return;
        out_ << "  Extra size: " << fmt.extraSize << '\n';
        if (fmt.extra.empty()) return;
        out_ << "  Extra data:";
        const std::size_t shown = std::min(fmt.extra.size(), kExtraBytesShown);
        for (std::size_t i = 0; i < shown; ++i) out_ << ' ' << Hex(fmt.extra[i], 2);
        if (shown < fmt.extra.size()) out_ << " ...";
        out_ << '\n';
        if (!fmt.extensible) return;
        const FormatChunk::Extensible& extensible = *fmt.extensible;
        out_ << "  Valid bits: " << extensible.validBits << '\n'
             << "  Channel mask: 0x" << Hex(extensible.channelMask, 8) << '\n';
        if (extensible.standardGuid) {
            out_ << "  Sub-format: " << TagText(extensible.subFormatTag, extensible.subFormatName) << '\n';
        } else {
            std::string guid;
            for (std::size_t i = 6; i < 22; ++i) guid += Hex(fmt.extra[i], 2);
            out_ << "  Sub-format GUID: " << guid << '\n';
        }
    }

    void operator()(const FactChunk& fact) const {
        out_ << Head(fact.head) << '\n' << "  Sample count: " << fact.sampleCount << '\n';
    }

    // How many sample frames the samples make and how long they play, where
    // the format tells.
    void operator()(const DataChunk& data) const {
        const Audio& audio = wave_.audio;
        out_ << Head(data.head) << '\n';
        if (!audio.frames) {
            if (audio.hasFormat) out_ << "  Length: unknown for this format\n";
            return;
        }
        std::string frames = std::to_string(*audio.frames) + (*audio.frames == 1 ? " frame" : " frames");
        if (audio.blocks) frames += " in " + std::to_string(*audio.blocks) + (*audio.blocks == 1 ? " block" : " blocks");
        if (audio.duration) {
            out_ << "  Duration: " << Clock(audio.duration->Milliseconds()) << " (" << frames << ")\n";
        } else {
            out_ << "  Length: " << frames << '\n';
        }
    }

    // The sample the cue marks is its sample offset in the data chunk.
    void operator()(const CueChunk& cue) const {
        out_ << Head(cue.head) << '\n' << "  Cue points: " << cue.count << '\n';
        for (const CuePoint& point : cue.points) {
            out_ << "  Cue id " << point.CueID << ": sample offset " << point.SampleOffset
                 << TimeText(TimeOf(point.SampleOffset, wave_.audio.rate)) << ", position " << point.Position
                 << ", chunk " << Code(point.DataChunkID) << ", chunk start " << point.ChunkStart << ", block start "
                 << point.BlockStart << '\n';
            const auto texts = wave_.cueTexts.find(point.CueID);
            if (texts == wave_.cueTexts.end()) continue;
            // Points that share an id share its texts: printed once, under the first.
            if (!shown_.insert(point.CueID).second) {
                out_ << "    Texts as for the first cue id " << point.CueID << " above\n";
                continue;
            }
            for (const TextRef& ref : texts->second) PrintCueText(wave_.Text(ref));
        }
    }

    void operator()(const ListChunk& list) const {
        out_ << Head(list.head) << ", type " << Code(list.listType) << '\n';
        for (const SubChunk& sub : list.subs) {
            if (list.info) {
                PrintInfoTag(sub);
            } else {
                PrintSubChunk(sub);
            }
        }
    }

    void operator()(const PhonemeChunk& phnm) const {
        out_ << Head(phnm.head) << '\n';
        out_ << "  Text: " << Quoted(phnm.text) << '\n';
        out_ << "  Words: " << phnm.wordCount << '\n';
        for (const WordFacts& word : phnm.words) {
            out_ << "  Word " << Quoted(word.word) << ": int A " << word.intA << ", int B " << word.intB << ", float A "
                 << Float(word.floatA) << ", float B " << Float(word.floatB) << ", phonemes " << word.phonemeCount
                 << '\n';
            for (const PhonemeFacts& phoneme : word.phonemes) {
                out_ << "    Phoneme " << Code(std::string_view(phoneme.tag)) << " U+" << Hex(phoneme.code, 4);
                if (!phoneme.symbol.empty()) out_ << ' ' << phoneme.symbol;
                out_ << ": float A " << Float(phoneme.floatA) << ", float B " << Float(phoneme.floatB) << '\n';
            }
        }
    }

    void operator()(const SamplerChunk& smpl) const {
        out_ << Head(smpl.head) << '\n'
             << "  Manufacturer: " << smpl.manufacturer << ", product " << smpl.product << ", sample period "
             << smpl.samplePeriod << " ns, unity note " << smpl.unityNote << ", pitch fraction " << smpl.pitchFraction
             << '\n'
             << "  SMPTE format: " << smpl.smpteFormat << ", offset " << smpl.smpteOffset << '\n'
             << "  Sampler data: " << Bytes(smpl.samplerDataSize) << '\n'
             << "  Loops: " << smpl.loopCount << '\n';
        for (const SamplerLoop& loop : smpl.loops) {
            out_ << "  Loop id " << loop.cueID << ": " << LoopTypeName(loop.type) << ", start " << loop.start
                 << TimeText(TimeOf(loop.start, wave_.audio.rate)) << ", end " << loop.end
                 << TimeText(TimeOf(loop.end, wave_.audio.rate)) << ", fraction " << loop.fraction << ", "
                 << (loop.playCount == 0 ? std::string("plays for ever") : "plays " + std::to_string(loop.playCount) + " times")
                 << '\n';
        }
    }

    void operator()(const InstrumentChunk& inst) const {
        out_ << Head(inst.head) << '\n'
             << "  Unshifted note: " << int{inst.unshiftedNote} << ", fine tune " << int{inst.fineTune} << " cents, gain "
             << int{inst.gain} << " dB\n"
             << "  Notes: " << int{inst.lowNote} << " to " << int{inst.highNote} << ", velocities "
             << int{inst.lowVelocity} << " to " << int{inst.highVelocity} << '\n';
    }

    // A field's name may come from the file (an ID3 tag's own text frames).
    void operator()(const DescribedChunk& described) const {
        out_ << Head(described.head) << '\n';
        for (const ChunkField& field : described.fields) {
            out_ << "  " << Escape::Printable(field.name) << ": ";
            std::visit(Overload{
                           [&](std::uint64_t number) { out_ << number; },
                           [&](const std::string& text) { out_ << DescribedText(text); },
                       },
                       field.value);
            out_ << '\n';
        }
    }

    void operator()(const RawChunk& raw) const { out_ << Head(raw.head) << ", not interpreted\n"; }

private:
    static std::string TagText(std::uint16_t tag, std::string_view name) {
        return "0x" + Hex(tag, 4) + (name.empty() ? "" : " (" + std::string(name) + ")");
    }

    void PrintCueText(const SubChunk& sub) const {
        std::visit(Overload{
                       [&](const Label& label) { out_ << "    Label: " << Quoted(label.text) << '\n'; },
                       [&](const LabelledText& text) {
                           out_ << "    Text: " << Quoted(text.text) << ", sample length " << text.sampleLength
                                << TimeText(TimeOf(text.sampleLength, wave_.audio.rate)) << ", purpose "
                                << Code(text.purpose) << '\n';
                       },
                       [&](const Note& note) { out_ << "    Note: " << Quoted(note.text) << '\n'; },
                       [&](const RawSubChunk&) {},
                   },
                   sub);
    }

    void PrintInfoTag(const SubChunk& sub) const {
        const ChunkHead& head = std::visit([](const auto& s) -> const ChunkHead& { return s.head; }, sub);
        const auto* raw = std::get_if<RawSubChunk>(&sub);
        const std::string_view name = InfoTagName(head.id);
        out_ << "  " << (name.empty() ? Code(head.id) : std::string(name)) << ": " << Quoted(raw ? raw->text : "")
             << '\n';
    }

    void PrintSubChunk(const SubChunk& sub) const {
        std::visit(Overload{
                       [&](const Label& label) {
                           out_ << "  " << Head(label.head) << ", cue id " << label.cueID << ": " << Quoted(label.text);
                       },
                       [&](const LabelledText& text) {
                           out_ << "  " << Head(text.head) << ", cue id " << text.cueID << ": sample length "
                                << text.sampleLength << ", purpose " << Code(text.purpose) << ", country "
                                << text.country << ", language " << text.language << ", dialect " << text.dialect
                                << ", code page " << text.codePage << ", text " << Quoted(text.text);
                       },
                       [&](const Note& note) {
                           out_ << "  " << Head(note.head) << ", cue id " << note.cueID << ": " << Quoted(note.text);
                       },
                       [&](const RawSubChunk& raw) { out_ << "  " << Head(raw.head) << ", not interpreted"; },
                   },
                   sub);
        out_ << '\n';
    }

    const Wave& wave_;
    std::ostream& out_;
    mutable std::unordered_set<std::uint32_t> shown_;  // cue ids whose texts are printed
};

}  // namespace

std::string Clock(std::uint64_t ms) {
    using Count = unsigned long long;
    const Count seconds = ms / 1000, minutes = seconds / 60, hours = minutes / 60;
    char text[64];
    if (hours == 0) {
        std::snprintf(text, sizeof text, "%llu:%02llu.%03llu", minutes, seconds % 60, Count{ms % 1000});
    } else {
        std::snprintf(text, sizeof text, "%llu:%02llu:%02llu.%03llu", hours, minutes % 60, seconds % 60, Count{ms % 1000});
    }
    return text;
}

std::string Summary(const Audio& audio) {
    if (!audio.hasFormat) return "no format";
    std::string text = audio.formatName.empty() ? "format tag 0x" + Hex(audio.codingTag, 4) : std::string(audio.formatName);
    text += ", " + std::to_string(audio.channels) + (audio.channels == 1 ? " channel, " : " channels, ");
    text += std::to_string(audio.rate) + " Hz, " + std::to_string(audio.bits) + " bits, ";
    if (!audio.hasData) return text + "no samples";
    return text + (audio.duration ? Clock(audio.duration->Milliseconds()) : "length unknown");
}

void PrintWave(const Wave& wave, std::string_view name, std::ostream& out) {
    out << Escape::Printable(name) << ": " << (wave.storedAsRf64 ? "RF64, " : "") << Summary(wave.audio) << '\n';
    out << "RIFF size: " << wave.riffSize;
    if (wave.riffSizeStored != wave.riffSize) out << " as saved (" << wave.riffSizeStored << " as stored)";
    out << '\n';
    const WavePrinter printer(wave, out);
    for (const Chunk& chunk : wave.chunks) std::visit(printer, chunk);
    out << std::flush;
}

}  // namespace FactsText
