#include "tests/support/windows_files.h"

#include <stdexcept>

#ifdef _WIN32
#include "engine/platform/win32_api.h"
#endif

namespace tavro::test::win32 {

#ifdef _WIN32

namespace {

FILETIME ToFileTime(std::uint64_t ticks) {
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(ticks);
    time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
    return time;
}

std::uint64_t Ticks(const FILETIME& time) {
    return (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

}  // namespace

std::uint32_t Attributes(const std::filesystem::path& path) {
    DWORD attributes = ::GetFileAttributesA(path.string().c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        throw std::runtime_error("no attributes for " + path.string());
    }
    return attributes;
}

void SetAttributes(const std::filesystem::path& path, std::uint32_t attributes) {
    if (!::SetFileAttributesA(path.string().c_str(), attributes)) {
        throw std::runtime_error("could not set the attributes of " + path.string());
    }
}

FileTimes Times(const std::filesystem::path& path) {
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!::GetFileAttributesExA(path.string().c_str(), GetFileExInfoStandard, &data)) {
        throw std::runtime_error("no times for " + path.string());
    }
    return {Ticks(data.ftCreationTime), Ticks(data.ftLastAccessTime), Ticks(data.ftLastWriteTime)};
}

void SetTimes(const std::filesystem::path& path, const FileTimes& times) {
    HANDLE file = ::CreateFileA(path.string().c_str(), FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    FILETIME creation = ToFileTime(times.creation);
    FILETIME access = ToFileTime(times.access);
    FILETIME modification = ToFileTime(times.modification);
    bool ok =
        file != INVALID_HANDLE_VALUE && ::SetFileTime(file, &creation, &access, &modification);
    if (file != INVALID_HANDLE_VALUE) ::CloseHandle(file);
    if (!ok) throw std::runtime_error("could not set the times of " + path.string());
}

std::string ShortName(const std::filesystem::path& path) {
    char buffer[MAX_PATH + 1];
    DWORD length = ::GetShortPathNameA(path.string().c_str(), buffer, sizeof buffer);
    if (length == 0 || length >= sizeof buffer) return path.filename().string();
    return std::filesystem::path(std::string(buffer, length)).filename().string();
}

bool KeepsCreationTimes(const std::filesystem::path& directory) {
    std::filesystem::path probe = directory / "creation-time-probe";
    HANDLE file = ::CreateFileA(probe.string().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) throw std::runtime_error("could not make " + probe.string());
    ::CloseHandle(file);
    FileTimes set{120'000'000'000'000'000, 130'000'000'000'000'000, 125'000'000'000'000'000};
    SetTimes(probe, set);
    bool kept = Times(probe).creation == set.creation;
    ::DeleteFileA(probe.string().c_str());
    return kept;
}

#else

namespace {

[[noreturn]] void WindowsOnly() { throw std::logic_error("a Windows call outside Windows"); }

}  // namespace

std::uint32_t Attributes(const std::filesystem::path&) { WindowsOnly(); }
void SetAttributes(const std::filesystem::path&, std::uint32_t) { WindowsOnly(); }
FileTimes Times(const std::filesystem::path&) { WindowsOnly(); }
void SetTimes(const std::filesystem::path&, const FileTimes&) { WindowsOnly(); }
std::string ShortName(const std::filesystem::path&) { WindowsOnly(); }
bool KeepsCreationTimes(const std::filesystem::path&) { WindowsOnly(); }

#endif

}  // namespace tavro::test::win32
