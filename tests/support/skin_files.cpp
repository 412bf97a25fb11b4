#include "tests/support/skin_files.h"

#include "core/byte_order.h"
#include "tests/support/sample_files.h"

namespace testing_support {
namespace {

using byte_order::loadU16;
using byte_order::loadU32;

int stride(int width, int bytesPerPixel) {
    return (width * bytesPerPixel + 3) & ~3;
}

// Rows of 24-bit pixels in blue, green, red order, zero fill, top row first.
Bytes rows24(int width, int height, const PixelSource& pixel) {
    const int rowBytes = stride(width, 3);
    Bytes rows(static_cast<std::size_t>(rowBytes) * height, 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb colour = pixel(x, y);
            std::uint8_t* at = &rows[static_cast<std::size_t>(y) * rowBytes + 3 * x];
            at[0] = colour.blue;
            at[1] = colour.green;
            at[2] = colour.red;
        }
    }
    return rows;
}

// A BMP's fields with no palette marker and no resolution, sized for `pixels`.
BmpFields skinFields(int width, int height, int bits, Bytes colourTable, Bytes pixels) {
    BmpFields fields;
    const auto tableBytes = static_cast<std::uint32_t>(colourTable.size());
    const auto imageBytes = static_cast<std::uint32_t>(pixels.size());
    fields.fileSize = 54 + tableBytes + imageBytes;
    fields.offBits = 54 + tableBytes;
    fields.width = width;
    fields.height = height;
    fields.bitCount = static_cast<std::uint16_t>(bits);
    fields.sizeImage = imageBytes;
    fields.colourTable = std::move(colourTable);
    fields.pixels = std::move(pixels);
    return fields;
}

Bytes entriesOf(const std::array<Rgb, 256>& colors) {
    Bytes entries;
    for (const Rgb& colour : colors) {
        entries.insert(entries.end(), {colour.red, colour.green, colour.blue, 0});
    }
    return entries;
}

} // namespace

Bytes bmp24(int width, int height, const PixelSource& pixel, bool topDown) {
    const Bytes rows = rows24(width, height, pixel);
    const int rowBytes = stride(width, 3);
    Bytes fileRows;
    for (int i = 0; i < height; ++i) {
        const int y = topDown ? i : height - 1 - i;
        const auto row = rows.begin() + static_cast<std::ptrdiff_t>(y) * rowBytes;
        fileRows.insert(fileRows.end(), row, row + rowBytes);
    }
    return bmpFile(skinFields(width, topDown ? -height : height, 24, {}, fileRows));
}

Bytes bmp8(int width, int height) {
    const int rowBytes = stride(width, 1);
    Bytes rows;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < rowBytes; ++x) {
            rows.push_back(static_cast<std::uint8_t>(x < width ? x + y : 0));
        }
    }
    return bmpFile(skinFields(width, height, 8, greyTable(), rows));
}

Bytes pbmp24(int width, int height, const PixelSource& pixel) {
    PbmpFields fields;
    fields.width = width;
    fields.height = height;
    fields.bitDepth = 24;
    fields.pixels = rows24(width, height, pixel);
    return pbmpFile(fields);
}

std::array<Rgb, 256> testColors() {
    std::array<Rgb, 256> colors{};
    for (int i = 0; i < 256; ++i) {
        colors[i] = Rgb{static_cast<std::uint8_t>(i * 37 + 11), static_cast<std::uint8_t>(i * 91),
                        static_cast<std::uint8_t>(255 - i * 53)};
    }
    colors[0] = Rgb{0, 0, 0};
    colors[1] = Rgb{255, 255, 255};
    colors[200] = colors[100]; // a tie the lower index wins
    colors[255] = Rgb{255, 0, 255};
    return colors;
}

Bytes riffPalette(const std::array<Rgb, 256>& colors) {
    return riffPalette(entriesOf(colors));
}

