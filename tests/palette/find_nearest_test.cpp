#include <gtest/gtest.h>

#include <random>

#include "palette/palette.h"

namespace {

PalettePtr newPalette() {
    PalettePtr palette(Palette::create());
    EXPECT_NE(palette, nullptr);
    return palette;
}

void clearMask(Palette& palette) {
    std::fill(palette.matchMask.words, palette.matchMask.words + 8, 0u);
}

void setColor(Palette& palette, int index, int red, int green, int blue) {
    palette.colors()[index] =
        PaletteEntry{static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green),
                     static_cast<std::uint8_t>(blue), 0};
}

TEST(FindNearest, NewPaletteAnswersTheFirstAllowedEntry) {
    auto palette = newPalette();
    // All entries are black: every allowed entry ties, the lowest wins, entry 0 only ties.
    for (int value : {0, 1, 128, 255}) {
        EXPECT_EQ(palette->findNearest(value, value, value), 10);
        EXPECT_EQ(palette->findNearest(value, 255 - value, 7), 10);
    }
    palette->matchMask.setRange(0, 254);
    EXPECT_EQ(palette->findNearest(0, 0, 0), 0);
    EXPECT_EQ(palette->findNearest(255, 17, 3), 0);
}

TEST(FindNearest, EntryZeroWinsOnlyWhenStrictlyCloser) {
    auto palette = newPalette();
    for (int i = 1; i < PaletteSize; ++i) {
        setColor(*palette, i, 200, 200, 200);
    }
    // Bit 0 is clear, yet black entry 0 is strictly closer to black than any allowed entry.
    EXPECT_EQ(palette->findNearest(0, 0, 0), 0);
    EXPECT_EQ(palette->findNearest(200, 200, 200), 10);
    // Exactly half-way: entry 0 ties and loses.
    setColor(*palette, 0, 0, 0, 0);
    setColor(*palette, 10, 20, 0, 0);
    EXPECT_EQ(palette->findNearest(10, 0, 0), 10);
    EXPECT_EQ(palette->findNearest(9, 0, 0), 0);
}

TEST(FindNearest, TiesGoToTheLowerIndexAndExactMatchesStay) {
    auto palette = newPalette();
    for (int i = 0; i < PaletteSize; ++i) {
        setColor(*palette, i, 255, 255, 255);
    }
    setColor(*palette, 100, 50, 0, 0);
    setColor(*palette, 40, 70, 0, 0);
    EXPECT_EQ(palette->findNearest(60, 0, 0), 40);
    setColor(*palette, 30, 60, 0, 0);
    setColor(*palette, 200, 60, 0, 0);
    EXPECT_EQ(palette->findNearest(60, 0, 0), 30);
    // The three components weigh the same.
    setColor(*palette, 50, 0, 0, 5);
    setColor(*palette, 51, 0, 5, 0);
    setColor(*palette, 52, 5, 0, 0);
    EXPECT_EQ(palette->findNearest(0, 0, 0), 50);
}

TEST(FindNearest, EmptyMaskAndEntriesBeyondCount) {
    auto palette = newPalette();
    setColor(*palette, 0, 255, 255, 255);
    clearMask(*palette);
    EXPECT_EQ(palette->findNearest(0, 0, 0), 0);
    EXPECT_EQ(palette->findNearest(255, 255, 255), 0);

    auto small = newPalette();
    small->count = 16;
    setColor(*small, 200, 1, 2, 3);
    EXPECT_EQ(small->findNearest(1, 2, 3), 200);
}

TEST(FindNearest, ArgumentsFarOutsideTheByteRangeStayDefined) {
    auto palette = newPalette();
    // Distances beyond the start value leave the start index, unless entry 0 wraps closer.
    EXPECT_EQ(palette->findNearest(5000, 0, 0), 255);
    // 46341 squared wraps to a negative 32-bit value, which then compares as the smallest.
    EXPECT_EQ(palette->findNearest(46341, 0, 0), 10);
    // Differences of 2^31, 2^31 - 1 and 2^32 - 1 square to 0, 1 and 1 modulo 2^32.
    EXPECT_EQ(palette->findNearest(INT32_MIN, INT32_MAX, -1), 10);
}

// The rule written the obvious way, in 64-bit arithmetic, for components in 0..255.
int independentNearest(const Palette& palette, int red, int green, int blue) {
    auto distance = [&](int i) {
        const PaletteEntry& e = palette.colors()[i];
        const std::int64_t dr = red - e.red, dg = green - e.green, db = blue - e.blue;
        return dr * dr + dg * dg + db * db;
    };
    int best = -1;
    for (int i = 0; i < PaletteSize; ++i) {
        if (palette.matchMask.test(i) && (best < 0 || distance(i) < distance(best))) {
            best = i;
        }
    }
    if (best < 0 || distance(0) < distance(best)) {
        return 0;
    }
    return best;
}

TEST(FindNearest, AgreesWithAnIndependentFormulation) {
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 40; ++round) {
        auto palette = newPalette();
        // Few distinct colours give many ties; sparse masks exercise entry 0's rule.
        const int spread = round % 2 == 0 ? 255 : 3;
        for (int i = 0; i < PaletteSize; ++i) {
            setColor(*palette, i, byte(random) % (spread + 1), byte(random) % (spread + 1),
                     byte(random) % (spread + 1));
        }
        for (int w = 0; w < 8; ++w) {
            std::uint32_t word = random();
            if (round % 4 == 1) {
                word &= random() & random() & random();
            }
            palette->matchMask.words[w] = word;
        }
        for (int probe = 0; probe < 500; ++probe) {
            const int r = byte(random), g = byte(random), b = byte(random);
            ASSERT_EQ(palette->findNearest(r, g, b), independentNearest(*palette, r, g, b))
                << "round " << round << " colour " << r << "," << g << "," << b;
        }
    }
}

} // namespace
