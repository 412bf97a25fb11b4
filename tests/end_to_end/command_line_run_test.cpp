// The built program told what to do on its command line, as from a shell: a folder to work
// on from anywhere, a folder for the converted skins, words it refuses, and the exit codes
// a script reads. Linux only.

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <sys/xattr.h>

#include "tests/support/program_run.h"
#include "tests/support/skin_files.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace testing_support;
namespace fs = std::filesystem;

// Every file under `root`, by its path relative to it, with its bytes.
std::map<std::string, Bytes> tree(const fs::path& root) {
    std::map<std::string, Bytes> files;
    for (const auto& entry : fs::recursive_directory_iterator(root)) {
        const std::string name = fs::relative(entry.path(), root).string();
        files[name] = entry.is_regular_file() ? readBytes(entry.path().string()) : Bytes{};
    }
    return files;
}

// A scratch area holding the directory the program is started in (with skins of its own,
// which a run on another folder must not touch) and a folder of skins with an awkward name.
class CommandLineRunTest : public ::testing::Test {
  protected:
    CommandLineRunTest() {
        fs::create_directories(caller);
        writeBytes((caller / "skins.ipl").string(), riffPalette(colors));
        writeBytes((caller / "decoy.bmp").string(), bmp24(3, 3, testPixel));
        writeSkins();
    }

    void writeSkins() const {
        fs::create_directories(skins);
        writeBytes((skins / "skins.ipl").string(), riffPalette(colors));
        writeBytes((skins / "one.bmp").string(), bmp24(5, 3, testPixel));
        writeBytes((skins / "two words.bmp").string(), bmp24(4, 4, testPixel));
        writeBytes((skins / "eight.bmp").string(), bmp8(3, 2));
    }

    RunResult run(const std::vector<std::string>& arguments) const {
        return runProgram(SKINREMAP_PROGRAM, arguments, caller);
    }
    std::string converted(const fs::path& file, int width, int height) const {
        return checkRemapped(readBytes(file.string()), width, height, -1, [&](int x, int y) {
            return nearestIndex(colors, false, testPixel(x, y));
        });
    }

    TempDir scratch;
    const fs::path caller = scratch.path() / "started here";
    const fs::path skins = scratch.path() / "Skins of 'Ünïcødé' ≠ ASCII";
    const std::array<Rgb, 256> colors = testColors();
};

TEST_F(CommandLineRunTest, AFolderIsWorkedOnAsIfStartedThereAndNothingElseChanges) {
    const auto callerBefore = tree(caller);
    for (const std::string& folder : {skins.string(), "../" + skins.filename().string()}) {
        SCOPED_TRACE(folder);
        writeSkins();
        const RunResult result = run({folder});
        EXPECT_EQ(result.exitCode, 0) << result.errors;
        EXPECT_NE(result.output.find("2 converted, 1 left alone, 0 failed."), std::string::npos)
            << result.output;
        EXPECT_EQ(converted(skins / "one.bmp", 5, 3), "");
        EXPECT_EQ(converted(skins / "two words.bmp", 4, 4), "");
        EXPECT_EQ(tree(caller), callerBefore);
    }
    EXPECT_EQ(namesIn(scratch.path()),
              (std::vector<std::string>{skins.filename().string(), caller.filename().string()}));
}

