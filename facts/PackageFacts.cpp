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

constexpr std::uint16_t kExtensible = 0xFFFE;

// The WAVE bytes behind an export: where they begin and how many of them
// the package really holds, read up to the RIFF header's end.
struct StoredWave {
    bool riffWave = false;
    std::uint64_t begin = 0;
    std::uint64_t held = 0;  // min(WaveSize, bytes up to the package's end)
    std::uint32_t riffSize = 0;
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
    stored.riffWave = in.gcount() == static_cast<std::streamsize>(kRiffHeaderSize) &&
                      SniffRiff(std::string_view(header, kRiffHeaderSize)) == RiffKind::Wave;
    stored.riffSize = LittleEndian::FromBytes<std::uint32_t>(header + 4);
    stored.begin = sound.WaveOffset;
    if (packageBytes > stored.begin) {
        stored.held = std::min<std::uint64_t>(static_cast<std::uint64_t>(sound.WaveSize), packageBytes - stored.begin);
    }
    return stored;
}

// Walks the chunk headers from the stream's position `at`, as the WAVE model
// reads them: a chunk begins before `imageEnd` (where the RIFF size ends the
// image) and its body ends at `end` at the latest (the sound's stored
// bytes). Reads the "fmt " fields, measures the "data" body, steps over the
// rest, and stops once both are known.
void ReadAudioHeaders(std::istream& in, std::uint64_t at, std::uint64_t imageEnd, std::uint64_t end, Audio& audio) {
    constexpr std::uint64_t kChunkHeader = 8;
    constexpr std::uint64_t kFmtFields = 16;
    constexpr std::uint64_t kFmtWithSubFormat = 26;  // + extra size, valid bits, mask, sub-format tag
    constexpr std::uint64_t kShortStep = 64 * 1024;  // read over rather than seek
    while (at < imageEnd && at < end && end - at >= kChunkHeader) {
        std::uint32_t id = 0;
        std::uint32_t size = 0;
        if (!ChunkIO::ReadChunkID(in, id) || !LittleEndian::Read(in, size)) return;
        at += kChunkHeader;
        const std::uint64_t body = std::min<std::uint64_t>(size, end - at);
        std::uint64_t consumed = 0;
        if (id == kFmtID && body >= kFmtFields) {
            audio.hasFormat = LittleEndian::Read(in, audio.formatTag) && LittleEndian::Read(in, audio.channels) &&
                              LittleEndian::Read(in, audio.rate) && LittleEndian::Read(in, audio.bytesPerSecond) &&
                              LittleEndian::Read(in, audio.blockAlign) && LittleEndian::Read(in, audio.bits);
            consumed = kFmtFields;
            if (audio.hasFormat && audio.formatTag == kExtensible && body >= kFmtWithSubFormat) {
                std::uint16_t extraSize = 0, validBits = 0;
                std::uint32_t mask = 0;
                LittleEndian::Read(in, extraSize) && LittleEndian::Read(in, validBits) &&
                    LittleEndian::Read(in, mask) && LittleEndian::Read(in, audio.subFormatTag);
                consumed = kFmtWithSubFormat;
            }
            if (!audio.hasFormat) return;
        } else if (id == kDataID) {
            audio.hasData = true;
            audio.dataBytes = body;
            if (audio.hasFormat) return;
        }
        const std::uint64_t skip = body - consumed;
        if (skip < kShortStep) {
            in.ignore(static_cast<std::streamsize>(skip));
        } else {
            in.seekg(static_cast<std::streamoff>(at + body));
        }
        at += body;
        // The pad byte after an odd body, where the writer put one.
        using Traits = std::istream::traits_type;
        if (ChunkIO::PadLength(size) != 0 && at < end &&
            Traits::eq_int_type(in.rdbuf()->sgetc(), Traits::to_int_type('\0'))) {
            in.rdbuf()->sbumpc();
            ++at;
        }
        if (!in.good()) return;
    }
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
    : package_(package), packageBytes_(FileBytes(package.GetPackageFile())) {}

ExportReader::~ExportReader() { package_.GetPackageFile().close(); }

Export ExportReader::Read(std::size_t index) {
    const KZ_Export_Element& entry = package_.Exports[index];
    Export facts;
    facts.index = index;
    facts.name = entry.GetName();
    facts.className = entry.GetClassName();
    facts.dataSize = entry.DataSize;
    if (entry.DataSize > 0) facts.dataOffset = entry.DataOffset;
    const StoredWave stored = ReadStoredWave(package_, entry, packageBytes_);
    if (!stored.riffWave || stored.held < kRiffHeaderSize) return facts;
    facts.sound = true;
    facts.fileSize = stored.held;
    const std::uint64_t end = stored.begin + stored.held;
    const std::uint64_t imageEnd =
        stored.riffSize == WAVE_File::kUnknownRiffSize ? end : stored.begin + 8 + stored.riffSize;
    ReadAudioHeaders(package_.GetPackageFile(), stored.begin + kRiffHeaderSize, imageEnd, end, facts.audio);
    Summarize(facts.audio);
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
