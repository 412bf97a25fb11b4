#pragma once
// The program's exit codes. A start-up failure must not look like success.

inline constexpr int ExitWindowClosed = 0;
inline constexpr int ExitQuitButton = 1;
inline constexpr int ExitStartupFailed = 2;
// Arguments the program does not take.
inline constexpr int ExitUsage = 2;
