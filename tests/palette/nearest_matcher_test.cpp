#include "palette/nearest_matcher.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "palette/matcher_memo.h"
#include "palette/palette.h"

namespace {

using Colors = std::array<PaletteEntry, PaletteSize>;
using Mask = std::array<bool, PaletteSize>;

struct MatchCase {
    std::string name;
    Colors colors;
    Mask allowed;
};

void PrintTo(const MatchCase& palette, std::ostream* out) {
    *out << palette.name;
}

// A real palette with exactly these colours and mask bits.
PalettePtr makePalette(const Colors& colors, const Mask& allowed) {
    PalettePtr palette(Palette::create());
    std::copy(colors.begin(), colors.end(), palette->colors());
    std::fill(palette->matchMask.words, palette->matchMask.words + PaletteSize / 32, 0u);
    for (int i = 0; i < PaletteSize; ++i) {
        if (allowed[static_cast<std::size_t>(i)]) {
            palette->matchMask.setRange(i, i);
        }
    }
    return palette;
}

Mask maskOf(int first, int last) {
    Mask mask{};
    for (int i = first; i <= last; ++i) {
        mask[static_cast<std::size_t>(i)] = true;
    }
    return mask;
}

Colors randomColors(std::mt19937& random, int levels) {
    std::uniform_int_distribution<int> component(0, levels - 1);
    const int step = 255 / std::max(levels - 1, 1);
    Colors colors{};
    for (PaletteEntry& c : colors) {
        c = {static_cast<std::uint8_t>(component(random) * step),
             static_cast<std::uint8_t>(component(random) * step),
             static_cast<std::uint8_t>(component(random) * step)};
    }
    return colors;
}

Mask randomMask(std::mt19937& random, double density) {
    std::bernoulli_distribution bit(density);
    Mask mask{};
    for (auto&& allowed : mask) {
        allowed = bit(random);
    }
    return mask;
}

// A grid of equally spaced colours: colours halfway between two of them tie.
Colors gridColors(int spacing) {
    Colors colors{};
    for (std::size_t i = 0; i < colors.size(); ++i) {
        colors[i] = {static_cast<std::uint8_t>(i % 7 * spacing),
                     static_cast<std::uint8_t>(i / 7 % 7 * spacing),
                     static_cast<std::uint8_t>(i / 49 * spacing)};
    }
    return colors;
}

std::vector<MatchCase> matchCases() {
    std::mt19937 random(20261208);
    const Colors photo = randomColors(random, 256);
    Colors blackOnlyAtZero = randomColors(random, 256);
    for (PaletteEntry& c : blackOnlyAtZero) {
        c.red = std::max<std::uint8_t>(c.red, 1);
    }
    blackOnlyAtZero[0] = {};
    Colors single{};
    single[77] = {200, 10, 90};

    // 255 colours packed round one skin tone, entry 255 repeating entry 0.
    std::normal_distribution<double> spread(0.0, 10.0);
    const auto near = [&](double mean) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(mean + spread(random)), 0L, 255L));
    };
    Colors crowded{};
    for (PaletteEntry& c : crowded) {
        c = {near(200), near(150), near(120), 0};
    }
    crowded[PaletteSize - 1] = crowded[0];

    std::vector<MatchCase> cases = {
        {"AllBlackDefaultMask", Colors{}, maskOf(10, 245)},
        {"AllBlackLoadedMask", Colors{}, maskOf(0, 254)},
        {"RandomFullMask", photo, maskOf(0, 255)},
        {"RandomLoadedMask", photo, maskOf(0, 254)},
        {"RandomDefaultMask", photo, maskOf(10, 245)},
        {"EmptyMask", photo, Mask{}},
        {"OnlyLastEntry", photo, maskOf(255, 255)},
        {"OnlyEntryZero", photo, maskOf(0, 0)},
        {"OnlyOneMiddleEntry", photo, maskOf(128, 128)},
        {"SingleColourAmongBlack", single, maskOf(77, 77)},
        {"EntryZeroExcludedButUnique", blackOnlyAtZero, maskOf(1, 255)},
        {"EntryZeroExcludedSharesColour", single, maskOf(1, 255)},
        {"FewColoursManyDuplicates", randomColors(random, 2), maskOf(0, 254)},
        {"CoarseLevelsDuplicates", randomColors(random, 4), maskOf(3, 250)},
        {"GridTies", gridColors(40), maskOf(0, 255)},
        {"GridTiesEntryZeroExcluded", gridColors(42), maskOf(1, 255)},
        {"GridTiesSparseMask", gridColors(40), randomMask(random, 0.2)},
        {"CrowdedLoadedMask", crowded, maskOf(0, 254)},
        {"CrowdedSparseMask", crowded, randomMask(random, 0.3)},
    };
    for (int i = 0; i < 6; ++i) {
        cases.push_back({"RandomPaletteRandomMask" + std::to_string(i),
                         randomColors(random, i % 2 == 0 ? 256 : 16),
                         randomMask(random, 0.05 + 0.18 * i)});
    }
    return cases;
}

