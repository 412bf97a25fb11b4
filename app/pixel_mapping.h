#pragma once
// A picture's pixels mapped to palette indices: through the fast matcher where there is one
// and the plain scan where not, a large picture on two threads at once, each colour's
// distance to its palette colour measured on the way. Dithered on request: error diffusion
// on one thread, since each row depends on the one above; an ordered pattern like the
// nearest colours, on two threads where the picture is large.

#include <cstdint>
#include <functional>

#include "bitmap/bitmap.h"
#include "palette/nearest_matcher.h"
#include "palette/ordered_dither.h"
#include "palette/palette.h"
#include "ui/ui.h"

// The progress of a mapping is reported after every this many pixels.
inline constexpr std::int64_t PixelsPerUpdate = 1024;

struct PixelMappers {
    const Palette& palette;
    NearestMatcher* matcher = nullptr;       // null: the plain scan
    NearestMatcher* secondMatcher = nullptr; // null: every row on the calling thread
    // Dithered by error diffusion, or else by the ordered pattern of these thresholds unless
    // they are null.
    bool diffuse = false;
    const OrderedDither* ordered = nullptr;
};

enum class MappingEnd {
    Done,
    Stopped,     // by the progress callback; the rows in hand were finished
    OutOfMemory, // no memory for what dithering keeps while it maps; nothing was mapped
};

// Told the number of the pixel just passed (1,024, 2,048, ...: pixels mapped by both
// threads together); false stops the mapping. Called on the calling thread only.
using MappingProgress = std::function<bool(std::int64_t pixelsMapped)>;

// Stores the palette index of every pixel of `source` (24-bit) at the same row and column of
// `target` (8-bit, same size), its nearest or dithered, and adds how far each colour moved to
// `distances` unless that is null.
MappingEnd mapPicture(const PixelMappers& mappers, const Bitmap& source, Bitmap& target,
                      MatchDistances* distances, const MappingProgress& progress);

// Rows of a picture, from the upper down: where the first pixel of the upper row lies in
// each buffer, and the bytes from a row to the one below it (negative where the rows are
// stored bottom first).
struct MappingRows {
    const std::uint8_t* source = nullptr; // blue, green, red
    std::ptrdiff_t sourceStep = 0;
    std::uint8_t* target = nullptr; // palette indices
    std::ptrdiff_t targetStep = 0;
    std::int32_t width = 0;
    std::int32_t rowCount = 0;
    // The picture's row of the upper row here: the ordered pattern goes by it.
    std::int32_t firstRow = 0;
};

// One picture mapped a band of rows at a time, the bands in any order, its progress told
// over the whole picture as mapPicture tells it. Not for error diffusion, which needs the
// picture from its top row on.
class BandedMapping {
  public:
    BandedMapping(const PixelMappers& mappers, MatchDistances* distances,
                  const MappingProgress& progress);
    MappingEnd map(const MappingRows& rows);

  private:
    const PixelMappers& mappers;
    MatchDistances* distances;
    const MappingProgress& progress;
    std::int64_t mapped = 0; // pixels of the bands before
    std::int64_t nextUpdate = PixelsPerUpdate;
};

// The figures of one picture of `pixels` pixels.
ui::ColourDistances distancesOver(const MatchDistances& measured, std::int64_t pixels);
