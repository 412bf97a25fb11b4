#pragma once
// The process-wide log of consistency reports. Plain messages and warnings are appended to
// "assert.log" in the directory the program started in; a fatal report offers a debugger
// break and then ends the process, or throws AssertException when told to. The file is not
// even created until the first entry, and it is opened and closed around every entry, so it
// is complete after each report.

#include <cstdint>

enum class AssertSeverity : std::int32_t {
    Message = 1,
    Warning = 2,
    Fatal = 3, // and every value other than Message and Warning
};

class AssertLog {
  public:
    // Called on fatal reports only, with the entry's header line and the message.
    using Callback = void (*)(const char* formattedLine, const char* message);

    enum Flag : std::int32_t {
        NoLogFile = 1,    // nothing reaches the file; messages and warnings are dropped
        NoMessageBox = 2, // fatal reports show no box
        NoWarnings = 4,   // warnings are dropped
        NoMessages = 8,   // plain messages are dropped
    };

    static constexpr const char* FileName = "assert.log";
    // Longest start-up directory that still leaves room for the file name in `path`.
    static constexpr int MaxDirectoryLength = 240;
    static constexpr int PathSize = 255;
    // Every formatted header or box title is cut to fit this, terminator included.
    static constexpr int FormatBufferSize = 256;

    // Remembers the current directory; nothing is written until a report arrives.
    AssertLog();
    AssertLog(const AssertLog&) = delete;
    AssertLog& operator=(const AssertLog&) = delete;

    void setFlags(int newFlags) { flags = newFlags; }
    void setCallback(Callback newCallback) { callback = newCallback; }

    // The entry point of every report. `file` and `line` go into warnings and fatal reports
    // only; a null text is taken as empty.
    void report(int severity, const char* file, int line, const char* message);
    void report(AssertSeverity severity, const char* file, int line, const char* message) {
        report(static_cast<int>(severity), file, line, message);
    }

    int getFlags() const { return flags; }
    // The log file's full name, or empty when the start-up directory could not be had.
    const char* getPath() const { return path; }
    std::uint32_t getMessageCount() const { return messageCount; }
    std::uint32_t getWarningCount() const { return warningCount; }
    std::uint32_t getFatalCount() const { return fatalCount; }

  private:
    void reportFatal(const char* file, int line, const char* message);
    // Appends one entry: the prefix (if any), the message and a line end.
    void writeEntry(const char* prefix, const char* message);

    Callback callback = nullptr;
    std::int32_t flags = 0;
    // Each run's entries start with a separator line, written with the first entry that
    // actually reaches the file.
    bool separatorPending = true;
    char path[PathSize] = {};
    const char* separator;
    std::int32_t separatorLength;
    std::uint32_t messageCount = 0;
    std::uint32_t warningCount = 0;
    std::uint32_t fatalCount = 0;

  public:
    // Throw AssertException on a fatal report instead of showing a box and ending the
    // process. The log entry is written and the callback called either way.
    bool throwOnFatal = false;
};

// The one log of the process, made during static initialisation so that it remembers the
// directory the program was started in.
AssertLog& assertLog();
