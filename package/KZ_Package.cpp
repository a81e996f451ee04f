#include "package/KZ_Package.h"

#include <algorithm>
#include <cstring>

#include "common/LittleEndian.h"
#include "common/Paths.h"
#include "package/CompactIndex.h"

namespace {

const std::string kNoName;

// Slot of `name` in an export index of `size` slots: the hash scaled to the
// size, so that the size need not be a power of two.
std::size_t HomeSlot(std::string_view name, std::size_t size) {
    const auto hash = static_cast<std::uint32_t>(std::hash<std::string_view>{}(name));
    return static_cast<std::size_t>((static_cast<std::uint64_t>(hash) * size) >> 32);
}

// Where the generation entries begin: right after GenerationCount.
constexpr std::uint64_t kGenerationTableOffset = 56;

// The file's length, or 0 when the stream cannot tell; leaves it at offset 0.
std::uint64_t FileSize(std::ifstream& in) {
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    in.seekg(0);
    return end > 0 ? static_cast<std::uint64_t>(end) : 0;
}

// Whether `count` entries of at least `minEntrySize` bytes can lie between
// `offset` and the end of the file.
bool Fits(std::uint32_t count, std::uint64_t minEntrySize, std::uint64_t offset, std::uint64_t fileSize) {
    return offset <= fileSize && count * minEntrySize <= fileSize - offset;
}

constexpr std::uint64_t kLargestArena = 0xFFFFFFFF;  // NameStart has 32 bits

}  // namespace

// ---- table entries --------------------------------------------------------

void KZ_Name_Element::LoadData(KZ_Package* package) {
    std::istream& in = package->GetPackageFile();
    LittleEndian::Read(in, Length);
    char text[256];
    in.read(text, Length);
    const auto got = static_cast<std::size_t>(in.gcount());
    // All Length bytes are consumed; the name stops at the first NUL.
    const void* nul = std::memchr(text, 0, got);
    NameLength = static_cast<std::uint8_t>(nul ? static_cast<const char*>(nul) - text : static_cast<std::ptrdiff_t>(got));
    std::string& arena = package->nameArena_;
    if (arena.size() + NameLength > kLargestArena) {
        // Only a name table of more than 4 GiB gets here.
        in.setstate(std::ios::failbit);
        NameLength = 0;
    }
    NameStart = static_cast<std::uint32_t>(arena.size());
    arena.append(text, NameLength);
    LittleEndian::Read(in, Flags);
}

void KZ_Import_Element::LoadData(KZ_Package* package) {
    Owner = package;
    std::istream& in = package->GetPackageFile();
    ClassPackage = Decode_cIndex(in);
    ClassName = Decode_cIndex(in);
    LittleEndian::Read(in, Package);
    ObjectName = Decode_cIndex(in);
}

void KZ_Export_Element::LoadData(KZ_Package* package) {
    Owner = package;
    std::istream& in = package->GetPackageFile();
    Class = Decode_cIndex(in);
    Super = Decode_cIndex(in);
    LittleEndian::Read(in, Package);
    ObjectName = Decode_cIndex(in);
    LittleEndian::Read(in, ObjectFlags);
    DataSize = Decode_cIndex(in);
    // An export without stored data has no offset field at all.
    DataOffset = DataSize > 0 ? Decode_cIndex(in) : 0;
}

void KZ_Generation_Element::LoadData(std::istream& in) {
    LittleEndian::Read(in, FirstWord);
    LittleEndian::Read(in, SecondWord);
}

std::string KZ_Import_Element::GetName() const { return Owner ? std::string(Owner->NameAt(ObjectName)) : kNoName; }
std::string KZ_Import_Element::GetClassName() const {
    return Owner ? std::string(Owner->NameAt(ClassName)) : kNoName;
}
std::string KZ_Import_Element::GetClassPackageName() const {
    return Owner ? std::string(Owner->NameAt(ClassPackage)) : kNoName;
}
std::string KZ_Import_Element::GetPackageName() const { return Owner ? Owner->GetObjectName(Package) : kNoName; }

