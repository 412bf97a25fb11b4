// skinremap: converts every 24-bit skin of the current directory into 8-bit indices of the
// game palette "skins.ipl", in place.

#include <cstdio>
#include <cstring>

#include "app/exit_codes.h"
#include "app/remapper.h"
#include "platform/front_end.h"
#include "platform/stale_temporaries.h"

#ifndef SKINREMAP_VERSION
#define SKINREMAP_VERSION "unknown"
#endif

namespace {

void printUsage(std::FILE* to) {
    std::fputs("Usage: skinremap [--help | --version]\n"
               "Run it in a directory of skins: it loads the game palette \"skins.ipl\" there\n"
               "and rewrites every 24-bit *.bmp as an 8-bit bitmap of that palette's indices.\n"
               "Other bitmaps are left as they are. It takes no other arguments.\n",
               to);
}

} // namespace

int main(int argc, char** argv) {
    // The program works on the current directory and nothing else. Any argument is most
    // likely a mistake, so it is refused before a single file is touched.
    if (argc > 1) {
        if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
            printUsage(stdout);
            return 0;
        }
        if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
            std::printf("skinremap %s\n", SKINREMAP_VERSION);
            return 0;
        }
        std::fprintf(stderr, "skinremap: unexpected argument '%s'\n", argv[1]);
        printUsage(stderr);
        return ExitUsage;
    }
    // A run killed in the middle of a write leaves its temporary file beside the skin;
    // the skin itself is whole. Only files of our own naming are removed.
    platform::removeStaleTemporaries(".");
    const auto ui = platform::openFrontEnd();
    if (!ui) {
        std::fputs("skinremap: no user interface could be opened\n", stderr);
        return ExitStartupFailed;
    }
    return runRemapper(*ui);
}
