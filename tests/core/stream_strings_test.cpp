#include "core/stream_strings.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/string_table.h"
#include "tests/support/memory_stream.h"

using testing_support::MemoryStream;
using Bytes = std::vector<std::uint8_t>;

namespace {

// A string a reader allocated, released as its contract says.
struct ArrayDeleter {
    void operator()(char* text) const { delete[] text; }
};
using OwnedText = std::unique_ptr<char, ArrayDeleter>;

Bytes bytesOf(const std::string& text) {
    return {text.begin(), text.end()};
}

Bytes concat(Bytes head, const Bytes& tail) {
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const std::string Long300 = [] {
    std::string text;
    for (int i = 0; i < 300; ++i) {
        text += static_cast<char>('a' + i % 26);
    }
    return text;
}();
const std::string First255 = Long300.substr(0, 255);
const std::string First256 = Long300.substr(0, 256);

TEST(StreamStringsTest, EncodingsByteForByte) {
    using Writer = bool (*)(StreamIO&, const char*);
    struct Case {
        const char* name;
        Writer write;
        const char* text;
        Bytes expected;
        bool result;
    };
    const Case cases[] = {
        {"long null", writeString, nullptr, {0, 0, 0, 0}, true},
        {"long empty", writeString, "", {1, 0, 0, 0, 0}, true},
        {"long ab", writeString, "ab", {3, 0, 0, 0, 'a', 'b', 0}, true},
        {"short ab", writeShortString, "ab", {2, 'a', 'b'}, true},
        {"short null", writeShortString, nullptr, {0}, true},
        {"short empty", writeShortString, "", {0}, true},
        {"clamped null", writeShortStringClamped, nullptr, {0}, true},
        {"clamped ab", writeShortStringClamped, "ab", {2, 'a', 'b'}, true},
        {"short 255", writeShortString, First255.c_str(), concat({255}, bytesOf(First255)), true},
        // Too long for the form: the first 255 characters, and a false result because the
        // rest is lost.
        {"short 256", writeShortString, First256.c_str(), concat({255}, bytesOf(First255)), false},
        {"short 300", writeShortString, Long300.c_str(), concat({255}, bytesOf(First255)), false},
        {"clamped 300", writeShortStringClamped, Long300.c_str(), concat({255}, bytesOf(First255)),
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStream stream;
        EXPECT_EQ(c.write(stream, c.text), c.result);
        EXPECT_EQ(stream.bytes(), c.expected);
        EXPECT_EQ(stream.getStatus(), Ok) << "the helpers never set a status themselves";
    }
}

TEST(StreamStringsTest, LongFormRoundTrips) {
    const std::string highBytes = "gr\xFCn\x80\xFF";
    const std::string big(70000, 'z');
    for (const char* text :
         {static_cast<const char*>(nullptr), "", "ab", highBytes.c_str(), big.c_str()}) {
        SCOPED_TRACE(text == nullptr ? "null" : std::string(text).substr(0, 20));
        MemoryStream stream;
        ASSERT_TRUE(writeString(stream, text));
        ASSERT_TRUE(stream.setPosition(0));

        char* read = new char[4]{'o', 'l', 'd', 0}; // released by readString
        ASSERT_TRUE(readString(stream, read));
        const OwnedText owned(read);
        if (text == nullptr) {
            EXPECT_EQ(read, nullptr);
        } else {
            ASSERT_NE(read, nullptr) << "the empty string reads back allocated";
            EXPECT_STREQ(read, text);
        }
    }
}

// A failed read leaves the caller's string, and the stream failed: a reader that goes on
// and tests the status at the end must not take what follows for the next record.
TEST(StreamStringsTest, ReadStringLeavesTheCallersStringOnFailure) {
    struct Case {
        const char* name;
        Bytes bytes;
        StreamStatus status;
    };
    const Case cases[] = {
        {"stream at its end", {}, EndOfFile},
        {"length cut short", {3, 0}, EndOfFile},
        {"record cut short", {5, 0, 0, 0, 'a', 'b'}, EndOfFile},
        {"negative length", {0xFF, 0xFF, 0xFF, 0xFF, 'a', 0}, IoError},
        {"length past the limit", {0x01, 0x00, 0x00, 0x01, 'a', 0}, IoError}, // 16 MiB + 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStream stream(c.bytes);
        const OwnedText mine(new char[5]{'m', 'i', 'n', 'e', 0});
        char* text = mine.get();
        EXPECT_FALSE(readString(stream, text));
        EXPECT_EQ(text, mine.get());
        EXPECT_STREQ(text, "mine");
        EXPECT_EQ(stream.getStatus(), c.status);
        char byte = 0;
        EXPECT_FALSE(stream.read(1, &byte)) << "the failure is sticky";
    }
}

// The longest record readString takes back is written; one byte more is refused whole,
// and the stream says so.
TEST(StreamStringsTest, WriteStringRefusesRecordsPastTheLimitAndFailsTheStream) {
    const std::string longest(static_cast<std::size_t>(MaxStringRecord) - 1, 'x');
    MemoryStream fits;
    EXPECT_TRUE(writeString(fits, longest.c_str()));
    EXPECT_EQ(fits.bytes().size(), 4 + longest.size() + 1);
    ASSERT_TRUE(fits.setPosition(0));
    char* back = nullptr;
    ASSERT_TRUE(readString(fits, back));
    const OwnedText owned(back);
    EXPECT_EQ(std::strlen(back), longest.size());

    const std::string tooLong = longest + "x";
    MemoryStream refused;
    EXPECT_FALSE(writeString(refused, tooLong.c_str()));
    EXPECT_TRUE(refused.bytes().empty());
    EXPECT_EQ(refused.getStatus(), IoError);
    EXPECT_FALSE(writeString(refused, "next")) << "the failure is sticky";
    EXPECT_TRUE(refused.bytes().empty());
}

TEST(StreamStringsTest, ReadStringStopsAtTheRecordsEnd) {
    struct Case {
        const char* name;
        Bytes bytes;
        const char* expected;
    };
    const Case cases[] = {
        {"no zero byte", {3, 0, 0, 0, 'a', 'b', 'c', 'X'}, "abc"},
        {"zero inside", {4, 0, 0, 0, 'a', 0, 'b', 0}, "a"},
        {"only a zero", {1, 0, 0, 0, 0}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStream stream(c.bytes);
        char* text = nullptr;
        ASSERT_TRUE(readString(stream, text));
        const OwnedText owned(text);
        EXPECT_STREQ(text, c.expected);
        EXPECT_EQ(stream.getPosition(), 4 + static_cast<int>(c.bytes[0]));
    }
}

TEST(StreamStringsTest, ShortFormReaders) {
    struct Case {
        const char* name;
        Bytes bytes;
        bool result;
        const char* allocated; // what readShortString gives; null for none
        const char* into;      // what readShortStringInto leaves
    };
    const Case cases[] = {
        {"ab", {2, 'a', 'b', 'X'}, true, "ab", "ab"},
        {"empty", {0, 'X'}, true, nullptr, ""},
        {"stream at its end", {}, false, nullptr, ""},
        {"characters cut short", {5, 'a', 'b'}, false, nullptr, ""},
        {"255 characters", concat({255}, bytesOf(First255)), true, First255.c_str(),
         First255.c_str()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MemoryStream forAllocation(c.bytes);
        char stale[] = "stale";
        char* text = stale; // an output only: overwritten, never released, failure or not
        EXPECT_EQ(readShortString(forAllocation, text), c.result);
        ASSERT_NE(text, stale);
        const OwnedText owned(text);
        if (c.allocated == nullptr) {
            EXPECT_EQ(text, nullptr);
        } else {
            EXPECT_STREQ(text, c.allocated);
        }

        MemoryStream forBuffer(c.bytes);
        char buffer[ShortStringBufferSize];
        std::memset(buffer, 'Q', sizeof buffer);
        readShortStringInto(forBuffer, buffer);
        EXPECT_STREQ(buffer, c.into);
    }
}

TEST(StreamStringsTest, InternedStringsComeFromTheProcessTable) {
    MemoryStream stream(Bytes{5, 'S', 'k', 'i', 'n', '1', 5, 'S', 'k', 'i', 'n', '1', 5, 'S', 'K',
                              'I', 'N', '1', 0});
    const char* const first = readInternedString(stream, true);
    EXPECT_STREQ(first, "Skin1");
    EXPECT_EQ(readInternedString(stream, true), first);
    EXPECT_EQ(readInternedString(stream, false), first);
    EXPECT_EQ(stringTable().intern("Skin1", true), first);
    EXPECT_STREQ(readInternedString(stream, true), "");
    EXPECT_STREQ(readInternedString(stream, true), "") << "a failed read interns nothing else";
}

TEST(StreamStringsTest, WritersReportAFailingStream) {
    using Writer = bool (*)(StreamIO&, const char*);
    for (const Writer write : {writeString, writeShortString, writeShortStringClamped}) {
        for (const std::int64_t budget : {0, 1, 3}) {
            SCOPED_TRACE("budget " + std::to_string(budget));
            MemoryStream stream;
            stream.failAfter(budget);
            EXPECT_FALSE(write(stream, "abcdef"));
            EXPECT_EQ(stream.getStatus(), IoError);
        }
    }
}

} // namespace
