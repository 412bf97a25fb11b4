#include "core/string_table.h"

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace {

TEST(StringTableTest, HashFoldsAsciiCaseOnlyAndSquaresSignedBytes) {
    struct Case {
        const char* text;
        std::uint32_t hash;
    };
    const Case cases[] = {
        {"", 0},        {"a", 9409},     {"abc", 65093},
        {"Abc", 65093}, {"ABC", 65093},  {"\xC0", 4096}, // 192 is -64 as a signed byte
        {"\xE0", 1024}, // its small letter in a Western code page is a different key
        {"\xFF", 1},    {"\x80", 16384}, {"a\xFF", 2 * 9409 ^ 1},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringTable::hash(c.text), c.hash) << '"' << c.text << '"';
    }
    EXPECT_EQ(65093 % StringTable::InitialBucketCount, 17u);
}

TEST(StringTableTest, TheSameTextIsStoredOnce) {
    StringTable table;
    std::string text = "skins.ipl";
    const char* const stored = table.intern(text.c_str(), true);
    EXPECT_NE(stored, text.c_str());
    text[0] = 'X'; // the table keeps its own copy
    EXPECT_STREQ(stored, "skins.ipl");
    EXPECT_EQ(table.intern("skins.ipl", true), stored);
    EXPECT_EQ(table.intern("skins.ipl", false), stored);
    EXPECT_EQ(table.getEntryCount(), 1u);

    const char* const empty = table.intern("", true);
    EXPECT_STREQ(empty, "");
    EXPECT_EQ(table.intern("", false), empty);
    EXPECT_EQ(table.intern(nullptr, true), empty);
    EXPECT_EQ(table.getEntryCount(), 2u);
}

TEST(StringTableTest, CaseInsensitiveLookupReturnsTheFirstStoredVariant) {
    StringTable table;
    const char* const lower = table.intern("abc", true);
    const char* const mixed = table.intern("Abc", true);
    EXPECT_NE(mixed, lower) << "case-sensitive interning keeps both";
    EXPECT_EQ(table.intern("ABC", false), lower);
    EXPECT_EQ(table.intern("Abc", true), mixed);
    EXPECT_EQ(table.getEntryCount(), 2u);

    const char* const upper = table.intern("GREY", false);
    EXPECT_EQ(table.intern("grey", false), upper) << "the stored text, not the caller's";
    EXPECT_STREQ(upper, "GREY");
}

TEST(StringTableTest, BytesAbove127AreNeverFolded) {
    StringTable table;
    for (const bool caseSensitive : {true, false}) {
        const char* const capital = table.intern("\xC0le", caseSensitive);
        const char* const small = table.intern("\xE0le", caseSensitive);
        EXPECT_NE(capital, small);
        EXPECT_STREQ(small, "\xE0le");
    }
    EXPECT_EQ(table.getEntryCount(), 2u);
}

TEST(StringTableTest, GrowthKeepsPointersAndTheOrderOfCaseVariants) {
    StringTable table;
    // Case variants first, so every growth has to keep them in order.
    const char* const first = table.intern("Palette", true);
    table.intern("PALETTE", true);
    table.intern("palette", true);

    std::vector<std::string> texts;
    std::vector<const char*> stored;
    for (int i = 0; table.getEntryCount() < 58; ++i) {
        texts.push_back("skin" + std::to_string(i) + ".bmp");
        stored.push_back(table.intern(texts.back().c_str(), true));
    }
    EXPECT_EQ(table.getBucketCount(), 29u) << "58 entries still fit 29 buckets";

    texts.push_back("the59th");
    stored.push_back(table.intern(texts.back().c_str(), true));
    EXPECT_EQ(table.getEntryCount(), 59u);
    EXPECT_EQ(table.getBucketCount(), 115u);
    // Checked after one growth as well: two growths that each reversed a chain would put
    // it back in order.
    EXPECT_EQ(table.intern("pALETTE", false), first);

    while (table.getEntryCount() < 231) {
        texts.push_back("more" + std::to_string(texts.size()));
        stored.push_back(table.intern(texts.back().c_str(), true));
    }
    EXPECT_EQ(table.getBucketCount(), 459u);

    for (std::size_t i = 0; i < texts.size(); ++i) {
        ASSERT_STREQ(stored[i], texts[i].c_str());
        ASSERT_EQ(table.intern(texts[i].c_str(), true), stored[i]);
    }
    EXPECT_EQ(table.intern("pALETTE", false), first);
    EXPECT_EQ(table.getEntryCount(), 231u);
}

TEST(StringTableTest, TextsOfAnyLengthCanBeInterned) {
    StringTable table;
    const std::string huge(3 * BlockPool::Capacity, 'x');
    const char* const stored = table.intern(huge.c_str(), true);
    EXPECT_EQ(stored, huge);
    EXPECT_EQ(table.intern(huge.c_str(), false), stored);
}

} // namespace
