// Valid files of every format, cut at every length and with every byte changed: each one
// loads or fails cleanly, and whatever loads is consistent enough to be used and written.

#include <algorithm>
#include <cstring>
#include <functional>
#include <vector>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "palette/palette.h"
#include "tests/corpus/written_back.h"
#include "tests/support/memory_stream.h"
#include "tests/support/sample_files.h"

using testing_support::Bytes;
using testing_support::MemoryStream;

namespace {

// Values each byte is changed to: its lowest and highest bit flipped, and all bits flipped.
// Enough to push counts, sizes and signs of every field out of range one way or the other.
constexpr std::uint8_t ByteChanges[] = {0x01, 0x80, 0xFF};

// A stretch of a file, from `begin` up to but not including `end`.
struct Range {
    std::size_t begin;
    std::size_t end;
    bool holds(std::size_t at) const { return begin <= at && at < end; }
};

bool anyHolds(const std::vector<Range>& ranges, std::size_t at) {
    return std::any_of(ranges.begin(), ranges.end(),
                       [at](const Range& range) { return range.holds(at); });
}

// Calls `check` with every proper prefix of `file`.
void forEachPrefix(const Bytes& file, const std::function<void(const Bytes&)>& check) {
    for (std::size_t length = 0; length < file.size(); ++length) {
        SCOPED_TRACE("first " + std::to_string(length) + " bytes");
        check(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
    }
}

// Calls `check` with every single-byte change of `file` and the offset it changed.
void forEachByteChange(const Bytes& file,
                       const std::function<void(const Bytes&, std::size_t)>& check) {
    Bytes changed = file;
    for (std::size_t at = 0; at < file.size(); ++at) {
        for (const std::uint8_t change : ByteChanges) {
            SCOPED_TRACE("byte " + std::to_string(at) + " ^ " + std::to_string(change));
            changed[at] = static_cast<std::uint8_t>(file[at] ^ change);
            check(changed, at);
        }
        changed[at] = file[at];
    }
}

BitmapPtr loadBitmapBytes(const Bytes& file, std::uint32_t flags) {
    MemoryStream stream(file);
    return BitmapPtr(Bitmap::loadStream(stream, flags));
}

// Loads `file` with and without the palette flag; returns how many of the two loads worked.
int loadBitmap(const Bytes& file) {
    int loaded = 0;
    for (const std::uint32_t flags : {0u, BitmapWithPalette}) {
        BitmapPtr bitmap = loadBitmapBytes(file, flags);
        if (bitmap) {
            ++loaded;
            corpus_checks::expectWrittenAndReadBack(*bitmap);
        }
    }
    return loaded;
}

struct BitmapSample {
    const char* name;
    Bytes file;
    std::size_t headerSize; // a cut inside the headers fails the read
    Range pixels;           // where the pixel bytes lie in the file
    std::int32_t stride;
    bool bottomUp;
    // Bytes a read without the palette flag never looks at: a change there loads the
    // same pixels.
    std::vector<Range> ignored;
};

// Where the pixel byte at file offset `at` lies in the buffer of a loaded sample.
std::size_t bufferIndex(const BitmapSample& sample, std::size_t at) {
    const std::size_t offset = at - sample.pixels.begin;
    if (!sample.bottomUp) {
        return offset;
    }
    const std::size_t stride = static_cast<std::size_t>(sample.stride);
    const std::size_t rows = (sample.pixels.end - sample.pixels.begin) / stride;
    return (rows - 1 - offset / stride) * stride + offset % stride;
}

std::vector<BitmapSample> bitmapSamples() {
    using namespace testing_support;
    // File size, reserved words, planes, image size, resolution and important colours.
    const std::vector<Range> bmpIgnored = {{2, 10}, {26, 28}, {34, 46}, {50, 54}};
    std::vector<Range> eightBitIgnored = bmpIgnored;
    eightBitIgnored.push_back({54, 54 + 1024}); // the colour table, skipped without the flag
    const Bytes pbmp = samplePbmp(6, 4, true);
    const std::size_t pbmpData = pbmp.size() - 2 * 12 - 32; // DETL and PiDX chunks follow
    return {
        {"BMP 8-bit", sampleBmp(5, 3, 8), 54, {1078, 1078 + 24}, 8, true, eightBitIgnored},
        {"BMP 24-bit", sampleBmp(5, 3, 24), 54, {54, 54 + 48}, 16, true, bmpIgnored},
        // The form size, and the palette chunk's payload, skipped without the flag.
        {"PBMP with palette", pbmp, 0, {pbmpData, pbmpData + 32}, 8, false, {{4, 8}, {44, 1084}}},
    };
}

TEST(MutationSweepTest, BitmapsCutAtEveryLength) {
    for (const BitmapSample& sample : bitmapSamples()) {
        SCOPED_TRACE(sample.name);
        ASSERT_EQ(loadBitmap(sample.file), 2) << "the sample itself must load";
        forEachPrefix(sample.file, [&](const Bytes& prefix) {
            const int loaded = loadBitmap(prefix);
            if (prefix.size() < sample.headerSize) {
                EXPECT_EQ(loaded, 0) << "a BMP cut inside its headers";
            }
        });
    }
}

// Every change loads or fails cleanly; a change to a pixel byte lands on that pixel byte
// alone, and a change to a field the reader ignores changes no pixel.
TEST(MutationSweepTest, BitmapsWithEveryByteChanged) {
    for (const BitmapSample& sample : bitmapSamples()) {
        SCOPED_TRACE(sample.name);
        const BitmapPtr original = loadBitmapBytes(sample.file, 0);
        ASSERT_NE(original, nullptr);
        const Bytes originalPixels(original->pixels, original->pixels + original->imageSize);
        int pixelsChecked = 0;
        int ignoredChecked = 0;
        forEachByteChange(sample.file, [&](const Bytes& changed, std::size_t at) {
            loadBitmap(changed);
            if (!sample.pixels.holds(at) && !anyHolds(sample.ignored, at)) {
                return;
            }
            const BitmapPtr bitmap = loadBitmapBytes(changed, 0);
            ASSERT_NE(bitmap, nullptr);
            EXPECT_EQ(bitmap->width, original->width);
            EXPECT_EQ(bitmap->height, original->height);
            Bytes expected = originalPixels;
            if (sample.pixels.holds(at)) {
                expected[bufferIndex(sample, at)] = changed[at];
                ++pixelsChecked;
            } else {
                ++ignoredChecked;
            }
            EXPECT_EQ(Bytes(bitmap->pixels, bitmap->pixels + bitmap->imageSize), expected);
        });
        EXPECT_EQ(pixelsChecked, 3 * static_cast<int>(sample.pixels.end - sample.pixels.begin));
        EXPECT_GT(ignoredChecked, 0);
    }
}

// A BMP whose pixel area ends early keeps what the file holds and zeros the rest.
TEST(MutationSweepTest, TruncatedBmpPixelsAreTheFilesBytesOrZero) {
    for (const std::int32_t depth : {8, 24}) {
        SCOPED_TRACE(depth);
        const Bytes file = testing_support::sampleBmp(5, 3, depth);
        const std::size_t offBits = depth == 24 ? 54 : 54 + 1024;
        const std::int32_t stride = (((5 * depth) >> 3) + 3) & ~3;
        for (std::size_t length = offBits; length <= file.size(); ++length) {
            SCOPED_TRACE(length);
            MemoryStream stream(
                Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
            BitmapPtr bitmap(Bitmap::loadStream(stream, 0));
            ASSERT_NE(bitmap, nullptr);
            ASSERT_EQ(bitmap->imageSize, 3 * stride);
            for (std::int32_t row = 0; row < 3; ++row) {
                for (std::int32_t column = 0; column < stride; ++column) {
                    // Rows are stored bottom first.
                    const std::size_t at =
                        offBits + static_cast<std::size_t>((2 - row) * stride + column);
                    const std::uint8_t actual = bitmap->pixels[row * stride + column];
                    if (at >= length) {
                        EXPECT_EQ(actual, 0) << "row " << row << " byte " << column;
                    } else if (length == file.size()) {
                        EXPECT_EQ(actual, file[at]) << "row " << row << " byte " << column;
                    } else {
                        EXPECT_TRUE(actual == file[at] || actual == 0)
                            << "row " << row << " byte " << column;
                    }
                }
            }
        }
    }
}

// The bytes of `palette` as written in `format`; empty when the writer refused.
Bytes writtenPalette(const Palette& palette, std::uint32_t format) {
    MemoryStream out;
    return palette.writeToStream(out, format) ? out.bytes() : Bytes{};
}

// Every table a loaded palette says it has lies inside its block, and in both formats the
// palette is written, read back and written again to the same bytes: the writer reads
// every stored table, so the sanitizers catch one that promises more than the block holds.
void usePalette(const Palette& palette) {
    ASSERT_GE(palette.subPaletteCount, 1);
    ASSERT_LE(palette.subPaletteCount, MaxSubPalettes);
    ASSERT_LE(palette.count, PaletteSize);
    const auto inside = [&](std::int32_t reference, std::int64_t size) {
        if (reference != NoTable) {
            ASSERT_LE(reference + size, palette.tableBlockSize);
        }
    };
    const std::int64_t groupSize = std::int64_t{palette.levelCount} * 256;
    for (std::int32_t i = 0; i < palette.subPaletteCount; ++i) {
        const SubPalette& set = palette.subPalettes[i];
        inside(set.levelTable, groupSize);
        inside(set.lastLevelGroup, groupSize);
        inside(set.pairTable, 65536);
        inside(set.indexTable, 256);
        for (const std::int32_t floats :
             {set.redTable, set.greenTable, set.blueTable, set.fourthTable}) {
            inside(floats, 1024);
        }
    }
    for (const std::uint32_t format : {0u, PaletteAsRiff}) {
        SCOPED_TRACE(format == 0 ? "written as PL98" : "written as RIFF");
        const Bytes written = writtenPalette(palette, format);
        ASSERT_FALSE(written.empty());
        MemoryStream in(written);
        const PalettePtr back(Palette::loadStream(in));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(writtenPalette(*back, format), written);
    }
}

PalettePtr loadPaletteBytes(const Bytes& file) {
    MemoryStream stream(file);
    return PalettePtr(Palette::loadStream(stream));
}

bool loadPalette(const Bytes& file) {
    const PalettePtr palette = loadPaletteBytes(file);
    if (palette) {
        usePalette(*palette);
    }
    return palette != nullptr;
}

void expectPaletteLoadsOrFails(const Bytes& file) {
    loadPalette(file);
}

// What a single changed byte must do to a palette file.
enum class Change {
    LoadsOrFails,
    // The byte is carried as it is: written back, the palette gives the changed file.
    Carried,
    // The byte is ignored or normalised: written back, the palette gives the original.
    Dropped,
};

struct PaletteSample {
    const char* name;
    Bytes file;
    std::uint32_t format; // how it is written back
    std::function<Change(std::size_t at, std::uint8_t value)> change;
};

std::vector<PaletteSample> paletteSamples() {
    using namespace testing_support;
    const auto riff = [](std::size_t at, std::uint8_t) {
        if (at >= 24) {
            return Change::Carried; // the entries
        }
        // RIFF size, "data" tag, version and count: the data size alone decides.
        return anyHolds({{4, 8}, {12, 16}, {20, 24}}, at) ? Change::Dropped : Change::LoadsOrFails;
    };
    // Two sets of kinds 0 and 1 with levelShift 1 and extraGroups 1: 1,024 bytes of level
    // tables and 4,352 of index and float tables, then the auxiliary table.
    constexpr std::size_t Sets = 52;
    constexpr std::size_t Tables = Sets + 2 * 1032;
    constexpr std::size_t AuxFlag = Tables + 1024 + 4352;
    constexpr std::size_t Trailer = AuxFlag + 1 + 1024 + 8;
    const auto pl98 = [=](std::size_t at, std::uint8_t value) {
        if (at < 4 || at >= Trailer) {
            return Change::Dropped; // the magic is never compared; the trailer carries nothing
        }
        if (at == AuxFlag) {
            // Any value but 0 means the table is there; the writer stores it as 1.
            return value != 0 ? Change::Dropped : Change::LoadsOrFails;
        }
        if (at < 16 || (at >= Sets && at < Tables && (at - Sets) % 1032 >= 1028)) {
            return Change::LoadsOrFails; // counts, level shift, groups and kinds
        }
        // Header value, mask, colours, palette indices, tables, auxiliary table and values.
        return Change::Carried;
    };
    return {
        {"RIFF palette", sampleRiffPalette(256), PaletteAsRiff, riff},
        {"PL98 with tables and aux table", samplePl98(false), 0, pl98},
    };
}

TEST(MutationSweepTest, PalettesCutAtEveryLength) {
    for (const PaletteSample& sample : paletteSamples()) {
        SCOPED_TRACE(sample.name);
        ASSERT_TRUE(loadPalette(sample.file)) << "the sample itself must load";
        forEachPrefix(sample.file, expectPaletteLoadsOrFails);
    }
}

TEST(MutationSweepTest, PalettesWithEveryByteChanged) {
    for (const PaletteSample& sample : paletteSamples()) {
        SCOPED_TRACE(sample.name);
        const PalettePtr original = loadPaletteBytes(sample.file);
        ASSERT_NE(original, nullptr);
        ASSERT_EQ(writtenPalette(*original, sample.format), sample.file);
        int carried = 0;
        forEachByteChange(sample.file, [&](const Bytes& changed, std::size_t at) {
            const Change change = sample.change(at, changed[at]);
            const PalettePtr palette = loadPaletteBytes(changed);
            if (palette) {
                usePalette(*palette);
            }
            if (change == Change::LoadsOrFails) {
                return;
            }
            ASSERT_NE(palette, nullptr);
            carried += change == Change::Carried;
            EXPECT_EQ(writtenPalette(*palette, sample.format),
                      change == Change::Carried ? changed : sample.file);
        });
        EXPECT_GE(carried, 3 * 1024) << "every colour byte at least";
    }
}

// The pair table makes the file 70 KB; every prefix would be quadratic, so the sweep takes
// every header and record byte and a stride through the tables.
TEST(MutationSweepTest, Pl98WithAPairTable) {
    const Bytes file = testing_support::samplePl98(true);
    ASSERT_TRUE(loadPalette(file));
    const std::size_t records = 52 + 3 * 1032;
    for (std::size_t length = 0; length < file.size(); length += length < records ? 1 : 997) {
        SCOPED_TRACE(length);
        loadPalette(Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(length)));
    }
    for (std::size_t at = 0; at < records; ++at) {
        Bytes changed = file;
        changed[at] ^= 0x80;
        SCOPED_TRACE(at);
        loadPalette(changed);
    }
}

} // namespace
