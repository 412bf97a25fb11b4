// Reading a bitmap: the file and stream entry points and the chunk loop of the game's
// "PBMP" format. A Windows BMP is recognised on the first chunk header and handed to
// readBmp.

#include <array>
#include <cstring>
#include <new>

#include "bitmap/bitmap.h"
#include "bitmap/pbmp_format.h"
#include "bitmap/pixel_buffer.h"
#include "bitmap/size_limits.h"
#include "core/byte_order.h"
#include "core/file_rstream.h"
#include "core/stream_fields.h"
#include "palette/palette.h"

namespace {

using namespace pbmp_format;

struct ChunkHeader {
    Tag tag{};
    std::uint32_t size = 0;
};

// Where a read stands in the chunk sequence.
struct PbmpRead {
    Bitmap& bitmap;
    StreamIO& stream;
    BitmapReadReport& report;
    std::uint32_t fileFlags = 0;
    bool firstChunk = true;
    bool headSeen = false;
    // Chunk headers the head announced that are still to come.
    std::uint32_t chunksLeft = 0;

    bool wantsMoreChunks() const { return !headSeen || chunksLeft > 0; }
};

bool readChunkHeader(StreamIO& stream, ChunkHeader& chunk) {
    std::array<std::uint8_t, ChunkHeaderSize> bytes{};
    if (!stream.read(ChunkHeaderSize, bytes.data())) {
        return false;
    }
    std::memcpy(chunk.tag.data(), bytes.data(), chunk.tag.size());
    chunk.size = byte_order::loadU32(&bytes[4]);
    return true;
}

// A Windows BMP starts with "BM" and then its file size, which reads as any tag.
bool startsBmp(const ChunkHeader& chunk) {
    return chunk.tag[0] == 'B' && chunk.tag[1] == 'M';
}

bool readHead(PbmpRead& read, const ChunkHeader& chunk) {
    // The record has exactly five fields; anything else would leave some undefined or
    // swallow the chunks after it.
    if (chunk.size != HeadSize) {
        return false;
    }
    std::array<std::uint8_t, HeadSize> bytes{};
    if (!read.stream.read(HeadSize, bytes.data())) {
        return false;
    }
    const std::uint32_t chunkCount = byte_order::loadU32(&bytes[0]);
    const std::int32_t width = byte_order::loadI32(&bytes[4]);
    const std::int32_t height = byte_order::loadI32(&bytes[8]);
    const std::int32_t bitDepth = byte_order::loadI32(&bytes[12]);
    const std::uint32_t flagWord = byte_order::loadU32(&bytes[16]);
    if (!bitmap_size::isAcceptedGeometry(width, height, bitDepth)) {
        read.report.tooLarge = bitmap_size::isTooLarge(width, height, bitDepth);
        return false;
    }
    Bitmap& bitmap = read.bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bitDepth = bitDepth;
    bitmap.stride = bitmap_size::strideFor(width, bitDepth);
    // The flag word comes back whole, except that ownership of the buffer is ours to say:
    // a stored bit must not claim a buffer we don't hold, nor disown one we do.
    bitmap.flags = (flagWord & ~BitmapOwnsPixels) | (bitmap.flags & BitmapOwnsPixels);
    read.chunksLeft = chunkCount & ChunkCountMask;
    read.headSeen = true;
    return true;
}

bool readData(PbmpRead& read, const ChunkHeader& chunk) {
    if (!read.headSeen) {
        return false;
    }
    if (chunk.size > static_cast<std::uint32_t>(bitmap_size::MaxPixelBytes)) {
        read.report.tooLarge = true;
        return false;
    }
    Bitmap& bitmap = read.bitmap;
    const auto size = static_cast<std::int32_t>(chunk.size);
    if ((read.fileFlags & BitmapWholePixelsOnly) != 0 &&
        !stream_fields::holdsBytes(read.stream, read.stream.getPosition(), size)) {
        read.report.pixelsMissing = true;
        return false;
    }
    auto buffer = bitmap_buffer::allocatePixels(size);
    if (!buffer) {
        read.report.tooLarge = true;
        return false;
    }
    // A second "data" chunk replaces the first.
    if ((bitmap.flags & BitmapOwnsPixels) != 0) {
        bitmap_buffer::freePixels(bitmap.pixels);
    }
    bitmap.pixels = buffer.release();
    bitmap.imageSize = size;
    bitmap.flags |= BitmapOwnsPixels;
    // Pixels missing at the end of the stream stay zero; the report says how many came.
    return stream_fields::readAvailable(read.stream, bitmap.pixels, size,
                                        read.report.pixelBytesRead);
}

bool readDetailCount(PbmpRead& read, const ChunkHeader& chunk) {
    if (chunk.size > NumberSize) {
        return false;
    }
    std::array<std::uint8_t, NumberSize> bytes{};
    if (!read.stream.read(static_cast<int>(chunk.size), bytes.data())) {
        return false;
    }
    const std::int32_t count = byte_order::loadI32(bytes.data());
    if (count < 0 || count > MaxDetailLevels) {
        return false;
    }
    read.bitmap.detailLevelCount = count;
    return true;
}

// Exactly four bytes, whatever the chunk says: that is how these chunks have always been
// read, and every file carries 4 there.
bool readPaletteIndex(PbmpRead& read) {
    std::uint32_t value = 0;
    if (!stream_fields::readLittle(read.stream, value)) {
        return false;
    }
    read.bitmap.paletteIndex = static_cast<std::int32_t>(value);
    return true;
}

bool readPalette(PbmpRead& read, const ChunkHeader& chunk) {
    if ((read.fileFlags & BitmapWithPalette) == 0) {
        return stream_fields::skipBytes(read.stream, chunk.size);
    }
    Bitmap& bitmap = read.bitmap;
    // A second palette chunk replaces the first.
    if (bitmap.palette != nullptr) {
        Palette::release(bitmap.palette);
    }
    bitmap.palette = Palette::create();
    if (bitmap.palette == nullptr) {
        return false;
    }
    // A chunk that isn't a "PAL " form is passed over: reading goes on from wherever the
    // palette reader stopped, and the palette keeps its defaults.
    bitmap.palette->readRiff(read.stream);
    return read.stream.getStatus() == Ok;
}

bool readChunk(PbmpRead& read, const ChunkHeader& chunk) {
    if (chunk.tag == FormTag) {
        return true; // its chunks follow as if at the top level
    }
    if (chunk.tag == HeadTag) {
        return readHead(read, chunk);
    }
    if (chunk.tag == DataTag) {
        return readData(read, chunk);
    }
    if (chunk.tag == DetailTag) {
        return readDetailCount(read, chunk);
    }
    if (chunk.tag == PaletteIndexTag) {
        return readPaletteIndex(read);
    }
    if (chunk.tag == PaletteTag) {
        return readPalette(read, chunk);
    }
    // An unknown first tag means this is no bitmap at all.
    return !read.firstChunk && stream_fields::skipBytes(read.stream, chunk.size);
}

// Level 0 is the image; each further level is a quarter of the one before, 8 bits a pixel
// and unaligned, and all of them must lie inside the buffer.
bool placeDetailLevels(Bitmap& bitmap) {
    bitmap.detailLevels[0] = bitmap.pixels;
    std::int64_t offset = 0;
    std::int64_t levelSize = static_cast<std::int64_t>(bitmap.width) * bitmap.height;
    for (std::int32_t level = 1; level < bitmap.detailLevelCount; ++level) {
        offset += levelSize;
        levelSize /= 4;
        bitmap.detailLevels[static_cast<std::size_t>(level)] = bitmap.pixels + offset;
    }
    return bitmap.detailLevelCount <= 1 || offset + levelSize <= bitmap.imageSize;
}

} // namespace

