#include "tests/support/engine_fixture.h"

#include "engine/log_file.h"
#include "engine/search_run.h"

namespace tavro::test {

bool RecordingSink::PollStop() {
    ++polls;
    return stopAtPoll > 0 && polls >= stopAtPoll;
}

RunSettings DefaultSettings(std::string_view search, std::string_view replacement) {
    RunSettings settings;
    settings.fileTypeFilter = "*.txt";
    settings.searchString = search;
    settings.replaceString = replacement;
    settings.caseSensitive = true;
    return settings;
}

void RunEngine(const TempTree& tree, EngineRun& run) {
    TempTree logs;
    FileServices& files = run.files != nullptr ? *run.files : PlatformFileServices();
    LogFile::Mode mode =
        run.frontEnd == FrontEnd::gui ? LogFile::Mode::openPerWrite : LogFile::Mode::keepOpen;
    LogFile runFile(files, logs.Path("run.log").string(), mode);
    LogFile errorFile(files, logs.Path("error.log").string(), mode);
    LogFile abortFile(files, logs.Path("abort.log").string(), mode);
    if (mode == LogFile::Mode::keepOpen) {
        runFile.Open();
        errorFile.Open();
    }
    RunLog runLog(runFile);
    ErrorLog errorLog(errorFile, run.frontEnd);
    AbortLog abortLog(abortFile);
    run.settings.writeRunLog = true;
    {
        CurrentDirectoryGuard guard;
        std::filesystem::current_path(tree.Path(run.settings.startDirectory));
        SearchRun engine(run.settings, run.state, files, RunLogs{runLog, errorLog, &abortLog},
                         run.frontEnd, run.sink);
        if (run.scanAhead) engine.ScanFilesAhead();
        if (run.settings.includeSubdirectories) {
            engine.WalkTree();
        } else {
            engine.WalkDirectory();
        }
    }
    runFile.Close();
    errorFile.Close();
    run.runLog = logs.Read("run.log");
    run.errorLog = logs.Read("error.log");
    run.abortLog = logs.Read("abort.log");
}

std::string WithoutCr(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        out += text[i];
    }
    return out;
}

}  // namespace tavro::test
