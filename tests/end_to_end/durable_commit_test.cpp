// The order in which a run makes its skins last through a power loss, read from the system
// calls it makes (strace): every converted skin reaches the disk before its rename puts it in
// place, the renames reach the disk before the program ends, and the waits for the disk are
// shared by many skins rather than taken once for each.

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/sysmacros.h>

#include "tests/end_to_end/skin_directory.h"
#include "tests/support/file_bytes.h"
#include "tests/support/program_run.h"

namespace {

using namespace end_to_end;
using testing_support::RunResult;
namespace fs = std::filesystem;

const fs::path Strace = "/usr/bin/strace";
constexpr const char* TracedCalls = "trace=open,openat,creat,close,fsync,fdatasync,syncfs,sync,"
                                    "sync_file_range,rename,renameat,renameat2,exit_group";

// One finished system call of the trace.
struct Call {
    std::string name;
    std::vector<std::string> paths;     // its quoted arguments, in order
    std::vector<std::string> arguments; // every argument, as strace shows it
    long result = -1;
};

// The arguments of a call, split at the commas between them (not those inside quotes or
// brackets).
std::vector<std::string> splitArguments(const std::string& text) {
    std::vector<std::string> arguments(1);
    int depth = 0;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            quoted = c != '"' || text[i - 1] == '\\';
        } else if (c == '"') {
            quoted = true;
        } else if (c == '[' || c == '{') {
            ++depth;
        } else if (c == ']' || c == '}') {
            --depth;
        } else if (c == ',' && depth == 0) {
            arguments.emplace_back();
            continue;
        }
        if (!(arguments.back().empty() && c == ' ')) {
            arguments.back() += c;
        }
    }
    return arguments;
}

