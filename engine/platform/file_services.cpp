#include "engine/platform/file_services.h"

namespace tavro {

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
