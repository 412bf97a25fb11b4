#include "tests/app/skin_files.h"

#include <cstring>

namespace testing_support {
namespace {

void put16(Bytes& out, std::uint32_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

void put32(Bytes& out, std::uint32_t value) {
    put16(out, value & 0xFFFF);
    put16(out, value >> 16);
}

void putTag(Bytes& out, const char* tag) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(tag[i]));
    }
}

std::uint32_t get32(const Bytes& in, std::size_t at) {
    return in[at] | in[at + 1] << 8 | in[at + 2] << 16 |
           static_cast<std::uint32_t>(in[at + 3]) << 24;
}

std::uint32_t get16(const Bytes& in, std::size_t at) {
    return in[at] | in[at + 1] << 8;
}

int stride(int width, int bytesPerPixel) {
    return (width * bytesPerPixel + 3) & ~3;
}

void putBmpHeaders(Bytes& out, int width, int height, int bits, std::uint32_t tableBytes,
                   std::uint32_t imageBytes) {
    out.push_back('B');
    out.push_back('M');
    put32(out, 54 + tableBytes + imageBytes); // bfSize
    put16(out, 0);                            // bfReserved1
    put16(out, 0);                            // bfReserved2
    put32(out, 54 + tableBytes);              // bfOffBits
    put32(out, 40);                           // biSize
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put16(out, 1);    // biPlanes
    put16(out, bits); // biBitCount
    put32(out, 0);    // biCompression
    put32(out, imageBytes);
    put32(out, 0); // biXPelsPerMeter
    put32(out, 0); // biYPelsPerMeter
    put32(out, 0); // biClrUsed
    put32(out, 0); // biClrImportant
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

} // namespace

Bytes bmp24(int width, int height, const PixelSource& pixel, bool topDown) {
    const Bytes rows = rows24(width, height, pixel);
    const int rowBytes = stride(width, 3);
    Bytes out;
    putBmpHeaders(out, width, topDown ? -height : height, 24, 0,
                  static_cast<std::uint32_t>(rows.size()));
    for (int i = 0; i < height; ++i) {
        const int y = topDown ? i : height - 1 - i;
        const auto row = rows.begin() + static_cast<std::ptrdiff_t>(y) * rowBytes;
        out.insert(out.end(), row, row + rowBytes);
    }
    return out;
}

Bytes bmp8(int width, int height) {
    const int rowBytes = stride(width, 1);
    Bytes out;
    putBmpHeaders(out, width, height, 8, 1024, static_cast<std::uint32_t>(rowBytes * height));
    for (int i = 0; i < 256; ++i) {
        put32(out, static_cast<std::uint32_t>(i * 0x010101));
    }
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < rowBytes; ++x) {
            out.push_back(static_cast<std::uint8_t>(x < width ? x + y : 0));
        }
    }
    return out;
}

Bytes pbmp24(int width, int height, const PixelSource& pixel) {
    const Bytes rows = rows24(width, height, pixel);
    Bytes out;
    putTag(out, "PBMP");
    put32(out, static_cast<std::uint32_t>(rows.size() + 32));
    putTag(out, "head");
    put32(out, 20);
    put32(out, 3); // chunks after the head
    put32(out, static_cast<std::uint32_t>(width));
    put32(out, static_cast<std::uint32_t>(height));
    put32(out, 24);
    put32(out, 8); // flags as written: the bitmap owned its pixels
    putTag(out, "data");
    put32(out, static_cast<std::uint32_t>(rows.size()));
    out.insert(out.end(), rows.begin(), rows.end());
    putTag(out, "DETL");
    put32(out, 4);
    put32(out, 1);
    putTag(out, "PiDX");
    put32(out, 4);
    put32(out, 0xFFFFFFFF);
    return out;
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
    Bytes out;
    putTag(out, "RIFF");
    put32(out, 16 + 4 * 256);
    putTag(out, "PAL ");
    putTag(out, "data");
    put32(out, 4 + 4 * 256);
    put16(out, 0x300);
    put16(out, 256);
    for (const Rgb& colour : colors) {
        out.insert(out.end(), {colour.red, colour.green, colour.blue, 0});
    }
    return out;
}

Bytes pl98Palette(const std::array<Rgb, 256>& colors, std::int32_t paletteIndex,
                  const std::array<std::uint32_t, 8>& maskWords) {
    Bytes out;
    putTag(out, "PL98");
    put32(out, 1); // sub-palettes
    put32(out, 0); // levelShift
    put32(out, 0); // extraGroups
    put32(out, 0); // headerValue
    for (const std::uint32_t word : maskWords) {
        put32(out, word);
    }
    for (const Rgb& colour : colors) {
        out.insert(out.end(), {colour.red, colour.green, colour.blue, 0});
    }
    put32(out, static_cast<std::uint32_t>(paletteIndex));
    put32(out, 0);    // kind 0: no tables stored
    out.push_back(0); // no auxiliary table
    put32(out, 0);    // trailing word
    return out;
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
    const std::uint32_t reserved2 = paletteIndex == -1 ? 0xFFFF : paletteIndex & 0xFFFF;
    const struct {
        const char* name;
        std::uint32_t actual;
        std::uint32_t expected;
    } fields[] = {
        {"bfType", get16(file, 0), 0x4D42},
        {"bfSize", get32(file, 2), static_cast<std::uint32_t>(size)},
        {"bfReserved1", get16(file, 6), 0xF5F7},
        {"bfReserved2", get16(file, 8), reserved2},
        {"bfOffBits", get32(file, 10), 1078},
        {"biSize", get32(file, 14), 40},
        {"biWidth", get32(file, 18), static_cast<std::uint32_t>(width)},
        {"biHeight", get32(file, 22), static_cast<std::uint32_t>(height)},
        {"biPlanes", get16(file, 26), 1},
        {"biBitCount", get16(file, 28), 8},
        {"biCompression", get32(file, 30), 0},
        {"biSizeImage", get32(file, 34), static_cast<std::uint32_t>(imageBytes)},
        {"biXPelsPerMeter", get32(file, 38), 0},
        {"biYPelsPerMeter", get32(file, 42), 0},
        {"biClrUsed", get32(file, 46), 0},
        {"biClrImportant", get32(file, 50), 0},
    };
    for (const auto& field : fields) {
        if (field.actual != field.expected) {
            return std::string(field.name) + " is " + std::to_string(field.actual) + ", expected " +
                   std::to_string(field.expected);
        }
    }
    for (std::uint32_t i = 0; i < 256; ++i) {
        if (get32(file, 54 + 4 * i) != i * 0x010101) {
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
