#include "bitmap/png_encoder.h"

#include <cstddef>
#include <cstdlib>

#include "core/stream_io.h"

namespace {

// stb_image_write does not check every allocation: a failed growth of one of its byte
// buffers would go on to write past its end. So no allocation of an encoding returns null.
// One that fails ends the encoding with this exception, and every block still held is
// freed on the way out.
struct OutOfMemory {};

// Every block of an encoding carries this header, which links it into the list of blocks
// held; the caller's bytes follow it, aligned for anything.
struct alignas(std::max_align_t) BlockHeader {
    BlockHeader* previous;
    BlockHeader* next;
};

class EncodingMemory {
  public:
    EncodingMemory() = default;
    ~EncodingMemory() {
        while (first != nullptr) {
            BlockHeader* block = first;
            unlink(block);
            std::free(block);
        }
    }
    EncodingMemory(const EncodingMemory&) = delete;
    EncodingMemory& operator=(const EncodingMemory&) = delete;

    void* reallocate(void* data, std::size_t size) {
        BlockHeader* old = data != nullptr ? static_cast<BlockHeader*>(data) - 1 : nullptr;
        if (size > SIZE_MAX - sizeof(BlockHeader)) {
            throw OutOfMemory{};
        }
        if (old != nullptr) {
            unlink(old);
        }
        void* grown = std::realloc(old, sizeof(BlockHeader) + size);
        if (grown == nullptr) {
            if (old != nullptr) {
                link(old); // realloc kept it; it is still ours to free
            }
            throw OutOfMemory{};
        }
        auto* block = static_cast<BlockHeader*>(grown);
        link(block);
        return block + 1;
    }

    void release(void* data) {
        if (data != nullptr) {
            BlockHeader* block = static_cast<BlockHeader*>(data) - 1;
            unlink(block);
            std::free(block);
        }
    }

  private:
    void link(BlockHeader* block) {
        block->previous = nullptr;
        block->next = first;
        if (first != nullptr) {
            first->previous = block;
        }
        first = block;
    }

    void unlink(BlockHeader* block) {
        if (block->previous != nullptr) {
            block->previous->next = block->next;
        } else {
            first = block->next;
        }
        if (block->next != nullptr) {
            block->next->previous = block->previous;
        }
    }

    BlockHeader* first = nullptr;
};

// The memory of the encoding under way on this thread.
thread_local EncodingMemory* encodingMemory = nullptr;

void* encoderAllocate(std::size_t size) {
    return encodingMemory->reallocate(nullptr, size);
}
void* encoderReallocate(void* data, std::size_t size) {
    return encodingMemory->reallocate(data, size);
}
void encoderFree(void* data) {
    encodingMemory->release(data);
}

} // namespace

// The library's functions are private to this file, and it writes through our callback
// only, never to a FILE.
#define STBIW_MALLOC(size) encoderAllocate(size)
#define STBIW_REALLOC(data, size) encoderReallocate(data, size)
#define STBIW_FREE(data) encoderFree(data)
#define STBI_WRITE_NO_STDIO
#define STB_IMAGE_WRITE_STATIC
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>

namespace png_encoder {
namespace {

constexpr int RgbChannels = 3;

void writeToStream(void* context, void* data, int size) {
    static_cast<StreamIO*>(context)->write(size, data);
}

} // namespace

bool encodeRgb(StreamIO& stream, const std::uint8_t* rgb, std::int32_t width, std::int32_t height,
               std::int32_t stride) {
    if (width < 1 || height < 1 || std::int64_t{width} * height > MaxPngPixels) {
        return false;
    }
    EncodingMemory memory;
    encodingMemory = &memory;
    bool encoded = false;
    try {
        encoded = stbi_write_png_to_func(writeToStream, &stream, width, height, RgbChannels, rgb,
                                         stride) != 0;
    } catch (const OutOfMemory&) {
        encoded = false;
    }
    encodingMemory = nullptr;
    return encoded;
}

} // namespace png_encoder
