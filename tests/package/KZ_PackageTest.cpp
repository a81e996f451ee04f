// The package reader on packages written by the builder: both header tails,
// tables anywhere and in any order, compact indices of every length, damaged
// headers and files cut short.
#include <gtest/gtest.h>

#include <climits>
#include <filesystem>

#include "common/LittleEndian.h"
#include "kit/PackageBuilder.h"
#include "tests/common/AllocationProbe.h"
#include "tests/package/PackageFile.h"

namespace {

using namespace TestSupport;

// A small package: names "Pkg", "Core", "Class", "Sound", "Wind01", "Birds";
// one import (the class Sound) and two sounds.
PackageBuilder Small(std::uint32_t version = 68) {
    PackageBuilder b(version);
    b.Name("Pkg");
    b.AddSound("Wind01", ToneWave(440, 0.01));
    b.AddSound("Birds", ToneWave(880, 0.01));
    return b;
}

void ExpectSmallTables(const KZ_Package& p, const PackageBuilder& b) {
    ASSERT_EQ(p.Names.size(), 6u);
    EXPECT_EQ(p.NameAt(4), "Wind01");
    ASSERT_EQ(p.Imports.size(), 1u);
    EXPECT_EQ(p.Imports[0].Owner, &p);
    EXPECT_EQ(p.Imports[0].GetName(), "Sound");
    EXPECT_EQ(p.Imports[0].GetClassName(), "Class");
    EXPECT_EQ(p.Imports[0].GetClassPackageName(), "Core");
    ASSERT_EQ(p.Exports.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(p.Exports[i].Owner, &p);
        EXPECT_EQ(p.Exports[i].Class, -1);
        EXPECT_EQ(p.Exports[i].DataSize, static_cast<std::int32_t>(b.Exports[i].object.size()));
        EXPECT_EQ(p.Exports[i].DataOffset, static_cast<std::int32_t>(b.ObjectOffsets[i]));
    }
    EXPECT_EQ(p.Exports[1].GetName(), "Birds");
    EXPECT_EQ(p.Exports[1].GetClassName(), "Sound");
}

TEST(KZ_Package, LegacyTailUpToVersion67) {
    PackageBuilder b = Small(67);
    b.LegacyCount = 7;
    b.LegacyOffset = 0x1234;
    PackageFile p(b.Build());
    EXPECT_FALSE(p->GetPackageFile().fail());
    EXPECT_EQ(p->Tag, LittleEndian::FourCC("KZSP"));
    EXPECT_EQ(p->Version, 67u);
    EXPECT_EQ(p->LegacyCount, 7u);
    EXPECT_EQ(p->LegacyOffset, 0x1234u);
    EXPECT_EQ(p->GenerationCount, 0u);
    EXPECT_TRUE(p->Generations.empty());
    EXPECT_EQ(p->NameOffset, 44u);
    ExpectSmallTables(*p, b);
}

TEST(KZ_Package, NewerTailFromVersion68) {
    PackageBuilder b = Small(68);
    b.Guid = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    b.Generations = {{2, 6}, {0xFFFFFFFF, 1}};
    PackageFile p(b.Build());
    EXPECT_FALSE(p->GetPackageFile().fail());
    EXPECT_EQ(p->Guid, b.Guid);
    ASSERT_EQ(p->GenerationCount, 2u);
    ASSERT_EQ(p->Generations.size(), 2u);
    EXPECT_EQ(p->Generations[1].FirstWord, 0xFFFFFFFFu);
    EXPECT_EQ(p->Generations[1].SecondWord, 1u);
    EXPECT_EQ(p->LegacyCount, 0u);
    ExpectSmallTables(*p, b);

    // No generations: the header ends at 56, where the names begin.
    PackageBuilder none = Small(68);
    PackageFile q(none.Build());
    EXPECT_EQ(q->NameOffset, 56u);
    EXPECT_FALSE(q->GetPackageFile().fail());
    ExpectSmallTables(*q, none);

    // 3D 00 01 00 is 65597: the newer tail, although the low half is 61.
    PackageBuilder wide = Small(65597);
    wide.Generations = {{1, 1}};
    PackageFile r(wide.Build());
    EXPECT_EQ(r->Generations.size(), 1u);
    ExpectSmallTables(*r, wide);
}

// Generation entries follow their count at 56, before any other table: a
// table ending 1 to 4 bytes past the end of the file cannot be read.
TEST(KZ_Package, GenerationTableEndingPastTheFile) {
    PackageBuilder b(68);
    b.Generations = {{1, 2}, {3, 4}};
    const std::string whole = b.Build();
    ASSERT_EQ(whole.size(), 56u + 16u);
    for (std::size_t missing = 0; missing <= 4; ++missing) {
        SCOPED_TRACE(missing);
        PackageFile p(whole.substr(0, whole.size() - missing));
        EXPECT_EQ(p->GetPackageFile().fail(), missing > 0);
        EXPECT_EQ(p->Failed, missing > 0 ? KZ_PackagePart::Generations : KZ_PackagePart::None);
        EXPECT_EQ(p->Generations.size(), missing > 0 ? 0u : 2u);
    }
}

TEST(KZ_Package, TablesAnywhereInAnyOrderWithIndicesOfAnyLength) {
    for (int length = 0; length <= 5; ++length) {
        SCOPED_TRACE(length);
        PackageBuilder b = Small();
        b.Order = {Section::Objects, Section::Exports, Section::Names, Section::Imports};
        b.Gap = 13;
        b.CompactLength = length;
        PackageFile p(b.Build());
        EXPECT_FALSE(p->GetPackageFile().fail());
        EXPECT_LT(p->ExportOffset, p->NameOffset);
        ExpectSmallTables(*p, b);
    }
}

TEST(KZ_Package, NameEntriesConsumeAllTheirBytes) {
    PackageBuilder b;
    b.NameCount = 4;
    b.RawNames = Bytes({0x05, 'A', 'B', 'C', 'D', 0x00}) + U32(0x11) +      // ABCD, 10 bytes
                 Bytes({0x06, 'A', 'B', 0x00, 'C', 'D', 0x00}) + U32(0x22) +  // AB, 11 bytes
                 Bytes({0x00}) + U32(0x33) +                                  // empty, 5 bytes
                 Bytes({0x03, 'x', 'y', 'z'}) + U32(0x44);
    PackageFile p(b.Build());
    EXPECT_FALSE(p->GetPackageFile().fail());
    ASSERT_EQ(p->Names.size(), 4u);
    const char* names[] = {"ABCD", "AB", "", "xyz"};
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(p->NameAt(static_cast<std::int32_t>(i)), names[i]);
        EXPECT_EQ(p->Names[i].Flags, 0x11u * (i + 1));
    }
    EXPECT_EQ(p->Names[1].Length, 6);
}

