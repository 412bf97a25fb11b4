// Checks the fast matcher against the plain scan for every one of the 2^24 colours, on a
// few palettes chosen to be hard: many ties, duplicate entries, entry 0 left out of the
// mask. Takes some seconds per palette, so it is a tool that CI runs once rather than a
// unit test. Exit code 0 when every colour agrees.

#include <chrono>
#include <cstdio>
#include <random>
#include <vector>

#include "palette/nearest_matcher.h"
#include "palette/palette.h"

namespace {

struct SweepPalette {
    const char* name;
    PalettePtr palette;
};

PalettePtr blankPalette() {
    PalettePtr palette(Palette::create());
    if (palette) {
        std::fill(palette->matchMask.words, palette->matchMask.words + PaletteSize / 32, 0u);
    }
    return palette;
}

void setColor(Palette& palette, int index, int red, int green, int blue) {
    palette.colors()[index] = {static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                               static_cast<std::uint8_t>(blue), 0};
}

// Random colours with the mask the remapper uses.
PalettePtr randomPalette() {
    PalettePtr palette = blankPalette();
    std::mt19937 random(1);
    std::uniform_int_distribution<int> level(0, 255);
    for (int i = 0; i < PaletteSize; ++i) {
        setColor(*palette, i, level(random), level(random), level(random));
    }
    palette->matchMask.setRange(0, 254);
    return palette;
}

// Equally spaced colours: every colour half-way between two of them is a tie. Entry 0 is
// black and left out of the mask, so it only wins where it is strictly closer.
PalettePtr gridPalette() {
    PalettePtr palette = blankPalette();
    for (int i = 0; i < PaletteSize; ++i) {
        setColor(*palette, i, i % 7 * 42, i / 7 % 7 * 42, i / 49 * 42);
    }
    setColor(*palette, 0, 0, 0, 0);
    palette->matchMask.setRange(1, 255);
    return palette;
}

// Eight colours repeated over the palette, under a sparse random mask.
PalettePtr repeatedPalette() {
    PalettePtr palette = blankPalette();
    std::mt19937 random(2);
    std::bernoulli_distribution allowed(0.1);
    for (int i = 0; i < PaletteSize; ++i) {
        setColor(*palette, i, (i & 1) * 255, (i >> 1 & 1) * 128, (i >> 2 & 1) * 64);
        if (allowed(random)) {
            palette->matchMask.setRange(i, i);
        }
    }
    return palette;
}

// Every colour, one row of 256 blues at a time through mapPixels, against findNearest.
long long countDifferences(const Palette& palette) {
    NearestMatcher matcher(palette);
    std::vector<std::uint8_t> row(256 * 3);
    std::vector<std::uint8_t> indices(256);
    long long differences = 0;
    for (int red = 0; red < 256; ++red) {
        for (int green = 0; green < 256; ++green) {
            for (int blue = 0; blue < 256; ++blue) {
                row[static_cast<std::size_t>(blue) * 3] = static_cast<std::uint8_t>(blue);
                row[static_cast<std::size_t>(blue) * 3 + 1] = static_cast<std::uint8_t>(green);
                row[static_cast<std::size_t>(blue) * 3 + 2] = static_cast<std::uint8_t>(red);
            }
            matcher.mapPixels(row.data(), indices.data(), indices.size());
            for (int blue = 0; blue < 256; ++blue) {
                const int expected = palette.findNearest(red, green, blue);
                if (indices[static_cast<std::size_t>(blue)] != expected && ++differences <= 5) {
                    std::printf("  %d,%d,%d: matcher %d, findNearest %d\n", red, green, blue,
                                indices[static_cast<std::size_t>(blue)], expected);
                }
            }
        }
    }
    return differences;
}

} // namespace

int main() {
    SweepPalette palettes[] = {
        {"random colours, entries 0-254", randomPalette()},
        {"grid of ties, entry 0 left out", gridPalette()},
        {"eight colours repeated, sparse mask", repeatedPalette()},
    };
    bool allAgree = true;
    for (const SweepPalette& sweep : palettes) {
        if (!sweep.palette) {
            std::printf("%s: out of memory\n", sweep.name);
            return 2;
        }
        const auto start = std::chrono::steady_clock::now();
        const long long differences = countDifferences(*sweep.palette);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::printf("%s: %lld of 16777216 colours differ (%.1f s)\n", sweep.name, differences,
                    seconds.count());
        allAgree = allAgree && differences == 0;
    }
    return allAgree ? 0 : 1;
}
