#include "console/command_line.h"

#include <ostream>
#include <string_view>

#include "autoconfig/auto_config.h"

namespace tavro {
namespace {

constexpr std::string_view kUsage =
    "Search and Replace Win32 Console Application.\n"
    "\n"
    "Command Line Switches\n"
    "\n"
    "\t/D:<directory>\t\tStarting Directory\n"
    "\t/F:<filter pattern>\tFile Type\n"
    "\t/S:<\"search text\">\t(Use quotes if spaces present)\n"
    "\t/R:<\"replacement text\">\t(Use quotes if spaces present)\n"
    "\t/B:<.file extension>\tMake Backups with .file extension appended\n"
    "\t/L:<filename>\t\tMake Log (if exists, new info will be appended)\n"
    "\t/c\t\t\tDo case-sensitive search\n"
    "\t/r\t\t\tProcess ReadOnly Files as well\n"
    "\t/i\t\t\tInclude Subdirectories\n"
    "\t/x\t\t\tSearch String is a Regular Expression\n"
    "\t/h or /?\t\tView this help screen\n"
    "\n"
    "The first three are mandatory. If there is no /R: switch then the search text\n"
    "will be deleted whenever it is found. If you don't want to create backups or\n"
    "a log file just leave out /B: and/or /L: - Use /c, /r, /x, and /i the same\n"
    "way - don't mention them if you don't want them to apply. You can also use a\n"
    "configuration file instead of the command line switches. See the Readme or\n"
    "the online help in Tavro more information.\n";

ParseOutcome Fail(std::ostream& out, std::string_view message) {
    out << message << '\n';
    return ParseOutcome{false, 1, {}};
}

ParseOutcome Usage(std::ostream& out) {
    PrintUsage(out);
    return ParseOutcome{false, 1, {}};
}

// The console's reading of an auto-config file.
class SettingsTarget final : public AutoConfigTarget {
public:
    explicit SettingsTarget(RunSettings& settings) : settings(settings) {}

    void SetText(AutoConfigKey key, std::string_view value) override {
        switch (key) {
            case AutoConfigKey::startDir: settings.startDirectory = value; break;
            case AutoConfigKey::fileType: settings.fileTypeFilter = value; break;
            case AutoConfigKey::searchString: settings.searchString = value; break;
            case AutoConfigKey::replaceString: settings.replaceString = value; break;
            case AutoConfigKey::backupExt: settings.backupExtension = value; break;
            case AutoConfigKey::logFileName: settings.runLogPath = value; break;
            default: break;
        }
    }

    void SetSwitch(AutoConfigKey key, bool on) override {
        switch (key) {
            case AutoConfigKey::processROFiles: settings.processReadOnlyFiles = on; break;
            case AutoConfigKey::caseSensitiveSearch: settings.caseSensitive = on; break;
            case AutoConfigKey::includeSubDirs: settings.includeSubdirectories = on; break;
            case AutoConfigKey::regex: settings.regularExpression = on; break;
            default: break;
        }
    }

private:
    RunSettings& settings;
};

}  // namespace

void PrintUsage(std::ostream& out) { out << kUsage; }

ParseOutcome ParseCommandLine(const std::vector<std::string>& arguments, FileServices& files,
                              std::ostream& out) {
    ParseOutcome outcome;
    RunSettings& settings = outcome.settings;
    bool backupSwitchEmpty = false;
    bool logSwitchEmpty = false;
    bool switchForm = arguments.size() >= 2;

    if (arguments.empty()) return Usage(out);
    if (!switchForm) {
        const std::string& name = arguments.front();
        if (!name.empty() && (name.front() == '/' || name.front() == '-')) return Usage(out);
        SettingsTarget target(settings);
        switch (ReadAutoConfig(files, name, OnOffReading::console, target)) {
            case AutoConfigReadResult::couldNotOpen:
                return Fail(out, "Could not open Auto-Config file " + name);
            case AutoConfigReadResult::notAutoConfig:
                return Fail(out, "ERROR: the file is not an Tavro or Kembrel autoconfig file.");
            case AutoConfigReadResult::ok: break;
        }
        if (settings.backupExtension == "0") settings.backupExtension.clear();
        if (settings.runLogPath == "0") settings.runLogPath.clear();
    } else {
        for (const std::string& argument : arguments) {
            // The first character is not examined; values start after the third.
            char letter = argument.size() >= 2 ? argument[1] : '\0';
            std::string value = argument.size() > 3 ? argument.substr(3) : std::string();
            switch (letter) {
                case 'B':
                    settings.backupExtension = value;
                    backupSwitchEmpty = value.empty();
                    break;
                case 'D': settings.startDirectory = value; break;
                case 'F': settings.fileTypeFilter = value; break;
                case 'L':
                    settings.runLogPath = value;
                    logSwitchEmpty = value.empty();
                    break;
                case 'R': settings.replaceString = value; break;
                case 'S': settings.searchString = value; break;
                case 'c': settings.caseSensitive = true; break;
                case 'i': settings.includeSubdirectories = true; break;
                case 'r': settings.processReadOnlyFiles = true; break;
                case 'x': settings.regularExpression = true; break;
                default:
                    out << "DEBUG: error condition - " << argument << '\n';
                    return Fail(out, "Please use double quotes around phrases");
            }
        }
    }

    if (settings.startDirectory.empty()) return Fail(out, "ERROR: No start dir");
    if (settings.fileTypeFilter.empty()) return Fail(out, "ERROR: No file type");
    if (settings.searchString.empty()) return Fail(out, "ERROR: No search string");
    if (backupSwitchEmpty) return Fail(out, "ERROR: Backup switch with no extension");
    if (logSwitchEmpty) return Fail(out, "ERROR: Logfile switch with no logfile name");

    if (!settings.backupExtension.empty() && settings.backupExtension.front() != '.') {
        settings.backupExtension.insert(0, 1, '.');
    }
    settings.makeBackups = !settings.backupExtension.empty();
    settings.writeRunLog = !settings.runLogPath.empty();
    settings.errorLogPath = "error.log";
    outcome.complete = true;
    return outcome;
}

}  // namespace tavro
