#include "palette/bit_vector.h"

#include <array>
#include <gtest/gtest.h>
#include <string>

namespace {

struct Mask {
    BitVector bits;
    Mask() {
        EXPECT_TRUE(bits.resize(256));
        std::fill(bits.words, bits.words + bits.wordCount, 0u);
    }
    ~Mask() { bits.freeWords(); }
    std::array<std::uint32_t, 8> words() const {
        std::array<std::uint32_t, 8> out{};
        std::copy(bits.words, bits.words + 8, out.begin());
        return out;
    }
};

constexpr std::uint32_t F = 0xFFFFFFFFu;

struct RangeCase {
    std::int32_t first, last;
    std::array<std::uint32_t, 8> words;
};

class SetRange : public testing::TestWithParam<RangeCase> {};

TEST_P(SetRange, SetsExactlyTheBitsFromFirstToLast) {
    Mask mask;
    mask.bits.setRange(GetParam().first, GetParam().last);
    EXPECT_EQ(mask.words(), GetParam().words);
}

INSTANTIATE_TEST_SUITE_P(
    Ranges, SetRange,
    testing::Values(RangeCase{10, 245, {0x003FFFFF, F, F, F, F, F, F, 0xFFFFFC00}},
                    RangeCase{245, 10, {0x003FFFFF, F, F, F, F, F, F, 0xFFFFFC00}},
                    RangeCase{5, 5, {0x04000000, 0, 0, 0, 0, 0, 0, 0}},
                    RangeCase{0, 0, {0x80000000, 0, 0, 0, 0, 0, 0, 0}},
                    RangeCase{31, 31, {0x00000001, 0, 0, 0, 0, 0, 0, 0}},
                    RangeCase{255, 255, {0, 0, 0, 0, 0, 0, 0, 0x00000001}},
                    RangeCase{0, 31, {F, 0, 0, 0, 0, 0, 0, 0}},
                    RangeCase{31, 32, {0x00000001, 0x80000000, 0, 0, 0, 0, 0, 0}},
                    RangeCase{0, 254, {F, F, F, F, F, F, F, 0xFFFFFFFE}},
                    RangeCase{0, 255, {F, F, F, F, F, F, F, F}},
                    // Indices beyond the storage are left out rather than written.
                    RangeCase{250, 1000, {0, 0, 0, 0, 0, 0, 0, 0x0000003F}},
                    RangeCase{-3, 1, {0xC0000000, 0, 0, 0, 0, 0, 0, 0}}),
    [](const testing::TestParamInfo<RangeCase>& info) {
        auto name = [](std::int32_t bit) {
            return bit < 0 ? "minus" + std::to_string(-bit) : std::to_string(bit);
        };
        return name(info.param.first) + "_to_" + name(info.param.last);
    });

TEST(BitVector, SetRangeNeverClearsAndTestReadsTheSameOrder) {
    Mask mask;
    mask.bits.setRange(0, 255);
    mask.bits.setRange(3, 4);
    EXPECT_EQ(mask.words(), (std::array<std::uint32_t, 8>{F, F, F, F, F, F, F, F}));

    Mask sparse;
    sparse.bits.setRange(40, 41);
    for (std::int32_t i = 0; i < 256; ++i) {
        EXPECT_EQ(sparse.bits.test(i), i == 40 || i == 41) << i;
    }
    EXPECT_FALSE(sparse.bits.test(256));
    EXPECT_FALSE(sparse.bits.test(-1));
}

TEST(BitVector, ResizeGrowsInStepsAndKeepsWords) {
    BitVector bits;
    bits.growStep = 4;
    ASSERT_TRUE(bits.resize(33)); // two words needed, one step of four allocated
    EXPECT_EQ(bits.wordCount, 2);
    EXPECT_EQ(bits.capacity, 4);
    EXPECT_EQ(bits.flags & BitVector::OwnsWords, BitVector::OwnsWords);
    bits.words[0] = 0x12345678;
    const std::uint32_t* before = bits.words;
    ASSERT_TRUE(bits.resize(128)); // fits the capacity: same storage
    EXPECT_EQ(bits.words, before);
    EXPECT_EQ(bits.wordCount, 4);
    ASSERT_TRUE(bits.resize(129));
    EXPECT_EQ(bits.capacity, 8);
    EXPECT_EQ(bits.words[0], 0x12345678u);
    ASSERT_TRUE(bits.resize(0));
    EXPECT_EQ(bits.wordCount, 0);
    EXPECT_EQ(bits.capacity, 8);
    EXPECT_FALSE(bits.resize(-1));
    bits.freeWords();
    EXPECT_EQ(bits.words, nullptr);
    EXPECT_EQ(bits.capacity, 0);
}

} // namespace
