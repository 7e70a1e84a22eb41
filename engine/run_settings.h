#pragma once

#include <string>

namespace tavro {

// The settings of one run. The console fills it once; the dialog keeps it in
// step with its controls during a run, so the engine reads it afresh for every
// file and every directory.
struct RunSettings {
    std::string startDirectory;
    std::string fileTypeFilter;
    std::string searchString;
    std::string replaceString;
    bool caseSensitive = false;
    bool regularExpression = false;
    bool includeSubdirectories = false;
    bool processReadOnlyFiles = false;
    bool makeBackups = false;
    std::string backupExtension;
    bool writeRunLog = false;
    std::string runLogPath;
    std::string errorLogPath;
    std::string abortLogPath;
};

// The engine's counters for one run.
struct RunState {
    int filesModified = 0;     // files found to contain the search string
    int replacementCount = 0;  // replacements in the file being processed
    bool stopped = false;      // the user asked to stop; kept to the end of the run
};

}  // namespace tavro