// Colours where mistakes hide: every entry and its close neighbours, cell borders, the
// corners of the cube, and random colours.
std::vector<PaletteEntry> probeColors(const Colors& colors) {
    std::vector<PaletteEntry> probes;
    const auto add = [&](int red, int green, int blue) {
        const auto clamp = [](int v) { return static_cast<std::uint8_t>(std::clamp(v, 0, 255)); };
        probes.push_back({clamp(red), clamp(green), clamp(blue), 0});
    };
    for (const PaletteEntry& c : colors) {
        for (int delta = -3; delta <= 3; ++delta) {
            add(c.red + delta, c.green, c.blue);
            add(c.red, c.green + delta, c.blue);
            add(c.red, c.green, c.blue + delta);
        }
    }
    for (int level = 0; level < 256; level += 7) {
        add(level, 255 - level, level / 8 * 8);
        add(level / 8 * 8 + 7, level, level / 8 * 8);
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<int> component(0, 255);
    for (int i = 0; i < 4000; ++i) {
        add(component(random), component(random), component(random));
    }
    return probes;
}

std::vector<NearestMatcher::Kernel> availableKernels() {
    std::vector<NearestMatcher::Kernel> kernels;
    for (const auto kernel : {NearestMatcher::Kernel::Portable, NearestMatcher::Kernel::Sse2,
                              NearestMatcher::Kernel::Avx2}) {
        if (NearestMatcher::kernelAvailable(kernel)) {
            kernels.push_back(kernel);
        }
    }
    return kernels;
}

std::vector<std::uint8_t> bgrOf(const std::vector<PaletteEntry>& colors) {
    std::vector<std::uint8_t> bgr;
    for (const PaletteEntry& c : colors) {
        bgr.insert(bgr.end(), {c.blue, c.green, c.red});
    }
    return bgr;
}

// Every probe colour through find and findNearby (twice: the second pass answers from the
// memo and the built cells), then
// with each kernel through both mapPixels on fresh matchers: the probes interleaved with
// white, whose answer lands in many slots of the memo over a run, and the probes alone,
// nearly all new colours, which loops may map without the memo.
void expectSameAsFindNearest(const Palette& palette, const std::vector<PaletteEntry>& probes) {
    std::vector<std::uint8_t> expected;
    for (const PaletteEntry& c : probes) {
        expected.push_back(static_cast<std::uint8_t>(palette.findNearest(c.red, c.green, c.blue)));
    }
    const auto white = static_cast<std::uint8_t>(palette.findNearest(255, 255, 255));
    std::vector<PaletteEntry> pixels;
    std::vector<std::uint8_t> expectedPixels;
    for (std::size_t i = 0; i < probes.size(); ++i) {
        pixels.insert(pixels.end(), {probes[i], PaletteEntry{255, 255, 255, 0}});
        expectedPixels.insert(expectedPixels.end(), {expected[i], white});
    }
    const std::vector<std::uint8_t> bgr = bgrOf(pixels);

    for (const NearestMatcher::Kernel kernel : availableKernels()) {
        SCOPED_TRACE(NearestMatcher::kernelName(kernel));
        NearestMatcher matcher(palette, kernel);
        int mismatches = 0;
        for (int pass = 0; pass < 2; ++pass) {
            for (std::size_t i = 0; i < probes.size(); ++i) {
                const PaletteEntry& c = probes[i];
                for (const std::uint8_t actual : {matcher.find(c.red, c.green, c.blue),
                                                  matcher.findNearby(c.red, c.green, c.blue)}) {
                    if (actual != expected[i] && ++mismatches <= 5) {
                        ADD_FAILURE()
                            << "colour " << int(c.red) << "," << int(c.green) << "," << int(c.blue)
                            << ": " << int(actual) << " instead of " << int(expected[i]);
                    }
                }
            }
        }
        EXPECT_EQ(mismatches, 0);

        std::vector<std::uint8_t> indices(expectedPixels.size(), 0xEE);
        NearestMatcher(palette, kernel).mapPixels(bgr.data(), indices.data(), indices.size());
        EXPECT_EQ(indices, expectedPixels);
        std::fill(indices.begin(), indices.end(), 0xEE);
        MatchDistances distances;
        NearestMatcher(palette, kernel)
            .mapPixels(bgr.data(), indices.data(), indices.size(), distances);
        EXPECT_EQ(indices, expectedPixels) << "measuring";

        const std::vector<std::uint8_t> probeBgr = bgrOf(probes);
        std::vector<std::uint8_t> probeIndices(probes.size(), 0xEE);
        NearestMatcher(palette, kernel)
            .mapPixels(probeBgr.data(), probeIndices.data(), probes.size());
        EXPECT_EQ(probeIndices, expected) << "new colours";
        std::fill(probeIndices.begin(), probeIndices.end(), 0xEE);
        NearestMatcher(palette, kernel)
            .mapPixels(probeBgr.data(), probeIndices.data(), probes.size(), distances);
        EXPECT_EQ(probeIndices, expected) << "new colours, measuring";
    }
}

class NearestMatcherTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(NearestMatcherTest, AgreesWithFindNearest) {
    const MatchCase& param = GetParam();
    const PalettePtr palette = makePalette(param.colors, param.allowed);
    expectSameAsFindNearest(*palette, probeColors(param.colors));
}

INSTANTIATE_TEST_SUITE_P(Palettes, NearestMatcherTest, ::testing::ValuesIn(matchCases()),
                         [](const auto& info) { return info.param.name; });

// Palettes from files: one written by another program, and a median cut of a portrait,
// dense in skin tones (made by tools/median_cut_palette.py).
TEST(NearestMatcher, AgreesWithFindNearestOnLoadedPalettes) {
    for (const char* name : {"cpc-sample-256.pal", "portrait-median-cut.pal"}) {
        SCOPED_TRACE(name);
        const PalettePtr palette(Palette::loadFile((std::string("palette-data/") + name).c_str()));
        ASSERT_NE(palette, nullptr);
        palette->matchMask.setRange(0, 254);
        Colors colors{};
        std::copy_n(palette->colors(), PaletteSize, colors.begin());
        expectSameAsFindNearest(*palette, probeColors(colors));
    }
}

// The rules of the scan where entries are a level or two apart, so that one box holds them,
// through find and through each kernel's loops, the colours strewn among noise so that loops
// that skip the memo meet them too; and each pixel's distance to the colour chosen.
TEST(NearestMatcher, RulesOfTheScanOnAKnownPalette) {
    Colors colors{};
    colors[20] = {100, 100, 100, 0};
    colors[30] = {110, 100, 100, 0};
    colors[40] = {200, 0, 0, 0};
    colors[50] = {0, 0, 2, 0};
    colors[60] = {1, 0, 0, 0};
    Mask mask{};
    for (std::size_t allowed : {20, 30, 40, 50, 60}) {
        mask[allowed] = true;
    }
    const PalettePtr palette = makePalette(colors, mask);
    const struct {
        PaletteEntry colour;
        std::uint8_t index;
        const char* rule;
    } rules[] = {
        {{105, 100, 100, 0}, 20, "a tie goes to the lower index"},
        {{108, 100, 100, 0}, 30, "the nearer wins"},
        {{0, 0, 0, 0}, 0, "entry 0 is strictly closer, its bit clear"},
        {{0, 0, 1, 0}, 50, "entry 0 ties with entry 50 and loses"},
        {{0, 1, 0, 0}, 0, "entry 0 is closer than entry 60 by the least there is"},
        {{255, 0, 0, 0}, 40, "the nearer wins"},
    };
    std::mt19937 random(10);
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<PaletteEntry> pixels;
    for (int i = 0; i < 4000; ++i) {
        pixels.push_back(i % 16 == 3 ? rules[i / 16 % std::size(rules)].colour
                                     : PaletteEntry{static_cast<std::uint8_t>(level(random)),
                                                    static_cast<std::uint8_t>(level(random)),
                                                    static_cast<std::uint8_t>(level(random)), 0});
    }
    std::vector<std::uint8_t> expected;
    std::uint64_t codes = 0;
    for (const PaletteEntry& c : pixels) {
        expected.push_back(static_cast<std::uint8_t>(palette->findNearest(c.red, c.green, c.blue)));
        const PaletteEntry& chosen = colors[expected.back()];
        const int dr = c.red - chosen.red;
        const int dg = c.green - chosen.green;
        const int db = c.blue - chosen.blue;
        codes += MatcherMemo::distanceCode(static_cast<std::uint32_t>(dr * dr + dg * dg + db * db));
    }
    const std::vector<std::uint8_t> bgr = bgrOf(pixels);
    for (const auto& rule : rules) {
        EXPECT_EQ(
            NearestMatcher(*palette).find(rule.colour.red, rule.colour.green, rule.colour.blue),
            rule.index)
            << rule.rule;
    }
    for (const NearestMatcher::Kernel kernel : availableKernels()) {
        SCOPED_TRACE(NearestMatcher::kernelName(kernel));
        std::vector<std::uint8_t> indices(pixels.size());
        NearestMatcher(*palette, kernel).mapPixels(bgr.data(), indices.data(), indices.size());
        EXPECT_EQ(indices, expected);
        MatchDistances distances;
        NearestMatcher(*palette, kernel)
            .mapPixels(bgr.data(), indices.data(), indices.size(), distances);
        EXPECT_EQ(indices, expected) << "measuring";
        EXPECT_EQ(distances.total, static_cast<double>(codes) / 128);
    }
}

// Runs of every length up to a few vectors' worth, each in a buffer of exactly its size,
// so that a kernel reading past the last pixel or writing past the last index shows up
// (under the address sanitizer) and every split between vector and odd pixels is taken.
TEST(NearestMatcher, RunsOfEveryLength) {
    std::mt19937 random(5);
    const PalettePtr palette = makePalette(randomColors(random, 256), maskOf(0, 254));
    std::uniform_int_distribution<int> level(0, 255);
    for (const NearestMatcher::Kernel kernel : availableKernels()) {
        SCOPED_TRACE(NearestMatcher::kernelName(kernel));
        NearestMatcher matcher(*palette, kernel);
        for (std::size_t count = 0; count <= 40; ++count) {
            std::vector<PaletteEntry> colors;
            std::vector<std::uint8_t> expected;
            for (std::size_t i = 0; i < count; ++i) {
                const PaletteEntry c{static_cast<std::uint8_t>(level(random)),
                                     static_cast<std::uint8_t>(level(random)),
                                     static_cast<std::uint8_t>(level(random)), 0};
                colors.push_back(c);
                expected.push_back(
                    static_cast<std::uint8_t>(palette->findNearest(c.red, c.green, c.blue)));
            }
            const std::vector<std::uint8_t> bgr = bgrOf(colors);
            std::vector<std::uint8_t> indices(count);
            matcher.mapPixels(bgr.data(), indices.data(), count);
            EXPECT_EQ(indices, expected) << count << " pixels";
            MatchDistances distances;
            matcher.mapPixels(bgr.data(), indices.data(), count, distances);
            EXPECT_EQ(indices, expected) << count << " pixels, measuring";
        }
    }
}

// Building costs nothing up front: cells are worked out for the colours that come, each
// once.
TEST(NearestMatcher, WorksOutOnlyTheCellsItsColoursFallIn) {
    std::mt19937 random(6);
    NearestMatcher matcher(*makePalette(randomColors(random, 256), maskOf(0, 254)));
    EXPECT_EQ(matcher.cellsBuilt(), 0u);

    // Two colours of one cell of 8 levels a side, one of another, each many times over.
    std::vector<PaletteEntry> colors;
    for (int i = 0; i < 100; ++i) {
        colors.insert(colors.end(), {{16, 16, 16, 0}, {23, 17, 22, 0}, {200, 100, 50, 0}});
    }
    const std::vector<std::uint8_t> bgr = bgrOf(colors);
    std::vector<std::uint8_t> indices(colors.size());
    matcher.mapPixels(bgr.data(), indices.data(), indices.size());
    EXPECT_EQ(matcher.cellsBuilt(), 2u);
    matcher.find(255, 255, 255);
    EXPECT_EQ(matcher.cellsBuilt(), 3u);
}

TEST(NearestMatcher, PruningKeepsFewCandidatesPerCell) {
    std::mt19937 random(3);
    NearestMatcher matcher(*makePalette(randomColors(random, 256), maskOf(0, 254)));
    std::uniform_int_distribution<int> level(0, 255);
    for (int i = 0; i < 4000; ++i) {
        matcher.find(static_cast<std::uint8_t>(level(random)),
                     static_cast<std::uint8_t>(level(random)),
                     static_cast<std::uint8_t>(level(random)));
    }
    EXPECT_GT(matcher.cellsBuilt(), 1000u);
    EXPECT_LT(matcher.averageCandidates(), 8.0);
    EXPECT_GE(matcher.averageCandidates(), 1.0);
}

// The distances, worked out here from the plain scan's choices, against what the matcher
// adds up: 13 x 11 pixels of a ramp with noise under a palette of the cube's corners, so that many
// pixels are far and some are exact, in two runs of uneven length.
TEST(NearestMatcher, AddsUpTheDistancesToTheChosenColours) {
    std::mt19937 random(8);
    const PalettePtr palette = makePalette(randomColors(random, 2), maskOf(0, 254));
    std::normal_distribution<double> noise(0.0, 20.0);
    const auto level = [&](double value) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(value + noise(random)), 0L, 255L));
    };
    std::vector<PaletteEntry> pixels;
    for (int i = 0; i < 13 * 11; ++i) {
        pixels.push_back(i % 10 == 0 ? palette->colors()[i % 7]
                                     : PaletteEntry{level(i * 1.7), level(255 - i), level(128), 0});
    }

    // No distance reaches 1000: nothing is counted, whatever the scale of the codes.
    for (const std::uint32_t far : {0u, 24u, 60u, 1000u}) {
        double total = 0.0;
        double largest = 0.0;
        std::uint64_t farCount = 0;
        for (const PaletteEntry& p : pixels) {
            const PaletteEntry& chosen =
                palette->colors()[palette->findNearest(p.red, p.green, p.blue)];
            const double distance =
                std::hypot(p.red - chosen.red, p.green - chosen.green, p.blue - chosen.blue);
            total += distance;
            largest = std::max(largest, distance);
            farCount += distance > far ? 1 : 0;
        }
        if (far < 1000) {
            ASSERT_GT(farCount, 0u) << "the case must have pixels farther than " << far;
        }

        const std::vector<std::uint8_t> bgr = bgrOf(pixels);
        for (const NearestMatcher::Kernel kernel : availableKernels()) {
            SCOPED_TRACE(std::string(NearestMatcher::kernelName(kernel)) + ", far " +
                         std::to_string(far));
            NearestMatcher matcher(*palette, kernel);
            MatchDistances distances;
            distances.farDistance = far;
            std::vector<std::uint8_t> indices(pixels.size());
            const std::size_t first = 37;
            matcher.mapPixels(bgr.data(), indices.data(), first, distances);
            matcher.mapPixels(bgr.data() + 3 * first, indices.data() + first, pixels.size() - first,
                              distances);
            // Kept in 128ths of a level, rounded up.
            EXPECT_GE(distances.total, total - 1e-9);
            EXPECT_LE(distances.total, total + static_cast<double>(pixels.size()) / 128);
            EXPECT_GE(distances.largest, largest - 1e-9);
            EXPECT_LE(distances.largest, largest + 1.0 / 128);
            EXPECT_EQ(distances.farCount, farCount);
        }
    }
}

