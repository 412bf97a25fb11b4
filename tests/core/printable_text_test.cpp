#include "core/printable_text.h"

#include <gtest/gtest.h>

namespace {

TEST(PrintableTextTest, ControlCharactersAndBrokenUtf8AreEscapedAndNothingElse) {
    struct Case {
        const char* text;
        const char* printed;
    };
    const Case cases[] = {
        {"skin 01.bmp", "skin 01.bmp"},
        {"", ""},
        {"tab\there", "tab\\x09here"},
        {"line\nfeed\r", "line\\x0afeed\\x0d"},
        {"\x1b[31mred", "\\x1b[31mred"},
        {"del\x7f", "del\\x7f"},
        {"back\\slash", "back\\\\slash"},
        {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa8", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x8e\xa8"},
        {"c1 \xc2\x9b", "c1 \\xc2\\x9b"},              // CSI as a UTF-8 character
        {"nbsp\xc2\xa0", "nbsp\xc2\xa0"},              // the first character after the C1 set
        {"\xff\xfe raw \xe9", "\\xff\\xfe raw \\xe9"}, // Latin-1, not UTF-8
        {"cut \xe2\x82", "cut \\xe2\\x82"},            // a sequence the text ends inside
        {"over \xc0\xaf", "over \\xc0\\xaf"},          // an overlong slash
        {"half \xed\xa0\x80", "half \\xed\\xa0\\x80"}, // a surrogate
        {"big \xf4\x90\x80\x80", "big \\xf4\\x90\\x80\\x80"}, // past U+10FFFF
        {"lead \xf8\x88\x80\x80", "lead \\xf8\\x88\\x80\\x80"},
        {"rlo \xe2\x80\xaegpj.bmp", "rlo \\xe2\\x80\\xaegpj.bmp"}, // right-to-left override
        {"lre \xe2\x80\xaa", "lre \\xe2\\x80\\xaa"},               // the first embedding
        {"pdi \xe2\x81\xa9", "pdi \\xe2\\x81\\xa9"},               // the last isolate
        {"lrm \xe2\x80\x8e \xe2\x81\xa5", "lrm \xe2\x80\x8e \xe2\x81\xa5"}, // marks stay
    };
    for (const Case& c : cases) {
        EXPECT_EQ(printableText(c.text), c.printed) << c.printed;
    }
    EXPECT_EQ(printableText(std::string_view("nul\0here", 8)), "nul\\x00here");
}

} // namespace
