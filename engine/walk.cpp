#include <vector>

#include "engine/search_run.h"

namespace tavro {

SearchRun::SearchRun(const RunSettings& settings, RunState& state, FileServices& files,
                     RunLogs logs, FrontEnd frontEnd, ProgressSink* sink)
    : settings(settings), state(state), files(files), logs(logs), frontEnd(frontEnd),
      sink(sink) {}

SearchRun::~SearchRun() = default;

void SearchRun::ScanFilesAhead() { scanAhead = std::make_unique<ScanAhead>(files, settings, lineStorage); }

bool SearchRun::IsOwnLog(const FileStatus& status) const {
    return logs.runLog.File().IsFile(status) || logs.errorLog.File().IsFile(status) ||
           (logs.abortLog != nullptr && logs.abortLog->File().IsFile(status));
}

// The listing is read whole before any entry is processed, so backups and the
// temporary file made in this directory are never picked up as input.
void SearchRun::WalkDirectory() {
    if (currentDirectory.empty() && !files.GetCurrentDirectory(currentDirectory)) return;
    std::vector<std::string> names;
    if (files.ListDirectory(settings.fileTypeFilter, names)) ProcessListing(names);
}

void SearchRun::ProcessListing(const std::vector<std::string>& names) {
    if (scanAhead) scanAhead->Start(currentDirectory, names);
    for (listingIndex = 0; listingIndex < names.size(); ++listingIndex) {
        const std::string& name = names[listingIndex];
        if (name == kTemporaryName) continue;
        FileStatus status;
        prescanned.reset();
        if (scanAhead && !state.stopped) prescanned = scanAhead->Take(listingIndex, status);
        if (!prescanned && !files.GetStatus(name, status)) {
            logs.errorLog.CouldNotEnterDirectory(JoinPath(currentDirectory, name));
            continue;
        }
        // Reading a pipe or a device could wait forever, or never end.
        if (status.IsDirectory() || status.IsSpecial()) continue;
        if (status.IsReadOnly() && !settings.processReadOnlyFiles) continue;
        if (IsOwnLog(status)) continue;
        status.fullPathName = JoinPath(currentDirectory, name);
        currentStatus = status;
        ProcessFile(frontEnd == FrontEnd::gui ? status.fullPathName : name);
    }
}

// Directories are left by returning to the parent's absolute path rather than
// "..", so the walk can never climb above where it started. Links to
// directories are not followed: no loops, no walking out of the tree.
void SearchRun::WalkTree() {
    if (currentDirectory.empty() && !files.GetCurrentDirectory(currentDirectory)) return;
    // One reading of the directory gives both its files and its subdirectories.
    std::vector<std::string> names;
    std::vector<std::string> subdirectories;
    std::vector<std::string> unreadable;
    if (!files.ListDirectoryAndSubdirectories(settings.fileTypeFilter, names, subdirectories,
                                              unreadable)) {
        return;
    }
    ProcessListing(names);
    const std::string here = currentDirectory;
    for (const std::string& name : unreadable) {
        // The temporary file comes and goes while the directory is walked.
        if (name.front() != '.' && name != kTemporaryName) {
            logs.errorLog.CouldNotEnterDirectory(JoinPath(here, name));
        }
    }
    for (const std::string& name : subdirectories) {
        if (name.front() == '.') continue;
        std::string child = JoinPath(here, name);
        if (!files.SetCurrentDirectory(child)) {
            logs.errorLog.CouldNotEnterDirectory(child);
            continue;
        }
        currentDirectory = child;
        WalkTree();
        currentDirectory = here;
        if (lost) return;
        if (!files.SetCurrentDirectory(here)) {
            // Nowhere safe to go on from: end the walk rather than work elsewhere.
            logs.errorLog.CouldNotEnterDirectory(here);
            lost = true;
            return;
        }
    }
}

}  // namespace tavro
