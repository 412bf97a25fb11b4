#include "bitmap/bitmap.h"

#include <algorithm>
#include <new>

#include "bitmap/pixel_buffer.h"
#include "bitmap/size_limits.h"
#include "palette/palette.h"

namespace {

// The length of a 256-colour palette chunk; the form size counts it for any palette.
constexpr std::uint32_t PaletteChunkSize = 1048;
// What the form size adds to the pixel bytes: the chunk headers and small payloads.
constexpr std::uint32_t FormOverhead = 32;

} // namespace

Bitmap::~Bitmap() {
    letGo();
}

void Bitmap::letGo() {
    if (palette != nullptr) {
        Palette::release(palette);
    }
    if (pixels != nullptr && (flags & BitmapOwnsPixels) != 0) {
        bitmap_buffer::freePixels(pixels);
    }
    pixels = nullptr;
    palette = nullptr;
    flags = 0;
}

void Bitmap::prepareForRead() {
    letGo();
    paletteIndex = -1;
    imageSize = 0;
    detailLevels.fill(nullptr);
    detailLevelCount = 1;
}

Bitmap* Bitmap::create(std::int32_t width, std::int32_t height, std::int32_t bitDepth) {
    if (!bitmap_size::isAcceptedGeometry(width, height, bitDepth)) {
        return nullptr;
    }
    BitmapPtr bitmap(new (std::nothrow) Bitmap);
    if (!bitmap) {
        return nullptr;
    }
    bitmap->width = width;
    bitmap->height = height;
    bitmap->bitDepth = bitDepth;
    bitmap->stride = bitmap_size::strideFor(width, bitDepth);
    bitmap->imageSize = height * bitmap->stride;
    bitmap->pixels = bitmap_buffer::allocatePixels(bitmap->imageSize).release();
    if (bitmap->pixels == nullptr) {
        return nullptr;
    }
    bitmap->flags = BitmapOwnsPixels;
    bitmap->detailLevelCount = 1;
    bitmap->detailLevels[0] = bitmap->pixels;
    return bitmap.release();
}

Bitmap* Bitmap::createView(const Bitmap& source, const BitmapRect& rect) {
    auto* view = new (std::nothrow) Bitmap;
    if (view != nullptr) {
        view->setView(source, rect);
    }
    return view;
}

void Bitmap::setView(const Bitmap& source, const BitmapRect& rect) {
    letGo();
    width = rect.right - rect.left + 1;
    height = rect.bottom - rect.top + 1;
    stride = source.stride;
    bitDepth = source.bitDepth;
    imageSize = height * source.stride;
    // Offsets in pointer width: a rectangle far down a large source must not wrap.
    const std::ptrdiff_t rowOffset = static_cast<std::ptrdiff_t>(rect.top) * source.stride;
    const std::ptrdiff_t columnOffset =
        static_cast<std::ptrdiff_t>(rect.left) * (source.bitDepth / 8);
    pixels = source.pixels + rowOffset + columnOffset;
    // Levels of a buffer this bitmap may just have freed must not stay reachable.
    detailLevels.fill(nullptr);
    detailLevelCount = 0;
}

void Bitmap::release(Bitmap* bitmap) {
    delete bitmap;
}

std::uint32_t Bitmap::pbmpSize() const {
    const std::uint32_t size = static_cast<std::uint32_t>(imageSize) + FormOverhead;
    return palette != nullptr ? size + PaletteChunkSize : size;
}

void flipRows(std::uint8_t* top, std::uint8_t* bottom, std::int32_t stride) {
    if (stride <= 0) {
        return;
    }
    while (top < bottom) {
        std::swap_ranges(top, top + stride, bottom);
        top += stride;
        bottom -= stride;
    }
}
