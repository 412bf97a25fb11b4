#include "app/file_list.h"

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

namespace {

std::string nameOf(int i) {
    char name[16];
    std::snprintf(name, sizeof name, "f%d.bmp", i);
    return name;
}

TEST(FileListTest, GrowsInStepsOfFiveAndKeepsTheOrder) {
    FileList list;
    EXPECT_EQ(list.capacity, 0);
    EXPECT_EQ(list.flags, 0);
    const int expectedCapacity[] = {5, 5, 5, 5, 5, 10, 10, 10, 10, 10, 15};
    for (int i = 0; i < 11; ++i) {
        ASSERT_TRUE(list.add(nameOf(i).c_str()));
        EXPECT_EQ(list.itemCount, i + 1);
        EXPECT_EQ(list.capacity, expectedCapacity[i]);
    }
    EXPECT_EQ(list.flags & FileList::OwnsItems, FileList::OwnsItems);

    for (int i = 0; i < 11; ++i) {
        EXPECT_EQ(list.first(), nameOf(i));
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
