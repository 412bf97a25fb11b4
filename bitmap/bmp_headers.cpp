#include "bitmap/bmp_headers.h"

#include <cstdlib>

#include "bitmap/size_limits.h"
#include "core/stream_fields.h"
#include "core/stream_io.h"

namespace bmp_headers {

namespace {

using namespace bmp_format;

// Smallest info header whose fields lie where we read them. The older 12-byte header
// has 16-bit sizes in other places and would be misread.
constexpr std::uint32_t MinInfoHeaderSize = InfoHeaderSize;
// Largest info header we know of (with colour space and profile fields); larger values
// are taken for damage.
constexpr std::uint32_t MaxInfoHeaderSize = 124;

// Entries in the colour table: biClrUsed, or 256 when it is 0, at every depth but 24.
// Depths whose files would mean fewer by 0 are taken to carry 256 as well, as the writer
// stores them.
std::uint32_t colourTableEntries(const InfoHeader& info) {
    if (info.bitCount == TrueColourDepth) {
        return 0;
    }
    return info.clrUsed != 0 ? info.clrUsed : FullColourTableEntries;
}

} // namespace

bool readHeaders(StreamIO& stream, std::int32_t start, BmpHeaders& headers) {
    headers.start = start;
    if (start < 0 || !stream.setPosition(start)) {
        return false;
    }
    FileHeaderBytes fileBytes{};
    InfoHeaderBytes infoBytes{};
    stream.read(FileHeaderSize, fileBytes.data());
    stream.read(InfoHeaderSize, infoBytes.data());
    if (stream.getStatus() != Ok) {
        return false;
    }
    headers.file = decode(fileBytes);
    headers.info = decode(infoBytes);
    return true;
}

// Compressed pixels would be taken for rows and come out as noise, so they are refused
// rather than misread.
bool isReadableImage(const BmpHeaders& headers, BitmapReadReport& report) {
    const InfoHeader& info = headers.info;
    if (headers.file.type != BmpType || info.size < MinInfoHeaderSize ||
        info.size > MaxInfoHeaderSize) {
        return false;
    }
    if (info.compression != CompressionNone && info.compression != CompressionBitFields) {
        return false;
    }
    if (info.height == INT32_MIN) { // its absolute value doesn't exist
        return false;
    }
    const std::int32_t height = std::abs(info.height);
    report.tooLarge = bitmap_size::isTooLarge(info.width, height, info.bitCount);
    return bitmap_size::isAcceptedGeometry(info.width, height, info.bitCount);
}

std::int32_t paletteIndexOf(const FileHeader& file) {
    if (file.reserved1 == PaletteIndexMarker && file.reserved2 != NoPaletteIndex) {
        return file.reserved2;
    }
    return -1;
}

// A table too long for any file, read or skipped, leaves no place for the rows.
std::optional<ColourTable> colourTableOf(const BmpHeaders& headers) {
    const std::uint32_t entries = colourTableEntries(headers.info);
    const auto start = size_math::checkedAdd(headers.start, FileHeaderSize + headers.info.size);
    const auto size = size_math::checkedMultiply(entries, ColourEntrySize);
    const auto end = start && size ? size_math::checkedAdd(*start, *size) : std::nullopt;
    if (!end) {
        return std::nullopt;
    }
    return ColourTable{entries, *start, *end};
}

// At bfOffBits whenever it points past the headers, as every writer that fills it in means
// it (larger headers, bit masks, gaps, and tables shorter than the 256 entries a biClrUsed
// of 0 makes us assume); otherwise, when it can't be right, right after the colour table.
std::optional<std::int32_t> pixelOffset(const BmpHeaders& headers, const ColourTable& table) {
    const auto stated = size_math::checkedAdd(headers.start, headers.file.offBits);
    if (!stated) {
        return std::nullopt;
    }
    return *stated >= table.start ? *stated : table.end;
}

bool holdsRows(StreamIO& stream, std::optional<std::int32_t> offset, std::int32_t size) {
    return offset && stream_fields::holdsBytes(stream, *offset, size);
}

} // namespace bmp_headers
