#pragma once
// A Windows BMP's rows read a band at a time, in the order its file stores them, for a
// caller that never needs the whole picture in memory. The headers are read and checked as
// readBmp checks them, and a file that does not hold every row it claims is refused before
// the caller sets anything aside for its rows.

#include <cstdint>

#include "bitmap/bitmap.h"

class StreamIO;

class BmpRowReader {
  public:
    // Reads from `stream` and tells `report` what it finds, as a read with
    // BitmapWholePixelsOnly would; both must outlive the reader.
    BmpRowReader(StreamIO& stream, BitmapReadReport& report);

    // Reads the headers of the BMP that starts at the stream's position and stands before
    // its rows. False, with the report saying why as a whole read's would, when it is no
    // BMP we read or its file ends before its rows do.
    bool open();

    std::int32_t width() const { return imageWidth; }
    std::int32_t height() const { return imageHeight; }
    std::int32_t bitDepth() const { return depth; }
    // Bytes of each row, as stored and as read.
    std::int32_t stride() const { return rowBytes; }
    // A negative height in the file: the top row comes first, not the bottom row.
    bool topRowFirst() const { return topFirst; }

    // Reads the next `rows` rows (no more than are left) into `into`, which holds rows x
    // stride() bytes. False when the file ended or failed before all of them arrived: the
    // report's pixelBytesRead counts the bytes that did, and readError tells a failure of
    // the stream.
    bool readRows(std::uint8_t* into, std::int32_t rows);

  private:
    StreamIO& stream;
    BitmapReadReport& report;
    std::int32_t imageWidth = 0;
    std::int32_t imageHeight = 0;
    std::int32_t depth = 0;
    std::int32_t rowBytes = 0;
    bool topFirst = false;
};
