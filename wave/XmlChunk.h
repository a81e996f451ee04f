// The XML metadata chunks ("iXML", production sound metadata, and "axml",
// broadcast metadata): the whole body is one UTF-8 XML document, which
// writers often pad with NUL bytes so that it can grow in place.
#pragma once

#include <cstdint>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "RIFF_Chunk.h"

inline constexpr std::uint32_t kIxmlID = LittleEndian::FourCC("iXML");
inline constexpr std::uint32_t kAxmlID = LittleEndian::FourCC("axml");

// "iXML" or "axml": the XML text, then any padding, as stored. No fixed
// fields: an empty body is an empty text.
class xml_Chunk : public RIFF_Chunk {
public:
    // The body as stored, padding and all: a load and a save give the same
    // bytes. Setting it sets the body (and, after CalcSize, its size).
    std::string Text;

    xml_Chunk();  // an "iXML" chunk; a load keeps the stored identifier
    explicit xml_Chunk(std::uint32_t id);

    // The XML: the text up to its first NUL, or all of it.
    std::string Xml() const;

    void LoadData(std::istream& in) override;
    void SaveData(std::ostream& out) override;
    // ChunkSize = the text's bytes.
    std::uint32_t CalcSize() override;
    ChunkKind Kind() const override { return ChunkKind::Described; }
    std::optional<std::uint64_t> HeldBytes() const override { return Text.size(); }
    // xml.
    std::vector<ChunkField> Describe() const override;
};
