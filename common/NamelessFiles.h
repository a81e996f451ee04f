// Inside common/, not for callers: files without a name (Linux's O_TMPFILE).
//
// An output whose name is still free is written as a file without a name in
// the target's folder, which is linked in under the target name once whole.
// Nothing of it can be seen before, and nothing is left if the program dies
// on the way, by any signal. It also saves the rename: one name given,
// instead of one made, then moved. Where the system has no such files, the
// calls below fail and OutputFile writes a named temporary file instead.
#pragma once

#include <string>

#include "common/HostFiles.h"

namespace Platform::Nameless {

// A descriptor of a new file without a name in `folder` (a host path in
// `in`; empty for `in` itself), open for reading and writing; -1 when the
// system or its file system has none.
int Open(const Host::Dir& in, const std::string& folder);
// Makes later Open calls fail: the system would not name such a file.
void NoMore();
// Gives the file of `fd` the name `name` in `in`, which must be free.
bool Name(int fd, const Host::Dir& in, const std::string& name);
// Creates `name` in `in` (which must not exist) holding the bytes of `fd`.
// On failure nothing is left, and errno is EEXIST only when the name was
// taken.
bool CopyToName(int fd, const Host::Dir& in, const std::string& name);

}  // namespace Platform::Nameless