TEST_F(CommandLineRunTest, AnOutputFolderGetsTheConvertedSkinsAndTheOriginalsStay) {
    const auto skinsBefore = tree(skins);
    // Relative to where the program was started, not to the folder it works on.
    const RunResult result = run({"-o", "converted/for the game", skins.string()});
    EXPECT_EQ(result.exitCode, 0) << result.errors;
    EXPECT_NE(result.output.find("Converted skins are in converted/for the game.\n"),
              std::string::npos)
        << result.output;
    EXPECT_EQ(tree(skins), skinsBefore);
    const fs::path output = caller / "converted" / "for the game";
    EXPECT_EQ(namesIn(output), (std::vector<std::string>{"one.bmp", "two words.bmp"}));
    EXPECT_EQ(converted(output / "one.bmp", 5, 3), "");
    EXPECT_EQ(converted(output / "two words.bmp", 4, 4), "");

    // Again, into the same folder: the earlier results are replaced, the originals kept,
    // and a temporary file a killed run left there (marked with its name, as runs mark them)
    // is cleared away.
    const std::string killed = ".skinremap-k1lled.tmp";
    writeBytes((output / killed).string(), Bytes{1, 2, 3});
    ASSERT_EQ(setxattr((output / killed).c_str(), "user.skinremap.temporary", killed.data(),
                       killed.size(), 0),
              0);
    const RunResult again = run({"--output=" + output.string(), skins.string()});
    EXPECT_EQ(again.exitCode, 0) << again.errors;
    EXPECT_EQ(tree(skins), skinsBefore);
    EXPECT_EQ(namesIn(output), (std::vector<std::string>{"one.bmp", "two words.bmp"}));
    EXPECT_EQ(converted(output / "one.bmp", 5, 3), "");
}

