// A package file made of the fuzzer's bytes: reading it, every accessor and
// lookup, and copying sounds out of it must stay inside the tables and the
// file, and the lookup must agree with a scan of the export table. Snd_Info's
// listing must be safe for a terminal, its JSON valid, the file sizes it
// lists those the copies write, and its export script must name only names
// Snd_Pull can use.
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "facts/Facts.h"
#include "facts/FileNames.h"
#include "facts/FactsJson.h"
#include "facts/FactsText.h"
#include "facts/Intake.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "tests/fuzz/InfoFuzz.h"

namespace {

// The package and the output file of this process, removed at exit.
struct TempFiles {
    std::string base = (std::filesystem::temp_directory_path() / ("fuzz_package_" + std::to_string(::getpid()))).string();
    std::string package = base + ".kzs";
    std::string output = base + ".wav";
    ~TempFiles() {
        std::error_code ec;
        std::filesystem::remove(package, ec);
        std::filesystem::remove(output, ec);
    }
};

const TempFiles& Temp() {
    static const TempFiles files;
    return files;
}

void Check(bool condition) {
    if (!condition) std::abort();
}

std::int32_t Scan(const KZ_Package& package, const std::string& name) {
    for (const auto& entry : package.Exports) {
        if (entry.GetName() == name) return entry.DataOffset;
    }
    return -1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string& path = Temp().package;
    {
        std::ofstream file(path, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    }
    KZ_Package package(path.c_str());
    const bool good = !package.GetPackageFile().fail();

    // Never more entries than the file could hold.
    Check(package.Names.size() * KZ_Package::kMinNameEntry <= size);
    Check(package.Imports.size() * KZ_Package::kMinImportEntry <= size);
    Check(package.Exports.size() * KZ_Package::kMinExportEntry <= size);
    Check(package.Generations.size() * KZ_Package::kGenerationEntry <= size);

    const auto imports = static_cast<std::int32_t>(std::min<std::size_t>(package.Imports.size(), 64));
    const auto exports = static_cast<std::int32_t>(std::min<std::size_t>(package.Exports.size(), 64));
    for (std::int32_t ref = -imports - 2; ref <= exports + 2; ++ref) package.GetObjectName(ref);
    for (const std::int32_t ref : {INT32_MIN, INT32_MIN + 1, INT32_MAX, -1000000, 1000000}) {
        Check(package.GetObjectName(ref).empty() || package.Imports.size() + package.Exports.size() > 1000000);
    }
    for (std::size_t i = 0; i < package.Imports.size() && i < 256; ++i) {
        const auto& entry = package.Imports[i];
        entry.GetName();
        entry.GetClassName();
        entry.GetClassPackageName();
        entry.GetPackageName();
    }
    for (std::size_t i = 0; i < package.Exports.size() && i < 256; ++i) {
        const auto& entry = package.Exports[i];
        entry.GetName();
        entry.GetClassName();
        entry.GetSuperName();
        entry.GetPackageName();
    }
    for (std::size_t i = 0; i < package.Names.size() && i < 256; ++i) {
        const std::string name(package.NameAt(static_cast<std::int32_t>(i)));
        Check(package.FindExpObjByName(name) == Scan(package, name));
    }
    for (const std::string& absent : {std::string(), std::string("\xFF"), std::string("Sound")}) {
        Check(package.FindExpObjByName(absent) == Scan(package, absent));
    }

    if (good) {
        std::ostringstream listing;
        FactsText::PrintPackage(package, path, {}, listing);
        Check(InfoFuzz::PrintsSafely(listing.str()));
        std::ostringstream document;
        FactsJson::DocumentWriter writer(document);
        writer.AddPackage(package, path);
        writer.Finish();
        Check(nlohmann::json::accept(document.str()));
        for (std::size_t i = 0; i < package.Exports.size() && i < 4; ++i) {
            Check(nlohmann::json::accept(FactsJson::Dump(Intake::SoundJson(package, i, path))));
        }
        // Group chains end, and their folders stay inside the package's.
        Facts::Groups groups(package);
        FileNames::PackageLayout layout;
        for (std::size_t i = 0; i < package.Exports.size() && i < 4096; ++i) {
            const std::vector<std::string_view>& chain = groups.Chain(i);
            Check(chain.size() <= Facts::Groups::kMaxDepth);
            const std::string file = layout.Take(chain, package.NameAt(package.Exports[i].ObjectName), ".wav");
            for (std::size_t from = 0, level = 0; from <= file.size(); from = level + 1) {
                level = std::min(file.find('/', from), file.size());
                const std::string_view part = std::string_view(file).substr(from, level - from);
                Check(!part.empty() && part != "." && part != "..");
            }
        }
        Facts::ForEachScriptSound(package, [&package](std::string_view name, bool safe) {
            Check(safe == Facts::IsSafeSoundName(name));
            Check(package.FindExport(name) != nullptr);
        });

        int copied = 0;
        for (std::size_t i = 0; i < package.Exports.size(); ++i) {
            const auto& entry = package.Exports[i];
            if (entry.DataSize <= 0 || copied++ == 4) continue;
            KZ_Sound sound = LoadSound(package, entry);
            const KZ_SaveResult result = sound.SaveWAVE(Temp().output);
            const auto written = std::filesystem::file_size(Temp().output);
            Check(result.WroteAll);
            Check(written <= size);
            Check(!result.ReadAll || written == static_cast<std::uintmax_t>(sound.WaveSize));
            // The listing's file size is what exporting the sound writes.
            const Facts::Export facts = Facts::ExportReader(package).Read(i);
            Check(!facts.sound || written == facts.fileSize);
        }
    }
    return 0;
}
