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

}  // namespace tavro::test
