#include <climits>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <random>

#include "palette/palette.h"
#include "tests/palette/palette_bytes.h"
#include "tests/support/memory_stream.h"
#include "tests/support/sample_files.h"
#include "tests/support/temp_dir.h"

namespace {

using palette_testing::pattern;
using testing_support::Bytes;
using testing_support::MemoryStream;

struct Pl98 {
    std::vector<std::int32_t> kinds = {0};
    std::int32_t levelShift = 0;
    std::int32_t extraGroups = 0;
    std::optional<std::int32_t> subPaletteCount = {}; // as many as there are kinds
    bool aux = false;
};

// Stored table bytes for the kinds: level groups or a pair table, then 4,352 bytes of
// index and float tables, for each set of kind 1 or 2.
std::size_t storedTables(const Pl98& file) {
    std::size_t total = 0;
    for (std::int32_t kind : file.kinds) {
        if (kind == 1) {
            total += (std::size_t{1} << file.levelShift) * 256 *
                         static_cast<std::size_t>(file.extraGroups + 1) +
                     4352;
        } else if (kind == 2) {
            total += 65536 + 4352;
        }
    }
    return total;
}

// The fields of such a file up to its table block: recognisable colours and values.
testing_support::Pl98Fields fieldsOf(const Pl98& file) {
    testing_support::Pl98Fields fields;
    fields.subPaletteCount = file.subPaletteCount;
    fields.levelShift = file.levelShift;
    fields.extraGroups = file.extraGroups;
    fields.headerValue = 0xC0FFEE01;
    for (std::size_t word = 0; word < fields.mask.size(); ++word) {
        fields.mask[word] = 0x01020304u * static_cast<std::uint32_t>(word + 1);
    }
    for (std::size_t i = 0; i < file.kinds.size(); ++i) {
        const auto colors = palette_testing::testColors(static_cast<std::uint8_t>(i),
                                                        static_cast<std::uint8_t>(i * 16));
        fields.sets.push_back({colors, 100 + static_cast<std::int32_t>(i), file.kinds[i]});
    }
    return fields;
}

// The header and the sets, up to the table block.
Bytes pl98Head(const Pl98& file) {
    return testing_support::pl98Head(fieldsOf(file));
}

Bytes pl98File(const Pl98& file) {
    testing_support::Pl98Fields fields = fieldsOf(file);
    fields.tables = pattern(storedTables(file), 3);
    if (file.aux) {
        fields.aux = testing_support::Pl98Aux{pattern(1024, 11), 0xA0A0A0A1, 0xB0B0B0B2};
    }
    return testing_support::pl98File(fields);
}

PalettePtr load(const std::vector<std::uint8_t>& bytes) {
    MemoryStream stream(bytes);
    return PalettePtr(Palette::loadStream(stream));
}

std::vector<std::uint8_t> write(const Palette& palette) {
    MemoryStream out;
    EXPECT_TRUE(palette.writeToStream(out, 0));
    return out.bytes();
}

float tableFloat(const Palette& palette, std::int32_t table, int j) {
    float value = 0;
    std::memcpy(&value, palette.table(table) + 4 * j, sizeof value);
    return value;
}

TEST(Pl98Palette, DefaultPaletteWritesTheSmallestFile) {
    PalettePtr palette(Palette::create());
    const auto bytes = write(*palette);
    ASSERT_EQ(bytes.size(), 1089u); // header 52, one set 1,032, flag 1, trailer 4
    EXPECT_EQ(std::memcmp(bytes.data(), "PL98", 4), 0);
    EXPECT_EQ(bytes[4], 1); // subPaletteCount
    const std::vector<std::uint8_t> mask(bytes.begin() + 20, bytes.begin() + 52);
    // FF FF 3F 00 (indices 10 to 31), six words FF FF FF FF, 00 FC FF FF (224 to 245).
    std::vector<std::uint8_t> expected(32, 0xFF);
    expected[2] = 0x3F;
    expected[3] = 0x00;
    expected[28] = 0x00;
    expected[29] = 0xFC;
    EXPECT_EQ(mask, expected);
    EXPECT_EQ(bytes[52 + 1032], 0); // no auxiliary table
}

TEST(Pl98Palette, SetsOfEveryKindWithAuxTableReadBackWhole) {
    const Pl98 layout{{1, 0, 2, 0, 7}, 2, 3, {}, true};
    const Bytes file = pl98File(layout);
    auto palette = load(file);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->subPaletteCount, 5);
    EXPECT_EQ(palette->levelShift, 2);
    EXPECT_EQ(palette->levelCount, 4);
    EXPECT_EQ(palette->extraGroups, 3);
    EXPECT_EQ(palette->headerValue, 0xC0FFEE01u);
    EXPECT_EQ(palette->matchMask.words[1], 0x02040608u);
    EXPECT_EQ(palette->subPalettes[2].paletteIndex, 102);
    EXPECT_EQ(palette->subPalettes[4].kind, 7);
    EXPECT_EQ(palette->subPalettes[1].colors[0].red, 16);
    ASSERT_NE(palette->auxTable, nullptr);
    EXPECT_EQ(palette->auxTable[1], 18);
    EXPECT_EQ(palette->auxValue2, 0xB0B0B0B2u);

