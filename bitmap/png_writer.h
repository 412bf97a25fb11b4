#pragma once
// Bitmaps as pictures for people: a PNG in true colour that any image viewer or browser
// shows. An 8-bit bitmap of palette indices is drawn in the colours of a palette, so a
// converted skin shows as the game will show it rather than as the grey ramp its BMP file
// carries.

#include <cstdint>

class Bitmap;
struct Palette;
class StreamIO;

// Largest picture written: 2^26 pixels (8,192 x 8,192). Arbitrary, far above any skin; it
// keeps the encoder's int arithmetic well inside 31 bits, and the three copies it holds
// (rows, filtered rows, compressed data) within what a 32-bit process can hope for.
inline constexpr std::int64_t MaxPngPixels = std::int64_t{1} << 26;

// Writes a 24-bit bitmap as it is, or an 8-bit one with each pixel in the colour that
// `palette` holds at its index (the first colour set). False for any other depth, an
// 8-bit bitmap without a palette, an empty bitmap (a PNG has at least one pixel), one
// larger than MaxPngPixels, and when memory or the stream fails.
bool writePng(StreamIO& stream, const Bitmap& bitmap, const Palette* palette);

// The same into a file, which is replaced only once the new picture is complete.
bool writePngFile(const char* name, const Bitmap& bitmap, const Palette* palette);
