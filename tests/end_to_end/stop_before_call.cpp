// Preloaded into the program (LD_PRELOAD) by the end-to-end tests that must act at an exact
// moment of a run, or make the system refuse a call the way a sick disk or a network share
// would.
//
// With SKINREMAP_STOP_BEFORE set to "temporary" the program stops itself (SIGSTOP) just
// before it creates each temporary file, that is once a skin is read and converted; with
// "rename", just before each rename. The test waits for the stop, changes the folder as
// another program or user would at that moment, and lets the run go on.
//
// SKINREMAP_FAIL lists calls to refuse, separated by commas: "rename:N" fails the N-th
// rename of the run (of any kind, counting from 1) with EIO; "flock" fails every flock with
// ENOLCK, as a network file system without a lock service does; "fsync-folder" fails every
// fsync of a directory with EIO.
//
// No header that declares the calls replaced here is included: this file defines them.

#include <atomic>
#include <cerrno>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <string>

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>

namespace {

void stopBefore(const char* moment) {
    const char* wanted = std::getenv("SKINREMAP_STOP_BEFORE");
    if (wanted != nullptr && std::strcmp(wanted, moment) == 0) {
        raise(SIGSTOP);
    }
}

// Whether SKINREMAP_FAIL lists `item` exactly.
bool failing(const std::string& item) {
    const char* list = std::getenv("SKINREMAP_FAIL");
    if (list == nullptr) {
        return false;
    }
    const std::string items = std::string(",") + list + ",";
    return items.find("," + item + ",") != std::string::npos;
}

// Counts the run's renames; true when this one is to fail.
bool renameFails() {
    static std::atomic<int> renames{0};
    return failing("rename:" + std::to_string(++renames));
}

template <typename Function> Function* following(const char* name) {
    return reinterpret_cast<Function*>(dlsym(RTLD_NEXT, name));
}

int refuse(int error) {
    errno = error;
    return -1;
}

} // namespace

extern "C" {

int openat(int folder, const char* name, int flags, ...) {
    mode_t mode = 0;
    if ((flags & O_CREAT) != 0) {
        va_list arguments;
        va_start(arguments, flags);
        mode = static_cast<mode_t>(va_arg(arguments, int));
        va_end(arguments);
    }
    if ((flags & (O_CREAT | O_EXCL)) == (O_CREAT | O_EXCL)) {
        stopBefore("temporary");
    }
    static auto* const next = following<int(int, const char*, int, ...)>("openat");
    return next(folder, name, flags, mode);
}

int rename(const char* from, const char* to) {
    stopBefore("rename");
    if (renameFails()) {
        return refuse(EIO);
    }
    static auto* const next = following<int(const char*, const char*)>("rename");
    return next(from, to);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) {
    stopBefore("rename");
    if (renameFails()) {
        return refuse(EIO);
    }
    static auto* const next = following<int(int, const char*, int, const char*)>("renameat");
    return next(fromFolder, from, toFolder, to);
}

int renameat2(int fromFolder, const char* from, int toFolder, const char* to, unsigned int flags) {
    stopBefore("rename");
    if (renameFails()) {
        return refuse(EIO);
    }
    static auto* const next =
        following<int(int, const char*, int, const char*, unsigned int)>("renameat2");
    return next(fromFolder, from, toFolder, to, flags);
}

int flock(int fd, int operation) {
    if (failing("flock")) {
        return refuse(ENOLCK);
    }
    static auto* const next = following<int(int, int)>("flock");
    return next(fd, operation);
}

int fsync(int fd) {
    struct stat info {};
    if (failing("fsync-folder") && fstat(fd, &info) == 0 && S_ISDIR(info.st_mode)) {
        return refuse(EIO);
    }
    static auto* const next = following<int(int)>("fsync");
    return next(fd);
}

} // extern "C"
