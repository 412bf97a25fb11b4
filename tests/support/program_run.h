#pragma once
// Runs a program of the build as a user would: in a directory, with arguments, nothing on
// its standard input and no display, so the program's console front end runs and ends by
// itself. runProgram runs it to its end on every platform; ProgramRun (POSIX only) also lets
// a test limit it, watch its output line by line or stop it at any moment.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace testing_support {

struct RunOptions {
    // Largest file the program may write (RLIMIT_FSIZE), as `ulimit -f` sets it. POSIX only.
    std::optional<std::uint64_t> fileSizeLimit;
    // Seconds after which the program is ended by SIGALRM, should it hang. POSIX only.
    std::optional<unsigned> timeLimit;
    // "NAME=value" entries added to the program's environment, in place of any of the same
    // name. POSIX only.
    std::vector<std::string> environment;
    // The program may run on one processor only, as under `taskset`. POSIX only.
    bool oneProcessor = false;
    // Most files the program may have open at once (RLIMIT_NOFILE), as `ulimit -n` sets
    // it. POSIX only.
    std::optional<std::uint64_t> openFileLimit;
    // The program may not take leases on files it does not own, as an ordinary user's
    // program may not, even when the test runs as root (Linux's CAP_LEASE dropped).
    bool withoutLeases = false;
};

// A program that could not be started ends with 127, as from a shell.
inline constexpr int NotStarted = 127;

struct RunResult {
    int exitCode = NotStarted;
    std::string output;
    std::string errors;
    // The most memory the program held at once (its peak resident size). POSIX only.
    std::int64_t peakMemoryKiB = 0;
};

// Runs `program` with `arguments` in `directory` and waits for its end.
RunResult runProgram(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::filesystem::path& directory, RunOptions options = {});

class ProgramRun {
  public:
    // Starts the program; its standard error goes to `errorFile`.
    ProgramRun(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& directory, const std::filesystem::path& errorFile,
               RunOptions options = {});
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // The next line of standard output without its newline, or nothing at its end.
    std::optional<std::string> nextLine();
    // The lines already written, without waiting for more.
    std::vector<std::string> linesSoFar();
    // Everything the program writes from here to its end, as written.
    std::string restOfOutput();
    // Stops reading the program's output, as a reader that goes away does: its further
    // writes there fail.
    void closeOutput();
    // Whether the pipe of its output is full, nothing of it read: its next write waits.
    bool outputFull() const;
    // Stops the program where it stands (SIGSTOP) until resume().
    void pause();
    // Waits until the program stops itself (it raised SIGSTOP) or ends; true when it stopped.
    bool waitForStop();
    void resume();
    // What Ctrl-C in its terminal does.
    void interrupt();
    void kill();
    // Exit code, or 128 + the signal that ended it.
    int wait();
    // Once it ended: the most memory it held at once, in KiB.
    std::int64_t peakMemoryKiB() const { return peakMemory; }

  private:
    int pid = -1;
    int output = -1;
    std::string pending;
    std::optional<int> status;
    std::int64_t peakMemory = 0;
};

} // namespace testing_support