    // Stored tables in file order: level groups, pair table, then the index and float
    // tables of the kind-1 and kind-2 sets; computed tables of the kind-0 sets behind.
    const SubPalette& level = palette->subPalettes[0];
    const SubPalette& pair = palette->subPalettes[2];
    EXPECT_EQ(level.levelTable, palette->tableBase);
    EXPECT_EQ(level.lastLevelGroup - level.levelTable, 3 * 1024);
    EXPECT_EQ(pair.pairTable - level.levelTable, 4 * 1024);
    EXPECT_EQ(level.indexTable - pair.pairTable, 65536);
    EXPECT_EQ(pair.indexTable - level.indexTable, 4352);
    EXPECT_EQ(pair.fourthTable - pair.indexTable, 3328);
    EXPECT_EQ(palette->table(level.levelTable)[1], 10); // pattern 3, 10, 17, ...
    EXPECT_EQ(palette->subPalettes[4].indexTable, NoTable);

    const SubPalette& plain = palette->subPalettes[3];
    EXPECT_EQ(plain.indexTable - palette->subPalettes[1].indexTable, 4352);
    for (int j = 0; j < 256; ++j) {
        EXPECT_EQ(palette->table(plain.indexTable)[j], j);
        EXPECT_EQ(tableFloat(*palette, plain.blueTable, j),
                  static_cast<float>(plain.colors[j].blue) / 255.0f);
        EXPECT_EQ(tableFloat(*palette, plain.fourthTable, j), 1.0f);
    }

    EXPECT_EQ(write(*palette), file);
}

TEST(Pl98Palette, RandomLayoutsWriteBackTheBytesTheyWereReadFrom) {
    std::mt19937 random(98);
    for (int round = 0; round < 30; ++round) {
        Pl98 layout;
        layout.kinds.resize(1 + random() % MaxSubPalettes);
        for (std::int32_t& kind : layout.kinds) {
            kind = static_cast<std::int32_t>(random() % 4); // 3 carries no tables
        }
        layout.levelShift = static_cast<std::int32_t>(random() % 3);
        layout.extraGroups = static_cast<std::int32_t>(random() % 3);
        layout.aux = random() % 2 == 0;
        const Bytes file = pl98File(layout);
        auto palette = load(file);
        ASSERT_NE(palette, nullptr) << round;
        const auto written = write(*palette);
        ASSERT_EQ(written, file) << round;
        auto again = load(written);
        ASSERT_NE(again, nullptr) << round;
        ASSERT_EQ(again->tableBlockSize, palette->tableBlockSize) << round;
        EXPECT_EQ(std::memcmp(again->tableBlock, palette->tableBlock,
                              static_cast<std::size_t>(palette->tableBlockSize)),
                  0)
            << round;
    }
}

// The writer stores 1, but any value but 0 means the auxiliary table follows.
TEST(Pl98Palette, AnyAuxiliaryFlagButZeroBringsTheTable) {
    Bytes file = pl98File({{0}, 0, 0, {}, true});
    const std::size_t flag = 52 + 1032;
    for (const std::uint8_t value : {1, 2, 0x80, 0xFF}) {
        SCOPED_TRACE(static_cast<int>(value));
        file[flag] = value;
        auto palette = load(file);
        ASSERT_NE(palette, nullptr);
        ASSERT_NE(palette->auxTable, nullptr);
        EXPECT_EQ(palette->auxTable[1], 18);
        EXPECT_EQ(palette->auxValue1, 0xA0A0A0A1u);
        EXPECT_EQ(palette->auxValue2, 0xB0B0B0B2u);
    }
}

