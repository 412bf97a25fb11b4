#include "core/assert_log.h"

#include <array>
#include <cstdio>
#include <cstring>
#include <string>

#include "core/assert_exception.h"
#include "core/message_box.h"
#include "platform/file.h"
#include "platform/owned_file.h"
#include "platform/process.h"

namespace {

constexpr char SeparatorText[] =
    "========================================================================\r\n";
constexpr std::int32_t SeparatorLength = sizeof SeparatorText - 1;
static_assert(SeparatorLength == 74);

// Each format takes the file name as "%.*s" and then the line number.
constexpr const char* WarningPrefixFormat = "WARNING: %.*s @ %d\r\n  ";
constexpr const char* FatalPrefixFormat = "FATAL:   %.*s @ %d\r\n";
constexpr const char* FatalTitleFormat = "FATAL:   %.*s @ %d\n\nRetry to Break";

constexpr int FatalExitCode = 1;

using FormattedText = std::array<char, AssertLog::FormatBufferSize>;

// A file name too long for the buffer is cut, so the line number and the line end that
// follow it always survive.
FormattedText formatWithFile(const char* format, const char* file, int line) {
    FormattedText text{};
    const int fixedLength = std::snprintf(nullptr, 0, format, 0, "", line);
    const int room = fixedLength < 0 ? 0 : AssertLog::FormatBufferSize - 1 - fixedLength;
    std::snprintf(text.data(), text.size(), format, room < 0 ? 0 : room, file, line);
    return text;
}

// The file layer moves at most this many bytes per call.
constexpr std::size_t WriteChunkLimit = 1u << 30;

// Writes `size` bytes at the file's position; true when every byte was written.
bool writeAll(const platform::OwnedFile& file, const char* data, std::size_t size) {
    while (size > 0) {
        const auto chunk =
            static_cast<std::int32_t>(size < WriteChunkLimit ? size : WriteChunkLimit);
        std::int32_t written = 0;
        if (!platform::writeFile(file.get(), data, chunk, written) || written != chunk) {
            return false;
        }
        data += chunk;
        size -= static_cast<std::size_t>(chunk);
    }
    return true;
}

} // namespace

AssertLog::AssertLog() : separator(SeparatorText), separatorLength(SeparatorLength) {
    const std::string directory = platform::currentDirectory();
    if (directory.empty() || directory.size() > MaxDirectoryLength) {
        return; // no log file for this run
    }
    std::string name = directory;
    if (name.back() != platform::PathSeparator) {
        name += platform::PathSeparator; // a root directory already ends in one
    }
    name += FileName;
    static_assert(MaxDirectoryLength + sizeof "/assert.log" <= PathSize);
    std::memcpy(path, name.c_str(), name.size() + 1);
}

void AssertLog::report(int severity, const char* file, int line, const char* message) {
    if (file == nullptr) {
        file = "";
    }
    if (message == nullptr) {
        message = "";
    }
    switch (severity) {
    case static_cast<int>(AssertSeverity::Message):
        if ((flags & (NoLogFile | NoMessages)) != 0) {
            return;
        }
        ++messageCount;
        writeEntry(nullptr, message);
        return;
    case static_cast<int>(AssertSeverity::Warning): {
        if ((flags & (NoLogFile | NoWarnings)) != 0) {
            return;
        }
        ++warningCount;
        const FormattedText prefix = formatWithFile(WarningPrefixFormat, file, line);
        writeEntry(prefix.data(), message);
        return;
    }
    default:
        reportFatal(file, line, message);
        return;
    }
}

void AssertLog::reportFatal(const char* file, int line, const char* message) {
    ++fatalCount;
    if (!throwOnFatal && (flags & NoMessageBox) == 0) {
        const FormattedText title = formatWithFile(FatalTitleFormat, file, line);
        const auto answer =
            showMessageBox(title.data(), message, MessageIcon::Error, MessageButtons::RetryCancel);
        if (answer == MessageResult::Retry) {
            // The developer wants to look at the live process: no entry, no exit.
            platform::breakIntoDebugger();
            return;
        }
    }
    const FormattedText prefix = formatWithFile(FatalPrefixFormat, file, line);
    if (callback != nullptr) {
        callback(prefix.data(), message);
    }
    writeEntry(prefix.data(), message);
    if (!throwOnFatal) {
        platform::endProcess(FatalExitCode);
    }
    throw AssertException(file, line, message);
}

void AssertLog::writeEntry(const char* prefix, const char* message) {
    if ((flags & NoLogFile) != 0 || path[0] == '\0') {
        return;
    }
    const platform::OwnedFile file(platform::openOrCreate(path));
    if (!file.isOpen()) {
        return; // dropped; the separator waits for an entry that gets through
    }
    platform::seekFile(file.get(), 0, platform::SeekOrigin::End);
    // A separator cut short by a full disk is written again in front of the next entry.
    if (separatorPending && writeAll(file, separator, static_cast<std::size_t>(separatorLength))) {
        separatorPending = false;
    }
    if (prefix != nullptr) {
        writeAll(file, prefix, std::strlen(prefix));
    }
    writeAll(file, message, std::strlen(message));
    writeAll(file, "\r\n", 2);
}

AssertLog& assertLog() {
    static AssertLog log;
    return log;
}

namespace {

// Made now rather than at the first report: the directory to remember is the one the
// program was started in.
[[maybe_unused]] const AssertLog& startupLog = assertLog();

} // namespace
