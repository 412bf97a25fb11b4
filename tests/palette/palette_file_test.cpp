#include <cstring>
#include <gtest/gtest.h>

#include "palette/palette.h"
#include "tests/support/file_bytes.h"
#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

namespace {

using testing_support::Bytes;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

PalettePtr colourfulPalette() {
    PalettePtr palette(Palette::create());
    for (int i = 0; i < PaletteSize; ++i) {
        palette->colors()[i] = PaletteEntry{static_cast<std::uint8_t>(i), 1, 2, 0};
    }
    palette->matchMask.setRange(0, 254);
    palette->subPalettes[0].paletteIndex = 42;
    return palette;
}

TEST(PaletteFile, ReadingTouchesTwiceAndAMissingFileNotAtAll) {
    TempDir dir;
    PalettePtr palette(Palette::create());
    const std::uint32_t number = palette->changeNumber;
    EXPECT_FALSE(palette->readFile(dir.file("missing.ipl").c_str()));
    EXPECT_EQ(palette->changeNumber, number);
    EXPECT_EQ(PalettePtr(Palette::loadFile(dir.file("missing.ipl").c_str())), nullptr);

    const std::string name = dir.file("skins.ipl");
    ASSERT_TRUE(colourfulPalette()->writeFile(name.c_str(), 0));
    ASSERT_TRUE(palette->readFile(name.c_str()));
    EXPECT_EQ(palette->changeNumber, number + 2);

    // A RIFF of another form fails after the file was opened: one touch, on closing.
    using namespace testing_support;
    writeBytes(name, fileOf({tag("RIFF"), u32(4), tag("AVI "), tag("data"), u32(4), u32(0)}));
    EXPECT_FALSE(palette->readFile(name.c_str()));
    EXPECT_EQ(palette->changeNumber, number + 3);
    EXPECT_EQ(PalettePtr(Palette::loadFile(name.c_str())), nullptr);
}

TEST(PaletteFile, BothFormatsRoundTripThroughFiles) {
    TempDir dir;
    const auto original = colourfulPalette();
    const std::string pl98 = dir.file("game.ipl");
    const std::string riff = dir.file("game.pal");
    ASSERT_TRUE(original->writeFile(pl98.c_str(), 0));
    ASSERT_TRUE(original->writeFile(riff.c_str(), PaletteAsRiff));
    EXPECT_EQ(readBytes(pl98).size(), 1089u);
    EXPECT_EQ(readBytes(riff).size(), 1048u);

    PalettePtr fromPl98(Palette::loadFile(pl98.c_str()));
    ASSERT_NE(fromPl98, nullptr);
    EXPECT_EQ(std::memcmp(fromPl98->colors(), original->colors(), 1024), 0);
    EXPECT_EQ(fromPl98->matchMask.words[7], 0xFFFFFFFEu);
    EXPECT_EQ(fromPl98->subPalettes[0].paletteIndex, 42);

    PalettePtr fromRiff(Palette::loadFile(riff.c_str()));
    ASSERT_NE(fromRiff, nullptr);
    EXPECT_EQ(std::memcmp(fromRiff->colors(), original->colors(), 1024), 0);
    EXPECT_EQ(fromRiff->subPalettes[0].paletteIndex, -1);
}

TEST(PaletteFile, AFailedWriteLeavesTheOldFile) {
    TempDir dir;
    const std::string name = dir.file("skins.ipl");
    const std::vector<std::uint8_t> old = testing_support::countingBytes(300);
    writeBytes(name, old);

    {
        const testing_support::DiskFullAfter full(100);
        EXPECT_FALSE(colourfulPalette()->writeFile(name.c_str(), 0));
    }
    EXPECT_EQ(readBytes(name), old);

    EXPECT_FALSE(colourfulPalette()->writeFile(dir.file("no/such/dir.ipl").c_str(), 0));
    PalettePtr inconsistent(Palette::create());
    inconsistent->subPalettes[0].kind = 1;
    EXPECT_FALSE(inconsistent->writeFile(name.c_str(), 0));
    EXPECT_EQ(readBytes(name), old);
}

} // namespace

