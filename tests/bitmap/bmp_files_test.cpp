// Real BMP files from other programs, kept in the corpus: the good ones load as the same
// image however they are laid out, the hostile ones are refused. (The corpus tests run every
// file of it through the loaders.)

#include <string>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "palette/palette.h"
#include "tests/bitmap/bitmap_loading.h"
#include "tests/support/temp_dir.h"

using namespace bitmap_testing;
using namespace testing_support;

namespace {

const std::string dataDir = SKINREMAP_CORPUS_DIR;

BitmapPtr loadData(const std::string& name, std::uint32_t flags = BitmapWithPalette) {
    return BitmapPtr(Bitmap::loadFile((dataDir + "/" + name).c_str(), flags));
}

TEST(BmpFiles, SameImageWhateverTheLayout) {
    // Each group is one picture stored in several ways: with a colour table the depth
    // doesn't need, with bit masks, top-down, or with larger info headers.
    const std::vector<std::vector<std::string>> groups = {
        {"bmpsuite/g/rgb24.bmp", "bmpsuite/g/rgb24pal.bmp"},
        {"bmpsuite/g/rgb16.bmp", "bmpsuite/g/rgb16bfdef.bmp"},
        {"bmpsuite/g/rgb16-565.bmp", "bmpsuite/g/rgb16-565pal.bmp"},
        {"bmpsuite/g/pal8.bmp", "bmpsuite/g/pal8topdown.bmp", "bmpsuite/g/pal8v4.bmp",
         "bmpsuite/g/pal8v5.bmp"},
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
        {"bmpsuite/g/pal1.bmp", 127, 64, 1, 2},     {"bmpsuite/g/pal4.bmp", 127, 64, 4, 12},
        {"bmpsuite/g/pal8-0.bmp", 127, 64, 8, 256}, {"bmpsuite/g/pal8w125.bmp", 125, 62, 8, 252},
        {"bmpsuite/g/rgb16.bmp", 127, 64, 16, 256}, {"bmpsuite/g/rgb32.bmp", 127, 64, 32, 256},
        {"bmpsuite/g/pal4rle.bmp", 0, 0, 0, 0}, // compressed rows
        {"bmpsuite/g/pal8rle.bmp", 0, 0, 0, 0}, //
        {"bmpsuite/g/pal8os2.bmp", 0, 0, 0, 0}, // 12-byte header of other fields
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
         {"bmpsuite/b/reallybig.bmp", "bmpsuite/b/badbitcount.bmp", "other/image-rs/Bad_width.bmp",
          "other/image-rs/Bad_height.bmp", "other/image-rs/Bad_clrsUsed.bmp",
          "other/pillow/l2rgb_read.bmp", "other/win1x-ddb/2.bmp", "other/win1x-ddb/16.bmp",
          "other/win1x-ddb/256.bmp"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(loadData(name), nullptr);
        EXPECT_EQ(loadData(name, 0), nullptr);
    }
}

} // namespace
