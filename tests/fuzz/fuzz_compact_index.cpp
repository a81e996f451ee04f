// Compact indices back to back: Decode_cIndex and Skip_cIndex must consume the
// same bytes, one to five of them, and never read past the input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "package/CompactIndex.h"

namespace {

std::streamoff Position(std::istream& in, std::size_t size) {
    return in.good() ? static_cast<std::streamoff>(in.tellg()) : static_cast<std::streamoff>(size);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream decoded(bytes);
    std::istringstream skipped(bytes);
    std::streamoff position = 0;
    while (position < static_cast<std::streamoff>(size)) {
        Decode_cIndex(decoded);
        Skip_cIndex(skipped);
        const std::streamoff after = Position(decoded, size);
        if (after != Position(skipped, size) || after <= position || after - position > 5) std::abort();
        position = after;
    }
    return 0;
}
