#pragma once

#include <algorithm>
#include <cstring>
#include <string_view>

#include "engine/platform/file_services.h"

namespace tavro::fuzz {

// Bytes in memory read in chunks of varying size, as a real file may deliver them.
class MemoryFile final : public InputFile {
public:
    MemoryFile(std::string_view bytes, std::size_t chunk) : bytes(bytes), chunk(chunk) {}
    std::ptrdiff_t Read(char* buffer, std::size_t capacity) override {
        std::size_t count = std::min({capacity, bytes.size() - at, chunk});
        std::memcpy(buffer, bytes.data() + at, count);
        at += count;
        chunk = chunk * 7 % 4093 + 1;
        return static_cast<std::ptrdiff_t>(count);
    }

private:
    std::string_view bytes;
    std::size_t chunk;
    std::size_t at = 0;
};

}  // namespace tavro::fuzz
