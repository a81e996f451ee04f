#include "wave/Bext.h"

#include <algorithm>
#include <cstdlib>

#include "wave/ChunkIO.h"

namespace {

// A loudness in hundredths as a decimal with two places: -2300 is "-23.00".
std::string Hundredths(std::int16_t value) {
    const int magnitude = std::abs(int{value});
    std::string text = value < 0 ? "-" : "";
    text += std::to_string(magnitude / 100) + '.';
    text += static_cast<char>('0' + magnitude % 100 / 10);
    text += static_cast<char>('0' + magnitude % 10);
    return text;
}

std::string HexBytes(const std::array<std::uint8_t, 64>& bytes) {
    constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += kDigits[byte >> 4];
        text += kDigits[byte & 0xF];
    }
    return text;
}

}  // namespace

bext_Chunk::bext_Chunk() { ChunkID = kBextID; }

void bext_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    TimeReferenceLow = TimeReferenceHigh = 0;
    Version = 0;
    UMID.fill(0);
    LoudnessValue = LoudnessRange = MaxTruePeakLevel = MaxMomentaryLoudness = MaxShortTermLoudness = 0;
    Reserved.fill('\0');
    Description.Read(fields);
    Originator.Read(fields);
    OriginatorReference.Read(fields);
    OriginationDate.Read(fields);
    OriginationTime.Read(fields);
    LittleEndian::Read(fields, TimeReferenceLow);
    LittleEndian::Read(fields, TimeReferenceHigh);
    LittleEndian::Read(fields, Version);
    fields.read(reinterpret_cast<char*>(UMID.data()), static_cast<std::streamsize>(UMID.size()));
    LittleEndian::Read(fields, LoudnessValue);
    LittleEndian::Read(fields, LoudnessRange);
    LittleEndian::Read(fields, MaxTruePeakLevel);
    LittleEndian::Read(fields, MaxMomentaryLoudness);
    LittleEndian::Read(fields, MaxShortTermLoudness);
    fields.read(Reserved.data(), static_cast<std::streamsize>(Reserved.size()));
    body.ReadRest(CodingHistory);
    body.Realign();
}

void bext_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    Description.Write(out);
    Originator.Write(out);
    OriginatorReference.Write(out);
    OriginationDate.Write(out);
    OriginationTime.Write(out);
    LittleEndian::Write(out, TimeReferenceLow);
    LittleEndian::Write(out, TimeReferenceHigh);
    LittleEndian::Write(out, Version);
    out.write(reinterpret_cast<const char*>(UMID.data()), static_cast<std::streamsize>(UMID.size()));
    LittleEndian::Write(out, LoudnessValue);
    LittleEndian::Write(out, LoudnessRange);
    LittleEndian::Write(out, MaxTruePeakLevel);
    LittleEndian::Write(out, MaxMomentaryLoudness);
    LittleEndian::Write(out, MaxShortTermLoudness);
    out.write(Reserved.data(), static_cast<std::streamsize>(Reserved.size()));
    out.write(CodingHistory.data(), static_cast<std::streamsize>(CodingHistory.size()));
    WritePad(out);
}

std::uint32_t bext_Chunk::CalcSize() {
    return SizeFromHeldBytes();
}

std::vector<ChunkField> bext_Chunk::Describe() const {
    std::vector<ChunkField> fields{
        {"description", Description.Text()},
        {"originator", Originator.Text()},
        {"originator_reference", OriginatorReference.Text()},
        {"date", OriginationDate.Text()},
        {"time", OriginationTime.Text()},
        {"time_reference", TimeReference()},
        {"version", std::uint64_t{Version}},
    };
    if (Version >= 1 && std::any_of(UMID.begin(), UMID.end(), [](std::uint8_t byte) { return byte != 0; })) {
        fields.push_back({"umid", HexBytes(UMID)});
    }
    if (Version >= 2) {
        fields.push_back({"loudness_value", Hundredths(LoudnessValue)});
        fields.push_back({"loudness_range", Hundredths(LoudnessRange)});
        fields.push_back({"max_true_peak_level", Hundredths(MaxTruePeakLevel)});
        fields.push_back({"max_momentary_loudness", Hundredths(MaxMomentaryLoudness)});
        fields.push_back({"max_short_term_loudness", Hundredths(MaxShortTermLoudness)});
    }
    const auto end = std::find(CodingHistory.begin(), CodingHistory.end(), '\0');
    fields.push_back({"coding_history", std::string(CodingHistory.begin(), end)});
    return fields;
}