TEST(Pl98Palette, LevelTablesOfOneSet) {
    auto palette = load(pl98File({{1}, 2, 3}));
    ASSERT_NE(palette, nullptr);
    const SubPalette& set = palette->subPalettes[0];
    EXPECT_EQ(set.lastLevelGroup - set.levelTable, 3072);
    EXPECT_EQ(set.indexTable - set.levelTable, 4096);
    EXPECT_EQ(write(*palette).size(), 52u + 1032 + 8448 + 1 + 4);

    auto single = load(pl98File({{1}, 0, 0}));
    ASSERT_NE(single, nullptr);
    EXPECT_EQ(single->subPalettes[0].lastLevelGroup, single->subPalettes[0].levelTable);
}

TEST(Pl98Palette, AnyMagicButRiffIsThisFormat) {
    Bytes file = pl98File({{0, 0}});
    std::memcpy(file.data(), "XYZ!", 4);
    auto palette = load(file);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->subPaletteCount, 2);
    EXPECT_EQ(palette->headerValue, 0xC0FFEE01u);
}

TEST(Pl98Palette, EmptyFileGivesTheDefaults) {
    auto palette = load({});
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->count, 256);
    EXPECT_EQ(palette->subPaletteCount, 1);
    EXPECT_EQ(palette->subPalettes[0].paletteIndex, 0);
    EXPECT_EQ(palette->colors()[100].red, 0);
    EXPECT_EQ(palette->matchMask.words[0], 0x003FFFFFu);
    EXPECT_EQ(palette->auxTable, nullptr);
}

TEST(Pl98Palette, HeadersThatCannotBeHeldAreRefused) {
    const std::vector<std::pair<const char*, Pl98>> cases = {
        {"no sets", {{0}, 0, 0, 0}},
        {"seventeen sets", {{0}, 0, 0, 17}},
        {"negative set count", {{0}, 0, 0, INT32_MIN}},
        {"negative level shift", {{0}, -1, 0}},
        {"level count past 32 bits", {{0}, 31, 0}},
        {"level groups below one", {{1}, 0, -1}},
        {"level groups past 32 bits", {{1}, 4, 0x7FFFFFFF}},
        {"level tables too large to hold", {{1}, 30, 0}},
        {"level tables beyond the limit", {{1}, 12, 64}},
        {"many sets beyond the limit", {{1, 1, 1, 1, 1, 1, 1, 1}, 10, 31}},
    };
    for (const auto& [what, layout] : cases) {
        // Some bytes follow, so a reader that went on would find tables to take.
        Bytes bad = pl98Head(layout);
        testing_support::append(bad, {pattern(5000, 1)});

        PalettePtr palette(Palette::create());
        ASSERT_TRUE(palette->allocAuxTable());
        MemoryStream stream(bad);
        EXPECT_FALSE(palette->readFromStream(stream)) << what;
        EXPECT_EQ(palette->subPaletteCount, 1) << what;
        EXPECT_NE(palette->auxTable, nullptr) << what;
        EXPECT_EQ(palette->matchMask.words[0], 0x003FFFFFu) << what;
        EXPECT_EQ(load(bad), nullptr) << what;
    }
}

// The level count only sizes level tables; without any, a large one is harmless and must
// not overflow anything (found by fuzzing).
TEST(Pl98Palette, ALargeLevelShiftWithoutLevelTablesLoads) {
    const Bytes file = pl98File({{0, 2}, 30, 7});
    auto palette = load(file);
    ASSERT_NE(palette, nullptr);
    EXPECT_EQ(palette->levelCount, 1 << 30);
    EXPECT_EQ(palette->subPalettes[0].levelTable, NoTable);
    ASSERT_NE(palette->table(palette->subPalettes[1].pairTable), nullptr);
    EXPECT_EQ(write(*palette), file);
}

