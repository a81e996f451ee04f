#include "kit/PackageBuilder.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <sstream>

#include "common/LittleEndian.h"
#include "kit/Files.h"

namespace TestSupport {

namespace {

template <typename T>
std::string Field(T value) {
    std::ostringstream out;
    LittleEndian::Write(out, value);
    return out.str();
}

constexpr std::uint32_t kLastLegacyVersion = 67;
constexpr char kGapByte = static_cast<char>(0xA5);

}  // namespace

std::string U8(std::uint8_t value) { return Field(value); }
std::string U16(std::uint16_t value) { return Field(value); }
std::string U32(std::uint32_t value) { return Field(value); }
std::string I32(std::int32_t value) { return Field(value); }

std::string CompactIndex(std::int32_t value, int length) {
    const bool negative = value < 0;
    const std::uint32_t bits = static_cast<std::uint32_t>(value);
    const std::uint32_t magnitude = negative ? 0u - bits : bits;
    const int shortest = magnitude < (1u << 6)    ? 1
                         : magnitude < (1u << 13) ? 2
                         : magnitude < (1u << 20) ? 3
                         : magnitude < (1u << 27) ? 4
                                                  : 5;
    const int n = std::min(5, std::max(length, shortest));
    std::string out;
    out += static_cast<char>((negative ? 0x80 : 0) | (n > 1 ? 0x40 : 0) | (magnitude & 0x3F));
    constexpr int kShifts[] = {6, 13, 20};
    for (int i = 1; i < n && i <= 3; ++i) {
        out += static_cast<char>((i < n - 1 ? 0x80 : 0) | ((magnitude >> kShifts[i - 1]) & 0x7F));
    }
    if (n == 5) out += static_cast<char>((magnitude >> 27) & 0x1F);
    return out;
}

std::string Bytes(std::initializer_list<int> bytes) {
    std::string out;
    for (const int b : bytes) out += static_cast<char>(b);
    return out;
}

std::string SoundObject(const std::string& wave, const SoundHeader& header) {
    const std::int32_t waveSize = header.waveSize.value_or(static_cast<std::int32_t>(wave.size()));
    return U8(header.headerByte) + CompactIndex(header.headerIndex, header.compactLength) +
           U32(header.headerValue) + CompactIndex(waveSize, header.compactLength) + wave;
}

std::string PcmWave(const std::vector<std::int16_t>& samples, std::uint32_t sampleRate) {
    const auto dataSize = static_cast<std::uint32_t>(samples.size() * 2);
    std::ostringstream out;
    out << "RIFF";
    LittleEndian::Write(out, std::uint32_t{4 + (8 + 16) + (8 + dataSize)});
    out << "WAVE" << "fmt ";
    LittleEndian::Write(out, std::uint32_t{16});
    LittleEndian::Write(out, std::uint16_t{1});  // PCM
    LittleEndian::Write(out, std::uint16_t{1});  // mono
    LittleEndian::Write(out, sampleRate);
    LittleEndian::Write(out, sampleRate * 2);    // bytes per second
    LittleEndian::Write(out, std::uint16_t{2});  // block align
    LittleEndian::Write(out, std::uint16_t{16});  // bits per sample
    out << "data";
    LittleEndian::Write(out, dataSize);
    for (const std::int16_t sample : samples) LittleEndian::Write(out, sample);
    return out.str();
}

std::string ToneWave(double frequency, double seconds, std::uint32_t sampleRate, double amplitude) {
    const auto count = static_cast<std::size_t>(seconds * sampleRate);
    const auto fade = std::min<std::size_t>(count / 2, sampleRate / 100);  // 10 ms
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i) {
        double gain = amplitude;
        if (i < fade) gain *= static_cast<double>(i) / static_cast<double>(fade);
        if (count - i <= fade) gain *= static_cast<double>(count - i - 1) / static_cast<double>(fade);
        const double t = static_cast<double>(i) / sampleRate;
        samples[i] = static_cast<std::int16_t>(std::lround(32767.0 * gain * std::sin(2 * std::numbers::pi * frequency * t)));
    }
    return PcmWave(samples, sampleRate);
}

// ---- packages -------------------------------------------------------------

PackageBuilder::PackageBuilder(std::uint32_t version) : Tag(LittleEndian::FourCC("KZSP")), Version(version) {}

std::int32_t PackageBuilder::AddName(const std::string& text, std::uint32_t flags) {
    const auto index = static_cast<std::int32_t>(Names.size());
    Names.push_back({text, flags});
    nameIndex_.try_emplace(text, index);
    return index;
}

std::int32_t PackageBuilder::Name(const std::string& text) {
    const auto found = nameIndex_.find(text);
    return found != nameIndex_.end() ? found->second : AddName(text);
}

std::int32_t PackageBuilder::AddImport(const ImportEntry& entry) {
    Imports.push_back(entry);
    return -static_cast<std::int32_t>(Imports.size());
}

std::int32_t PackageBuilder::AddExport(const ExportEntry& entry) {
    Exports.push_back(entry);
    return static_cast<std::int32_t>(Exports.size());
}

// The import of the class Core.<name>, added the first time it is asked for.
std::int32_t PackageBuilder::CoreClass(const std::string& name, std::int32_t& imported) {
    if (imported == 0) {
        ImportEntry entry;
        entry.classPackage = Name("Core");
        entry.className = Name("Class");
        entry.objectName = Name(name);
        imported = AddImport(entry);
    }
    return imported;
}

std::int32_t PackageBuilder::SoundClass() { return CoreClass("Sound", soundClass_); }

