#include <array>
#include <cstring>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "palette/palette.h"
#include "tests/bitmap/bitmap_loading.h"
#include "tests/support/temp_dir.h"

using namespace bitmap_testing;
using namespace testing_support;

namespace {

TEST(BmpReader, ReadsHeadersAndKeepsTheTopRowFirst) {
    const Bytes file = fileOf({
        tag("BM"),                  // bfType
        u32(1086),                  // bfSize
        u16(0),                     // bfReserved1
        u16(0),                     // bfReserved2
        u32(1078),                  // bfOffBits
        u32(40),                    // biSize
        i32(3),                     // biWidth
        i32(2),                     // biHeight: bottom row first
        u16(1),                     // biPlanes
        u16(8),                     // biBitCount
        u32(0),                     // biCompression
        u32(8),                     // biSizeImage
        u32(2835),       u32(2835), // biXPelsPerMeter, biYPelsPerMeter: ignored
        u32(0),                     // biClrUsed: 256 entries
        u32(0),                     // biClrImportant
        greyTable(),                // colour table
        {10, 11, 12, 0},            // bottom row and its fill
        {20, 21, 22, 0},            // top row and its fill
    });
    const auto bitmap = loadBytes(file);
    ASSERT_NE(bitmap, nullptr);
    expectSmallEightBit(*bitmap, {20, 21, 22, 0, 10, 11, 12, 0});
    EXPECT_EQ(bitmap->paletteIndex, -1);
    EXPECT_EQ(bitmap->palette, nullptr);
}

TEST(BmpReader, NegativeHeightKeepsTheFileOrder) {
    BmpFields fields;
    fields.height = -2;
    const auto bitmap = loadBytes(bmpFile(fields));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->height, 2);
    EXPECT_EQ(allPixels(*bitmap), fields.pixels);
}

TEST(BmpReader, PaletteIndexNeedsTheMarker) {
    struct MarkerCase {
        std::uint16_t reserved1, reserved2;
        std::int32_t paletteIndex;
        bool marker;
    };
    const MarkerCase cases[] = {
        {0xF5F7, 5, 5, true},         //
        {0xF5F7, 0, 0, true},         //
        {0xF5F7, 65534, 65534, true}, // unsigned 16 bits
        {0xF5F7, 0xFFFF, -1, true},   // "no palette", but one of ours all the same
        {0, 5, -1, false},            // what most tools write
        {0xF5F6, 5, -1, false},       //
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.reserved1 << "/" << c.reserved2);
        BmpFields fields;
        fields.reserved1 = c.reserved1;
        fields.reserved2 = c.reserved2;
        BitmapReadReport report;
        report.paletteIndexMarker = !c.marker;
        const auto bitmap = loadBytes(bmpFile(fields), 0, report);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->paletteIndex, c.paletteIndex);
        EXPECT_EQ(report.paletteIndexMarker, c.marker);
    }
}

// A colour table whose entry i is blue i, green 2i, red 255 - i.
Bytes numberedTable(int entries) {
    Bytes table;
    for (int i = 0; i < entries; ++i) {
        table.insert(table.end(), {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(2 * i),
                                   static_cast<std::uint8_t>(255 - i), 0x5A});
    }
    return table;
}

TEST(BmpReader, ColourTableBecomesThePaletteOnRequest) {
    for (const int entries : {256, 16}) {
        SCOPED_TRACE(entries);
        BmpFields fields;
        fields.clrUsed = entries == 256 ? 0 : static_cast<std::uint32_t>(entries);
        fields.colourTable = numberedTable(entries);
        fields.offBits = 54 + 4 * static_cast<std::uint32_t>(entries);

        const auto withPalette = loadBytes(bmpFile(fields), BitmapWithPalette);
        ASSERT_NE(withPalette, nullptr);
        ASSERT_NE(withPalette->palette, nullptr);
        const Palette& palette = *withPalette->palette;
        EXPECT_EQ(palette.count, entries);
        for (int i = 0; i < PaletteSize; ++i) {
            const PaletteEntry& entry = palette.colors()[i];
            const bool inFile = i < entries;
            EXPECT_EQ(entry.red, inFile ? 255 - i : 0) << i;
            EXPECT_EQ(entry.green, inFile ? static_cast<std::uint8_t>(2 * i) : 0) << i;
            EXPECT_EQ(entry.blue, inFile ? i : 0) << i;
            EXPECT_EQ(entry.flags, EntryNoCollapse) << i;
        }
        EXPECT_EQ(allPixels(*withPalette), (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));

        const auto without = loadBytes(bmpFile(fields));
        ASSERT_NE(without, nullptr);
        EXPECT_EQ(without->palette, nullptr);
        EXPECT_EQ(allPixels(*without), (Bytes{4, 5, 6, 0, 1, 2, 3, 0})) << "table skipped";
    }
}

