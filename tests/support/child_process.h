#pragma once
// Runs another program of the build and waits for it, for tests of paths that end the
// process. The child inherits the current directory.

#include <string>

namespace testing_support {

// Runs `program` with `arguments` (neither may need quoting), sends its standard output and
// error to the files `output` and `errors`, and returns its exit code (-1 if it did not
// exit normally or could not be started).
int runProgram(const std::string& program, const std::string& arguments, const std::string& output,
               const std::string& errors);

} // namespace testing_support