TEST(KZ_Package, ExportWithoutDataHasNoOffsetField) {
    PackageBuilder b;
    b.Names = {{"None"}, {"Neg"}, {"Data"}};
    b.ExportCount = 3;
    // DataSize 0, then -3 (each without an offset), then 4 at offset 0 as 40 00.
    b.RawExports = Bytes({0x00, 0x00}) + I32(0) + Bytes({0x00}) + U32(1) + Bytes({0x00}) +
                   Bytes({0x00, 0x00}) + I32(0) + Bytes({0x01}) + U32(2) + Bytes({0x83}) +
                   Bytes({0x00, 0x00}) + I32(0) + Bytes({0x02}) + U32(3) + Bytes({0x04}) + Bytes({0x40, 0x00});
    PackageFile p(b.Build());
    EXPECT_FALSE(p->GetPackageFile().fail());
    ASSERT_EQ(p->Exports.size(), 3u);
    EXPECT_EQ(p->Exports[0].DataSize, 0);
    EXPECT_EQ(p->Exports[1].DataSize, -3);
    EXPECT_EQ(p->Exports[1].DataOffset, 0);
    EXPECT_EQ(p->Exports[1].ObjectFlags, 2u);
    EXPECT_EQ(p->Exports[2].GetName(), "Data");
    EXPECT_EQ(p->Exports[2].DataSize, 4);
    EXPECT_EQ(p->Exports[2].DataOffset, 0);
    EXPECT_EQ(p->FindExpObjByName("Neg"), 0);
}

