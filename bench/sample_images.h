#pragma once
// Pixels made in code for the benchmarks, so they run without any image files: a photo-like
// picture (smooth light with grain, nearly every pixel a new colour), flat artwork (a few
// colours in large areas) and uniform noise, the worst case, every colour equally likely.

#include <cstdint>
#include <vector>

#include "palette/palette.h"

namespace bench {

// Three bytes a pixel in blue, green, red order, rows packed.
std::vector<std::uint8_t> photoPixels(int width, int height);
std::vector<std::uint8_t> artworkPixels(int width, int height);
std::vector<std::uint8_t> noisePixels(int width, int height);

// A palette of 256 colours spread the way a game palette is, ramps of a few hues, with the
// mask the remapper gives it (entries 0 to 254).
PalettePtr gamePalette();

} // namespace bench
