#include "core/file_rstream.h"

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "core/stream_fields.h"
#include "platform/file.h"
#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

using testing_support::countingBytes;
using testing_support::TempDir;
using testing_support::writeBytes;

namespace {

class FileRStreamTest : public ::testing::Test {
  protected:
    std::string makeFile(std::size_t size, const std::string& leaf = "data.bin") {
        const std::string name = dir.file(leaf);
        writeBytes(name, countingBytes(size));
        return name;
    }

    // System calls made while running `step`.
    template <typename Step> std::uint64_t callsDuring(Step step) {
        const auto before = testing_support::fileCallCount();
        step();
        return testing_support::fileCallCount() - before;
    }

    TempDir dir;
};

TEST_F(FileRStreamTest, ShortReadIsStickyUntilSetPosition) {
    FileRStream stream(makeFile(6).c_str());
    std::array<std::uint8_t, 10> data;
    data.fill(0xEE);

    EXPECT_FALSE(stream.read(10, data.data()));
    EXPECT_EQ(stream.getStatus(), EndOfFile);
    EXPECT_EQ(0, std::memcmp(data.data(), countingBytes(6).data(), 6));
    for (std::size_t i = 6; i < data.size(); ++i) {
        EXPECT_EQ(data[i], 0xEE) << "byte " << i << " past the delivered ones was touched";
    }
    EXPECT_EQ(stream.getPosition(), 6);

    data.fill(0xEE);
    EXPECT_EQ(callsDuring([&] { EXPECT_FALSE(stream.read(1, data.data())); }), 0u);
    EXPECT_FALSE(stream.read(0, data.data()));
    EXPECT_EQ(data[0], 0xEE);

    ASSERT_TRUE(stream.setPosition(0));
    EXPECT_EQ(stream.getStatus(), Ok);
    EXPECT_TRUE(stream.read(6, data.data()));
    EXPECT_EQ(0, std::memcmp(data.data(), countingBytes(6).data(), 6));
}

TEST_F(FileRStreamTest, ReadOfZeroBytesSucceedsOnlyWhenOk) {
    FileRStream stream(makeFile(4).c_str());
    EXPECT_TRUE(stream.read(0, nullptr));
    EXPECT_EQ(stream.getPosition(), 0);
    stream.close();
    EXPECT_FALSE(stream.read(0, nullptr));
}

TEST_F(FileRStreamTest, SmallReadsFillTheBufferLargeOnesBypassIt) {
    const auto expected = countingBytes(10000);
    FileRStream stream(makeFile(expected.size()).c_str());
    std::vector<std::uint8_t> data(1024);

    // 1,023 bytes: loaded through the buffer, so the position is known without a call.
    ASSERT_TRUE(stream.read(1023, data.data()));
    EXPECT_EQ(callsDuring([&] { EXPECT_EQ(stream.getPosition(), 1023); }), 0u);
    EXPECT_EQ(0, std::memcmp(data.data(), expected.data(), 1023));

    // 1,024 bytes at a buffer boundary: one read straight into the caller's memory.
    ASSERT_TRUE(stream.setPosition(4096));
    EXPECT_EQ(callsDuring([&] { ASSERT_TRUE(stream.read(1024, data.data())); }), 1u);
    EXPECT_EQ(0, std::memcmp(data.data(), expected.data() + 4096, 1024));
    EXPECT_EQ(callsDuring([&] { EXPECT_EQ(stream.getPosition(), 5120); }), 1u)
        << "a large read must not leave a buffer behind";
}

TEST_F(FileRStreamTest, ReadStraddlingTheBufferEndContinuesFromTheFile) {
    const auto expected = countingBytes(5000);
    FileRStream stream(makeFile(expected.size()).c_str());
    std::vector<std::uint8_t> data(100);

    ASSERT_TRUE(stream.setPosition(2000));
    ASSERT_TRUE(stream.read(8, data.data())); // buffer now holds 2000..4047
    ASSERT_TRUE(stream.setPosition(4000));    // inside it
    ASSERT_TRUE(stream.read(100, data.data()));
    EXPECT_EQ(0, std::memcmp(data.data(), expected.data() + 4000, 100));
    EXPECT_EQ(callsDuring([&] { EXPECT_EQ(stream.getPosition(), 4100); }), 1u)
        << "the buffer must be dropped after a straddling read";
}

TEST_F(FileRStreamTest, SeeksInsideTheBufferStayOutOfTheKernel) {
    const auto expected = countingBytes(5000);
    FileRStream stream(makeFile(expected.size()).c_str());
    std::array<std::uint8_t, 8> first{};
    std::array<std::uint8_t, 8> again{};

    ASSERT_TRUE(stream.read(8, first.data()));
    EXPECT_EQ(callsDuring([&] {
                  ASSERT_TRUE(stream.setPosition(stream.getPosition() - 8));
                  ASSERT_TRUE(stream.read(8, again.data()));
                  ASSERT_TRUE(stream.setPosition(2047)); // last buffered byte
              }),
              0u);
    EXPECT_EQ(first, again);

    // One past the buffer's last byte is outside it: a real seek, and the buffer is gone.
    EXPECT_EQ(callsDuring([&] { ASSERT_TRUE(stream.setPosition(2048)); }), 1u);
    EXPECT_EQ(callsDuring([&] { EXPECT_EQ(stream.getPosition(), 2048); }), 1u);
    std::uint8_t byte = 0;
    ASSERT_TRUE(stream.read(1, &byte));
    EXPECT_EQ(byte, expected[2048]);
}

TEST_F(FileRStreamTest, ShortReadPastBufferAndFileReportsTheTruePosition) {
    FileRStream stream(makeFile(3000).c_str());
    std::vector<std::uint8_t> data(2950, 0xEE);

    ASSERT_TRUE(stream.read(100, data.data()));
    EXPECT_FALSE(stream.read(2950, data.data()));
    EXPECT_EQ(stream.getStatus(), EndOfFile);
    EXPECT_EQ(stream.getPosition(), 3000);
    const auto expected = countingBytes(3000);
    EXPECT_EQ(0, std::memcmp(data.data(), expected.data() + 100, 2900));
    EXPECT_EQ(data[2900], 0xEE);
}

// A stream's positions are 32-bit and signed, so the last one it can name is INT32_MAX; a
// file over 2 GiB goes on past it. Reads that start just before must not overflow on the
// way: a small one through the buffer, and a short block read taken again in pieces.
TEST_F(FileRStreamTest, ReadsAcrossTheLastNameablePositionStayCorrect) {
#ifdef _WIN32
    GTEST_SKIP() << "sparse files are made here with POSIX calls only";
#endif
    constexpr std::int64_t Last = INT32_MAX;
    constexpr std::int64_t Marked = 16;          // counting bytes from Last - 8 on
    constexpr std::int64_t PastTheMark = 100000; // where the file ends
    const std::string name = dir.file("huge.bin");
    {
        std::ofstream out(name, std::ios::binary);
        out.seekp(Last - 8);
        const auto bytes = countingBytes(Marked);
        out.write(reinterpret_cast<const char*>(bytes.data()), Marked);
    }
    std::filesystem::resize_file(name, Last + PastTheMark); // sparse: no disk space taken

    FileRStream stream(name.c_str());
    ASSERT_TRUE(stream.setPosition(INT32_MAX - 1));
    std::array<std::uint8_t, 4> small{};
    ASSERT_TRUE(stream.read(4, small.data()));
    EXPECT_EQ(small, (std::array<std::uint8_t, 4>{7, 8, 9, 10}));

    ASSERT_TRUE(stream.setPosition(INT32_MAX - 1));
    std::vector<std::uint8_t> block(2 * PastTheMark, 0xEE);
    std::int32_t arrived = 0;
    stream_fields::readAvailable(stream, block.data(), static_cast<std::int32_t>(block.size()),
                                 arrived);
    EXPECT_EQ(block[0], 7);
    EXPECT_EQ(block[8], 15);
    EXPECT_EQ(block[9], 0) << "the hole after the marked bytes reads as zeros";
}

TEST_F(FileRStreamTest, WrongDirectionIsStickyUntilReopened) {
    const std::string name = makeFile(16);
    FileRStream stream(name.c_str());
    std::uint8_t byte = 0;

    EXPECT_FALSE(stream.write(1, &byte));
    EXPECT_EQ(stream.getStatus(), Unsupported);
    EXPECT_FALSE(stream.read(1, &byte));
    EXPECT_FALSE(stream.setPosition(0));
    EXPECT_EQ(stream.getStatus(), Unsupported);

    ASSERT_TRUE(stream.open(name.c_str()));
    EXPECT_TRUE(stream.read(1, &byte));
}

TEST_F(FileRStreamTest, NegativeRequestsAreRefusedWithoutTouchingTheFile) {
    FileRStream stream(makeFile(16).c_str());
    std::uint8_t byte = 0;
    EXPECT_EQ(callsDuring([&] { EXPECT_FALSE(stream.read(-1, &byte)); }), 0u);
    EXPECT_EQ(stream.getStatus(), IoError);

    FileRStream seeking(makeFile(16, "other.bin").c_str());
    EXPECT_EQ(callsDuring([&] { EXPECT_FALSE(seeking.setPosition(-4)); }), 0u);
    EXPECT_EQ(seeking.getStatus(), IoError);
}

TEST_F(FileRStreamTest, BorrowedHandleIsNeverClosedByTheStream) {
    const platform::FileHandle file = platform::openForRead(makeFile(16).c_str());
    ASSERT_NE(file, platform::InvalidFileHandle);
    {
        FileRStream stream(file);
        EXPECT_EQ(stream.getStatus(), Ok);
        stream.close();
        EXPECT_EQ(stream.getStatus(), Closed);
        stream.close();
        EXPECT_EQ(stream.getStatus(), Closed);
        stream.attach(file);
        EXPECT_EQ(stream.getStatus(), Ok);
    } // the destructor must leave it open too

    std::uint8_t byte = 0xEE;
    std::int32_t count = 0;
    EXPECT_TRUE(platform::readFile(file, &byte, 1, count));
    EXPECT_EQ(count, 1);
    EXPECT_TRUE(platform::closeFile(file));
}

// Closing drops the buffer, so a stream opened or attached again reads its new file, not
// what is left of the old one's buffer.
TEST_F(FileRStreamTest, AReopenedStreamReadsOnlyItsNewFile) {
    const std::string first = makeFile(64, "first.bin");
    const std::string second = dir.file("second.bin");
    writeBytes(second, std::vector<std::uint8_t>(64, 0xAB));
    const std::array<std::uint8_t, 4> fromSecond{0xAB, 0xAB, 0xAB, 0xAB};

    FileRStream stream(first.c_str());
    std::array<std::uint8_t, 4> data{};
    ASSERT_TRUE(stream.read(4, data.data())); // the whole first file is now buffered
    ASSERT_TRUE(stream.open(second.c_str()));
    ASSERT_TRUE(stream.read(4, data.data()));
    EXPECT_EQ(data, fromSecond);
    EXPECT_EQ(stream.getPosition(), 4);

    ASSERT_TRUE(stream.open(first.c_str()));
    ASSERT_TRUE(stream.read(4, data.data()));
    const platform::FileHandle borrowed = platform::openForRead(second.c_str());
    ASSERT_NE(borrowed, platform::InvalidFileHandle);
    stream.attach(borrowed);
    ASSERT_TRUE(stream.read(4, data.data()));
    EXPECT_EQ(data, fromSecond);
    stream.close();
    EXPECT_TRUE(platform::closeFile(borrowed));
}

TEST_F(FileRStreamTest, OpenFailuresAreClassified) {
    FileRStream missing(dir.file("missing.bin").c_str());
    EXPECT_EQ(missing.getStatus(), FileError);

    // A handle the caller failed to open is classified the way the system reported it.
    const platform::FileHandle none = platform::openForRead(dir.file("nodir/missing.bin").c_str());
    FileRStream fromHandle(none);
    EXPECT_EQ(fromHandle.getStatus(), IoError) << "a missing directory is not a missing file";
    platform::openForRead(dir.file("missing.bin").c_str());
    fromHandle.attach(platform::InvalidFileHandle);
    EXPECT_EQ(fromHandle.getStatus(), FileError);

    FileRStream closed;
    EXPECT_EQ(closed.getStatus(), Closed);
    EXPECT_EQ(closed.getSize(), 0);
}

TEST_F(FileRStreamTest, SizeIsKnownAtEndOfFileButNotWhenClosed) {
    FileRStream stream(makeFile(6).c_str());
    std::array<std::uint8_t, 8> data{};
    EXPECT_FALSE(stream.read(8, data.data()));
    EXPECT_EQ(stream.getSize(), 6);
    stream.close();
    EXPECT_EQ(stream.getSize(), 0);
}

TEST_F(FileRStreamTest, QueryAnswersFromItsTable) {
    FileRStream stream;
    EXPECT_EQ(stream.query(0), 2);
    EXPECT_EQ(stream.query(1), 0);
    EXPECT_EQ(stream.query(2), 1);
    EXPECT_EQ(stream.query(3), 1);
    EXPECT_EQ(stream.query(4), 0);
    EXPECT_EQ(stream.query(-1), 0);
    EXPECT_EQ(stream.reserved(), 0);
}

} // namespace
