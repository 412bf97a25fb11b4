#include "palette/ordered_dither.h"

#include <algorithm>

namespace {

constexpr int Channels = 3;
constexpr std::int32_t MatrixValues = OrderedDither::Side * OrderedDither::Side;
// Thresholds are worked out in 128ths of the spacing: twice the matrix's 64 values.
constexpr int ThresholdShift = 7;
static_assert(2 * MatrixValues == 1 << ThresholdShift);
// Pixels shifted by their thresholds at a time, on the stack.
constexpr std::int32_t Batch = 512;

// The Bayer matrix's value at a place, 0 to 63: each bit pair of the coordinates, from the
// lowest, picks a quarter of what is left, so that every value is as far as can be from the
// ones close to it, and any 2 x 2, 4 x 4 or 8 x 8 tile spreads its values evenly.
constexpr std::int32_t bayerValue(std::int32_t row, std::int32_t column) {
    std::int32_t value = 0;
    for (int bit = 0; bit < 3; ++bit) {
        const std::int32_t quarter = 2 * ((column ^ row) >> bit & 1) + (row >> bit & 1);
        value = value * 4 + quarter;
    }
    return value;
}

std::int32_t squaredDistance(const PaletteEntry& a, const PaletteEntry& b) {
    const std::int32_t red = a.red - b.red;
    const std::int32_t green = a.green - b.green;
    const std::int32_t blue = a.blue - b.blue;
    return red * red + green * green + blue * blue;
}

bool sameColour(const PaletteEntry& a, const PaletteEntry& b) {
    return a.red == b.red && a.green == b.green && a.blue == b.blue;
}

// The square root rounded to the nearest whole number.
std::int32_t roundedRoot(std::int32_t squared) {
    std::int32_t root = 0;
    while ((root + 1) * (root + 1) <= squared) {
        ++root;
    }
    // Above root + 1/2 exactly when beyond root^2 + root + 1/4.
    return squared - root * root > root ? root + 1 : root;
}

// The median distance from an allowed colour to the nearest other allowed colour. A colour
// allowed twice counts once: its twin is no neighbour to dither with.
std::int32_t usualSpacing(const Palette& palette) {
    std::array<PaletteEntry, PaletteSize> colours{};
    std::size_t count = 0;
    for (int i = 0; i < PaletteSize; ++i) {
        const PaletteEntry& colour = palette.colors()[i];
        const auto end = colours.begin() + static_cast<std::ptrdiff_t>(count);
        const bool seen = std::any_of(colours.begin(), end, [&](const PaletteEntry& other) {
            return sameColour(colour, other);
        });
        if (palette.matchMask.test(i) && !seen) {
            colours[count++] = colour;
        }
    }
    if (count < 2) {
        return 0;
    }
    std::array<std::int32_t, PaletteSize> nearest{};
    for (std::size_t i = 0; i < count; ++i) {
        std::int32_t least = 3 * 255 * 255 + 1;
        for (std::size_t j = 0; j < count; ++j) {
            if (j != i) {
                least = std::min(least, squaredDistance(colours[i], colours[j]));
            }
        }
        nearest[i] = least;
    }
    const auto middle = nearest.begin() + static_cast<std::ptrdiff_t>(count / 2);
    std::nth_element(nearest.begin(), middle, nearest.begin() + static_cast<std::ptrdiff_t>(count));
    return roundedRoot(*middle);
}

std::uint8_t shifted(std::uint8_t level, std::int32_t threshold) {
    return static_cast<std::uint8_t>(std::clamp(level + threshold, 0, 255));
}

} // namespace

OrderedDither::OrderedDither(const Palette& palette) : spacing(usualSpacing(palette)) {
    // Value v stands for the threshold (v + 1/2) / 64 - 1/2 of the spacing, rounded half up
    // in integers: spread evenly about 0, within half the spacing either way.
    for (std::int32_t row = 0; row < Side; ++row) {
        for (std::int32_t column = 0; column < Side; ++column) {
            const std::int32_t value = bayerValue(row, column);
            thresholds[static_cast<std::size_t>(row * Side + column)] = static_cast<std::int16_t>(
                (spacing * (2 * value + 1 - MatrixValues) + MatrixValues) >> ThresholdShift);
        }
    }
}

void OrderedDither::mapPixels(const NearestColour& nearest, const std::uint8_t* bgr,
                              std::uint8_t* indices, std::int32_t count, std::int32_t row,
                              std::int32_t column, MatchDistances* distances) const {
    const std::int16_t* rowThresholds = thresholds.data() + (row % Side) * Side;
    std::array<std::uint8_t, Batch * Channels> asked;
    for (std::int32_t first = 0; first < count; first += Batch) {
        const std::int32_t run = std::min(Batch, count - first);
        const std::uint8_t* pixel = bgr + std::ptrdiff_t{first} * Channels;
        for (std::int32_t i = 0; i < run; ++i) {
            const std::int32_t threshold = rowThresholds[(column + first + i) % Side];
            for (int c = 0; c < Channels; ++c) {
                asked[static_cast<std::size_t>(i * Channels + c)] =
                    shifted(pixel[i * Channels + c], threshold);
            }
        }
        nearest.mapPixels(asked.data(), indices + first, static_cast<std::size_t>(run));
    }
    if (distances == nullptr) {
        return;
    }
    MovedDistances moved(*distances);
    const PaletteEntry* colours = nearest.palette.colors();
    for (std::int32_t i = 0; i < count; ++i) {
        moved.add(bgr + std::ptrdiff_t{i} * Channels, colours[indices[i]]);
    }
    moved.addTo(*distances);
}
