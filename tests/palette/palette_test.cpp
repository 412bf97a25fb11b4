#include "palette/palette.h"

#include <array>
#include <cstring>
#include <gtest/gtest.h>

namespace {

PalettePtr newPalette() {
    PalettePtr palette(Palette::create());
    EXPECT_NE(palette, nullptr);
    return palette;
}

std::array<PaletteEntry, PaletteSize> numberedEntries() {
    std::array<PaletteEntry, PaletteSize> entries{};
    for (int i = 0; i < PaletteSize; ++i) {
        entries[i] =
            PaletteEntry{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(i + 1),
                         static_cast<std::uint8_t>(i + 2), static_cast<std::uint8_t>(i + 3)};
    }
    return entries;
}

bool sameEntry(const PaletteEntry& a, const PaletteEntry& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(Palette, CreateGivesTheDefaults) {
    const std::uint32_t counter = paletteChangeCounter;
    auto palette = newPalette();
    EXPECT_EQ(palette->changeNumber, counter);
    EXPECT_EQ(paletteChangeCounter, counter + 1);
    EXPECT_EQ(palette->version, 0x300);
    EXPECT_EQ(palette->count, 256);
    EXPECT_EQ(palette->subPaletteCount, 1);
    EXPECT_EQ(palette->subPalettes[0].paletteIndex, 0);
    EXPECT_EQ(palette->subPalettes[0].kind, 0);
    EXPECT_EQ(palette->tableBlock, nullptr);
    EXPECT_EQ(palette->auxTable, nullptr);
    for (const PaletteEntry& entry : palette->subPalettes[0].colors) {
        EXPECT_TRUE(sameEntry(entry, PaletteEntry{}));
    }
    const std::uint32_t expected[8] = {0x003FFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF,
                                       0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFC00};
    ASSERT_EQ(palette->matchMask.wordCount, 8);
    EXPECT_EQ(std::memcmp(palette->matchMask.words, expected, sizeof expected), 0);

    // The leading fields read as a LOGPALETTE: version, count, then the entries.
    palette->colors()[1].green = 0x77;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(palette.get());
    EXPECT_EQ(bytes[0] | bytes[1] << 8, 0x300);
    EXPECT_EQ(bytes[2] | bytes[3] << 8, 256);
    EXPECT_EQ(bytes[4 + 4 * 1 + 1], 0x77);
}

TEST(Palette, EntriesMoveCountEntriesAndTouch) {
    auto palette = newPalette();
    const auto entries = numberedEntries();
    palette->count = 16;
    const std::uint32_t number = palette->changeNumber;
    const std::uint32_t counter = paletteChangeCounter;
    palette->setEntries(entries.data());
    EXPECT_EQ(palette->changeNumber, number + 1);
    EXPECT_EQ(paletteChangeCounter, counter + 1);
    EXPECT_TRUE(sameEntry(palette->colors()[15], entries[15]));
    EXPECT_TRUE(sameEntry(palette->colors()[16], PaletteEntry{}));

    std::array<PaletteEntry, PaletteSize> out{};
    out.fill(PaletteEntry{9, 9, 9, 9});
    palette->getEntries(out.data());
    EXPECT_TRUE(sameEntry(out[15], entries[15]));
    EXPECT_TRUE(sameEntry(out[16], (PaletteEntry{9, 9, 9, 9})));

    // A count beyond the palette moves the 256 entries there are, no more.
    palette->count = 1000;
    palette->setEntries(entries.data());
    EXPECT_TRUE(sameEntry(palette->colors()[255], entries[255]));

    auto copy = PalettePtr(Palette::createFromEntries(entries.data()));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(std::memcmp(copy->colors(), entries.data(), sizeof entries), 0);
}

TEST(Palette, PackedColorsConvertAllEntriesEvenInPlace) {
    std::array<std::uint32_t, PaletteSize> words{};
    for (int i = 0; i < PaletteSize; ++i) {
        words[i] = 0x00123456u + static_cast<std::uint32_t>(i) * 0x010101u;
    }
    words[1] = 0xAB123456u; // the top byte plays no part

    auto separate = newPalette();
    separate->count = 16; // conversion covers all 256 entries regardless
    const std::uint32_t number = separate->changeNumber;
    separate->setPackedColors(words.data());
    EXPECT_EQ(separate->changeNumber, number + 1);
    EXPECT_TRUE(sameEntry(separate->colors()[0], (PaletteEntry{0x12, 0x34, 0x56, 4})));
    EXPECT_TRUE(sameEntry(separate->colors()[1], (PaletteEntry{0x12, 0x34, 0x56, 4})));
    // Word 255 is 0x01123455: the carry lands in the ignored top byte.
    EXPECT_TRUE(sameEntry(separate->colors()[255], (PaletteEntry{0x12, 0x34, 0x55, 4})));

    // In place: the colour area holds the words, as a BMP colour table read straight in.
    auto inPlace = newPalette();
    std::memcpy(static_cast<void*>(inPlace->colors()), words.data(), sizeof words);
    inPlace->setPackedColors(reinterpret_cast<const std::uint32_t*>(inPlace->colors()));
    EXPECT_EQ(std::memcmp(inPlace->colors(), separate->colors(), sizeof words), 0);

    auto packed = PalettePtr(Palette::createFromPacked(words.data()));
    ASSERT_NE(packed, nullptr);
    EXPECT_EQ(std::memcmp(packed->colors(), separate->colors(), sizeof words), 0);
}

TEST(Palette, QuadsAreBlueGreenRedZero) {
    auto palette = newPalette();
    palette->count = 16;
    palette->colors()[0] = PaletteEntry{1, 2, 3, 4};
    palette->colors()[255] = PaletteEntry{5, 6, 7, 8};
    std::array<std::uint8_t, 4 * PaletteSize> quads{};
    quads.fill(0xEE);
    palette->getQuads(quads.data());
    EXPECT_EQ((std::array<std::uint8_t, 4>{quads[0], quads[1], quads[2], quads[3]}),
              (std::array<std::uint8_t, 4>{3, 2, 1, 0}));
    EXPECT_EQ((std::array<std::uint8_t, 4>{quads[1020], quads[1021], quads[1022], quads[1023]}),
              (std::array<std::uint8_t, 4>{7, 6, 5, 0}));
}

TEST(Palette, DefaultColorsWriteSixteenEntriesWithoutTouching) {
    auto palette = newPalette();
    for (PaletteEntry& entry : palette->subPalettes[0].colors) {
        entry = PaletteEntry{1, 1, 1, 9};
    }
    const std::uint32_t number = palette->changeNumber;
    const std::uint32_t counter = paletteChangeCounter;
    palette->setDefaultColors();
    EXPECT_EQ(palette->changeNumber, number);
    EXPECT_EQ(paletteChangeCounter, counter);
    EXPECT_TRUE(sameEntry(palette->colors()[0], (PaletteEntry{0, 0, 0, 9})));
    EXPECT_TRUE(sameEntry(palette->colors()[7], (PaletteEntry{192, 192, 192, 9})));
    EXPECT_TRUE(sameEntry(palette->colors()[8], (PaletteEntry{1, 1, 1, 9})));
    EXPECT_TRUE(sameEntry(palette->colors()[247], (PaletteEntry{1, 1, 1, 9})));
    EXPECT_TRUE(sameEntry(palette->colors()[248], (PaletteEntry{128, 128, 128, 9})));
    EXPECT_TRUE(sameEntry(palette->colors()[252], (PaletteEntry{0, 0, 255, 9})));
    EXPECT_TRUE(sameEntry(palette->colors()[255], (PaletteEntry{255, 255, 255, 9})));
}

TEST(Palette, AuxTableIsZeroedAndReplaced) {
    auto palette = newPalette();
    ASSERT_TRUE(palette->allocAuxTable());
    palette->auxTable[5] = 7;
    ASSERT_TRUE(palette->allocAuxTable());
    for (int i = 0; i < Palette::AuxTableSize; ++i) {
        ASSERT_EQ(palette->auxTable[i], 0) << i;
    }
    palette->freeAuxTable();
    EXPECT_EQ(palette->auxTable, nullptr);
    Palette::release(nullptr);
}

} // namespace
