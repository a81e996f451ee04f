#include "wave/Cart.h"

#include <algorithm>
#include <string>

#include "wave/ChunkIO.h"

namespace {

// A date and a time as one text, "2024-05-06 07:08:09"; either may be empty.
std::string When(const std::string& date, const std::string& time) {
    if (date.empty() || time.empty()) return date + time;
    return date + ' ' + time;
}

}  // namespace

cart_Chunk::cart_Chunk() { ChunkID = kCartID; }

void cart_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    std::istream& fields = body.Stream();
    LevelReference = 0;
    Reserved.fill('\0');
    Version.Read(fields);
    for (FixedText<64>* text : {&Title, &Artist, &CutID, &ClientID, &Category, &Classification, &OutCue}) {
        text->Read(fields);
    }
    StartDate.Read(fields);
    StartTime.Read(fields);
    EndDate.Read(fields);
    EndTime.Read(fields);
    ProducerAppID.Read(fields);
    ProducerAppVersion.Read(fields);
    UserDef.Read(fields);
    LittleEndian::Read(fields, LevelReference);
    for (CartTimer& timer : PostTimers) {
        timer.Value = 0;
        timer.Usage.Read(fields);
        LittleEndian::Read(fields, timer.Value);
    }
    fields.read(Reserved.data(), static_cast<std::streamsize>(Reserved.size()));
    URL.Read(fields);
    body.ReadRest(TagText);
    body.Realign();
}

void cart_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    Version.Write(out);
    for (const FixedText<64>* text : {&Title, &Artist, &CutID, &ClientID, &Category, &Classification, &OutCue}) {
        text->Write(out);
    }
    StartDate.Write(out);
    StartTime.Write(out);
    EndDate.Write(out);
    EndTime.Write(out);
    ProducerAppID.Write(out);
    ProducerAppVersion.Write(out);
    UserDef.Write(out);
    LittleEndian::Write(out, LevelReference);
    for (const CartTimer& timer : PostTimers) {
        timer.Usage.Write(out);
        LittleEndian::Write(out, timer.Value);
    }
    out.write(Reserved.data(), static_cast<std::streamsize>(Reserved.size()));
    URL.Write(out);
    out.write(TagText.data(), static_cast<std::streamsize>(TagText.size()));
    WritePad(out);
}

std::uint32_t cart_Chunk::CalcSize() {
    return SizeFromHeldBytes();
}

std::vector<ChunkField> cart_Chunk::Describe() const {
    std::vector<ChunkField> fields{
        {"version", Version.Text()},
        {"title", Title.Text()},
        {"artist", Artist.Text()},
        {"cut_id", CutID.Text()},
        {"client_id", ClientID.Text()},
        {"category", Category.Text()},
        {"classification", Classification.Text()},
        {"out_cue", OutCue.Text()},
        {"start", When(StartDate.Text(), StartTime.Text())},
        {"end", When(EndDate.Text(), EndTime.Text())},
        {"producer_app_id", ProducerAppID.Text()},
        {"producer_app_version", ProducerAppVersion.Text()},
        {"user_def", UserDef.Text()},
        {"level_reference", std::to_string(LevelReference)},
    };
    for (std::size_t n = 0; n < PostTimers.size(); ++n) {
        const std::string usage = PostTimers[n].Usage.Text();
        if (usage.empty()) continue;
        fields.push_back({"post_timer_" + std::to_string(n + 1), usage + ' ' + std::to_string(PostTimers[n].Value)});
    }
    fields.push_back({"url", URL.Text()});
    const auto end = std::find(TagText.begin(), TagText.end(), '\0');
    fields.push_back({"tag_text", std::string(TagText.begin(), end)});
    return fields;
}
