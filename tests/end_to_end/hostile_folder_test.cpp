// The built program in a folder that does not hold still: skins saved again, deleted or
// swapped for links while they are converted, FIFOs where files should be, a file-size limit,
// metadata to keep, a second run in the same folder. The program is stopped at exact moments
// of its run through a small preloaded library (stop_before_call.cpp), so that each change
// lands where it must.

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <thread>

#include <gtest/gtest.h>

#include <fcntl.h>
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
RunOptions stoppingBefore(const std::string& moment, RunOptions options = {}) {
    options.timeLimit = TimeLimit;
    options.environment.push_back(std::string("LD_PRELOAD=") + SKINREMAP_STOP_BEFORE_CALL);
    options.environment.push_back("SKINREMAP_STOP_BEFORE=" + moment);
    return options;
}

struct Finished {
    int exitCode;
    std::string output;
    std::string errors;
};

// What a test does at one stop of the program, the output so far in hand; false kills the
// program there.
using Act = std::function<bool(const std::string& output)>;

// Runs the program over `directory`, stopping before each `moment`; at the n-th stop it does
// the n-th of `acts`, then lets the run go on. The program must stop once for each act.
Finished runActing(const SkinDirectory& directory, const std::string& moment,
                   const std::vector<Act>& acts, RunOptions options = {},
                   const std::vector<std::string>& arguments = {}) {
    const auto run = directory.start(stoppingBefore(moment, std::move(options)), arguments);
    std::size_t stops = 0;
    std::string output;
    while (run->waitForStop()) {
        for (const std::string& line : run->linesSoFar()) {
            output += line + "\n";
        }
        if (stops < acts.size() && !acts[stops++](output)) {
            run->kill();
        }
        run->resume();
    }
    EXPECT_EQ(stops, acts.size()) << "the program did not reach the moment " << moment;
    output += run->restOfOutput();
    const int exitCode = run->wait();
    return {exitCode, output, readText(directory.errorFile().string())};
}

// The same with one act, at the first stop.
Finished runActingAt(const SkinDirectory& directory, const std::string& moment,
                     const std::function<void(const std::string& output)>& act,
                     bool oneProcessor = false) {
    RunOptions options;
    options.oneProcessor = oneProcessor;
    return runActing(directory, moment, {[&](const std::string& output) {
                         act(output);
                         return true;
                     }},
                     options);
}

// Where the program may take no leases: it runs without the privilege to, on files of
// another user's. Only root can set that up; CI runs as root and must not skip.
bool withoutLeasesPossible() {
    if (geteuid() == 0) {
        return true;
    }
    EXPECT_EQ(std::getenv("CI"), nullptr) << "CI must run these as root";
    return false;
}

constexpr uid_t AnotherUser = 4321;

void giveToAnotherUser(const std::string& path) {
    ASSERT_EQ(chown(path.c_str(), AnotherUser, AnotherUser), 0) << std::strerror(errno);
}

// The user saves the skin again, deletes it or puts a link in its place after the program
// has read it and before it has put its conversion in place, at the last instant (just
// before the rename) as well as earlier. Whatever the user did stays, and is reported. A
// save into the file itself opens it for writing while the program holds it: the save goes
// on while the program runs, and either report is true to what happened.
TEST(HostileFolderTest, ASkinChangedDuringItsConversionIsLeftAsItIsAndReported) {
    const Bytes skin = makeSkin(64, 48, 1);
    const Bytes saved = makeSkin(80, 40, 2);
    const std::string changed = "Error: skin.bmp changed while it was converted; left alone\n";
    const std::string written = "Error: skin.bmp is being written by another program; left alone\n";
    struct Case {
        const char* what;
        const char* moment;
        std::function<void(const SkinDirectory&)> change;
        std::function<void(const SkinDirectory&)> check;
        bool whileRunning = false;
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
        {"saved again in place", "temporary", savedInPlace, holdsTheSave, true},
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
        std::thread saving;
        const Finished run = runActingAt(directory, c.moment, [&](const std::string&) {
            if (c.whileRunning) {
                saving = std::thread([&] { c.change(directory); });
            } else {
                c.change(directory);
            }
        });
        if (saving.joinable()) {
            saving.join();
        }
        EXPECT_EQ(run.exitCode, 0);
        c.check(directory);
        EXPECT_TRUE(run.errors == changed || (c.whileRunning && run.errors == written))
            << run.errors;
        EXPECT_NE(run.output.find("0 converted, 1 left alone, 0 failed."), std::string::npos)
            << run.output;
        EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
    }
}

