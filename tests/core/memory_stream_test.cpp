// The in-memory stream the format tests rely on must behave like the file streams.
#include "tests/support/memory_stream.h"

#include <gtest/gtest.h>

using testing_support::MemoryStream;

TEST(MemoryStream, WritesExtendAndOverwriteAtThePosition) {
    MemoryStream stream;
    const std::uint8_t abc[] = {'a', 'b', 'c'};
    EXPECT_TRUE(stream.write(3, abc));
    EXPECT_TRUE(stream.setPosition(5));
    EXPECT_TRUE(stream.write(1, abc));
    EXPECT_TRUE(stream.setPosition(1));
    EXPECT_TRUE(stream.write(1, abc));
    EXPECT_EQ(stream.bytes(), (std::vector<std::uint8_t>{'a', 'a', 'c', 0, 0, 'a'}));
    EXPECT_EQ(stream.getPosition(), 2);
}

TEST(MemoryStream, ShortReadDeliversWhatIsLeftAndIsSticky) {
    MemoryStream stream({1, 2, 3});
    std::uint8_t out[4] = {9, 9, 9, 9};
    EXPECT_FALSE(stream.read(4, out));
    EXPECT_EQ(stream.getStatus(), EndOfFile);
    EXPECT_EQ(stream.getLastCount(), 3);
    EXPECT_EQ(out[0], 1);
    EXPECT_EQ(out[2], 3);
    EXPECT_EQ(out[3], 9) << "memory past what arrived is left alone";
    EXPECT_FALSE(stream.read(1, out));
    EXPECT_EQ(out[0], 1) << "a failed stream delivers nothing";
    EXPECT_TRUE(stream.setPosition(1)); // a seek clears an end of file
    EXPECT_TRUE(stream.read(2, out));
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 3);
}

TEST(MemoryStream, FailsAfterTheBudget) {
    MemoryStream writer;
    writer.failAfter(5);
    const std::uint8_t bytes[4] = {1, 2, 3, 4};
    EXPECT_TRUE(writer.write(4, bytes));
    EXPECT_FALSE(writer.write(4, bytes));
    EXPECT_EQ(writer.getStatus(), IoError);
    EXPECT_EQ(writer.bytes().size(), 5u);
    EXPECT_FALSE(writer.setPosition(0)); // an I/O failure is not cleared by a seek

    MemoryStream reader({1, 2, 3, 4, 5, 6});
    reader.failAfter(2);
    std::uint8_t out[3] = {};
    EXPECT_TRUE(reader.read(2, out));
    EXPECT_FALSE(reader.read(1, out));
    EXPECT_EQ(reader.getStatus(), IoError);
}

TEST(MemoryStream, NegativeSizesAndSeeksFail) {
    MemoryStream stream({1});
    EXPECT_FALSE(stream.setPosition(-1));
    EXPECT_EQ(stream.getStatus(), IoError);
    MemoryStream other({1});
    std::uint8_t out = 0;
    EXPECT_FALSE(other.read(-1, &out));
    EXPECT_EQ(other.getStatus(), IoError);
}
