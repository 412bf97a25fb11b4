#include "tests/support/program_run.h"

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#include <stdexcept>
#include <utility>

#include <fcntl.h>
#include <linux/capability.h>
#include <poll.h>
#include <sched.h>
#include <sys/ioctl.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/temp_dir.h"

extern char** environ;

namespace testing_support {
namespace {

// The environment without a display: the window front end must not open.
std::vector<std::string> consoleEnvironment() {
    std::vector<std::string> variables;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string variable = *entry;
        if (variable.rfind("DISPLAY=", 0) != 0 && variable.rfind("WAYLAND_DISPLAY=", 0) != 0) {
            variables.push_back(variable);
        }
    }
    return variables;
}

std::vector<char*> pointersTo(std::vector<std::string>& strings) {
    std::vector<char*> pointers;
    for (std::string& string : strings) {
        pointers.push_back(string.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

struct ChildSetup {
    const char* program;
    char* const* arguments;
    char* const* environment;
    const char* directory;
    int output;
    int errors;
    const RunOptions* options;
};

// The first of the processors this process may run on, alone.
bool keepOneProcessor() {
    cpu_set_t processors;
    if (sched_getaffinity(0, sizeof processors, &processors) != 0) {
        return false;
    }
    for (int cpu = 0; cpu < CPU_SETSIZE; ++cpu) {
        if (CPU_ISSET(cpu, &processors)) {
            CPU_ZERO(&processors);
            CPU_SET(cpu, &processors);
            return sched_setaffinity(0, sizeof processors, &processors) == 0;
        }
    }
    return false;
}

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void becomeProgram(const ChildSetup& setup) {
    const int input = open("/dev/null", O_RDONLY);
    if (input < 0 || dup2(input, STDIN_FILENO) < 0 || dup2(setup.output, STDOUT_FILENO) < 0 ||
        dup2(setup.errors, STDERR_FILENO) < 0 || chdir(setup.directory) != 0) {
        _exit(126);
    }
    if (setup.options->fileSizeLimit) {
        const rlimit limit{*setup.options->fileSizeLimit, *setup.options->fileSizeLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            _exit(126);
        }
    }
    if (setup.options->openFileLimit) {
        const rlimit limit{*setup.options->openFileLimit, *setup.options->openFileLimit};
        if (setrlimit(RLIMIT_NOFILE, &limit) != 0) {
            _exit(126);
        }
    }
    // Out of the bounding set, the capability is not among those root's program gets at exec.
    if (setup.options->withoutLeases && geteuid() == 0 &&
        prctl(PR_CAPBSET_DROP, CAP_LEASE, 0, 0, 0) != 0) {
        _exit(126);
    }
    // As a shell starts it: a closed pipe and a file-size limit are the program's own to
    // survive.
    signal(SIGPIPE, SIG_DFL);
    signal(SIGXFSZ, SIG_DFL);
    if (setup.options->timeLimit) {
        alarm(*setup.options->timeLimit); // a pending alarm survives exec
    }
    if (setup.options->oneProcessor && !keepOneProcessor()) {
        _exit(126);
    }
    execve(setup.program, setup.arguments, setup.environment);
    _exit(NotStarted);
}

} // namespace

ProgramRun::ProgramRun(const std::filesystem::path& program,
                       const std::vector<std::string>& arguments,
                       const std::filesystem::path& directory,
                       const std::filesystem::path& errorFile, RunOptions options) {
    std::vector<std::string> variables = consoleEnvironment();
    for (const std::string& added : options.environment) {
        const std::string name = added.substr(0, added.find('=') + 1);
        std::erase_if(variables,
                      [&](const std::string& variable) { return variable.rfind(name, 0) == 0; });
    }
    variables.insert(variables.end(), options.environment.begin(), options.environment.end());
    const std::vector<char*> environment = pointersTo(variables);
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), arguments.begin(), arguments.end());
    const std::vector<char*> argv = pointersTo(words);
    const std::string programName = program.string();
    const std::string directoryName = directory.string();

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    const int errors = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    const ChildSetup setup{programName.c_str(),
                           argv.data(),
                           environment.data(),
                           directoryName.c_str(),
                           pipeEnds[1],
                           errors,
                           &options};
    pid = fork();
    if (pid == 0) {
        becomeProgram(setup);
    }
    close(pipeEnds[1]);
    close(errors);
    output = pipeEnds[0];
    if (pid < 0) {
        throw std::runtime_error("fork");
    }
}

ProgramRun::~ProgramRun() {
    if (!status) {
        kill();
        wait();
    }
    closeOutput();
}

std::optional<std::string> ProgramRun::nextLine() {
    for (;;) {
        const auto newline = pending.find('\n');
        if (newline != std::string::npos) {
            std::string line = pending.substr(0, newline);
            pending.erase(0, newline + 1);
            return line;
        }
        char buffer[4096];
        const ssize_t count = output < 0 ? 0 : read(output, buffer, sizeof buffer);
        if (count <= 0) {
            if (pending.empty()) {
                return std::nullopt;
            }
            return std::exchange(pending, {});
        }
        pending.append(buffer, static_cast<std::size_t>(count));
    }
}

std::vector<std::string> ProgramRun::linesSoFar() {
    std::vector<std::string> lines;
    for (;;) {
        pollfd ready{output, POLLIN, 0};
        if (pending.find('\n') == std::string::npos && poll(&ready, 1, 0) <= 0) {
            return lines;
        }
        const auto line = nextLine();
        if (!line) {
            return lines;
        }
        lines.push_back(*line);
    }
}

std::string ProgramRun::restOfOutput() {
    std::string text = std::exchange(pending, {});
    char buffer[4096];
    for (ssize_t count; output >= 0 && (count = read(output, buffer, sizeof buffer)) > 0;) {
        text.append(buffer, static_cast<std::size_t>(count));
    }
    return text;
}

void ProgramRun::closeOutput() {
    if (output >= 0) {
        close(output);
        output = -1;
    }
}

bool ProgramRun::outputFull() const {
    int waiting = 0;
    const int capacity = fcntl(output, F_GETPIPE_SZ);
    return ioctl(output, FIONREAD, &waiting) == 0 && capacity > 0 && waiting > capacity - PIPE_BUF;
}

void ProgramRun::pause() {
    ::kill(pid, SIGSTOP);
    int raw = 0;
    while (waitpid(pid, &raw, WUNTRACED) < 0 && errno == EINTR) {
    }
}

bool ProgramRun::waitForStop() {
    if (status) {
        return false;
    }
    int raw = 0;
    rusage usage{};
    while (wait4(pid, &raw, WUNTRACED, &usage) < 0 && errno == EINTR) {
    }
    if (WIFSTOPPED(raw)) {
        return true;
    }
    status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    peakMemory = usage.ru_maxrss;
    return false;
}

void ProgramRun::resume() {
    ::kill(pid, SIGCONT);
}

void ProgramRun::interrupt() {
    if (!status) {
        ::kill(pid, SIGINT);
    }
}

void ProgramRun::kill() {
    if (!status) {
        ::kill(pid, SIGKILL);
    }
}

int ProgramRun::wait() {
    if (!status) {
        int raw = 0;
        rusage usage{};
        while (wait4(pid, &raw, 0, &usage) < 0 && errno == EINTR) {
        }
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
        peakMemory = usage.ru_maxrss;
    }
    return *status;
}

RunResult runProgram(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::filesystem::path& directory, RunOptions options) {
    const TempDir logs;
    const auto errorFile = logs.path() / "errors";
    RunResult result;
    {
        ProgramRun run(program, arguments, directory, errorFile, options);
        result.output = run.restOfOutput();
        result.exitCode = run.wait();
        result.peakMemoryKiB = run.peakMemoryKiB();
    }
    result.errors = readText(errorFile.string());
    return result;
}

} // namespace testing_support