std::string KZ_Export_Element::GetName() const { return Owner ? std::string(Owner->NameAt(ObjectName)) : kNoName; }
std::string KZ_Export_Element::GetClassName() const { return Owner ? Owner->GetObjectName(Class) : kNoName; }
std::string KZ_Export_Element::GetSuperName() const { return Owner ? Owner->GetObjectName(Super) : kNoName; }
std::string KZ_Export_Element::GetPackageName() const { return Owner ? Owner->GetObjectName(Package) : kNoName; }

// ---- the package ----------------------------------------------------------

KZ_Package::KZ_Package(const char* path) : Path(path) {
    GetPackageFile();
    if (!Stream.is_open()) {
        Failed = KZ_PackagePart::File;
        return;
    }
    const std::uint64_t fileSize = FileSize(Stream);

    LittleEndian::Read(Stream, Tag);
    LittleEndian::Read(Stream, Version);
    LittleEndian::Read(Stream, PackageFlags);
    LittleEndian::Read(Stream, NameCount);
    LittleEndian::Read(Stream, NameOffset);
    LittleEndian::Read(Stream, ExportCount);
    LittleEndian::Read(Stream, ExportOffset);
    LittleEndian::Read(Stream, ImportCount);
    LittleEndian::Read(Stream, ImportOffset);
    if (Version > kLastLegacyVersion) {
        Stream.read(reinterpret_cast<char*>(Guid.data()), Guid.size());
        LittleEndian::Read(Stream, GenerationCount);
        NoteFailure(KZ_PackagePart::Header);
        // The generation entries follow the count directly.
        if (GenerationCount > 0) {
            if (Claim(GenerationCount, kGenerationEntry, kGenerationTableOffset, fileSize)) {
                Generations.resize(GenerationCount);
                for (auto& generation : Generations) generation.LoadData(Stream);
            } else {
                Stream.setstate(std::ios::failbit);
            }
            NoteFailure(KZ_PackagePart::Generations);
        }
    } else {
        LittleEndian::Read(Stream, LegacyCount);
        LittleEndian::Read(Stream, LegacyOffset);
        NoteFailure(KZ_PackagePart::Header);
    }

    // Names first, then imports, then exports: each from its own offset. The
    // names' bytes fit in what the name table's bytes hold beyond the 5 of
    // each entry: room for them at once.
    if (Fits(NameCount, kMinNameEntry, NameOffset, fileSize)) {
        nameArena_.reserve(static_cast<std::size_t>(std::min<std::uint64_t>(
            std::uint64_t{NameCount} * 255, fileSize - NameOffset - NameCount * kMinNameEntry)));
    }
    ReadTable(Names, NameCount, NameOffset, kMinNameEntry, fileSize, KZ_PackagePart::Names);
    ReadTable(Imports, ImportCount, ImportOffset, kMinImportEntry, fileSize, KZ_PackagePart::Imports);
    ReadTable(Exports, ExportCount, ExportOffset, kMinExportEntry, fileSize, KZ_PackagePart::Exports);
    Stream.close();
}

// In a package the tables lie side by side, so together they fit in the
// file; counts that only fit by overlapping one another are damage, and
// would let a file claim its bytes several times over in memory.
bool KZ_Package::Claim(std::uint32_t count, std::uint64_t minEntrySize, std::uint64_t offset, std::uint64_t fileSize) {
    if (!Fits(count, minEntrySize, offset, fileSize) || count * minEntrySize > fileSize - claimed_) return false;
    claimed_ += count * minEntrySize;
    return true;
}

