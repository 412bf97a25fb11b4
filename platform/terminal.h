#pragma once
// Whether the program's output goes to a person or to a file or pipe.

namespace platform {

// True when standard output is an interactive terminal, where a line may be redrawn.
bool standardOutputIsTerminal();

} // namespace platform