Bitmap* Bitmap::loadFile(const char* name, std::uint32_t fileFlags) {
    BitmapReadReport unused;
    return loadFile(name, fileFlags, unused);
}

Bitmap* Bitmap::loadFile(const char* name, std::uint32_t fileFlags, BitmapReadReport& report) {
    BitmapPtr bitmap(new (std::nothrow) Bitmap);
    if (!bitmap || !bitmap->readFile(name, fileFlags, report)) {
        return nullptr;
    }
    return bitmap.release();
}

Bitmap* Bitmap::loadStream(StreamIO& stream, std::uint32_t fileFlags) {
    BitmapReadReport unused;
    return loadStream(stream, fileFlags, unused);
}

Bitmap* Bitmap::loadStream(StreamIO& stream, std::uint32_t fileFlags, BitmapReadReport& report) {
    BitmapPtr bitmap(new (std::nothrow) Bitmap);
    if (!bitmap || !bitmap->read(stream, fileFlags, report)) {
        return nullptr;
    }
    return bitmap.release();
}

bool Bitmap::readFile(const char* name, std::uint32_t fileFlags) {
    BitmapReadReport unused;
    return readFile(name, fileFlags, unused);
}

bool Bitmap::readFile(const char* name, std::uint32_t fileFlags, BitmapReadReport& report) {
    FileRStream stream(name);
    return stream.getStatus() == Ok && read(stream, fileFlags, report);
}

bool Bitmap::read(StreamIO& stream, std::uint32_t fileFlags) {
    BitmapReadReport unused;
    return read(stream, fileFlags, unused);
}

bool Bitmap::read(StreamIO& stream, std::uint32_t fileFlags, BitmapReadReport& report) {
    if (readChunks(stream, fileFlags, report)) {
        return true;
    }
    report.readError = stream.getStatus() == IoError;
    return false;
}

bool Bitmap::readChunks(StreamIO& stream, std::uint32_t fileFlags, BitmapReadReport& report) {
    prepareForRead();
    report = BitmapReadReport{};
    PbmpRead state{*this, stream, report, fileFlags};
    while (state.wantsMoreChunks()) {
        // A stream that ends before the head, or before the chunks it announced, is cut
        // short: fail rather than act on a stale header again.
        ChunkHeader chunk;
        if (!readChunkHeader(stream, chunk)) {
            return false;
        }
        if (!state.headSeen && startsBmp(chunk)) {
            return readBmp(stream, fileFlags, report);
        }
        if (state.headSeen) {
            --state.chunksLeft;
        }
        if (!readChunk(state, chunk)) {
            return false;
        }
        state.firstChunk = false;
    }
    // A bitmap without pixels is no bitmap: every successful read leaves a buffer.
    return pixels != nullptr && placeDetailLevels(*this);
}
