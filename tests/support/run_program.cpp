#include "tests/support/run_program.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

#include "tests/support/temp_tree.h"

namespace tavro::test {
namespace {

// argv for execv: the program, the arguments, a null pointer.
std::vector<char*> ArgumentVector(const std::string& program,
                                  const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    return argv;
}

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory) {
    TempTree capture;
    std::string outPath = capture.Path("out").string();
    std::string errPath = capture.Path("err").string();
    std::vector<char*> argv = ArgumentVector(program, arguments);

    pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        int in = open("/dev/null", O_RDONLY);
        int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (in < 0 || out < 0 || err < 0 || chdir(directory.c_str()) != 0) _exit(127);
        dup2(in, 0);
        dup2(out, 1);
        dup2(err, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ProgramResult result;
    result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = result.rawOut = ReadFile(outPath);
    result.err = result.rawErr = ReadFile(errPath);
    return result;
}

int StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& directory) {
    std::vector<char*> argv = ArgumentVector(program, arguments);
    pid_t child = fork();
    if (child < 0) throw std::runtime_error("fork failed");
    if (child == 0) {
        int none = open("/dev/null", O_RDWR);
        if (none < 0 || chdir(directory.c_str()) != 0) _exit(127);
        dup2(none, 0);
        dup2(none, 1);
        dup2(none, 2);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    return child;
}

int WaitForProgram(int processId) {
    int status = 0;
    waitpid(processId, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace tavro::test
