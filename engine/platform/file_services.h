#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tavro {

// Why a file operation failed, in the terms the programs report to users.
enum class FileError {
    none,
    notFound,      // a missing file or directory on the path
    accessDenied,  // permissions, a read-only file or file system
    diskFull,
    quotaFull,
    ioError,
    nameTooLong,
    locked,        // held by another live run
    other,
};

// The status of one file: times, size, attribute bits and identity.
struct FileStatus {
    static constexpr std::uint8_t kReadOnly = 0x01;
    static constexpr std::uint8_t kDirectory = 0x10;

    std::int64_t creationTime = 0;  // nanoseconds since the epoch; 0 where the platform has none
    std::int64_t accessTime = 0;
    std::int64_t modificationTime = 0;
    std::uint64_t size = 0;
    std::uint8_t attributeByte = 0;
    bool special = false;              // a pipe, socket or device, never read as text
    std::uint32_t permissionBits = 0;  // POSIX mode bits, restored with the times
    std::uint64_t device = 0;          // device and file number identify a file
    std::uint64_t fileNumber = 0;      // across names (hard links, symbolic links)
    std::string fullPathName;

    bool IsDirectory() const { return (attributeByte & kDirectory) != 0; }
    bool IsReadOnly() const { return (attributeByte & kReadOnly) != 0; }
    bool IsSpecial() const { return special; }
    bool SameFileAs(const FileStatus& other) const {
        return device == other.device && fileNumber == other.fileNumber;
    }
};

// A file open for reading raw bytes.
class InputFile {
public:
    virtual ~InputFile() = default;
    // Bytes read into `buffer`, 0 at the end of the file, -1 on an error.
    virtual std::ptrdiff_t Read(char* buffer, std::size_t capacity) = 0;
};

// A file open for writing raw bytes. Every failure is remembered.
class OutputFile {
public:
    virtual ~OutputFile() = default;
    virtual bool Write(const char* data, std::size_t size) = 0;
    // Flushes and closes; false when any write failed or the close did.
    virtual bool Close() = 0;
    virtual FileError LastError() const = 0;
};

// A temporary file whose contents will replace another file whole. While it
// exists it is locked against other runs using the same name.
class ReplacementFile : public OutputFile {
public:
    // Puts the written contents in place of `destination` all-or-nothing:
    // afterwards the destination holds either its old or its new contents,
    // whatever happens to the process or the machine, and the temporary name
    // is gone. The destination keeps its permissions, owner and links.
    // Refused without writing onto a read-only destination.
    virtual bool ReplaceInto(const std::string& destination, FileError& error) = 0;
    // Removes the temporary file when it was not put in place; does nothing
    // after a successful ReplaceInto.
    virtual void Discard() = 0;
};

// A directory held open by path, whatever the current directory is later,
// for reading the files in it from any thread.
class DirectoryHandle {
public:
    virtual ~DirectoryHandle() = default;
    // Opens the plain file `name` for reading and fills in its status; fails
    // at once for directories, pipes and devices rather than waiting on them.
    virtual std::unique_ptr<InputFile> OpenPlainFile(const std::string& name, FileStatus& status) = 0;
};

// The file system, the clock and the current directory as the engine uses
// them. Tests substitute a subclass where a real file system cannot be made to
// fail on demand (a full disk, a copy that fails halfway).
class FileServices {
public:
    virtual ~FileServices() = default;

    // Names in the current directory that match a wildcard pattern (`*` any run,
    // `?` one character, `*.*` every name), "." and ".." excluded. The whole
    // listing is read before it is returned, sorted in byte order of the names.
    virtual bool ListDirectory(std::string_view pattern, std::vector<std::string>& names) = 0;

    // The real subdirectories of the current directory (not links to one),
    // in byte order of their names, with the names of entries whose kind
    // could not be read in `unreadable`. Services that can tell an entry's
    // kind from the listing itself override this to save a status query each.
    virtual bool ListSubdirectories(std::vector<std::string>& names,
                                    std::vector<std::string>& unreadable);
    // Both of the above from one reading of the directory: the names that
    // match `pattern`, and the subdirectories with the unreadable entries.
    // The default reads the directory twice.
    virtual bool ListDirectoryAndSubdirectories(std::string_view pattern,
                                                std::vector<std::string>& names,
                                                std::vector<std::string>& subdirectories,
                                                std::vector<std::string>& unreadable);

    virtual bool GetCurrentDirectory(std::string& path) = 0;
    virtual bool SetCurrentDirectory(const std::string& path) = 0;

    // Status through symbolic links.
    virtual bool GetStatus(const std::string& name, FileStatus& status) = 0;
    // Whether `name` is itself a symbolic link to a directory (never descended).
    virtual bool IsLinkToDirectory(const std::string& name) = 0;
    // Restores the attribute byte's read-only bit, the permission bits and the times.
    virtual bool SetStatus(const std::string& name, const FileStatus& status) = 0;

    virtual std::unique_ptr<InputFile> OpenRead(const std::string& name, FileError& error) = 0;
    // Null when the directory cannot be opened. The default joins paths and
    // asks for each file's status first.
    virtual std::unique_ptr<DirectoryHandle> OpenDirectory(const std::string& path);
    // Creates or empties a file for writing.
    virtual std::unique_ptr<OutputFile> OpenWrite(const std::string& name, FileError& error) = 0;
    virtual std::unique_ptr<OutputFile> OpenAppend(const std::string& name, FileError& error) = 0;

    // Creates `name` (or takes over a stale one left by a run that died) for
    // writing new contents, locked against other live runs: a name that
    // another run holds fails with FileError::locked and is left untouched.
    virtual std::unique_ptr<ReplacementFile> CreateReplacement(const std::string& name,
                                                               FileError& error) = 0;

    // Copies `source` over `destination`, replacing its contents and keeping its
    // identity (permissions, owner, links); a new destination gets the source's
    // permission bits. Fails without writing onto a read-only destination, and
    // leaves the old contents whole when the new ones cannot be put in place.
    virtual bool CopyFile(const std::string& source, const std::string& destination,
                          FileError& error) = 0;
};

// The services of the platform the program runs on.
FileServices& PlatformFileServices();

// Joins a directory and a name with the platform's separator.
std::string JoinPath(std::string_view directory, std::string_view name);

}  // namespace tavro
