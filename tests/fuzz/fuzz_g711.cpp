// The mu-law and A-law decoders on a format and data from the fuzzer's bytes (see
// CodecFuzz.h for the layout and what is checked).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/CodecFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CodecFuzz::Check({kTagMuLaw, kTagALaw}, data, size);
    return 0;
}
