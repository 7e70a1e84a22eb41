#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "engine/platform/file_services.h"
#include "engine/progress_sink.h"
#include "engine/run_log.h"
#include "engine/run_settings.h"
#include "tests/support/temp_tree.h"

namespace tavro::test {

// A front end that records what the engine tells it and asks to stop from
// the `stopAtPoll`-th poll on (1 for the first file; 0 never).
class RecordingSink final : public ProgressSink {
public:
    bool PollStop() override;
    void SetStatus(std::string_view text) override { statuses.emplace_back(text); }
    void FileAccepted(std::string_view name) override { accepted.emplace_back(name); }

    int stopAtPoll = 0;
    int polls = 0;
    std::vector<std::string> statuses;
    std::vector<std::string> accepted;
};

// One engine run over a temporary tree, with its logs kept in a folder of
// their own so they are never part of the walk.
struct EngineRun {
    RunSettings settings;
    FileServices* files = nullptr;  // the platform's when null
    FrontEnd frontEnd = FrontEnd::console;
    ProgressSink* sink = nullptr;
    bool scanAhead = false;  // read ahead of the walk on a second thread, as kembrel does

    RunState state;
    std::string runLog;    // the logs' contents after the run, CR LF as stored
    std::string errorLog;
    std::string abortLog;
};

// Fills the settings a test usually wants: start in the tree's root, every
// ".txt", logging on.
RunSettings DefaultSettings(std::string_view search, std::string_view replacement);

// Runs the walk (tree or directory after `includeSubdirectories`) with the
// tree's root, or `settings.startDirectory` below it, as the current directory.
void RunEngine(const TempTree& tree, EngineRun& run);

// Drops the CRs of CR LF pairs, for comparing log text.
std::string WithoutCr(std::string_view text);

}  // namespace tavro::test
