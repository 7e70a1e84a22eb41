#include "engine/platform/file_services.h"

namespace tavro {
namespace {

class JoinedDirectory final : public DirectoryHandle {
public:
    JoinedDirectory(FileServices& files, std::string path) : files(files), path(std::move(path)) {}

    std::unique_ptr<InputFile> OpenPlainFile(const std::string& name, FileStatus& status) override {
        std::string full = JoinPath(path, name);
        if (!files.GetStatus(full, status) || status.IsDirectory() || status.IsSpecial()) return nullptr;
        FileError error;
        return files.OpenRead(full, error);
    }

private:
    FileServices& files;
    std::string path;
};

}  // namespace

std::unique_ptr<DirectoryHandle> FileServices::OpenDirectory(const std::string& path) {
    return std::make_unique<JoinedDirectory>(*this, path);
}

bool FileServices::ListDirectoryAndSubdirectories(std::string_view pattern,
                                                  std::vector<std::string>& names,
                                                  std::vector<std::string>& subdirectories,
                                                  std::vector<std::string>& unreadable) {
    return ListSubdirectories(subdirectories, unreadable) && ListDirectory(pattern, names);
}

bool FileServices::ListSubdirectories(std::vector<std::string>& names,
                                      std::vector<std::string>& unreadable) {
    std::vector<std::string> entries;
    names.clear();
    unreadable.clear();
    if (!ListDirectory("*", entries)) return false;
    for (std::string& entry : entries) {
        FileStatus status;
        if (!GetStatus(entry, status)) {
            unreadable.push_back(std::move(entry));
        } else if (status.IsDirectory() && !IsLinkToDirectory(entry)) {
            names.push_back(std::move(entry));
        }
    }
    return true;
}

}  // namespace tavro
