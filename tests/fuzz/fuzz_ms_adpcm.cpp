// The MS ADPCM decoder on a format and data from the fuzzer's bytes (see
// CodecFuzz.h for the layout and what is checked).
#include <cstddef>
#include <cstdint>

#include "tests/fuzz/CodecFuzz.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CodecFuzz::Check({kTagMsAdpcm}, data, size);
    return 0;
}
