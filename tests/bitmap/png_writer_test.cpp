// The PNG writer. What a decoder makes of its pictures is checked by an independent one
// (check_png_with_pillow.py); here: which bitmaps it takes, that an 8-bit bitmap is drawn in
// its palette's colours, and that failures leave nothing half done.

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#if defined(__linux__)
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "bitmap/bitmap.h"
#include "bitmap/png_writer.h"
#include "palette/palette.h"
#include "tests/bitmap/bitmap_loading.h"
#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

using namespace bitmap_testing;
using namespace testing_support;

namespace {

constexpr std::int32_t Width = 13; // odd, so the rows of both depths carry fill bytes
constexpr std::int32_t Height = 7;

PaletteEntry colourOf(int index) {
    return PaletteEntry{static_cast<std::uint8_t>(index * 3),
                        static_cast<std::uint8_t>(255 - index),
                        static_cast<std::uint8_t>(index * index), 0};
}

PalettePtr testPalette() {
    PalettePtr palette(Palette::create());
    EXPECT_NE(palette, nullptr);
    for (int i = 0; i < PaletteSize; ++i) {
        palette->colors()[i] = colourOf(i);
    }
    return palette;
}

std::uint8_t indexAt(std::int32_t x, std::int32_t y) {
    return static_cast<std::uint8_t>(x * 19 + y * 41);
}

// Indices with `fill` in the bytes past each row's pixels.
BitmapPtr indexBitmap(std::uint8_t fill) {
    BitmapPtr bitmap(Bitmap::create(Width, Height, 8));
    EXPECT_NE(bitmap, nullptr);
    std::fill(bitmap->pixels, bitmap->pixels + bitmap->imageSize, fill);
    for (std::int32_t y = 0; y < Height; ++y) {
        for (std::int32_t x = 0; x < Width; ++x) {
            bitmap->pixels[y * bitmap->stride + x] = indexAt(x, y);
        }
    }
    return bitmap;
}

// The same picture in true colour: each pixel the palette's colour for its index.
BitmapPtr colourBitmap() {
    BitmapPtr bitmap(Bitmap::create(Width, Height, 24));
    EXPECT_NE(bitmap, nullptr);
    for (std::int32_t y = 0; y < Height; ++y) {
        for (std::int32_t x = 0; x < Width; ++x) {
            const PaletteEntry colour = colourOf(indexAt(x, y));
            std::uint8_t* pixel = bitmap->pixels + y * bitmap->stride + x * 3;
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
    }
    return bitmap;
}

Bytes pngOf(const Bitmap& bitmap, const Palette* palette) {
    MemoryStream stream;
    if (!writePng(stream, bitmap, palette)) {
        return {};
    }
    return stream.bytes();
}

std::uint32_t bigEndianAt(const Bytes& bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} << 24 | std::uint32_t{bytes[at + 1]} << 16 |
           std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
}

TEST(PngWriter, IndicesAreDrawnInThePalettesColours) {
    const auto palette = testPalette();
    const Bytes drawn = pngOf(*indexBitmap(0), palette.get());
    ASSERT_FALSE(drawn.empty());
    // The encoder sees the same rows either way, so the files are the same.
    EXPECT_EQ(drawn, pngOf(*colourBitmap(), nullptr));
    EXPECT_EQ(drawn, pngOf(*indexBitmap(0xEE), palette.get())) << "fill bytes are not pixels";

    const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    EXPECT_EQ(Bytes(drawn.begin(), drawn.begin() + 8), signature);
    EXPECT_EQ(Bytes(drawn.begin() + 12, drawn.begin() + 16), tag("IHDR"));
    EXPECT_EQ(bigEndianAt(drawn, 16), std::uint32_t{Width});
    EXPECT_EQ(bigEndianAt(drawn, 20), std::uint32_t{Height});
    EXPECT_EQ(drawn[24], 8) << "bits a channel";
    EXPECT_EQ(drawn[25], 2) << "true colour";
    EXPECT_EQ(Bytes(drawn.end() - 8, drawn.end() - 4), tag("IEND"));
}

TEST(PngWriter, OtherColoursGiveOtherPictures) {
    auto palette = testPalette();
    const auto bitmap = indexBitmap(0);
    const Bytes before = pngOf(*bitmap, palette.get());
    palette->colors()[indexAt(5, 3)].green ^= 1;
    EXPECT_NE(pngOf(*bitmap, palette.get()), before);
}

TEST(PngWriter, RefusesWhatItCannotDraw) {
    const auto palette = testPalette();
    struct Case {
        const char* what;
        std::int32_t width;
        std::int32_t height;
        std::int32_t bitDepth;
        bool withPalette;
    };
    const Case cases[] = {
        {"8-bit without a palette", 4, 4, 8, false},
        {"4-bit", 4, 4, 4, true},
        {"16-bit", 4, 4, 16, true},
        {"32-bit", 4, 4, 32, true},
        {"no columns", 0, 4, 24, true},
        {"no rows", 4, 0, 8, true},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        BitmapPtr bitmap(Bitmap::create(test.width, test.height, test.bitDepth));
        ASSERT_NE(bitmap, nullptr);
        MemoryStream stream;
        EXPECT_FALSE(writePng(stream, *bitmap, test.withPalette ? palette.get() : nullptr));
        EXPECT_TRUE(stream.bytes().empty());
    }
}

// A record claiming more than its buffer holds, or more than the encoder takes, is refused
// before a pixel is read.
TEST(PngWriter, RefusesSizesBeforeReadingPixels) {
    const auto palette = testPalette();
    std::uint8_t buffer[64] = {};
    struct Case {
        const char* what;
        std::int32_t width;
        std::int32_t height;
        std::int32_t stride;
        std::int32_t imageSize;
    };
    const Case cases[] = {
        {"rows overlap", 8, 2, 4, 64},
        {"buffer short of the last row", 8, 8, 8, 63},
        {"beyond the encoder's limit", 8193, 8192, 8196, INT32_MAX},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        Bitmap bitmap;
        bitmap.width = test.width;
        bitmap.height = test.height;
        bitmap.stride = test.stride;
        bitmap.bitDepth = 8;
        bitmap.imageSize = test.imageSize;
        bitmap.pixels = buffer; // borrowed: flags 0
        MemoryStream stream;
        EXPECT_FALSE(writePng(stream, bitmap, palette.get()));
        bitmap.pixels = nullptr;
    }
}

TEST(PngWriter, FailingStreamFailsTheWrite) {
    const auto palette = testPalette();
    const auto bitmap = indexBitmap(0);
    const std::size_t size = pngOf(*bitmap, palette.get()).size();
    for (const std::int64_t budget :
         {std::int64_t{0}, std::int64_t{30}, static_cast<std::int64_t>(size) - 1}) {
        SCOPED_TRACE(budget);
        MemoryStream stream;
        stream.failAfter(budget);
        EXPECT_FALSE(writePng(stream, *bitmap, palette.get()));
    }
}

// Memory running out is an answer, not a crash: the encoder's buffers grow without a check
// of their own, so every allocation it makes is ours to refuse. A child process with its
// address space capped a little above what the picture's rows take draws a noisy picture:
// the write fails, and the process goes on. (The sanitizers reserve address space of their
// own, and Windows has no such cap.)
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SKINREMAP_SANITIZED 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define SKINREMAP_SANITIZED 1
#endif

#if defined(__linux__) && !defined(SKINREMAP_SANITIZED)
std::uint64_t addressSpaceInUse() {
    std::ifstream statm("/proc/self/statm");
    std::uint64_t pages = 0;
    statm >> pages;
    return pages * static_cast<std::uint64_t>(sysconf(_SC_PAGESIZE));
}

// In the child: caps the address space at `room` beyond what is in use and draws; exits 0
// when the write failed as it should, 1 when it went through.
[[noreturn]] void drawWithin(std::uint64_t room, const Bitmap& bitmap, const Palette& palette) {
    rlimit cap{};
    cap.rlim_cur = addressSpaceInUse() + room;
    cap.rlim_max = RLIM_INFINITY;
    setrlimit(RLIMIT_AS, &cap);
    MemoryStream stream;
    std::exit(writePng(stream, bitmap, &palette) ? 1 : 0);
}

TEST(PngWriterDeathTest, MemoryRunningOutFailsTheWriteWithoutACrash) {
    const auto palette = testPalette();
    BitmapPtr bitmap(Bitmap::create(4096, 4096, 8));
    ASSERT_NE(bitmap, nullptr);
    std::uint32_t noise = 1;
    for (std::int32_t i = 0; i < bitmap->imageSize; ++i) {
        noise = noise * 1664525u + 1013904223u;
        bitmap->pixels[i] = static_cast<std::uint8_t>(noise >> 24);
    }
    constexpr std::uint64_t RowBytes = 3ull * 4096 * 4096; // the picture's rows: 48 MiB
    for (const std::uint64_t room : {RowBytes / 2, RowBytes + RowBytes / 2, 3 * RowBytes}) {
        SCOPED_TRACE(room);
        EXPECT_EXIT(drawWithin(room, *bitmap, *palette), ::testing::ExitedWithCode(0), "");
    }
}
#endif

TEST(PngWriteFile, ReplacesAPictureOnlyWithAWholeOne) {
    TempDir dir;
    const std::string path = dir.file("skin.png");
    const Bytes old{'o', 'l', 'd'};
    writeBytes(path, old);
    const auto palette = testPalette();
    const auto bitmap = indexBitmap(0);
    {
        const DiskFullAfter full(100);
        EXPECT_FALSE(writePngFile(path.c_str(), *bitmap, palette.get()));
    }
    EXPECT_EQ(readBytes(path), old);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"skin.png"}) << "no temporary left";

    ASSERT_TRUE(writePngFile(path.c_str(), *bitmap, palette.get()));
    EXPECT_EQ(readBytes(path), pngOf(*bitmap, palette.get()));
}

} // namespace
