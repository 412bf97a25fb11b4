#include "platform/shell.h"

#include <cstdio>

namespace platform {

std::vector<std::string> programArguments(int argc, char** argv) {
    return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>{};
}

void answerUser(const std::string& text, Answer kind, const char*) {
    std::FILE* to = kind == Answer::Error ? stderr : stdout;
    std::fputs(text.c_str(), to);
    std::fflush(to);
}

} // namespace platform
