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
// events, and of a subfolder whose contents changed), then "(stopped)" if a wait ended.
Names namesUntil(platform::FolderWatch& watch, const std::string& expected) {
    Names seen;
    platform::FolderWatch::Changes changes;
    while (std::find(seen.begin(), seen.end(), expected) == seen.end()) {
        if (!watch.wait(changes)) {
            seen.push_back("(stopped)");
            break;
        }
        seen.insert(seen.end(), changes.names.begin(), changes.names.end());
    }
    return seen;
}

bool has(const Names& names, const std::string& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// A file written and closed, or renamed in, is named; a file in a folder below is not; a
// nudge ends a wait as its time would, a stop ends it for good. The waits run on one
// thread, as a watch's do (Windows ends a thread's reads with it), while this one stops
// them should one never end.
TEST(FolderWatchTest, NamesWhatIsSavedOrRenamedInAndStopsOnRequest) {
    TempDir dir;
    fs::create_directory(dir.path() / "below");
    platform::FolderWatch watch(dir.path().string());
    ASSERT_TRUE(watch.isOpen());

    std::promise<void> lastWait;
    auto waits = std::async(std::launch::async, [&] {
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
        lastWait.set_value();
        return namesUntil(watch, "never");
    });
    lastWait.get_future().wait_for(std::chrono::seconds(20));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    watch.stop();
    ASSERT_EQ(waits.wait_for(std::chrono::seconds(20)), std::future_status::ready);
    EXPECT_EQ(waits.get().back(), "(stopped)");
}

TEST(FolderWatchTest, AFolderThatIsNotThereCannotBeFollowed) {
    TempDir dir;
    EXPECT_FALSE(platform::FolderWatch(dir.file("missing")).isOpen());
}

} // namespace
