#include "engine/run_log.h"

#include "engine/platform/local_time.h"

namespace tavro {
namespace {

std::string Concat(std::initializer_list<std::string_view> pieces) {
    std::string text;
    for (std::string_view piece : pieces) text += piece;
    return text;
}

}  // namespace

void RunLog::Header() { file.Append(Concat({Stamp(kLongStamp), "\n\n"})); }

void RunLog::LinePrefix(std::string_view name) { pendingPrefix = Concat({name, " : "}); }

void RunLog::BackupLinePrefix(std::string_view name, std::string_view backupName) {
    pendingPrefix = Concat({name, " (backed up to ", backupName, ") : "});
}

void RunLog::LineSuffix(std::string_view searchString, std::string_view replaceString,
                        int count) {
    file.Append(Concat({pendingPrefix, "\t\"", searchString, "\" replaced with \"", replaceString,
                        "\" ", std::to_string(count), " times\n"}));
    pendingPrefix.clear();
}

void RunLog::Summary(int filesModified) {
    file.Append(Concat({"\n", std::to_string(filesModified), " files processed; ",
                        Stamp(kShortStamp), "\n\n", kSeparator, "\n\n"}));
}

void RunLog::AbortNotice(int filesModified) {
    file.Append(Concat({"\n", Stamp(kShortStamp), " - ",
                        "*** Search aborted by user.*** (See abort.log for more information.)\n",
                        "\n", std::to_string(filesModified), " files processed\n\n", kSeparator,
                        "\n\n"}));
}

void ErrorLog::Line(std::string_view text) {
    file.Append(Concat({Stamp(kLongStamp), "\t", text, "\n"}));
    ++linesWritten;
}

void ErrorLog::CouldNotOpen(std::string_view name) { Line(Concat({"Could not open file: ", name})); }

void ErrorLog::CouldNotWrite(std::string_view name) {
    Line(Concat({"Could not write file: ", name}));
}

void ErrorLog::CouldNotReplace(std::string_view name) {
    Line(Concat({"Could not replace file: ", name}));
}

void ErrorLog::CouldNotEnterDirectory(std::string_view name) {
    Line(Concat({"Could not enter directory: ", name}));
}

void ErrorLog::BackupFallback(std::string_view name, std::string_view fallbackName) {
    std::string_view initial =
        frontEnd == FrontEnd::gui ? "Initial Backup attempt failed for " : "Initial backup attempt failed for ";
    Line(Concat({initial, name, ". File backed up to ", fallbackName, "."}));
}

void ErrorLog::CouldNotBackUp(std::string_view name) {
    Line(Concat({"Could not back up ", name, ". File not processed."}));
}

void ErrorLog::RegexTooComplex(std::string_view name) {
    Line(Concat({"Regular expression too complex, file not processed: ", name}));
}

void AbortLog::StopHeader(const RunSettings& settings) {
    std::string_view subdirs = settings.includeSubdirectories ? "Yes" : "No";
    std::string_view regex = settings.regularExpression ? "Yes" : "No";
    file.Append(Concat({"\n===========================\n\n", Stamp(kAbortStamp),
                        "\tSearch aborted by user\n\n", "Starting Directory: ",
                        settings.startDirectory, "\tFile Type filter: ", settings.fileTypeFilter,
                        "\n", "Include Subdirs: ", subdirs, "\t\tRegex: ", regex, "\n",
                        "Search String: ", settings.searchString, "\nReplace String: ",
                        settings.replaceString, "\n\n"}));
}

void AbortLog::FoundLine(std::string_view name) {
    file.Append(Concat({name, ": Search string found, file not processed.\n"}));
}

}  // namespace tavro
