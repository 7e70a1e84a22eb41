#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "engine/platform/file_services.h"

namespace tavro {

// Exit status of a run that completed but could not process every file.
inline constexpr int kExitSomeFilesFailed = 2;

// One run of the console program: parse, walk, summarise. Returns the exit
// status: 1 for a setup error, 0 for a clean run, 2 when the error log got a
// line. The count goes to `out`; warnings about logs that cannot be written
// go to `err`.
int ConsoleMain(const std::vector<std::string>& arguments, FileServices& files, std::ostream& out,
                std::ostream& err);

}  // namespace tavro
