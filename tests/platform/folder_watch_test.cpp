#include "platform/folder_watch.h"

#include <algorithm>
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

// The names of the waits until one names `expected` (Windows tells of a save in several
// events, and of a subfolder whose contents changed), or what went wrong; each wait runs in
// another thread, so that one that never ends fails the test.
Names namesUntil(platform::FolderWatch& watch, const std::string& expected) {
    Names seen;
    while (std::find(seen.begin(), seen.end(), expected) == seen.end()) {
        auto waiting = std::async(std::launch::async, [&] {
            platform::FolderWatch::Changes changes;
            return watch.wait(changes) ? changes.names : Names{"(stopped)"};
        });
        if (waiting.wait_for(std::chrono::seconds(10)) != std::future_status::ready) {
            watch.stop();
            seen.push_back("(no change seen)");
            return seen;
        }
        const Names names = waiting.get();
        seen.insert(seen.end(), names.begin(), names.end());
        if (names == Names{"(stopped)"}) {
            return seen;
        }
    }
    return seen;
}

bool has(const Names& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A file written and closed, or renamed in, is named; a file in a folder below is not; a
// nudge ends a wait as its time would, a stop ends it for good.
TEST(FolderWatchTest, NamesWhatIsSavedOrRenamedInAndStopsOnRequest) {
    TempDir dir;
    fs::create_directory(dir.path() / "below");
    platform::FolderWatch watch(dir.path().string());
    ASSERT_TRUE(watch.isOpen());

    writeBytes((dir.path() / "below" / "no.bmp").string(), {1});
    writeBytes(dir.file("a.bmp"), {1, 2, 3});
    Names seen = namesUntil(watch, "a.bmp");
    EXPECT_TRUE(has(seen, "a.bmp")) << seen.back();
    EXPECT_FALSE(has(seen, "no.bmp"));

    writeBytes((dir.path() / "below" / "b.tmp").string(), {1});
    fs::rename(dir.path() / "below" / "b.tmp", dir.path() / "b.bmp");
    seen = namesUntil(watch, "b.bmp");
    EXPECT_TRUE(has(seen, "b.bmp")) << seen.back();

    platform::FolderWatch::Changes changes;
    watch.nudge();
    EXPECT_TRUE(watch.wait(changes));
    EXPECT_TRUE(changes.names.empty());
    EXPECT_TRUE(watch.wait(changes, 10)) << "a time that runs out is no end";

    std::thread stopper([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        watch.stop();
    });
    EXPECT_EQ(namesUntil(watch, "never"), Names{"(stopped)"});
    stopper.join();
}

TEST(FolderWatchTest, AFolderThatIsNotThereCannotBeFollowed) {
    TempDir dir;
    EXPECT_FALSE(platform::FolderWatch(dir.file("missing")).isOpen());
}

} // namespace
