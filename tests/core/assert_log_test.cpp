#include "core/assert_log.h"

#include <filesystem>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/assert_exception.h"
#include "core/message_box.h"
#include "platform/file.h"
#include "platform/process.h"
#include "tests/support/file_probes.h"
#include "tests/support/program_run.h"
#include "tests/support/temp_dir.h"

using testing_support::readText;
using testing_support::TempDir;

namespace {

const std::string Separator = std::string(72, '=') + "\r\n";

struct Box {
    std::string caption;
    std::string text;
};

std::vector<Box> boxesShown;
MessageResult boxAnswer = MessageResult::Cancel;

MessageResult recordBox(const char* caption, const char* text, MessageIcon, MessageButtons) {
    boxesShown.push_back({caption, text});
    return boxAnswer;
}

struct Entry {
    std::string formattedLine;
    std::string message;
};

std::vector<Entry> callbacks;

void recordCallback(const char* formattedLine, const char* message) {
    callbacks.push_back({formattedLine, message});
}

// Each test runs in a directory of its own, so the log it makes is its own "assert.log";
// the directory the test started in comes back afterwards, even when the test fails.
class AssertLogTest : public ::testing::Test {
  protected:
    AssertLogTest() : home(std::filesystem::current_path()) {
        std::filesystem::current_path(dir.path());
        boxesShown.clear();
        boxAnswer = MessageResult::Cancel;
        callbacks.clear();
        previousHandler = setMessageBoxHandler(recordBox);
    }
    ~AssertLogTest() override {
        setMessageBoxHandler(previousHandler);
        std::filesystem::current_path(home);
    }

    std::string logFile() const { return dir.file("assert.log"); }
    bool logExists() const { return std::filesystem::exists(logFile()); }
    std::string logText() const { return readText(logFile()); }

