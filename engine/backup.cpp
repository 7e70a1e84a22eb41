#include "engine/search_run.h"

namespace tavro {
namespace {

// The "$" fallback gives up after this many, or when the name grows too long.
constexpr int kMaxFallbackDollars = 255;

}  // namespace

bool SearchRun::MakeBackup(const std::string& name) {
    std::string backupName = name;
    if (settings.backupExtension.empty() || settings.backupExtension.front() != '.') {
        backupName += '.';
    }
    backupName += settings.backupExtension;
    SetStatus(kStatusBackingUp);
    bool logLine = settings.writeRunLog && !state.stopped;
    FileError error;
    if (files.CopyFile(name, backupName, error)) {
        if (logLine) logs.runLog.BackupLinePrefix(name, backupName);
        return true;
    }
    std::string fallbackName = backupName;
    for (int dollars = 1; dollars <= kMaxFallbackDollars; ++dollars) {
        fallbackName += '$';
        if (files.CopyFile(name, fallbackName, error)) {
            if (logLine) logs.runLog.BackupLinePrefix(name, fallbackName);
            logs.errorLog.BackupFallback(name, fallbackName);
            return true;
        }
        if (error == FileError::nameTooLong) break;
    }
    logs.errorLog.CouldNotBackUp(name);
    return false;
}

}  // namespace tavro