namespace {

// The remapper's palette: anything short of a whole palette file is refused, since a
// mostly black palette would turn every skin black.
TEST(PaletteFile, OnlyAWholeFileLoadsAsTheGamePalette) {
    TempDir dir;
    const std::string name = dir.file("skins.ipl");
    const auto original = colourfulPalette();

    ASSERT_TRUE(original->writeFile(name.c_str(), 0));
    const std::vector<std::uint8_t> whole = readBytes(name);
    PalettePtr loaded(Palette::loadWholeFile(name.c_str()));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->subPalettes[0].paletteIndex, 42);
    EXPECT_EQ(loaded->colors()[200].red, 200);

    ASSERT_TRUE(original->writeFile(name.c_str(), PaletteAsRiff));
    EXPECT_NE(PalettePtr(Palette::loadWholeFile(name.c_str())), nullptr);

    // The first four bytes of the game's format are never compared: only "RIFF" tells the
    // other format apart, and a whole file loads whatever stands there.
    for (const char* magic : {"PL97", "\0\0\0\0", "pl98", "RIFX"}) {
        std::vector<std::uint8_t> renamed = whole;
        std::memcpy(renamed.data(), magic, 4);
        writeBytes(name, renamed);
        loaded.reset(Palette::loadWholeFile(name.c_str()));
        ASSERT_NE(loaded, nullptr) << magic;
        EXPECT_EQ(loaded->subPalettes[0].paletteIndex, 42) << magic;
        EXPECT_EQ(loaded->colors()[200].red, 200) << magic;
    }
    std::vector<std::uint8_t> seventeenSets = whole;
    seventeenSets[4] = 17; // subPaletteCount past what a palette holds

    ASSERT_TRUE(original->writeFile(name.c_str(), PaletteAsRiff));
    const std::vector<std::uint8_t> riff = readBytes(name);
    std::vector<std::uint8_t> wave = riff;
    std::memcpy(wave.data() + 8, "WAVE", 4);

    struct Refused {
        std::vector<std::uint8_t> bytes;
        bool lenientLoads; // the game's own loader takes what it can
        PaletteFileProblem problem;
    };
    const Refused refused[] = {
        {{}, true, PaletteFileProblem::CutShort},
        // "o\n" arrives as the low half of the set count: 2,671 sets, more than a palette has.
        {{'h', 'e', 'l', 'l', 'o', '\n'}, false, PaletteFileProblem::NotAPalette},
        {seventeenSets, false, PaletteFileProblem::NotAPalette},
        {std::vector<std::uint8_t>(whole.begin(), whole.end() - 1), true,
         PaletteFileProblem::CutShort},
        {std::vector<std::uint8_t>(whole.begin(), whole.begin() + 60), true,
         PaletteFileProblem::CutShort},
        {std::vector<std::uint8_t>(riff.begin(), riff.end() - 1), false,
         PaletteFileProblem::CutShort},
        {wave, false, PaletteFileProblem::NotAPalette},
    };
    for (const auto& [bytes, lenientLoads, expected] : refused) {
        writeBytes(name, bytes);
        PaletteFileProblem problem = PaletteFileProblem::None;
        EXPECT_EQ(PalettePtr(Palette::loadWholeFile(name.c_str(), problem)), nullptr)
            << bytes.size();
        EXPECT_EQ(problem, expected) << bytes.size();
        EXPECT_EQ(PalettePtr(Palette::loadFile(name.c_str())) != nullptr, lenientLoads)
            << bytes.size();
    }
    PaletteFileProblem problem = PaletteFileProblem::None;
    EXPECT_EQ(PalettePtr(Palette::loadWholeFile(dir.file("missing.ipl").c_str(), problem)),
              nullptr);
    EXPECT_EQ(problem, PaletteFileProblem::Missing);
    EXPECT_EQ(PalettePtr(Palette::loadWholeFile(dir.path().string().c_str(), problem)), nullptr);
    EXPECT_EQ(problem, PaletteFileProblem::Unreadable) << "a directory";
}

} // namespace
