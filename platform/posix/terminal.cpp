#include "platform/terminal.h"

#include <csignal>

#include <unistd.h>

namespace platform {

bool standardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

void survivePipeReaderExit() {
    std::signal(SIGPIPE, SIG_IGN);
}

} // namespace platform
