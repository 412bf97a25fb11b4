#include <cstring>
#include <gtest/gtest.h>

#include "palette/palette.h"
#include "tests/palette/palette_bytes.h"
#include "tests/support/memory_stream.h"
#include "tests/support/sample_files.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::Bytes;
using testing_support::MemoryStream;

// A RIFF palette of `entries` test colours, with the data size `dataSize` when given; the
// count beside the version is not trusted by the reader.
Bytes riffPalette(int entries, std::optional<std::uint32_t> dataSize = std::nullopt) {
    const Bytes colors = palette_testing::testColors(0x40);
    return testing_support::riffPalette(Bytes(colors.begin(), colors.begin() + 4 * entries),
                                        dataSize);
}

PalettePtr load(const std::vector<std::uint8_t>& bytes) {
    MemoryStream stream(bytes);
    return PalettePtr(Palette::loadStream(stream));
}

float tableFloat(const Palette& palette, std::int32_t table, int j) {
    float value = 0;
    std::memcpy(&value, palette.table(table) + 4 * j, sizeof value);
    return value;
}

TEST(RiffPalette, FullPaletteLoadsWithComputedTables) {
    auto palette = load(riffPalette(256));
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->count, 256);
    EXPECT_EQ(palette->version, 0x300);
    EXPECT_EQ(palette->subPaletteCount, 1);
    const SubPalette& set = palette->subPalettes[0];
    EXPECT_EQ(set.paletteIndex, -1);
    EXPECT_EQ(set.kind, 0);
    EXPECT_EQ(set.levelTable, NoTable);
    EXPECT_EQ(set.pairTable, NoTable);
    EXPECT_EQ(palette->matchMask.words[0], 0x003FFFFFu); // the construction default stays
    EXPECT_EQ(palette->matchMask.words[7], 0xFFFFFC00u);
    EXPECT_EQ(palette->colors()[200].red, 200);
    EXPECT_EQ(palette->colors()[200].green, 55);
    EXPECT_EQ(palette->colors()[200].flags, 0x40);
    for (int j = 0; j < 256; ++j) {
        EXPECT_EQ(palette->table(set.indexTable)[j], j);
        EXPECT_EQ(tableFloat(*palette, set.redTable, j), static_cast<float>(j) / 255.0f);
        EXPECT_EQ(tableFloat(*palette, set.greenTable, j), static_cast<float>(255 - j) / 255.0f);
        EXPECT_EQ(tableFloat(*palette, set.fourthTable, j), 64.0f / 255.0f);
    }
    EXPECT_EQ(set.greenTable - set.indexTable, 1280);
    EXPECT_EQ(set.fourthTable - set.indexTable, 3328);
}

TEST(RiffPalette, ShortPaletteKeepsTheEntriesBeyondIt) {
    PalettePtr palette(Palette::create());
    for (PaletteEntry& entry : palette->subPalettes[0].colors) {
        entry = PaletteEntry{9, 8, 7, 6};
    }
    MemoryStream stream(riffPalette(16));
    ASSERT_TRUE(palette->readFromStream(stream));
    EXPECT_EQ(palette->count, 16);
    EXPECT_EQ(palette->colors()[15].red, 15);
    EXPECT_EQ(palette->colors()[16].red, 9);
    EXPECT_EQ(palette->colors()[255].flags, 6);
}

TEST(RiffPalette, ReadsFromTheRiffTagOrJustAfterIt) {
    const Bytes file = riffPalette(256);
    PalettePtr fromTag(Palette::create());
    PalettePtr fromForm(Palette::create());
    MemoryStream atTag(file);
    MemoryStream afterSize(std::vector<std::uint8_t>(file.begin() + 8, file.end()));
    ASSERT_TRUE(fromTag->readRiff(atTag));
    ASSERT_TRUE(fromForm->readRiff(afterSize));
    EXPECT_EQ(std::memcmp(fromTag->colors(), fromForm->colors(), 1024), 0);
    EXPECT_EQ(fromTag->count, fromForm->count);
    EXPECT_EQ(std::memcmp(fromTag->tableBlock, fromForm->tableBlock, 4352), 0);
}

