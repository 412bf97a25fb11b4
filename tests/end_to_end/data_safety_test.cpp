// The built program, run over directories of skins the way users run it, under the
// failures that destroy files in lesser tools: a disk that fills part-way through a write,
// the process killed at any moment, directories that change under it. Whatever happens,
// every skin is either its original bytes or a complete conversion, and nothing else of
// ours is left behind.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <thread>

#include <gtest/gtest.h>

#include "core/byte_order.h"
#include "tests/end_to_end/skin_directory.h"
#include "tests/support/sample_files.h"

namespace fs = std::filesystem;
using testing_support::readBytes;
using testing_support::RunResult;
using testing_support::writeBytes;

namespace {

using namespace end_to_end;

// Under `ulimit -f`, as a shell sets it (SIGXFSZ not ignored): the large skin's write fails
// part-way and is reported, the original stays, the batch goes on and no temporary is left.
TEST(DataSafetyTest, AFileSizeLimitFailsOneWriteAndTheBatchGoesOn) {
    constexpr std::uint64_t FileSizeLimit = 64 * 1024;
    const std::map<std::string, Bytes> skins{
        {"large.bmp", makeSkin(400, 300, 1)}, // 8-bit result: 121,078 bytes, past the limit
        {"small-a.bmp", makeSkin(20, 10, 2)},
        {"small-b.bmp", makeSkin(30, 20, 3)},
    };
    const auto converted = convertUndisturbed(skins);
    SkinDirectory directory(skins);

    testing_support::RunOptions options;
    options.fileSizeLimit = FileSizeLimit;
    const RunResult run = directory.run(options);
    EXPECT_EQ(run.exitCode, 3); // done, but not every skin written

    EXPECT_EQ(readBytes(directory.file("large.bmp")), skins.at("large.bmp"));
    EXPECT_NE(run.errors.find("Can't write file: large.bmp"), std::string::npos) << run.errors;
    EXPECT_EQ(readBytes(directory.file("small-a.bmp")), converted.at("small-a.bmp"));
    EXPECT_EQ(readBytes(directory.file("small-b.bmp")), converted.at("small-b.bmp"));
    EXPECT_EQ(directory.names(),
              (std::set<std::string>{"large.bmp", "small-a.bmp", "small-b.bmp", PaletteName}));
}

TEST(DataSafetyTest, KilledAtAnyMomentEveryFileIsWholeAndTheNextRunCleansUp) {
    std::map<std::string, Bytes> skins;
    for (std::uint32_t i = 0; i < 4; ++i) {
        skins["skin" + std::to_string(i) + ".bmp"] = makeSkin(160, 120, 10 + i);
    }
    const auto started = std::chrono::steady_clock::now();
    const auto converted = convertUndisturbed(skins);
    const auto undisturbed = std::chrono::steady_clock::now() - started;

    std::mt19937 random(20261208);
    std::uniform_int_distribution<long long> moment(
        0, std::chrono::duration_cast<std::chrono::microseconds>(undisturbed).count());
    // Thirty kills, fewer (but at least ten) when a slow build or a busy machine would make
    // them take more than about forty seconds.
    constexpr int MaxKills = 30;
    constexpr int MinKills = 10;
    constexpr auto Budget = std::chrono::seconds(40);
    int leftTemporaries = 0;
    int kill = 0;
    for (; kill < MaxKills &&
           (kill < MinKills || std::chrono::steady_clock::now() - started < Budget);
         ++kill) {
        SCOPED_TRACE("kill " + std::to_string(kill));
        SkinDirectory directory(skins);
        {
            const auto run = directory.start();
            std::this_thread::sleep_for(std::chrono::microseconds(moment(random)));
            run->kill();
            run->wait();
        }
        for (const auto& [name, original] : skins) {
            const Bytes now = readBytes(directory.file(name));
            EXPECT_TRUE(now == original || now == converted.at(name))
                << name << " is neither its original nor its conversion";
        }
        leftTemporaries += !directory.temporaries().empty();

        EXPECT_EQ(directory.run().exitCode, 0);
        for (const auto& [name, original] : skins) {
            EXPECT_EQ(readBytes(directory.file(name)), converted.at(name)) << name;
        }
        EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
    }
    std::printf("%d of %d kills left a temporary file behind for the next run\n", leftTemporaries,
                kill);
}

// Whether `file` is a 24-bit Windows BMP that holds every byte of its rows, worked out from
// its headers alone: the rows start at bfOffBits, or right after the info header when
// bfOffBits points inside the headers.
bool holdsEveryRow(const Bytes& file) {
    const auto u32 = [&](std::size_t at) { return byte_order::loadU32(&file[at]); };
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M' || (file[28] | file[29] << 8) != 24) {
        return false;
    }
    const std::int64_t headersEnd = 14 + std::int64_t{u32(14)};
    const std::int64_t start = std::max<std::int64_t>(u32(10), headersEnd);
    const std::int64_t width = static_cast<std::int32_t>(u32(18));
    const std::int64_t height = std::abs(std::int64_t{static_cast<std::int32_t>(u32(22))});
    const std::int64_t stride = (width * 3 + 3) / 4 * 4;
    return width >= 0 && start + height * stride <= static_cast<std::int64_t>(file.size());
}

