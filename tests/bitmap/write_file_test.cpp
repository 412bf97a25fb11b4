#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "bitmap/bitmap.h"
#include "tests/bitmap/bitmap_loading.h"
#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

using namespace bitmap_testing;
using namespace testing_support;
namespace fs = std::filesystem;

namespace {

// What an artist's file holds before we rewrite it.
const Bytes original = bmpFile(BmpFields{});

BitmapPtr converted() {
    BitmapPtr bitmap(Bitmap::create(40, 30, 8));
    EXPECT_NE(bitmap, nullptr);
    std::fill(bitmap->pixels, bitmap->pixels + bitmap->imageSize, std::uint8_t{99});
    bitmap->paletteIndex = 3;
    return bitmap;
}

TEST(WriteFile, ReplacesTheFileWithWhatTheStreamWriterGives) {
    TempDir dir;
    const std::string path = dir.file("skin.bmp");
    writeBytes(path, original);
    auto bitmap = converted();
    for (const std::uint32_t flags : {BitmapAsBmp, 0u}) {
        SCOPED_TRACE(flags);
        ASSERT_TRUE(bitmap->writeFile(path.c_str(), flags));
        EXPECT_EQ(readBytes(path), writtenBytes(*bitmap, flags));
        BitmapPtr back(Bitmap::loadFile(path.c_str(), 0));
        ASSERT_NE(back, nullptr);
        EXPECT_EQ(allPixels(*back), allPixels(*bitmap));
        EXPECT_EQ(back->paletteIndex, 3);
    }
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"skin.bmp"});
}

TEST(WriteFile, FailedWriteLeavesTheOriginalAsItWas) {
    TempDir dir;
    const std::string path = dir.file("skin.bmp");
    writeBytes(path, original);
    auto bitmap = converted();
    for (const std::int64_t limit : {0, 14, 54 + 1024 + 100}) {
        SCOPED_TRACE(limit);
        const DiskFullAfter full(limit); // the disk fills up part-way
        EXPECT_FALSE(bitmap->writeFile(path.c_str(), BitmapAsBmp));
    }
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"skin.bmp"}) << "no temporary left";
}

TEST(WriteFile, ReadOnlyTargetIsRefusedUntouched) {
    TempDir dir;
    const std::string path = dir.file("locked.bmp");
    writeBytes(path, original);
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    auto bitmap = converted();
    EXPECT_FALSE(bitmap->writeFile(path.c_str(), BitmapAsBmp)) << "must hold for root too";
    EXPECT_EQ(readBytes(path), original);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"locked.bmp"});
}

TEST(WriteFile, MissingDirectoryFails) {
    TempDir dir;
    auto bitmap = converted();
    EXPECT_FALSE(bitmap->writeFile(dir.file("gone/skin.bmp").c_str(), BitmapAsBmp));
    EXPECT_FALSE(fs::exists(dir.file("gone")));
}

TEST(WriteFile, PermissionBitsSurvive) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows keeps only a read-only attribute, and read-only files are refused";
#else
    TempDir dir;
    const std::string path = dir.file("shared.bmp");
    writeBytes(path, original);
    const auto mode = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, mode);
    auto bitmap = converted();
    ASSERT_TRUE(bitmap->writeFile(path.c_str(), BitmapAsBmp));
    EXPECT_EQ(fs::status(path).permissions(), mode);
#endif
}

TEST(WriteFile, SymbolicLinkStaysALinkToTheNewContents) {
#ifdef _WIN32
    GTEST_SKIP() << "links are a POSIX concern here";
#else
    TempDir dir;
    const std::string real = dir.file("real.bmp");
    writeBytes(real, original);
    const std::string link = dir.file("link.bmp");
    fs::create_symlink("real.bmp", link);
    auto bitmap = converted();
    ASSERT_TRUE(bitmap->writeFile(link.c_str(), BitmapAsBmp));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(real), writtenBytes(*bitmap, BitmapAsBmp));
#endif
}

} // namespace
