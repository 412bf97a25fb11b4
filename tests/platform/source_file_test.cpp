#include "platform/source_file.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

#ifndef _WIN32
#include <atomic>
#include <chrono>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using testing_support::TempDir;
using testing_support::writeBytes;
namespace fs = std::filesystem;

namespace {

TEST(SourceFileTest, AFileReadTwiceUnchangedIsTheSameAndAnyChangeShows) {
    TempDir dir;
    const std::string name = dir.file("skin.bmp");
    writeBytes(name, {1, 2, 3});
    platform::FileIdentity first;
    {
        const platform::SourceFile source(name.c_str());
        ASSERT_TRUE(source.isOpen());
        EXPECT_EQ(source.name(), name);
        EXPECT_EQ(source.path(), name);
        EXPECT_EQ(source.identity().size, 3);
        first = source.identity();
    }
    EXPECT_EQ(platform::SourceFile(name.c_str()).identity(), first);

    writeBytes(name, {1, 2, 3, 4});
    EXPECT_NE(platform::SourceFile(name.c_str()).identity(), first) << "written again in place";
    writeBytes(dir.file("saved.tmp"), {1, 2, 3});
    fs::rename(dir.file("saved.tmp"), name);
    const platform::SourceFile again(name.c_str());
    EXPECT_NE(again.identity().index, first.index) << "another file of the same name";
}

// Nothing but a regular file is read, and opening never waits: a FIFO without a writer
// would hold an ordinary open for ever.
TEST(SourceFileTest, WhatIsNotARegularFileIsRefusedAtOnce) {
    TempDir dir;
    fs::create_directory(dir.file("folder.bmp"));
    std::vector<std::string> refused{dir.file("folder.bmp")};
#ifndef _WIN32
    ASSERT_EQ(mkfifo(dir.file("fifo.bmp").c_str(), 0644), 0);
    fs::create_symlink("fifo.bmp", dir.path() / "to-fifo.bmp");
    refused.insert(refused.end(), {dir.file("fifo.bmp"), dir.file("to-fifo.bmp"), "/dev/null"});
#endif
    for (const std::string& name : refused) {
        const platform::SourceFile source(name.c_str());
        EXPECT_FALSE(source.isOpen()) << name;
        EXPECT_EQ(platform::lastFileError(), platform::FileErrorKind::NotRegularFile) << name;
    }
    const platform::SourceFile missing(dir.file("missing.bmp").c_str());
    EXPECT_FALSE(missing.isOpen());
    EXPECT_EQ(platform::lastFileError(), platform::FileErrorKind::FileNotFound);
}

#ifndef _WIN32
// What is not a regular file is refused before it is opened at all: opening a device can
// act on it, and opening a FIFO lets a program that waits to write into it go ahead.
TEST(SourceFileTest, WhatIsNotARegularFileIsNeverEvenOpened) {
    TempDir dir;
    const std::string fifo = dir.file("fifo.bmp");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    std::atomic<bool> writing{false};
    std::thread writer([&] {
        const int fd = ::open(fifo.c_str(), O_WRONLY | O_CLOEXEC); // waits for a reader
        writing = true;
        ::close(fd);
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(100)); // the writer waits by now
    EXPECT_FALSE(platform::SourceFile(fifo.c_str()).isOpen());
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(writing) << "the refusal opened the FIFO";
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    writer.join();
    ::close(reader);
}
#endif

TEST(SourceFileTest, ALinkStandsForItsFinalTarget) {
#ifdef _WIN32
    GTEST_SKIP() << "links are a POSIX concern here";
#endif
    TempDir dir;
    fs::create_directory(dir.file("real"));
    writeBytes(dir.file("real/skin.bmp"), {1, 2, 3});
    fs::create_symlink("real/skin.bmp", dir.path() / "middle.bmp");
    fs::create_symlink("middle.bmp", dir.path() / "link.bmp");

    const platform::SourceFile source(dir.file("link.bmp").c_str());
    ASSERT_TRUE(source.isOpen());
    EXPECT_EQ(source.path(), fs::canonical(dir.file("real/skin.bmp")).string());
    EXPECT_EQ(source.identity(),
              platform::SourceFile(dir.file("real/skin.bmp").c_str()).identity());
}

} // namespace