// Each pixel's distance code is its root in 128ths rounded up, exactly: with a palette of
// black alone, the colours (red, green, 0) have every distance that a sum of two squares
// gives, among them those whose root lies within a rounding error of a whole 128th.
TEST(NearestMatcher, AddsUpExactDistanceCodes) {
    const PalettePtr palette = makePalette(Colors{}, maskOf(0, 254));
    std::vector<PaletteEntry> pixels;
    std::uint64_t codes = 0;
    std::uint32_t largest = 0;
    for (int red = 0; red < 256; ++red) {
        for (int green = 0; green < 256; ++green) {
            pixels.push_back(
                {static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green), 0, 0});
            const std::uint32_t code =
                MatcherMemo::distanceCode(static_cast<std::uint32_t>(red * red + green * green));
            codes += code;
            largest = std::max(largest, code);
        }
    }
    const std::vector<std::uint8_t> bgr = bgrOf(pixels);
    for (const NearestMatcher::Kernel kernel : availableKernels()) {
        SCOPED_TRACE(NearestMatcher::kernelName(kernel));
        MatchDistances distances;
        std::vector<std::uint8_t> indices(pixels.size());
        NearestMatcher(*palette, kernel)
            .mapPixels(bgr.data(), indices.data(), indices.size(), distances);
        EXPECT_EQ(distances.total, static_cast<double>(codes) / 128);
        EXPECT_EQ(distances.largest, static_cast<double>(largest) / 128);
    }
}