// A skin another program is still writing: a copy that set the file's full size first and
// is filling it (the rest of the file a hole), or a program that holds it open for writing.
// It is left alone, not converted half black, and converted by the next run once the writer
// is done. Where the run may take no lease on the file, the hole still tells; a writer that
// holds a whole file open without writing can't be told there.
TEST(HostileFolderTest, ASkinAnotherProgramIsWritingIsLeftAloneUntilItIsDone) {
    const Bytes skin = makeSkin(64, 64, 3);
    const auto converted = convertUndisturbed({{"skin.bmp", skin}});
    struct Case {
        const char* what;
        bool copying; // only the header written so far, the rest a hole
        bool leases;
    };
    const Case cases[] = {
        {"a copy under way", true, true},
        {"a program holding it open", false, true},
        {"a copy under way, without leases", true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!c.leases && !withoutLeasesPossible()) {
            continue;
        }
        SkinDirectory directory({});
        const std::string path = directory.file("skin.bmp");
        const int writer = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        ASSERT_GE(writer, 0);
        const std::size_t start = c.copying ? 54 : skin.size();
        ASSERT_EQ(::pwrite(writer, skin.data(), start, 0), static_cast<ssize_t>(start));
        ASSERT_EQ(::ftruncate(writer, static_cast<off_t>(skin.size())), 0);
        RunOptions options;
        if (!c.leases) {
            giveToAnotherUser(path);
            options.withoutLeases = true;
        }
        const auto before = readBytes(path);

        const RunResult first = directory.run(options);
        EXPECT_EQ(first.exitCode, 0);
        EXPECT_EQ(first.errors,
                  "Error: skin.bmp is being written by another program; left alone\n");
        EXPECT_NE(first.output.find("0 converted, 1 left alone"), std::string::npos)
            << first.output;
        EXPECT_EQ(readBytes(path), before);

        ASSERT_EQ(
            ::pwrite(writer, skin.data() + start, skin.size() - start, static_cast<off_t>(start)),
            static_cast<ssize_t>(skin.size() - start));
        ::close(writer);
        const RunResult second = directory.run(options);
        EXPECT_EQ(second.exitCode, 0) << second.errors;
        EXPECT_EQ(readBytes(path), converted.at("skin.bmp"));
    }
}

// A program opens the skin for writing in the instant before the program swaps its
// conversion in, and writes once the run is over: with a file it opened before the swap,
// its bytes would go into the file the swap took out of the folder, and be lost. Its open
// breaks the program's lease, which gives the skin up instead.
TEST(HostileFolderTest, AWriterThatOpensTheSkinBeforeTheSwapKeepsWhatItWrites) {
    const Bytes skin = makeSkin(64, 48, 4);
    const Bytes written = makeSkin(64, 48, 5);
    SkinDirectory directory({{"skin.bmp", skin}});
    const std::string path = directory.file("skin.bmp");
    int writer = -1;
    const Finished run = runActing(directory, "rename", {[&](const std::string&) {
                                       writer =
                                           ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                                       return true;
                                   }});
    if (writer < 0) {
        EXPECT_EQ(errno, EWOULDBLOCK) << "the program held no lease";
        writer = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
    }
    ASSERT_GE(writer, 0);
    ASSERT_EQ(::pwrite(writer, written.data(), written.size(), 0),
              static_cast<ssize_t>(written.size()));
    ::close(writer);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readBytes(path), written);
    EXPECT_EQ(run.errors, "Error: skin.bmp is being written by another program; left alone\n");
    EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
}

// Where no lease can be had, a save that keeps the file's size and puts its old write time
// back is still a change: the time of its last change moved.
TEST(HostileFolderTest, ASaveThatPutsTheWriteTimeBackIsStillSeen) {
    if (!withoutLeasesPossible()) {
        return;
    }
    const Bytes skin = makeSkin(64, 48, 6);
    const Bytes saved = makeSkin(64, 48, 7);
    SkinDirectory directory({{"skin.bmp", skin}});
    const std::string path = directory.file("skin.bmp");
    giveToAnotherUser(path);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    RunOptions options;
    options.withoutLeases = true;
    const Finished run = runActing(directory, "temporary", {[&](const std::string&) {
                                       writeBytes(path, saved);
                                       const timespec times[2] = {before.st_atim, before.st_mtim};
                                       EXPECT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
                                       return true;
                                   }},
                                   options);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(readBytes(path), saved);
    EXPECT_EQ(run.errors, "Error: skin.bmp changed while it was converted; left alone\n");
}

