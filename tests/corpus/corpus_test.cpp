// Every real-world file kept under tests/data/corpus goes through the loaders: each one
// loads or fails cleanly, what must be refused is refused, what a careful reader must take
// is taken, and plain 24-bit files decode to the same pixels as an independent decoder.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "palette/palette.h"
#include "tests/corpus/written_back.h"
#include "tests/support/temp_dir.h"

namespace fs = std::filesystem;
using testing_support::readBytes;

namespace {

const fs::path Corpus = SKINREMAP_CORPUS_DIR;

// One row of an INDEX.csv, by column name.
using IndexRow = std::map<std::string, std::string>;

std::vector<std::string> splitCsvLine(const std::string& line) {
    std::vector<std::string> fields;
    std::stringstream in(line);
    std::string field;
    while (std::getline(in, field, ',')) {
        fields.push_back(field);
    }
    return fields;
}

// The rows of `folder`/INDEX.csv, keyed by the file's path relative to `folder`.
std::map<std::string, IndexRow> readIndex(const fs::path& folder) {
    std::ifstream in(folder / "INDEX.csv");
    std::string line;
    std::getline(in, line);
    const auto columns = splitCsvLine(line);
    std::map<std::string, IndexRow> rows;
    while (std::getline(in, line)) {
        const auto fields = splitCsvLine(line);
        IndexRow row;
        for (std::size_t i = 0; i < columns.size() && i < fields.size(); ++i) {
            row[columns[i]] = fields[i];
        }
        rows[row.at("file")] = row;
    }
    return rows;
}

bool mentions(const IndexRow& row, const char* note) {
    return row.at("read_notes").find(note) != std::string::npos;
}

// A note that does not stop a reader that takes 40 header bytes and the table from
// reading the file correctly.
bool onlyHarmlessNotes(const IndexRow& row) {
    std::string notes = row.at("read_notes");
    for (const std::string harmless :
         {"bfOffBits != 54+4n", "pixel area short for fixed-40 reader", "; "}) {
        for (auto at = notes.find(harmless); at != std::string::npos; at = notes.find(harmless)) {
            notes.erase(at, harmless.size());
        }
    }
    return notes.empty();
}

std::int32_t number(const IndexRow& row, const char* column) {
    return static_cast<std::int32_t>(std::strtoll(row.at(column).c_str(), nullptr, 10));
}

// What every loaded bitmap must satisfy, whatever file it came from: sizes that agree with
// each other, and a buffer that really holds them, which its writing and reading back
// shows (and the sanitizers, should it be shorter than its stated size).
void expectConsistent(Bitmap& bitmap, std::uint32_t flags, const std::string& name) {
    SCOPED_TRACE(name);
    ASSERT_GE(bitmap.width, 0);
    ASSERT_GE(bitmap.height, 0);
    EXPECT_EQ(bitmap.stride, (((bitmap.width * bitmap.bitDepth) >> 3) + 3) & ~3);
    EXPECT_EQ(bitmap.imageSize, bitmap.height * bitmap.stride);
    ASSERT_NE(bitmap.pixels, nullptr);
    corpus_checks::expectWrittenAndReadBack(bitmap);
    const bool expectPalette = (flags & BitmapWithPalette) != 0 && bitmap.bitDepth != 24;
    EXPECT_EQ(bitmap.palette != nullptr, expectPalette);
}

struct BitmapCase {
    fs::path path;
    std::string key; // path relative to the folder of its INDEX.csv
    IndexRow row;
};

std::vector<BitmapCase> bitmapCases() {
    std::vector<BitmapCase> cases;
    for (const char* folder : {"bmpsuite", "other"}) {
        for (const auto& [key, row] : readIndex(Corpus / folder)) {
            cases.push_back({Corpus / folder / key, key, row});
        }
    }
    return cases;
}

TEST(CorpusTest, TheIndexesListEveryFile) {
    std::size_t bitmaps = 0;
    for (const auto& entry : fs::recursive_directory_iterator(Corpus)) {
        bitmaps += entry.path().extension() == ".bmp";
    }
    EXPECT_EQ(bitmapCases().size(), bitmaps);
    EXPECT_EQ(bitmaps, 99u);
}

TEST(CorpusTest, EveryBitmapLoadsOrFailsCleanly) {
    for (const BitmapCase& file : bitmapCases()) {
        const IndexRow& row = file.row;
        for (const std::uint32_t flags : {0u, BitmapWithPalette}) {
            SCOPED_TRACE(file.key + (flags ? " with palette" : " without palette"));
            BitmapPtr bitmap(Bitmap::loadFile(file.path.string().c_str(), flags));

            // Compressed pixels would come out as noise if taken for rows.
            const std::string compression = row.at("biCompression");
            const bool compressed =
                compression != "0" && compression != "3" && !compression.empty();
            const bool refused = mentions(row, "not 'BM'") || mentions(row, "overflows int32") ||
                                 mentions(row, "negative width") || compressed ||
                                 (flags && mentions(row, "colour table > 256 entries"));
            const bool taken = row.at("group") == "good" && onlyHarmlessNotes(row) && !compressed;
            if (refused) {
                EXPECT_EQ(bitmap, nullptr);
            }
            if (taken) {
                ASSERT_NE(bitmap, nullptr);
                EXPECT_EQ(bitmap->width, number(row, "biWidth"));
                EXPECT_EQ(bitmap->height, std::abs(number(row, "biHeight")));
                EXPECT_EQ(bitmap->bitDepth, number(row, "biBitCount"));
            }
            if (bitmap) {
                expectConsistent(*bitmap, flags, file.key);
            }
        }
    }
}

// An independent decoding of an uncompressed 24-bit BMP with a 40-byte info header, the
// way the format defines it: the pixels start at bfOffBits, rows are padded to 4 bytes and
// stored bottom row first unless the height is negative. Returns the rows top down, each
// with its padding as the file holds it.
std::vector<std::uint8_t> decode24(const std::vector<std::uint8_t>& file, std::int32_t& width,
                                   std::int32_t& height) {
    const auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(file.at(at) | file.at(at + 1) << 8 |
                                          file.at(at + 2) << 16 | file.at(at + 3) << 24);
    };
    const std::uint32_t offBits = u32(10);
    width = static_cast<std::int32_t>(u32(18));
    const auto signedHeight = static_cast<std::int32_t>(u32(22));
    height = std::abs(signedHeight);
    const std::size_t padded = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> rows;
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t stored = signedHeight > 0 ? height - 1 - y : y;
        const std::size_t start = offBits + static_cast<std::size_t>(stored) * padded;
        rows.insert(rows.end(), file.begin() + static_cast<std::ptrdiff_t>(start),
                    file.begin() + static_cast<std::ptrdiff_t>(start + padded));
    }
    return rows;
}

