// Any bytes as an auto-config file, read by both programs' rules.
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "autoconfig/auto_config.h"
#include "tests/fuzz/memory_file.h"

namespace {

// Serves one in-memory file to the reader.
class OneFile final : public tavro::FileServices {
public:
    explicit OneFile(std::string_view bytes) : bytes(bytes) {}
    bool ListDirectory(std::string_view, std::vector<std::string>&) override { return false; }
    bool GetCurrentDirectory(std::string&) override { return false; }
    bool SetCurrentDirectory(const std::string&) override { return false; }
    bool GetStatus(const std::string&, tavro::FileStatus&) override { return false; }
    bool IsLinkToDirectory(const std::string&) override { return false; }
    bool SetStatus(const std::string&, const tavro::FileStatus&) override { return false; }
    std::unique_ptr<tavro::InputFile> OpenRead(const std::string&, tavro::FileError&) override {
        return std::make_unique<tavro::fuzz::MemoryFile>(bytes, bytes.size() % 97 + 1);
    }
    std::unique_ptr<tavro::OutputFile> OpenWrite(const std::string&, tavro::FileError&) override {
        return nullptr;
    }
    std::unique_ptr<tavro::OutputFile> OpenAppend(const std::string&, tavro::FileError&) override {
        return nullptr;
    }
    std::unique_ptr<tavro::ReplacementFile> CreateReplacement(const std::string&,
                                                              tavro::FileError&) override {
        return nullptr;
    }
    bool CopyFile(const std::string&, const std::string&, tavro::FileError&) override {
        return false;
    }

private:
    std::string_view bytes;
};

class Target final : public tavro::AutoConfigTarget {
public:
    void SetText(tavro::AutoConfigKey, std::string_view value) override { total += value.size(); }
    void SetSwitch(tavro::AutoConfigKey, bool on) override { total += on; }
    std::size_t total = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    OneFile files(bytes);
    for (auto reading : {tavro::OnOffReading::console, tavro::OnOffReading::gui}) {
        Target target;
        auto result = tavro::ReadAutoConfig(files, "fuzz.cfg", reading, target);
        if (result != tavro::AutoConfigReadResult::ok && target.total != 0) std::abort();
        if (target.total > size) std::abort();
    }
    return 0;
}