// Joins the halves strace writes of a call that another thread's call interrupted, drops
// the thread's number that starts each line of `strace -f`, and parses what is left.
std::vector<Call> readTrace(const fs::path& file) {
    static const std::regex line(R"(^(\d+)\s+(.*)$)");
    static const std::regex unfinished(R"(^(.*) <unfinished \.\.\.>$)");
    static const std::regex resumed(R"(^<\.\.\. \w+ resumed>(.*)$)");
    static const std::regex call(R"(^(\w+)\((.*)\)\s+=\s+(-?\d+|\?).*$)");
    static const std::regex quoted(R"re("((?:[^"\\]|\\.)*)")re");
    std::ifstream trace(file);
    std::map<std::string, std::string> pending; // thread -> the first half of its call
    std::vector<Call> calls;
    for (std::string text; std::getline(trace, text);) {
        std::smatch match;
        if (!std::regex_match(text, match, line)) {
            continue;
        }
        const std::string thread = match[1];
        text = match[2];
        if (std::regex_match(text, match, unfinished)) {
            pending[thread] = match[1];
            continue;
        }
        if (std::regex_match(text, match, resumed)) {
            text = pending[thread] + std::string(match[1]);
        }
        if (!std::regex_match(text, match, call)) {
            continue; // signals, exits, what strace says of itself
        }
        Call parsed{match[1], {}, {}, match[3] == "?" ? -1 : std::stol(match[3])};
        const std::string arguments = match[2];
        parsed.arguments = splitArguments(arguments);
        for (auto at = std::sregex_iterator(arguments.begin(), arguments.end(), quoted);
             at != std::sregex_iterator(); ++at) {
            parsed.paths.push_back((*at)[1]);
        }
        calls.push_back(parsed);
    }
    return calls;
}

std::string normal(const std::string& path) {
    const fs::path tidy = fs::path(path).lexically_normal();
    return tidy.empty() ? "." : tidy.string();
}

std::string directoryOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? "." : normal(parent.string());
}

bool isRename(const Call& call) {
    return call.name == "rename" || call.name == "renameat" || call.name == "renameat2";
}

bool isFileFlush(const Call& call) {
    return call.name == "fsync" || call.name == "fdatasync";
}

// What the trace shows of the order of a run's writes.
struct CommitOrder {
    int renames = 0;
    std::vector<std::string> renamedUnflushed; // temporaries renamed before reaching the disk
    std::set<std::string> directories;         // that renames went into
    std::set<std::string> flushedDirectories;  // flushed after their last rename
    int flushRuns = 0; // stretches of flushes of files with no rename between them
    // Flushes of everything unwritten on a file system, other programs' data included.
    int wholeSystemFlushes = 0;
};

// A name as a call gives it, relative to the folder `at` (a descriptor, or AT_FDCWD), as a
// path from the program's directory.
std::string pathFrom(const std::map<std::string, std::string>& openFiles, const std::string& at,
                     const std::string& name) {
    const auto folder = openFiles.find(at);
    if (at == "AT_FDCWD" || folder == openFiles.end() || fs::path(name).is_absolute()) {
        return normal(name);
    }
    return normal((fs::path(folder->second) / name).string());
}

// With `oneJournal`, the flush of one file commits every change made before it on its file
// system, so that it takes the files written before it along.
CommitOrder commitOrder(const std::vector<Call>& calls, bool oneJournal) {
    CommitOrder order;
    std::map<std::string, std::string> openFiles; // descriptor -> path
    std::set<std::string> flushed;
    std::map<std::string, std::size_t> lastRename; // directory -> index of its last rename
    bool inFlushRun = false;
    for (std::size_t i = 0; i < calls.size(); ++i) {
        const Call& call = calls[i];
        const std::string first = call.arguments.empty() ? "" : call.arguments[0];
        if ((call.name == "openat" || call.name == "open" || call.name == "creat") &&
            call.result >= 0 && !call.paths.empty()) {
            openFiles[std::to_string(call.result)] = call.name == "openat"
                                                         ? pathFrom(openFiles, first, call.paths[0])
                                                         : normal(call.paths[0]);
        } else if (call.name == "close") {
            openFiles.erase(first);
        } else if (isFileFlush(call) && call.result == 0 && openFiles.count(first)) {
            const std::string& path = openFiles[first];
            flushed.insert(path);
            if (oneJournal) {
                for (const auto& [descriptor, open] : openFiles) {
                    flushed.insert(open);
                }
            }
            if (lastRename.count(path) != 0) {
                order.flushedDirectories.insert(path);
            } else {
                order.flushRuns += inFlushRun ? 0 : 1;
                inFlushRun = true;
            }
        } else if (call.name == "syncfs" || call.name == "sync") {
            ++order.wholeSystemFlushes;
        } else if (isRename(call) && call.paths.size() == 2) {
            ++order.renames;
            inFlushRun = false;
            const bool at = call.name != "rename" && call.arguments.size() >= 4;
            const std::string from =
                at ? pathFrom(openFiles, first, call.paths[0]) : normal(call.paths[0]);
            const std::string to =
                at ? pathFrom(openFiles, call.arguments[2], call.paths[1]) : normal(call.paths[1]);
            if (flushed.count(from) == 0) {
                order.renamedUnflushed.push_back(from);
            }
            const std::string directory = directoryOf(to);
            order.directories.insert(directory);
            lastRename[directory] = i;
            order.flushedDirectories.erase(directory);
        }
    }
    return order;
}

// Whether the file system of `path` is ext4 with its journal, whose every flush commits all
// earlier changes there: the program flushes one file of a group there, not each.
bool onOneJournal(const fs::path& path) {
    struct statfs system {};
    struct stat info {};
    if (statfs(path.c_str(), &system) != 0 || system.f_type != 0xEF53 ||
        stat(path.c_str(), &info) != 0) {
        return false;
    }
    std::ifstream uevent("/sys/dev/block/" + std::to_string(major(info.st_dev)) + ":" +
                         std::to_string(minor(info.st_dev)) + "/uevent");
    std::string device;
    for (std::string line; std::getline(uevent, line);) {
        if (line.rfind("DEVNAME=", 0) == 0) {
            device = line.substr(8);
        }
    }
    std::error_code error;
    for (fs::directory_iterator entry("/proc/fs/jbd2", error);
         !error && entry != fs::directory_iterator(); entry.increment(error)) {
        if (!device.empty() && entry->path().filename().string().rfind(device + "-", 0) == 0) {
            return true;
        }
    }
    return false;
}

RunResult traced(const SkinDirectory& skins, const fs::path& trace,
                 std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(),
                     {"-f", "-o", trace.string(), "-e", TracedCalls, SKINREMAP_PROGRAM});
    testing_support::RunOptions options;
    // A sanitized build's leak check cannot work under a tracer, and would fail the run.
    options.environment = {"ASAN_OPTIONS=detect_leaks=0"};
    return testing_support::runProgram(Strace, arguments, skins.path, options);
}

// A machine without strace, or where it cannot trace, can't check this; CI must.
bool strace(const std::string& problem) {
    EXPECT_EQ(std::getenv("CI"), nullptr) << problem;
    return false;
}

TEST(DurableCommitTest, EverySkinReachesTheDiskBeforeItsRenameAndTheRenamesBeforeTheEnd) {
    if (!fs::exists(Strace) && !strace("strace is not installed")) {
        GTEST_SKIP() << "strace is not installed";
    }
    std::map<std::string, Bytes> skins;
    for (std::uint32_t i = 0; i < 20; ++i) {
        skins["skin" + std::to_string(i) + ".bmp"] = makeSkin(24, 16, i);
    }
    const auto converted = convertUndisturbed(skins);
    struct Case {
        const char* what;
        std::vector<std::string> arguments;
        std::string output; // where the skins go, from the folder of skins
    };
    const Case cases[] = {{"in place", {}, "."}, {"into an output folder", {"-o", "out"}, "out"}};
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const SkinDirectory directory(skins);
        const fs::path trace = directory.scratch.path() / "trace.txt";
        const RunResult run = traced(directory, trace, test.arguments);
        const std::vector<Call> calls = readTrace(trace);
        if (calls.empty() && !strace("strace cannot trace here: " + run.errors)) {
            GTEST_SKIP() << "strace cannot trace here: " << run.errors;
        }
        ASSERT_EQ(run.exitCode, 0) << run.errors;
        for (const auto& [name, bytes] : converted) {
            EXPECT_EQ(testing_support::readBytes((directory.path / test.output / name).string()),
                      bytes)
                << name;
        }

        const CommitOrder order = commitOrder(calls, onOneJournal(directory.path));
        EXPECT_EQ(order.wholeSystemFlushes, 0) << "a flush that waits for other programs' data";
        EXPECT_EQ(order.renames, 20);
        EXPECT_EQ(order.renamedUnflushed, std::vector<std::string>{});
        // The program names the folder of skins "." and an output folder by its full path.
        const std::string written =
            test.output == "." ? "." : normal((directory.path / test.output).string());
        EXPECT_EQ(order.directories, std::set<std::string>{written});
        EXPECT_EQ(order.flushedDirectories, order.directories);
        EXPECT_GE(order.flushRuns, 1);
        EXPECT_LT(order.flushRuns, order.renames / 4) << "one wait for the disk per skin";
        EXPECT_EQ(calls.back().name, "exit_group");
    }
}

} // namespace
