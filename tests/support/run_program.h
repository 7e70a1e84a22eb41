#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace tavro::test {

struct ProgramResult {
    int exitStatus = -1;
    std::string out;
    std::string err;
};

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
