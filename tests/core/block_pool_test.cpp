#include "core/block_pool.h"

#include <cstdint>
#include <cstring>

#include <gtest/gtest.h>

namespace {

bool inside(const void* piece, const void* blockStart) {
    const auto* p = static_cast<const unsigned char*>(piece);
    const auto* start = static_cast<const unsigned char*>(blockStart);
    return p >= start && p < start + BlockPool::Capacity;
}

TEST(BlockPoolTest, PiecesAreAlignedAndFollowEachOther) {
    BlockPool pool;
    auto* const first = static_cast<unsigned char*>(pool.alloc(1));
    auto* const second = static_cast<unsigned char*>(pool.alloc(BlockPool::Alignment + 1));
    auto* const third = static_cast<unsigned char*>(pool.alloc(0));
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(first) % BlockPool::Alignment, 0u);
    EXPECT_EQ(second, first + BlockPool::Alignment);
    EXPECT_EQ(third, second + 2 * BlockPool::Alignment);
    EXPECT_EQ(pool.spaceLeft(), BlockPool::Capacity - 3 * BlockPool::Alignment);
}

TEST(BlockPoolTest, ExactlyTheSpaceLeftIsServedFromTheCurrentBlock) {
    BlockPool pool;
    auto* const first = static_cast<unsigned char*>(pool.alloc(8));
    const std::size_t left = pool.spaceLeft();
    auto* const rest = static_cast<unsigned char*>(pool.alloc(left));
    EXPECT_EQ(rest, first + 8);
    EXPECT_EQ(pool.spaceLeft(), 0u);
    std::memset(rest, 0xAB, left); // the whole piece is ours to write
}

TEST(BlockPoolTest, OneByteMoreStartsANewBlock) {
    BlockPool pool;
    void* const first = pool.alloc(8);
    const std::size_t left = pool.spaceLeft();
    auto* const piece = static_cast<unsigned char*>(pool.alloc(left + 1));
    EXPECT_FALSE(inside(piece, first));
    std::memset(piece, 0xCD, left + 1);
    const std::size_t rounded =
        (left + 1 + BlockPool::Alignment - 1) / BlockPool::Alignment * BlockPool::Alignment;
    EXPECT_EQ(pool.spaceLeft(), BlockPool::Capacity - rounded);
}

TEST(BlockPoolTest, PiecesLargerThanABlockGetTheirOwn) {
    BlockPool pool;
    auto* const small = static_cast<unsigned char*>(pool.alloc(16));
    const std::size_t left = pool.spaceLeft();
    for (const std::size_t size : {BlockPool::Capacity + 1, std::size_t{100000}}) {
        auto* const large = static_cast<unsigned char*>(pool.alloc(size));
        ASSERT_NE(large, nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(large) % BlockPool::Alignment, 0u);
        std::memset(large, 0xEF, size);
    }
    EXPECT_EQ(pool.spaceLeft(), left) << "the current block goes on serving small pieces";
    EXPECT_EQ(pool.alloc(4), small + 16);
}

} // namespace