Bytes pl98Palette(const std::array<Rgb, 256>& colors, std::int32_t paletteIndex,
                  const std::array<std::uint32_t, 8>& maskWords) {
    Pl98Fields fields;
    fields.mask = maskWords;
    fields.sets = {{entriesOf(colors), paletteIndex, 0}}; // kind 0: no tables stored
    return pl98File(fields);
}

Rgb testPixel(int x, int y) {
    if ((x + y) % 7 == 0) {
        return Rgb{255, 0, 255};
    }
    if ((x * y) % 5 == 1) {
        return testColors()[static_cast<std::size_t>((x * 3 + y) % 256)];
    }
    return Rgb{static_cast<std::uint8_t>(x * 9 + y), static_cast<std::uint8_t>(y * 5 + 3 * x),
               static_cast<std::uint8_t>(x * y)};
}

std::uint8_t nearestIndex(const std::array<Rgb, 256>& colors, bool allow255, Rgb colour) {
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < (allow255 ? 256 : 255); ++i) {
        const int dr = colour.red - colors[i].red;
        const int dg = colour.green - colors[i].green;
        const int db = colour.blue - colors[i].blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return static_cast<std::uint8_t>(best);
}

std::string checkRemapped(const Bytes& file, int width, int height, std::int32_t paletteIndex,
                          const std::function<std::uint8_t(int x, int y)>& expectedIndex) {
    const int rowBytes = stride(width, 1);
    const std::size_t imageBytes = static_cast<std::size_t>(rowBytes) * height;
    const std::size_t size = 1078 + imageBytes;
    if (file.size() != size) {
        return "size " + std::to_string(file.size()) + ", expected " + std::to_string(size);
    }
    const std::uint8_t* at = file.data();
    const std::uint32_t reserved2 = paletteIndex == -1 ? 0xFFFF : paletteIndex & 0xFFFF;
    const struct {
        const char* name;
        std::uint32_t actual;
        std::uint32_t expected;
    } fields[] = {
        {"bfType", loadU16(at + 0), 0x4D42},
        {"bfSize", loadU32(at + 2), static_cast<std::uint32_t>(size)},
        {"bfReserved1", loadU16(at + 6), 0xF5F7},
        {"bfReserved2", loadU16(at + 8), reserved2},
        {"bfOffBits", loadU32(at + 10), 1078},
        {"biSize", loadU32(at + 14), 40},
        {"biWidth", loadU32(at + 18), static_cast<std::uint32_t>(width)},
        {"biHeight", loadU32(at + 22), static_cast<std::uint32_t>(height)},
        {"biPlanes", loadU16(at + 26), 1},
        {"biBitCount", loadU16(at + 28), 8},
        {"biCompression", loadU32(at + 30), 0},
        {"biSizeImage", loadU32(at + 34), static_cast<std::uint32_t>(imageBytes)},
        {"biXPelsPerMeter", loadU32(at + 38), 0},
        {"biYPelsPerMeter", loadU32(at + 42), 0},
        {"biClrUsed", loadU32(at + 46), 0},
        {"biClrImportant", loadU32(at + 50), 0},
    };
    for (const auto& field : fields) {
        if (field.actual != field.expected) {
            return std::string(field.name) + " is " + std::to_string(field.actual) + ", expected " +
                   std::to_string(field.expected);
        }
    }
    for (std::uint32_t i = 0; i < 256; ++i) {
        if (loadU32(at + 54 + 4 * i) != i * 0x010101) {
            return "colour table entry " + std::to_string(i) + " is not grey level " +
                   std::to_string(i);
        }
    }
    for (int y = 0; y < height; ++y) {
        const std::size_t row = 1078 + static_cast<std::size_t>(height - 1 - y) * rowBytes;
        for (int x = 0; x < width; ++x) {
            const int actual = file[row + x];
            const int expected = expectedIndex(x, y);
            if (actual != expected) {
                return "pixel (" + std::to_string(x) + ", " + std::to_string(y) + ") is " +
                       std::to_string(actual) + ", expected " + std::to_string(expected);
            }
        }
    }
    return "";
}

} // namespace testing_support
