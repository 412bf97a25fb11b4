#pragma once
// The program's dealings with whoever started it, before any window exists: the words of
// its command line, and the answers it gives to them (help, version, refusals).

#include <string>
#include <vector>

namespace platform {

// The words that follow the program's name. On Windows they come from the wide command
// line as UTF-8, so that any folder name survives; elsewhere they are argv as it is.
std::vector<std::string> programArguments(int argc, char** argv);

enum class Answer { Information, Error };

// Shows `text` (UTF-8, lines ending in '\n') to the user: on standard output or, for an
// error, standard error. A Windows program has no console of its own: it writes to the
// console of the command prompt that started it, or shows a message box captioned
// `caption` when there is none (started from Explorer, or by dropping a folder on it).
void answerUser(const std::string& text, Answer kind, const char* caption);

} // namespace platform
