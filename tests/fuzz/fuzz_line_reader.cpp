// Any bytes read as text lines: the lines and their ends must give back the
// input exactly, whatever chunks the file delivers.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "engine/platform/text_file.h"
#include "tests/fuzz/memory_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    tavro::fuzz::MemoryFile file(bytes, size % 13 + 1);
    static tavro::ReadBuffer storage;  // kept across inputs, as the engine keeps it across files
    tavro::LineReader reader(file, storage);
    std::string rebuilt;
    std::string_view line;
    while (reader.ReadLine(line)) {
        if (line.find('\n') != std::string_view::npos) std::abort();
        rebuilt += line;
        std::size_t at = rebuilt.size();
        // Put back the end the reader took off: CR LF, LF or none at the very end.
        if (at < size && bytes[at] == '\r' && at + 1 < size && bytes[at + 1] == '\n') {
            rebuilt += "\r\n";
        } else if (at < size && bytes[at] == '\n') {
            rebuilt += '\n';
        }
    }
    if (reader.Failed() || rebuilt != bytes) std::abort();
    return 0;
}