// The names in `directory` that start with `prefix`.
std::vector<std::string> namesStarting(const SkinDirectory& directory, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& name : directory.names()) {
        if (name.rfind(prefix, 0) == 0) {
            found.push_back(name);
        }
    }
    return found;
}

// The user saves the skin again just before the swap that puts its conversion in place, so
// that the swap takes the save out of the skin's place, and then it can't simply go back:
// the system refuses the swap back and the rename back; or another save lands in the
// instant between; or the run is killed there. The save is never removed, and never left
// under a temporary's name: it is kept as "<skin>.saved-<time>", said on stderr and counted
// as a failure.
TEST(HostileFolderTest, ASaveThatCannotGoBackInPlaceIsKeptUnderANameOfItsOwn) {
    const Bytes skin = makeSkin(32, 24, 8);
    const Bytes saved = makeSkin(40, 20, 9);
    const Bytes savedAgain = makeSkin(20, 40, 10);
    const auto converted = convertUndisturbed({{"skin.bmp", skin}});
    const auto saveByRename = [](const SkinDirectory& directory, const Bytes& bytes) {
        writeBytes(directory.file("skin.bmp.saving"), bytes);
        fs::rename(directory.file("skin.bmp.saving"), directory.file("skin.bmp"));
        return true;
    };
    struct Case {
        const char* what;
        const char* failing; // calls the system refuses
        std::function<std::vector<Act>(const SkinDirectory&)> acts;
        const Bytes& inPlace; // what the skin's name holds in the end
        const Bytes& kept;
    };
    const Case cases[] = {
        {"the swap back and the rename back fail", "rename:2,rename:3",
         [&](const SkinDirectory& directory) {
             return std::vector<Act>{
                 [&](const std::string&) { return saveByRename(directory, saved); }};
         },
         converted.at("skin.bmp"), saved},
        {"saved once more before the swap back", "",
         [&](const SkinDirectory& directory) {
             return std::vector<Act>{
                 [&](const std::string&) { return saveByRename(directory, saved); },
                 [&](const std::string&) { return saveByRename(directory, savedAgain); }};
         },
         saved, savedAgain},
        {"killed before the swap back", "",
         [&](const SkinDirectory& directory) {
             return std::vector<Act>{
                 [&](const std::string&) { return saveByRename(directory, saved); },
                 [](const std::string&) { return false; }};
         },
         converted.at("skin.bmp"), saved},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SkinDirectory directory({{"skin.bmp", skin}});
        RunOptions options;
        options.environment.push_back(std::string("SKINREMAP_FAIL=") + c.failing);
        const Finished run = runActing(directory, "rename", c.acts(directory), options);
        EXPECT_EQ(readBytes(directory.file("skin.bmp")), c.inPlace);
        const RunResult next = directory.run(); // its sweep finds what a killed run left
        const std::vector<std::string> kept = namesStarting(directory, "skin.bmp.saved-");
        ASSERT_EQ(kept.size(), 1u) << run.errors << next.errors;
        EXPECT_EQ(readBytes(directory.file(kept[0])), c.kept);
        EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
        const std::string told = run.exitCode == 128 + SIGKILL ? next.errors : run.errors;
        EXPECT_NE(told.find("kept as " + kept[0]), std::string::npos) << told;
        if (run.exitCode != 128 + SIGKILL) {
            EXPECT_EQ(run.exitCode, 3);
            EXPECT_NE(run.output.find("0 converted, 0 left alone, 1 failed."), std::string::npos)
                << run.output;
        }
    }
}

