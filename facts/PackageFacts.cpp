#include <algorithm>
#include <fstream>

#include "common/LittleEndian.h"
#include "facts/Escape.h"
#include "facts/Facts.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"
#include "wave/ChunkIO.h"
#include "wave/Sniff.h"

namespace Facts {

namespace {

// The WAVE bytes behind an export: where they begin and how many of them
// the package really holds, read up to the RIFF header's end.
struct StoredWave {
    bool riffWave = false;
    std::uint64_t begin = 0;
    std::uint64_t held = 0;  // min(WaveSize, bytes up to the package's end)
    std::uint32_t riffSize = 0;
    bool rf64 = false;
};

// Leaves the package's stream after the RIFF header.
StoredWave ReadStoredWave(KZ_Package& package, const KZ_Export_Element& entry, std::uint64_t packageBytes) {
    StoredWave stored;
    if (entry.DataSize <= 0 || entry.DataOffset < 0) return stored;
    const KZ_Sound sound = LoadSound(package, entry);
    std::ifstream& in = package.GetPackageFile();
    if (!sound.HeaderComplete || sound.WaveSize < static_cast<std::int32_t>(kRiffHeaderSize)) return stored;
    // LoadData leaves the stream where the WAVE bytes begin.
    char header[kRiffHeaderSize];
    in.read(header, kRiffHeaderSize);
    const RiffKind kind = in.gcount() == static_cast<std::streamsize>(kRiffHeaderSize)
                              ? SniffRiff(std::string_view(header, kRiffHeaderSize))
                              : RiffKind::NotRiff;
    stored.riffWave = kind == RiffKind::Wave || kind == RiffKind::Rf64Wave;
    stored.rf64 = kind == RiffKind::Rf64Wave;
    stored.riffSize = LittleEndian::FromBytes<std::uint32_t>(header + 4);
    stored.begin = sound.WaveOffset;
    if (packageBytes > stored.begin) {
        stored.held = std::min<std::uint64_t>(static_cast<std::uint64_t>(sound.WaveSize), packageBytes - stored.begin);
    }
    return stored;
}

// Walks the chunks of a sound's image from the stream's position, as the
// WAVE model reads them: a chunk begins before `imageEnd` bytes past the RIFF
// header and its body ends where the sound's `held` bytes end at the latest.
// Reads "fmt ", "fact" and "ds64" with the model's own readers, measures the
// "data" body and steps over every other body; stops once the length is
// known (after the data for a coding of one frame a block, else once "fact"
// is read or the image ends).
Audio ReadAudio(std::istream& package, std::uint64_t imageEnd, std::uint64_t held, bool rf64) {
    // `held` counts from the package's measured size: no need to measure again.
    ChunkIO::BoundedInput view(package.rdbuf(), ChunkIO::BoundedInput::Measured{held});
    std::istream in(&view);
    fmt_Chunk fmt;
    fact_Chunk fact;
    ds64_Chunk ds64;
    bool foundFmt = false, foundFact = false, foundDs64 = false;
    std::optional<std::uint64_t> dataBytes;
    // The frames can be counted once the data's size is known.
    const auto countable = [&] { return foundFmt && (CountedByData(fmt) || foundFact); };
    std::uint32_t id = 0;
    while (view.Consumed() < imageEnd && ChunkIO::ReadChunkID(in, id)) {
        if (id == kFmtID && !foundFmt) {
            fmt.LoadData(in);
            foundFmt = true;
        } else if (id == kFactID && !foundFact) {
            fact.LoadData(in);
            foundFact = fact.ChunkSize != 0;
        } else if (id == kDs64ID && rf64 && !foundDs64 && !TooShortForItsClass(id, in)) {
            ds64.LoadData(in);
            foundDs64 = true;
            if (imageEnd == ChunkIO::BoundedInput::kUnlimited) imageEnd = ds64.RiffSize - std::min<std::uint64_t>(ds64.RiffSize, 4);
        } else {
            data_Chunk data;
            const std::uint64_t largeSize = foundDs64 && id == kDataID ? ds64.DataSize : kSizeElsewhere;
            // Then the data chunk is the last one needed: its samples are counted, not read.
            if (id == kDataID && !dataBytes && countable()) {
                data.LoadHeaderAndStop(in, largeSize);
            } else {
                data.LoadHeaderOnly(in, largeSize);
            }
            if (id == kDataID && !dataBytes) dataBytes = data.StoredBytes;
        }
        if (!in.good()) break;
        if (dataBytes && countable()) break;
    }
    std::optional<std::uint64_t> factCount;
    if (foundFact) factCount = fact.SampleCount == kSizeElsewhere && foundDs64 ? ds64.SampleCount : fact.SampleCount;
    std::vector<Finding> ignored;  // the listing shows no findings
    return AudioOf(foundFmt ? &fmt : nullptr, factCount, dataBytes, ignored);
}

std::uint64_t FileBytes(std::ifstream& in) {
    in.clear();
    in.seekg(0, std::ios::end);
    const std::streamoff end = in.tellg();
    in.clear();
    return end < 0 ? 0 : static_cast<std::uint64_t>(end);
}

}  // namespace

PackageHead HeadOf(const KZ_Package& package) {
    PackageHead head;
    head.tag = package.Tag;
    head.version = package.Version;
    head.flags = package.PackageFlags;
    head.legacy = package.Version <= KZ_Package::kLastLegacyVersion;
    head.legacyTable = {package.LegacyCount, package.LegacyOffset};
    head.guid = package.Guid;
    head.generations = package.GenerationCount;
    head.names = {package.NameCount, package.NameOffset};
    head.imports = {package.ImportCount, package.ImportOffset};
    head.exports = {package.ExportCount, package.ExportOffset};
    return head;
}

void Totals::Add(const Export& entry) {
    if (!entry.sound) return;
    ++sounds;
    bytes += entry.fileSize;
    if (entry.audio.hasFormat && entry.audio.duration) milliseconds += entry.audio.duration->Milliseconds();
}

ExportReader::ExportReader(KZ_Package& package)
    : package_(package), packageBytes_(FileBytes(package.GetPackageFile())), groups_(package) {}

ExportReader::~ExportReader() { package_.GetPackageFile().close(); }

Export ExportReader::Read(std::size_t index) {
    const KZ_Export_Element& entry = package_.Exports[index];
    Export facts;
    facts.index = index;
    facts.name = entry.GetName();
    facts.group = groups_.Path(index);
    facts.className = entry.GetClassName();
    facts.dataSize = entry.DataSize;
    if (entry.DataSize > 0) facts.dataOffset = entry.DataOffset;
    const StoredWave stored = ReadStoredWave(package_, entry, packageBytes_);
    if (!stored.riffWave || stored.held < kRiffHeaderSize) return facts;
    facts.sound = true;
    facts.fileSize = stored.held;
    // Past the RIFF header: where the chunks begin and where the RIFF size ends them.
    const std::uint64_t imageEnd = stored.riffSize == WAVE_File::kUnknownRiffSize
                                       ? ChunkIO::BoundedInput::kUnlimited
                                       : std::uint64_t{stored.riffSize} - std::min<std::uint32_t>(stored.riffSize, 4);
    facts.audio = ReadAudio(package_.GetPackageFile(), imageEnd, stored.held - kRiffHeaderSize, stored.rf64);
    return facts;
}

bool HoldsWave(KZ_Package& package, const KZ_Export_Element& entry) {
    constexpr std::uint64_t kAnySize = UINT64_MAX;
    return ReadStoredWave(package, entry, kAnySize).riffWave;
}

bool IsSafeSoundName(std::string_view name) {
    constexpr std::size_t kLongestFileName = 255;
    constexpr std::size_t kSoundExtension = 4;  // ".wav"
    if (name.empty() || name == "." || name == ".." || name.back() == ';') return false;
    if (name.size() + kSoundExtension > kLongestFileName) return false;
    return std::none_of(name.begin(), name.end(), [](char c) {
        return c == '\\' || c == '/' || c == ':' || Escape::IsControl(static_cast<unsigned char>(c));
    });
}

void ForEachScriptSound(KZ_Package& package, const std::function<void(std::string_view name, bool safe)>& take) {
    for (const KZ_Export_Element& entry : package.Exports) {
        const std::string_view name = package.NameAt(entry.ObjectName);
        // Each name once, at the export Snd_Pull's lookup finds for it: the
        // first one of that name.
        if (package.FindExport(name) != &entry || !HoldsWave(package, entry)) continue;
        take(name, IsSafeSoundName(name));
    }
    package.GetPackageFile().close();
}

}  // namespace Facts
