#include "storage/commit_group.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "tests/support/file_bytes.h"
#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

using testing_support::namesIn;
using testing_support::readBytes;
using testing_support::TempDir;
using testing_support::writeBytes;
namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<std::uint8_t>;
const Bytes original{'o', 'l', 'd', '!'};
const Bytes saved{'s', 'a', 'v', 'e', 'd'};

Bytes newContents(const std::string& name) {
    return Bytes(name.begin(), name.end());
}

// A replacement of `file` holding its new contents, ready to join a group.
std::unique_ptr<storage::ReplacingFile> written(std::unique_ptr<storage::ReplacingFile> file,
                                                const std::string& name) {
    const Bytes bytes = newContents(name);
    std::int32_t count = 0;
    EXPECT_TRUE(platform::writeFile(file->handle(), bytes.data(),
                                    static_cast<std::int32_t>(bytes.size()), count));
    return file;
}

std::unique_ptr<storage::ReplacingFile> replacing(const TempDir& dir, const std::string& name) {
    return written(
        std::make_unique<storage::ReplacingFile>(platform::SourceFile(dir.file(name).c_str())),
        name);
}

std::unique_ptr<storage::ReplacingFile> newFile(const TempDir& dir, const std::string& name) {
    return written(std::make_unique<storage::ReplacingFile>(dir.file(name).c_str()), name);
}

// Nothing is in place before commit(); then each file is, in the order given, as long as it
// is still the file that was read, each one judged on its own.
TEST(CommitGroupTest, EachFileIsPutInPlaceAtTheCommitOnlyIfItIsStillTheOneRead) {
    TempDir dir;
    for (const char* name : {"a.bmp", "saved.bmp", "deleted.bmp", "z.bmp"}) {
        writeBytes(dir.file(name), original);
    }
    storage::CommitGroup group;
    EXPECT_TRUE(group.empty());
    group.add("z", replacing(dir, "z.bmp"), 4);
    group.add("saved", replacing(dir, "saved.bmp"), 4);
    group.add("new", newFile(dir, "new.bmp"), 4);
    group.add("deleted", replacing(dir, "deleted.bmp"), 4);
    group.add("a", replacing(dir, "a.bmp"), 4);
    EXPECT_FALSE(group.empty());
    EXPECT_EQ(readBytes(dir.file("a.bmp")), original);
    EXPECT_FALSE(fs::exists(dir.file("new.bmp")));

    using storage::CommitResult;
    std::vector<std::string> names{"z", "saved", "new", "deleted", "a"};
    std::vector<CommitResult> expected(names.size(), CommitResult::Replaced);
#ifndef _WIN32 // there, nobody can change a file while it is held open
    writeBytes(dir.file("saved.bmp"), saved);
    fs::remove(dir.file("deleted.bmp"));
    expected[1] = CommitResult::TargetChanged;
    expected[3] = CommitResult::TargetChanged;
#endif
    std::vector<std::string> committedNames;
    std::vector<CommitResult> results;
    for (const auto& outcome : group.commit()) {
        committedNames.push_back(outcome.name);
        results.push_back(outcome.result);
    }
    EXPECT_EQ(committedNames, names);
    EXPECT_EQ(results, expected);
    EXPECT_TRUE(group.empty());

    EXPECT_EQ(readBytes(dir.file("a.bmp")), newContents("a.bmp"));
    EXPECT_EQ(readBytes(dir.file("z.bmp")), newContents("z.bmp"));
    EXPECT_EQ(readBytes(dir.file("new.bmp")), newContents("new.bmp"));
#ifndef _WIN32
    EXPECT_EQ(readBytes(dir.file("saved.bmp")), saved);
    EXPECT_EQ(namesIn(dir.path()),
              (std::vector<std::string>{"a.bmp", "new.bmp", "saved.bmp", "z.bmp"}));
#endif
}

// The system refuses a step of the commit: a file's flush, a rename, the flush of the
// folder's names. A file that could not be flushed or renamed is failed and its target left
// as it was; one whose folder could not be flushed is in place, and said to be unflushed.
TEST(CommitGroupTest, AStepTheSystemRefusesIsReportedForWhatItIs) {
    using storage::CommitResult;
    using testing_support::RefusedFlushes;
    using testing_support::RefusedRenames;
    struct Case {
        const char* what;
        std::function<std::shared_ptr<void>()> refuse;
        CommitResult result;
    };
    const auto refusing = [](auto* made) { return std::shared_ptr<void>(made); };
    const std::vector<Case> cases = {
        {"a file's flush",
         [&] {
             return refusing(
                 new RefusedFlushes(RefusedFlushes::Files, platform::FileErrorKind::Other));
         },
         CommitResult::Failed},
        {"the rename", [&] { return refusing(new RefusedRenames(platform::FileErrorKind::Other)); },
         CommitResult::Failed},
#ifndef _WIN32 // Windows flushes no folder's names for a program
        {"the folder's flush",
         [&] {
             return refusing(
                 new RefusedFlushes(RefusedFlushes::Folders, platform::FileErrorKind::Other));
         },
         CommitResult::ReplacedUnflushed},
#endif
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        writeBytes(dir.file("a.bmp"), original);
        storage::CommitGroup group;
        group.add("a", replacing(dir, "a.bmp"), 4);
        const auto refused = c.refuse();
        const auto outcomes = group.commit();
        ASSERT_EQ(outcomes.size(), 1u);
        EXPECT_EQ(outcomes[0].result, c.result);
        EXPECT_EQ(readBytes(dir.file("a.bmp")),
                  c.result == CommitResult::Failed ? original : newContents("a.bmp"));
        EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"a.bmp"});
    }
}

// Each waiting file holds two open files: a group asks to be committed long before a
// process runs out of them, and at the latest when it holds a lot of data.
TEST(CommitGroupTest, AGroupIsFullAfterSomeDozensOfFilesOrMuchData) {
    TempDir dir;
    storage::CommitGroup group;
    int added = 0;
    while (!group.full() && added < 200) {
        const std::string name = "skin" + std::to_string(added++) + ".bmp";
        group.add(name, newFile(dir, name), 1);
    }
    EXPECT_GE(added, 8);
    EXPECT_LE(added, 128);
    EXPECT_EQ(group.commit().size(), static_cast<std::size_t>(added));
    EXPECT_FALSE(group.full());

    group.add("large", newFile(dir, "large.bmp"), std::int64_t{1} << 30);
    EXPECT_TRUE(group.full());
}

} // namespace
