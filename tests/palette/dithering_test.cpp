#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "palette/error_diffusion.h"
#include "palette/ordered_dither.h"

namespace {

using Grid = std::vector<std::vector<int>>; // rows from the top
enum class Method { Diffusion, Ordered };

// A palette of these entries, only `allowed` of them matched; the rest stay black.
PalettePtr paletteOf(const std::vector<PaletteEntry>& entries, const std::vector<int>& allowed) {
    PalettePtr palette(Palette::create());
    std::copy(entries.begin(), entries.end(), palette->colors());
    std::fill(palette->matchMask.words, palette->matchMask.words + PaletteSize / 32, 0u);
    for (const int i : allowed) {
        palette->matchMask.setRange(i, i);
    }
    return palette;
}

PaletteEntry grey(int level) {
    const auto l = static_cast<std::uint8_t>(level);
    return {l, l, l, 0};
}

// The picture's pixels mapped by `method`, `piece` pixels at a time, each index a pixel.
std::vector<std::uint8_t> dither(Method method, const NearestColour& nearest,
                                 const std::vector<std::uint8_t>& bgr, int width, int height,
                                 int piece, MatchDistances* distances = nullptr) {
    std::vector<std::uint8_t> indices(bgr.size() / 3);
    if (method == Method::Diffusion) {
        ErrorDiffusion diffusion;
        EXPECT_TRUE(diffusion.reserve(width));
        EXPECT_TRUE(diffusion.start({bgr.data(), 3 * width, indices.data(), width, width, height}));
        while (!diffusion.finished()) {
            diffusion.mapNext(nearest, piece, distances);
        }
        return indices;
    }
    const OrderedDither ordered(nearest.palette);
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; column += piece) {
            const int at = row * width + column;
            ordered.mapPixels(nearest, bgr.data() + 3 * at, indices.data() + at,
                              std::min(piece, width - column), row, column, distances);
        }
    }
    return indices;
}

std::vector<std::uint8_t> greyPixels(const Grid& levels) {
    std::vector<std::uint8_t> bgr;
    for (const auto& row : levels) {
        for (const int level : row) {
            bgr.insert(bgr.end(), 3, static_cast<std::uint8_t>(level));
        }
    }
    return bgr;
}

// Black at entry 0, matched only when strictly nearer than every allowed grey (so 50 goes to
// 100); 255, 100 and 140 allowed. Nearest: 0 to 49 black, 50 to 120 entry 2 (120 is a tie
// that the lower index wins), 121 to 197 entry 3, 198 up white.
TEST(DitheringTest, HandWorkedPicturesGiveTheExpectedIndicesInAnyPieces) {
    const PalettePtr palette = paletteOf({grey(0), grey(255), grey(100), grey(140)}, {1, 2, 3});
    EXPECT_EQ(OrderedDither(*palette).spread(), 69); // median of 40, 40 and 115 greys: 69.3
    struct Case {
        Method method;
        Grid picture;
        Grid expected;
    };
    const Case cases[] = {
        // Row 0: 185 gets entry 3 and passes 45 on, 7/16 of it rounded to 20: 30 asks for 50,
        // which gets entry 2 and passes -50 on: 0 asks for -22, clamped to 0, gets black,
        // and passes nothing on. Row 1 goes right to left.
        {Method::Diffusion,
         {{185, 30, 0, 60}, {200, 235, 45, 190}, {170, 195, 215, 110}},
         {{3, 2, 0, 2}, {3, 1, 2, 3}, {3, 1, 3, 3}}},
        // Thresholds (69 (2v + 1 - 64) + 64) >> 7 of the Bayer values v: row 0 -34, 1, -25, 9;
        // row 1 18, -17, 26, -8; row 2 -21, 13, -30, 5. 250 + 13 clamps to 255; 10 - 30
        // clamps to black.
        {Method::Ordered,
         {{120, 10, 130, 150}, {10, 205, 150, 130}, {150, 250, 10, 190}},
         {{2, 0, 2, 3}, {0, 3, 3, 3}, {3, 1, 0, 3}}},
    };
    NearestMatcher matcher(*palette);
    for (const Case& c : cases) {
        std::vector<std::uint8_t> expected;
        for (const auto& row : c.expected) {
            expected.insert(expected.end(), row.begin(), row.end());
        }
        for (const int piece : {1, 3, 12}) {
            for (NearestMatcher* through : {&matcher, static_cast<NearestMatcher*>(nullptr)}) {
                SCOPED_TRACE(::testing::Message() << "ordered " << (c.method == Method::Ordered)
                                                  << ", pieces of " << piece);
                EXPECT_EQ(dither(c.method, {*palette, through}, greyPixels(c.picture), 4, 3, piece),
                          expected);
            }
        }
    }
}

