#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace tavro::test {

// A fresh directory under the system's temporary folder, removed with
// everything in it when the object goes. Read-only files inside are made
// writable again first, so the removal never fails on them.
class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    const std::filesystem::path& Root() const { return root; }
    std::filesystem::path Path(std::string_view relative) const { return root / relative; }

    // Writes `contents` byte for byte, creating parent directories.
    void Write(std::string_view relative, std::string_view contents) const;
    std::string Read(std::string_view relative) const;
    bool Exists(std::string_view relative) const;
    void MakeReadOnly(std::string_view relative) const;

private:
    std::filesystem::path root;
};

// Reads a whole file as bytes ("" when it is missing).
std::string ReadFile(const std::filesystem::path& path);

// Keeps the current directory and restores it on leaving the scope.
class CurrentDirectoryGuard {
public:
    CurrentDirectoryGuard() : saved(std::filesystem::current_path()) {}
    ~CurrentDirectoryGuard() { std::filesystem::current_path(saved); }

private:
    std::filesystem::path saved;
};

}  // namespace tavro::test
