#pragma once
// Ordered dithering: before a pixel is matched, a threshold from an 8 x 8 Bayer matrix,
// chosen by the pixel's place in the picture, is added to each of its channels (clamped to
// 0..255). The thresholds span the palette's usual spacing, the median distance from an
// allowed colour to the nearest other allowed colour, so that a colour between two entries
// comes out as a pattern of both in proportion. The pattern is fixed to the picture's top
// left corner: a flat area always gives the same tile, which neither crawls from one frame
// or skin to the next nor depends on its neighbours, so any run of pixels can be mapped on
// its own, by any thread.

#include <array>
#include <cstdint>

#include "palette/dithering.h"

class OrderedDither {
  public:
    static constexpr std::int32_t Side = 8;

    // Thresholds for the palette's allowed colours as they are now.
    explicit OrderedDither(const Palette& palette);

    // The palette's usual spacing in levels: the thresholds run from about half of it below
    // a pixel's colour to half of it above. 0 with fewer than two allowed colours.
    std::int32_t spread() const { return spacing; }
    // The threshold added to the channels of a pixel of the picture's row `row` (counted from
    // its top row) and column `column`.
    std::int32_t threshold(std::int32_t row, std::int32_t column) const {
        return thresholds[static_cast<std::size_t>((row % Side) * Side + column % Side)];
    }

    // Maps `count` pixels (three bytes each in blue, green, red order) of the picture's row
    // `row`, the first at column `column`, adding how far each moved from its own colour to
    // `distances` unless that is null.
    void mapPixels(const NearestColour& nearest, const std::uint8_t* bgr, std::uint8_t* indices,
                   std::int32_t count, std::int32_t row, std::int32_t column,
                   MatchDistances* distances) const;

  private:
    std::int32_t spacing = 0;
    std::array<std::int16_t, Side * Side> thresholds{};
};
