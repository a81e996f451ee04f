#include "facts/Intake.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>
#include <vector>

#include "common/FileErrors.h"
#include "common/Platform.h"
#include "facts/Escape.h"
#include "facts/Source.h"
#include "package/KZ_Package.h"
#include "sound/KZ_Audio.h"
#include "wave/Audio.h"
#include "wave/Sniff.h"

namespace Intake {

namespace {

using FactsJson::json;

WaveLoad Mode(Load load) { return load == Load::HeadersOnly ? WaveLoad::HeadersOnly : WaveLoad::Everything; }

// The bytes already read for the type check, then the rest of a stream that
// cannot go back to them. Cannot seek: readers of the WAVE model then grow
// their buffers as the bytes arrive.
class PrefixedInput : public std::streambuf {
public:
    PrefixedInput(std::string prefix, std::streambuf* rest) : prefix_(std::move(prefix)), rest_(rest) {
        setg(prefix_.data(), prefix_.data(), prefix_.data() + prefix_.size());
    }

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        buffer_.resize(kBufferSize);
        const std::streamsize got = rest_->sgetn(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
        if (got <= 0) return traits_type::eof();
        setg(buffer_.data(), buffer_.data(), buffer_.data() + got);
        return traits_type::to_int_type(*gptr());
    }

private:
    static constexpr std::size_t kBufferSize = 64 * 1024;
    std::string prefix_;
    std::streambuf* rest_;
    std::vector<char> buffer_;
};

Type TypeOf(std::string_view first) {
    switch (SniffRiff(first)) {
        case RiffKind::Wave:
        case RiffKind::Rf64Wave: return Type::Wave;
        case RiffKind::Rifx: return Type::Rifx;
        case RiffKind::OtherRiff: return Type::DamagedRiff;
        case RiffKind::NotRiff: break;
    }
    return Type::Other;
}

// The tag the packages we make begin with. The reader takes any tag; the
// message about a file that fails as a package uses it to tell a damaged
// package (where its tables go wrong) from a file of another kind (what it
// begins with).
constexpr std::string_view kPackageTag = "KZSP";
constexpr std::size_t kShownBytes = 12;
// Where a package's generation entries begin: right after their count.
constexpr std::uint64_t kGenerationsOffset = 56;

std::string Counted(std::uint64_t count, const char* one, const char* many = nullptr) {
    return std::to_string(count) + " " + (count == 1 ? one : many ? many : std::string(one) + "s");
}

// Bytes in hex, then as text with '.' for each byte that is no printable
// ASCII: 3C 21 44 4F ("<!DO").
std::string Bytes(std::string_view bytes) {
    std::string hex, text;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (!hex.empty()) hex += ' ';
        hex += Escape::Hex(byte, 2);
        text += byte >= 0x20 && byte < 0x7F ? c : '.';
    }
    return hex + " (\"" + text + "\")";
}

json WithSound(json file, const std::string& name, std::size_t index) {
    FactsJson::PutText(file, "sound", name);
    file["export"] = index;
    return file;
}

}  // namespace

Input::~Input() = default;

bool Input::Open(const std::string& path) {
    std::streambuf* source = nullptr;
    const bool standardInput = path == kStandardInput;
    if (standardInput) {
        source = std::cin.rdbuf();
    } else {
        Platform::OpenInput(file_, path);
        if (!file_.is_open() || file_.fail()) {
            error_ = Platform::OpenError(path);
            return false;
        }
        source = file_.rdbuf();
    }
    // Where the input begins: standard input may stand anywhere in a file.
    const std::streampos start = source->pubseekoff(0, std::ios::cur, std::ios::in);
    std::string first(kRiffHeaderSize, '\0');
    const std::streamsize got = std::max<std::streamsize>(source->sgetn(first.data(), kRiffHeaderSize), 0);
    first.resize(static_cast<std::size_t>(got));
    type_ = TypeOf(first);
    // A file goes back to its start; a pipe gets the bytes read put in front.
    const bool rewound = start != std::streampos(-1) && source->pubseekpos(start, std::ios::in) == start;
    reopenable_ = rewound && !standardInput;
    if (!rewound) {
        prefixed_ = std::make_unique<PrefixedInput>(std::move(first), source);
        source = prefixed_.get();
    }
    stream_ = std::make_unique<std::istream>(source);
    return true;
}

void Input::Close() {
    stream_.reset();
    prefixed_.reset();
    file_.close();
}

Facts::Finding CannotOpen(const std::string& path, int error) {
    return Facts::Make(Facts::Code::CannotOpen,
                       {{"path", path}, {"reason", Platform::Reason(error, Platform::Access::Read)}});
}
Facts::Finding CannotWrite(const std::string& path, int error) {
    return Facts::Make(Facts::Code::CannotWrite,
                       {{"path", path}, {"reason", Platform::Reason(error, Platform::Access::Write)}});
}
Facts::Finding NotValidWave(const std::string& path, const std::string& why) {
    return Facts::Make(Facts::Code::NotValidWave, {{"path", path}, {"reason", why}});
}
Facts::Finding BigEndian(const std::string& path) { return Facts::Make(Facts::Code::BigEndian, {{"path", path}}); }
Facts::Finding PackageFromPipe(const std::string& path) {
    return Facts::Make(Facts::Code::PackageFromPipe, {{"path", path}});
}
Facts::Finding NotReadable(const std::string& path, const std::string& why) {
    return Facts::Make(Facts::Code::NotReadable, {{"path", path}, {"reason", why}});
}

