#pragma once
// Whether the program's output goes to a person or to a file or pipe.

namespace platform {

// True when standard output is an interactive terminal, where a line may be redrawn.
bool standardOutputIsTerminal();

// Output to a reader that went away (`skinremap | head`) fails quietly from now on instead
// of killing the program in the middle of replacing a file.
void survivePipeReaderExit();

// What Ctrl-C calls, from a signal handler.
using InterruptHandler = void (*)(int);

// Has Ctrl-C call `handler` from now on, and interrupt a write it lands in rather than let
// the write go on waiting (for a reader of a full pipe that reads nothing, say). Returns the
// handler it had before.
InterruptHandler handleInterrupts(InterruptHandler handler);

// Points standard output and error at nothing where they cannot take more now (a full pipe
// whose reader reads nothing), so that a run that was told to end is never held by them:
// what it would write there is dropped. Safe in a signal handler.
void dropBlockedOutput();

} // namespace platform
