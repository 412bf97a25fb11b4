#pragma once
// Skin and palette files built byte by byte for the remapper's tests, and an independent
// account of what the remapper must write for them.

#include <array>
#include <cstdint>
#include <functional>
#include <string>

#include "tests/support/file_bytes.h"

namespace testing_support {

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
};

using PixelSource = std::function<Rgb(int x, int y)>;

// A 24-bit Windows BMP, bottom row first, or top row first (negative height) if asked.
Bytes bmp24(int width, int height, const PixelSource& pixel, bool topDown = false);
// An 8-bit Windows BMP with a grey colour table, pixel (x, y) holding x + y.
Bytes bmp8(int width, int height);
// A 24-bit bitmap in the game's chunked format.
Bytes pbmp24(int width, int height, const PixelSource& pixel);

// The palette the tests match against: varied colours, a few repeated (the lower index
// must win), and at 255 pure magenta, which the images use and a RIFF palette never allows.
std::array<Rgb, 256> testColors();
Bytes riffPalette(const std::array<Rgb, 256>& colors);
// A one-set palette file of the game's own format with kind-0 tables.
Bytes pl98Palette(const std::array<Rgb, 256>& colors, std::int32_t paletteIndex,
                  const std::array<std::uint32_t, 8>& maskWords);

// A test image with every kind of colour: gradients, exact palette colours, magenta.
Rgb testPixel(int x, int y);

// The nearest colour by plain search: squared distance, lowest index on ties, index 255
// only when `allow255`.
std::uint8_t nearestIndex(const std::array<Rgb, 256>& colors, bool allow255, Rgb colour);

// Compares `file` with the 8-bit BMP the remapper must write for an image of this size:
// every header field, the grey table, and each pixel (fill bytes at row ends are free).
// Returns "" when all match, else a description of the first difference.
std::string checkRemapped(const Bytes& file, int width, int height, std::int32_t paletteIndex,
                          const std::function<std::uint8_t(int x, int y)>& expectedIndex);

} // namespace testing_support
