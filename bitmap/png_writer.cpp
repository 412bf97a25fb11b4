#include "bitmap/png_writer.h"

#include <memory>
#include <new>

#include "bitmap/bitmap.h"
#include "bitmap/png_encoder.h"
#include "core/file_wstream.h"
#include "palette/palette.h"
#include "storage/replacing_file.h"

namespace {

constexpr std::int32_t IndexDepth = 8;
constexpr std::int32_t TrueColourDepth = 24;
constexpr std::int32_t RgbBytes = 3;

bool isDrawable(const Bitmap& bitmap, const Palette* palette) {
    if (bitmap.bitDepth != TrueColourDepth &&
        (bitmap.bitDepth != IndexDepth || palette == nullptr)) {
        return false;
    }
    if (bitmap.width < 1 || bitmap.height < 1 || bitmap.pixels == nullptr) {
        return false;
    }
    // Each row is read for its pixels only, so a view's last row may end its source.
    const std::int64_t rowBytes = std::int64_t{bitmap.width} * (bitmap.bitDepth / 8);
    const std::int64_t reach = std::int64_t{bitmap.height - 1} * bitmap.stride + rowBytes;
    return bitmap.stride >= rowBytes && bitmap.imageSize >= reach &&
           std::int64_t{bitmap.width} * bitmap.height <= MaxPngPixels;
}

// One row in red, green, blue order: true colour is stored blue first.
void drawRow(const Bitmap& bitmap, const Palette* palette, const std::uint8_t* from,
             std::uint8_t* to) {
    if (bitmap.bitDepth == TrueColourDepth) {
        for (std::int32_t x = 0; x < bitmap.width; ++x, from += 3, to += RgbBytes) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
        return;
    }
    const PaletteEntry* colours = palette->colors();
    for (std::int32_t x = 0; x < bitmap.width; ++x, to += RgbBytes) {
        const PaletteEntry& colour = colours[from[x]];
        to[0] = colour.red;
        to[1] = colour.green;
        to[2] = colour.blue;
    }
}

} // namespace

bool writePng(StreamIO& stream, const Bitmap& bitmap, const Palette* palette) {
    if (!isDrawable(bitmap, palette)) {
        return false;
    }
    const std::int32_t rowBytes = bitmap.width * RgbBytes;
    const auto size = static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(bitmap.height);
    const std::unique_ptr<std::uint8_t[]> rgb(new (std::nothrow) std::uint8_t[size]);
    if (!rgb) {
        return false;
    }
    for (std::int32_t y = 0; y < bitmap.height; ++y) {
        drawRow(bitmap, palette, bitmap.pixels + std::int64_t{y} * bitmap.stride,
                rgb.get() + std::int64_t{y} * rowBytes);
    }
    return png_encoder::encodeRgb(stream, rgb.get(), bitmap.width, bitmap.height, rowBytes) &&
           stream.getStatus() == Ok;
}

bool writePngFile(const char* name, const Bitmap& bitmap, const Palette* palette) {
    storage::ReplacingFile file(name);
    if (file.handle() == platform::InvalidFileHandle) {
        return false;
    }
    FileWStream stream(file.handle());
    const bool written = writePng(stream, bitmap, palette);
    stream.close();
    return written && file.commit() == storage::CommitResult::Replaced;
}
