#pragma once
// Whether the program's output goes to a person or to a file or pipe.

namespace platform {

// True when standard output is an interactive terminal, where a line may be redrawn.
bool standardOutputIsTerminal();

// Output to a reader that went away (`skinremap | head`) fails quietly from now on instead
// of killing the program in the middle of replacing a file.
void survivePipeReaderExit();

} // namespace platform
