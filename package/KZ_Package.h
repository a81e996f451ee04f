// package/: the sound package reader -- compact indices (CompactIndex.h),
// the package file with its name, import, export and generation tables,
// object references and the lookup of an export by name (this header).
//
// A sound package: a fixed header, then a name, an import and an export table
// (and, from version 68 on, a generation table), each found by its own
// offset; the objects themselves lie wherever the export table says.
//
//   0  u32 Tag            20 u32 ExportCount     36.. tail, by Version:
//   4  u32 Version        24 u32 ExportOffset      <= 67: u32 LegacyCount, u32 LegacyOffset
//   8  u32 PackageFlags   28 u32 ImportCount       >= 68: 16-byte Guid, u32 GenerationCount,
//  12  u32 NameCount      32 u32 ImportOffset             then the generation entries
//  16  u32 NameOffset
//
// The package reads its header and tables once, in the constructor, and
// closes the file; GetPackageFile reopens it on demand. Every failure shows
// only in the stream's state: a file that cannot be opened, one cut short,
// or a header whose counts cannot fit in the file leaves the stream failed,
// and reopening never clears that.
//
// Memory: the tables in memory take at most 4 times the bytes they occupy in
// the file. The tables together must fit in the file (each entry counted at
// its smallest stored size), entries are kept compact, and every name's
// bytes lie in one arena of the package's, so a file of nothing but table
// entries -- 20 million empty names in 100 MiB -- costs a bounded multiple
// of its size and never a heap block per entry.
#pragma once

#include <array>
#include <cstdint>
#include <fstream>
#include <istream>
#include <string>
#include <string_view>
#include <vector>

#include "../common/InputFile.h"

class KZ_Package;

// Name entry: u8 Length, Length name bytes, u32 Flags (5 to 260 bytes). The
// name is the bytes before the first NUL among them.
//
// The name's bytes lie in the package's name arena (read them with
// KZ_Package::NameAt); the entry notes where. It keeps no pointer to its
// package: with one, an entry would cost five times its smallest stored size.
class KZ_Name_Element {
public:
    std::uint32_t NameStart = 0;  // offset of the name in the package's name arena
    std::uint8_t Length = 0;      // as stored
    std::uint8_t NameLength = 0;  // the bytes before the first NUL
    std::uint32_t Flags = 0;

    // Reads one entry from the package's stream and appends its name to the
    // package's name arena.
    void LoadData(KZ_Package* package);
};

// Import entry: compact ClassPackage, compact ClassName, i32 Package,
// compact ObjectName (7 to 19 bytes). ClassPackage, ClassName and ObjectName
// are name indices; Package is an object reference.
class KZ_Import_Element {
public:
    KZ_Package* Owner = nullptr;
    std::int32_t ClassPackage = 0;
    std::int32_t ClassName = 0;
    std::int32_t Package = 0;
    std::int32_t ObjectName = 0;

    void LoadData(KZ_Package* package);

    std::string GetName() const;
    std::string GetClassName() const;
    std::string GetClassPackageName() const;
    std::string GetPackageName() const;
};

// Export entry: compact Class, compact Super, i32 Package, compact
// ObjectName, u32 ObjectFlags, compact DataSize, and compact DataOffset only
// when DataSize > 0 (12 to 33 bytes). Class, Super and Package are object
// references; ObjectName is a name index.
class KZ_Export_Element {
public:
    KZ_Package* Owner = nullptr;
    std::int32_t Class = 0;
    std::int32_t Super = 0;
    std::int32_t Package = 0;
    std::int32_t ObjectName = 0;
    std::uint32_t ObjectFlags = 0;
    std::int32_t DataSize = 0;
    std::int32_t DataOffset = 0;

    void LoadData(KZ_Package* package);

    std::string GetName() const;
    std::string GetClassName() const;
    std::string GetSuperName() const;
    std::string GetPackageName() const;
};

// Generation entry: two u32, kept as read.
class KZ_Generation_Element {
public:
    std::uint32_t FirstWord = 0;
    std::uint32_t SecondWord = 0;

    void LoadData(std::istream& in);
};

// The part of a package where reading its header and tables failed.
enum class KZ_PackagePart { None, File, Header, Generations, Names, Imports, Exports };

class KZ_Package {
public:
    // Smallest stored entry of each table: what a count must at least cost.
    static constexpr std::uint64_t kMinNameEntry = 5;
    static constexpr std::uint64_t kMinImportEntry = 7;
    static constexpr std::uint64_t kMinExportEntry = 12;
    static constexpr std::uint64_t kGenerationEntry = 8;
    static constexpr std::uint32_t kLastLegacyVersion = 67;

