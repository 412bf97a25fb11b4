#pragma once
// Error diffusion: each pixel asks for its own colour plus the error its neighbours passed
// on (clamped to 0..255 a channel), is given the index the conversion gives that colour, and
// passes on its own error, what it asked for less what it got: 7/16 to the next pixel of its
// row, 3/16, 5/16 and 1/16 to the pixels below it behind, straight below and ahead. Rows go
// in serpentine order from the picture's top row: left to right on even rows, right to left
// on odd ones, so that errors do not pile up along one edge. The errors are carried in
// 16ths of a level, in integers, so that every build gives the same indices.
//
// A row depends on the one above it, so a picture is mapped on one thread, pixel after
// pixel in that order; it can stop after any pixel and go on from there.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "palette/dithering.h"

// A picture's rows, top row first: 24-bit pixels in blue, green, red order, and the 8-bit
// indices mapped from them.
struct PictureRows {
    const std::uint8_t* pixels = nullptr;
    std::ptrdiff_t pixelStride = 0;
    std::uint8_t* indices = nullptr;
    std::ptrdiff_t indexStride = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
};

class ErrorDiffusion {
  public:
    // Makes room for pictures up to `width` pixels wide; false when the memory can't be had,
    // the room made before staying.
    bool reserve(std::int32_t width);

    // Starts on a picture, no error carried in yet; false when it is wider than the room.
    bool start(const PictureRows& picture);

    // Maps the next `count` pixels in serpentine order (fewer once the picture ends), adding
    // how far each moved from its own colour to `distances` unless that is null. Returns the
    // number mapped.
    std::int64_t mapNext(const NearestColour& nearest, std::int64_t count,
                         MatchDistances* distances);
    bool finished() const { return row >= picture.height; }

  private:
    void startRow();
    void mapRun(const NearestColour& nearest, std::int32_t count, MovedDistances* moved);

    PictureRows picture;
    // Two rows of errors, this row's and the next one's, each with a margin of one pixel at
    // either end that takes the errors falling outside the picture; three channels a pixel.
    std::vector<std::int32_t> errors;
    std::size_t rowLength = 0;
    std::int32_t* thisRow = nullptr;
    std::int32_t* nextRow = nullptr;
    std::int32_t row = 0;
    std::int32_t column = 0; // pixels of the row mapped so far
};
