#include "app/skin_writer.h"

#include <gtest/gtest.h>

#include "tests/support/temp_dir.h"

using testing_support::TempDir;
using testing_support::writeBytes;

namespace {

class SkinWriterTest : public ::testing::TestWithParam<bool> {};

// What became of each skin comes back in the order the skins were handed over, whether it
// failed before its write (no bitmap), at its commit (saved meanwhile), or went in place.
TEST_P(SkinWriterTest, OutcomesComeBackInTheOrderHandedOver) {
    TempDir dir;
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"}) {
        writeBytes(dir.file(name), {1, 2, 3});
    }
    platform::SourceFile a(dir.file("a.bmp").c_str());
    writeBytes(dir.file("a.bmp"), {4, 5, 6, 7}); // saved again after it was read
    SkinWriter writer(GetParam());
    writer.hand({"a.bmp", std::move(a), nullptr, BitmapPtr(Bitmap::create(2, 2, 8))});
    writer.hand({"b.bmp", platform::SourceFile(dir.file("b.bmp").c_str()), nullptr, nullptr});
    writer.hand({"c.bmp", platform::SourceFile(dir.file("c.bmp").c_str()), nullptr,
                 BitmapPtr(Bitmap::create(2, 2, 8))});
    std::vector<SkinOutcome> outcomes = writer.takeOutcomes();
    for (SkinOutcome& outcome : writer.drain()) {
        outcomes.push_back(std::move(outcome));
    }

    using Kind = SkinOutcome::Kind;
    std::vector<std::pair<std::string, Kind>> seen;
    for (const SkinOutcome& outcome : outcomes) {
        seen.emplace_back(outcome.name, outcome.kind);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, Kind>>{{"a.bmp", Kind::ChangedMeanwhile},
                                                               {"b.bmp", Kind::Failed},
                                                               {"c.bmp", Kind::Converted}}));
}

INSTANTIATE_TEST_SUITE_P(Threads, SkinWriterTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "OwnThread" : "MainThread"; });

} // namespace
