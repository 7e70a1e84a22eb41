// Arguments separated by NUL bytes, parsed as kembrel parses its command line.
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "console/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> arguments;
    std::size_t start = 0;
    for (std::size_t end; (end = input.find('\0', start)) != std::string::npos; start = end + 1) {
        arguments.push_back(input.substr(start, end - start));
    }
    arguments.push_back(input.substr(start));
    // One argument names an auto-config file; keep the fuzzer to the switch form.
    if (arguments.size() < 2) return 0;
    std::ostringstream out;
    tavro::ParseOutcome outcome =
        tavro::ParseCommandLine(arguments, tavro::PlatformFileServices(), out);
    if (outcome.complete) {
        const tavro::RunSettings& s = outcome.settings;
        if (s.startDirectory.empty() || s.fileTypeFilter.empty() || s.searchString.empty()) {
            std::abort();
        }
        if (s.makeBackups != !s.backupExtension.empty() || (s.makeBackups && s.backupExtension[0] != '.')) {
            std::abort();
        }
        if (!out.str().empty()) std::abort();
    } else if (outcome.exitStatus != 1 || out.str().empty()) {
        std::abort();
    }
    return 0;
}