TEST(Pl98Palette, EveryPrefixLoadsWhatItHolds) {
    const Bytes file = pl98File({{1, 0}, 0, 0, {}, true});
    auto whole = load(file);
    ASSERT_NE(whole, nullptr);
    for (std::size_t size = 0; size <= file.size(); ++size) {
        auto palette = load({file.begin(), file.begin() + static_cast<long>(size)});
        // A short file keeps whatever it did not deliver; it never fails and never reads
        // beyond what it was given. The count's low byte, 2, is its first to arrive.
        ASSERT_NE(palette, nullptr) << size;
        EXPECT_EQ(palette->subPaletteCount, size >= 5 ? 2 : 1) << size;
        EXPECT_EQ(palette->auxTable != nullptr, size > 52 + 2064 + 4608) << size;
    }
    EXPECT_EQ(write(*whole), file);
}

// Written back, a palette read from a cut-short file gives that file's bytes up to the cut:
// every byte that arrived is in place, a field or table that arrived in part included.
// Checked through a stream that delivers part of a read, and through files.
TEST(Pl98Palette, ShortFileKeepsEveryByteThatArrived) {
    const Bytes file = pl98File({{1, 0}, 0, 0, {}, true});
    const auto expectKept = [&](const Palette* palette, std::size_t size) {
        ASSERT_NE(palette, nullptr) << size;
        const auto written = write(*palette);
        ASSERT_GE(written.size(), size);
        const auto cut = static_cast<std::ptrdiff_t>(size);
        const auto differs = std::mismatch(file.begin(), file.begin() + cut, written.begin());
        EXPECT_EQ(differs.first, file.begin() + cut)
            << "cut at " << size << ", byte " << differs.first - file.begin();
    };
    for (std::size_t size = 0; size <= file.size(); ++size) {
        expectKept(load({file.begin(), file.begin() + static_cast<long>(size)}).get(), size);
    }
    testing_support::TempDir dir;
    const std::string name = dir.file("cut.ipl");
    for (std::size_t size = 0; size <= file.size(); size += size < 1100 ? 1 : 29) {
        testing_support::writeBytes(name, {file.begin(), file.begin() + static_cast<long>(size)});
        expectKept(PalettePtr(Palette::loadFile(name.c_str())).get(), size);
    }
}

TEST(Pl98Palette, StreamFailuresFailTheRead) {
    const Bytes file = pl98File({{2, 0}, 0, 0, {}, true});
    for (std::size_t budget = 0; budget < file.size(); budget += 97) {
        MemoryStream stream(file);
        stream.failAfter(static_cast<std::int64_t>(budget));
        EXPECT_EQ(PalettePtr(Palette::loadStream(stream)), nullptr) << budget;
    }
    MemoryStream enough(file);
    enough.failAfter(static_cast<std::int64_t>(file.size()));
    EXPECT_NE(PalettePtr(Palette::loadStream(enough)), nullptr);
}

TEST(Pl98Palette, WriteFailuresAreReportedAtEveryPoint) {
    auto palette = load(pl98File({{1, 2, 0}, 1, 1, {}, true}));
    ASSERT_NE(palette, nullptr);
    const std::size_t size = write(*palette).size();
    for (std::size_t budget : {std::size_t{0}, std::size_t{3}, std::size_t{51}, std::size_t{52},
                               std::size_t{1000}, std::size_t{3200}, size - 1033, size - 1}) {
        MemoryStream out;
        out.failAfter(static_cast<std::int64_t>(budget));
        EXPECT_FALSE(palette->writeToStream(out, 0)) << budget;
    }
}

TEST(Pl98Palette, WriterRefusesTablesItDoesNotHold) {
    PalettePtr palette(Palette::create());
    palette->subPalettes[0].kind = 2; // announces a pair table the palette never got
    MemoryStream out;
    EXPECT_FALSE(palette->writeToStream(out, 0));
    EXPECT_TRUE(out.bytes().empty());

    auto loaded = load(pl98File({{1}, 2, 0}));
    ASSERT_NE(loaded, nullptr);
    loaded->extraGroups = 5; // more level groups than the block holds
    MemoryStream grown;
    EXPECT_FALSE(loaded->writeToStream(grown, 0));
    EXPECT_TRUE(grown.bytes().empty());
}

} // namespace
