// kit/: builders of sound packages and WAVE files, made by our own code and
// nothing else, for the tests, the fuzz seeds, the bundled example
// (make_example) and the benchmarks' inputs. Not part of any program.
//
//   PackageBuilder.h  packages, sound objects and whole PCM WAVE files
//   WaveBuilder.h     WAVE files chunk by chunk, damaged ones included
//   Example.h         the bundled example's packages and script
//   Files.h           whole files in and out
//
// PackageBuilder writes sound packages field by field.
//
// A package is described by plain public fields and built into its bytes:
//
//   PackageBuilder b;                      // version 68, no generations
//   b.AddSound("Wind01", ToneWave(440, 0.5));
//   b.Order = {Section::Exports, Section::Objects, Section::Names, Section::Imports};
//   b.CompactLength = 5;                   // every compact field in 5 bytes
//   b.ExportCount = 0x10000000;            // damaged: an absurd count
//   std::string bytes = b.Build();         // or b.Write(path)
//
// Well-formed by default: the header's counts and offsets, each export's
// DataSize and DataOffset are filled in from the layout. Every one of them
// can be overridden to make damaged packages; cut a package short with
// bytes.substr / resize.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace TestSupport {

// ---- field encoders -----------------------------------------------------

std::string U8(std::uint8_t value);
std::string U16(std::uint16_t value);
std::string U32(std::uint32_t value);
std::string I32(std::int32_t value);
// A compact index in its shortest form (length 0), or in exactly `length`
// bytes (1 to 5) when that is at least its shortest form: CompactIndex(0, 2)
// is 40 00.
std::string CompactIndex(std::int32_t value, int length = 0);
// Bytes from a list of byte values: Bytes({0x40, 0x00}).
std::string Bytes(std::initializer_list<int> bytes);

// ---- sound objects and WAVE files ---------------------------------------

// The header of a stored sound object; WaveSize defaults to the WAVE bytes'
// length.
struct SoundHeader {
    std::uint8_t headerByte = 0;
    std::int32_t headerIndex = 0;
    std::uint32_t headerValue = 0;
    std::optional<std::int32_t> waveSize;
    int compactLength = 0;
};

// A sound object as stored at its export's offset: u8 HeaderByte, compact
// HeaderIndex, u32 HeaderValue, compact WaveSize, then the WAVE bytes.
std::string SoundObject(const std::string& wave, const SoundHeader& header = {});

// A complete PCM WAVE file, 16-bit mono: "RIFF", "WAVE", a 16-byte "fmt "
// chunk and a "data" chunk.
std::string PcmWave(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate = 22050);
// A sine tone of `seconds`, with short fades at both ends so it does not
// click; `amplitude` is a fraction of full scale.
std::string ToneWave(double frequency, double seconds, std::uint32_t sampleRate = 22050,
                     double amplitude = 0.5);

// ---- packages -------------------------------------------------------------

struct NameEntry {
    std::string text;  // stored as is (NULs included), at most 255 bytes
    std::uint32_t flags = 0;
};

struct ImportEntry {
    std::int32_t classPackage = 0;  // name index
    std::int32_t className = 0;     // name index
    std::int32_t package = 0;       // object reference
    std::int32_t objectName = 0;    // name index
};

struct ExportEntry {
    std::int32_t classRef = 0;    // object reference
    std::int32_t superRef = 0;    // object reference
    std::int32_t packageRef = 0;  // object reference
    std::int32_t objectName = 0;  // name index
    std::uint32_t flags = 0;
    std::string object;                      // stored data, placed among the objects
    std::optional<std::int32_t> dataSize;    // default: object.size()
    std::optional<std::int32_t> dataOffset;  // default: where `object` lies
};

// The parts laid out after the header, in PackageBuilder::Order.
enum class Section { Names, Imports, Exports, Objects };

class PackageBuilder {
public:
    explicit PackageBuilder(std::uint32_t version = 68);

    // Header fields.
    std::uint32_t Tag;
    std::uint32_t Version;
    std::uint32_t PackageFlags = 0;
    std::uint32_t LegacyCount = 0;   // written when Version <= 67
    std::uint32_t LegacyOffset = 0;  // written when Version <= 67
    std::array<std::uint8_t, 16> Guid{};
    std::vector<std::array<std::uint32_t, 2>> Generations;  // written when Version >= 68

    // Layout: the sections in file order (a missing one goes last), `Gap`
    // filler bytes (0xA5) before each, every compact field in
    // `CompactLength` bytes (0: shortest).
    std::vector<Section> Order{Section::Names, Section::Imports, Section::Exports, Section::Objects};
    std::size_t Gap = 0;
    int CompactLength = 0;

    // Damaged headers: when set, stored instead of the true value.
    std::optional<std::uint32_t> NameCount, NameOffset, ExportCount, ExportOffset, ImportCount,
        ImportOffset, GenerationCount;
    // Hand-written table bytes, stored instead of the entries' encoding.
    std::optional<std::string> RawNames, RawImports, RawExports;

    std::vector<NameEntry> Names;
    std::vector<ImportEntry> Imports;
    std::vector<ExportEntry> Exports;

    // Appends a name entry; returns its index.
    std::int32_t AddName(const std::string& text, std::uint32_t flags = 0);
    // The index of the first entry added with this text, adding one when absent.
    std::int32_t Name(const std::string& text);
    // Appends an entry; returns its object reference (-1 for the first import,
    // 1 for the first export).
    std::int32_t AddImport(const ImportEntry& entry);
    std::int32_t AddExport(const ExportEntry& entry);
    // The import of the class "Sound" (package "Core"), made on first use.
    std::int32_t SoundClass();
    std::int32_t CoreClass(const std::string& name, std::int32_t& imported);
    // An export of class Sound named `name` holding SoundObject(wave, header),
    // enclosed by the object `group` refers to (0: none).
    std::int32_t AddSound(const std::string& name, const std::string& wave, const SoundHeader& header = {},
                          std::int32_t group = 0);
    // An export of class Package without data, a group of the exports that
    // refer to it, itself enclosed by `group`.
    std::int32_t AddGroup(const std::string& name, std::int32_t group = 0);

    // The package's bytes.
    std::string Build();
    void Write(const std::filesystem::path& path);

    // Filled by Build: where each section and each export's object lies.
    std::uint32_t SectionOffset(Section section) const { return sectionOffsets_[static_cast<int>(section)]; }
    std::vector<std::uint32_t> ObjectOffsets;

private:
    std::string EncodeNames() const;
    std::string EncodeImports() const;
    std::string EncodeExports() const;

    std::unordered_map<std::string, std::int32_t> nameIndex_;
    std::int32_t soundClass_ = 0;
    std::int32_t packageClass_ = 0;
    std::array<std::uint32_t, 4> sectionOffsets_{};
};

}  // namespace TestSupport
