#include "platform/process.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

namespace {

TEST(ProcessTest, CurrentDirectoryFollowsChanges) {
    const testing_support::TempDir dir;
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(dir.path());
    const std::string inside = platform::currentDirectory();
    std::filesystem::current_path(home);

    EXPECT_TRUE(std::filesystem::equivalent(inside, dir.path()));
    EXPECT_TRUE(std::filesystem::equivalent(platform::currentDirectory(), home));
}

} // namespace