std::string WhyNotPackage(const KZ_Package& package, const std::string& path) {
    if (package.Failed == KZ_PackagePart::File) {
        const std::string reason = Platform::Reason(Platform::OpenError(path), Platform::Access::Read);
        return reason.empty() ? "it cannot be opened" : reason;
    }
    std::ifstream in;
    Platform::OpenInput(in, path);
    std::string first(kShownBytes, '\0');
    in.read(first.data(), static_cast<std::streamsize>(first.size()));
    first.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    if (first.empty()) return "it is empty";
    if (!first.starts_with(kPackageTag)) {
        if (first.size() == kShownBytes) return "it begins with " + Bytes(first);
        return "it holds only " + Counted(first.size(), "byte") + ": " + Bytes(first);
    }
    const auto table = [](const char* name, std::uint32_t count, std::uint64_t offset) {
        return std::string("its ") + name + " table (" + Counted(count, "entry", "entries") + " at offset " +
               std::to_string(offset) + ") does not fit in the file";
    };
    switch (package.Failed) {
        case KZ_PackagePart::Header: {
            std::error_code ec;
            const std::uintmax_t size = std::filesystem::file_size(Platform::HostPath(path), ec);
            if (ec) return "it ends inside the package header";
            return "it ends inside the package header, after " + Counted(size, "byte");
        }
        case KZ_PackagePart::Generations: return table("generation", package.GenerationCount, kGenerationsOffset);
        case KZ_PackagePart::Names: return table("name", package.NameCount, package.NameOffset);
        case KZ_PackagePart::Imports: return table("import", package.ImportCount, package.ImportOffset);
        case KZ_PackagePart::Exports: return table("export", package.ExportCount, package.ExportOffset);
        case KZ_PackagePart::None:
        case KZ_PackagePart::File: break;
    }
    return {};
}

Diagnostics::Sink Collect(std::vector<Facts::Finding>& findings) {
    return [&findings](std::string_view message) {
        // The model's two messages: "Not a valid WAVE file." and "Unknown
        // Phoneme Tag: <tag>".
        constexpr std::string_view kPhonemeTag = "Unknown Phoneme Tag: ";
        if (message == Facts::KindOf(Facts::Code::NotValidWaveModel).text) {
            findings.push_back(Facts::Make(Facts::Code::NotValidWaveModel));
        } else if (message.starts_with(kPhonemeTag)) {
            findings.push_back(
                Facts::Make(Facts::Code::UnknownPhonemeTag, {{"tag", std::string(message.substr(kPhonemeTag.size()))}}));
        } else {
            findings.push_back(Facts::Make(Facts::Code::ModelMessage, {{"message", std::string(message)}}));
        }
    };
}

void LoadWave(WAVE_File& wave, std::istream& in, Load load, const Diagnostics::Sink& sink) {
    wave.LoadData(in, Mode(load), sink);
}

std::unique_ptr<WAVE_File> LoadSound(KZ_Package& package, const KZ_Export_Element& entry, Load load,
                                     const Diagnostics::Sink& sink) {
    KZ_Sound sound = ::LoadSound(package, entry);
    return sound.GetWAVE(Mode(load), sink);
}

void AddFile(FactsJson::DocumentWriter& document, Facts::Source& source) {
    const std::string& path = source.Path();
    switch (source.GetKind()) {
        case Facts::Source::Kind::Wave: {
            std::vector<Facts::Finding> findings;
            const std::unique_ptr<WAVE_File> wave = source.LoadWave(Load::HeadersOnly, Collect(findings));
            return document.AddWave(Facts::Describe(*wave, std::move(findings)), path, json::object());
        }
        case Facts::Source::Kind::Package: return document.AddPackage(*source.Package(), path);
        case Facts::Source::Kind::Refused: break;
    }
    document.Add(FactsJson::ErrorFile(path, source.Refusal()));
}

json SoundJson(KZ_Package& package, std::size_t index, const std::string& path) {
    if (index >= package.Exports.size()) {
        return FactsJson::ErrorFile(path, Facts::Make(Facts::Code::NoExport, {{"index", std::uint64_t{index}}, {"path", path}}));
    }
    const KZ_Export_Element& entry = package.Exports[index];
    const std::string name = entry.GetName();
    if (!Facts::HoldsWave(package, entry)) {
        package.GetPackageFile().close();
        return WithSound(
            FactsJson::ErrorFile(path, Facts::Make(Facts::Code::NotAWave, {{"sound", name}, {"path", path}})), name, index);
    }
    std::vector<Facts::Finding> findings;
    const std::unique_ptr<WAVE_File> wave = LoadSound(package, entry, Load::HeadersOnly, Collect(findings));
    return WithSound(FactsJson::WaveFile(Facts::Describe(*wave, std::move(findings)), path), name, index);
}

}  // namespace Intake
