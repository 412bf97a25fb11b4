#pragma once
// A Windows BMP's two headers read and checked, and where they say the colour table and
// the rows lie: what the reader of whole pictures and the reader of rows in bands share.

#include <cstdint>
#include <optional>

#include "bitmap/bitmap.h"
#include "bitmap/bmp_format.h"

class StreamIO;

namespace bmp_headers {

struct BmpHeaders {
    bmp_format::FileHeader file;
    bmp_format::InfoHeader info;
    // Stream offset of the file header.
    std::int32_t start = 0;
};

// Reads both headers of the file that starts at `start`.
bool readHeaders(StreamIO& stream, std::int32_t start, BmpHeaders& headers);

// Refuses what can't describe an image of plain rows, and says in `report` when it is
// only too large for us.
bool isReadableImage(const BmpHeaders& headers, BitmapReadReport& report);

// The game palette index the file header carries; -1 for none.
std::int32_t paletteIndexOf(const bmp_format::FileHeader& file);

// Where the colour table lies: `entries` colours from `start` to `end`.
struct ColourTable {
    std::uint32_t entries = 0;
    std::int32_t start = 0;
    std::int32_t end = 0;
};
// Nothing when the table lies beyond any offset a stream can reach.
std::optional<ColourTable> colourTableOf(const BmpHeaders& headers);

// Where the rows start; nothing when they lie past the end of every file we read.
std::optional<std::int32_t> pixelOffset(const BmpHeaders& headers, const ColourTable& table);

// Whether the rows at `offset` are all in the file; with nowhere to read them from, none
// is. On true the stream stands at `offset`.
bool holdsRows(StreamIO& stream, std::optional<std::int32_t> offset, std::int32_t size);

} // namespace bmp_headers
