#include "bitmap/bmp_row_reader.h"

#include <cstdlib>

#include "bitmap/bmp_headers.h"
#include "bitmap/size_limits.h"
#include "core/stream_fields.h"
#include "core/stream_io.h"

BmpRowReader::BmpRowReader(StreamIO& stream, BitmapReadReport& report)
    : stream(stream), report(report) {}

bool BmpRowReader::open() {
    using namespace bmp_headers;
    report = BitmapReadReport{};
    BmpHeaders headers;
    if (!readHeaders(stream, stream.getPosition(), headers) || !isReadableImage(headers, report)) {
        return false;
    }
    const auto table = colourTableOf(headers);
    if (!table) {
        return false;
    }
    imageWidth = headers.info.width;
    imageHeight = std::abs(headers.info.height);
    depth = headers.info.bitCount;
    rowBytes = bitmap_size::strideFor(imageWidth, depth);
    topFirst = headers.info.height < 0;
    report.paletteIndexMarker = headers.file.reserved1 == bmp_format::PaletteIndexMarker;
    // The accepted geometry keeps this within 32 bits; the check leaves the stream there.
    if (!holdsRows(stream, pixelOffset(headers, *table), imageHeight * rowBytes)) {
        report.pixelsMissing = true;
        return false;
    }
    return true;
}

bool BmpRowReader::readRows(std::uint8_t* into, std::int32_t rows) {
    const std::int32_t wanted = rows * rowBytes;
    std::int32_t arrived = 0;
    const bool read = stream_fields::readAvailable(stream, into, wanted, arrived);
    report.pixelBytesRead += arrived;
    if (!read) {
        report.readError = stream.getStatus() == IoError;
    }
    return read && arrived == wanted;
}
