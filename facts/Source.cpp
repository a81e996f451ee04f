#include "facts/Source.h"

#include <atomic>

#include "facts/Facts.h"
#include "package/KZ_Package.h"
#include "wave/Audio.h"

namespace Facts {

namespace {

std::atomic<std::uint64_t> g_packagesRead{0};

}  // namespace

Source::Source(Key, const std::string& path) : path_(path) {}

Source::~Source() = default;

std::unique_ptr<Source> Source::Open(const std::string& path) {
    auto source = std::make_unique<Source>(Key(), path);
    Intake::Input& input = source->input_;
    source->opened_ = input.Open(path);
    if (!source->opened_) return source;
    source->type_ = input.GetType();
    if (source->type_ == Intake::Type::Wave) {
        source->kind_ = Kind::Wave;
    } else if (source->type_ == Intake::Type::Other && input.Reopenable()) {
        // The package reads its file by its path: the stream of the type check is done with.
        input.Close();
        source->ReadPackage();
    }
    return source;
}

std::unique_ptr<Source> Source::OpenPackage(const std::string& path) {
    auto source = std::make_unique<Source>(Key(), path);
    source->ReadPackage();
    return source;
}

void Source::ReadPackage() {
    // The package reopens its file from the path text, which the source keeps.
    package_ = std::make_unique<KZ_Package>(path_.c_str());
    ++g_packagesRead;
    // Asking for the stream reopens the file; it is closed until a sound is read.
    if (!package_->GetPackageFile().fail()) kind_ = Kind::Package;
    package_->GetPackageFile().close();
}

std::string Source::WhyNotPackage() const { return package_ ? Intake::WhyNotPackage(*package_, path_) : std::string(); }

Facts::Finding Source::Refusal(bool asWave) const {
    if (package_) {
        const std::string why = WhyNotPackage();
        return asWave ? Intake::NotValidWave(path_, why) : Intake::NotReadable(path_, why);
    }
    if (!opened_) return Intake::CannotOpen(path_, input_.Error());
    switch (type_) {
        case Intake::Type::DamagedRiff: return Intake::NotValidWave(path_);
        case Intake::Type::Rifx: return Intake::BigEndian(path_);
        case Intake::Type::Wave:
        case Intake::Type::Other: break;
    }
    return Intake::PackageFromPipe(path_);
}

Facts::Groups& Source::Groups() {
    if (!groups_) groups_.emplace(*package_);
    return *groups_;
}

std::unique_ptr<WAVE_File> Source::LoadWave(Intake::Load load, const Diagnostics::Sink& sink) {
    if (kind_ != Kind::Wave) return nullptr;
    std::istream& in = input_.Stream();
    if (reloaded_) {
        in.clear();
        in.seekg(0);
    }
    reloaded_ = true;
    auto wave = std::make_unique<WAVE_File>();
    Intake::LoadWave(*wave, in, load, sink);
    return wave;
}

std::unique_ptr<WAVE_File> Source::LoadSound(std::size_t index, Intake::Load load, const Diagnostics::Sink& sink) {
    if (kind_ != Kind::Package || index >= package_->Exports.size()) return nullptr;
    const KZ_Export_Element& entry = package_->Exports[index];
    if (!HoldsWave(*package_, entry)) return nullptr;
    return Intake::LoadSound(*package_, entry, load, sink);
}

std::istream& Source::Samples() {
    if (!package_) {
        input_.Stream().clear();
        return input_.Stream();
    }
    std::ifstream& in = package_->GetPackageFile();
    if (in.is_open()) in.clear();
    return in;
}

std::uint64_t Source::PackagesRead() { return g_packagesRead; }

}  // namespace Facts
