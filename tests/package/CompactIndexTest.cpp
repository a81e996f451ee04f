#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "package/CompactIndex.h"

namespace {

struct Case {
    std::string bytes;
    std::int32_t value;
    std::streamoff consumed;
};

std::string B(std::initializer_list<int> bytes) {
    std::string s;
    for (int b : bytes) s += static_cast<char>(b);
    return s;
}

TEST(CompactIndex, DecodesEveryLengthAndSign) {
    const Case cases[] = {
        {B({0x00}), 0, 1},
        {B({0x05}), 5, 1},
        {B({0x3F}), 63, 1},
        {B({0x85}), -5, 1},
        {B({0xBF}), -63, 1},
        {B({0x80}), 0, 1},
        {B({0x40, 0x01}), 64, 2},
        {B({0xC0, 0x01}), -64, 2},
        {B({0x7F, 0x7F}), 8191, 2},
        {B({0xFF, 0x7F}), -8191, 2},
        {B({0x40, 0x00}), 0, 2},
        {B({0x40, 0x80, 0x01}), 8192, 3},
        {B({0x7F, 0xFF, 0x7F}), 1048575, 3},
        {B({0x7F, 0xFF, 0xFF, 0xFF, 0x0F}), 2147483647, 5},
        {B({0xFF, 0xFF, 0xFF, 0xFF, 0x0F}), -2147483647, 5},
        {B({0x7F, 0xFF, 0xFF, 0xFF, 0x1F}), -1, 5},
        {B({0x40, 0x80, 0x80, 0x80, 0xE1}), 134217728, 5},
        // The fifth byte always ends the index, whatever its bit 7 says.
        {B({0x40, 0x80, 0x80, 0x80, 0x80, 0x05}), 0, 5},
        // Bit 7 of the first byte is the sign, not a continuation.
        {B({0x85, 0x05}), -5, 1},
        // 0x80000000 negated wraps to itself.
        {B({0xC0, 0x80, 0x80, 0x80, 0x10}), INT32_MIN, 5},
    };
    for (const auto& c : cases) {
        std::istringstream decoded(c.bytes + "Z");
        EXPECT_EQ(Decode_cIndex(decoded), c.value);
        EXPECT_EQ(decoded.tellg(), c.consumed);
        std::istringstream skipped(c.bytes + "Z");
        Skip_cIndex(skipped);
        EXPECT_EQ(skipped.tellg(), c.consumed);
    }
}

TEST(CompactIndex, CutShortKeepsWhatWasReadAndLeavesFlagsSet) {
    std::istringstream in(B({0xC0, 0xFF}));
    EXPECT_EQ(Decode_cIndex(in), -8128);
    EXPECT_TRUE(in.eof());
    EXPECT_TRUE(in.fail());

    std::istringstream empty("");
    EXPECT_EQ(Decode_cIndex(empty), 0);
    EXPECT_TRUE(empty.fail());

    std::istringstream skipped(B({0x40, 0x80}));
    Skip_cIndex(skipped);
    EXPECT_TRUE(skipped.eof());
}

TEST(CompactIndex, FailedStreamConsumesNothing) {
    std::istringstream in(B({0x05, 0x06}));
    in.setstate(std::ios::failbit);
    EXPECT_EQ(Decode_cIndex(in), 0);
    Skip_cIndex(in);
    in.clear();
    EXPECT_EQ(in.tellg(), 0);
}

}  // namespace
