#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "palette/palette.h"
#include "tests/bitmap/bitmap_loading.h"

using namespace bitmap_testing;
using namespace testing_support;

namespace {

// The 3 x 2 8-bit bitmap with rows 1 2 3 and 4 5 6, top first.
BitmapPtr smallBitmap(std::int32_t paletteIndex) {
    BitmapPtr bitmap(Bitmap::create(3, 2, 8));
    EXPECT_NE(bitmap, nullptr);
    const Bytes rows{1, 2, 3, 0, 4, 5, 6, 0};
    std::copy(rows.begin(), rows.end(), bitmap->pixels);
    bitmap->paletteIndex = paletteIndex;
    return bitmap;
}

// Entry i is red i, green 255 - i, blue i / 2.
void fillPalette(Palette& palette) {
    for (int i = 0; i < PaletteSize; ++i) {
        palette.colors()[i] =
            PaletteEntry{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i),
                         static_cast<std::uint8_t>(i / 2), EntryNoCollapse};
    }
}

TEST(BmpWriter, EightBitLayoutToTheByte) {
    auto bitmap = smallBitmap(7);
    const Bytes expected = fileOf({
        tag("BM"),            // bfType
        u32(1086),            // bfSize
        u16(0xF5F7),          // bfReserved1: the palette index marker
        u16(7),               // bfReserved2: paletteIndex
        u32(1078),            // bfOffBits
        u32(40),              // biSize
        i32(3),               // biWidth
        i32(2),               // biHeight: bottom row first
        u16(1),               // biPlanes
        u16(8),               // biBitCount
        u32(0),               // biCompression
        u32(8),               // biSizeImage
        u32(0),       u32(0), // biXPelsPerMeter, biYPelsPerMeter
        u32(0),       u32(0), // biClrUsed, biClrImportant
        greyTable(),          // no palette: grey ramp
        {4, 5, 6, 0},         // the bottom row first
        {1, 2, 3, 0},         //
    });
    EXPECT_EQ(writtenBytes(*bitmap, BitmapAsBmp), expected);
    EXPECT_EQ(allPixels(*bitmap), (Bytes{1, 2, 3, 0, 4, 5, 6, 0})) << "rows put back";
    EXPECT_EQ(writtenBytes(*bitmap, BitmapAsBmp | BitmapWithPalette), expected);

    bitmap->paletteIndex = -1;
    const Bytes noIndex = writtenBytes(*bitmap, BitmapAsBmp);
    ASSERT_EQ(noIndex.size(), 1086u);
    EXPECT_EQ(Bytes(noIndex.begin() + 8, noIndex.begin() + 10), u16(0xFFFF));
}

TEST(BmpWriter, TrueColourHasNoTable) {
    BitmapPtr bitmap(Bitmap::create(10, 1, 24));
    ASSERT_NE(bitmap, nullptr);
    for (int i = 0; i < 30; ++i) {
        bitmap->pixels[i] = static_cast<std::uint8_t>(i + 1);
    }
    Bytes row;
    for (int i = 0; i < 30; ++i) {
        row.push_back(static_cast<std::uint8_t>(i + 1));
    }
    const Bytes expected = fileOf({
        tag("BM"),
        u32(86),
        u16(0xF5F7),
        u16(0xFFFF),
        u32(54), // file header
        u32(40),
        i32(10),
        i32(1),
        u16(1),
        u16(24),
        u32(0), // info header ...
        u32(32),
        u32(0),
        u32(0),
        u32(0),
        u32(0), // biSizeImage and zeros
        row,
        {0, 0}, // 30 bytes and the fill
    });
    EXPECT_EQ(writtenBytes(*bitmap, BitmapAsBmp), expected);
}

TEST(BmpWriter, PaletteGivesTheColourTable) {
    auto bitmap = smallBitmap(-1);
    bitmap->palette = Palette::create();
    ASSERT_NE(bitmap->palette, nullptr);
    fillPalette(*bitmap->palette);
    bitmap->palette->count = 16; // the table still has 256 entries
    const Bytes file = writtenBytes(*bitmap, BitmapAsBmp);
    ASSERT_EQ(file.size(), 1086u);
    EXPECT_EQ(Bytes(file.begin() + 54 + 4 * 200, file.begin() + 54 + 4 * 201),
              (Bytes{100, 55, 200, 0})); // blue, green, red, 0
}

