// A folder held open, for outputs that must land in it and nowhere else.
//
// A folder inside a held one is entered by its name, one level at a time,
// never through a link; once held, it stays the folder its outputs
// (OutputFile's second constructor) go to, whatever is renamed, removed or
// linked on its path meanwhile. On POSIX systems it is a descriptor, from
// which every name is looked up (openat, renameat, ...). On Windows it is a
// handle that keeps the folder from being renamed or removed while it is
// held, and a junction or any other reparse point is never entered.
//
//   auto out = Platform::Folder::Open("out");      // the user's folder
//   auto sounds = out->Enter("Ambient");           // made where missing
//   Platform::OutputFile file(*sounds, "Bell.wav");
#pragma once

#include <memory>
#include <string>

namespace Platform {

namespace Host {
struct Dir;
}

class Folder {
    struct Key {};  // only Folder makes one

public:
    Folder(Key, std::unique_ptr<Host::Dir> held);
    // The folder at `path`, made first (with the folders it lies in) where
    // missing. The path is the caller's own: a link on it is followed. None
    // when it cannot be made or opened.
    static std::unique_ptr<Folder> Open(const std::string& path);
    ~Folder();
    Folder(const Folder&) = delete;
    Folder& operator=(const Folder&) = delete;

    // The folder `name` (one name: no separator, not "." or "..") in this
    // one, made where missing; `made`, where given, tells whether this call
    // made it. None where a link or anything but a folder stands at the name,
    // or it cannot be made.
    std::unique_ptr<Folder> Enter(const std::string& name, bool* made = nullptr) const;
    // Whether anything stands at `name` in this folder (a link counts, not
    // what it points at).
    bool Holds(const std::string& name) const;

private:
    friend class OutputFile;
    const Host::Dir& Held() const { return *held_; }

    std::unique_ptr<Host::Dir> held_;
};

}  // namespace Platform