    TempDir dir;
    const std::filesystem::path home;
    MessageBoxHandler previousHandler = nullptr;
};

TEST_F(AssertLogTest, WarningThenMessageLeaveFourCrLfLinesInTheStartDirectory) {
    AssertLog log;
    log.report(AssertSeverity::Warning, "palette.cpp", 312, "mask is empty");
    log.report(AssertSeverity::Message, "ignored.cpp", 1, "remapped 12 files");

    EXPECT_EQ(logText(), Separator + "WARNING: palette.cpp @ 312\r\n  mask is empty\r\n"
                                     "remapped 12 files\r\n");
    EXPECT_TRUE(std::filesystem::equivalent(log.getPath(), logFile()));
    EXPECT_EQ(log.getWarningCount(), 1u);
    EXPECT_EQ(log.getMessageCount(), 1u);
    EXPECT_EQ(log.getFatalCount(), 0u);
}

TEST_F(AssertLogTest, NothingIsCreatedBeforeTheFirstReport) {
    AssertLog log;
    log.setFlags(AssertLog::NoWarnings);
    log.report(AssertSeverity::Warning, "a.cpp", 1, "dropped");
    EXPECT_FALSE(logExists());
}

TEST_F(AssertLogTest, StartDirectoriesLongerThan240CharactersGetNoLog) {
    const std::size_t base = platform::currentDirectory().size();
    ASSERT_LT(base + 1, 240u);
    for (const std::size_t length : {std::size_t{240}, std::size_t{241}}) {
        SCOPED_TRACE(length);
        const std::filesystem::path deep = dir.path() / std::string(length - base - 1, 'd');
        std::filesystem::create_directory(deep);
        std::filesystem::current_path(deep);
        ASSERT_EQ(platform::currentDirectory().size(), length);

        AssertLog log;
        log.report(AssertSeverity::Message, "", 0, "deep");
        EXPECT_EQ(std::filesystem::exists(deep / "assert.log"), length <= 240);
        EXPECT_EQ(log.getMessageCount(), 1u);
        std::filesystem::current_path(dir.path());
    }
}

TEST_F(AssertLogTest, SeparatorPrecedesTheFirstEntryThatReachesTheFile) {
    // A directory where the file should be makes every open fail.
    std::filesystem::create_directory(logFile());
    AssertLog log;
    log.report(AssertSeverity::Message, "", 0, "lost");
    EXPECT_EQ(log.getMessageCount(), 1u) << "a dropped entry still counts";

    std::filesystem::remove(logFile());
    log.report(AssertSeverity::Message, "", 0, "first");
    log.report(AssertSeverity::Message, "", 0, "second");
    EXPECT_EQ(logText(), Separator + "first\r\nsecond\r\n");

    AssertLog nextRun;
    nextRun.report(AssertSeverity::Message, "", 0, "third");
    EXPECT_EQ(logText(), Separator + "first\r\nsecond\r\n" + Separator + "third\r\n")
        << "each run appends, starting with its own separator";
}

TEST_F(AssertLogTest, ASeparatorCutShortIsWrittenAgain) {
    AssertLog log;
    {
        const testing_support::DiskFullAfter full(10);
        log.report(AssertSeverity::Message, "", 0, "lost on a full disk");
    }
    log.report(AssertSeverity::Message, "", 0, "after");
    EXPECT_EQ(logText(), std::string(10, '=') + Separator + "after\r\n");
}

TEST_F(AssertLogTest, FlagsDropMessagesAndWarningsWithoutCountingThem) {
    struct Case {
        int flags;
        AssertSeverity severity;
        bool taken;
    };
    const Case cases[] = {
        {0, AssertSeverity::Message, true},
        {0, AssertSeverity::Warning, true},
        {AssertLog::NoLogFile, AssertSeverity::Message, false},
        {AssertLog::NoLogFile, AssertSeverity::Warning, false},
        {AssertLog::NoMessages, AssertSeverity::Message, false},
        {AssertLog::NoMessages, AssertSeverity::Warning, true},
        {AssertLog::NoWarnings, AssertSeverity::Message, true},
        {AssertLog::NoWarnings, AssertSeverity::Warning, false},
        {AssertLog::NoMessageBox, AssertSeverity::Message, true},
        {AssertLog::NoMessageBox, AssertSeverity::Warning, true},
        {AssertLog::NoMessages | AssertLog::NoWarnings, AssertSeverity::Warning, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("flags " + std::to_string(c.flags) + ", severity " +
                     std::to_string(static_cast<int>(c.severity)));
        std::filesystem::remove(logFile());
        AssertLog log;
        log.setFlags(c.flags);
        log.report(c.severity, "f.cpp", 5, "text");

        const bool isMessage = c.severity == AssertSeverity::Message;
        EXPECT_EQ(log.getMessageCount(), isMessage && c.taken ? 1u : 0u);
        EXPECT_EQ(log.getWarningCount(), !isMessage && c.taken ? 1u : 0u);
        EXPECT_EQ(logExists(), c.taken);
        EXPECT_TRUE(boxesShown.empty());
    }
}

TEST_F(AssertLogTest, ThrowOnFatalLogsCallsBackAndThrowsWithoutABox) {
    for (const int severity : {0, 3, 4, 7, -1}) {
        SCOPED_TRACE("severity " + std::to_string(severity));
        std::filesystem::remove(logFile());
        callbacks.clear();
        AssertLog log;
        log.setCallback(recordCallback);
        log.throwOnFatal = true;
        try {
            log.report(severity, "bitmap.cpp", 77, "pixels missing");
            ADD_FAILURE() << "no exception";
        } catch (const AssertException& e) {
            EXPECT_STREQ(e.file, "bitmap.cpp");
            EXPECT_EQ(e.line, 77);
            EXPECT_STREQ(e.message, "pixels missing");
        }
        EXPECT_EQ(log.getFatalCount(), 1u);
        EXPECT_TRUE(boxesShown.empty());
        ASSERT_EQ(callbacks.size(), 1u);
        EXPECT_EQ(callbacks[0].formattedLine, "FATAL:   bitmap.cpp @ 77\r\n");
        EXPECT_EQ(callbacks[0].message, "pixels missing");
        EXPECT_EQ(logText(), Separator + "FATAL:   bitmap.cpp @ 77\r\npixels missing\r\n");
    }
}

TEST_F(AssertLogTest, FatalReportsAreNeverSuppressedByFlags) {
    AssertLog log;
    log.setFlags(AssertLog::NoLogFile | AssertLog::NoMessageBox | AssertLog::NoMessages |
                 AssertLog::NoWarnings);
    log.setCallback(recordCallback);
    log.throwOnFatal = true;
    EXPECT_THROW(log.report(AssertSeverity::Fatal, "a.cpp", 1, "x"), AssertException);
    EXPECT_EQ(log.getFatalCount(), 1u);
    EXPECT_EQ(callbacks.size(), 1u);
    EXPECT_FALSE(logExists()) << "NoLogFile still keeps the file away";
}

TEST_F(AssertLogTest, LongNamesAreCutToFitTheirFields) {
    const std::string longFile(300, 'f');
    const std::string longMessage(300, 'm');
    AssertLog log;
    log.setCallback(recordCallback);
    log.throwOnFatal = true;
    try {
        log.report(AssertSeverity::Fatal, longFile.c_str(), 123, longMessage.c_str());
        ADD_FAILURE() << "no exception";
    } catch (const AssertException& e) {
        EXPECT_EQ(std::string(e.file), longFile.substr(0, 199));
        EXPECT_EQ(std::string(e.message), longMessage.substr(0, 199));
        EXPECT_EQ(e.line, 123);
        for (int i = 199; i < AssertException::FieldSize; ++i) {
            EXPECT_EQ(e.file[i], '\0');
            EXPECT_EQ(e.message[i], '\0');
        }
    }
    // The header keeps its line number and line end; only the file name gives way.
    const std::string fatalHeader = "FATAL:   " + longFile.substr(0, 255 - 17) + " @ 123\r\n";
    ASSERT_EQ(fatalHeader.size(), 255u);
    ASSERT_EQ(callbacks.size(), 1u);
    EXPECT_EQ(callbacks[0].formattedLine, fatalHeader);

    log.report(AssertSeverity::Warning, longFile.c_str(), -4, "w");
    const std::string warningHeader = "WARNING: " + longFile.substr(0, 255 - 18) + " @ -4\r\n  ";
    ASSERT_EQ(warningHeader.size(), 255u);
    EXPECT_EQ(logText(), Separator + fatalHeader + longMessage + "\r\n" + warningHeader + "w\r\n")
        << "messages themselves are logged whole";
}

TEST_F(AssertLogTest, NullTextsAreLoggedAsEmpty) {
    AssertLog log;
    log.report(AssertSeverity::Warning, nullptr, 3, nullptr);
    log.report(AssertSeverity::Message, nullptr, 0, nullptr);
    EXPECT_EQ(logText(), Separator + "WARNING:  @ 3\r\n  \r\n\r\n");
}

TEST_F(AssertLogTest, RetryReturnsToTheReporterWithoutLogging) {
    boxAnswer = MessageResult::Retry;
    AssertLog log;
    log.setCallback(recordCallback);
    log.report(AssertSeverity::Fatal, "remap.cpp", 9, "index out of range");

    ASSERT_EQ(boxesShown.size(), 1u);
    EXPECT_EQ(boxesShown[0].caption, "FATAL:   remap.cpp @ 9\n\nRetry to Break");
    EXPECT_EQ(boxesShown[0].text, "index out of range");
    EXPECT_EQ(log.getFatalCount(), 1u);
    EXPECT_TRUE(callbacks.empty());
    EXPECT_FALSE(logExists());
}

// The paths that end the process run in a program of their own.
class AssertLogChildTest : public AssertLogTest {
  protected:
    using Run = testing_support::RunResult;

    // Runs the child in the current directory; what it printed comes back with the line
    // ends a Windows console adds taken out again.
    Run runChild(const std::vector<std::string>& arguments) {
        Run run = testing_support::runProgram(child, arguments, std::filesystem::current_path());
        run.output = consoleText(run.output);
        run.errors = consoleText(run.errors);
        return run;
    }

    static std::string consoleText(std::string text) {
        for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) {
            text.erase(at, 1);
        }
        return text;
    }

    // Built beside the test program, which the test runner starts in its own folder.
    const std::filesystem::path child = home / ASSERT_FATAL_CHILD;
};

TEST_F(AssertLogChildTest, CancelledFatalReportLogsCallsBackAndEndsWithCode1) {
    const Run run = runChild({"3", "0"});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "FATAL:   child.cpp @ 42\n\nRetry to Break: it broke\n")
        << "the console answers the box with Cancel";
    EXPECT_EQ(run.output, "callback: [FATAL:   child.cpp @ 42\\r\\n] [it broke]\n")
        << "nothing after the report runs";
    EXPECT_EQ(logText(), Separator + "FATAL:   child.cpp @ 42\r\nit broke\r\n");
}

