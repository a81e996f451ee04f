#include "common/Folder.h"

#include <filesystem>
#include <system_error>
#include <utility>

#include "common/HostFiles.h"
#include "common/Paths.h"

namespace Platform {

Folder::Folder(Key, std::unique_ptr<Host::Dir> held) : held_(std::move(held)) {}

Folder::~Folder() { Host::CloseFolder(*held_); }

std::unique_ptr<Folder> Folder::Open(const std::string& path) {
    const std::string host = HostPath(path);
    if (Host::HoldsNul(host)) return nullptr;
    std::error_code ec;
    std::filesystem::create_directories(host, ec);
    auto held = std::make_unique<Host::Dir>();
    if (!Host::OpenFolder(Host::Dir{}, host, true, *held)) return nullptr;
    return std::make_unique<Folder>(Key{}, std::move(held));
}

std::unique_ptr<Folder> Folder::Enter(const std::string& name, bool* made) const {
    // One level, so that no link on the way can be followed.
    if (name.empty() || name == "." || name == ".." || Host::HoldsNul(name) || Host::FolderEnd(name) > 0) return nullptr;
    const bool madeHere = Host::MakeFolder(*held_, name);
    auto held = std::make_unique<Host::Dir>();
    if (!Host::OpenFolder(*held_, name, false, *held)) return nullptr;
    if (made != nullptr) *made = madeHere;
    return std::make_unique<Folder>(Key{}, std::move(held));
}

bool Folder::Holds(const std::string& name) const { return Host::Examine(*held_, name) != Host::Target::Absent; }

}  // namespace Platform
