#include "tests/fuzz/Seeds.h"

namespace {

std::vector<FuzzSeeds::Seed> MakeSeeds() {
    return {
        {"fuzz_compact_index", "one_byte", std::string("\x05", 1)},
        {"fuzz_compact_index", "two_bytes", std::string("\xC0\x01", 2)},
        {"fuzz_compact_index", "five_bytes", std::string("\x7F\xFF\xFF\xFF\x1F", 5)},
        {"fuzz_compact_index", "sixth_byte_left", std::string("\x40\x80\x80\x80\x80\x05", 6)},
    };
}

const FuzzSeeds::Registrar registrar(&MakeSeeds);

}  // namespace
