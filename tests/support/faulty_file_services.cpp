#include "tests/support/faulty_file_services.h"

#include <algorithm>
#include <cstdint>

namespace tavro::test {
namespace {

class FaultyReplacementFile final : public ReplacementFile {
public:
    FaultyReplacementFile(std::unique_ptr<ReplacementFile> real, const FaultyFileServices& faults,
                          bool failWrites)
        : real(std::move(real)), faults(faults),
          budget(failWrites ? faults.bytesBeforeWriteFailure : SIZE_MAX) {}

    bool Write(const char* data, std::size_t size) override {
        if (failed) return false;
        std::size_t allowed = std::min(size, budget);
        budget -= allowed;
        if (allowed > 0 && !real->Write(data, allowed)) failed = true;
        if (allowed < size) failed = true;
        return !failed;
    }
    bool Close() override { return real->Close() && !failed; }
    FileError LastError() const override { return failed ? faults.writeFailure : real->LastError(); }
    bool ReplaceInto(const std::string& destination, FileError& error) override {
        if (faults.failCopiesTo && faults.failCopiesTo(destination)) {
            error = faults.copyFailure;
            return false;
        }
        return real->ReplaceInto(destination, error);
    }
    void Discard() override { real->Discard(); }

private:
    std::unique_ptr<ReplacementFile> real;
    const FaultyFileServices& faults;
    std::size_t budget;
    bool failed = false;
};

}  // namespace

std::unique_ptr<ReplacementFile> FaultyFileServices::CreateReplacement(const std::string& name,
                                                                       FileError& error) {
    if (failOpensOf && failOpensOf(name)) {
        error = FileError::accessDenied;
        return nullptr;
    }
    std::unique_ptr<ReplacementFile> file = real.CreateReplacement(name, error);
    if (!file) return nullptr;
    return std::make_unique<FaultyReplacementFile>(std::move(file), *this,
                                                   failWritesTo && failWritesTo(name));
}

std::unique_ptr<InputFile> FaultyFileServices::OpenRead(const std::string& name, FileError& error) {
    if (failOpensOf && failOpensOf(name)) {
        error = FileError::accessDenied;
        return nullptr;
    }
    return real.OpenRead(name, error);
}

std::unique_ptr<OutputFile> FaultyFileServices::OpenWrite(const std::string& name,
                                                          FileError& error) {
    if (failOpensOf && failOpensOf(name)) {
        error = FileError::accessDenied;
        return nullptr;
    }
    return real.OpenWrite(name, error);
}

bool FaultyFileServices::CopyFile(const std::string& source, const std::string& destination,
                                  FileError& error) {
    if (failCopiesTo && failCopiesTo(destination)) {
        error = copyFailure;
        return false;
    }
    return real.CopyFile(source, destination, error);
}

}  // namespace tavro::test
