#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "engine/platform/file_services.h"

namespace tavro {

// An append-only text file whose "\n" reach the disk as CR LF. The console
// keeps its logs open for the run; the dialog opens and closes them around
// every write, so a log exists only once something was written to it.
class LogFile {
public:
    enum class Mode { keepOpen, openPerWrite };

    LogFile(FileServices& files, std::string path, Mode mode);
    ~LogFile();

    // Opens a keep-open log at once (creating it); false when it cannot be.
    bool Open();
    void Close();
    void Append(std::string_view text);

    const std::string& Path() const { return path; }
    // True once an open or a write has failed; the run goes on regardless.
    bool Failed() const { return failed; }
    // Whether `status` is this log's file, so the walk never rewrites a log.
    bool IsFile(const FileStatus& status) const;

private:
    void RememberIdentity();

    FileServices& files;
    std::string path;
    Mode mode;
    std::unique_ptr<OutputFile> file;
    bool failed = false;
    bool known = false;
    FileStatus identity;
};

}  // namespace tavro
