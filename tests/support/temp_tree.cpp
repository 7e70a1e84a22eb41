#include "tests/support/temp_tree.h"

#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace tavro::test {

TempTree::TempTree() {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("tavro-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            root = fs::canonical(candidate);
            return;
        }
    }
    throw std::runtime_error("could not make a temporary directory");
}

TempTree::~TempTree() {
    std::error_code ignored;
    for (auto it = fs::recursive_directory_iterator(root, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add |
                                                              fs::perm_options::nofollow, ignored);
    }
    fs::remove_all(root, ignored);
}

void TempTree::Write(std::string_view relative, std::string_view contents) const {
    fs::path path = root / relative;
    fs::create_directories(path.parent_path());
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(contents.data(), static_cast<std::streamsize>(contents.size()));
    if (!file) throw std::runtime_error("could not write " + path.string());
}

std::string TempTree::Read(std::string_view relative) const { return ReadFile(root / relative); }

bool TempTree::Exists(std::string_view relative) const {
    return fs::exists(fs::symlink_status(root / relative));
}

void TempTree::MakeReadOnly(std::string_view relative) const {
    fs::permissions(root / relative,
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
}

std::string ReadFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << file.rdbuf();
    return bytes.str();
}

}  // namespace tavro::test
