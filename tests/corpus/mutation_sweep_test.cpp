// Valid files of every format, cut at every length and with every byte changed: each one
// loads or fails cleanly, and whatever loads is consistent enough to be used and written.

#include <cstring>
#include <functional>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "palette/palette.h"
#include "tests/support/memory_stream.h"
#include "tests/support/sample_files.h"

using testing_support::Bytes;
using testing_support::MemoryStream;

namespace {

// Values each byte is changed to: its lowest and highest bit flipped, and all bits flipped.
// Enough to push counts, sizes and signs of every field out of range one way or the other.
constexpr std::uint8_t ByteChanges[] = {0x01, 0x80, 0xFF};

// Calls `check` with every proper prefix of `file`.
void forEachPrefix(const Bytes& file, const std::function<void(const Bytes&)>& check) {
    for (std::size_t length = 0; length < file.size(); ++length) {
        SCOPED_TRACE("first " + std::to_string(length) + " bytes");
        check(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
    }
}

// Calls `check` with every single-byte change of `file`.
void forEachByteChange(const Bytes& file, const std::function<void(const Bytes&)>& check) {
    Bytes changed = file;
    for (std::size_t at = 0; at < file.size(); ++at) {
        for (const std::uint8_t change : ByteChanges) {
            SCOPED_TRACE("byte " + std::to_string(at) + " ^ " + std::to_string(change));
            changed[at] = static_cast<std::uint8_t>(file[at] ^ change);
            check(changed);
        }
        changed[at] = file[at];
    }
}

// Reading every pixel byte and writing the bitmap out again uses every size the reader
// set; the sanitizers catch any that promises more than the buffer holds.
void useBitmap(Bitmap& bitmap) {
    ASSERT_GE(bitmap.imageSize, 0);
    ASSERT_TRUE(bitmap.pixels != nullptr || bitmap.imageSize == 0);
    unsigned sum = 0;
    for (std::int32_t i = 0; i < bitmap.imageSize; ++i) {
        sum += bitmap.pixels[i];
    }
    EXPECT_GE(sum, 0u);
    // A buffer shorter than its rows (a PBMP "data" chunk cut short) can't be a BMP.
    MemoryStream out;
    EXPECT_EQ(bitmap.write(out, BitmapAsBmp), bitmap.imageSize >= bitmap.height * bitmap.stride);
}

// Loads `file` with and without the palette flag; returns how many of the two loads worked.
int loadBitmap(const Bytes& file) {
    int loaded = 0;
    for (const std::uint32_t flags : {0u, BitmapWithPalette}) {
        MemoryStream stream(file);
        BitmapPtr bitmap(Bitmap::loadStream(stream, flags));
        if (bitmap) {
            ++loaded;
            useBitmap(*bitmap);
        }
    }
    return loaded;
}

void expectBitmapLoadsOrFails(const Bytes& file) {
    loadBitmap(file);
}

struct BitmapSample {
    const char* name;
    Bytes file;
    std::size_t headerSize; // a cut inside the headers fails the read
};

std::vector<BitmapSample> bitmapSamples() {
    using namespace testing_support;
    return {
        {"BMP 8-bit", sampleBmp(5, 3, 8), 54},
        {"BMP 24-bit", sampleBmp(5, 3, 24), 54},
        {"PBMP with palette", samplePbmp(6, 4, true), 0},
    };
}

TEST(MutationSweepTest, BitmapsCutAtEveryLength) {
    for (const BitmapSample& sample : bitmapSamples()) {
        SCOPED_TRACE(sample.name);
        ASSERT_EQ(loadBitmap(sample.file), 2) << "the sample itself must load";
        forEachPrefix(sample.file, [&](const Bytes& prefix) {
            const int loaded = loadBitmap(prefix);
            if (prefix.size() < sample.headerSize) {
                EXPECT_EQ(loaded, 0) << "a BMP cut inside its headers";
            }
        });
    }
}

TEST(MutationSweepTest, BitmapsWithEveryByteChanged) {
    for (const BitmapSample& sample : bitmapSamples()) {
        SCOPED_TRACE(sample.name);
        forEachByteChange(sample.file, expectBitmapLoadsOrFails);
    }
}

// A BMP whose pixel area ends early keeps what the file holds and zeros the rest.
TEST(MutationSweepTest, TruncatedBmpPixelsAreTheFilesBytesOrZero) {
    for (const std::int32_t depth : {8, 24}) {
        SCOPED_TRACE(depth);
        const Bytes file = testing_support::sampleBmp(5, 3, depth);
        const std::size_t offBits = depth == 24 ? 54 : 54 + 1024;
        const std::int32_t stride = (((5 * depth) >> 3) + 3) & ~3;
        for (std::size_t length = offBits; length <= file.size(); ++length) {
            SCOPED_TRACE(length);
            MemoryStream stream(
                Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
            BitmapPtr bitmap(Bitmap::loadStream(stream, 0));
            ASSERT_NE(bitmap, nullptr);
            ASSERT_EQ(bitmap->imageSize, 3 * stride);
            for (std::int32_t row = 0; row < 3; ++row) {
                for (std::int32_t column = 0; column < stride; ++column) {
                    // Rows are stored bottom first.
                    const std::size_t at =
                        offBits + static_cast<std::size_t>((2 - row) * stride + column);
                    const std::uint8_t actual = bitmap->pixels[row * stride + column];
                    if (at >= length) {
                        EXPECT_EQ(actual, 0) << "row " << row << " byte " << column;
                    } else if (length == file.size()) {
                        EXPECT_EQ(actual, file[at]) << "row " << row << " byte " << column;
                    } else {
                        EXPECT_TRUE(actual == file[at] || actual == 0)
                            << "row " << row << " byte " << column;
                    }
                }
            }
        }
    }
}

// Uses every table a loaded palette says it has, and writes it in both formats.
void usePalette(const Palette& palette) {
    ASSERT_GE(palette.subPaletteCount, 1);
    ASSERT_LE(palette.subPaletteCount, MaxSubPalettes);
    ASSERT_LE(palette.count, PaletteSize);
    unsigned sum = 0;
    const auto touch = [&](std::int32_t reference, std::int64_t size) {
        if (const std::uint8_t* table = palette.table(reference)) {
            ASSERT_LE(reference + size, palette.tableBlockSize);
            for (std::int64_t i = 0; i < size; ++i) {
                sum += table[i];
            }
        }
    };
    const std::int64_t groupSize = std::int64_t{palette.levelCount} * 256;
    for (std::int32_t i = 0; i < palette.subPaletteCount; ++i) {
        const SubPalette& set = palette.subPalettes[i];
        touch(set.levelTable, groupSize);
        touch(set.lastLevelGroup, groupSize);
        touch(set.pairTable, 65536);
        touch(set.indexTable, 256);
        for (const std::int32_t floats :
             {set.redTable, set.greenTable, set.blueTable, set.fourthTable}) {
            touch(floats, 1024);
        }
    }
    EXPECT_GE(sum, 0u);
    for (const std::uint32_t format : {0u, PaletteAsRiff}) {
        MemoryStream out;
        palette.writeToStream(out, format);
    }
}

bool loadPalette(const Bytes& file) {
    MemoryStream stream(file);
    PalettePtr palette(Palette::loadStream(stream));
    if (palette) {
        usePalette(*palette);
    }
    return palette != nullptr;
}

void expectPaletteLoadsOrFails(const Bytes& file) {
    loadPalette(file);
}

struct PaletteSample {
    const char* name;
    Bytes file;
};

std::vector<PaletteSample> paletteSamples() {
    using namespace testing_support;
    return {
        {"RIFF palette", sampleRiffPalette(256)},
        {"PL98 with tables and aux table", samplePl98(false)},
    };
}

TEST(MutationSweepTest, PalettesCutAtEveryLength) {
    for (const PaletteSample& sample : paletteSamples()) {
        SCOPED_TRACE(sample.name);
        ASSERT_TRUE(loadPalette(sample.file)) << "the sample itself must load";
        forEachPrefix(sample.file, expectPaletteLoadsOrFails);
    }
}

TEST(MutationSweepTest, PalettesWithEveryByteChanged) {
    for (const PaletteSample& sample : paletteSamples()) {
        SCOPED_TRACE(sample.name);
        forEachByteChange(sample.file, expectPaletteLoadsOrFails);
    }
}

// The pair table makes the file 70 KB; every prefix would be quadratic, so the sweep takes
// every header and record byte and a stride through the tables.
TEST(MutationSweepTest, Pl98WithAPairTable) {
    const Bytes file = testing_support::samplePl98(true);
    ASSERT_TRUE(loadPalette(file));
    const std::size_t records = 52 + 3 * 1032;
    for (std::size_t length = 0; length < file.size(); length += length < records ? 1 : 997) {
        SCOPED_TRACE(length);
        loadPalette(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    for (std::size_t at = 0; at < records; ++at) {
        Bytes changed = file;
        changed[at] ^= 0x80;
        SCOPED_TRACE(at);
        loadPalette(changed);
    }
}

} // namespace
