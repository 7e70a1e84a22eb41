#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/platform/file_services.h"
#include "engine/run_settings.h"

namespace tavro {

// The result of reading the command line: complete settings, or the exit
// status after the usage screen or an error message has been printed.
struct ParseOutcome {
    bool complete = false;
    int exitStatus = 0;
    RunSettings settings;
};

// Fills the settings from switches (two or more arguments) or from one
// auto-config file (one argument not starting with "/" or "-"). `arguments`
// excludes the program name. Messages go to `out`.
ParseOutcome ParseCommandLine(const std::vector<std::string>& arguments, FileServices& files,
                              std::ostream& out);

void PrintUsage(std::ostream& out);

}  // namespace tavro
