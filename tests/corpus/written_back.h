#pragma once
// The check both sweeps make of every bitmap that loads.

#include <algorithm>
#include <cstdint>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "tests/support/memory_stream.h"

namespace corpus_checks {

// Whatever loads can be written as a BMP and read back with every byte of its rows, which
// uses every size the reader set: the sanitizers catch any that promises more than the
// buffer holds. A buffer shorter than its rows (a PBMP "data" chunk cut short) can't be a
// BMP, and the writer refuses it.
inline void expectWrittenAndReadBack(Bitmap& bitmap) {
    ASSERT_GE(bitmap.imageSize, 0);
    ASSERT_TRUE(bitmap.pixels != nullptr || bitmap.imageSize == 0);
    const std::int64_t rows = std::int64_t{bitmap.height} * bitmap.stride;
    testing_support::MemoryStream out;
    const bool written = bitmap.write(out, BitmapAsBmp);
    ASSERT_EQ(written, bitmap.imageSize >= rows);
    if (!written) {
        return;
    }
    ASSERT_TRUE(out.setPosition(0));
    const BitmapPtr back(Bitmap::loadStream(out, 0));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->width, bitmap.width);
    EXPECT_EQ(back->height, bitmap.height);
    EXPECT_EQ(back->bitDepth, bitmap.bitDepth);
    ASSERT_EQ(back->imageSize, rows);
    EXPECT_TRUE(std::equal(bitmap.pixels, bitmap.pixels + rows, back->pixels));
}

} // namespace corpus_checks
