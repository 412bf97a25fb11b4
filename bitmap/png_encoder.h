#pragma once
// PNG encoding of true-colour rows, for the PNG writer. The compression is stb_image_write's
// (Debian package libstb-dev); this is the one place that knows it.

#include <cstdint>

class StreamIO;

namespace png_encoder {

// Writes a PNG of `height` rows of `width` pixels (red, green, blue, 8 bits each) to
// `stream`; each row starts `stride` bytes after the one before. Both sides must be at
// least 1 and the rows at most MaxRgbBytes. False when memory runs out for the encoding;
// the stream's status tells whether its write went through. The same pixels always give
// the same bytes, on every system.
bool encodeRgb(StreamIO& stream, const std::uint8_t* rgb, std::int32_t width, std::int32_t height,
               std::int32_t stride);

// Largest picture encoded, in bytes of its rows: 2^26 pixels (8,192 x 8,192). Arbitrary, far
// above any skin; it keeps the encoder's int arithmetic well inside 31 bits, and the three
// copies it holds (rows, filtered rows, compressed data) within what a 32-bit process can
// hope for.
inline constexpr std::int64_t MaxRgbBytes = std::int64_t{3} << 26;

} // namespace png_encoder
