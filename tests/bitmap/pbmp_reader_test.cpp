#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "palette/palette.h"
#include "tests/bitmap/bitmap_loading.h"

using namespace bitmap_testing;
using namespace testing_support;

namespace {

// The 3 x 2 8-bit bitmap as the writer stores it, paletteIndex 7.
Bytes smallPbmp() {
    return fileOf({
        tag("PBMP"), u32(40),                              // form, size (ignored)
        chunk("head", headRecord(3, 3, 2, 8, 0x00000008)), // 3 chunks follow
        chunk("data", {1, 2, 3, 0, 4, 5, 6, 0}),           // top row first
        chunk("DETL", i32(1)),                             //
        chunk("PiDX", i32(7)),                             //
    });
}

// A RIFF palette chunk of `count` colours, entry i being i, 0, 255 - i, flags 0.
Bytes riffChunk(std::uint16_t count) {
    Bytes colours;
    for (int i = 0; i < count; ++i) {
        colours.insert(colours.end(),
                       {static_cast<std::uint8_t>(i), 0, static_cast<std::uint8_t>(255 - i), 0});
    }
    return riffPalette(colours);
}

TEST(PbmpReader, ReadsTheWritersLayout) {
    const auto bitmap = loadBytes(smallPbmp());
    ASSERT_NE(bitmap, nullptr);
    expectSmallEightBit(*bitmap, {1, 2, 3, 0, 4, 5, 6, 0});
    EXPECT_EQ(bitmap->paletteIndex, 7);
    EXPECT_EQ(bitmap->palette, nullptr);
}

TEST(PbmpReader, FlagWordComesBackWholeWithOwnershipOurs) {
    for (const std::uint32_t stored : {0x12340000u, 0x12340008u}) {
        const Bytes file =
            fileOf({chunk("head", headRecord(1, 1, 1, 8, stored)), chunk("data", {0, 0, 0, 0})});
        const auto bitmap = loadBytes(file);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->flags, 0x12340008u);
    }
}

TEST(PbmpReader, HeadCountDecidesHowManyChunksAreRead) {
    const Bytes file = fileOf({
        chunk("head", headRecord(0xAB000003, 1, 1, 8, 0)), // top 8 bits ignored: 3 chunks
        chunk("junk", {1, 2, 3}),                          // unknown: skipped, counts
        chunk("data", {5, 0, 0, 0}),                       //
        chunk("PiDX", i32(4)),                             // the third
        chunk("DETL", i32(2)),                             // never read
        tag("garbage that is never looked at"),            //
    });
    const auto bitmap = loadBytes(file);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->paletteIndex, 4);
    EXPECT_EQ(bitmap->detailLevelCount, 1);
    EXPECT_EQ(allPixels(*bitmap), (Bytes{5, 0, 0, 0}));
}

TEST(PbmpReader, LaterHeadAndDataChunksReplaceEarlierOnes) {
    const Bytes file = fileOf({
        chunk("head", headRecord(3, 1, 1, 8, 0)), //
        chunk("data", {1, 0, 0, 0}),              // replaced, and freed
        chunk("head", headRecord(1, 2, 1, 8, 0)), // counts again: one more chunk
        chunk("data", {7, 8, 0, 0}),              //
    });
    const auto bitmap = loadBytes(file);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 2);
    EXPECT_EQ(allPixels(*bitmap), (Bytes{7, 8, 0, 0}));
}

TEST(PbmpReader, DetailLevelsFollowEachOtherAtAQuarterTheSize) {
    const Bytes file = fileOf({
        chunk("head", headRecord(2, 8, 8, 8, 0)), //
        chunk("data", repeat(64 + 16 + 4, 1)),    // three levels
        chunk("DETL", i32(3)),                    //
    });
    const auto bitmap = loadBytes(file);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->imageSize, 84);
    EXPECT_EQ(bitmap->detailLevelCount, 3);
    EXPECT_EQ(bitmap->detailLevels[0], bitmap->pixels);
    EXPECT_EQ(bitmap->detailLevels[1], bitmap->pixels + 64);
    EXPECT_EQ(bitmap->detailLevels[2], bitmap->pixels + 80);
}

TEST(PbmpReader, PaletteChunkIsReadOnRequestAndSkippedOtherwise) {
    const Bytes file = fileOf({
        chunk("head", headRecord(3, 1, 1, 8, 0)), //
        riffChunk(16),                            //
        chunk("data", {3, 0, 0, 0}),              //
        chunk("PiDX", i32(2)),                    //
    });
    const auto withPalette = loadBytes(file, BitmapWithPalette);
    ASSERT_NE(withPalette, nullptr);
    ASSERT_NE(withPalette->palette, nullptr);
    EXPECT_EQ(withPalette->palette->count, 16);
    EXPECT_EQ(withPalette->palette->colors()[5].red, 5);
    EXPECT_EQ(withPalette->palette->colors()[5].blue, 250);
    EXPECT_EQ(withPalette->paletteIndex, 2);

    const auto without = loadBytes(file);
    ASSERT_NE(without, nullptr);
    EXPECT_EQ(without->palette, nullptr);
    EXPECT_EQ(without->paletteIndex, 2);
    EXPECT_EQ(allPixels(*without), (Bytes{3, 0, 0, 0}));
}

