// The game palette as GIMP and Photoshop palettes.

#include <numeric>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "palette/palette.h"
#include "palette/palette_export.h"
#include "tests/support/file_bytes.h"
#include "tests/support/file_probes.h"
#include "tests/support/memory_stream.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;

// Entry i is red i, green 255 - i, blue 7; the mask allows exactly `allowed`.
PalettePtr paletteAllowing(const std::vector<int>& allowed) {
    PalettePtr palette(Palette::create());
    EXPECT_NE(palette, nullptr);
    for (int i = 0; i < PaletteSize; ++i) {
        palette->colors()[i] =
            PaletteEntry{static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7, 0};
    }
    for (std::int32_t word = 0; word < palette->matchMask.wordCount; ++word) {
        palette->matchMask.words[word] = 0;
    }
    for (const int index : allowed) {
        palette->matchMask.setRange(index, index);
    }
    return palette;
}

// Every index from `first` to `last`.
std::vector<int> indices(int first, int last) {
    std::vector<int> all(static_cast<std::size_t>(last - first + 1));
    std::iota(all.begin(), all.end(), first);
    return all;
}

std::string gimpText(const Palette& palette, const char* title) {
    MemoryStream stream;
    EXPECT_TRUE(writeGimpPalette(stream, palette, title));
    return std::string(stream.bytes().begin(), stream.bytes().end());
}

Bytes photoshopBytes(const Palette& palette) {
    MemoryStream stream;
    EXPECT_TRUE(writePhotoshopTable(stream, palette));
    return stream.bytes();
}

// What the table must hold: red i, green 255 - i, blue 7 up to `inUse`, black after.
Bytes expectedTable(int inUse) {
    Bytes table;
    for (int i = 0; i < PaletteSize; ++i) {
        if (i < inUse) {
            append(table, {u8(static_cast<std::uint8_t>(i)), u8(static_cast<std::uint8_t>(255 - i)),
                           u8(7)});
        } else {
            append(table, {repeat(3, 0)});
        }
    }
    append(table, {{static_cast<std::uint8_t>(inUse >> 8), static_cast<std::uint8_t>(inUse)},
                   {0xFF, 0xFF}}); // colours in use, then no transparent one: big-endian
    return table;
}

TEST(GimpPalette, HoldsTheAllowedEntriesNamedByIndex) {
    const auto palette = paletteAllowing({0, 9, 100, 255});
    EXPECT_EQ(gimpText(*palette, "knights"),
              "GIMP Palette\n"
              "Name: knights\n"
              "Columns: 16\n"
              "# The colours skinremap may choose, each named by its index in the game palette\n"
              "  0 255   7\t0\n"
              "  9 246   7\t9\n"
              "100 155   7\t100\n"
              "255   0   7\t255\n");
}

TEST(GimpPalette, TitleStaysOnItsLine) {
    const auto palette = paletteAllowing({});
    const std::string text = gimpText(*palette, "two\nlines\tand\x7F");
    EXPECT_EQ(text.substr(0, text.find("Columns")), "GIMP Palette\nName: two lines and \n");
}

TEST(PhotoshopTable, EntriesKeepTheirPlacesUpToTheLastAllowed) {
    struct Case {
        const char* what;
        std::vector<int> allowed;
        int inUse;
    };
    const Case cases[] = {
        {"what a run allows", indices(0, 254), 255},
        {"entry 255 as well", indices(0, 255), 256},
        {"a gap below the last", {0, 1, 5}, 6},
        {"nothing", {}, 0},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        EXPECT_EQ(photoshopBytes(*paletteAllowing(test.allowed)), expectedTable(test.inUse));
    }
}

TEST(PaintPalettes, FailingStreamFailsTheWrite) {
    const auto palette = paletteAllowing({1, 2, 3});
    for (const std::int64_t budget : {0, 10, 100}) {
        SCOPED_TRACE(budget);
        MemoryStream gimp;
        gimp.failAfter(budget);
        EXPECT_FALSE(writeGimpPalette(gimp, *palette, "x"));
        MemoryStream photoshop;
        photoshop.failAfter(budget);
        EXPECT_FALSE(writePhotoshopTable(photoshop, *palette));
    }
}

TEST(PaintPaletteFile, WritesTheFormatAskedAndKeepsTheOldFileOnFailure) {
    TempDir dir;
    const auto palette = paletteAllowing({4, 5});
    const std::string gpl = dir.file("game.gpl");
    const std::string act = dir.file("game.act");
    ASSERT_TRUE(writePaintPaletteFile(gpl.c_str(), *palette, PaintPaletteFormat::Gimp, "game"));
    ASSERT_TRUE(writePaintPaletteFile(act.c_str(), *palette, PaintPaletteFormat::Photoshop, ""));
    const Bytes gimp = readBytes(gpl);
    EXPECT_EQ(std::string(gimp.begin(), gimp.end()), gimpText(*palette, "game"));
    EXPECT_EQ(readBytes(act), expectedTable(6));
    {
        const DiskFullAfter full(20);
        EXPECT_FALSE(writePaintPaletteFile(act.c_str(), *paletteAllowing({}),
                                           PaintPaletteFormat::Photoshop, ""));
    }
    EXPECT_EQ(readBytes(act), expectedTable(6));
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"game.act", "game.gpl"}));
}

} // namespace
