#include "wave/Acid.h"

#include <algorithm>
#include <charconv>
#include <string>

#include "wave/ChunkIO.h"

namespace {

// A tempo with up to 3 decimals, trailing zeros dropped, in any locale.
std::string Decimal(float value) {
    char text[64];
    const auto result = std::to_chars(text, text + sizeof text, double{value}, std::chars_format::fixed, 3);
    std::string shown(text, result.ptr);
    if (shown.find('.') != std::string::npos) {
        while (shown.back() == '0') shown.pop_back();
        if (shown.back() == '.') shown.pop_back();
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
    ChunkSize = static_cast<std::uint32_t>(std::min<std::uint64_t>(*HeldBytes(), kSizeElsewhere));
    return StoredLength();
}

std::vector<ChunkField> acid_Chunk::Describe() const {
    std::vector<ChunkField> fields{{"type", std::string(Flags & kOneShot ? "one-shot" : "loop")}};
    if (Flags & kRootNoteSet) fields.push_back({"root_note", std::uint64_t{RootNote}});
    fields.push_back({"beats", std::uint64_t{Beats}});
    fields.push_back({"meter", std::to_string(MeterNumerator) + '/' + std::to_string(MeterDenominator)});
    fields.push_back({"tempo", Decimal(Tempo)});
    return fields;
}