TEST(KZ_Package, FileThatCannotBeOpened) {
    TempDir dir;
    const std::string missing = (dir.Path() / "missing.kzs").string();
    KZ_Package p(missing.c_str());
    EXPECT_TRUE(p.GetPackageFile().fail());
    EXPECT_EQ(p.Failed, KZ_PackagePart::File);
    EXPECT_EQ(p.NameCount, 0u);
    EXPECT_TRUE(p.Names.empty() && p.Imports.empty() && p.Exports.empty());
    EXPECT_EQ(p.FindExpObjByName(""), -1);
    // The file appearing later does not clear the failure.
    WriteFile(missing, Small().Build());
    EXPECT_TRUE(p.GetPackageFile().fail());

    std::filesystem::create_directory(dir.Path() / "folder.kzs");
    const std::string folder = (dir.Path() / "folder.kzs").string();
    KZ_Package q(folder.c_str());
    EXPECT_TRUE(q.GetPackageFile().fail());

    KZ_Package empty;
    EXPECT_TRUE(empty.GetPackageFile().fail());
}

TEST(KZ_Package, FileCutInsideTheExportTable) {
    PackageBuilder b = Small();
    b.CompactLength = 5;  // 33-byte exports: two could fit in 47 bytes, so the count passes
    const std::string whole = b.Build();
    // Cut inside the second export entry (the objects come after the table).
    const std::size_t cut = b.SectionOffset(Section::Exports) + 33 + 14;
    PackageFile p(whole.substr(0, cut));
    std::ifstream& stream = p->GetPackageFile();
    EXPECT_TRUE(stream.is_open());
    EXPECT_TRUE(stream.fail());
    EXPECT_EQ(p->Failed, KZ_PackagePart::Exports);
    ASSERT_EQ(p->Exports.size(), 2u);
    EXPECT_EQ(p->Exports[0].GetName(), "Wind01");
    EXPECT_EQ(p->Exports[1].Owner, p.get());
    EXPECT_EQ(p->Exports[1].DataSize, 0);
    EXPECT_EQ(p->Exports[1].DataOffset, 0);

    // A file shorter than the header, the old one's or the new one's.
    PackageFile q(whole.substr(0, 20));
    EXPECT_TRUE(q->GetPackageFile().fail());
    EXPECT_EQ(q->Failed, KZ_PackagePart::Header);
    EXPECT_EQ(PackageFile(PackageBuilder(67).Build().substr(0, 40))->Failed, KZ_PackagePart::Header);
    EXPECT_EQ(PackageFile(whole.substr(0, 55))->Failed, KZ_PackagePart::Header);
    EXPECT_TRUE(q->Exports.empty());
}

