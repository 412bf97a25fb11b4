#include "storage/replacing_file.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "storage/stale_temporaries.h"
#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <cerrno>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "tests/support/file_metadata.h"
#endif

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
        storage::ReplacingFile file(target.c_str());
        ASSERT_NE(file.handle(), platform::InvalidFileHandle);
        ASSERT_TRUE(writeAll(file.handle(), replacement));
        EXPECT_EQ(readBytes(target), original) << "nothing reaches the target before commit";
        ASSERT_EQ(file.commit(), storage::CommitResult::Replaced);
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
        storage::ReplacingFile file(target.c_str());
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

    storage::ReplacingFile locked(target.c_str());
    EXPECT_EQ(locked.handle(), platform::InvalidFileHandle) << "must hold for root too";
    EXPECT_EQ(platform::lastFileError(), platform::FileErrorKind::AccessDenied);
    EXPECT_EQ(locked.commit(), storage::CommitResult::Failed);
    EXPECT_EQ(readBytes(target), original);

    fs::create_directory(dir.file("folder.bmp"));
    storage::ReplacingFile folder(dir.file("folder.bmp").c_str());
    EXPECT_EQ(folder.handle(), platform::InvalidFileHandle);

    storage::ReplacingFile nowhere(dir.file("missing/skin.bmp").c_str());
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

    storage::ReplacingFile file(link.c_str());
    ASSERT_TRUE(writeAll(file.handle(), replacement));
    ASSERT_EQ(file.commit(), storage::CommitResult::Replaced);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(readBytes(real), replacement);
    EXPECT_EQ(namesIn(dir.file("real")), std::vector<std::string>{"skin.bmp"});
}

TEST(ReplacingFileTest, NewFileIsCreated) {
    TempDir dir;
    const std::string target = dir.file("fresh.bmp");
    storage::ReplacingFile file(target.c_str());
    ASSERT_TRUE(writeAll(file.handle(), replacement));
    ASSERT_EQ(file.commit(), storage::CommitResult::Replaced);
    EXPECT_EQ(readBytes(target), replacement);
    EXPECT_NE(fs::status(target).permissions() & fs::perms::owner_read, fs::perms::none);
}

TEST(ReplacingFileTest, ANewFileNeverReplacesOneThatAppearedMeanwhile) {
    TempDir dir;
    const std::string target = dir.file("fresh.bmp");
    storage::ReplacingFile file(target.c_str());
    ASSERT_TRUE(writeAll(file.handle(), replacement));
    writeBytes(target, original);
    EXPECT_EQ(file.commit(), storage::CommitResult::TargetChanged);
    EXPECT_EQ(readBytes(target), original);
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"fresh.bmp"});
}

bool anyTemporaryIn(const fs::path& directory) {
    for (const std::string& name : namesIn(directory)) {
        if (storage::isOwnTemporaryName(name)) {
            return true;
        }
    }
    return false;
}

