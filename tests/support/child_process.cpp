#include "tests/support/child_process.h"

#include <cstdlib>

namespace testing_support {
namespace {

// POSIX returns a wait status from std::system (and <cstdlib> brings its macros); the
// Windows runtime returns the exit code itself.
int exitCodeOf(int status) {
#if defined(WIFEXITED)
    return status != -1 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#else
    return status;
#endif
}

} // namespace

int runProgram(const std::string& program, const std::string& arguments, const std::string& output,
               const std::string& errors) {
    const std::string command = program + " " + arguments + " >" + output + " 2>" + errors;
    return exitCodeOf(std::system(command.c_str()));
}

} // namespace testing_support