// Every bitmap the project keeps (the corpus, the test files, the fuzzers' crash inputs),
// each also cut one byte short, in one folder: whatever the program replaces must have
// held all its pixels.
TEST(DataSafetyTest, NoBitmapWeKeepIsReplacedByPixelsItDidNotHold) {
    const fs::path data = SKINREMAP_TEST_DATA;
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(data)) {
        const fs::path relative = fs::relative(entry.path(), data);
        const bool crasher = relative.parent_path() == "crashers/bitmap";
        if (!entry.is_regular_file() || (entry.path().extension() != ".bmp" && !crasher)) {
            continue;
        }
        Bytes bytes = readBytes(entry.path().string());
        if (crasher && !bytes.empty()) {
            bytes.erase(bytes.begin()); // the harness's flags byte
        }
        std::string name = relative.string();
        std::replace(name.begin(), name.end(), '/', '-');
        files[name + (crasher ? ".bmp" : "")] = bytes;
        if (!bytes.empty()) {
            files["cut-" + name + (crasher ? ".bmp" : "")] = Bytes(bytes.begin(), bytes.end() - 1);
        }
    }
    ASSERT_GT(files.size(), 200u);
    SkinDirectory directory(files);

    const RunResult run = directory.run();
    ASSERT_EQ(run.exitCode, 0) << run.errors;

    int replaced = 0;
    for (const auto& [name, bytes] : files) {
        if (readBytes(directory.file(name)) != bytes) {
            ++replaced;
            EXPECT_TRUE(holdsEveryRow(bytes)) << name;
        }
    }
    EXPECT_GE(replaced, 5) << run.output;
}

TEST(DataSafetyTest, StartUpRemovesOnlyTemporariesOfOurOwnNaming) {
    SkinDirectory directory({{"skin.bmp", makeSkin(4, 4, 1)}});
    const Bytes junk{'j', 'u', 'n', 'k'};
    const std::vector<std::string> ours{".skinremap-a1B2c3.tmp", ".skinremap-000000.tmp"};
    const std::vector<std::string> others{".skinremap-a1B2c.tmp", "notes.skinremap-a1B2c3.tmp",
                                          ".skinremap-a1B2c3.tmp.bak", "skin.tmp"};
    for (const auto& name : ours) {
        writeBytes(directory.file(name), junk);
    }
    for (const auto& name : others) {
        writeBytes(directory.file(name), junk);
    }

    EXPECT_EQ(directory.run().exitCode, 0);

    for (const auto& name : ours) {
        EXPECT_FALSE(fs::exists(directory.file(name))) << name;
    }
    for (const auto& name : others) {
        EXPECT_EQ(readBytes(directory.file(name)), junk) << name;
    }
}

