#include "platform/folder_watch.h"

#include <chrono>
#include <filesystem>
#include <future>
#include <thread>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

using testing_support::TempDir;
using testing_support::writeBytes;
namespace fs = std::filesystem;

namespace {

using Names = std::vector<std::string>;

// What one wait takes, from another thread, so that a wait that never ends fails the test.
Names nextNames(platform::FolderWatch& watch) {
    auto waiting = std::async(std::launch::async, [&] {
        platform::FolderWatch::Changes changes;
        return watch.wait(changes) ? changes.names : Names{"(stopped)"};
    });
    if (waiting.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
        watch.stop();
        return {"(no change seen)"};
    }
    return waiting.get();
}

// A file written and closed, or renamed in, is named once; one in a folder below is not;
// a stop ends a wait at once.
TEST(FolderWatchTest, NamesWhatIsSavedOrRenamedInAndStopsOnRequest) {
    TempDir dir;
    fs::create_directory(dir.path() / "below");
    platform::FolderWatch watch(dir.path().string());
    ASSERT_TRUE(watch.isOpen());

    writeBytes((dir.path() / "below" / "no.bmp").string(), {1});
    writeBytes(dir.file("a.bmp"), {1, 2, 3});
    writeBytes(dir.file("a.bmp"), {4, 5});
    EXPECT_EQ(nextNames(watch), Names{"a.bmp"});

    writeBytes((dir.path() / "below" / "b.tmp").string(), {1});
    fs::rename(dir.path() / "below" / "b.tmp", dir.path() / "b.bmp");
    EXPECT_EQ(nextNames(watch), Names{"b.bmp"});

    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        watch.stop();
    });
    EXPECT_EQ(nextNames(watch), Names{"(stopped)"});
    stopper.join();
}

TEST(FolderWatchTest, AFolderThatIsNotThereCannotBeFollowed) {
    TempDir dir;
    EXPECT_FALSE(platform::FolderWatch(dir.file("missing")).isOpen());
}

} // namespace
