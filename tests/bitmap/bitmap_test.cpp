#include "bitmap/bitmap.h"

#include <algorithm>
#include <numeric>
#include <vector>

#include <gtest/gtest.h>

#include "palette/palette.h"

namespace {

struct CreateCase {
    std::int32_t width, height, bitDepth;
    std::int32_t stride;
};

TEST(BitmapCreate, StrideFollowsTheRowRule) {
    const CreateCase cases[] = {
        {3, 2, 8, 4},    // 3 bytes, up to 4
        {10, 1, 24, 32}, // 30 bytes of pixels and 2 of fill
        {1, 1, 24, 4},   //
        {4, 1, 32, 16},  //
        {9, 2, 4, 4},    // 36 bits: the rule drops the half byte
        {17, 1, 1, 4},   //
        {0, 5, 8, 0},    // empty, yet a bitmap
        {5, 0, 8, 8},    //
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.bitDepth);
        BitmapPtr bitmap(Bitmap::create(c.width, c.height, c.bitDepth));
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->width, c.width);
        EXPECT_EQ(bitmap->height, c.height);
        EXPECT_EQ(bitmap->bitDepth, c.bitDepth);
        EXPECT_EQ(bitmap->stride, c.stride);
        EXPECT_EQ(bitmap->imageSize, c.height * c.stride);
        EXPECT_NE(bitmap->pixels, nullptr);
        EXPECT_EQ(bitmap->flags, BitmapOwnsPixels);
        EXPECT_EQ(bitmap->paletteIndex, -1);
        EXPECT_EQ(bitmap->palette, nullptr);
        EXPECT_EQ(bitmap->detailLevelCount, 1);
        EXPECT_EQ(bitmap->detailLevels[0], bitmap->pixels);
        EXPECT_TRUE(std::all_of(bitmap->pixels, bitmap->pixels + bitmap->imageSize,
                                [](std::uint8_t byte) { return byte == 0; }));
    }
}

TEST(BitmapCreate, RefusesSizesOutsideTheLimits) {
    const CreateCase cases[] = {
        {-1, 2, 8, 0},        // negative width
        {2, -1, 8, 0},        // negative height
        {32769, 1, 8, 0},     // wider than we hold
        {1, 32769, 8, 0},     // taller than we hold
        {4, 4, 0, 0},         // no bits at all
        {4, 4, -8, 0},        //
        {4, 4, 33, 0},        // no such pixel
        {32768, 32768, 8, 0}, // 1 GiB of pixels
        {INT32_MAX, 1, 32, 0} // width x depth would overflow
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " x " << c.bitDepth);
        EXPECT_EQ(Bitmap::create(c.width, c.height, c.bitDepth), nullptr);
    }
}

TEST(BitmapView, LooksIntoTheSourceWithItsStride) {
    struct ViewCase {
        std::int32_t bitDepth, sourceStride, offset;
    };
    for (const auto& c : {ViewCase{8, 12, 14}, ViewCase{24, 32, 38}}) {
        SCOPED_TRACE(c.bitDepth);
        BitmapPtr source(Bitmap::create(10, 10, c.bitDepth));
        ASSERT_NE(source, nullptr);
        source->paletteIndex = 3;
        BitmapPtr view(Bitmap::createView(*source, BitmapRect{2, 1, 5, 3}));
        ASSERT_NE(view, nullptr);
        EXPECT_EQ(view->width, 4);
        EXPECT_EQ(view->height, 3);
        EXPECT_EQ(view->stride, c.sourceStride);
        EXPECT_EQ(view->bitDepth, c.bitDepth);
        EXPECT_EQ(view->imageSize, 3 * c.sourceStride);
        EXPECT_EQ(view->pixels, source->pixels + c.offset);
        EXPECT_EQ(view->flags, 0u);
        EXPECT_EQ(view->palette, nullptr);
        EXPECT_EQ(view->paletteIndex, -1);
        EXPECT_EQ(view->detailLevelCount, 0);
    }
}

TEST(BitmapView, ReleasingAViewLeavesTheSourceIntact) {
    BitmapPtr source(Bitmap::create(4, 4, 8));
    ASSERT_NE(source, nullptr);
    std::iota(source->pixels, source->pixels + source->imageSize, std::uint8_t{1});
    const std::vector<std::uint8_t> before(source->pixels, source->pixels + source->imageSize);

    Bitmap::release(Bitmap::createView(*source, BitmapRect{0, 0, 3, 3}));
    EXPECT_EQ(std::vector<std::uint8_t>(source->pixels, source->pixels + source->imageSize),
              before);
}

TEST(BitmapView, SetViewLetsGoOfWhatTheBitmapHeld) {
    BitmapPtr source(Bitmap::create(8, 8, 8));
    BitmapPtr bitmap(Bitmap::create(16, 16, 8));
    ASSERT_NE(source, nullptr);
    ASSERT_NE(bitmap, nullptr);
    bitmap->palette = Palette::create();
    ASSERT_NE(bitmap->palette, nullptr);

    bitmap->setView(*source, BitmapRect{1, 1, 2, 2}); // the sanitizer reports anything leaked
    EXPECT_EQ(bitmap->palette, nullptr);
    EXPECT_EQ(bitmap->flags, 0u);
    EXPECT_EQ(bitmap->pixels, source->pixels + 9);
    EXPECT_EQ(bitmap->detailLevelCount, 0);
    EXPECT_EQ(bitmap->detailLevels[0], nullptr) << "must not point into the freed buffer";
}

TEST(BitmapRelease, FreesPaletteAndOwnedPixelsAndAcceptsNull) {
    Bitmap::release(nullptr);
    Bitmap* bitmap = Bitmap::create(2, 2, 8);
    ASSERT_NE(bitmap, nullptr);
    bitmap->palette = Palette::create();
    Bitmap::release(bitmap); // the sanitizer checks that both went
}

TEST(BitmapPbmpSize, CountsThePaletteChunkWhenThereIsAPalette) {
    BitmapPtr bitmap(Bitmap::create(3, 2, 8));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->pbmpSize(), 40u);
    bitmap->palette = Palette::create();
    EXPECT_EQ(bitmap->pbmpSize(), 1088u);
}

// Rows of `stride` bytes, row r filled with r + 1.
std::vector<std::uint8_t> numberedRows(int rows, int stride) {
    std::vector<std::uint8_t> bytes;
    for (int row = 0; row < rows; ++row) {
        bytes.insert(bytes.end(), static_cast<std::size_t>(stride),
                     static_cast<std::uint8_t>(row + 1));
    }
    return bytes;
}

TEST(FlipRows, ReversesRowOrderAndTwiceRestores) {
    struct FlipCase {
        int rows, stride;
        std::vector<std::uint8_t> firstBytes; // first byte of each row after one flip
    };
    const FlipCase cases[] = {
        {1, 4, {1}},
        {2, 8, {2, 1}},
        {3, 4, {3, 2, 1}},     // the middle row stays
        {4, 12, {4, 3, 2, 1}}, //
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.rows);
        const auto original = numberedRows(c.rows, c.stride);
        auto rows = original;
        std::uint8_t* last = rows.data() + (c.rows - 1) * c.stride;
        flipRows(rows.data(), last, c.stride);
        for (int row = 0; row < c.rows; ++row) {
            const auto* start = rows.data() + row * c.stride;
            EXPECT_TRUE(std::all_of(start, start + c.stride,
                                    [&](std::uint8_t b) { return b == c.firstBytes[row]; }));
        }
        flipRows(rows.data(), last, c.stride);
        EXPECT_EQ(rows, original);
    }
}

} // namespace
