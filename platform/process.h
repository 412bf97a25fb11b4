#pragma once
// What the assertion log needs of the process itself: where it was started, a way into a
// debugger, and an exit that runs nothing on the way out.

#include <string>

namespace platform {

// Joins a directory and a file name in the paths the system hands out.
#if defined(_WIN32)
inline constexpr char PathSeparator = '\\';
#else
inline constexpr char PathSeparator = '/';
#endif

// The current directory as an absolute path, or an empty string when it cannot be had.
std::string currentDirectory();

// The folder that holds the running program, as an absolute path; empty when it can't be
// had.
std::string programDirectory();

// The processors this process may run on (as many as the system lets it use: `taskset`, a
// container's share), at least 1.
int processorCount();

// How many more files this process may open at once before the system refuses (the limit
// `ulimit -n` sets, less those open now); a large number where no such limit is known.
int openFilesLeft();

// True when a debugger is attached to this process.
bool debuggerAttached();

// Stops in the attached debugger. Without one it does nothing: a breakpoint nobody catches
// would end the process with a crash instead of letting the reporter carry on.
void breakIntoDebugger();

// Ends the process at once with `exitCode`: no destructors, no exit handlers, no buffers
// flushed. Used when the process can no longer be trusted to unwind.
[[noreturn]] void endProcess(int exitCode);

} // namespace platform