    // An empty package: no path, no file, no tables.
    KZ_Package() = default;
    // Reads the header and tables of the file at `path` and closes it. The
    // text is borrowed, not copied: it must stay valid and unchanged while
    // the package lives, because the file is reopened from it.
    explicit KZ_Package(const char* path);
    KZ_Package(const KZ_Package&) = delete;
    KZ_Package& operator=(const KZ_Package&) = delete;

    // The package's stream, reopened from Path when it is closed. Never seeks
    // and never clears the stream's flags.
    std::ifstream& GetPackageFile();
    // The package's file opened beside the stream by the system's own call,
    // for copies the system makes from file to file; opened from Path when it
    // is closed. Not open where the system makes no such copies. Its reads
    // never move the stream.
    Platform::InputFile& GetPackageSource();

    // Object reference r: r > 0 is export r-1, r < 0 is import -r-1, 0 stands
    // for name 0. Returns a copy of the designated object's name; a reference
    // or name index outside its table gives an empty name.
    std::string GetObjectName(std::int32_t ref) const;
    // The name at a name index; empty outside the name table. The view lives
    // as long as the package.
    std::string_view NameAt(std::int32_t index) const;

    // The first export whose own name is exactly `name`, or null.
    const KZ_Export_Element* FindExport(std::string_view name) const;
    // That export's DataOffset, or -1 when none has that name.
    std::int32_t FindExpObjByName(std::string name) const;

    const char* Path = nullptr;
    std::ifstream Stream;
    Platform::InputFile Source;
    // Set by a caller that copies many sounds of this package in a row (the
    // export loop): KZ_Sound::SaveWAVE then leaves the stream open for the
    // next sound instead of closing it, which spares an open, a folder check
    // and a close per sound; the same for Source. Off by default; both close
    // with the package either way.
    bool KeepFileOpen = false;
    std::uint32_t Tag = 0;
    std::uint32_t Version = 0;
    std::uint32_t PackageFlags = 0;
    // Counts and offsets are kept as stored. A table whose count cannot fit
    // in the file is not read and stays empty (the stream is then failed), so
    // walk a table by its size(), not by its count.
    std::uint32_t NameCount = 0;
    std::uint32_t NameOffset = 0;
    std::vector<KZ_Name_Element> Names;
    std::uint32_t ExportCount = 0;
    std::uint32_t ExportOffset = 0;
    std::vector<KZ_Export_Element> Exports;
    std::uint32_t ImportCount = 0;
    std::uint32_t ImportOffset = 0;
    std::vector<KZ_Import_Element> Imports;
    std::uint32_t LegacyCount = 0;
    std::uint32_t LegacyOffset = 0;
    std::array<std::uint8_t, 16> Guid{};
    std::uint32_t GenerationCount = 0;
    std::vector<KZ_Generation_Element> Generations;
    // Where the read failed first, for a package whose stream is failed after
    // the constructor: the file could not be opened, it ends inside the
    // header, or that table does not fit in it (its count cannot, or its
    // entries run past the end). None for a package read whole.
    KZ_PackagePart Failed = KZ_PackagePart::None;

private:
    friend class KZ_Name_Element;

    // Whether `count` more entries of at least `minEntrySize` bytes fit in the
    // part of the file no table has claimed yet; claims them when they do.
    bool Claim(std::uint32_t count, std::uint64_t minEntrySize, std::uint64_t offset, std::uint64_t fileSize);
    template <typename Entry>
    void ReadTable(std::vector<Entry>& table, std::uint32_t count, std::uint64_t offset,
                   std::uint64_t minEntrySize, std::uint64_t fileSize, KZ_PackagePart part);
    // Notes `part` as where the read failed, when the stream has just failed.
    void NoteFailure(KZ_PackagePart part);

    // Every name's bytes, back to back; KZ_Name_Element::NameStart points in.
    std::string nameArena_;
    std::uint64_t claimed_ = 0;  // table bytes claimed so far, at the smallest entry sizes

    // Own name -> the first export with that name: an open-addressing hash
    // table of export indices + 1 (0: an empty slot), with a quarter more
    // slots than exports (5 bytes per export, under half an entry's smallest
    // stored size). Built on the first lookup, over the tables that never
    // change after construction; one flat array, so that building it for
    // 100,000 exports costs no allocation per entry.
    void BuildExportIndex() const;
    mutable std::vector<std::uint32_t> exportSlots_;
    mutable bool exportIndexBuilt_ = false;
};