TEST(BmpReader, LongTableIsSkippedWithoutAPaletteAndRefusedWithOne) {
    BmpFields fields;
    fields.clrUsed = 300;
    fields.colourTable = repeat(300 * 4, 0xEE);
    fields.offBits = 54 + 1200;
    const auto skipped = loadBytes(bmpFile(fields));
    ASSERT_NE(skipped, nullptr);
    EXPECT_EQ(allPixels(*skipped), (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));
    EXPECT_EQ(loadBytes(bmpFile(fields), BitmapWithPalette), nullptr);
}

TEST(BmpReader, RowsStartWhereTheHeaderSaysWhenThatIsPastTheTable) {
    struct OffsetCase {
        const char* what;
        BmpFields fields;
    };
    BmpFields largerHeader; // an info header with colour-space fields after the first 40
    largerHeader.infoSize = 124;
    largerHeader.extraHeader = repeat(84, 0xCC);
    largerHeader.offBits = 14 + 124 + 1024;
    BmpFields tableInTrueColour; // a 24-bit file may carry a table the reader skips
    tableInTrueColour.bitCount = 24;
    tableInTrueColour.width = 1;
    tableInTrueColour.clrUsed = 256;
    tableInTrueColour.offBits = 54 + 1024;
    BmpFields gap; // rows some bytes after the table
    gap.colourTable = fileOf({greyTable(), repeat(6, 0xDD)});
    gap.offBits = 54 + 1024 + 6;
    BmpFields wrongOffset; // too small to be right: the rows follow the table
    wrongOffset.offBits = 0;
    BmpFields noTable; // 16 bits a pixel, and no table though biClrUsed is 0
    noTable.bitCount = 16;
    noTable.width = 1;
    noTable.colourTable = {};
    noTable.offBits = 54;

    for (const auto& c : {OffsetCase{"larger header", largerHeader},
                          OffsetCase{"24-bit with table", tableInTrueColour},
                          OffsetCase{"gap", gap}, OffsetCase{"offset too small", wrongOffset},
                          OffsetCase{"16 bits without a table", noTable}}) {
        SCOPED_TRACE(c.what);
        const auto bitmap = loadBytes(bmpFile(c.fields), BitmapWithPalette);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(allPixels(*bitmap), (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));
        if (c.fields.bitCount == 24) {
            EXPECT_EQ(bitmap->palette, nullptr) << "a 24-bit file never gets a palette";
        } else if (c.fields.bitCount == 8) {
            ASSERT_NE(bitmap->palette, nullptr);
            EXPECT_EQ(bitmap->palette->colors()[200].red, 200) << "table found after the header";
        }
    }
}

