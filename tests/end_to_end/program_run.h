#pragma once
// Runs the built skinremap in a directory, as a user would, and lets a test limit it,
// watch its output line by line or kill it at any moment. POSIX only.

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace end_to_end {

struct RunLimits {
    // Largest file the program may write (RLIMIT_FSIZE), with SIGXFSZ ignored so that a
    // write past it fails with EFBIG instead of ending the process.
    std::optional<std::uint64_t> fileSizeLimit;
};

class ProgramRun {
  public:
    // Starts the program in `directory` without a display, so the console front end runs
    // and ends by itself. Its standard error goes to `errorFile`.
    ProgramRun(const std::filesystem::path& directory, const std::filesystem::path& errorFile,
               RunLimits limits = {});
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // The next line of standard output without its newline, or nothing at its end.
    std::optional<std::string> nextLine();
    // The lines already written, without waiting for more.
    std::vector<std::string> linesSoFar();
    // Stops the program where it stands (SIGSTOP) until resume().
    void pause();
    void resume();
    void kill();
    // Exit code, or 128 + the signal that ended it.
    int wait();

  private:
    int pid = -1;
    int output = -1;
    std::string pending;
    std::optional<int> status;
};

// Runs the program to its end; returns the exit code and fills `output` with stdout.
int runToEnd(const std::filesystem::path& directory, std::string* output = nullptr,
             RunLimits limits = {});

} // namespace end_to_end
