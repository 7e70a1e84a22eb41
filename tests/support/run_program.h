#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavro::test {

struct ProgramResult {
    int exitStatus = -1;
    // Standard output and error read as text, as a user sees them: on Windows
    // a CR LF line end reads as "\n".
    std::string out;
    std::string err;
    // The same byte for byte, line ends as the program wrote them.
    std::string rawOut;
    std::string rawErr;
};

// What a test prints when a run did not do what it expected: the exit
// status, both outputs and the files of the tree it ran in.
inline std::string Describe(const ProgramResult& result, const std::filesystem::path& tree) {
    std::string text = "exit " + std::to_string(result.exitStatus) + "\nstdout:\n" + result.out +
                       "\nstderr:\n" + result.err + "\ntree:\n";
    for (const auto& entry : std::filesystem::recursive_directory_iterator(tree)) {
        text += "  " + entry.path().lexically_relative(tree).string() + "\n";
    }
    return text;
}

// Runs a program as a user would, in `directory`, with no standard input.
ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& arguments,
                         const std::filesystem::path& directory);

// Starts a program in `directory` with its output thrown away and returns its
// process id, for tests that interrupt it.
int StartProgram(const std::string& program, const std::vector<std::string>& arguments,
                 const std::filesystem::path& directory);
// Waits for a started program; its exit status, or 128 + the signal that ended it.
int WaitForProgram(int processId);

}  // namespace tavro::test
