// A package file in a fresh folder, read by a KZ_Package that borrows its
// path text for as long as both live.
#pragma once

#include <memory>
#include <string>

#include "package/KZ_Package.h"
#include "tests/support/RunTool.h"

namespace TestSupport {

class PackageFile {
public:
    explicit PackageFile(const std::string& bytes) : path_((dir_.Path() / "test.kzs").string()) {
        WriteFile(path_, bytes);
        package_ = std::make_unique<KZ_Package>(path_.c_str());
    }
    KZ_Package& operator*() const { return *package_; }
    KZ_Package* operator->() const { return package_.get(); }
    KZ_Package* get() const { return package_.get(); }
    const TempDir& Dir() const { return dir_; }
    const std::string& Path() const { return path_; }

private:
    TempDir dir_;
    std::string path_;
    std::unique_ptr<KZ_Package> package_;
};

}  // namespace TestSupport
