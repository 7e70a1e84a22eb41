#pragma once

#include <string>
#include <string_view>

#include "engine/platform/file_services.h"

namespace tavro {

// The keys of an auto-config file, in the order a written file holds them.
enum class AutoConfigKey {
    startDir,
    fileType,
    searchString,
    replaceString,
    processROFiles,
    regex,
    caseSensitiveSearch,
    includeSubDirs,
    backupExt,
    logFileName,
};

// The two programs read the on/off keys differently: the console takes
// "ProcessROFiles" as on unless its last character is 0 and "Regex" as on only
// for 1; the dialog the other way round. Files written hold only 0 or 1.
enum class OnOffReading { console, gui };

// Receives the key lines of a file as they are read; a later line for the same
// key overrides an earlier one.
class AutoConfigTarget {
public:
    virtual ~AutoConfigTarget() = default;
    virtual void SetText(AutoConfigKey key, std::string_view value) = 0;
    virtual void SetSwitch(AutoConfigKey key, bool on) = 0;
};

enum class AutoConfigReadResult { ok, couldNotOpen, notAutoConfig };

inline constexpr std::string_view kAutoConfigFirstLine = "#tavro autoconfig file";

// Reads `path` line by line into `target`. Nothing reaches the target unless
// the first line is exactly the identifying line.
AutoConfigReadResult ReadAutoConfig(FileServices& files, const std::string& path,
                                    OnOffReading reading, AutoConfigTarget& target);

// One complete set of search settings as a file stores it.
struct AutoConfigValues {
    std::string startDirectory;
    std::string fileType;
    std::string searchString;
    std::string replaceString;
    bool processReadOnlyFiles = false;
    bool regularExpression = false;
    bool caseSensitive = false;
    bool includeSubdirectories = false;
    bool makeBackups = false;
    std::string backupExtension;
    bool writeRunLog = false;
    std::string logFileName;
};

// Creates or empties `path` and writes `values`, every line ending in CR LF.
// FileError::none on success, else why the file could not be written.
FileError WriteAutoConfig(FileServices& files, const std::string& path,
                          const AutoConfigValues& values);

}  // namespace tavro
