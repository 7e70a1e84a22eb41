#pragma once

#include <functional>
#include <memory>
#include <string>

#include "engine/platform/file_services.h"

namespace tavro::test {

// The platform's file services with faults put in on demand, for the failures
// a real file system cannot be made to produce at will.
class FaultyFileServices final : public FileServices {
public:
    // Replacement files whose name this accepts fail after that many bytes.
    std::function<bool(const std::string&)> failWritesTo;
    std::size_t bytesBeforeWriteFailure = 0;
    FileError writeFailure = FileError::diskFull;
    // Copies, and replacements, onto a destination this accepts fail without
    // touching it.
    std::function<bool(const std::string&)> failCopiesTo;
    FileError copyFailure = FileError::diskFull;
    // Opens for reading or writing of a name this accepts fail.
    std::function<bool(const std::string&)> failOpensOf;

    bool ListDirectory(std::string_view pattern, std::vector<std::string>& names) override {
        return real.ListDirectory(pattern, names);
    }
    bool GetCurrentDirectory(std::string& path) override { return real.GetCurrentDirectory(path); }
    bool SetCurrentDirectory(const std::string& path) override {
        return real.SetCurrentDirectory(path);
    }
    bool GetStatus(const std::string& name, FileStatus& status) override {
        return real.GetStatus(name, status);
    }
    bool IsLinkToDirectory(const std::string& name) override { return real.IsLinkToDirectory(name); }
    bool SetStatus(const std::string& name, const FileStatus& status) override {
        return real.SetStatus(name, status);
    }
    std::unique_ptr<InputFile> OpenRead(const std::string& name, FileError& error) override;
    std::unique_ptr<OutputFile> OpenWrite(const std::string& name, FileError& error) override;
    std::unique_ptr<ReplacementFile> CreateReplacement(const std::string& name,
                                                       FileError& error) override;
    std::unique_ptr<OutputFile> OpenAppend(const std::string& name, FileError& error) override {
        return real.OpenAppend(name, error);
    }
    bool CopyFile(const std::string& source, const std::string& destination,
                  FileError& error) override;

private:
    FileServices& real = PlatformFileServices();
};

}  // namespace tavro::test
