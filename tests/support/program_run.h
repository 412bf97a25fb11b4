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

struct RunLimits {
    // Largest file the program may write (RLIMIT_FSIZE), with SIGXFSZ ignored so that a
    // write past it fails with EFBIG instead of ending the process. POSIX only.
    std::optional<std::uint64_t> fileSizeLimit;
};

// A program that could not be started ends with 127, as from a shell.
inline constexpr int NotStarted = 127;

struct RunResult {
    int exitCode = NotStarted;
    std::string output;
    std::string errors;
};

// Runs `program` with `arguments` in `directory` and waits for its end.
RunResult runProgram(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::filesystem::path& directory, RunLimits limits = {});

class ProgramRun {
  public:
    // Starts the program; its standard error goes to `errorFile`.
    ProgramRun(const std::filesystem::path& program, const std::vector<std::string>& arguments,
               const std::filesystem::path& directory, const std::filesystem::path& errorFile,
               RunLimits limits = {});
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
    // Stops the program where it stands (SIGSTOP) until resume().
    void pause();
    void resume();
    // What Ctrl-C in its terminal does.
    void interrupt();
    void kill();
    // Exit code, or 128 + the signal that ended it.
    int wait();

  private:
    int pid = -1;
    int output = -1;
    std::string pending;
    std::optional<int> status;
};

} // namespace testing_support
