#pragma once
// Loading bitmaps from bytes in memory, and looking at what came out.

#include <vector>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "tests/support/memory_stream.h"
#include "tests/support/sample_files.h"

namespace bitmap_testing {

using testing_support::Bytes;

inline BitmapPtr loadBytes(const Bytes& file, std::uint32_t flags = 0) {
    testing_support::MemoryStream stream(file);
    return BitmapPtr(Bitmap::loadStream(stream, flags));
}

// As loadBytes, keeping the reader's report.
inline BitmapPtr loadBytes(const Bytes& file, std::uint32_t flags, BitmapReadReport& report) {
    testing_support::MemoryStream stream(file);
    return BitmapPtr(Bitmap::loadStream(stream, flags, report));
}

// The first `count` bytes of the pixel buffer.
inline Bytes pixelBytes(const Bitmap& bitmap, std::int32_t count) {
    return Bytes(bitmap.pixels, bitmap.pixels + count);
}

inline Bytes allPixels(const Bitmap& bitmap) {
    return pixelBytes(bitmap, bitmap.imageSize);
}

// What both readers make of the small 8-bit files the tests build: 3 x 2 pixels in rows of
// 4 bytes, top row first, a buffer of the bitmap's own and one detail level.
inline void expectSmallEightBit(const Bitmap& bitmap, const Bytes& rows) {
    EXPECT_EQ(bitmap.width, 3);
    EXPECT_EQ(bitmap.height, 2);
    EXPECT_EQ(bitmap.bitDepth, 8);
    EXPECT_EQ(bitmap.stride, 4);
    EXPECT_EQ(bitmap.imageSize, 8);
    EXPECT_EQ(allPixels(bitmap), rows);
    EXPECT_EQ(bitmap.flags, BitmapOwnsPixels);
    EXPECT_EQ(bitmap.detailLevelCount, 1);
    EXPECT_EQ(bitmap.detailLevels[0], bitmap.pixels);
}

// Writes through a memory stream and returns the bytes, or nothing when the write failed.
inline Bytes writtenBytes(Bitmap& bitmap, std::uint32_t flags) {
    testing_support::MemoryStream stream;
    if (!bitmap.write(stream, flags)) {
        return {};
    }
    return stream.bytes();
}

} // namespace bitmap_testing
