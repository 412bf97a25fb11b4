// Writing a bitmap: the file entry point and the game's "PBMP" format. A Windows BMP is
// written by writeBmp.

#include <array>

#include "bitmap/bitmap.h"
#include "bitmap/pbmp_format.h"
#include "bitmap/row_layout.h"
#include "core/byte_order.h"
#include "core/file_wstream.h"
#include "core/stream_fields.h"
#include "palette/palette.h"
#include "storage/replacing_file.h"

namespace {

using namespace pbmp_format;
using stream_fields::writeLittle;
using stream_fields::writeTag;

// Chunks after the head: "data", "DETL", "PiDX", and the palette when it goes along.
constexpr std::uint32_t ChunksWithoutPalette = 3;
constexpr std::uint32_t ChunksWithPalette = 4;

void writeHead(StreamIO& stream, const Bitmap& bitmap, std::uint32_t chunkCount) {
    std::array<std::uint8_t, HeadSize> head{};
    byte_order::storeU32(&head[0], chunkCount);                                   // chunk count
    byte_order::storeU32(&head[4], static_cast<std::uint32_t>(bitmap.width));     // width
    byte_order::storeU32(&head[8], static_cast<std::uint32_t>(bitmap.height));    // height
    byte_order::storeU32(&head[12], static_cast<std::uint32_t>(bitmap.bitDepth)); // bit depth
    byte_order::storeU32(&head[16], bitmap.flags); // flag word, whole
    writeTag(stream, HeadTag);
    writeLittle(stream, std::uint32_t{HeadSize});
    stream.write(HeadSize, head.data());
}

void writeData(StreamIO& stream, const Bitmap& bitmap, const bitmap_rows::RowLayout& layout,
               std::int32_t dataSize) {
    writeTag(stream, DataTag);
    writeLittle(stream, static_cast<std::uint32_t>(dataSize));
    if (layout.inPlace) {
        stream.write(dataSize, bitmap.pixels); // every level, as in memory
    } else {
        bitmap_rows::writeRows(stream, bitmap.pixels, bitmap.height, bitmap.stride,
                               layout.fileStride, layout.pixelBytes);
    }
}

} // namespace

bool Bitmap::writeFile(const char* name, std::uint32_t fileFlags) {
    return replaceFile(name, fileFlags) == storage::CommitResult::Replaced;
}

storage::CommitResult Bitmap::replaceFile(const char* name, std::uint32_t fileFlags) {
    storage::ReplacingFile file(name);
    return writeReplacement(file, fileFlags) ? file.commit() : storage::CommitResult::Failed;
}

storage::CommitResult Bitmap::replaceFile(platform::SourceFile original, std::uint32_t fileFlags) {
    storage::ReplacingFile file(std::move(original));
    return writeReplacement(file, fileFlags) ? file.commit() : storage::CommitResult::Failed;
}

// The new contents go to a temporary file beside the target and replace it only once
// complete: the file being rewritten may be the artist's only copy.
bool Bitmap::writeReplacement(storage::ReplacingFile& file, std::uint32_t fileFlags) {
    if (file.handle() == platform::InvalidFileHandle) {
        return false;
    }
    FileWStream stream(file.handle());
    const bool written = write(stream, fileFlags);
    stream.close();
    return written;
}

bool Bitmap::write(StreamIO& stream, std::uint32_t fileFlags) {
    if ((fileFlags & BitmapAsBmp) != 0) {
        return writeBmp(stream);
    }
    const auto layout = bitmap_rows::rowLayoutOf(*this);
    if (!layout) {
        return false;
    }
    // A buffer of our own goes out whole, detail levels included; a view goes out packed.
    const std::int32_t dataSize = layout->inPlace ? imageSize : layout->areaSize;
    if (dataSize < 0 || (pixels == nullptr && dataSize > 0)) {
        return false;
    }
    const bool withPalette = palette != nullptr && (fileFlags & BitmapWithPalette) != 0;
    // The form size counts the data as stored; for anything but a packed view that is the
    // historical value, which assumes a 256-colour palette whether it is written or not.
    const std::uint32_t formSize =
        pbmpSize() - static_cast<std::uint32_t>(imageSize) + static_cast<std::uint32_t>(dataSize);

    writeTag(stream, FormTag);
    writeLittle(stream, formSize);
    writeHead(stream, *this, withPalette ? ChunksWithPalette : ChunksWithoutPalette);
    // A palette the RIFF writer refuses (more than 256 colours) writes nothing, and the
    // file would announce a chunk it lacks.
    const bool paletteWritten = !withPalette || palette->writeRiff(stream);
    writeData(stream, *this, *layout, dataSize);
    writeTag(stream, DetailTag);
    writeLittle(stream, std::uint32_t{NumberSize});
    writeLittle(stream, static_cast<std::uint32_t>(detailLevelCount));
    writeTag(stream, PaletteIndexTag);
    writeLittle(stream, std::uint32_t{NumberSize});
    writeLittle(stream, static_cast<std::uint32_t>(paletteIndex));
    return paletteWritten && stream.getStatus() == Ok;
}