// What a run says is what happened. The system refuses to flush the folder after the
// renames: the skins are converted, in place, and said to be so, with the word that a power
// loss could still undo them. A skin saved again while it was converted is not written, and
// neither the summary's skins that moved most nor the preview page show it as converted.
TEST(HostileFolderTest, WhatIsReportedIsWhatHappened) {
    const std::map<std::string, Bytes> skins{{"a.bmp", makeSkin(16, 16, 11)},
                                             {"b.bmp", makeSkin(16, 16, 12)}};
    const auto converted = convertUndisturbed(skins);
    {
        SkinDirectory directory(skins);
        RunOptions options;
        options.environment = {std::string("LD_PRELOAD=") + SKINREMAP_STOP_BEFORE_CALL,
                               "SKINREMAP_FAIL=fsync-folder"};
        const RunResult run = directory.run(options);
        EXPECT_EQ(run.exitCode, 3);
        for (const auto& [name, bytes] : converted) {
            EXPECT_EQ(readBytes(directory.file(name)), bytes) << name;
            EXPECT_NE(run.errors.find(name + " is converted, but its folder could not be flushed"),
                      std::string::npos)
                << run.errors;
        }
        EXPECT_EQ(run.errors.find("Can't write file"), std::string::npos) << run.errors;
        EXPECT_NE(run.output.find("2 converted, 0 left alone, 0 failed."), std::string::npos)
            << run.output;
    }
    SkinDirectory directory(skins);
    const fs::path look = directory.scratch.path() / "look";
    RunOptions options;
    options.oneProcessor = true; // each skin goes to be written before the next is read
    // The first stops are those of the preview's page and pictures; the first skin is saved
    // again once it was converted and goes to be written.
    std::string saved;
    const Act saveTheFirst = [&](const std::string& output) {
        if (saved.empty() && !remappedNames(output).empty()) {
            saved = *remappedNames(output).begin();
            writeBytes(directory.file("saving"), makeSkin(8, 8, 13));
            fs::rename(directory.file("saving"), directory.file(saved));
        }
        return true;
    };
    const Finished run = runActing(directory, "temporary", std::vector<Act>(5, saveTheFirst),
                                   options, {"--preview", look.string()});
    ASSERT_FALSE(saved.empty());
    const std::string other = saved == "a.bmp" ? "b.bmp" : "a.bmp";
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(readBytes(directory.file(other)), converted.at(other));
    EXPECT_NE(run.output.find("1 converted, 1 left alone, 0 failed."), std::string::npos);
    const auto moved = run.output.find("Moved most: ");
    ASSERT_NE(moved, std::string::npos) << run.output;
    const std::string movedMost = run.output.substr(moved, run.output.find('\n', moved) - moved);
    EXPECT_NE(movedMost.find(other), std::string::npos) << movedMost;
    EXPECT_EQ(movedMost.find(saved), std::string::npos) << movedMost;
    const std::string page = readText((look / "index.html").string());
    const auto row = [&page](const std::string& name) {
        const auto start = page.find("<tr><th>" + name);
        return start == std::string::npos ? ""
                                          : page.substr(start, page.find("</tr>", start) - start);
    };
    EXPECT_NE(row(saved).find("not converted: it changed while it was converted"),
              std::string::npos)
        << page;
    EXPECT_EQ(row(other).find("not converted"), std::string::npos) << page;
}

// Links inside the output and preview folders, named like what the run writes there, lead
// out of them (as root, to anything). The run replaces the links themselves and writes
// nothing elsewhere, a dry run included; a subfolder of pictures that is a link stops the
// run before anything is touched.
TEST(HostileFolderTest, NothingOutsideTheOutputAndPreviewFoldersIsWritten) {
    const std::map<std::string, Bytes> skins{{"a.bmp", makeSkin(8, 8, 1)},
                                             {"b.bmp", makeSkin(8, 8, 2)}};
    const auto converted = convertUndisturbed(skins);
    SkinDirectory directory(skins);
    const fs::path scratch = directory.scratch.path();
    const fs::path outside = scratch / "outside";
    fs::create_directories(outside);
    const std::map<std::string, Bytes> secrets{{"secret.txt", {'k', 'e', 'e', 'p'}},
                                               {"page.html", {'<', 'p', '>'}},
                                               {"a.png", {'p', 'n', 'g'}},
                                               {"b.png", {'p', 'n', 'g', '2'}}};
    for (const auto& [name, bytes] : secrets) {
        writeBytes((outside / name).string(), bytes);
    }
    const fs::path out = scratch / "out";
    const fs::path look = scratch / "look";
    fs::create_directories(out);
    fs::create_directories(look / "source");
    fs::create_symlink(outside / "secret.txt", out / "a.bmp");
    fs::create_symlink(outside / "page.html", look / "index.html");
    fs::create_symlink(outside / "a.png", look / "a.png");
    fs::create_symlink(outside / "b.png", look / "source" / "b.png");
    const auto untouched = [&] {
        for (const auto& [name, bytes] : secrets) {
            EXPECT_EQ(readBytes((outside / name).string()), bytes) << name;
        }
    };

    const RunResult dry = directory.run({}, {"-n", "--preview", look.string()});
    EXPECT_EQ(dry.exitCode, 0) << dry.errors;
    untouched();
    const RunResult real = directory.run({}, {"-o", out.string(), "--preview", look.string()});
    EXPECT_EQ(real.exitCode, 0) << real.errors;
    untouched();
    for (const fs::path& written : {out / "a.bmp", out / "b.bmp", look / "index.html",
                                    look / "a.png", look / "source" / "b.png"}) {
        EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(written))) << written;
    }
    EXPECT_EQ(readBytes((out / "a.bmp").string()), converted.at("a.bmp"));

    fs::remove_all(look / "source");
    fs::create_directory_symlink(outside, look / "source");
    const RunResult refused = directory.run({}, {"--preview", look.string()});
    EXPECT_EQ(refused.exitCode, 2);
    EXPECT_NE(refused.errors.find("its folder 'source' is a link or not a folder"),
              std::string::npos)
        << refused.errors;
    untouched();
    EXPECT_EQ(readBytes(directory.file("a.bmp")), skins.at("a.bmp"));
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
// other's temporary, every skin is converted exactly once, and the second run leaves the
// skins the first is converting to it, quietly: one line each on stdout, and its summary
// counts them.
TEST(HostileFolderTest, TwoRunsInOneFolderConvertEverySkinOnceAndQuietly) {
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
    EXPECT_EQ(first.errors, "");
    EXPECT_EQ(second.errors, "");
    EXPECT_NE(first.output.find("6 converted, 0 left alone, 0 failed."), std::string::npos)
        << first.output;
    EXPECT_NE(second.output.find("0 converted, 0 left alone, 0 failed, 6 being converted by "
                                 "another run."),
              std::string::npos)
        << second.output;
    for (const auto& [name, bytes] : converted) {
        EXPECT_NE(second.output.find("Left alone: " + name + " (being converted by another run)\n"),
                  std::string::npos)
            << name;
        EXPECT_EQ(readBytes(directory.file(name)), bytes) << name;
    }
    EXPECT_EQ(directory.temporaries(), std::vector<std::string>{});
}

