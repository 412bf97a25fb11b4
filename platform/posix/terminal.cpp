#include "platform/terminal.h"

#include <csignal>
#include <initializer_list>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace platform {

bool standardOutputIsTerminal() {
    return isatty(STDOUT_FILENO) == 1;
}

void survivePipeReaderExit() {
    std::signal(SIGPIPE, SIG_IGN);
}

// Without SA_RESTART, a write the signal lands in returns, and the program can go on.
InterruptHandler handleInterrupts(InterruptHandler handler) {
    struct sigaction action {};
    struct sigaction previous {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    if (sigaction(SIGINT, &action, &previous) != 0) {
        return SIG_DFL;
    }
    return previous.sa_handler;
}

// poll, open, dup2 and close are all safe in a signal handler.
void dropBlockedOutput() {
    for (const int output : {STDOUT_FILENO, STDERR_FILENO}) {
        pollfd ready{output, POLLOUT, 0};
        if (poll(&ready, 1, 0) != 0) {
            continue; // room for more, an error or nothing there: it won't hold the run
        }
        const int nothing = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (nothing >= 0) {
            dup2(nothing, output);
            close(nothing);
        }
    }
}

} // namespace platform
