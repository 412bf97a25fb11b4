#include "core/file_wstream.h"

#include <gtest/gtest.h>

#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

using testing_support::countingBytes;
using testing_support::readBytes;
using testing_support::TempDir;

namespace {

TEST(FileWStreamTest, WritesTruncateAndLandInOrder) {
    TempDir dir;
    const std::string name = dir.file("out.bin");
    testing_support::writeBytes(name, countingBytes(100));

    const auto bytes = countingBytes(3000);
    {
        FileWStream stream(name.c_str());
        ASSERT_EQ(stream.getStatus(), Ok);
        EXPECT_TRUE(stream.write(1000, bytes.data()));
        EXPECT_EQ(stream.getLastCount(), 1000);
        EXPECT_TRUE(stream.write(0, nullptr));
        EXPECT_TRUE(stream.write(2000, bytes.data() + 1000));
        EXPECT_EQ(stream.getPosition(), 3000);
        EXPECT_EQ(stream.getSize(), 3000);
        EXPECT_TRUE(stream.flush());
    }
    EXPECT_EQ(readBytes(name), bytes);
}

TEST(FileWStreamTest, SetPositionOverwritesInPlace) {
    TempDir dir;
    const std::string name = dir.file("out.bin");
    {
        FileWStream stream(name.c_str());
        const auto bytes = countingBytes(8);
        ASSERT_TRUE(stream.write(8, bytes.data()));
        ASSERT_TRUE(stream.setPosition(2));
        const std::uint8_t patch = 0xAB;
        ASSERT_TRUE(stream.write(1, &patch));
    }
    EXPECT_EQ(readBytes(name), (std::vector<std::uint8_t>{0, 1, 0xAB, 3, 4, 5, 6, 7}));
}

TEST(FileWStreamTest, FailuresAreStickyAndClassified) {
    TempDir dir;
    FileWStream noDirectory(dir.file("nodir/out.bin").c_str());
    EXPECT_EQ(noDirectory.getStatus(), IoError) << "path not found is an I/O failure";

    FileWStream stream(dir.file("out.bin").c_str());
    std::uint8_t byte = 1;
    EXPECT_FALSE(stream.read(1, &byte));
    EXPECT_EQ(stream.getStatus(), Unsupported);
    EXPECT_FALSE(stream.write(1, &byte));
    EXPECT_FALSE(stream.setPosition(0));
    EXPECT_EQ(stream.getStatus(), Unsupported) << "the first failure is the one reported";

    ASSERT_TRUE(stream.open(dir.file("again.bin").c_str()));
    EXPECT_FALSE(stream.write(-1, &byte));
    EXPECT_EQ(stream.getStatus(), IoError);
    EXPECT_EQ(std::filesystem::file_size(dir.file("again.bin")), 0u);
}

// The system may take fewer bytes than asked in one call (a pipe, an interrupted call, a
// nearly full device). The rest goes in further calls; a system that takes nothing more
// leaves the stream failed rather than a file with a piece missing.
TEST(FileWStreamTest, WritesTheSystemTakesInPiecesArriveWholeOrFail) {
    const auto bytes = countingBytes(3000);
    for (const std::int32_t perCall : {1, 7, 1024, 2999}) {
        SCOPED_TRACE(perCall);
        TempDir dir;
        const std::string name = dir.file("out.bin");
        {
            FileWStream stream(name.c_str());
            {
                const testing_support::ShortWriteCalls shortCalls(perCall);
                EXPECT_TRUE(stream.write(3000, bytes.data()));
            }
            EXPECT_EQ(stream.getLastCount(), 3000);
            EXPECT_EQ(stream.getStatus(), Ok);
        }
        EXPECT_EQ(readBytes(name), bytes);
    }

    TempDir dir;
    FileWStream stream(dir.file("out.bin").c_str());
    {
        const testing_support::ShortWriteCalls nothingTaken(0);
        EXPECT_FALSE(stream.write(10, bytes.data()));
    }
    EXPECT_EQ(stream.getStatus(), IoError);
    EXPECT_FALSE(stream.write(10, bytes.data())) << "the failure is sticky";
}

TEST(FileWStreamTest, QueryAnswersFromItsTable) {
    FileWStream stream;
    EXPECT_EQ(stream.getStatus(), Closed);
    EXPECT_EQ(stream.query(0), 3);
    EXPECT_EQ(stream.query(1), 1);
    EXPECT_EQ(stream.query(2), 0);
    EXPECT_EQ(stream.query(3), 1);
    EXPECT_EQ(stream.query(7), 0);
}

} // namespace
