#include <algorithm>
#include <fstream>

#include "facts/Escape.h"
#include "facts/Facts.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"
#include "wave/ChunkIO.h"
#include "wave/Sniff.h"

namespace Facts {

namespace {

constexpr char kSoundClass[] = "Sound";

// The WAVE bytes behind an export: where they begin and how many of them
// the package really holds, read up to the RIFF header's end.
struct StoredWave {
    bool riffWave = false;  // a whole RIFF header of a WAVE image is in the file
    bool sound = false;     // Export::sound
    Cut cut = Cut::None;
    std::optional<std::uint64_t> waveSize;  // for a cut sound, where its header tells
    std::uint64_t begin = 0;
    std::uint64_t held = 0;  // min(WaveSize, bytes up to the package's end)
};

// Whether `bytes`, fewer than a RIFF header, begin one of a WAVE image:
// "RIFF" or "RF64", any size, "WAVE", as far as they go.
bool BeginsRiffWave(std::string_view bytes) {
    const auto begins = [&](std::string_view text, std::size_t at) {
        return at >= bytes.size() || text.starts_with(bytes.substr(at, text.size()));
    };
    return (begins("RIFF", 0) || begins("RF64", 0)) && begins("WAVE", 8);
}

// Which bytes of the export's sound are in the package (`packageBytes` of
// them), read up to the end of its RIFF header (the stream is left there).
// A sound is cut only where the export's stored data, as the export table
// states it, runs past the end of the file: the file was cut short there. (A
// sound header that claims more bytes than the table gives its data lies;
// exporting the sound copies what there is, as it always did.) For the
// others `tableOnly` reads nothing.
StoredWave ReadStoredWave(KZ_Package& package, const KZ_Export_Element& entry, std::uint64_t packageBytes,
                          bool tableOnly = false) {
    StoredWave stored;
    if (entry.DataSize <= 0 || entry.DataOffset < 0) return stored;
    const bool cutTable =
        static_cast<std::uint64_t>(entry.DataOffset) + static_cast<std::uint64_t>(entry.DataSize) > packageBytes;
    if (tableOnly && !cutTable) return stored;
    // A sound whose header the file does not hold: its WAVE bytes, which
    // follow the header, are all past the end.
    const auto pastTheEnd = [&] {
        stored.sound = entry.GetClassName() == kSoundClass;
        if (stored.sound) stored.cut = Cut::PastTheEnd;
        return stored;
    };
    if (static_cast<std::uint64_t>(entry.DataOffset) >= packageBytes) return pastTheEnd();
    const KZ_Sound sound = LoadSound(package, entry);
    std::ifstream& in = package.GetPackageFile();
    // Only the end of the file cuts a header short.
    if (!sound.HeaderComplete) return cutTable && in.eof() ? pastTheEnd() : stored;
    if (sound.WaveSize < static_cast<std::int32_t>(kRiffHeaderSize)) return stored;
    stored.begin = sound.WaveOffset;
    const auto waveSize = static_cast<std::uint64_t>(sound.WaveSize);
    if (packageBytes > stored.begin) stored.held = std::min<std::uint64_t>(waveSize, packageBytes - stored.begin);
    const bool cut = cutTable && stored.held < waveSize;
    if (tableOnly && !cut) return stored;
    // LoadData leaves the stream where the WAVE bytes begin.
    char header[kRiffHeaderSize];
    in.read(header, static_cast<std::streamsize>(std::min<std::uint64_t>(stored.held, kRiffHeaderSize)));
    const auto got = static_cast<std::size_t>(in.gcount());
    if (got == kRiffHeaderSize) {
        const RiffKind kind = SniffRiff(std::string_view(header, kRiffHeaderSize));
        stored.riffWave = kind == RiffKind::Wave || kind == RiffKind::Rf64Wave;
        stored.sound = stored.riffWave;
    } else if (cut && got == stored.held) {
        // Less than a RIFF header is there: its class says what it is.
        stored.sound = BeginsRiffWave(std::string_view(header, got)) && entry.GetClassName() == kSoundClass;
    }
    if (stored.sound && cut) {
        stored.cut = stored.held == 0 ? Cut::PastTheEnd : Cut::Short;
        stored.waveSize = waveSize;
    }
    return stored;
}

// Moves `in` back over the `count` bytes just read, which began at `at`:
// from the stream's buffer where it still holds them (a seek would drop it).
void Unread(std::istream& in, std::size_t count, std::uint64_t at) {
    bool back = true;
    for (std::size_t n = 0; back && n < count; ++n) back = in.rdbuf()->sungetc() != std::char_traits<char>::eof();
    if (!back) {
        in.clear();
        in.seekg(static_cast<std::streamoff>(at));
    }
}

// The length of a sound whose RIFF header `package` has just read, as the
// WAVE model's own load finds it: a summary, which reads no more of the
// image's `held` bytes than the length needs.
Audio ReadAudio(std::istream& package, const StoredWave& stored) {
    Unread(package, kRiffHeaderSize, stored.begin);
    // `held` counts from the package's measured size: no need to measure again.
    ChunkIO::BoundedInput view(package.rdbuf(), ChunkIO::BoundedInput::Measured{stored.held});
    std::istream in(&view);
    WAVE_File wave;
    wave.LoadData(in, WaveLoad::Summary, [](std::string_view) {});
    std::vector<Finding> ignored;  // the listing shows no findings
    // A format chunk cut off before its fixed fields tells no format.
    return AudioOf(wave.Found.FmtFields ? &wave.FmtChunk : nullptr, FactCount(wave),
                   wave.Found.Data ? std::optional<std::uint64_t>(wave.DataChunk.BodyBytes()) : std::nullopt, ignored);
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

std::string FullName(const Export& entry) { return FullName(entry.group, entry.name); }

Finding CutFinding(const Export& entry) {
    Values values{{"index", std::uint64_t{entry.index}}, {"name", FullName(entry)}};
    if (entry.cut == Cut::PastTheEnd) return Make(Code::SoundPastTheEnd, std::move(values));
    values.emplace_back("held", entry.fileSize);
    values.emplace_back("wave_size", entry.waveSize.value_or(0));
    return Make(Code::SoundCutShort, std::move(values));
}

void Totals::Add(const Export& entry) {
    if (!entry.sound) return;
    ++sounds;
    bytes += entry.fileSize;
    if (entry.audio.hasFormat && entry.audio.duration) milliseconds += entry.audio.duration->Milliseconds();
    if (entry.cut == Cut::Short) ++cutShort;
    if (entry.cut == Cut::PastTheEnd) ++pastTheEnd;
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
    if (!stored.sound) return facts;
    facts.sound = true;
    facts.cut = stored.cut;
    facts.waveSize = stored.waveSize;
    facts.fileSize = stored.held;
    // A sound cut inside its RIFF header has no chunks to read.
    if (!stored.riffWave) return facts;
    facts.audio = ReadAudio(package_.GetPackageFile(), stored);
    return facts;
}

void ExportReader::ForEachCut(const std::function<void(const Export&)>& take) {
    for (std::size_t index = 0; index < package_.Exports.size(); ++index) {
        const KZ_Export_Element& entry = package_.Exports[index];
        const StoredWave stored = ReadStoredWave(package_, entry, packageBytes_, true);
        if (stored.cut == Cut::None) continue;
        Export facts;
        facts.index = index;
        facts.name = entry.GetName();
        facts.group = groups_.Path(index);
        facts.className = entry.GetClassName();
        facts.dataSize = entry.DataSize;
        facts.dataOffset = entry.DataOffset;
        facts.sound = true;
        facts.cut = stored.cut;
        facts.waveSize = stored.waveSize;
        facts.fileSize = stored.held;
        take(facts);
    }
}

bool HoldsWave(KZ_Package& package, const KZ_Export_Element& entry) {
    if (entry.DataSize <= 0 || entry.DataOffset < 0) return false;
    return HoldsWave(entry, LoadSound(package, entry), package.GetPackageFile());
}

bool HoldsWave(const KZ_Export_Element& entry, const KZ_Sound& sound, std::istream& in) {
    if (entry.DataSize <= 0 || entry.DataOffset < 0 || !sound.HeaderComplete ||
        sound.WaveSize < static_cast<std::int32_t>(kRiffHeaderSize)) {
        return false;
    }
    char header[kRiffHeaderSize];
    in.read(header, kRiffHeaderSize);
    const bool read = in.gcount() == static_cast<std::streamsize>(kRiffHeaderSize);
    if (read) {
        Unread(in, kRiffHeaderSize, static_cast<std::uint64_t>(sound.WaveOffset));
    } else {
        in.clear();
        in.seekg(static_cast<std::streamoff>(sound.WaveOffset));
    }
    const RiffKind kind = read ? SniffRiff(std::string_view(header, kRiffHeaderSize)) : RiffKind::NotRiff;
    return kind == RiffKind::Wave || kind == RiffKind::Rf64Wave;
}

bool PastTheEnd(KZ_Package& package, const KZ_Export_Element& entry) {
    const std::uint64_t packageBytes = FileBytes(package.GetPackageFile());
    return ReadStoredWave(package, entry, packageBytes, true).cut == Cut::PastTheEnd;
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
