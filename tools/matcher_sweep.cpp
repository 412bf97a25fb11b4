// Checks the fast matcher against the plain scan for every one of the 2^24 colours, with
// every kernel the processor has, on palettes chosen to be hard: many ties, duplicate
// entries, entry 0 left out of the mask, colours crowded into one region. Takes some
// seconds per palette, so it is a tool that CI runs once rather than a unit test. Exit
// code 0 when every colour agrees.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <memory>
#include <random>
#include <string>
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

// 255 colours packed around one skin tone, entry 255 repeating entry 0, with the mask the
// remapper uses: cells there hold many candidates.
PalettePtr crowdedPalette() {
    PalettePtr palette = blankPalette();
    std::mt19937 random(4);
    std::normal_distribution<double> spread(0.0, 10.0);
    const auto level = [&](double mean) {
        return std::clamp(static_cast<int>(std::lround(mean + spread(random))), 0, 255);
    };
    for (int i = 0; i < PaletteSize - 1; ++i) {
        setColor(*palette, i, level(200), level(150), level(120));
    }
    palette->colors()[PaletteSize - 1] = palette->colors()[0];
    palette->matchMask.setRange(0, 254);
    return palette;
}

// A median cut of a portrait (tools/median_cut_palette.py), as the remapper loads a palette.
PalettePtr portraitPalette() {
    PalettePtr palette(Palette::loadFile(SKINREMAP_PORTRAIT_PALETTE));
    if (palette) {
        palette->matchMask.setRange(0, 254);
    }
    return palette;
}

struct KernelUnderTest {
    NearestMatcher::Kernel kernel;
    std::unique_ptr<NearestMatcher> matcher;
    long long differences = 0;
};

void report(const char* kernel, int red, int green, int blue, int actual, int expected) {
    std::printf("  %s %d,%d,%d: matcher %d, findNearest %d\n", kernel, red, green, blue, actual,
                expected);
}

// Every colour, one row of 256 blues at a time, against findNearest: through mapPixels, and
// through the measuring mapPixels on every other row; then through findNearby, which
// dithering asks.
void sweep(const Palette& palette, std::vector<KernelUnderTest>& kernels) {
    std::vector<std::uint8_t> row(256 * 3);
    std::vector<int> expected(256);
    std::vector<std::uint8_t> indices(256);
    for (int red = 0; red < 256; ++red) {
        for (int green = 0; green < 256; ++green) {
            for (int blue = 0; blue < 256; ++blue) {
                row[static_cast<std::size_t>(blue) * 3] = static_cast<std::uint8_t>(blue);
                row[static_cast<std::size_t>(blue) * 3 + 1] = static_cast<std::uint8_t>(green);
                row[static_cast<std::size_t>(blue) * 3 + 2] = static_cast<std::uint8_t>(red);
                expected[static_cast<std::size_t>(blue)] = palette.findNearest(red, green, blue);
            }
            for (KernelUnderTest& k : kernels) {
                if (green % 2 == 0) {
                    k.matcher->mapPixels(row.data(), indices.data(), indices.size());
                } else {
                    MatchDistances distances;
                    k.matcher->mapPixels(row.data(), indices.data(), indices.size(), distances);
                }
                for (int blue = 0; blue < 256; ++blue) {
                    const int actual = indices[static_cast<std::size_t>(blue)];
                    const int nearby = k.matcher->findNearby(static_cast<std::uint8_t>(red),
                                                             static_cast<std::uint8_t>(green),
                                                             static_cast<std::uint8_t>(blue));
                    const int wanted = expected[static_cast<std::size_t>(blue)];
                    if ((actual != wanted || nearby != wanted) && ++k.differences <= 5) {
                        report(NearestMatcher::kernelName(k.kernel), red, green, blue,
                               actual != wanted ? actual : nearby, wanted);
                    }
                }
            }
        }
    }
}

} // namespace

int main() {
    SweepPalette palettes[] = {
        {"random colours, entries 0-254", randomPalette()},
        {"grid of ties, entry 0 left out", gridPalette()},
        {"eight colours repeated, sparse mask", repeatedPalette()},
        {"255 colours crowded round a skin tone", crowdedPalette()},
        {"median cut of a portrait", portraitPalette()},
    };
    bool allAgree = true;
    for (const SweepPalette& sweepPalette : palettes) {
        if (!sweepPalette.palette) {
            std::printf("%s: could not be made\n", sweepPalette.name);
            return 2;
        }
        std::vector<KernelUnderTest> kernels;
        for (const auto kernel : {NearestMatcher::Kernel::Portable, NearestMatcher::Kernel::Sse2,
                                  NearestMatcher::Kernel::Avx2}) {
            if (NearestMatcher::kernelAvailable(kernel)) {
                kernels.push_back(
                    {kernel, std::make_unique<NearestMatcher>(*sweepPalette.palette, kernel)});
            }
        }
        const auto start = std::chrono::steady_clock::now();
        sweep(*sweepPalette.palette, kernels);
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
        std::string names;
        long long differences = 0;
        for (const KernelUnderTest& k : kernels) {
            names += std::string(names.empty() ? "" : ", ") + NearestMatcher::kernelName(k.kernel);
            differences += k.differences;
        }
        std::printf("%s: %lld of 16777216 colours differ (%s; %.1f s)\n", sweepPalette.name,
                    differences, names.c_str(), seconds.count());
        allAgree = allAgree && differences == 0;
    }
    return allAgree ? 0 : 1;
}