TEST_F(CommandLineRunTest, WordsItCannotActOnAreRefusedBeforeAnyFileIsTouched) {
    writeBytes((caller / "in the way").string(), Bytes{'x'});
    const std::pair<std::vector<std::string>, std::string> refusals[] = {
        {{"-x"}, "skinremap: unknown option '-x'\nUsage: skinremap [OPTIONS] [FOLDER]\n"},
        {{"--output"}, "skinremap: option '--output' needs a DIR\n"},
        {{"decoy.bmp"}, "skinremap: 'decoy.bmp' is not a folder.\nIt works on a folder of skins"},
        {{"no such folder"}, "skinremap: there is no folder 'no such folder'.\n"},
        {{skins.string(), "."}, "skinremap: one folder at a time: "},
        {{"-o", "in the way", skins.string()},
         "skinremap: cannot use 'in the way' for the converted skins: "},
        {{"-o", "in the way/below", skins.string()},
         "skinremap: cannot use 'in the way/below' for the converted skins: "},
        {{"--watch", skins.string()}, "skinremap: option '--watch' needs -o DIR: in place, "},
        {{""}, "skinremap: the folder's name is empty\n"},
        {{"no\x1b[31mred"}, "skinremap: there is no folder 'no\\x1b[31mred'.\n"},
        {{"-\x1b"}, "skinremap: unknown option '-\\x1b'\n"},
    };
    const auto before = tree(scratch.path());
    for (const auto& [words, message] : refusals) {
        SCOPED_TRACE(words.front());
        const RunResult refused = run(words);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_EQ(refused.output, "");
        EXPECT_EQ(refused.errors.rfind(message, 0), 0u) << refused.errors;
        EXPECT_EQ(tree(scratch.path()), before);
    }

    const RunResult help = run({"--help", skins.string()});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_EQ(help.output.rfind("Usage: skinremap [OPTIONS] [FOLDER]\n", 0), 0u);
    const RunResult version = run({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output.rfind("skinremap ", 0), 0u);
    EXPECT_EQ(tree(scratch.path()), before);
}

// The palette is found as the skins are, whatever its letter case, unless two files differ
// only in case; a folder without skins says so.
TEST_F(CommandLineRunTest, ThePaletteIsFoundWhateverItsCaseAndAnEmptyFolderIsNamed) {
    fs::rename(skins / "skins.ipl", skins / "SKINS.IPL");
    const RunResult upper = run({skins.string()});
    EXPECT_EQ(upper.exitCode, 0) << upper.errors;
    EXPECT_EQ(converted(skins / "one.bmp", 5, 3), "");

    writeSkins(); // skins.ipl beside SKINS.IPL
    const auto before = tree(skins);
    const RunResult both = run({skins.string()});
    EXPECT_EQ(both.exitCode, 2);
    EXPECT_NE(both.errors.find("Can't load palette: skins.ipl"), std::string::npos);
    EXPECT_NE(both.errors.find("SKINS.IPL"), std::string::npos) << both.errors;
    EXPECT_EQ(tree(skins), before);

    const fs::path empty = scratch.path() / "empty";
    fs::create_directories(empty);
    fs::copy_file(caller / "skins.ipl", empty / "skins.ipl");
    const RunResult nothing = run({empty.string()});
    EXPECT_EQ(nothing.exitCode, 0);
    EXPECT_NE(nothing.output.find("Nothing to convert: the folder " + empty.string() +
                                  " holds no *.bmp files.\n"),
              std::string::npos)
        << nothing.output;
}

// An output folder that is the folder of skins itself, however it is named, would have the
// conversions replace the originals the user meant to keep: refused before anything is
// touched.
TEST_F(CommandLineRunTest, AnOutputFolderThatIsTheFolderOfSkinsIsRefused) {
    fs::create_directory_symlink(skins, caller / "link to skins");
    const auto before = tree(scratch.path());
    const std::pair<std::vector<std::string>, fs::path> runs[] = {
        {{"-o", skins.string(), skins.string()}, caller},
        {{"-o", "."}, skins},
        {{"--output=link to skins", skins.string()}, caller},
        {{"-o", "../" + skins.filename().string() + "/", "."}, skins},
    };
    for (const auto& [words, from] : runs) {
        SCOPED_TRACE(words[1]);
        const RunResult refused = runProgram(SKINREMAP_PROGRAM, words, from);
        EXPECT_EQ(refused.exitCode, 2);
        EXPECT_NE(refused.errors.find("is the folder of skins itself"), std::string::npos)
            << refused.errors;
        EXPECT_NE(refused.errors.find("leave out -o"), std::string::npos);
        EXPECT_EQ(tree(scratch.path()), before);
    }
}

// Ctrl-C ends the run with the shell's code for it; the skin being converted is not
// written, and neither is anything after it.
TEST_F(CommandLineRunTest, CtrlCEndsWith130AndTheSkinInHandStaysAsItWas) {
    for (const char* name : {"one.bmp", "two words.bmp", "eight.bmp"}) {
        fs::remove(skins / name);
    }
    writeBytes((skins / "big.bmp").string(), bmp24(4096, 2048, testPixel));
    const auto before = tree(skins);

    ProgramRun run(SKINREMAP_PROGRAM, {skins.string()}, caller, scratch.path() / "errors");
    for (auto line = run.nextLine(); line && *line != "Remapping: big.bmp"; line = run.nextLine()) {
    }
    // Stopped while it reads or converts the skin, so that the interrupt arrives in the middle.
    run.pause();
    run.interrupt();
    run.resume();
    EXPECT_EQ(run.wait(), 130);
    EXPECT_NE(run.restOfOutput().find("0 converted, 0 left alone, 0 failed, 1 not reached."),
              std::string::npos);
    EXPECT_EQ(tree(skins), before);
}

// Output that nobody reads fills its pipe and holds the program in a write; Ctrl-C still
// ends the run, with what it would still say dropped.
TEST_F(CommandLineRunTest, CtrlCEndsTheRunWhileNobodyReadsItsOutput) {
    for (int i = 0; i < 400; ++i) {
        writeBytes((skins / (std::to_string(i) + std::string(200, 'x') + ".bmp")).string(),
                   bmp24(1, 1, testPixel));
    }
    RunOptions options;
    options.timeLimit = 30;
    ProgramRun run(SKINREMAP_PROGRAM, {skins.string()}, caller, scratch.path() / "errors", options);
    for (int wait = 0; wait < 200 && !run.outputFull(); ++wait) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    ASSERT_TRUE(run.outputFull());
    run.interrupt();
    EXPECT_EQ(run.wait(), 130);
}

} // namespace
