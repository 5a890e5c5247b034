// Scrambling included files. Built into the Windows tests as well, where the
// 32-bit launcher picks its SSE2 code at run time.
#include <gtest/gtest.h>

#include <string>

#include "format/block.h"

namespace {

TEST(Scramble, IsItsOwnInverseWithMask88) {
    const std::string data("any bytes \x00\x88\xff", 13);
    std::string copy = data;
    block::scramble(copy.data(), copy.size());
    EXPECT_EQ(static_cast<char>('a' ^ 0x88), copy[0]);
    EXPECT_EQ('\0', copy[11]);
    block::scramble(copy.data(), copy.size());
    EXPECT_EQ(data, copy);
}

// The vector code and the word code it falls back to, against the byte rule.
class ScrambleWays : public ::testing::TestWithParam<void (*)(char*, size_t)> {};

TEST_P(ScrambleWays, EveryByteOfEveryLengthAndAlignment) {
    std::string data;
    for (int i = 0; i < 80; ++i) data.push_back(static_cast<char>(i * 37 + 11));
    for (size_t offset = 0; offset < 16; ++offset) {
        for (size_t length = 0; offset + length <= data.size(); ++length) {
            std::string copy = data;
            GetParam()(copy.data() + offset, length);
            for (size_t i = 0; i < data.size(); ++i) {
                const bool inside = i >= offset && i < offset + length;
                const char expected = inside ? static_cast<char>(data[i] ^ static_cast<char>(0x88)) : data[i];
                ASSERT_EQ(expected, copy[i]) << "offset " << offset << " length " << length << " byte " << i;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Scramble, ScrambleWays, ::testing::Values(&block::scramble, &block::scrambleByWords));

}  // namespace