// Where nothing can be locked (a network share without a lock service), a temporary just
// made is no other run's: skins are converted, and no temporary is left behind.
TEST(HostileFolderTest, AFileSystemThatCannotLockStillGetsItsSkinsConverted) {
    const std::map<std::string, Bytes> skins{{"a.bmp", makeSkin(8, 8, 21)},
                                             {"b.bmp", makeSkin(8, 8, 22)}};
    const auto converted = convertUndisturbed(skins);
    SkinDirectory directory(skins);
    RunOptions options;
    options.environment = {std::string("LD_PRELOAD=") + SKINREMAP_STOP_BEFORE_CALL,
                           "SKINREMAP_FAIL=flock"};
    const RunResult run = directory.run(options);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    for (const auto& [name, bytes] : converted) {
        EXPECT_EQ(readBytes(directory.file(name)), bytes) << name;
    }
    EXPECT_EQ(directory.names(), (std::set<std::string>{"a.bmp", "b.bmp", PaletteName}));
}

// Under a low limit on open files (`ulimit -n`), every skin is still converted: the run
// holds no more open at once than it may.
TEST(HostileFolderTest, ALowLimitOnOpenFilesConvertsEverySkin) {
    std::map<std::string, Bytes> skins;
    for (std::uint32_t i = 0; i < 150; ++i) {
        skins["skin" + std::to_string(i) + ".bmp"] = makeSkin(4, 4, 100 + i);
    }
    SkinDirectory directory(skins);
    RunOptions options;
    options.openFileLimit = 48;
    const RunResult run = directory.run(options);
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    EXPECT_EQ(run.errors, "");
    EXPECT_NE(run.output.find("150 converted, 0 left alone, 0 failed."), std::string::npos)
        << run.output;
}

// A file of a hundred bytes whose header claims an image of hundreds of megabytes costs
// what the file costs: it is left alone before anything is made for the image.
TEST(HostileFolderTest, ATinyFileClaimingAHugeImageCostsWhatTheFileCosts) {
    std::map<std::string, Bytes> files;
    for (const std::int32_t height : {5461, -5461}) {
        Bytes file = makeSkin(1, 1, 1);
        file.resize(102);
        for (int i = 0; i < 4; ++i) {
            file[18 + i] = static_cast<std::uint8_t>(32767 >> (8 * i));
            file[22 + i] = static_cast<std::uint8_t>(static_cast<std::uint32_t>(height) >> (8 * i));
        }
        files[height > 0 ? "bottom-up.bmp" : "top-down.bmp"] = file;
    }
    SkinDirectory directory(files);
    const RunResult run = directory.run();
    EXPECT_EQ(run.exitCode, 0) << run.errors;
    for (const auto& [name, bytes] : files) {
        EXPECT_NE(run.errors.find("Left alone: " + name +
                                  " (the file holds only part of its "
                                  "pixels)\n"),
                  std::string::npos)
            << run.errors;
    }
    constexpr std::int64_t MostMemoryKiB = 200 * 1024; // the image claims 530 MB
    EXPECT_LT(run.peakMemoryKiB, MostMemoryKiB);
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
