#include <algorithm>
#include <memory>

#include "engine/platform/file_services.h"
#include "engine/platform/win32_api.h"

namespace tavro {
namespace {

// Missing from MinGW's <winerror.h>.
constexpr DWORD kErrorDiskQuotaExceeded = 1295;

FileError ErrorFromWin32(DWORD code) {
    switch (code) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
        case ERROR_DIRECTORY:
            return FileError::notFound;
        case ERROR_ACCESS_DENIED:
        case ERROR_WRITE_PROTECT:
        case ERROR_PRIVILEGE_NOT_HELD:
        case ERROR_CURRENT_DIRECTORY:
            return FileError::accessDenied;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return FileError::diskFull;
        case kErrorDiskQuotaExceeded:
            return FileError::quotaFull;
        case ERROR_CRC:
        case ERROR_READ_FAULT:
        case ERROR_WRITE_FAULT:
        case ERROR_GEN_FAILURE:
        case ERROR_IO_DEVICE:
            return FileError::ioError;
        case ERROR_FILENAME_EXCED_RANGE:
        case ERROR_BUFFER_OVERFLOW:
            return FileError::nameTooLong;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return FileError::locked;
        default:
            return FileError::other;
    }
}

// FILETIME counts 100 ns ticks from 1601; FileStatus nanoseconds from 1970.
constexpr std::int64_t kTicksFrom1601To1970 = 116'444'736'000'000'000;

std::int64_t Nanoseconds(const FILETIME& time) {
    std::int64_t ticks = static_cast<std::int64_t>(
        (static_cast<std::uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime);
    if (ticks == 0) return 0;
    return (ticks - kTicksFrom1601To1970) * 100;
}

FILETIME FromNanoseconds(std::int64_t value) {
    std::int64_t ticks = value / 100;
    if (value % 100 < 0) --ticks;  // floor, for times before 1970
    std::uint64_t since1601 = static_cast<std::uint64_t>(ticks + kTicksFrom1601To1970);
    FILETIME time;
    time.dwLowDateTime = static_cast<DWORD>(since1601);
    time.dwHighDateTime = static_cast<DWORD>(since1601 >> 32);
    return time;
}

std::uint64_t Size(DWORD high, DWORD low) { return (static_cast<std::uint64_t>(high) << 32) | low; }

// Closes a handle on every path out of a function.
struct Handle {
    HANDLE value = INVALID_HANDLE_VALUE;
    Handle() = default;
    explicit Handle(HANDLE value) : value(value) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() { Close(); }
    bool Valid() const { return value != INVALID_HANDLE_VALUE && value != nullptr; }
    bool Close() {
        bool ok = true;
        if (Valid()) ok = ::CloseHandle(value) != 0;
        value = INVALID_HANDLE_VALUE;
        return ok;
    }
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The attribute bits SetFileAttributesA can set that lie above the low byte.
constexpr DWORD kSettableHighAttributes =
    FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_OFFLINE | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

// Opens a file or directory only to ask about it; following links, and never
// in conflict with how others have opened it.
HANDLE OpenForQuery(const std::string& name) {
    return ::CreateFileA(name.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                         FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

// Windows refuses to write a read-only file, but Wine running as root lets it
// through, so every write checks the attribute itself.
bool IsReadOnly(const std::string& name) {
    DWORD attributes = ::GetFileAttributesA(name.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

bool SeekTo(HANDLE file, std::uint64_t offset) {
    LARGE_INTEGER to;
    to.QuadPart = static_cast<LONGLONG>(offset);
    return ::SetFilePointerEx(file, to, nullptr, FILE_BEGIN) != 0;
}

bool SetSize(HANDLE file, std::uint64_t size) { return SeekTo(file, size) && ::SetEndOfFile(file); }

// Writes everything or reports why not.
bool WriteAll(HANDLE file, const char* data, std::size_t size, DWORD& failure) {
    while (size > 0) {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size, 1u << 30));
        DWORD done = 0;
        if (!::WriteFile(file, data, chunk, &done, nullptr)) {
            failure = ::GetLastError();
            return false;
        }
        if (done == 0) {
            failure = ERROR_DISK_FULL;
            return false;
        }
        data += done;
        size -= done;
    }
    return true;
}

class Win32InputFile final : public InputFile {
public:
    explicit Win32InputFile(HANDLE file) : file(file) {}

    std::ptrdiff_t Read(char* buffer, std::size_t capacity) override {
        DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(capacity, 1u << 30));
        DWORD got = 0;
        if (!::ReadFile(file.value, buffer, chunk, &got, nullptr)) return -1;
        return static_cast<std::ptrdiff_t>(got);
    }

private:
    Handle file;
};

class Win32OutputFile final : public OutputFile {
public:
    explicit Win32OutputFile(HANDLE file) : file(file) {}

    bool Write(const char* data, std::size_t size) override {
        if (failure != 0) return false;
        return WriteAll(file.value, data, size, failure);
    }

    bool Close() override {
        if (!file.Close() && failure == 0) failure = ::GetLastError();
        return failure == 0;
    }

    FileError LastError() const override {
        return failure == 0 ? FileError::none : ErrorFromWin32(failure);
    }

private:
    Handle file;
    DWORD failure = 0;
};

// Makes room for `newSize` bytes in an open file of `oldSize` bytes without
// touching its contents, so that a full disk is found before anything is
// overwritten. On failure the file keeps its old size.
bool ReserveSpace(HANDLE file, std::uint64_t oldSize, std::uint64_t newSize, DWORD& failure) {
    if (newSize <= oldSize) return true;
    FILE_ALLOCATION_INFO allocation;
    allocation.AllocationSize.QuadPart = static_cast<LONGLONG>(newSize);
    if (::SetFileInformationByHandle(file, FileAllocationInfo, &allocation, sizeof allocation)) {
        return true;
    }
    failure = ::GetLastError();
    if (ErrorFromWin32(failure) == FileError::diskFull ||
        ErrorFromWin32(failure) == FileError::quotaFull) {
        return false;
    }
    // No allocation call here (Wine has none): write zeros into the growth
    // itself, which takes the space on every file system.
    static const char kZeros[65536] = {};
    if (!SeekTo(file, oldSize)) {
        failure = ::GetLastError();
        return false;
    }
    for (std::uint64_t at = oldSize; at < newSize;) {
        std::size_t chunk =
            static_cast<std::size_t>(std::min<std::uint64_t>(newSize - at, sizeof kZeros));
        if (!WriteAll(file, kZeros, chunk, failure)) {
            SetSize(file, oldSize);
            return false;
        }
        at += chunk;
    }
    return true;
}

constexpr DWORD kCopyBlock = 1 << 20;

bool CopyBytes(HANDLE in, HANDLE out, DWORD& failure) {
    static thread_local std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
    if (!SeekTo(in, 0) || !SeekTo(out, 0)) {
        failure = ::GetLastError();
        return false;
    }
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(in, buffer.get(), kCopyBlock, &got, nullptr)) {
            failure = ::GetLastError();
            return false;
        }
        if (got == 0) return true;
        if (!WriteAll(out, buffer.get(), got, failure)) return false;
    }
}

// Copies the open `in` over the existing `destination` in place, so the
// destination keeps its identity, attributes, creation time and links. The
// space is reserved first, so a full disk leaves the old contents whole.
bool CopyInPlace(HANDLE in, const std::string& destination, DWORD& failure) {
    BY_HANDLE_FILE_INFORMATION source;
    if (!::GetFileInformationByHandle(in, &source)) {
        failure = ::GetLastError();
        return false;
    }
    Handle out(::CreateFileA(destination.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    BY_HANDLE_FILE_INFORMATION target;
    if (!out.Valid() || !::GetFileInformationByHandle(out.value, &target)) {
        failure = ::GetLastError();
        return false;
    }
    if ((target.dwFileAttributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
        failure = ERROR_ACCESS_DENIED;
        return false;
    }
    if (target.dwVolumeSerialNumber == source.dwVolumeSerialNumber &&
        target.nFileIndexHigh == source.nFileIndexHigh &&
        target.nFileIndexLow == source.nFileIndexLow) {
        failure = ERROR_INVALID_PARAMETER;
        return false;
    }
    std::uint64_t oldSize = Size(target.nFileSizeHigh, target.nFileSizeLow);
    std::uint64_t newSize = Size(source.nFileSizeHigh, source.nFileSizeLow);
    bool ok =
        ReserveSpace(out.value, oldSize, newSize, failure) && CopyBytes(in, out.value, failure);
    if (ok && newSize < oldSize && !SetSize(out.value, newSize)) {
        failure = ::GetLastError();
        ok = false;
    }
    if (!out.Close() && ok) {
        failure = ::GetLastError();
        ok = false;
    }
    return ok;
}

// The new contents are written to the temporary file and renamed over the
// destination, so a crash at any moment leaves either the old file or the new
// one. The temporary file is opened sharing reading and deletion only: no
// other run can open it for writing, which is the lock, while the rename and
// readers can.
// A destination with several hard links, or reached through a link, is
// overwritten in place instead (after its space has been reserved), so that
// the links keep sharing it.
class Win32ReplacementFile final : public ReplacementFile {
public:
    Win32ReplacementFile(HANDLE file, std::string path) : file(file), path(std::move(path)) {}

    bool Write(const char* data, std::size_t size) override {
        if (failure != 0) return false;
        return WriteAll(file.value, data, size, failure);
    }

    bool Close() override {
        if (!file.Close() && failure == 0) failure = ::GetLastError();
        return failure == 0;
    }

    FileError LastError() const override {
        return failure == 0 ? FileError::none : ErrorFromWin32(failure);
    }

    bool ReplaceInto(const std::string& destination, FileError& error) override {
        DWORD code = 0;
        bool ok = Replace(destination, code);
        error = ok ? FileError::none : ErrorFromWin32(code);
        return ok;
    }

    void Discard() override {
        // Deleted while still open, so the name stays locked until it is gone.
        if (file.Valid()) ::DeleteFileA(path.c_str());
        file.Close();
    }

private:
    bool Replace(const std::string& destination, DWORD& code) {
        if (!file.Valid() || failure != 0) {
            code = failure != 0 ? failure : ERROR_INVALID_HANDLE;
            return false;
        }
        WIN32_FILE_ATTRIBUTE_DATA named;
        if (!::GetFileAttributesExA(destination.c_str(), GetFileExInfoStandard, &named)) {
            code = ::GetLastError();
            return false;
        }
        Handle query(OpenForQuery(destination));
        BY_HANDLE_FILE_INFORMATION target;
        if (!query.Valid() || !::GetFileInformationByHandle(query.value, &target)) {
            code = ::GetLastError();
            return false;
        }
        query.Close();
        if (((named.dwFileAttributes | target.dwFileAttributes) &
             (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
            code = ERROR_ACCESS_DENIED;
            return false;
        }
        bool inPlace = target.nNumberOfLinks > 1 ||
                       (named.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
        if (!inPlace) {
            // The new file takes over the old one's attributes and creation time.
            FILE_BASIC_INFO basic{};
            basic.CreationTime.LowPart = target.ftCreationTime.dwLowDateTime;
            basic.CreationTime.HighPart = static_cast<LONG>(target.ftCreationTime.dwHighDateTime);
            DWORD attributes = target.dwFileAttributes & (0xFF | kSettableHighAttributes);
            basic.FileAttributes = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
            if (!::SetFileInformationByHandle(file.value, FileBasicInfo, &basic, sizeof basic) ||
                !::FlushFileBuffers(file.value)) {
                code = ::GetLastError();
                return false;
            }
            if (::MoveFileExA(path.c_str(), destination.c_str(),
                              MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
                Close();
                return true;
            }
            code = ::GetLastError();
            if (code != ERROR_NOT_SAME_DEVICE) return false;
            // The destination lies on another volume: copy in place.
        }
        if (!CopyInPlace(file.value, destination, code)) return false;
        Discard();
        return true;
    }

    Handle file;
    std::string path;
    DWORD failure = 0;
};

class Win32FileServices final : public FileServices {
public:
    // The platform's own matching: without regard to case, and against the
    // short 8.3 names as well where the file system keeps them. The names are
    // sorted in byte order all the same, so that a run visits files in the
    // same order on every file system (FAT and Wine list in directory order).
    bool ListDirectory(std::string_view pattern, std::vector<std::string>& names) override {
        names.clear();
        // A pattern naming another directory would list names that are not
        // here; it matches nothing, as it does on POSIX.
        if (pattern.find_first_of("\\/:") != std::string_view::npos) return true;
        WIN32_FIND_DATAA entry;
        HANDLE find = ::FindFirstFileA(std::string(pattern).c_str(), &entry);
        if (find == INVALID_HANDLE_VALUE) {
            DWORD code = ::GetLastError();
            return code == ERROR_FILE_NOT_FOUND || code == ERROR_NO_MORE_FILES;
        }
        do {
            std::string_view name = entry.cFileName;
            if (name != "." && name != "..") names.emplace_back(name);
        } while (::FindNextFileA(find, &entry));
        DWORD code = ::GetLastError();
        ::FindClose(find);
        std::sort(names.begin(), names.end());
        return code == ERROR_NO_MORE_FILES;
    }

    bool GetCurrentDirectory(std::string& path) override {
        for (;;) {
            DWORD size = ::GetCurrentDirectoryA(0, nullptr);
            if (size == 0) return false;
            std::string buffer(size, '\0');
            DWORD got = ::GetCurrentDirectoryA(size, buffer.data());
            if (got == 0) return false;
            if (got < size) {
                buffer.resize(got);
                path = std::move(buffer);
                return true;
            }
            // It changed in between and grew: ask again.
        }
    }

    bool SetCurrentDirectory(const std::string& path) override {
        return ::SetCurrentDirectoryA(path.c_str()) != 0;
    }

    // The attributes, times and size come through links from the file itself;
    // the handle query adds the identity (volume and file index).
    bool GetStatus(const std::string& name, FileStatus& status) override {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!::GetFileAttributesExA(name.c_str(), GetFileExInfoStandard, &data)) return false;
        DWORD attributes = data.dwFileAttributes;
        FILETIME creation = data.ftCreationTime;
        FILETIME access = data.ftLastAccessTime;
        FILETIME modification = data.ftLastWriteTime;
        std::uint64_t size = Size(data.nFileSizeHigh, data.nFileSizeLow);
        status.device = 0;
        status.fileNumber = 0;
        Handle query(OpenForQuery(name));
        BY_HANDLE_FILE_INFORMATION info;
        if (query.Valid() && ::GetFileInformationByHandle(query.value, &info)) {
            attributes = info.dwFileAttributes;
            creation = info.ftCreationTime;
            access = info.ftLastAccessTime;
            modification = info.ftLastWriteTime;
            size = Size(info.nFileSizeHigh, info.nFileSizeLow);
            status.device = info.dwVolumeSerialNumber;
            status.fileNumber = Size(info.nFileIndexHigh, info.nFileIndexLow);
        } else if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
            return false;  // a link whose target is missing
        }
        status.creationTime = Nanoseconds(creation);
        status.accessTime = Nanoseconds(access);
        status.modificationTime = Nanoseconds(modification);
        status.size = size;
        status.attributeByte = static_cast<std::uint8_t>(attributes & 0xFF);
        status.permissionBits = 0;
        char full[MAX_PATH + 1];
        DWORD length = ::GetFullPathNameA(name.c_str(), sizeof full, full, nullptr);
        status.fullPathName = length > 0 && length < sizeof full ? std::string(full, length) : name;
        return true;
    }

    // Junctions and symbolic links to directories.
    bool IsLinkToDirectory(const std::string& name) override {
        DWORD attributes = ::GetFileAttributesA(name.c_str());
        constexpr DWORD kLinkedDirectory = FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY;
        return attributes != INVALID_FILE_ATTRIBUTES &&
               (attributes & kLinkedDirectory) == kLinkedDirectory;
    }

    // The times first: a file made read-only keeps taking new times, but not
    // every file system lets a read-only file's times be changed after.
    bool SetStatus(const std::string& name, const FileStatus& status) override {
        bool ok = true;
        if (status.creationTime != 0 || status.accessTime != 0 || status.modificationTime != 0) {
            Handle file(::CreateFileA(name.c_str(), FILE_WRITE_ATTRIBUTES, kShareAll, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            FILETIME creation = FromNanoseconds(status.creationTime);
            FILETIME access = FromNanoseconds(status.accessTime);
            FILETIME modification = FromNanoseconds(status.modificationTime);
            ok = file.Valid() &&
                 ::SetFileTime(file.value, status.creationTime != 0 ? &creation : nullptr,
                               status.accessTime != 0 ? &access : nullptr,
                               status.modificationTime != 0 ? &modification : nullptr);
        }
        DWORD current = ::GetFileAttributesA(name.c_str());
        if (current == INVALID_FILE_ATTRIBUTES) return false;
        DWORD attributes = (current & kSettableHighAttributes) |
                           (status.attributeByte & ~static_cast<DWORD>(FileStatus::kDirectory));
        if (attributes == 0) attributes = FILE_ATTRIBUTE_NORMAL;
        return ::SetFileAttributesA(name.c_str(), attributes) != 0 && ok;
    }

    std::unique_ptr<InputFile> OpenRead(const std::string& name, FileError& error) override {
        HANDLE file = ::CreateFileA(name.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = ErrorFromWin32(::GetLastError());
            return nullptr;
        }
        error = FileError::none;
        return std::make_unique<Win32InputFile>(file);
    }

    // OPEN_ALWAYS and then emptying, because CREATE_ALWAYS refuses an
    // existing hidden or system file.
    std::unique_ptr<OutputFile> OpenWrite(const std::string& name, FileError& error) override {
        if (IsReadOnly(name)) {
            error = FileError::accessDenied;
            return nullptr;
        }
        Handle file(::CreateFileA(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                  OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid() || !SetSize(file.value, 0)) {
            error = ErrorFromWin32(::GetLastError());
            return nullptr;
        }
        error = FileError::none;
        auto output = std::make_unique<Win32OutputFile>(file.value);
        file.value = INVALID_HANDLE_VALUE;
        return output;
    }

    // Append-only access: every write lands at the end, whoever else writes.
    std::unique_ptr<OutputFile> OpenAppend(const std::string& name, FileError& error) override {
        if (IsReadOnly(name)) {
            error = FileError::accessDenied;
            return nullptr;
        }
        HANDLE file = ::CreateFileA(name.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) {
            error = ErrorFromWin32(::GetLastError());
            return nullptr;
        }
        error = FileError::none;
        return std::make_unique<Win32OutputFile>(file);
    }

    // A run that died left its temporary file unlocked (the system closed its
    // handle), so such a file is simply taken over and emptied.
    std::unique_ptr<ReplacementFile> CreateReplacement(const std::string& name,
                                                       FileError& error) override {
        Handle file(::CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                                  FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file.Valid() || !SetSize(file.value, 0)) {
            error = ErrorFromWin32(::GetLastError());
            return nullptr;
        }
        error = FileError::none;
        auto replacement = std::make_unique<Win32ReplacementFile>(file.value, name);
        file.value = INVALID_HANDLE_VALUE;
        return replacement;
    }

    // A new destination is made by CopyFileA, which gives it the source's
    // attributes. An existing one is overwritten in place, so it keeps its
    // identity and links and a full disk cannot leave it half written.
    bool CopyFile(const std::string& source, const std::string& destination,
                  FileError& error) override {
        DWORD code = 0;
        bool ok = Copy(source, destination, code);
        error = ok ? FileError::none : ErrorFromWin32(code);
        return ok;
    }


private:
    static bool Copy(const std::string& source, const std::string& destination, DWORD& code) {
        DWORD attributes = ::GetFileAttributesA(destination.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES) {
            code = ::GetLastError();
            if (code != ERROR_FILE_NOT_FOUND) return false;
            if (::CopyFileA(source.c_str(), destination.c_str(), FALSE)) return true;
            code = ::GetLastError();
            FileError error = ErrorFromWin32(code);
            if (error == FileError::diskFull || error == FileError::quotaFull ||
                error == FileError::ioError) {
                ::DeleteFileA(destination.c_str());  // the part that was written
            }
            return false;
        }
        if ((attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0) {
            code = ERROR_ACCESS_DENIED;
            return false;
        }
        Handle in(::CreateFileA(source.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        if (!in.Valid()) {
            code = ::GetLastError();
            return false;
        }
        return CopyInPlace(in.value, destination, code);
    }
};

}  // namespace

FileServices& PlatformFileServices() {
    static Win32FileServices services;
    return services;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (path.empty() || (path.back() != '\\' && path.back() != '/')) path += '\\';
    path += name;
    return path;
}

}  // namespace tavro