TEST(PbmpReader, RefusesWhatCannotBeAnImageOrIsCutShort) {
    struct BadCase {
        const char* what;
        Bytes file;
    };
    const Bytes data = chunk("data", {0, 0, 0, 0});
    const BadCase cases[] = {
        {"empty stream", {}},
        {"shorter than a chunk header", tag("PBMP")},
        {"unknown first tag",
         fileOf({chunk("XXXX", {}), chunk("head", headRecord(0, 1, 1, 8, 0))})},
        {"data before head", fileOf({data, chunk("head", headRecord(0, 1, 1, 8, 0))})},
        {"ends before a head", fileOf({tag("PBMP"), u32(0)})},
        {"ends before the announced chunks",
         fileOf({chunk("head", headRecord(3, 1, 1, 8, 0)), data, chunk("PiDX", i32(1))})},
        {"no data at all",
         fileOf({chunk("head", headRecord(1, 1, 1, 8, 0)), chunk("PiDX", i32(1))})},
        {"short head", fileOf({chunk("head", fileOf({u32(1), i32(1), i32(1), i32(8)})), data})},
        {"long head", fileOf({chunk("head", fileOf({headRecord(1, 1, 1, 8, 0), u32(0)})), data})},
        {"negative width", fileOf({chunk("head", headRecord(1, -1, 1, 8, 0)), data})},
        {"too tall", fileOf({chunk("head", headRecord(1, 1, 32769, 8, 0)), data})},
        {"no bits", fileOf({chunk("head", headRecord(1, 1, 1, 0, 0)), data})},
        {"1 GiB of rows", fileOf({chunk("head", headRecord(1, 32768, 32768, 8, 0)), data})},
        {"data larger than we hold",
         fileOf({chunk("head", headRecord(1, 1, 1, 8, 0)), tag("data"), u32(0x20000001)})},
        {"data size beyond 32 bits",
         fileOf({chunk("head", headRecord(1, 1, 1, 8, 0)), tag("data"), u32(0xFFFFFFFF)})},
        {"long DETL", fileOf({chunk("head", headRecord(2, 1, 1, 8, 0)), data,
                              chunk("DETL", fileOf({i32(1), i32(0)}))})},
        {"ten levels",
         fileOf({chunk("head", headRecord(2, 1, 1, 8, 0)), data, chunk("DETL", i32(10))})},
        {"negative levels",
         fileOf({chunk("head", headRecord(2, 1, 1, 8, 0)), data, chunk("DETL", i32(-1))})},
        {"levels beyond the data",
         fileOf({chunk("head", headRecord(2, 8, 8, 8, 0)), chunk("data", repeat(64 + 15, 0)),
                 chunk("DETL", i32(3))})},
        {"skip beyond 32-bit offsets",
         fileOf({chunk("head", headRecord(2, 1, 1, 8, 0)), data, tag("junk"), u32(0xFFFFFFF0)})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(loadBytes(c.file), nullptr);
        EXPECT_EQ(loadBytes(c.file, BitmapWithPalette), nullptr);
    }
}

TEST(PbmpReader, EveryProperPrefixFails) {
    const Bytes file = fileOf({
        tag("PBMP"),
        u32(1088),
        chunk("head", headRecord(4, 3, 2, 8, 8)),
        riffChunk(256),
        chunk("data", {1, 2, 3, 0, 4, 5, 6, 0}),
        chunk("DETL", i32(1)),
        chunk("PiDX", i32(7)),
    });
    for (std::size_t length = 0; length < file.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        EXPECT_EQ(loadBytes(prefix, BitmapWithPalette), nullptr);
        EXPECT_EQ(loadBytes(prefix), nullptr);
    }
    EXPECT_NE(loadBytes(file, BitmapWithPalette), nullptr);
}

TEST(PbmpReader, ShortDataChunkAtTheEndIsZeroFilled) {
    // The last announced chunk runs past the end of the stream: what is there arrives, and
    // the report says how much.
    const Bytes file =
        fileOf({chunk("head", headRecord(1, 3, 2, 8, 0)), tag("data"), u32(8), Bytes{1, 2, 3}});
    BitmapReadReport report;
    const auto bitmap = loadBytes(file, 0, report);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(allPixels(*bitmap), (Bytes{1, 2, 3, 0, 0, 0, 0, 0}));
    EXPECT_EQ(report.pixelBytesRead, 3);

    // Of two "data" chunks the second counts, and a whole one delivers all its bytes.
    const Bytes twice =
        fileOf({chunk("head", headRecord(2, 3, 2, 8, 0)), chunk("data", {1, 2, 3, 0, 4, 5, 6, 0}),
                tag("data"), u32(8), Bytes{9}});
    ASSERT_NE(loadBytes(twice, 0, report), nullptr);
    EXPECT_EQ(report.pixelBytesRead, 1);
    ASSERT_NE(loadBytes(smallPbmp(), 0, report), nullptr);
    EXPECT_EQ(report.pixelBytesRead, 8);
}

TEST(PbmpReader, BmpIsRecognisedOnlyBeforeTheHead) {
    EXPECT_NE(loadBytes(bmpFile(BmpFields{})), nullptr);
    // "BM" in a later chunk header is just an unknown tag.
    const Bytes file = fileOf({chunk("head", headRecord(2, 1, 1, 8, 0)), chunk("BMxx", {1}),
                               chunk("data", {0, 0, 0, 0})});
    EXPECT_NE(loadBytes(file), nullptr);
}

} // namespace