// Whatever happens to a file between its read and its replacement wins over the
// replacement: a save, a deletion, a link put in its place, a link pointed elsewhere.
TEST(ReplacingFileTest, AnOriginalThatChangedAfterItsReadIsLeftAsItIs) {
#ifdef _WIN32
    GTEST_SKIP() << "on Windows nobody can change the original while it is held open";
#endif
    struct Case {
        const char* what;
        const char* opened; // the name the original was read through
        std::function<void(const TempDir&)> change;
        bool replaced;
    };
    const std::vector<std::uint8_t> saved{'s', 'a', 'v', 'e', 'd', ' ', 'a', 'g', 'a', 'i', 'n'};
    const auto saveByRename = [&saved](const std::string& name) {
        writeBytes(name + ".new", saved);
        fs::rename(name + ".new", name);
    };
    const std::vector<Case> cases{
        {"nothing", "skin.bmp", [](const TempDir&) {}, true},
        {"written again in place", "skin.bmp",
         [&](const TempDir& dir) { writeBytes(dir.file("skin.bmp"), saved); }, false},
        {"saved by a rename", "skin.bmp",
         [&](const TempDir& dir) { saveByRename(dir.file("skin.bmp")); }, false},
        {"deleted", "skin.bmp", [](const TempDir& dir) { fs::remove(dir.file("skin.bmp")); },
         false},
        {"a link put in its place", "skin.bmp",
         [](const TempDir& dir) {
             fs::remove(dir.file("skin.bmp"));
             fs::create_symlink("other.bmp", dir.file("skin.bmp"));
         },
         false},
        {"nothing, through a link", "link.bmp", [](const TempDir&) {}, true},
        {"the link pointed elsewhere", "link.bmp",
         [](const TempDir& dir) {
             fs::remove(dir.file("link.bmp"));
             fs::create_symlink("other.bmp", dir.file("link.bmp"));
         },
         false},
        {"the link's target saved again", "link.bmp",
         [&](const TempDir& dir) { saveByRename(dir.file("real/skin.bmp")); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeBytes(dir.file("skin.bmp"), original);
        writeBytes(dir.file("other.bmp"), original);
        fs::create_directory(dir.file("real"));
        writeBytes(dir.file("real/skin.bmp"), original);
        fs::create_symlink("real/skin.bmp", dir.file("link.bmp"));
        const std::string opened = dir.file(c.opened);

        storage::ReplacingFile file(platform::SourceFile(opened.c_str()));
        ASSERT_TRUE(writeAll(file.handle(), replacement));
        c.change(dir);
        const auto before = fs::exists(opened) ? readBytes(opened) : std::vector<std::uint8_t>{};

        EXPECT_EQ(file.commit(), c.replaced ? storage::CommitResult::Replaced
                                            : storage::CommitResult::TargetChanged);
        if (c.replaced) {
            EXPECT_EQ(readBytes(opened), replacement);
        } else if (fs::exists(opened)) {
            EXPECT_EQ(readBytes(opened), before);
        }
        EXPECT_EQ(readBytes(dir.file("other.bmp")), original);
        EXPECT_FALSE(anyTemporaryIn(dir.path()) || anyTemporaryIn(dir.file("real")));
    }
}

// A run killed while it wrote through a link left its temporary beside the link's target;
// the next write there clears it away, but never one that a live writer holds.
TEST(ReplacingFileTest, WritingBesideALinksTargetClearsStaleTemporariesThere) {
#ifdef _WIN32
    GTEST_SKIP() << "links are a POSIX concern here";
#endif
    TempDir dir;
    fs::create_directory(dir.file("real"));
    writeBytes(dir.file("real/skin.bmp"), original);
    writeBytes(dir.file("real/other.bmp"), original);
    writeBytes(dir.file("real/.skinremap-Stale1.tmp"), original);
    fs::create_symlink("real/skin.bmp", dir.file("link.bmp"));
    storage::ReplacingFile live(dir.file("real/other.bmp").c_str());

    storage::ReplacingFile file(platform::SourceFile(dir.file("link.bmp").c_str()));
    ASSERT_TRUE(writeAll(file.handle(), replacement));
    ASSERT_EQ(file.commit(), storage::CommitResult::Replaced);
    const auto names = namesIn(dir.file("real"));
    EXPECT_EQ(std::count_if(names.begin(), names.end(), storage::isOwnTemporaryName), 1)
        << "only the live temporary is left";
    EXPECT_EQ(std::count(names.begin(), names.end(), ".skinremap-Stale1.tmp"), 0);
}

#ifndef _WIN32
using testing_support::aclText;
using testing_support::attribute;
using testing_support::setAcl;

// A named user's entry and a group entry narrower than the mask, which a plain copy of the
// permission bits would widen to rw-; an attribute of the user's; another owner when we
// may give it. The directory's default ACL must not slip into the replacement either.
TEST(ReplacingFileTest, TheReplacementKeepsOwnerModeAclAndAttributes) {
    TempDir dir;
    const std::string target = dir.file("skin.bmp");
    writeBytes(target, original);
    ASSERT_EQ(chmod(target.c_str(), 0664), 0);
    if (!setAcl(target, ACL_TYPE_ACCESS, "u::rw-,u:4321:rw-,g::r--,m::rw-,o::r--") ||
        !setAcl(dir.path().string(), ACL_TYPE_DEFAULT, "u::rwx,u:999:rwx,g::r-x,m::rwx,o::---") ||
        setxattr(target.c_str(), "user.origin", "painted by hand", 15, 0) != 0) {
        GTEST_SKIP() << "the temporary directory's file system has no ACLs or user attributes: "
                     << std::strerror(errno);
    }
    if (geteuid() == 0) {
        ASSERT_EQ(chown(target.c_str(), 1234, 5678), 0);
    }
    struct stat before {};
    ASSERT_EQ(stat(target.c_str(), &before), 0);
    const std::string acl = aclText(target);

    storage::ReplacingFile file(platform::SourceFile(target.c_str()));
    ASSERT_TRUE(writeAll(file.handle(), replacement));
    ASSERT_EQ(file.commit(), storage::CommitResult::Replaced);

    struct stat after {};
    ASSERT_EQ(stat(target.c_str(), &after), 0);
    EXPECT_EQ(readBytes(target), replacement);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(aclText(target), acl);
    EXPECT_EQ(attribute(target, "user.origin"), "painted by hand");
}
#endif

} // namespace