TEST(PbmpWriter, LayoutToTheByte) {
    auto bitmap = smallBitmap(7);
    const Bytes expected = fileOf({
        tag("PBMP"),
        u32(40), // form size: imageSize + 32
        tag("head"),
        u32(20), //
        u32(3),  // chunk count
        i32(3),
        i32(2),
        i32(8), // width, height, bit depth
        u32(8), // flags: owns its pixels
        tag("data"),
        u32(8),
        {1, 2, 3, 0, 4, 5, 6, 0}, // top row first
        tag("DETL"),
        u32(4),
        i32(1), //
        tag("PiDX"),
        u32(4),
        i32(7), //
    });
    EXPECT_EQ(expected.size(), 76u);
    EXPECT_EQ(writtenBytes(*bitmap, 0), expected);
}

TEST(PbmpWriter, PaletteChunkOnlyWithTheFlag) {
    auto bitmap = smallBitmap(7);
    bitmap->palette = Palette::create();
    ASSERT_NE(bitmap->palette, nullptr);
    fillPalette(*bitmap->palette);

    const Bytes without = writtenBytes(*bitmap, 0);
    ASSERT_EQ(without.size(), 76u);
    EXPECT_EQ(Bytes(without.begin() + 4, without.begin() + 8), u32(1088)) << "counted anyway";
    EXPECT_EQ(Bytes(without.begin() + 16, without.begin() + 20), u32(3));

    const Bytes with = writtenBytes(*bitmap, BitmapWithPalette);
    ASSERT_EQ(with.size(), 76u + 1048u);
    EXPECT_EQ(Bytes(with.begin() + 16, with.begin() + 20), u32(4));
    EXPECT_EQ(Bytes(with.begin() + 36, with.begin() + 44), fileOf({tag("RIFF"), u32(1040)}));
    EXPECT_EQ(Bytes(with.begin() + 36 + 1048, with.begin() + 36 + 1052), tag("data"));
}

TEST(PbmpWriter, RoundTripKeepsEverything) {
    const Bytes levels = repeat(64 + 16 + 4, 0x42);
    const Bytes file = fileOf({chunk("head", headRecord(2, 8, 8, 8, 0x55000008)),
                               chunk("data", levels), chunk("DETL", i32(3))});
    const auto original = loadBytes(file);
    ASSERT_NE(original, nullptr);
    original->paletteIndex = 12345678;
    original->palette = Palette::create();
    ASSERT_NE(original->palette, nullptr);
    fillPalette(*original->palette);

    for (const std::uint32_t flags : {0u, BitmapWithPalette}) {
        SCOPED_TRACE(flags);
        const auto copy = loadBytes(writtenBytes(*original, flags), BitmapWithPalette);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->width, 8);
        EXPECT_EQ(copy->height, 8);
        EXPECT_EQ(copy->bitDepth, 8);
        EXPECT_EQ(copy->stride, 8);
        EXPECT_EQ(copy->imageSize, 84);
        EXPECT_EQ(allPixels(*copy), levels);
        EXPECT_EQ(copy->flags, 0x55000008u);
        EXPECT_EQ(copy->detailLevelCount, 3);
        EXPECT_EQ(copy->paletteIndex, 12345678);
        if (flags == BitmapWithPalette) {
            ASSERT_NE(copy->palette, nullptr);
            EXPECT_EQ(copy->palette->colors()[77].green, 255 - 77);
        } else {
            EXPECT_EQ(copy->palette, nullptr);
        }
    }
}

