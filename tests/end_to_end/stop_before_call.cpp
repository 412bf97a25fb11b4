// Preloaded into the program (LD_PRELOAD) by the end-to-end tests that must act at an exact
// moment of a run: with SKINREMAP_STOP_BEFORE set to "temporary" the program stops itself
// (SIGSTOP) just before it creates each temporary file, that is once a skin is read and
// converted; with "rename", just before each rename. The test waits for the stop, changes
// the folder as another program or user would at that moment, and lets the run go on.
//
// No header that declares the rename calls is included: this file defines them.

#include <cstdlib>
#include <cstring>

#include <dlfcn.h>
#include <signal.h>

namespace {

void stopBefore(const char* moment) {
    const char* wanted = std::getenv("SKINREMAP_STOP_BEFORE");
    if (wanted != nullptr && std::strcmp(wanted, moment) == 0) {
        raise(SIGSTOP);
    }
}

template <typename Function> Function* following(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

int mkostemps(char* pattern, int suffixLength, int flags) {
    stopBefore("temporary");
    static auto* const next = following<int(char*, int, int)>("mkostemps");
    return next(pattern, suffixLength, flags);
}

int rename(const char* from, const char* to) {
    stopBefore("rename");
    static auto* const next = following<int(const char*, const char*)>("rename");
    return next(from, to);
}

int renameat2(int fromDirectory, const char* from, int toDirectory, const char* to,
              unsigned int flags) {
    stopBefore("rename");
    static auto* const next =
        following<int(int, const char*, int, const char*, unsigned int)>("renameat2");
    return next(fromDirectory, from, toDirectory, to, flags);
}

} // extern "C"
