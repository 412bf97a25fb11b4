// The built program in a folder that does not hold still: skins saved again, deleted or
// swapped for links while they are converted, FIFOs where files should be, a file-size limit,
// metadata to keep, a second run in the same folder. The program is stopped at exact moments
// of its run through a small preloaded library (stop_before_call.cpp), so that each change
// lands where it must.

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include "tests/end_to_end/skin_directory.h"
#include "tests/support/file_metadata.h"

namespace {

using namespace end_to_end;
using testing_support::aclText;
using testing_support::attribute;
using testing_support::readBytes;
using testing_support::readText;
using testing_support::RunOptions;
using testing_support::RunResult;
using testing_support::setAcl;
using testing_support::writeBytes;
namespace fs = std::filesystem;

// Long enough for any run here on a slow, busy machine; a hang ends there instead of never.
constexpr unsigned TimeLimit = 30;

// A run that stops itself before each call of the given kind ("temporary", "rename").
RunOptions stoppingBefore(const std::string& moment, bool oneProcessor = false) {
    RunOptions options;
    options.oneProcessor = oneProcessor;
    options.timeLimit = TimeLimit;
    options.environment = {std::string("LD_PRELOAD=") + SKINREMAP_STOP_BEFORE_CALL,
                           "SKINREMAP_STOP_BEFORE=" + moment};
    return options;
}

struct Finished {
    int exitCode;
    std::string output;
    std::string errors;
};

// Runs the program over `directory`, stopping before each `moment`; at the first stop,
// `act` changes the folder. The program must stop at least once.
Finished runActingAt(const SkinDirectory& directory, const std::string& moment,
                     const std::function<void(const std::string& output)>& act,
                     bool oneProcessor = false) {
    const auto run = directory.start(stoppingBefore(moment, oneProcessor));
    bool acted = false;
    std::string output;
    while (run->waitForStop()) {
        if (!acted) {
            for (const std::string& line : run->linesSoFar()) {
                output += line + "\n";
            }
            act(output);
            acted = true;
        }
        run->resume();
    }
    EXPECT_TRUE(acted) << "the program never reached the moment " << moment;
    output += run->restOfOutput();
    const int exitCode = run->wait();
    return {exitCode, output, readText(directory.errorFile().string())};
}

// The user saves the skin again, deletes it or puts a link in its place after the program
// has read it and before it has put its conversion in place, at the last instant (just
// before the rename) as well as earlier. Whatever the user did stays, and is reported.
TEST(HostileFolderTest, ASkinChangedDuringItsConversionIsLeftAsItIsAndReported) {
    const Bytes skin = makeSkin(64, 48, 1);
    const Bytes saved = makeSkin(80, 40, 2);
    struct Case {
        const char* what;
        const char* moment;
        std::function<void(const SkinDirectory&)> change;
        std::function<void(const SkinDirectory&)> check;
    };
    const auto savedInPlace = [&](const SkinDirectory& directory) {
        writeBytes(directory.file("skin.bmp"), saved);
    };
    const auto savedByRename = [&](const SkinDirectory& directory) {
        writeBytes(directory.file("skin.bmp.saving"), saved);
        fs::rename(directory.file("skin.bmp.saving"), directory.file("skin.bmp"));
    };
    const auto holdsTheSave = [&](const SkinDirectory& directory) {
        EXPECT_EQ(readBytes(directory.file("skin.bmp")), saved);
    };
    const std::vector<Case> cases{
        {"saved again in place", "temporary", savedInPlace, holdsTheSave},
        {"saved again by a rename", "temporary", savedByRename, holdsTheSave},
        {"saved again by a rename at the last instant", "rename", savedByRename, holdsTheSave},
        {"deleted", "temporary",
         [](const SkinDirectory& directory) { fs::remove(directory.file("skin.bmp")); },
         [](const SkinDirectory& directory) {
             EXPECT_FALSE(fs::exists(fs::symlink_status(directory.file("skin.bmp"))));
         }},
        {"swapped for a link to a file elsewhere", "temporary",
         [&](const SkinDirectory& directory) {
             writeBytes((directory.scratch.path() / "elsewhere.bmp").string(), skin);
             fs::remove(directory.file("skin.bmp"));
             fs::create_symlink(directory.scratch.path() / "elsewhere.bmp",
                                directory.file("skin.bmp"));
         },
         [&](const SkinDirectory& directory) {
             EXPECT_TRUE(fs::is_symlink(directory.file("skin.bmp")));
             EXPECT_EQ(readBytes((directory.scratch.path() / "elsewhere.bmp").string()), skin);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SkinDirectory directory({{"skin.bmp", skin}});
        const Finished run =
            runActingAt(directory, c.moment, [&](const std::string&) { c.change(directory); });
        EXPECT_EQ(run.exitCode, 0);
        c.check(directory);
        EXPECT_EQ(run.errors, "Error: skin.bmp changed while it was converted; left alone\n");
        EXPECT_NE(run.output.find("0 converted, 1 left alone, 0 failed."), std::string::npos)
            << run.output;
        EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
    }
}

// A FIFO has no end and, without a writer, no beginning: opening one to read waits for
// ever. As the palette it stops the run at once; as a skin it is left alone.
TEST(HostileFolderTest, AFifoPaletteEndsTheRunAtOnce) {
    SkinDirectory directory({{"skin.bmp", makeSkin(4, 4, 1)}});
    fs::remove(directory.file(PaletteName));
    ASSERT_EQ(mkfifo(directory.file(PaletteName).c_str(), 0644), 0);
    RunOptions options;
    options.timeLimit = TimeLimit;

    const RunResult run = directory.run(options);
    EXPECT_EQ(run.exitCode, 2);
    EXPECT_EQ(run.errors.rfind("Error: Can't load palette: skins.ipl (", 0), 0u) << run.errors;
    EXPECT_EQ(readBytes(directory.file("skin.bmp")), makeSkin(4, 4, 1));
}

TEST(HostileFolderTest, ASkinTurnedIntoAFifoAfterTheListWasMadeIsLeftAlone) {
    const std::map<std::string, Bytes> skins{{"a.bmp", makeSkin(8, 8, 1)},
                                             {"b.bmp", makeSkin(8, 8, 2)}};
    const auto converted = convertUndisturbed(skins);
    SkinDirectory directory(skins);
    std::string fifo;
    // On one processor, the first skin is written before the second is opened; with more,
    // the second may be open already when the first one's temporary is made.
    const Finished run = runActingAt(
        directory, "temporary",
        [&](const std::string& output) {
            // The first skin is converted: the other one becomes a FIFO before its turn.
            fifo = remappedNames(output).count("a.bmp") > 0 ? "b.bmp" : "a.bmp";
            fs::remove(directory.file(fifo));
            ASSERT_EQ(mkfifo(directory.file(fifo).c_str(), 0644), 0);
        },
        true);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.errors, "Left alone: " + fifo + " (not a regular file)\n");
    const std::string other = fifo == "a.bmp" ? "b.bmp" : "a.bmp";
    EXPECT_EQ(readBytes(directory.file(other)), converted.at(other));
    EXPECT_TRUE(fs::is_fifo(directory.file(fifo)));
}

// A second run started in a folder where the first is still at work: neither removes the
// other's temporary, and every skin is converted exactly once, by one run or the other.
TEST(HostileFolderTest, TwoRunsInOneFolderConvertEverySkinOnce) {
    std::map<std::string, Bytes> skins;
    for (std::uint32_t i = 0; i < 6; ++i) {
        skins["skin" + std::to_string(i) + ".bmp"] = makeSkin(40, 30, 10 + i);
    }
    const auto converted = convertUndisturbed(skins);
    SkinDirectory directory(skins);

    RunResult second;
    const Finished first = runActingAt(directory, "rename", [&](const std::string&) {
        // The first run has its temporaries complete, about to be put in place together.
        ASSERT_EQ(directory.temporaries().size(), skins.size());
        second = directory.run();
    });

    EXPECT_EQ(first.exitCode, 0);
    EXPECT_EQ(second.exitCode, 0);
    for (const std::string& errors : {first.errors, second.errors}) {
        EXPECT_EQ(errors.find("Can't write file"), std::string::npos) << errors;
    }
    const auto convertedBy = [](const std::string& output) {
        const auto summary = output.rfind(" converted, ");
        const auto start = output.rfind('\n', summary);
        return summary == std::string::npos
                   ? -1
                   : std::stoi(output.substr(start == std::string::npos ? 0 : start + 1));
    };
    EXPECT_EQ(convertedBy(first.output) + convertedBy(second.output), 6)
        << first.output << second.output;
    for (const auto& [name, bytes] : converted) {
        EXPECT_EQ(readBytes(directory.file(name)), bytes) << name;
    }
    EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
}

// A skin shared with one other user and kept from the group's writing, tagged by the
// artist's tools, and owned by someone else when the run is root's: all of it stays.
TEST(HostileFolderTest, AConvertedSkinKeepsItsOwnerModeAclAndAttributes) {
    const std::map<std::string, Bytes> skins{{"skin.bmp", makeSkin(16, 16, 1)}};
    const auto converted = convertUndisturbed(skins);
    SkinDirectory directory(skins);
    const std::string skin = directory.file("skin.bmp");
    ASSERT_EQ(chmod(skin.c_str(), 0660), 0);
    if (!setAcl(skin, ACL_TYPE_ACCESS, "u::rw-,u:4321:rw-,g::r--,m::rw-,o::---") ||
        setxattr(skin.c_str(), "user.origin", "painted by hand", 15, 0) != 0) {
        GTEST_SKIP() << "the temporary directory's file system has no ACLs or user attributes: "
                     << std::strerror(errno);
    }
    if (geteuid() == 0) {
        ASSERT_EQ(chown(skin.c_str(), 1234, 5678), 0);
    }
    struct stat before {};
    ASSERT_EQ(stat(skin.c_str(), &before), 0);
    const std::string acl = aclText(skin);

    const RunResult run = directory.run();
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(readBytes(skin), converted.at("skin.bmp"));
    struct stat after {};
    ASSERT_EQ(stat(skin.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "the skin was replaced, not written over";
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(aclText(skin), acl);
    EXPECT_EQ(attribute(skin, "user.origin"), "painted by hand");
}

} // namespace
