#pragma once
// PNG encoding of true-colour rows, for the PNG writer. The compression is stb_image_write's
// (Debian package libstb-dev); this is the one place that knows it.

#include <cstdint>

#include "bitmap/png_writer.h"

class StreamIO;

namespace png_encoder {

// Writes a PNG of `height` rows of `width` pixels (red, green, blue, 8 bits each) to
// `stream`; each row starts `stride` bytes after the one before. Both sides must be at
// least 1, and their product at most MaxPngPixels. False when memory runs out for the encoding;
// the stream's status tells whether its write went through. The same pixels always give
// the same bytes, on every system.
bool encodeRgb(StreamIO& stream, const std::uint8_t* rgb, std::int32_t width, std::int32_t height,
               std::int32_t stride);

} // namespace png_encoder