TEST(BmpWriter, RoundTripAtEveryDepth) {
    for (const int depth : {1, 4, 8, 16, 24, 32}) {
        SCOPED_TRACE(depth);
        BitmapPtr original(Bitmap::create(5, 3, depth));
        ASSERT_NE(original, nullptr);
        for (int i = 0; i < original->imageSize; ++i) {
            original->pixels[i] = static_cast<std::uint8_t>(37 * i + depth);
        }
        original->paletteIndex = 65534;
        const auto copy = loadBytes(writtenBytes(*original, BitmapAsBmp), BitmapWithPalette);
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->width, 5);
        EXPECT_EQ(copy->height, 3);
        EXPECT_EQ(copy->bitDepth, depth);
        EXPECT_EQ(copy->stride, original->stride);
        EXPECT_EQ(allPixels(*copy), allPixels(*original));
        EXPECT_EQ(copy->paletteIndex, 65534);
        EXPECT_EQ(copy->flags, BitmapOwnsPixels);
        EXPECT_EQ(copy->detailLevelCount, 1);
        if (depth == 24) {
            EXPECT_EQ(copy->palette, nullptr);
        } else {
            ASSERT_NE(copy->palette, nullptr);
            EXPECT_EQ(copy->palette->count, 256);
            EXPECT_EQ(copy->palette->colors()[90].red, 90) << "the grey ramp";
        }
    }
}

TEST(Writers, ViewsAreStoredAsImagesOfTheirOwnWidth) {
    BitmapPtr source(Bitmap::create(7, 4, 8)); // stride 8
    ASSERT_NE(source, nullptr);
    for (int i = 0; i < source->imageSize; ++i) {
        source->pixels[i] = static_cast<std::uint8_t>(i);
    }
    // Columns 1 to 5 of rows 2 and 3: the view's stride reaches into the next row, and
    // from the last row past the end of the source's buffer.
    BitmapPtr view(Bitmap::createView(*source, BitmapRect{1, 2, 5, 3}));
    ASSERT_NE(view, nullptr);
    const Bytes expected{17, 18, 19, 20, 21, 0, 0, 0, 25, 26, 27, 28, 29, 0, 0, 0};
    for (const std::uint32_t flags : {0u, BitmapAsBmp}) {
        SCOPED_TRACE(flags);
        const auto copy = loadBytes(writtenBytes(*view, flags));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->width, 5);
        EXPECT_EQ(copy->height, 2);
        EXPECT_EQ(copy->stride, 8);
        EXPECT_EQ(allPixels(*copy), expected);
    }
}

TEST(Writers, EmptyBitmapRoundTrips) {
    BitmapPtr bitmap(Bitmap::create(0, 3, 8));
    ASSERT_NE(bitmap, nullptr);
    for (const std::uint32_t flags : {0u, BitmapAsBmp}) {
        const auto copy = loadBytes(writtenBytes(*bitmap, flags));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->width, 0);
        EXPECT_EQ(copy->height, 3);
        EXPECT_EQ(copy->imageSize, 0);
    }
}

TEST(Writers, FailuresAreReported) {
    auto bitmap = smallBitmap(1);
    for (const std::uint32_t flags : {0u, BitmapAsBmp}) {
        for (const std::int64_t budget : {0, 10, 60, 70}) {
            SCOPED_TRACE(testing::Message() << flags << " after " << budget);
            testing_support::MemoryStream stream;
            stream.failAfter(budget);
            EXPECT_FALSE(bitmap->write(stream, flags));
        }
    }
    EXPECT_EQ(allPixels(*bitmap), (Bytes{1, 2, 3, 0, 4, 5, 6, 0})) << "rows put back";
}

TEST(Writers, RefuseWhatCannotBeStoredWhole) {
    // A PBMP file may hold fewer bytes than its rows need; as BMP rows they don't exist.
    const auto shortData =
        loadBytes(fileOf({chunk("head", headRecord(1, 3, 2, 8, 0)), chunk("data", {1, 2, 3, 0})}));
    ASSERT_NE(shortData, nullptr);
    EXPECT_TRUE(writtenBytes(*shortData, BitmapAsBmp).empty());
    EXPECT_EQ(writtenBytes(*shortData, 0).size(), 68u + 4u) << "as PBMP it is what it is";

    // A palette the RIFF writer can't store must not give a file announcing it.
    auto bitmap = smallBitmap(1);
    bitmap->palette = Palette::create();
    ASSERT_NE(bitmap->palette, nullptr);
    bitmap->palette->count = 300;
    EXPECT_TRUE(writtenBytes(*bitmap, BitmapWithPalette).empty());

    Bitmap unfilled;
    EXPECT_TRUE(writtenBytes(unfilled, 0).empty());
    EXPECT_TRUE(writtenBytes(unfilled, BitmapAsBmp).empty());
}

} // namespace
