#include "tests/support/program_run.h"

#include <windows.h>

#include "tests/support/temp_dir.h"

namespace testing_support {
namespace {

// Owns a handle of the system and closes it at the end of its scope.
class Handle {
  public:
    explicit Handle(HANDLE handle) : handle(handle) {}
    ~Handle() {
        if (handle != nullptr && handle != INVALID_HANDLE_VALUE) {
            CloseHandle(handle);
        }
    }
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;

    HANDLE get() const { return handle; }

  private:
    HANDLE handle;
};

// A file the child inherits as one of its standard handles.
HANDLE inheritable(const std::filesystem::path& name, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    return CreateFileA(name.string().c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Each word quoted: the arguments of our tests hold no quotes of their own. Appended piece
// by piece: GCC 12 at -O3 misreads joining quotes with operator+ as an overlapping copy.
std::string commandLine(const std::filesystem::path& program,
                        const std::vector<std::string>& arguments) {
    std::string line;
    const auto addWord = [&line](const std::string& word) {
        line.append(line.empty() ? "\"" : " \"").append(word).append("\"");
    };
    addWord(program.string());
    for (const std::string& argument : arguments) {
        addWord(argument);
    }
    return line;
}

int runWith(const std::filesystem::path& program, const std::vector<std::string>& arguments,
            const std::filesystem::path& directory, const std::filesystem::path& outputFile,
            const std::filesystem::path& errorFile) {
    const Handle input(inheritable("NUL", GENERIC_READ, OPEN_EXISTING));
    const Handle output(inheritable(outputFile, GENERIC_WRITE, CREATE_ALWAYS));
    const Handle errors(inheritable(errorFile, GENERIC_WRITE, CREATE_ALWAYS));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = input.get();
    startup.hStdOutput = output.get();
    startup.hStdError = errors.get();
    std::string line = commandLine(program, arguments);
    PROCESS_INFORMATION process{};
    if (CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       directory.string().c_str(), &startup, &process) == FALSE) {
        return NotStarted;
    }
    const Handle child(process.hProcess);
    const Handle thread(process.hThread);
    WaitForSingleObject(child.get(), INFINITE);
    DWORD exitCode = NotStarted;
    GetExitCodeProcess(child.get(), &exitCode);
    return static_cast<int>(exitCode);
}

} // namespace

// The environment is passed on as it is: a Windows program finds its display by itself.
RunResult runProgram(const std::filesystem::path& program,
                     const std::vector<std::string>& arguments,
                     const std::filesystem::path& directory, RunOptions) {
    const TempDir logs;
    RunResult result;
    result.exitCode =
        runWith(program, arguments, directory, logs.path() / "output", logs.path() / "errors");
    result.output = readText((logs.path() / "output").string());
    result.errors = readText((logs.path() / "errors").string());
    return result;
}

} // namespace testing_support