TEST(CorpusTest, Plain24BitFilesMatchAnIndependentDecoding) {
    int compared = 0;
    for (const BitmapCase& file : bitmapCases()) {
        const IndexRow& row = file.row;
        if (row.at("group") != "good" || row.at("biBitCount") != "24" || row.at("biSize") != "40" ||
            row.at("biCompression") != "0") {
            continue;
        }
        SCOPED_TRACE(file.key);
        std::int32_t width = 0;
        std::int32_t height = 0;
        const auto expected = decode24(readBytes(file.path.string()), width, height);
        BitmapPtr bitmap(Bitmap::loadFile(file.path.string().c_str(), 0));
        ASSERT_NE(bitmap, nullptr);
        ASSERT_EQ(bitmap->width, width);
        ASSERT_EQ(bitmap->height, height);
        EXPECT_EQ(bitmap->bitDepth, 24);
        // Row fill included: the buffer holds the rows as the file does.
        ASSERT_EQ(static_cast<std::size_t>(bitmap->imageSize), expected.size());
        EXPECT_TRUE(std::equal(expected.begin(), expected.end(), bitmap->pixels));
        ++compared;
    }
    EXPECT_EQ(compared, 2); // g/rgb24.bmp, and g/rgb24pal.bmp with its unused colour table
}

TEST(CorpusTest, RiffPalettesLoadTheirColoursOrAreRefused) {
    const fs::path folder = Corpus / "riff-pal";
    const auto index = readIndex(folder);
    ASSERT_EQ(index.size(), 6u);
    for (const auto& [name, row] : index) {
        SCOPED_TRACE(name);
        const std::string path = (folder / name).string();
        PalettePtr palette(Palette::loadFile(path.c_str()));
        const std::int32_t count = number(row, "read_count");
        if (count > PaletteSize) {
            EXPECT_EQ(palette, nullptr) << "more colours than a palette holds";
            continue;
        }
        ASSERT_NE(palette, nullptr);
        EXPECT_EQ(palette->count, count);
        const auto bytes = readBytes(path);
        for (std::int32_t i = 0; i < count; ++i) {
            const PaletteEntry& entry = palette->colors()[i];
            const std::size_t at = 24 + 4 * static_cast<std::size_t>(i);
            ASSERT_EQ(entry.red, bytes[at]) << "entry " << i;
            ASSERT_EQ(entry.green, bytes[at + 1]) << "entry " << i;
            ASSERT_EQ(entry.blue, bytes[at + 2]) << "entry " << i;
            ASSERT_EQ(entry.flags, bytes[at + 3]) << "entry " << i;
        }
    }
}

} // namespace
