#include "platform/terminal.h"

#include <cstdio>

#include <io.h>

namespace platform {

bool standardOutputIsTerminal() {
    return _isatty(_fileno(stdout)) != 0;
}

// Windows ends no program for writing to a closed pipe.
void survivePipeReaderExit() {}

} // namespace platform
