#include "platform/replacing_file.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

using testing_support::namesIn;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;
namespace fs = std::filesystem;

namespace {

const std::vector<std::uint8_t> original{'o', 'l', 'd', '!'};
const std::vector<std::uint8_t> replacement{'n', 'e', 'w', ' ', 'd', 'a', 't', 'a'};

bool writeAll(platform::FileHandle file, const std::vector<std::uint8_t>& bytes) {
    std::int32_t count = 0;
    return platform::writeFile(file, bytes.data(), static_cast<std::int32_t>(bytes.size()), count);
}

TEST(ReplacingFileTest, CommitReplacesContentsAndKeepsPermissions) {
    TempDir dir;
    const std::string target = dir.file("skin.bmp");
    writeBytes(target, original);
    fs::permissions(target, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

    {
        platform::ReplacingFile file(target.c_str());
        ASSERT_NE(file.handle(), platform::InvalidFileHandle);
        ASSERT_TRUE(writeAll(file.handle(), replacement));
        EXPECT_EQ(readBytes(target), original) << "nothing reaches the target before commit";
        ASSERT_TRUE(file.commit());
    }
    EXPECT_EQ(readBytes(target), replacement);
#ifndef _WIN32 // Windows keeps only a read-only attribute, and a read-only target is refused
    EXPECT_EQ(fs::status(target).permissions(),
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"skin.bmp"});
}

TEST(ReplacingFileTest, FailedOrAbandonedWritesLeaveTheTargetAlone) {
    TempDir dir;
    const std::string target = dir.file("skin.bmp");
    writeBytes(target, original);

    {
        platform::ReplacingFile file(target.c_str());
        {
            const testing_support::DiskFullAfter full(3);
            EXPECT_FALSE(writeAll(file.handle(), replacement));
        }
        EXPECT_EQ(platform::lastFileError(), platform::FileErrorKind::DiskFull);
    } // not committed
    EXPECT_EQ(readBytes(target), original);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"skin.bmp"});
}

TEST(ReplacingFileTest, ReadOnlyTargetsAndMissingDirectoriesAreRefused) {
    TempDir dir;
    const std::string target = dir.file("locked.bmp");
    writeBytes(target, original);
    fs::permissions(target, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);

    platform::ReplacingFile locked(target.c_str());
    EXPECT_EQ(locked.handle(), platform::InvalidFileHandle) << "must hold for root too";
    EXPECT_EQ(platform::lastFileError(), platform::FileErrorKind::AccessDenied);
    EXPECT_FALSE(locked.commit());
    EXPECT_EQ(readBytes(target), original);

    fs::create_directory(dir.file("folder.bmp"));
    platform::ReplacingFile folder(dir.file("folder.bmp").c_str());
    EXPECT_EQ(folder.handle(), platform::InvalidFileHandle);

    platform::ReplacingFile nowhere(dir.file("missing/skin.bmp").c_str());
    EXPECT_EQ(nowhere.handle(), platform::InvalidFileHandle);
    EXPECT_EQ(platform::lastFileError(), platform::FileErrorKind::PathNotFound);
}

TEST(ReplacingFileTest, SymbolicLinkIsFollowedAndStaysALink) {
#ifdef _WIN32
    GTEST_SKIP() << "links are a POSIX concern here";
#endif
    TempDir dir;
    fs::create_directory(dir.file("real"));
    const std::string real = dir.file("real/skin.bmp");
    writeBytes(real, original);
    const std::string link = dir.file("link.bmp");
    fs::create_symlink("real/skin.bmp", link);

    platform::ReplacingFile file(link.c_str());
    ASSERT_TRUE(writeAll(file.handle(), replacement));
    ASSERT_TRUE(file.commit());
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(real), replacement);
    EXPECT_EQ(namesIn(dir.file("real")), std::vector<std::string>{"skin.bmp"});
}

TEST(ReplacingFileTest, NewFileIsCreated) {
    TempDir dir;
    const std::string target = dir.file("fresh.bmp");
    platform::ReplacingFile file(target.c_str());
    ASSERT_TRUE(writeAll(file.handle(), replacement));
    ASSERT_TRUE(file.commit());
    EXPECT_EQ(readBytes(target), replacement);
    EXPECT_NE(fs::status(target).permissions() & fs::perms::owner_read, fs::perms::none);
}

} // namespace
