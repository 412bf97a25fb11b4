#include "app/file_list.h"

#include <string>

#include <gtest/gtest.h>

namespace {

TEST(FileListTest, GrowsInStepsOfFiveAndKeepsTheOrder) {
    FileList list;
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(list.flags, 0);
    const int expectedCapacity[] = {5, 5, 5, 5, 5, 10, 10, 10, 10, 10, 15};
    for (int i = 0; i < 11; ++i) {
        ASSERT_TRUE(list.add(("f" + std::to_string(i) + ".bmp").c_str()));
        EXPECT_EQ(list.itemCount, i + 1);
        EXPECT_EQ(list.capacity, expectedCapacity[i]);
    }
    EXPECT_EQ(list.flags & FileList::OwnsItems, FileList::OwnsItems);

    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(std::string(list.first()), "f" + std::to_string(i) + ".bmp");
        list.removeFirst();
        EXPECT_EQ(list.itemCount, 10 - i);
    }
    EXPECT_EQ(list.capacity, 15); // never shrinks
    list.removeFirst();           // harmless on an empty list
    EXPECT_EQ(list.itemCount, 0);
}

TEST(FileListTest, KeepsItsOwnCopyOfEachName) {
    FileList list;
    char name[] = "a.bmp";
    ASSERT_TRUE(list.add(name));
    name[0] = 'b';
    EXPECT_STREQ(list.first(), "a.bmp");
}

} // namespace
