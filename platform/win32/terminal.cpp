#include "platform/terminal.h"

#include <csignal>
#include <cstdio>

#include <io.h>

namespace platform {

bool standardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

// Windows ends no program for writing to a closed pipe.
void survivePipeReaderExit() {}

InterruptHandler handleInterrupts(InterruptHandler handler) {
    return std::signal(SIGINT, handler);
}

// The windowed program has no console output that could hold it.
void dropBlockedOutput() {}

} // namespace platform