TEST(DataSafetyTest, AThousandFilesWithAwkwardNamesAreEachConvertedOnce) {
    const Bytes skin = makeSkin(3, 2, 7);
    const Bytes converted = convertUndisturbed({{"one.bmp", skin}}).at("one.bmp");
    std::map<std::string, Bytes> skins;
    for (int i = 0; i < 1000; ++i) {
        skins["skin " + std::to_string(i) + ".bmp"] = skin;
    }
    for (const std::string name :
         {"caf\xc3\xa9 noir.bmp", "\xff\xfe raw \xe9 bytes.bmp", "UPPER.BMP", "two.bmp.bmp",
          "-starts-with-dash.bmp", "semi;colon 'quote' \"double\".bmp", "tab\there.bmp",
          "\x1b[2J\x1b]0;title\x07.bmp"}) {
        skins[name] = skin;
    }
    // Names printed as they are, but for the bytes that would drive a terminal.
    const std::map<std::string, std::string> printedAs{
        {"\xff\xfe raw \xe9 bytes.bmp", "\\xff\\xfe raw \\xe9 bytes.bmp"},
        {"tab\there.bmp", "tab\\x09here.bmp"},
        {"\x1b[2J\x1b]0;title\x07.bmp", "\\x1b[2J\\x1b]0;title\\x07.bmp"},
    };
    const Bytes eightBit = testing_support::sampleBmp(3, 2, 8);
    const Bytes notABitmap{'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'};
    SkinDirectory directory(skins);
    writeBytes(directory.file("already 8-bit.bmp"), eightBit);
    writeBytes(directory.file("garbage.bmp"), notABitmap);
    writeBytes(directory.file(".hidden.bmp"), skin);
    writeBytes(directory.file("skin.bmp.txt"), skin);
    fs::create_directory(directory.path / "folder.bmp");

    const RunResult run = directory.run();
    ASSERT_EQ(run.exitCode, 0);

    std::multiset<std::string> expected{"already 8-bit.bmp", "garbage.bmp"};
    for (const auto& [name, bytes] : skins) {
        expected.insert(printedAs.count(name) > 0 ? printedAs.at(name) : name);
        EXPECT_EQ(readBytes(directory.file(name)), converted) << name;
    }
    EXPECT_EQ(remappedNames(run.output), expected);
    EXPECT_EQ(readBytes(directory.file("already 8-bit.bmp")), eightBit);
    EXPECT_EQ(readBytes(directory.file("garbage.bmp")), notABitmap);
    EXPECT_EQ(readBytes(directory.file(".hidden.bmp")), skin);
    EXPECT_EQ(readBytes(directory.file("skin.bmp.txt")), skin);
    EXPECT_TRUE(fs::is_directory(directory.path / "folder.bmp"));
    EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
}

TEST(DataSafetyTest, FilesThatVanishOrChangeBeforeTheirTurn) {
    std::map<std::string, Bytes> skins;
    for (std::uint32_t i = 0; i < 10; ++i) {
        skins["skin" + std::to_string(i) + ".bmp"] = makeSkin(200, 100, 20 + i);
    }
    const Bytes replacement = makeSkin(200, 100, 99);
    const Bytes convertedReplacement =
        convertUndisturbed({{"replacement.bmp", replacement}}).at("replacement.bmp");
    const auto converted = convertUndisturbed(skins);
    SkinDirectory directory(skins);

    // Once the list is made and the first file shown, the program is held still; the files
    // it has not reached yet are then removed or replaced by garbage, an 8-bit bitmap,
    // another image and a directory.
    const auto run = directory.start();
    const auto first = run->nextLine();
    ASSERT_TRUE(first.has_value());
    run->pause();
    std::string output = *first + "\n";
    for (const std::string& line : run->linesSoFar()) {
        output += line + "\n";
    }
    const auto started = remappedNames(output);
    std::vector<std::string> untouched;
    for (const auto& [name, bytes] : skins) {
        if (started.count(name) == 0) {
            untouched.push_back(name);
        }
    }
    ASSERT_GE(untouched.size(), 5u) << output;
    const Bytes garbage{'g', 'o', 'n', 'e'};
    const Bytes eightBit = testing_support::sampleBmp(200, 100, 8);
    fs::remove(directory.file(untouched[0]));
    writeBytes(directory.file(untouched[1]), garbage);
    writeBytes(directory.file(untouched[2]), eightBit);
    writeBytes(directory.file(untouched[3]), replacement);
    fs::remove(directory.file(untouched[4]));
    fs::create_directory(directory.file(untouched[4]));
    run->resume();

    output += run->restOfOutput();
    EXPECT_EQ(run->wait(), 0);

    for (const auto& [name, bytes] : skins) {
        if (std::find(untouched.begin(), untouched.begin() + 5, name) == untouched.begin() + 5) {
            EXPECT_EQ(readBytes(directory.file(name)), converted.at(name)) << name;
        }
    }
    EXPECT_FALSE(fs::exists(directory.file(untouched[0]))) << "a vanished file must stay gone";
    EXPECT_EQ(readBytes(directory.file(untouched[1])), garbage);
    EXPECT_EQ(readBytes(directory.file(untouched[2])), eightBit);
    EXPECT_EQ(readBytes(directory.file(untouched[3])), convertedReplacement);
    EXPECT_TRUE(fs::is_directory(directory.file(untouched[4])));
    std::multiset<std::string> expected;
    for (const auto& [name, bytes] : skins) {
        expected.insert(name);
    }
    EXPECT_EQ(remappedNames(output), expected) << "every listed name exactly once";
    EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
}

} // namespace
