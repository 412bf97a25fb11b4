// Real BMP files from other programs: the good ones load as the same image however they
// are laid out, the bad ones fail cleanly or load harmlessly.

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "palette/palette.h"
#include "tests/bitmap/bitmap_loading.h"
#include "tests/support/temp_dir.h"

using namespace bitmap_testing;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

const std::string dataDir = BITMAP_TEST_DATA;

BitmapPtr loadData(const std::string& name, std::uint32_t flags = BitmapWithPalette) {
    return BitmapPtr(Bitmap::loadFile((dataDir + "/" + name).c_str(), flags));
}

// Pixels of a bottom-up 24-bit file with a 54-byte header, decoded here from the file's
// bytes, top row first.
Bytes decodeTrueColour(const Bytes& file, int width, int height) {
    const int stride = (width * 3 + 3) & ~3;
    Bytes pixels;
    for (int row = height - 1; row >= 0; --row) {
        const auto start = file.begin() + 54 + row * stride;
        pixels.insert(pixels.end(), start, start + stride);
    }
    return pixels;
}

TEST(BmpFiles, TrueColourFileDecodesAsTheBytesSay) {
    const auto bitmap = loadData("good/rgb24.bmp");
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->width, 127);
    EXPECT_EQ(bitmap->height, 64);
    EXPECT_EQ(bitmap->bitDepth, 24);
    EXPECT_EQ(bitmap->palette, nullptr);
    const Bytes file = testing_support::readBytes(dataDir + "/good/rgb24.bmp");
    EXPECT_EQ(allPixels(*bitmap), decodeTrueColour(file, 127, 64));
}

TEST(BmpFiles, SameImageWhateverTheLayout) {
    // Each group is one picture stored in several ways: with a colour table the depth
    // doesn't need, with bit masks, top-down, or with larger info headers.
    const std::vector<std::vector<std::string>> groups = {
        {"good/rgb24.bmp", "good/rgb24pal.bmp"},
        {"good/rgb16.bmp", "good/rgb16bfdef.bmp"},
        {"good/rgb16-565.bmp", "good/rgb16-565pal.bmp"},
        {"good/pal8.bmp", "good/pal8topdown.bmp", "good/pal8v4.bmp", "good/pal8v5.bmp"},
    };
    for (const auto& group : groups) {
        const auto reference = loadData(group.front());
        ASSERT_NE(reference, nullptr);
        for (const auto& name : group) {
            SCOPED_TRACE(name);
            const auto bitmap = loadData(name);
            ASSERT_NE(bitmap, nullptr);
            EXPECT_EQ(bitmap->width, reference->width);
            EXPECT_EQ(bitmap->height, reference->height);
            EXPECT_EQ(allPixels(*bitmap), allPixels(*reference));
            // Above 8 bits the "table" we take is whatever lies there; only real tables compare.
            if (reference->bitDepth <= 8) {
                ASSERT_NE(bitmap->palette, nullptr);
                EXPECT_EQ(bitmap->palette->count, reference->palette->count);
                for (int i = 0; i < PaletteSize; ++i) {
                    EXPECT_EQ(bitmap->palette->colors()[i].red, reference->palette->colors()[i].red)
                        << i;
                }
            }
        }
    }
}

TEST(BmpFiles, PlainGoodFilesLoadAndOthersAreRefusedRatherThanMisread) {
    struct FileCase {
        const char* name;
        int width, height, bitDepth, paletteCount; // paletteCount 0: refused
    };
    const FileCase cases[] = {
        {"good/pal1.bmp", 127, 64, 1, 2},     {"good/pal4.bmp", 127, 64, 4, 12},
        {"good/pal8-0.bmp", 127, 64, 8, 256}, {"good/pal8w125.bmp", 125, 62, 8, 252},
        {"good/rgb16.bmp", 127, 64, 16, 256}, {"good/rgb32.bmp", 127, 64, 32, 256},
        {"good/pal4rle.bmp", 0, 0, 0, 0}, // compressed rows
        {"good/pal8rle.bmp", 0, 0, 0, 0}, //
        {"good/pal8os2.bmp", 0, 0, 0, 0}, // 12-byte header of other fields
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto bitmap = loadData(c.name);
        if (c.paletteCount == 0) {
            EXPECT_EQ(bitmap, nullptr);
            continue;
        }
        ASSERT_NE(bitmap, nullptr);
        EXPECT_EQ(bitmap->width, c.width);
        EXPECT_EQ(bitmap->height, c.height);
        EXPECT_EQ(bitmap->bitDepth, c.bitDepth);
        ASSERT_NE(bitmap->palette, nullptr);
        EXPECT_EQ(bitmap->palette->count, c.paletteCount);
    }
}

TEST(BmpFiles, HostileSizesAreRefused) {
    for (const char* name :
         {"bad/reallybig.bmp", "bad/badbitcount.bmp", "bad/Bad_width.bmp", "bad/Bad_height.bmp",
          "bad/Bad_clrsUsed.bmp", "bad/l2rgb_read.bmp", "bad/win1x-ddb-2.bmp",
          "bad/win1x-ddb-16.bmp", "bad/win1x-ddb-256.bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(loadData(name), nullptr);
        EXPECT_EQ(loadData(name, 0), nullptr);
    }
}

// Every file, read both ways, either fails or gives a whole bitmap; the sanitizers watch
// for anything else.
void loadEverything(const fs::path& dir) {
    int files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (entry.path().extension() != ".bmp") {
            continue;
        }
        ++files;
        for (const std::uint32_t flags : {0u, BitmapWithPalette}) {
            SCOPED_TRACE(entry.path().string());
            BitmapPtr bitmap(Bitmap::loadFile(entry.path().string().c_str(), flags));
            if (bitmap == nullptr) {
                continue;
            }
            ASSERT_NE(bitmap->pixels, nullptr);
            ASSERT_EQ(bitmap->imageSize, bitmap->height * bitmap->stride);
            // Every byte is defined: written out and read back, the image is the same.
            testing_support::MemoryStream stream;
            ASSERT_TRUE(bitmap->write(stream, BitmapAsBmp));
            const auto copy = loadBytes(stream.bytes());
            ASSERT_NE(copy, nullptr);
            EXPECT_EQ(allPixels(*copy), allPixels(*bitmap));
        }
    }
    EXPECT_GT(files, 0);
}

TEST(BmpFiles, EveryBundledFileFailsOrLoadsCleanly) {
    loadEverything(dataDir);
}

} // namespace
