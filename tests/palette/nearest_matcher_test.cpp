#include "palette/nearest_matcher.h"

#include <algorithm>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

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

// Every probe colour through find (twice: the second pass answers from the memo), then
// through mapPixels on a fresh matcher, interleaved with white: every memo slot starts out
// holding white's answer.
void expectSameAsFindNearest(const Palette& palette, const std::vector<PaletteEntry>& probes) {
    std::vector<std::uint8_t> expected;
    for (const PaletteEntry& c : probes) {
        expected.push_back(static_cast<std::uint8_t>(palette.findNearest(c.red, c.green, c.blue)));
    }

    NearestMatcher matcher(palette);
    int mismatches = 0;
    for (int pass = 0; pass < 2; ++pass) {
        for (std::size_t i = 0; i < probes.size(); ++i) {
            const PaletteEntry& c = probes[i];
            const std::uint8_t actual = matcher.find(c.red, c.green, c.blue);
            if (actual != expected[i] && ++mismatches <= 5) {
                ADD_FAILURE() << "colour " << int(c.red) << "," << int(c.green) << ","
                              << int(c.blue) << ": " << int(actual) << " instead of "
                              << int(expected[i]);
            }
        }
    }
    EXPECT_EQ(mismatches, 0);

    const auto white = static_cast<std::uint8_t>(palette.findNearest(255, 255, 255));
    std::vector<std::uint8_t> bgr;
    std::vector<std::uint8_t> expectedPixels;
    for (std::size_t i = 0; i < probes.size(); ++i) {
        bgr.insert(bgr.end(), {probes[i].blue, probes[i].green, probes[i].red, 255, 255, 255});
        expectedPixels.insert(expectedPixels.end(), {expected[i], white});
    }
    std::vector<std::uint8_t> indices(expectedPixels.size(), 0xEE);
    NearestMatcher(palette).mapPixels(bgr.data(), indices.data(), indices.size());
    EXPECT_EQ(indices, expectedPixels);
}

class NearestMatcherTest : public ::testing::TestWithParam<MatchCase> {};

TEST_P(NearestMatcherTest, AgreesWithFindNearest) {
    const MatchCase& param = GetParam();
    const PalettePtr palette = makePalette(param.colors, param.allowed);
    expectSameAsFindNearest(*palette, probeColors(param.colors));
}

INSTANTIATE_TEST_SUITE_P(Palettes, NearestMatcherTest, ::testing::ValuesIn(matchCases()),
                         [](const auto& info) { return info.param.name; });

TEST(NearestMatcher, AgreesWithFindNearestOnALoadedPalette) {
    const PalettePtr palette(Palette::loadFile("palette-data/cpc-sample-256.pal"));
    ASSERT_NE(palette, nullptr);
    palette->matchMask.setRange(0, 254);
    Colors colors{};
    std::copy_n(palette->colors(), PaletteSize, colors.begin());
    expectSameAsFindNearest(*palette, probeColors(colors));
}

TEST(NearestMatcher, RulesOfTheScanOnAKnownPalette) {
    Colors colors{};
    colors[20] = {100, 100, 100, 0};
    colors[30] = {110, 100, 100, 0};
    colors[40] = {200, 0, 0, 0};
    colors[50] = {2, 0, 0, 0};
    Mask mask{};
    for (std::size_t allowed : {20, 30, 40, 50}) {
        mask[allowed] = true;
    }
    NearestMatcher matcher(*makePalette(colors, mask));

    EXPECT_EQ(matcher.find(105, 100, 100), 20) << "a tie goes to the lower index";
    EXPECT_EQ(matcher.find(108, 100, 100), 30);
    EXPECT_EQ(matcher.find(0, 0, 0), 0) << "entry 0 is strictly closer, its bit clear";
    EXPECT_EQ(matcher.find(1, 0, 0), 50) << "entry 0 ties with entry 50 and loses";
    EXPECT_EQ(matcher.find(255, 0, 0), 40);
}

TEST(NearestMatcher, PruningKeepsFewCandidatesPerCell) {
    std::mt19937 random(3);
    NearestMatcher matcher(*makePalette(randomColors(random, 256), maskOf(0, 254)));
    EXPECT_LT(matcher.averageCandidates(), 8.0);
    EXPECT_GE(matcher.averageCandidates(), 1.0);
}

} // namespace