// At the border: a distance of exactly n is not farther than n, the square root of n^2 + 1
// is, however little more that is. With a palette of black alone every pixel's distance is
// its own length.
TEST(NearestMatcher, CountsOnlyDistancesBeyondTheLimit) {
    const PalettePtr palette = makePalette(Colors{}, maskOf(0, 254));
    for (const int limit : {24, 100, 250}) {
        const auto level = static_cast<std::uint8_t>(limit);
        std::vector<PaletteEntry> pixels;
        for (int i = 0; i < 8; ++i) { // enough for the vector loops
            pixels.insert(pixels.end(), {{level, 0, 0, 0}, {level, 1, 0, 0}, {0, 0, 0, 0}});
        }
        const std::vector<std::uint8_t> bgr = bgrOf(pixels);
        for (const NearestMatcher::Kernel kernel : availableKernels()) {
            SCOPED_TRACE(std::string(NearestMatcher::kernelName(kernel)) + ", limit " +
                         std::to_string(limit));
            MatchDistances distances;
            distances.farDistance = static_cast<std::uint32_t>(limit);
            std::vector<std::uint8_t> indices(pixels.size());
            NearestMatcher(*palette, kernel)
                .mapPixels(bgr.data(), indices.data(), indices.size(), distances);
            EXPECT_EQ(distances.farCount, 8u);
            EXPECT_NEAR(distances.largest, std::sqrt(limit * limit + 1.0), 1.0 / 128);
        }
    }
}

} // namespace
