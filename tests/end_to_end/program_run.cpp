#include "tests/end_to_end/program_run.h"

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace end_to_end {
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

// Only async-signal-safe calls between fork and exec.
[[noreturn]] void becomeProgram(const char* directory, int output, int errors,
                                const RunLimits& limits, char* const* environment) {
    if (dup2(output, STDOUT_FILENO) < 0 || dup2(errors, STDERR_FILENO) < 0 ||
        chdir(directory) != 0) {
        _exit(126);
    }
    if (limits.fileSizeLimit) {
        const rlimit limit{*limits.fileSizeLimit, *limits.fileSizeLimit};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) {
            _exit(126);
        }
        signal(SIGXFSZ, SIG_IGN); // an ignored signal stays ignored across exec
    }
    char* const arguments[] = {const_cast<char*>(SKINREMAP_PROGRAM), nullptr};
    execve(SKINREMAP_PROGRAM, arguments, environment);
    _exit(127);
}

} // namespace

ProgramRun::ProgramRun(const std::filesystem::path& directory,
                       const std::filesystem::path& errorFile, RunLimits limits) {
    const std::vector<std::string> variables = consoleEnvironment();
    std::vector<char*> environment;
    for (const std::string& variable : variables) {
        environment.push_back(const_cast<char*>(variable.c_str()));
    }
    environment.push_back(nullptr);
    const std::string directoryName = directory.string();

    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throw std::runtime_error("pipe");
    }
    const int errors = open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    pid = fork();
    if (pid == 0) {
        becomeProgram(directoryName.c_str(), pipeEnds[1], errors, limits, environment.data());
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
    close(output);
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
        const ssize_t count = read(output, buffer, sizeof buffer);
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

void ProgramRun::pause() {
    ::kill(pid, SIGSTOP);
    int raw = 0;
    while (waitpid(pid, &raw, WUNTRACED) < 0 && errno == EINTR) {
    }
}

void ProgramRun::resume() {
    ::kill(pid, SIGCONT);
}

void ProgramRun::kill() {
    if (!status) {
        ::kill(pid, SIGKILL);
    }
}

int ProgramRun::wait() {
    if (!status) {
        int raw = 0;
        while (waitpid(pid, &raw, 0) < 0 && errno == EINTR) {
        }
        status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
    }
    return *status;
}

int runToEnd(const std::filesystem::path& directory, std::string* output, RunLimits limits) {
    ProgramRun run(directory, directory.parent_path() / "stderr.txt", limits);
    std::string lines;
    while (const auto line = run.nextLine()) {
        lines += *line + "\n";
    }
    if (output != nullptr) {
        *output = lines;
    }
    return run.wait();
}

} // namespace end_to_end
