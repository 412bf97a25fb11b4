#include "palette/error_diffusion.h"

#include <algorithm>
#include <new>
#include <utility>

namespace {

constexpr int Channels = 3;
// Errors are passed on in 16ths; a pixel takes what it was passed rounded to a whole level.
constexpr int FractionBits = 4;
constexpr std::int32_t Half = 1 << (FractionBits - 1);
constexpr std::int32_t Ahead = 7;
constexpr std::int32_t BelowBehind = 3;
constexpr std::int32_t Below = 5;
constexpr std::int32_t BelowAhead = 1;

std::size_t rowLengthFor(std::int32_t width) {
    return (static_cast<std::size_t>(width) + 2) * Channels;
}

// A channel's level plus the error passed to it, rounded half up: the shift of a negative
// number rounds down, the same on every build.
std::uint8_t asked(std::uint8_t level, std::int32_t error) {
    return static_cast<std::uint8_t>(std::clamp(level + ((error + Half) >> FractionBits), 0, 255));
}

} // namespace

bool ErrorDiffusion::reserve(std::int32_t width) {
    const std::size_t needed = 2 * rowLengthFor(std::max(width, 0));
    if (errors.size() >= needed) {
        return true;
    }
    try {
        errors.resize(needed);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

bool ErrorDiffusion::start(const PictureRows& rows) {
    rowLength = rowLengthFor(std::max(rows.width, 0));
    if (2 * rowLength > errors.size()) {
        picture = PictureRows{};
        row = 0;
        return false;
    }
    picture = rows;
    thisRow = errors.data();
    nextRow = errors.data() + rowLength;
    std::fill(thisRow, thisRow + rowLength, 0);
    row = 0;
    column = 0;
    return true;
}

std::int64_t ErrorDiffusion::mapNext(const NearestColour& nearest, std::int64_t count,
                                     MatchDistances* distances) {
    MovedDistances moved(distances != nullptr ? *distances : MatchDistances{});
    std::int64_t mapped = 0;
    while (mapped < count && !finished()) {
        if (column == 0) {
            startRow();
        }
        const auto run = static_cast<std::int32_t>(
            std::min<std::int64_t>(count - mapped, picture.width - column));
        mapRun(nearest, run, distances != nullptr ? &moved : nullptr);
        mapped += run;
        column += run;
        if (column == picture.width) {
            std::swap(thisRow, nextRow);
            ++row;
            column = 0;
        }
    }
    if (distances != nullptr) {
        moved.addTo(*distances);
    }
    return mapped;
}

// Every slot of the next row but the two at the row's start is first written by the pixel
// above and behind it, which sets it rather than adds to it (see mapRun).
void ErrorDiffusion::startRow() {
    const std::int32_t first = row % 2 == 0 ? 0 : picture.width - 1;
    const std::int32_t behind = row % 2 == 0 ? first - 1 : first + 1;
    std::fill_n(nextRow + std::ptrdiff_t{first + 1} * Channels, Channels, 0);
    std::fill_n(nextRow + std::ptrdiff_t{behind + 1} * Channels, Channels, 0);
}

// Each pixel waits for the one before it: the colour it asks for depends on the error that
// pixel passed on, so the channels are kept in plain variables along that chain, and the
// error passed ahead in the row never goes through memory.
void ErrorDiffusion::mapRun(const NearestColour& nearest, std::int32_t count,
                            MovedDistances* moved) {
    const bool leftToRight = row % 2 == 0;
    const std::int32_t step = leftToRight ? 1 : -1;
    const std::ptrdiff_t ahead = std::ptrdiff_t{step} * Channels;
    const std::uint8_t* pixels = picture.pixels + row * picture.pixelStride;
    std::uint8_t* indices = picture.indices + row * picture.indexStride;
    const PaletteEntry* colours = nearest.palette.colors();
    std::int32_t x = leftToRight ? column : picture.width - 1 - column;
    // The error rows start one pixel before the picture.
    std::int32_t* here = thisRow + std::ptrdiff_t{x + 1} * Channels;
    std::int32_t blue = here[0];
    std::int32_t green = here[1];
    std::int32_t red = here[2];
    for (std::int32_t i = 0; i < count; ++i, x += step) {
        const std::uint8_t* pixel = pixels + std::ptrdiff_t{x} * Channels;
        std::int32_t* below = nextRow + std::ptrdiff_t{x + 1} * Channels;
        const std::uint8_t askedBlue = asked(pixel[0], blue);
        const std::uint8_t askedGreen = asked(pixel[1], green);
        const std::uint8_t askedRed = asked(pixel[2], red);
        const std::uint8_t index = nearest.find(askedRed, askedGreen, askedBlue);
        indices[x] = index;
        const PaletteEntry& got = colours[index];
        const std::int32_t errorBlue = askedBlue - got.blue;
        const std::int32_t errorGreen = askedGreen - got.green;
        const std::int32_t errorRed = askedRed - got.red;
        const std::int32_t* next = thisRow + std::ptrdiff_t{x + 1 + step} * Channels;
        blue = next[0] + Ahead * errorBlue;
        green = next[1] + Ahead * errorGreen;
        red = next[2] + Ahead * errorRed;
        below[-ahead] += BelowBehind * errorBlue;
        below[-ahead + 1] += BelowBehind * errorGreen;
        below[-ahead + 2] += BelowBehind * errorRed;
        below[0] += Below * errorBlue;
        below[1] += Below * errorGreen;
        below[2] += Below * errorRed;
        below[ahead] = BelowAhead * errorBlue;
        below[ahead + 1] = BelowAhead * errorGreen;
        below[ahead + 2] = BelowAhead * errorRed;
        if (moved != nullptr) {
            moved->add(pixel, got);
        }
    }
    // A run that ends inside the row leaves what it passed on for the next run to start with.
    here = thisRow + std::ptrdiff_t{x + 1} * Channels;
    here[0] = blue;
    here[1] = green;
    here[2] = red;
}
