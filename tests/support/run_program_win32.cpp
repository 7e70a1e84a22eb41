#include <map>
#include <mutex>
#include <stdexcept>

#include "engine/platform/win32_api.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_tree.h"

namespace tavro::test {
namespace {

// Quotes one argument so that the C runtime's command-line splitting gives it
// back unchanged: backslashes are literal except before a double quote.
std::string QuoteArgument(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos) {
        return argument;
    }
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        backslashes = 0;
        quoted += c;
    }
    quoted.append(backslashes * 2, '\\');  // they now stand before the closing quote
    quoted += '"';
    return quoted;
}

std::string CommandLine(const std::string& program, const std::vector<std::string>& arguments) {
    std::string line = QuoteArgument(program);
    for (const std::string& argument : arguments) line += " " + QuoteArgument(argument);
    return line;
}

HANDLE OpenInheritable(const std::string& name, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    HANDLE file = ::CreateFileA(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("could not open " + name);
    return file;
}

// Starts the program with the given standard handles; the process handle.
HANDLE Start(const std::string& program, const std::vector<std::string>& arguments,
             const std::filesystem::path& directory, HANDLE in, HANDLE out, HANDLE err,
             DWORD& processId) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in;
    startup.hStdOutput = out;
    startup.hStdError = err;
    PROCESS_INFORMATION process{};
    std::string line = CommandLine(program, arguments);
    std::string where = directory.string();
    if (!::CreateProcessA(program.c_str(), line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                          where.c_str(), &startup, &process)) {
        throw std::runtime_error("could not start " + line);
    }
    ::CloseHandle(process.hThread);
    processId = process.dwProcessId;
    return process.hProcess;
}

int WaitFor(HANDLE process) {
    ::WaitForSingleObject(process, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(process, &status);
    ::CloseHandle(process);
    return static_cast<int>(status);
}

// Console text as a text-mode reader sees it: CR LF is one line end.
std::string AsText(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') continue;
        text += bytes[i];
    }
    return text;
}

std::mutex startedLock;
std::map<int, HANDLE> started;

}  // namespace

ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory) {
    TempTree capture;
    std::string outPath = capture.Path("out").string();
    std::string errPath = capture.Path("err").string();
    HANDLE in = OpenInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
    HANDLE out = OpenInheritable(outPath, GENERIC_WRITE, CREATE_ALWAYS);
    HANDLE err = OpenInheritable(errPath, GENERIC_WRITE, CREATE_ALWAYS);
    DWORD processId = 0;
    HANDLE process = nullptr;
    try {
        process = Start(program, arguments, directory, in, out, err, processId);
    } catch (...) {
        ::CloseHandle(in);
        ::CloseHandle(out);
        ::CloseHandle(err);
        throw;
    }
    ::CloseHandle(in);
    ::CloseHandle(out);
    ::CloseHandle(err);
    ProgramResult result;
    result.exitStatus = WaitFor(process);
    result.rawOut = ReadFile(outPath);
    result.rawErr = ReadFile(errPath);
    result.out = AsText(result.rawOut);
    result.err = AsText(result.rawErr);
    return result;
}

int StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& directory) {
    HANDLE none = OpenInheritable("NUL", GENERIC_READ | GENERIC_WRITE, OPEN_EXISTING);
    DWORD processId = 0;
    HANDLE process = nullptr;
    try {
        process = Start(program, arguments, directory, none, none, none, processId);
    } catch (...) {
        ::CloseHandle(none);
        throw;
    }
    ::CloseHandle(none);
    std::lock_guard<std::mutex> hold(startedLock);
    started[static_cast<int>(processId)] = process;
    return static_cast<int>(processId);
}

int WaitForProgram(int processId) {
    HANDLE process = nullptr;
    {
        std::lock_guard<std::mutex> hold(startedLock);
        auto it = started.find(processId);
        if (it == started.end()) return -1;
        process = it->second;
        started.erase(it);
    }
    return WaitFor(process);
}

}  // namespace tavro::test