TEST_F(AssertLogChildTest, FatalWithoutLogFileStillShowsTheBoxAndEnds) {
    const Run run = runChild({"0", std::to_string(AssertLog::NoLogFile)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "FATAL:   child.cpp @ 42\n\nRetry to Break: it broke\n");
    EXPECT_EQ(run.output, "callback: [FATAL:   child.cpp @ 42\\r\\n] [it broke]\n");
    EXPECT_FALSE(logExists());
}

TEST_F(AssertLogChildTest, FatalWithoutBoxEndsAtOnce) {
    const Run run = runChild({"7", std::to_string(AssertLog::NoMessageBox)});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.errors, "");
    EXPECT_EQ(logText(), Separator + "FATAL:   child.cpp @ 42\r\nit broke\r\n");
}

TEST_F(AssertLogChildTest, TheProcessLogStaysInTheDirectoryItStartedIn) {
    std::filesystem::create_directory("moved");
    const Run run = runChild({"2", "0", "moved"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.output, "returned\n");
    EXPECT_EQ(logText(), Separator + "WARNING: child.cpp @ 42\r\n  it broke\r\n");
    EXPECT_FALSE(std::filesystem::exists("moved/assert.log"));
}

TEST_F(AssertLogChildTest, AProgramThatReportsNothingLeavesNoFile) {
    const Run run = runChild({});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_FALSE(logExists());
}

} // namespace
