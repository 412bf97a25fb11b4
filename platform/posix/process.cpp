#include "platform/process.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <thread>
#include <vector>

#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

namespace platform {

std::string currentDirectory() {
    std::vector<char> buffer(256);
    while (::getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

std::string programDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string{} : program.parent_path().string();
}

bool debuggerAttached() {
    // Linux names the tracing process in /proc; elsewhere assume nobody is watching.
    std::ifstream status("/proc/self/status");
    std::string key;
    while (status >> key) {
        if (key == "TracerPid:") {
            long tracer = 0;
            status >> tracer;
            return tracer != 0;
        }
        status.ignore(4096, '\n');
    }
    return false;
}

void breakIntoDebugger() {
    if (debuggerAttached()) {
        std::raise(SIGTRAP);
    }
}

int processorCount() {
    cpu_set_t processors;
    if (sched_getaffinity(0, sizeof processors, &processors) != 0) {
        return std::max(1u, std::thread::hardware_concurrency());
    }
    return std::max(1, CPU_COUNT(&processors));
}

// Linux lists the open descriptors in /proc; elsewhere a few are taken to be open.
int openFilesLeft() {
    constexpr int Unknown = INT_MAX;
    constexpr int AssumedOpen = 16;
    struct rlimit limit {};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
        limit.rlim_cur > static_cast<rlim_t>(Unknown)) {
        return Unknown;
    }
    std::error_code error;
    int open = 0;
    std::filesystem::directory_iterator entry("/proc/self/fd", error);
    for (; !error && entry != std::filesystem::directory_iterator(); entry.increment(error)) {
        ++open;
    }
    return static_cast<int>(limit.rlim_cur) - (open > 0 ? open : AssumedOpen);
}

void endProcess(int exitCode) {
    ::_exit(exitCode);
}

} // namespace platform