TEST(BmpReader, RefusesHeadersThatDescribeNoImage) {
    struct BadCase {
        const char* what;
        void (*change)(BmpFields&);
    };
    const BadCase cases[] = {
        {"not BM", [](BmpFields& f) { f.type = tag("BA"); }},
        {"negative width", [](BmpFields& f) { f.width = -3; }},
        {"too wide", [](BmpFields& f) { f.width = 32769; }},
        {"too tall", [](BmpFields& f) { f.height = 40000; }},
        {"too tall upside down", [](BmpFields& f) { f.height = -40000; }},
        {"height without absolute value", [](BmpFields& f) { f.height = INT32_MIN; }},
        {"huge both ways", [](BmpFields& f) { f.width = f.height = 0x7FFFFFFF; }},
        {"1 GiB of pixels", [](BmpFields& f) { f.width = f.height = 32768; }},
        {"no bits", [](BmpFields& f) { f.bitCount = 0; }},
        {"64 bits", [](BmpFields& f) { f.bitCount = 64; }},
        {"run-length compressed", [](BmpFields& f) { f.compression = 1; }},
        {"JPEG inside", [](BmpFields& f) { f.compression = 4; }},
        {"core header", [](BmpFields& f) { f.infoSize = 12; }},
        {"header of no known size", [](BmpFields& f) { f.infoSize = 0x10000; }},
        {"table beyond any offset", [](BmpFields& f) { f.clrUsed = 0xFF000006; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        BmpFields fields;
        c.change(fields);
        EXPECT_EQ(loadBytes(bmpFile(fields)), nullptr);
        EXPECT_EQ(loadBytes(bmpFile(fields), BitmapWithPalette), nullptr);
    }
}

// A top-down file, so the memory order is the file order.
BmpFields truncationSample() {
    BmpFields fields;
    fields.height = -2;
    fields.clrUsed = 2;
    fields.colourTable = {1, 2, 3, 0, 4, 5, 6, 0};
    fields.offBits = 54 + 8;
    fields.pixels = {11, 12, 13, 14, 15, 16, 17, 18};
    return fields;
}

TEST(BmpReader, EveryPrefixFailsCleanlyOrLoadsWithZerosForWhatIsMissing) {
    const BmpFields fields = truncationSample();
    const Bytes file = bmpFile(fields);
    for (std::size_t length = 0; length <= file.size(); ++length) {
        SCOPED_TRACE(length);
        const Bytes prefix(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length));
        BitmapReadReport report;
        report.pixelBytesRead = -1;
        const auto bitmap = loadBytes(prefix, BitmapWithPalette, report);
        if (length < 54) {
            EXPECT_EQ(bitmap, nullptr) << "headers cut short";
            continue;
        }
        ASSERT_NE(bitmap, nullptr);
        // What the file holds arrives, the report counts it, and the rest is zero.
        Bytes expected(8, 0);
        std::int32_t arrived = 0;
        for (std::size_t i = 0; i < 8 && 62 + i < length; ++i) {
            expected[i] = fields.pixels[i];
            ++arrived;
        }
        EXPECT_EQ(allPixels(*bitmap), expected);
        EXPECT_EQ(report.pixelBytesRead, arrived);
        ASSERT_NE(bitmap->palette, nullptr);
        EXPECT_EQ(bitmap->palette->colors()[1].blue, length >= 59 ? 4 : 0); // entry 1 starts at 58
    }
}

TEST(BmpReader, FileThatEndsEarlyLoadsWithZerosThroughTheFileStream) {
    testing_support::TempDir dir;
    const std::string path = dir.file("short.bmp");
    const Bytes file = bmpFile(truncationSample());
    testing_support::writeBytes(path, Bytes(file.begin(), file.end() - 3));
    BitmapReadReport report;
    BitmapPtr bitmap(Bitmap::loadFile(path.c_str(), 0, report));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(allPixels(*bitmap), (Bytes{11, 12, 13, 14, 15, 0, 0, 0}));
    EXPECT_EQ(report.pixelBytesRead, 5);

    testing_support::writeBytes(path, file);
    bitmap.reset(Bitmap::loadFile(path.c_str(), 0, report));
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(report.pixelBytesRead, 8) << "a whole file delivers every byte";
}

// Rows that lie past the end of the file, however far, are all missing: none of them is
// read from anywhere else.
TEST(BmpReader, RowsPastTheEndOfTheFileNeverArrive) {
    for (const std::uint32_t offBits :
         {54u + 1024 + 8, 54u + 1024 + 5000, 0x7FFFFFFFu, 0x80000000u, 0xC0000000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(offBits);
        BmpFields fields;
        fields.offBits = offBits;
        BitmapReadReport report;
        report.pixelBytesRead = -1;
        const auto bitmap = loadBytes(bmpFile(fields), 0, report);
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(allPixels(*bitmap), Bytes(8, 0));
        EXPECT_EQ(report.pixelBytesRead, 0);
    }
}

TEST(BmpReader, StreamFailureFailsTheRead) {
    testing_support::MemoryStream stream(bmpFile(BmpFields{}));
    stream.failAfter(54 + 1024 + 4);
    BitmapPtr bitmap(Bitmap::loadStream(stream, BitmapWithPalette));
    EXPECT_EQ(bitmap, nullptr);
}

TEST(BmpReader, ReadingAgainReleasesPaletteAndPixelsFirst) {
    BmpFields fields;
    testing_support::MemoryStream first(bmpFile(fields));
    BitmapPtr bitmap(Bitmap::loadStream(first, BitmapWithPalette));
    ASSERT_NE(bitmap, nullptr);
    ASSERT_NE(bitmap->palette, nullptr);

    fields.reserved1 = 0xF5F7;
    fields.reserved2 = 9;
    testing_support::MemoryStream second(bmpFile(fields));
    ASSERT_TRUE(bitmap->read(second, 0)); // the sanitizer reports what the first read leaked
    EXPECT_EQ(bitmap->palette, nullptr);
    EXPECT_EQ(bitmap->paletteIndex, 9);
    EXPECT_EQ(allPixels(*bitmap), (Bytes{4, 5, 6, 0, 1, 2, 3, 0}));
}

TEST(BmpReader, MissingFileLeavesTheBitmapUntouched) {
    testing_support::TempDir dir;
    BitmapPtr bitmap(Bitmap::create(2, 2, 8));
    ASSERT_NE(bitmap, nullptr);
    std::uint8_t* const pixels = bitmap->pixels;
    EXPECT_FALSE(bitmap->readFile(dir.file("missing.bmp").c_str(), 0));
    EXPECT_EQ(bitmap->pixels, pixels);
    EXPECT_EQ(Bitmap::loadFile(dir.file("missing.bmp").c_str(), 0), nullptr);
}

} // namespace
