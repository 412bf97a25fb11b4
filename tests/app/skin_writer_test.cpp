#include "app/skin_writer.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

using testing_support::TempDir;
using testing_support::writeBytes;

namespace {

class SkinWriterTest : public ::testing::TestWithParam<bool> {};

// What became of each skin comes back in the order the skins were handed over, whether it
// failed before its write (no bitmap) or went in place with the group after it.
TEST_P(SkinWriterTest, OutcomesComeBackInTheOrderHandedOver) {
    TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        writeBytes(dir.file(name), {1, 2, 3});
    }
    SkinWriter writer(GetParam());
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        BitmapPtr converted(name[0] == 'b' ? nullptr : Bitmap::create(2, 2, 8));
        writer.hand({name, platform::SourceFile(dir.file(name).c_str()), "", std::move(converted)});
    }
    std::vector<SkinOutcome> outcomes = writer.takeOutcomes();
    for (SkinOutcome& outcome : writer.drain()) {
        outcomes.push_back(std::move(outcome));
    }

    using Kind = SkinOutcome::Kind;
    std::vector<std::pair<std::string, Kind>> seen;
    for (const SkinOutcome& outcome : outcomes) {
        seen.emplace_back(outcome.name, outcome.kind);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, Kind>>{{"a.bmp", Kind::Converted},
                                                               {"b.bmp", Kind::Failed},
                                                               {"c.bmp", Kind::Converted}}));
}

INSTANTIATE_TEST_SUITE_P(Threads, SkinWriterTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "OwnThread" : "MainThread"; });

} // namespace
