#include "wave/XmlChunk.h"

#include <algorithm>

#include "wave/ChunkIO.h"

xml_Chunk::xml_Chunk() : xml_Chunk(kIxmlID) {}

xml_Chunk::xml_Chunk(std::uint32_t id) { ChunkID = id; }

std::string xml_Chunk::Xml() const { return Text.substr(0, Text.find('\0')); }

void xml_Chunk::LoadData(std::istream& in) {
    RIFF_Chunk::LoadData(in);
    ChunkIO::ChunkBody body(in, ChunkSize);
    body.ReadRest(Text);
    body.Realign();
}

void xml_Chunk::SaveData(std::ostream& out) {
    RIFF_Chunk::SaveData(out);
    out.write(Text.data(), static_cast<std::streamsize>(Text.size()));
    WritePad(out);
}

std::uint32_t xml_Chunk::CalcSize() {
    return SizeFromHeldBytes();
}

std::vector<ChunkField> xml_Chunk::Describe() const { return {{"xml", Xml()}}; }
