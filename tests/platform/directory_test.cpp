#include "platform/directory.h"

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"
#include "tests/support/working_directory.h"

namespace {

using testing_support::TempDir;
using testing_support::WorkingDirectory;
using testing_support::writeBytes;

std::vector<std::string> searchAll(const char* extension) {
    std::vector<std::string> names;
    platform::DirectorySearch search(extension);
    while (const char* name = search.next()) {
        names.emplace_back(name);
    }
    // Once over, the search stays over.
    EXPECT_EQ(search.next(), nullptr);
    std::sort(names.begin(), names.end());
    return names;
}

TEST(DirectoryTest, TakesRegularFilesEndingInTheExtensionWhateverTheirCase) {
    TempDir dir;
    for (const char* name :
         {"a.bmp", "B.BMP", "c.Bmp", "x.bmpx", "bmp", "notes.txt", "a.bmp.txt"}) {
        writeBytes(dir.file(name), {1});
    }
    std::filesystem::create_directory(dir.path() / "d.bmp");
    const WorkingDirectory inside(dir.path());
    EXPECT_EQ(searchAll(".bmp"), (std::vector<std::string>{"B.BMP", "a.bmp", "c.Bmp"}));
}

TEST(DirectoryTest, EmptyDirectoryGivesNothing) {
    TempDir dir;
    const WorkingDirectory inside(dir.path());
    EXPECT_TRUE(searchAll(".bmp").empty());
}

#ifndef _WIN32
TEST(DirectoryTest, LeavesOutHiddenFilesAndFollowsLinksToFiles) {
    TempDir dir;
    writeBytes(dir.file(".hidden.bmp"), {1});
    writeBytes(dir.file("real.bmp"), {1});
    std::filesystem::create_symlink("real.bmp", dir.path() / "link.bmp");
    std::filesystem::create_symlink("missing.bmp", dir.path() / "dangling.bmp");
    std::filesystem::create_directory(dir.path() / "folder");
    std::filesystem::create_directory_symlink("folder", dir.path() / "folder.bmp");
    const WorkingDirectory inside(dir.path());
    EXPECT_EQ(searchAll(".bmp"), (std::vector<std::string>{"link.bmp", "real.bmp"}));
}
#endif

TEST(DirectoryTest, ExtensionIsComparedWithoutRegardToCase) {
    EXPECT_TRUE(platform::hasExtension("a.BMP", ".bmp"));
    EXPECT_TRUE(platform::hasExtension(".bmp", ".bmp"));
    EXPECT_FALSE(platform::hasExtension("abmp", ".bmp"));
    EXPECT_FALSE(platform::hasExtension("a.bm", ".bmp"));
}

} // namespace
