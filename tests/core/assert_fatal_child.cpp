// A program for the assertion log's tests: it makes one report through the process-wide
// log and lets whatever the log does to the process happen here rather than in the test.
//
//   assert_fatal_child                      report nothing
//   assert_fatal_child SEVERITY FLAGS [DIR] report "it broke" from child.cpp line 42, after
//                                           moving into DIR if one is given

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/assert_log.h"

namespace {

// Line ends in the texts are printed as \r and \n: the console of some systems rewrites
// raw ones.
void printEscaped(const char* text) {
    for (; *text != '\0'; ++text) {
        if (*text == '\r') {
            std::fputs("\\r", stdout);
        } else if (*text == '\n') {
            std::fputs("\\n", stdout);
        } else {
            std::putchar(*text);
        }
    }
}

void printEntry(const char* formattedLine, const char* message) {
    std::fputs("callback: [", stdout);
    printEscaped(formattedLine);
    std::fputs("] [", stdout);
    printEscaped(message);
    std::fputs("]\n", stdout);
    // The log ends the process without flushing anything.
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        return 0;
    }
    if (argc > 3) {
        std::filesystem::current_path(argv[3]);
    }
    AssertLog& log = assertLog();
    log.setFlags(std::atoi(argv[2]));
    log.setCallback(printEntry);
    log.report(std::atoi(argv[1]), "child.cpp", 42, "it broke");
    std::printf("returned\n");
    return 0;
}