std::int32_t PackageBuilder::AddSound(const std::string& name, const std::string& wave, const SoundHeader& header,
                                      std::int32_t group) {
    ExportEntry sound;
    sound.classRef = SoundClass();
    sound.packageRef = group;
    sound.objectName = Name(name);
    sound.object = SoundObject(wave, header);
    return AddExport(sound);
}

std::int32_t PackageBuilder::AddGroup(const std::string& name, std::int32_t group) {
    ExportEntry entry;
    entry.classRef = CoreClass("Package", packageClass_);
    entry.packageRef = group;
    entry.objectName = Name(name);
    return AddExport(entry);
}

std::string PackageBuilder::EncodeNames() const {
    if (RawNames) return *RawNames;
    std::ostringstream out;
    for (const auto& name : Names) {
        const std::string text = name.text.substr(0, 255);
        LittleEndian::Write(out, static_cast<std::uint8_t>(text.size()));
        out << text;
        LittleEndian::Write(out, name.flags);
    }
    return out.str();
}

std::string PackageBuilder::EncodeImports() const {
    if (RawImports) return *RawImports;
    std::ostringstream out;
    for (const auto& entry : Imports) {
        out << CompactIndex(entry.classPackage, CompactLength) << CompactIndex(entry.className, CompactLength);
        LittleEndian::Write(out, entry.package);
        out << CompactIndex(entry.objectName, CompactLength);
    }
    return out.str();
}

std::string PackageBuilder::EncodeExports() const {
    if (RawExports) return *RawExports;
    std::ostringstream out;
    for (std::size_t i = 0; i < Exports.size(); ++i) {
        const auto& entry = Exports[i];
        out << CompactIndex(entry.classRef, CompactLength) << CompactIndex(entry.superRef, CompactLength);
        LittleEndian::Write(out, entry.packageRef);
        out << CompactIndex(entry.objectName, CompactLength);
        LittleEndian::Write(out, entry.flags);
        const std::int32_t dataSize = entry.dataSize.value_or(static_cast<std::int32_t>(entry.object.size()));
        out << CompactIndex(dataSize, CompactLength);
        if (dataSize > 0) {
            const auto placed = static_cast<std::int32_t>(i < ObjectOffsets.size() ? ObjectOffsets[i] : 0);
            out << CompactIndex(entry.dataOffset.value_or(placed), CompactLength);
        }
    }
    return out.str();
}

std::string PackageBuilder::Build() {
    std::vector<Section> order = Order;
    for (const Section s : {Section::Names, Section::Imports, Section::Exports, Section::Objects}) {
        if (std::find(order.begin(), order.end(), s) == order.end()) order.push_back(s);
    }
    const std::uint64_t headerSize =
        Version > kLastLegacyVersion ? 36 + 16 + 4 + 8 * Generations.size() : 36 + 8;

    const std::string names = EncodeNames();
    const std::string imports = EncodeImports();
    std::string objects;
    for (const auto& entry : Exports) objects += entry.object;

    // The export table's length depends on where the objects land, and
    // where they land may depend on its length: lay out until it settles.
    ObjectOffsets.assign(Exports.size(), 0);
    std::string exports = EncodeExports();
    for (;;) {
        std::uint64_t position = headerSize;
        for (const Section s : order) {
            position += Gap;
            sectionOffsets_[static_cast<int>(s)] = static_cast<std::uint32_t>(position);
            position += s == Section::Names     ? names.size()
                        : s == Section::Imports ? imports.size()
                        : s == Section::Exports ? exports.size()
                                                : objects.size();
        }
        std::uint32_t objectAt = SectionOffset(Section::Objects);
        for (std::size_t i = 0; i < Exports.size(); ++i) {
            ObjectOffsets[i] = objectAt;
            objectAt += static_cast<std::uint32_t>(Exports[i].object.size());
        }
        std::string again = EncodeExports();
        const bool settled = again.size() == exports.size();
        exports = std::move(again);
        if (settled) break;
    }

    std::ostringstream out;
    LittleEndian::Write(out, Tag);
    LittleEndian::Write(out, Version);
    LittleEndian::Write(out, PackageFlags);
    LittleEndian::Write(out, NameCount.value_or(static_cast<std::uint32_t>(Names.size())));
    LittleEndian::Write(out, NameOffset.value_or(SectionOffset(Section::Names)));
    LittleEndian::Write(out, ExportCount.value_or(static_cast<std::uint32_t>(Exports.size())));
    LittleEndian::Write(out, ExportOffset.value_or(SectionOffset(Section::Exports)));
    LittleEndian::Write(out, ImportCount.value_or(static_cast<std::uint32_t>(Imports.size())));
    LittleEndian::Write(out, ImportOffset.value_or(SectionOffset(Section::Imports)));
    if (Version > kLastLegacyVersion) {
        out.write(reinterpret_cast<const char*>(Guid.data()), Guid.size());
        LittleEndian::Write(out, GenerationCount.value_or(static_cast<std::uint32_t>(Generations.size())));
        for (const auto& generation : Generations) {
            LittleEndian::Write(out, generation[0]);
            LittleEndian::Write(out, generation[1]);
        }
    } else {
        LittleEndian::Write(out, LegacyCount);
        LittleEndian::Write(out, LegacyOffset);
    }
    for (const Section s : order) {
        out << std::string(Gap, kGapByte);
        out << (s == Section::Names     ? names
                : s == Section::Imports ? imports
                : s == Section::Exports ? exports
                                        : objects);
    }
    return out.str();
}

void PackageBuilder::Write(const std::filesystem::path& path) { WriteFile(path, Build()); }

}  // namespace TestSupport
