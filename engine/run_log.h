#pragma once

#include <string>
#include <string_view>

#include "engine/log_file.h"
#include "engine/run_settings.h"

namespace tavro {

// Which program writes: the two differ in a few log texts.
enum class FrontEnd { console, gui };

// The run log: a header, one line per file in which the search string was
// found, and a summary. A file's line is written in two pieces, before and
// after its rewrite; the first piece is held back until the second, so a file
// that is given up on between them leaves no half line.
class RunLog {
public:
    explicit RunLog(LogFile& file) : file(file) {}

    void Header();
    void LinePrefix(std::string_view name);
    void BackupLinePrefix(std::string_view name, std::string_view backupName);
    void LineSuffix(std::string_view searchString, std::string_view replaceString, int count);
    void DropLine() { pendingPrefix.clear(); }
    void Summary(int filesModified);
    // Closes a stopped run's record in place of the summary.
    void AbortNotice(int filesModified);

    LogFile& File() { return file; }

private:
    LogFile& file;
    std::string pendingPrefix;
};

// The error log: one line, with the long time stamp, per problem.
class ErrorLog {
public:
    ErrorLog(LogFile& file, FrontEnd frontEnd) : file(file), frontEnd(frontEnd) {}

    void CouldNotOpen(std::string_view name);
    void CouldNotWrite(std::string_view name);
    void CouldNotReplace(std::string_view name);
    void CouldNotEnterDirectory(std::string_view name);
    void BackupFallback(std::string_view name, std::string_view fallbackName);
    void CouldNotBackUp(std::string_view name);
    void RegexTooComplex(std::string_view name);

    int LinesWritten() const { return linesWritten; }
    LogFile& File() { return file; }

private:
    void Line(std::string_view text);

    LogFile& file;
    FrontEnd frontEnd;
    int linesWritten = 0;
};

// The abort log of a stopped run (dialog only).
class AbortLog {
public:
    explicit AbortLog(LogFile& file) : file(file) {}

    void StopHeader(const RunSettings& settings);
    void FoundLine(std::string_view name);

    LogFile& File() { return file; }

private:
    LogFile& file;
};

inline constexpr std::string_view kSeparator = "============================================";

}  // namespace tavro
