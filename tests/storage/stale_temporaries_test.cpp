#include "storage/stale_temporaries.h"

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>

#include "storage/replacing_file.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <sys/xattr.h>
#endif

using testing_support::namesIn;
using testing_support::TempDir;
using testing_support::writeBytes;
namespace fs = std::filesystem;

namespace {

TEST(StaleTemporariesTest, RecognisesOnlyOurOwnNames) {
    struct Case {
        const char* name;
        bool ours;
    };
    const Case cases[] = {
        {".skinremap-a1B2c3.tmp", true},
        {".skinremap-000000.tmp", true},
        {".skinremap-a1B2c.tmp", false},   // unique part too short
        {".skinremap-a1B2c3d.tmp", false}, // too long
        {".skinremap-a1-2c3.tmp", false},  // not a letter or digit
        {".skinremap-a1B2c3.TMP", false},
        {".skinremap-a1B2c3.tmp.bmp", false},
        {"skinremap-a1B2c3.tmp", false},
        {".SKINREMAP-a1B2c3.tmp", false},
        {"x.skinremap-a1B2c3.tmp", false},
        {".skinremap-.tmp", false},
        {"skin.bmp", false},
        {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(storage::isOwnTemporaryName(c.name), c.ours) << '"' << c.name << '"';
    }
}

TEST(StaleTemporariesTest, NamesOfLiveTemporariesAreRecognised) {
    TempDir dir;
    writeBytes(dir.file("skin.bmp"), {1, 2, 3});
    storage::ReplacingFile file(dir.file("skin.bmp").c_str());
    ASSERT_NE(file.handle(), platform::InvalidFileHandle);
    const auto names = namesIn(dir.path());
    ASSERT_EQ(names.size(), 2u);
    EXPECT_TRUE(storage::isOwnTemporaryName(names[0])) << names[0];
    EXPECT_FALSE(storage::isOwnTemporaryName(names[1])) << names[1];
}

// What a killed run leaves: a temporary marked with its own name, as a run marks each it
// makes, or one still empty. Where names are swapped, a file under such a name without the
// mark may be a user's (the file a swap took out of a skin's place): it is kept, under a
// name that says which skin it came from, found by the mark the new skin still carries.
void writeMarked(const std::string& path, const std::string& mark,
                 const std::vector<std::uint8_t>& bytes) {
    writeBytes(path, bytes);
#ifndef _WIN32
    ASSERT_EQ(setxattr(path.c_str(), "user.skinremap.temporary", mark.data(), mark.size(), 0), 0);
#else
    static_cast<void>(mark);
#endif
}

TEST(StaleTemporariesTest, RemovesOurFilesAndKeepsEverythingElse) {
    TempDir dir;
    const std::vector<std::uint8_t> bytes{'x'};
    writeMarked(dir.file(".skinremap-Ab12Cd.tmp"), ".skinremap-Ab12Cd.tmp", bytes);
    writeBytes(dir.file(".skinremap-zzzzzz.tmp"), {});
    writeBytes(dir.file(".skinremap-Ab12C.tmp"), bytes);
    writeMarked(dir.file("skin.bmp"), ".skinremap-Us3rs0.tmp", bytes);
    writeBytes(dir.file(".skinremap-Us3rs0.tmp"), {'s', 'a', 'v', 'e', 'd'});
    writeMarked(dir.file(".skinremap-0ther0.tmp"), ".skinremap-Ab12Cd.tmp", bytes);
    writeBytes(dir.file(".skinremap-other.tmp"), bytes);
    fs::create_directory(dir.path() / ".skinremap-dir000.tmp");
#ifndef _WIN32 // links need privileges on Windows
    fs::create_symlink("skin.bmp", dir.path() / ".skinremap-link00.tmp");
#endif

    const storage::Sweep sweep = storage::removeStaleTemporaries(dir.path().string().c_str());

    std::vector<std::string> expected{".skinremap-Ab12C.tmp", ".skinremap-dir000.tmp",
                                      ".skinremap-other.tmp", "skin.bmp"};
#ifndef _WIN32
    EXPECT_EQ(sweep.removed, 2);
    ASSERT_EQ(sweep.kept.size(), 2u);
    expected.insert(expected.begin() + 2, ".skinremap-link00.tmp");
    for (const std::string& kept : sweep.kept) {
        EXPECT_TRUE(kept.starts_with("skin.bmp.saved-") ||
                    kept.starts_with("skinremap-0ther0.saved-"))
            << kept;
        expected.push_back(kept);
    }
    std::sort(expected.begin(), expected.end());
    const auto savedAt = std::find_if(sweep.kept.begin(), sweep.kept.end(), [](const auto& kept) {
        return kept.starts_with("skin.bmp.");
    });
    ASSERT_NE(savedAt, sweep.kept.end());
    EXPECT_EQ(testing_support::readBytes(dir.file(*savedAt)),
              (std::vector<std::uint8_t>{'s', 'a', 'v', 'e', 'd'}));
#else
    EXPECT_EQ(sweep.removed, 4);
#endif
    EXPECT_EQ(namesIn(dir.path()), expected);
}

// Another run in the same folder is writing: its temporary is held, and stays.
TEST(StaleTemporariesTest, ATemporaryAWriterHoldsIsKept) {
    TempDir dir;
    writeBytes(dir.file("skin.bmp"), {1, 2, 3});
    storage::ReplacingFile live(dir.file("skin.bmp").c_str());
    ASSERT_NE(live.handle(), platform::InvalidFileHandle);

    EXPECT_EQ(storage::removeStaleTemporaries(dir.path().string().c_str()).removed, 0);
    EXPECT_EQ(namesIn(dir.path()).size(), 2u);
    std::int32_t count = 0;
    const std::uint8_t byte = 7;
    EXPECT_TRUE(platform::writeFile(live.handle(), &byte, 1, count));
    EXPECT_EQ(live.commit(), storage::CommitResult::Replaced);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"skin.bmp"});
}

TEST(StaleTemporariesTest, AMissingDirectoryRemovesNothing) {
    TempDir dir;
    EXPECT_EQ(storage::removeStaleTemporaries(dir.file("missing").c_str()).removed, 0);
}

} // namespace
