#pragma once
// A picture's pixels mapped to palette indices: through the fast matcher where there is one
// and the plain scan where not, a large picture on two threads at once, each colour's
// distance to its palette colour measured on the way.

#include <cstdint>
#include <functional>

#include "bitmap/bitmap.h"
#include "palette/nearest_matcher.h"
#include "palette/palette.h"
#include "ui/ui.h"

// The progress of a mapping is reported after every this many pixels.
inline constexpr std::int64_t PixelsPerUpdate = 1024;

struct PixelMappers {
    const Palette& palette;
    NearestMatcher* matcher = nullptr;       // null: the plain scan
    NearestMatcher* secondMatcher = nullptr; // null: every row on the calling thread
};

// Told the number of the pixel just passed (1,024, 2,048, ...: pixels mapped by both
// threads together); false stops the mapping. Called on the calling thread only.
using MappingProgress = std::function<bool(std::int64_t pixelsMapped)>;

// Stores the nearest palette index of every pixel of `source` (24-bit) at the same row and
// column of `target` (8-bit, same size), and adds how far each colour moved to `distances`
// unless that is null. False when `progress` stopped it; the rows in hand are finished.
bool mapPicture(const PixelMappers& mappers, const Bitmap& source, Bitmap& target,
                MatchDistances* distances, const MappingProgress& progress);

// The figures of one picture of `pixels` pixels.
ui::ColourDistances distancesOver(const MatchDistances& measured, std::int64_t pixels);
