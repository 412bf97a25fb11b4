#include "palette/matcher_memo.h"

#include <cstdint>
#include <random>

#include <gtest/gtest.h>

namespace {

// Every squared distance that colours can have: its code is its root in 128ths, rounded up.
TEST(MatcherMemo, DistanceCodesAreRootsRoundedUp) {
    for (std::uint64_t squared = 0; squared <= 3 * 255 * 255; ++squared) {
        const std::uint64_t code = MatcherMemo::distanceCode(static_cast<std::uint32_t>(squared));
        const std::uint64_t scaled = squared * 128 * 128;
        ASSERT_GE(code * code, scaled) << squared;
        ASSERT_TRUE(code == 0 || (code - 1) * (code - 1) < scaled) << squared;
    }
}

TEST(MatcherMemo, AnEmptyMemoKnowsNoColour) {
    const MatcherMemo memo;
    std::uint32_t answer = 0;
    for (const std::uint32_t key : {0x000000u, 0xFFFFFFu, 0x123456u}) {
        EXPECT_FALSE(memo.find(key, answer)) << key;
        EXPECT_FALSE(memo.findMeasured(key, answer)) << key;
    }
}

// Colours that land in one slot are told apart by the bits kept with the answer; a colour
// stored without its distance is found, but not by a measuring lookup.
TEST(MatcherMemo, TellsApartTheColoursOfOneSlot) {
    MatcherMemo memo;
    std::mt19937 random(9);
    const std::uint32_t key = random() & MatcherMemo::KeyMask;
    const std::uint32_t slot = MatcherMemo::mix(key) >> MatcherMemo::TagBits;
    std::uint32_t other = key;
    while (other == key || MatcherMemo::mix(other) >> MatcherMemo::TagBits != slot) {
        other = random() & MatcherMemo::KeyMask;
    }

    std::uint32_t answer = 0;
    memo.store(key, 77);
    ASSERT_TRUE(memo.find(key, answer));
    EXPECT_EQ(MatcherMemo::indexOf(answer), 77);
    EXPECT_FALSE(memo.findMeasured(key, answer));
    EXPECT_FALSE(memo.find(other, answer));

    memo.storeMeasured(other, 5, 576);
    ASSERT_TRUE(memo.findMeasured(other, answer));
    EXPECT_EQ(MatcherMemo::indexOf(answer), 5);
    EXPECT_EQ(MatcherMemo::distanceOf(answer), 24u * 128);
    EXPECT_FALSE(memo.find(key, answer)) << "the slot now holds the other colour";
}

} // namespace
