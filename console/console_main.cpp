#include "console/console_main.h"

#include <ostream>
#include <thread>

#include "console/command_line.h"
#include "engine/search_run.h"

namespace tavro {
namespace {

void WarnIfNotWritten(const LogFile& log, std::ostream& err) {
    if (log.Failed()) err << "WARNING: Could not write log file " << log.Path() << '\n';
}

}  // namespace

int ConsoleMain(const std::vector<std::string>& arguments, FileServices& files, std::ostream& out,
                std::ostream& err) {
    ParseOutcome parsed = ParseCommandLine(arguments, files, out);
    if (!parsed.complete) return parsed.exitStatus;
    const RunSettings& settings = parsed.settings;

    std::string savedDirectory;
    // Never walk anywhere but the directory the user named: check it before
    // any log is opened.
    if (!files.GetCurrentDirectory(savedDirectory) ||
        !files.SetCurrentDirectory(settings.startDirectory) ||
        !files.SetCurrentDirectory(savedDirectory)) {
        out << "ERROR: Could not change to start dir " << settings.startDirectory << '\n';
        return 1;
    }

    LogFile errorFile(files, settings.errorLogPath, LogFile::Mode::keepOpen);
    LogFile runFile(files, settings.writeRunLog ? settings.runLogPath : std::string(),
                    LogFile::Mode::keepOpen);
    errorFile.Open();
    RunLog runLog(runFile);
    ErrorLog errorLog(errorFile, FrontEnd::console);
    if (settings.writeRunLog) {
        runFile.Open();
        runLog.Header();
    }

    RunState state;
    SearchRun run(settings, state, files, RunLogs{runLog, errorLog}, FrontEnd::console);
    // A second processor reads the next files while this one writes.
    if (std::thread::hardware_concurrency() > 1) run.ScanFilesAhead();
    if (files.SetCurrentDirectory(settings.startDirectory)) {
        if (settings.includeSubdirectories) {
            run.WalkTree();
        } else {
            run.WalkDirectory();
        }
    }
    files.SetCurrentDirectory(savedDirectory);

    if (settings.writeRunLog) {
        runLog.Summary(state.filesModified);
        runFile.Close();
        WarnIfNotWritten(runFile, err);
    }
    errorFile.Close();
    WarnIfNotWritten(errorFile, err);

    out << "\n\t" << state.filesModified << " files modified.\n\n";
    return errorLog.LinesWritten() > 0 ? kExitSomeFilesFailed : 0;
}

}  // namespace tavro
