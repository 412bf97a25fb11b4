#include "app/skin_writer.h"

#include <gtest/gtest.h>

#include "tests/app/out_of_memory.h"
#include "tests/support/file_bytes.h"
#include "tests/support/file_probes.h"
#include "tests/support/temp_dir.h"

using testing_support::Bytes;
using testing_support::HeldWrites;
using testing_support::namesIn;
using testing_support::readBytes;
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
    using Kind = SkinOutcome::Kind;
#ifndef _WIN32                                   // there nobody can write a skin the run holds
    writeBytes(dir.file("a.bmp"), {4, 5, 6, 7}); // saved again after it was read
    const Kind first = Kind::ChangedMeanwhile;
#else
    const Kind first = Kind::Converted;
#endif
    SkinWriter writer(GetParam());
    writer.hand({"a.bmp", std::move(a), nullptr, BitmapPtr(Bitmap::create(2, 2, 8))});
    writer.hand({"b.bmp", platform::SourceFile(dir.file("b.bmp").c_str()), nullptr, nullptr});
    writer.hand({"c.bmp", platform::SourceFile(dir.file("c.bmp").c_str()), nullptr,
                 BitmapPtr(Bitmap::create(2, 2, 8))});
    std::vector<SkinOutcome> outcomes = writer.takeOutcomes();
    for (SkinOutcome& outcome : writer.drain()) {
        outcomes.push_back(std::move(outcome));
    }

    std::vector<std::pair<std::string, Kind>> seen;
    for (const SkinOutcome& outcome : outcomes) {
        seen.emplace_back(outcome.name, outcome.kind);
    }
    EXPECT_EQ(seen, (std::vector<std::pair<std::string, Kind>>{
                        {"a.bmp", first}, {"b.bmp", Kind::Failed}, {"c.bmp", Kind::Converted}}));
}

// Out of memory as a group is put in place: every skin of it comes back failed, in its
// turn, and stays as it was; nothing ends the program. (On the caller's thread, so that the
// allocation that fails is the commit's.)
TEST(SkinWriterMemoryTest, RunningOutOfMemoryAtTheCommitFailsTheGroupUntouched) {
    TempDir dir;
    SkinWriter writer(false);
    for (const char* name : {"a.bmp", "b.bmp"}) {
        writeBytes(dir.file(name), {1, 2, 3});
        writer.hand({name, platform::SourceFile(dir.file(name).c_str()), nullptr,
                     BitmapPtr(Bitmap::create(2, 2, 8))});
    }
    allocationsBeforeFailure = 0;
    const std::vector<SkinOutcome> outcomes = writer.drain();
    allocationsBeforeFailure = -1;
    ASSERT_EQ(outcomes.size(), 2u);
    for (const SkinOutcome& outcome : outcomes) {
        EXPECT_EQ(outcome.kind, SkinOutcome::Kind::Failed) << outcome.name;
        EXPECT_EQ(readBytes(dir.file(outcome.name)), (Bytes{1, 2, 3}));
    }
    EXPECT_EQ(namesIn(dir.path()), (std::vector<std::string>{"a.bmp", "b.bmp"}));
}

// Handing over waits while a few skins wait to be written, and answers the window
// meanwhile: a writer held up by its disk is handed no more than that.
TEST(SkinWriterBacklogTest, AHeldUpWriterIsHandedOnlyAFewSkins) {
    TempDir dir;
    HeldWrites held;
    SkinWriter writer(true);
    int taken = 0;
    int asked = 0;
    for (int i = 0; i < 12; ++i) {
        const std::string name = "skin" + std::to_string(i) + ".bmp";
        writeBytes(dir.file(name), {1, 2, 3});
        const bool handed = writer.hand({name, platform::SourceFile(dir.file(name).c_str()),
                                         nullptr, BitmapPtr(Bitmap::create(2, 2, 8))},
                                        [&asked] { return ++asked < 3; });
        taken += handed ? 1 : 0;
        if (!handed) {
            break;
        }
    }
    EXPECT_EQ(asked, 3);
    EXPECT_LE(taken, 6) << "one in the writer's hand, a few waiting";
    held.release();
    EXPECT_EQ(writer.drain().size(), static_cast<std::size_t>(taken));
}

INSTANTIATE_TEST_SUITE_P(Threads, SkinWriterTest, ::testing::Bool(),
                         [](const auto& info) { return info.param ? "OwnThread" : "MainThread"; });

} // namespace