// Red 127 lies between entries 3 (red 102) and 4 (153) of a cube of spacing 51; entries 217 up,
// not allowed, hold the very colour; entry 0 is far from it.
TEST(DitheringTest, AFlatAreaBetweenTwoEntriesBecomesAMixOfBothWithItsColourOnAverage) {
    std::vector<PaletteEntry> entries(PaletteSize, PaletteEntry{127, 0, 0, 0});
    entries[0] = {10, 200, 10, 0};
    std::vector<int> allowed;
    for (int i = 0; i < 216; ++i) {
        entries[static_cast<std::size_t>(i + 1)] = {static_cast<std::uint8_t>(i % 6 * 51),
                                                    static_cast<std::uint8_t>(i / 6 % 6 * 51),
                                                    static_cast<std::uint8_t>(i / 36 * 51), 0};
        allowed.push_back(i + 1);
    }
    const PalettePtr palette = paletteOf(entries, allowed);
    NearestMatcher matcher(*palette);
    constexpr int Side = 64;
    std::vector<std::uint8_t> bgr;
    for (int i = 0; i < Side * Side; ++i) {
        bgr.insert(bgr.end(), {0, 0, 127});
    }
    for (const Method method : {Method::Diffusion, Method::Ordered}) {
        const auto indices = dither(method, {*palette, &matcher}, bgr, Side, Side, Side);
        const auto upper = std::count(indices.begin(), indices.end(), 4);
        EXPECT_EQ(std::count(indices.begin(), indices.end(), 3) + upper, Side * Side);
        const double red = (102.0 * (Side * Side - upper) + 153.0 * upper) / (Side * Side);
        EXPECT_NEAR(red, 127.0, 1.0);
    }
}

// Whatever loops the matcher runs, or none, a picture dithers to the same indices; the
// figures measure each pixel's own colour against the colour it got.
TEST(DitheringTest, EveryKernelAndThePlainScanGiveTheSameIndicesAndFigures) {
    std::mt19937 random(27);
    std::uniform_int_distribution<int> level(0, 255);
    std::vector<PaletteEntry> entries(PaletteSize);
    std::vector<int> allowed;
    for (int i = 0; i < PaletteSize; ++i) {
        entries[static_cast<std::size_t>(i)] = {static_cast<std::uint8_t>(level(random)),
                                                static_cast<std::uint8_t>(level(random)),
                                                static_cast<std::uint8_t>(level(random)), 0};
        if (i % 3 == 1) {
            allowed.push_back(i); // entry 0 can still win by its own rule
        }
    }
    const PalettePtr palette = paletteOf(entries, allowed);
    constexpr int Width = 101;
    constexpr int Height = 37;
    std::vector<std::uint8_t> bgr(3 * Width * Height);
    for (std::size_t i = 0; i < bgr.size(); ++i) {
        bgr[i] = static_cast<std::uint8_t>(i % 3 * 40 + i / 3 % Width + level(random) / 8);
    }
    for (const Method method : {Method::Diffusion, Method::Ordered}) {
        MatchDistances figures;
        const auto expected =
            dither(method, {*palette, nullptr}, bgr, Width, Height, 700, &figures);
        double total = 0.0;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const PaletteEntry& got = palette->colors()[expected[i]];
            total += std::hypot(bgr[3 * i + 2] - got.red, bgr[3 * i + 1] - got.green,
                                bgr[3 * i] - got.blue);
        }
        EXPECT_NEAR(figures.total, total, expected.size() / 128.0);
        EXPECT_GE(figures.total, total - 1e-6);
        for (const auto kernel : {NearestMatcher::Kernel::Portable, NearestMatcher::Kernel::Sse2,
                                  NearestMatcher::Kernel::Avx2}) {
            if (NearestMatcher::kernelAvailable(kernel)) {
                NearestMatcher matcher(*palette, kernel);
                EXPECT_EQ(dither(method, {*palette, &matcher}, bgr, Width, Height, 1000), expected)
                    << NearestMatcher::kernelName(kernel);
            }
        }
    }
}

} // namespace
