#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace tavro::test {

#ifdef _WIN32
inline constexpr bool kWindows = true;
#else
inline constexpr bool kWindows = false;
#endif

// The Windows calls that Windows-only tests use to make and inspect files
// independently of the layer under test. Elsewhere they throw: those tests
// are skipped before they call them.
namespace win32 {

inline constexpr std::uint32_t kReadOnly = 0x01;
inline constexpr std::uint32_t kHidden = 0x02;
inline constexpr std::uint32_t kSystem = 0x04;
inline constexpr std::uint32_t kDirectory = 0x10;
inline constexpr std::uint32_t kArchive = 0x20;

// The file's attributes (GetFileAttributesA).
std::uint32_t Attributes(const std::filesystem::path& path);
void SetAttributes(const std::filesystem::path& path, std::uint32_t attributes);

// Times in 100 ns ticks since 1601, as FILETIME counts them.
struct FileTimes {
    std::uint64_t creation = 0;
    std::uint64_t access = 0;
    std::uint64_t modification = 0;
    bool operator==(const FileTimes&) const = default;
};
FileTimes Times(const std::filesystem::path& path);
void SetTimes(const std::filesystem::path& path, const FileTimes& times);

// The 8.3 name the file system keeps for a file, or its long name when it
// keeps none.
std::string ShortName(const std::filesystem::path& path);

// Whether files in `directory` keep a creation time of their own: Wine shows
// the earlier of the change and modification times instead.
bool KeepsCreationTimes(const std::filesystem::path& directory);

}  // namespace win32
}  // namespace tavro::test