// A count that cannot fit between its offset and the end of the file, or in
// what the other tables leave of it, marks the package failed, like a file
// cut short, and its table is not made: the reader never allocates more
// entries than the file could hold. A table that fits is made even on a
// failed stream; its unread entries stay fresh.
template <typename Entry>
void KZ_Package::ReadTable(std::vector<Entry>& table, std::uint32_t count, std::uint64_t offset,
                           std::uint64_t minEntrySize, std::uint64_t fileSize, KZ_PackagePart part) {
    if (count == 0) return;  // an empty table may carry any offset
    if (!Claim(count, minEntrySize, offset, fileSize)) {
        Stream.setstate(std::ios::failbit);
        NoteFailure(part);
        return;
    }
    table.resize(count);
    Stream.seekg(static_cast<std::streamoff>(offset));
    for (auto& entry : table) entry.LoadData(this);
    NoteFailure(part);
}

void KZ_Package::NoteFailure(KZ_PackagePart part) {
    if (Failed == KZ_PackagePart::None && Stream.fail()) Failed = part;
}

std::ifstream& KZ_Package::GetPackageFile() {
    if (!Stream.is_open()) {
        if (Path) {
            Platform::OpenInput(Stream, Path);
        } else {
            Stream.setstate(std::ios::failbit);
        }
    }
    return Stream;
}

Platform::InputFile& KZ_Package::GetPackageSource() {
    if (!Source.IsOpen() && Path) Source.Open(Path);
    return Source;
}

std::string_view KZ_Package::NameAt(std::int32_t index) const {
    if (index < 0 || static_cast<std::size_t>(index) >= Names.size()) return {};
    const KZ_Name_Element& entry = Names[static_cast<std::size_t>(index)];
    return std::string_view(nameArena_).substr(entry.NameStart, entry.NameLength);
}

std::string KZ_Package::GetObjectName(std::int32_t ref) const {
    std::int32_t nameIndex = 0;
    if (ref < 0) {
        // -ref - 1 in 64 bits: -INT32_MIN does not fit in 32.
        const std::uint64_t import = static_cast<std::uint64_t>(-static_cast<std::int64_t>(ref) - 1);
        if (import >= Imports.size()) return kNoName;
        nameIndex = Imports[import].ObjectName;
    } else if (ref > 0) {
        const auto exportIndex = static_cast<std::uint64_t>(ref) - 1;
        if (exportIndex >= Exports.size()) return kNoName;
        nameIndex = Exports[exportIndex].ObjectName;
    }
    return std::string(NameAt(nameIndex));
}

void KZ_Package::BuildExportIndex() const {
    const std::size_t size = Exports.size() + Exports.size() / 4 + 1;
    exportSlots_.assign(size, 0);
    const auto next = [size](std::size_t slot) { return slot + 1 == size ? 0 : slot + 1; };
    // In table order, and a name already present is not entered again: the
    // first export of each name wins, as a scan in table order finds it.
    for (std::size_t i = 0; i < Exports.size(); ++i) {
        const std::string_view own = NameAt(Exports[i].ObjectName);
        for (std::size_t slot = HomeSlot(own, size);; slot = next(slot)) {
            const std::uint32_t entry = exportSlots_[slot];
            if (entry == 0) {
                exportSlots_[slot] = static_cast<std::uint32_t>(i + 1);
                break;
            }
            if (NameAt(Exports[entry - 1].ObjectName) == own) break;
        }
    }
    exportIndexBuilt_ = true;
}

const KZ_Export_Element* KZ_Package::FindExport(std::string_view name) const {
    if (!exportIndexBuilt_) BuildExportIndex();
    // At least one slot stays empty, so every search ends.
    const std::size_t size = exportSlots_.size();
    for (std::size_t slot = HomeSlot(name, size);; slot = slot + 1 == size ? 0 : slot + 1) {
        const std::uint32_t entry = exportSlots_[slot];
        if (entry == 0) return nullptr;
        const KZ_Export_Element& candidate = Exports[entry - 1];
        if (NameAt(candidate.ObjectName) == name) return &candidate;
    }
}

std::int32_t KZ_Package::FindExpObjByName(std::string name) const {
    const KZ_Export_Element* found = FindExport(name);
    return found ? found->DataOffset : -1;
}
