#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/line_replacer.h"
#include "engine/platform/file_services.h"
#include "engine/progress_sink.h"
#include "engine/run_log.h"
#include "engine/run_settings.h"
#include "engine/scan_ahead.h"

namespace tavro {

// The logs a run writes to. The abort log is the dialog's alone.
struct RunLogs {
    RunLog& runLog;
    ErrorLog& errorLog;
    AbortLog* abortLog = nullptr;
};

// One run of the engine over the current directory: the walk, and the work on
// each file it accepts. The driver fills the settings, makes the start
// directory current and calls WalkTree or WalkDirectory.
class SearchRun {
public:
    // The one temporary file, made in each directory where a file is rewritten.
    static constexpr std::string_view kTemporaryName = "temp._____fil";

    SearchRun(const RunSettings& settings, RunState& state, FileServices& files, RunLogs logs,
              FrontEnd frontEnd, ProgressSink* sink = nullptr);
    ~SearchRun();

    // Process the matching files of the current directory.
    void WalkDirectory();
    // Process the current directory, then each subdirectory's whole tree.
    void WalkTree();

    // Reads ahead of the walk on a second thread. Only for runs whose
    // settings never change once started.
    void ScanFilesAhead();

    void ProcessFile(const std::string& name);
    // The filter pass (with the text test, except in stop mode); on a hit also
    // the backup, the start of the run-log line and the count. False when the
    // file is not text, the string is absent or the file is given up.
    bool ContainsSearchString(const std::string& name);
    void RewriteFile(const std::string& name);
    // False when no backup could be made; the file is then left alone.
    bool MakeBackup(const std::string& name);

private:
    // The files of the current directory's listing, in order.
    void ProcessListing(const std::vector<std::string>& names);
    bool ScanFile(const std::string& name);
    bool PutInPlace(const std::string& name, ReplacementFile& output);
    void SetStatus(std::string_view text);
    bool IsOwnLog(const FileStatus& status) const;

    const RunSettings& settings;
    RunState& state;
    FileServices& files;
    RunLogs logs;
    FrontEnd frontEnd;
    ProgressSink* sink;
    LineReplacer replacer;
    std::string currentDirectory;  // absolute; kept by the walk
    FileStatus currentStatus;      // of the file being processed
    ReadBuffer lineStorage;  // the line reader's buffer, kept across files
    bool lost = false;  // the walk could not return to a directory
    std::unique_ptr<ScanAhead> scanAhead;
    std::size_t listingIndex = 0;  // of the file being processed, in its directory's listing
    std::optional<ScanResult> prescanned;  // the file's filter pass, done ahead
};

}  // namespace tavro