TEST(KZ_Package, CountsThatCannotFitFailWithoutAllocating) {
    struct Case {
        const char* name;
        void (*damage)(PackageBuilder&);
        KZ_PackagePart failed;  // the table the read stops at
    };
    const Case cases[] = {
        {"names", [](PackageBuilder& b) { b.NameCount = 0xFFFFFFFF; }, KZ_PackagePart::Names},
        {"imports", [](PackageBuilder& b) { b.ImportCount = 0x7FFFFFFF; }, KZ_PackagePart::Imports},
        {"exports", [](PackageBuilder& b) { b.ExportCount = 0xFFFFFFFF; }, KZ_PackagePart::Exports},
        {"generations", [](PackageBuilder& b) { b.GenerationCount = 0xFFFFFFFF; }, KZ_PackagePart::Generations},
        {"offset past the end", [](PackageBuilder& b) { b.ExportOffset = 0xFFFFFFF0; }, KZ_PackagePart::Exports},
        {"one entry too many", [](PackageBuilder& b) {
             // The exports end the file: one more 12-byte entry cannot fit.
             b.Order = {Section::Objects, Section::Names, Section::Imports, Section::Exports};
             b.Exports.push_back({});
             b.RawExports = std::string(12 * 3, '\0');
             b.ExportCount = 4;
         }, KZ_PackagePart::Exports},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PackageBuilder b = Small();
        c.damage(b);
        const std::string bytes = b.Build();
        AllocationProbe probe;
        PackageFile p(bytes);
        EXPECT_LT(probe.Largest(), 64u * 1024);
        EXPECT_TRUE(p->GetPackageFile().fail());
        EXPECT_EQ(p->Failed, c.failed);
        EXPECT_LE(p->Names.size(), 6u);
        EXPECT_LE(p->Imports.size(), 1u);
        EXPECT_LE(p->Exports.size(), 3u);
        EXPECT_LE(p->Generations.size(), 0u);
    }

    // Exactly fitting: three 12-byte entries in the last 36 bytes.
    PackageBuilder b = Small();
    b.Order = {Section::Objects, Section::Names, Section::Imports, Section::Exports};
    b.Exports.push_back({});
    b.RawExports = std::string(12 * 3, '\0');
    PackageFile p(b.Build());
    EXPECT_FALSE(p->GetPackageFile().fail());
    EXPECT_EQ(p->Failed, KZ_PackagePart::None);
    EXPECT_EQ(p->Exports.size(), 3u);
}

TEST(KZ_Package, EmptyTableMayCarryAnyOffset) {
    PackageBuilder b;
    b.Name("Only");
    b.ImportOffset = 0xFFFFFFFF;
    b.ExportOffset = 0xFFFFFFFF;
    PackageFile p(b.Build());
    EXPECT_FALSE(p->GetPackageFile().fail());
    EXPECT_EQ(p->FindExpObjByName("Only"), -1);
}

TEST(KZ_Package, GetPackageFileReopensWithoutSeekingOrClearing) {
    PackageBuilder b = Small();
    PackageFile p(b.Build());
    EXPECT_FALSE(p->Stream.is_open());
    std::ifstream& first = p->GetPackageFile();
    ASSERT_TRUE(first.is_open());
    EXPECT_EQ(first.tellg(), 0);
    first.seekg(40);
    std::ifstream& second = p->GetPackageFile();
    EXPECT_EQ(&second, &first);
    EXPECT_EQ(second.tellg(), 40);

    // A borrower's failed read stays visible through a close and a reopen.
    second.seekg(0, std::ios::end);
    second.get();
    second.close();
    std::ifstream& third = p->GetPackageFile();
    EXPECT_TRUE(third.is_open());
    EXPECT_TRUE(third.fail());
}