TEST(RiffPalette, BadFilesFailAndChangeNothing) {
    Bytes otherForm = riffPalette(256);
    std::memcpy(otherForm.data() + 8, "AVI ", 4);
    Bytes truncated = riffPalette(256);
    truncated.pop_back();
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> cases = {
        {"form type not PAL", otherForm},
        {"data size below the version and count", riffPalette(0, 3)},
        {"257 entries", riffPalette(256, 4 + 4 * 257)},
        {"data size near 2^32", riffPalette(256, 0xFFFFFFFF)},
        {"entries cut short", truncated},
    };
    for (const auto& [what, bytes] : cases) {
        PalettePtr palette(Palette::create());
        palette->colors()[3].red = 77;
        const std::uint32_t number = palette->changeNumber;
        MemoryStream stream(bytes);
        EXPECT_FALSE(palette->readFromStream(stream)) << what;
        EXPECT_EQ(palette->changeNumber, number) << what;
        EXPECT_EQ(palette->colors()[3].red, 77) << what;
        EXPECT_EQ(palette->tableBlock, nullptr) << what;
        EXPECT_EQ(load(bytes), nullptr) << what;
    }
    // No entries at all is a palette, if an odd one.
    auto empty = load(riffPalette(0));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->count, 0);
}

TEST(RiffPalette, WriterProducesTheLayoutAndReadsBack) {
    auto palette = load(riffPalette(256));
    ASSERT_NE(palette, nullptr);
    MemoryStream out;
    ASSERT_TRUE(palette->writeRiff(out));
    EXPECT_EQ(out.bytes().size(), 1048u);
    EXPECT_EQ(out.bytes(), riffPalette(256));

    MemoryStream viaFlags;
    ASSERT_TRUE(palette->writeToStream(viaFlags, PaletteAsRiff));
    EXPECT_EQ(viaFlags.bytes(), out.bytes());

    palette->count = 16;
    MemoryStream shortOut;
    ASSERT_TRUE(palette->writeRiff(shortOut));
    EXPECT_EQ(shortOut.bytes(), riffPalette(16));

    palette->count = 257;
    MemoryStream tooMany;
    EXPECT_FALSE(palette->writeRiff(tooMany));
    EXPECT_TRUE(tooMany.bytes().empty());
}

TEST(RiffPalette, EveryPrefixOfAFileIsHandled) {
    const Bytes file = riffPalette(256);
    for (std::size_t size = 0; size <= file.size(); ++size) {
        auto palette = load({file.begin(), file.begin() + static_cast<long>(size)});
        if (size < 4) {
            // Too short to be told apart: read as the other format, which delivers nothing.
            ASSERT_NE(palette, nullptr) << size;
            EXPECT_EQ(palette->subPalettes[0].paletteIndex, 0) << size;
        } else if (size < file.size()) {
            ASSERT_EQ(palette, nullptr) << size;
        } else {
            ASSERT_NE(palette, nullptr);
        }
    }
}

TEST(RiffPalette, WriteFailuresAreReported) {
    auto palette = load(riffPalette(256));
    ASSERT_NE(palette, nullptr);
    for (std::int64_t budget : {0, 3, 20, 23, 1047}) {
        MemoryStream out;
        out.failAfter(budget);
        EXPECT_FALSE(palette->writeRiff(out)) << budget;
    }
    MemoryStream enough;
    enough.failAfter(1048);
    EXPECT_TRUE(palette->writeRiff(enough));
}

struct CorpusFile {
    const char* name;
    int entries; // -1: must be refused
};

TEST(RiffPalette, FilesFromOtherProgramsLoadAndWriteBackUnchanged) {
    const CorpusFile files[] = {
        {"cpc-sample-256.pal", 256},
        {"cpc-arne-v20-16.pal", 16},
        {"anypal-ios-10.pal", 10},
        {"anypal-emoji-1816.pal", -1},
    };
    for (const CorpusFile& file : files) {
        // The test runs in its build folder, where the data folder is copied.
        const std::string path = std::string("palette-data/") + file.name;
        PalettePtr palette(Palette::loadFile(path.c_str()));
        if (file.entries < 0) {
            EXPECT_EQ(palette, nullptr) << file.name;
            continue;
        }
        ASSERT_NE(palette, nullptr) << file.name;
        EXPECT_EQ(palette->count, file.entries) << file.name;
        MemoryStream out;
        ASSERT_TRUE(palette->writeRiff(out));
        EXPECT_EQ(out.bytes(), testing_support::readBytes(path)) << file.name;
    }
}

} // namespace
