#include "engine/log_file.h"

#include <utility>

#include "engine/platform/text_file.h"

namespace tavro {

LogFile::LogFile(FileServices& files, std::string path, Mode mode)
    : files(files), path(std::move(path)), mode(mode) {}

LogFile::~LogFile() { Close(); }

bool LogFile::Open() {
    if (file) return true;
    FileError error;
    file = files.OpenAppend(path, error);
    if (!file) {
        failed = true;
        return false;
    }
    RememberIdentity();
    return true;
}

void LogFile::Close() {
    if (file && !file->Close()) failed = true;
    file.reset();
}

void LogFile::Append(std::string_view text) {
    if (path.empty()) return;
    bool perWrite = mode == Mode::openPerWrite;
    if (perWrite && !Open()) return;
    if (!file) return;  // a log that could not be opened takes nothing
    std::string stored = ToCrLf(text);
    if (!file->Write(stored.data(), stored.size())) failed = true;
    if (perWrite) Close();
}

void LogFile::RememberIdentity() {
    if (!known) known = files.GetStatus(path, identity);
}

bool LogFile::IsFile(const FileStatus& status) const { return known && identity.SameFileAs(status); }

}  // namespace tavro
