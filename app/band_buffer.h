#pragma once
// The memory a run reads 24-bit rows into, a band at a time. It is kept from one skin to the
// next, so that a batch sets it aside once rather than once a skin, and the system does not
// hand out fresh pages, each a fault, for every picture.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "bitmap/pixel_buffer.h"

class BandBuffer {
  public:
    // At least `bytes` (its contents undefined), or null when that much can't be had.
    std::uint8_t* reserve(std::size_t bytes) {
        if (bytes > capacity || !buffer) {
            buffer.reset();
            capacity = 0;
            // Never 0, which may give no buffer at all.
            buffer.reset(static_cast<std::uint8_t*>(std::malloc(bytes > 0 ? bytes : 1)));
            if (!buffer) {
                return nullptr;
            }
            capacity = bytes;
        }
        return buffer.get();
    }

  private:
    bitmap_buffer::PixelBuffer buffer;
    std::size_t capacity = 0;
};
