#pragma once
// The program's exit codes. A start-up failure must not look like success.
//
// The windows keep the codes they always had: 0 when the window was closed, 1 after
// "Quit", 2 when the program could not start. A run without a window reports to a shell
// and follows the shell's conventions instead: 0 when every skin was converted or left
// alone on purpose, 3 when the batch ran to its end but a skin could not be written, 130
// after Ctrl-C, 2 when it could not start.

#include "ui/ui.h"

inline constexpr int ExitWindowClosed = 0;
inline constexpr int ExitQuitButton = 1;
inline constexpr int ExitStartupFailed = 2;
// Arguments the program does not take, or a folder that is not one.
inline constexpr int ExitUsage = 2;

inline constexpr int ExitBatchDone = 0;
inline constexpr int ExitNotAllWritten = 3;
// 128 + SIGINT, as a shell reports a program that Ctrl-C ended.
inline constexpr int ExitInterrupted = 130;

// The window lost its display (the X server went away) part way through the run.
inline constexpr int ExitDisplayLost = ui::DisplayLostExitCode;
