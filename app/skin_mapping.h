#pragma once
// A skin's pixels mapped with the run's matchers and patterns, which are made at the first
// conversion that needs them and kept for the batch: a picture held whole, or a 24-bit BMP
// read and mapped a band of rows at a time.

#include <cstdint>

#include "app/pixel_mapping.h"
#include "app/remapper_state.h"
#include "bitmap/bmp_row_reader.h"

// Stores the palette index of every pixel of `source` (24-bit) at the same row and column of
// `target` (8-bit, same size), nearest or dithered as the run asks, with the run's matchers,
// handing over to UpdateProgress after the pixels numbered 1,024, 2,048, ..., and adds how far
// each pixel's colour moved to `distances`. Stopped when UpdateProgress reported a quit.
MappingEnd remapPixels(RemapperState& state, const Bitmap& source, Bitmap& target,
                       MatchDistances& distances);

// Whether a 24-bit BMP may be converted a band of rows at a time, its 24-bit pixels never
// held whole: not where a preview wants the whole picture, nor for error diffusion, which
// carries each row's errors to the next from the top row down.
bool convertsInBands(const RemapperState& state);

enum class BandsEnd { Mapped, Stopped, RowsMissing, OutOfMemory };

// The same as remapPixels for the 24-bit rows `rows` reads, a band at a time into the run's
// band buffer: RowsMissing when the file ends before its last row, OutOfMemory when no band
// buffer can be had (nothing read then).
BandsEnd remapBands(RemapperState& state, BmpRowReader& rows, Bitmap& target,
                    MatchDistances& distances);