TEST(KZ_Package, ObjectReferencesAndNameIndices) {
    PackageBuilder b;
    b.Name("First");
    const std::int32_t core = b.Name("Core");
    const std::int32_t cls = b.AddImport({core, b.Name("Class"), 0, b.Name("Sound")});
    const std::int32_t group = b.AddImport({core, b.Name("Package"), cls, b.Name("Group")});
    ExportEntry sound;
    sound.classRef = cls;
    sound.superRef = 0;
    sound.packageRef = group;
    sound.objectName = b.Name("Wind01");
    const std::int32_t wind = b.AddExport(sound);
    ExportEntry damaged;
    damaged.classRef = 99;
    damaged.superRef = INT32_MIN;
    damaged.packageRef = wind;
    damaged.objectName = 1000;
    b.AddExport(damaged);
    damaged.objectName = -2;
    b.AddExport(damaged);
    b.AddImport({-1, 1000, -1000, INT32_MAX});
    PackageFile p(b.Build());
    ASSERT_FALSE(p->GetPackageFile().fail());

    EXPECT_EQ(p->GetObjectName(0), "First");
    EXPECT_EQ(p->GetObjectName(1), "Wind01");
    EXPECT_EQ(p->GetObjectName(-1), "Sound");
    EXPECT_EQ(p->GetObjectName(-2), "Group");
    for (const std::int32_t outside : {4, -4, 1000, -1000, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(p->GetObjectName(outside), "") << outside;
    }
    const auto& e = p->Exports;
    EXPECT_EQ(e[0].GetClassName(), "Sound");
    EXPECT_EQ(e[0].GetSuperName(), "First");
    EXPECT_EQ(e[0].GetPackageName(), "Group");
    EXPECT_EQ(e[1].GetName(), "");
    EXPECT_EQ(e[1].GetClassName(), "");
    EXPECT_EQ(e[1].GetSuperName(), "");
    EXPECT_EQ(e[1].GetPackageName(), "Wind01");
    EXPECT_EQ(e[2].GetName(), "");
    EXPECT_EQ(p->GetObjectName(2), "");
    const auto& i = p->Imports;
    EXPECT_EQ(i[1].GetPackageName(), "Sound");
    EXPECT_EQ(i[1].GetClassName(), "Package");
    EXPECT_EQ(i[1].GetClassPackageName(), "Core");
    EXPECT_EQ(i[2].GetName(), "");
    EXPECT_EQ(i[2].GetClassName(), "");
    EXPECT_EQ(i[2].GetClassPackageName(), "");
    EXPECT_EQ(i[2].GetPackageName(), "");

    const KZ_Export_Element fresh;
    EXPECT_EQ(fresh.GetName(), "");
}

TEST(KZ_Package, FindExpObjByNameTakesTheFirstExactMatch) {
    PackageBuilder b;
    b.Name("Pkg");
    const auto add = [&b](std::int32_t nameIndex, std::int32_t offset) {
        ExportEntry e;
        e.objectName = nameIndex;
        e.dataSize = offset > 0 ? 10 : 0;
        e.dataOffset = offset;
        b.AddExport(e);
    };
    add(b.AddName("Bell"), 100);
    add(b.AddName("Bell"), 200);             // a second entry with the same text
    add(b.Name("Bell"), 300);                // the same name index again
    add(b.AddName(std::string("Cut\0tail", 8)), 400);
    add(b.AddName(""), 0);                   // empty name, no data
    add(b.AddName(std::string("\0x", 2)), 600);
    add(5000, 700);                          // name index outside the table
    add(b.AddName("Late"), 800);
    add(static_cast<std::int32_t>(b.Names.size()), 900);  // just past the last name
    PackageFile p(b.Build());
    ASSERT_FALSE(p->GetPackageFile().fail());
    const auto count = static_cast<std::int32_t>(p->Names.size());
    EXPECT_EQ(p->NameAt(count - 1), "Late");
    EXPECT_EQ(p->NameAt(count), "");
    EXPECT_EQ(p->NameAt(-1), "");
    EXPECT_EQ(p->Exports.back().GetName(), "");

    EXPECT_EQ(p->FindExpObjByName("Bell"), 100);
    EXPECT_EQ(p->FindExpObjByName("bell"), -1);
    EXPECT_EQ(p->FindExpObjByName("Bell "), -1);
    EXPECT_EQ(p->FindExpObjByName("Cut"), 400);
    EXPECT_EQ(p->FindExpObjByName(std::string("Cut\0tail", 8)), -1);
    EXPECT_EQ(p->FindExpObjByName(""), 0);
    EXPECT_EQ(p->FindExpObjByName("Late"), 800);
    EXPECT_EQ(p->FindExpObjByName("Pkg"), -1);
    EXPECT_EQ(p->FindExport("Late"), &p->Exports[7]);
    EXPECT_EQ(p->FindExport("Nope"), nullptr);
}

// The lookup table must give exactly what a scan in table order gives.
TEST(KZ_Package, LookupAgreesWithAScanInTableOrder) {
    PackageBuilder b;
    std::uint32_t seed = 12345;
    const auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    const char letters[] = {'a', 'b', '\0', 'A'};
    for (int n = 0; n < 200; ++n) {
        std::string text;
        for (std::uint32_t len = next() % 4; len > 0; --len) text += letters[next() % 4];
        b.AddName(text);
    }
    for (int n = 0; n < 2000; ++n) {
        ExportEntry e;
        e.objectName = static_cast<std::int32_t>(next() % 220) - 5;  // some outside the table
        e.dataSize = 1;
        e.dataOffset = n;
        b.AddExport(e);
    }
    PackageFile p(b.Build());
    ASSERT_FALSE(p->GetPackageFile().fail());

    const auto scan = [&p](const std::string& name) {
        for (const auto& e : p->Exports) {
            if (e.GetName() == name) return e.DataOffset;
        }
        return -1;
    };
    std::vector<std::string> probes = {"", "c", "aaaa", "abab"};
    for (const auto& name : b.Names) probes.push_back(name.text);
    for (std::size_t i = 0; i < p->Names.size(); ++i) probes.emplace_back(p->NameAt(static_cast<std::int32_t>(i)));
    for (const auto& probe : probes) EXPECT_EQ(p->FindExpObjByName(probe), scan(probe)) << probe;
}

// Files that are nothing but table entries of the smallest size cost at most
// 4 times their bytes, lookups included; tables that fit only by sharing
// their bytes are damage.
constexpr std::uint32_t kTableEntries = 8200;  // just over a power of two

TEST(KZ_Package, TablesCostAtMostFourTimesTheirBytes) {
    struct Case {
        const char* name;
        void (*fill)(PackageBuilder&);
        bool opens;
    };
    const Case cases[] = {
        {"empty names", [](PackageBuilder& b) {
             b.NameCount = kTableEntries;
             b.RawNames = std::string(5 * kTableEntries, '\0');
         }, true},
        {"imports", [](PackageBuilder& b) {
             b.ImportCount = kTableEntries;
             b.RawImports = std::string(7 * kTableEntries, '\0');
         }, true},
        {"exports without data", [](PackageBuilder& b) {
             b.ExportCount = kTableEntries;
             b.RawExports = std::string(12 * kTableEntries, '\0');
         }, true},
        {"names and exports on the same bytes", [](PackageBuilder& b) {
             b.NameCount = kTableEntries;
             b.RawNames = std::string(12 * kTableEntries, '\0');
             b.ExportCount = kTableEntries;
             b.ExportOffset = 56;  // where the names begin
         }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PackageBuilder b;
        c.fill(b);
        const std::string bytes = b.Build();
        AllocationProbe probe;
        PackageFile p(bytes);
        EXPECT_EQ(p->GetPackageFile().fail(), !c.opens);
        EXPECT_EQ(p->FindExport("Wind01"), nullptr);
        EXPECT_LE(probe.PeakHeld(), 4 * bytes.size());
    }
}

// The index of names has room to spare at every size, so that the search
// for a name no export has ends; up to 100,000 exports, every one is read and
// found by its name.
TEST(KZ_Package, LookupsEndAtEveryTableSize) {
    const auto nameOf = [](int n) {
        std::string name(1, 'S');
        return name += std::to_string(n);
    };
    for (const int size : {0, 1, 15, 16, 17, 31, 32, 33, 64, 128, 100000}) {
        SCOPED_TRACE(size);
        PackageBuilder b;
        for (int n = 0; n < size; ++n) {
            ExportEntry e;
            e.objectName = b.AddName(nameOf(n));
            e.dataSize = 4;
            e.dataOffset = 1000 + n;
            b.AddExport(e);
        }
        PackageFile p(b.Build());
        ASSERT_EQ(p->Exports.size(), static_cast<std::size_t>(size));
        for (int n = 0; n < size; ++n) EXPECT_EQ(p->FindExpObjByName(nameOf(n)), 1000 + n);
        for (const char* missing : {"", "S", "missing", "S100000"}) EXPECT_EQ(p->FindExport(missing), nullptr);
    }
}

}  // namespace
