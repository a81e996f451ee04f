#include "wave/Acid.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>

#include "wave/ChunkIO.h"

namespace {

// A tempo with up to 3 decimals, trailing zeros dropped, the same in any
// locale and with any standard library (the WebAssembly build's has no
// to_chars for floating point): thousandths counted in integers.
std::string Decimal(float value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value < 0 ? "-inf" : "inf";
    // Beyond 2^53 thousandths a double holds no fractional digits anyway.
    if (std::fabs(double{value}) >= 9.0e12) {
        char whole[64];
        std::snprintf(whole, sizeof whole, "%.0f", double{value});
        return whole;
    }
    const long long thousandths = std::llround(double{value} * 1000.0);
    const unsigned long long magnitude = static_cast<unsigned long long>(thousandths < 0 ? -thousandths : thousandths);
    std::string shown(thousandths < 0 ? 1 : 0, '-');
    shown += std::to_string(magnitude / 1000);
    if (const unsigned long long fraction = magnitude % 1000; fraction != 0) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, 3 - digits.size(), '0');
        while (digits.back() == '0') digits.pop_back();
        shown += '.';
        shown += digits;
    }
    return shown;
}

}  // namespace

acid_Chunk::acid_Chunk() { ChunkID = kAcidID; }

void acid_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    Flags = Reserved2 = Beats = 0;
    RootNote = Reserved1 = MeterDenominator = MeterNumerator = 0;
    Tempo = 0;
    LittleEndian::Read(fields, Flags);
    LittleEndian::Read(fields, RootNote);
    LittleEndian::Read(fields, Reserved1);
    LittleEndian::Read(fields, Reserved2);
    LittleEndian::Read(fields, Beats);
    LittleEndian::Read(fields, MeterDenominator);
    LittleEndian::Read(fields, MeterNumerator);
    LittleEndian::Read(fields, Tempo);
    body.ReadRest(Rest);
    body.Realign();
}

void acid_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    LittleEndian::Write(out, Flags);
    LittleEndian::Write(out, RootNote);
    LittleEndian::Write(out, Reserved1);
    LittleEndian::Write(out, Reserved2);
    LittleEndian::Write(out, Beats);
    LittleEndian::Write(out, MeterDenominator);
    LittleEndian::Write(out, MeterNumerator);
    LittleEndian::Write(out, Tempo);
    out.write(Rest.data(), static_cast<std::streamsize>(Rest.size()));
    WritePad(out);
}

std::uint32_t acid_Chunk::CalcSize() {
    return SizeFromHeldBytes();
}

std::vector<ChunkField> acid_Chunk::Describe() const {
    std::vector<ChunkField> fields{{"type", std::string(Flags & kOneShot ? "one-shot" : "loop")}};
    if (Flags & kRootNoteSet) fields.push_back({"root_note", std::uint64_t{RootNote}});
    fields.push_back({"beats", std::uint64_t{Beats}});
    fields.push_back({"meter", std::to_string(MeterNumerator) + '/' + std::to_string(MeterDenominator)});
    fields.push_back({"tempo", Decimal(Tempo)});
    return fields;
}
