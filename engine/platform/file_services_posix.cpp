#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cerrno>
#include <memory>

#include "engine/platform/file_services.h"
#include "engine/platform/wildcard.h"

namespace tavro {
namespace {

FileError ErrorFromErrno(int code) {
    switch (code) {
        case ENOENT:
        case ENOTDIR: return FileError::notFound;
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR: return FileError::accessDenied;
        case ENOSPC: return FileError::diskFull;
        case EDQUOT: return FileError::quotaFull;
        case EIO: return FileError::ioError;
        case ENAMETOOLONG: return FileError::nameTooLong;
        default: return FileError::other;
    }
}

std::int64_t Nanoseconds(const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

timespec FromNanoseconds(std::int64_t value) {
    timespec time{};
    time.tv_sec = static_cast<time_t>(value / 1'000'000'000);
    time.tv_nsec = static_cast<long>(value % 1'000'000'000);
    return time;
}

void FillStatus(const struct stat& info, FileStatus& status) {
    status.accessTime = Nanoseconds(info.st_atim);
    status.modificationTime = Nanoseconds(info.st_mtim);
    status.creationTime = 0;
    status.size = static_cast<std::uint64_t>(info.st_size);
    status.permissionBits = info.st_mode & 07777;
    status.attributeByte = 0;
    if (S_ISDIR(info.st_mode)) status.attributeByte |= FileStatus::kDirectory;
    status.special = !S_ISDIR(info.st_mode) && !S_ISREG(info.st_mode);
    if ((info.st_mode & S_IWUSR) == 0) status.attributeByte |= FileStatus::kReadOnly;
    status.device = static_cast<std::uint64_t>(info.st_dev);
    status.fileNumber = static_cast<std::uint64_t>(info.st_ino);
}

class PosixInputFile final : public InputFile {
public:
    explicit PosixInputFile(int fd) : fd(fd) {}
    ~PosixInputFile() override { ::close(fd); }

    std::ptrdiff_t Read(char* buffer, std::size_t capacity) override {
        for (;;) {
            ssize_t got = ::read(fd, buffer, capacity);
            if (got >= 0 || errno != EINTR) return got;
        }
    }

private:
    int fd;
};

// Writes everything or reports why not; a short write is retried.
bool WriteAll(int fd, const char* data, std::size_t size, int& failure) {
    while (size > 0) {
        ssize_t done = ::write(fd, data, size);
        if (done < 0) {
            if (errno == EINTR) continue;
            failure = errno;
            return false;
        }
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

class PosixOutputFile final : public OutputFile {
public:
    explicit PosixOutputFile(int fd) : fd(fd) {}
    ~PosixOutputFile() override {
        if (fd >= 0) ::close(fd);
    }

    bool Write(const char* data, std::size_t size) override {
        if (failure != 0) return false;
        return WriteAll(fd, data, size, failure);
    }

    bool Close() override {
        if (fd < 0) return failure == 0;
        if (::close(fd) != 0 && failure == 0) failure = errno;
        fd = -1;
        return failure == 0;
    }

    FileError LastError() const override {
        return failure == 0 ? FileError::none : ErrorFromErrno(failure);
    }

private:
    int fd;
    int failure = 0;
};

// Closes a descriptor on every path out of a function.
struct Descriptor {
    int fd = -1;
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
};

// Makes room for `newSize` bytes in an open file of `oldSize` bytes without
// touching its contents, so that a full disk is found before anything is
// overwritten. On failure the file keeps its old size.
bool ReserveSpace(int fd, off_t oldSize, off_t newSize, int& failure) {
    if (newSize <= oldSize) return true;
#ifdef __linux__
    if (::fallocate(fd, 0, oldSize, newSize - oldSize) == 0) return true;
    if (errno != EOPNOTSUPP && errno != ENOSYS) {
        failure = errno;
        return false;
    }
#endif
    // No allocation call here: write zeros into the growth itself.
    static const char kZeros[65536] = {};
    for (off_t at = oldSize; at < newSize;) {
        std::size_t chunk = static_cast<std::size_t>(std::min<off_t>(newSize - at, sizeof kZeros));
        ssize_t done = ::pwrite(fd, kZeros, chunk, at);
        if (done < 0 && errno == EINTR) continue;
        if (done <= 0) {
            failure = done < 0 ? errno : ENOSPC;
            [[maybe_unused]] int ignored = ::ftruncate(fd, oldSize);
            return false;
        }
        at += done;
    }
    return true;
}

constexpr std::size_t kCopyBlock = 1 << 20;

bool CopyBytes(int in, int out, int& failure) {
    static thread_local std::unique_ptr<char[]> buffer(new char[kCopyBlock]);
    off_t at = 0;
    for (;;) {
        ssize_t got = ::read(in, buffer.get(), kCopyBlock);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            failure = errno;
            return false;
        }
        if (got == 0) return true;
        for (ssize_t done = 0; done < got;) {
            ssize_t wrote = ::pwrite(out, buffer.get() + done, got - done, at + done);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) {
                failure = wrote < 0 ? errno : ENOSPC;
                return false;
            }
            done += wrote;
        }
        at += got;
    }
}


// Copies `source` over `destination` in place, so an existing destination
// keeps its inode, permissions, owner and links; its read-only bit refuses the
// copy even for root, which the backup fallback relies on. The space is
// reserved first, so a full disk leaves the old contents whole.
bool CopyInPlace(const std::string& source, const std::string& destination, int& failure) {
    Descriptor in{::open(source.c_str(), O_RDONLY | O_CLOEXEC)};
    struct stat sourceInfo {};
    if (in.fd < 0 || ::fstat(in.fd, &sourceInfo) != 0) {
        failure = errno;
        return false;
    }
    Descriptor out;
    bool created = false;
    struct stat destinationInfo {};
    if (::stat(destination.c_str(), &destinationInfo) == 0) {
        if (S_ISDIR(destinationInfo.st_mode) || (destinationInfo.st_mode & S_IWUSR) == 0) {
            failure = EACCES;
            return false;
        }
        if (destinationInfo.st_dev == sourceInfo.st_dev &&
            destinationInfo.st_ino == sourceInfo.st_ino) {
            failure = EINVAL;
            return false;
        }
        out.fd = ::open(destination.c_str(), O_WRONLY | O_CLOEXEC);
    } else if (errno == ENOENT) {
        out.fd = ::open(destination.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC,
                        sourceInfo.st_mode & 0777);
        created = out.fd >= 0;
        destinationInfo.st_size = 0;
    } else {
        failure = errno;
        return false;
    }
    if (out.fd < 0) {
        failure = errno;
        return false;
    }
    bool ok = ReserveSpace(out.fd, destinationInfo.st_size, sourceInfo.st_size, failure) &&
              CopyBytes(in.fd, out.fd, failure);
    if (ok && sourceInfo.st_size < destinationInfo.st_size &&
        ::ftruncate(out.fd, sourceInfo.st_size) != 0) {
        failure = errno;
        ok = false;
    }
    if (::close(out.fd) != 0 && ok) {
        failure = errno;
        ok = false;
    }
    out.fd = -1;
    if (!ok && created) ::unlink(destination.c_str());
    return ok;
}

// The directory part of a path, for flushing the directory entry of a rename.
std::string DirectoryOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The new contents are written to the temporary file and renamed over the
// destination, so a crash at any moment leaves either the old file or the new
// one. A destination with several hard links is overwritten in place instead
// (after its space has been reserved), so that the links keep sharing it.
class PosixReplacementFile final : public ReplacementFile {
public:
    // `created` is the temporary file's status as opened.
    PosixReplacementFile(int fd, std::string path, const struct stat& created)
        : fd(fd), path(std::move(path)), mode(created.st_mode & 07777), owner(created.st_uid),
          group(created.st_gid) {}
    ~PosixReplacementFile() override {
        if (fd >= 0) ::close(fd);
    }

    bool Write(const char* data, std::size_t size) override {
        if (failure != 0) return false;
        return WriteAll(fd, data, size, failure);
    }

    bool Close() override {
        if (fd >= 0 && ::close(fd) != 0 && failure == 0) failure = errno;
        fd = -1;
        return failure == 0;
    }

    FileError LastError() const override {
        return failure == 0 ? FileError::none : ErrorFromErrno(failure);
    }

    bool ReplaceInto(const std::string& destination, FileError& error) override {
        int code = 0;
        bool ok = Replace(destination, code);
        error = ok ? FileError::none : ErrorFromErrno(code);
        return ok;
    }

    // Only while the file is still ours: once renamed, the name may already
    // belong to another run.
    void Discard() override {
        if (fd < 0) return;
        ::unlink(path.c_str());
        Close();
    }

private:
    bool Replace(const std::string& destination, int& code) {
        if (fd < 0 || failure != 0) {
            code = failure != 0 ? failure : EBADF;
            return false;
        }
        struct stat target {};
        if (::lstat(destination.c_str(), &target) != 0) {
            code = errno;
            return false;
        }
        const bool link = S_ISLNK(target.st_mode);
        if (link && ::stat(destination.c_str(), &target) != 0) {
            code = errno;
            return false;
        }
        if (S_ISDIR(target.st_mode) || (target.st_mode & S_IWUSR) == 0) {
            code = EACCES;
            return false;
        }
        // The name to rename over: a symbolic link's target, so the link stays.
        std::string renameTo = destination;
        if (link) {
            char* resolved = ::realpath(destination.c_str(), nullptr);
            if (resolved == nullptr) {
                code = errno;
                return false;
            }
            renameTo = resolved;
            std::free(resolved);
        }
        static const uid_t self = ::geteuid();
        bool inPlace = target.st_nlink > 1 || (self != 0 && target.st_uid != self);
        if (!inPlace) {
            bool sameMode = (target.st_mode & 07777) == mode;
            bool sameOwner = target.st_uid == owner && target.st_gid == group;
            if ((!sameMode && ::fchmod(fd, target.st_mode & 07777) != 0) ||
                (self == 0 && !sameOwner && ::fchown(fd, target.st_uid, target.st_gid) != 0) ||
                ::fsync(fd) != 0) {
                code = errno;
                return false;
            }
            if (::rename(path.c_str(), renameTo.c_str()) == 0) {
                Descriptor directory{::open(DirectoryOf(renameTo).c_str(), O_RDONLY | O_CLOEXEC)};
                if (directory.fd >= 0) ::fsync(directory.fd);
                Close();
                return true;
            }
            if (errno != EXDEV) {
                code = errno;
                return false;
            }
            // A link whose target lies on another file system: copy in place.
        }
        if (!CopyInPlace(path, destination, code)) return false;
        Discard();
        return true;
    }

    int fd;
    std::string path;
    mode_t mode;
    uid_t owner;
    gid_t group;
    int failure = 0;
};

// Files are opened relative to the held directory: one name to look up, not
// a whole path, and no status query before the open.
class PosixDirectory final : public DirectoryHandle {
public:
    explicit PosixDirectory(int fd) : fd(fd) {}
    ~PosixDirectory() override { ::close(fd); }

    std::unique_ptr<InputFile> OpenPlainFile(const std::string& name, FileStatus& status) override {
        Descriptor file{::openat(fd, name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC)};
        struct stat info {};
        if (file.fd < 0 || ::fstat(file.fd, &info) != 0 || !S_ISREG(info.st_mode)) return nullptr;
        FillStatus(info, status);
        auto input = std::make_unique<PosixInputFile>(file.fd);
        file.fd = -1;
        return input;
    }

private:
    int fd;
};

class PosixFileServices final : public FileServices {
public:
    bool ListDirectory(std::string_view pattern, std::vector<std::string>& names) override {
        names.clear();
        DIR* directory = ::opendir(".");
        if (directory == nullptr) return false;
        while (dirent* entry = ::readdir(directory)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (WildcardMatch(pattern, name)) names.emplace_back(name);
        }
        ::closedir(directory);
        std::sort(names.begin(), names.end());
        return true;
    }

    bool ListSubdirectories(std::vector<std::string>& names,
                            std::vector<std::string>& unreadable) override {
        std::vector<std::string> none;
        return ListDirectoryAndSubdirectories("", none, names, unreadable);
    }

    // The listing says which entries are directories; only entries of an
    // unknown kind need a status query.
    bool ListDirectoryAndSubdirectories(std::string_view pattern, std::vector<std::string>& names,
                                        std::vector<std::string>& subdirectories,
                                        std::vector<std::string>& unreadable) override {
        names.clear();
        subdirectories.clear();
        unreadable.clear();
        DIR* directory = ::opendir(".");
        if (directory == nullptr) return false;
        while (dirent* entry = ::readdir(directory)) {
            std::string_view name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (WildcardMatch(pattern, name)) names.emplace_back(name);
            unsigned char kind = entry->d_type;
            if (kind == DT_UNKNOWN) {
                struct stat info {};
                if (::lstat(entry->d_name, &info) != 0) {
                    unreadable.emplace_back(name);
                    continue;
                }
                kind = S_ISDIR(info.st_mode) ? DT_DIR : DT_REG;
            }
            if (kind == DT_DIR) subdirectories.emplace_back(name);
        }
        ::closedir(directory);
        std::sort(names.begin(), names.end());
        std::sort(subdirectories.begin(), subdirectories.end());
        std::sort(unreadable.begin(), unreadable.end());
        return true;
    }

    bool GetCurrentDirectory(std::string& path) override {
        std::string buffer(4096, '\0');
        for (;;) {
            if (::getcwd(buffer.data(), buffer.size()) != nullptr) {
                path.assign(buffer.c_str());
                return true;
            }
            if (errno != ERANGE) return false;
            buffer.resize(buffer.size() * 2);
        }
    }

    bool SetCurrentDirectory(const std::string& path) override {
        return ::chdir(path.c_str()) == 0;
    }

    bool GetStatus(const std::string& name, FileStatus& status) override {
        struct stat info {};
        if (::stat(name.c_str(), &info) != 0) return false;
        FillStatus(info, status);
        return true;
    }

    bool IsLinkToDirectory(const std::string& name) override {
        struct stat info {};
        if (::lstat(name.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) return false;
        return ::stat(name.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }

    bool SetStatus(const std::string& name, const FileStatus& status) override {
        mode_t mode = status.permissionBits & 07777;
        if (status.IsReadOnly()) {
            mode &= ~static_cast<mode_t>(S_IWUSR);
        } else {
            mode |= S_IWUSR;
        }
        bool ok = ::chmod(name.c_str(), mode) == 0;
        if (status.accessTime != 0 || status.modificationTime != 0) {
            timespec times[2] = {FromNanoseconds(status.accessTime),
                                 FromNanoseconds(status.modificationTime)};
            if (status.accessTime == 0) times[0].tv_nsec = UTIME_OMIT;
            if (status.modificationTime == 0) times[1].tv_nsec = UTIME_OMIT;
            ok = ::utimensat(AT_FDCWD, name.c_str(), times, 0) == 0 && ok;
        }
        return ok;
    }

    std::unique_ptr<InputFile> OpenRead(const std::string& name, FileError& error) override {
        int fd = ::open(name.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            error = ErrorFromErrno(errno);
            return nullptr;
        }
        error = FileError::none;
        return std::make_unique<PosixInputFile>(fd);
    }

    std::unique_ptr<DirectoryHandle> OpenDirectory(const std::string& path) override {
        int fd = ::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) return nullptr;
        return std::make_unique<PosixDirectory>(fd);
    }

    std::unique_ptr<OutputFile> OpenWrite(const std::string& name, FileError& error) override {
        return OpenOutput(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, error);
    }

    std::unique_ptr<OutputFile> OpenAppend(const std::string& name, FileError& error) override {
        return OpenOutput(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, error);
    }

    std::unique_ptr<ReplacementFile> CreateReplacement(const std::string& name,
                                                       FileError& error) override {
        // The lock is taken before the file is emptied, and the name must still
        // be the file that was locked: another run may have just renamed it.
        for (int attempt = 0; attempt < 10; ++attempt) {
            Descriptor file{::open(name.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0600)};
            if (file.fd < 0) {
                error = ErrorFromErrno(errno);
                return nullptr;
            }
            if (::flock(file.fd, LOCK_EX | LOCK_NB) != 0) {
                error = errno == EWOULDBLOCK ? FileError::locked : ErrorFromErrno(errno);
                return nullptr;
            }
            struct stat opened {};
            struct stat named {};
            if (::fstat(file.fd, &opened) != 0) break;
            if (::stat(name.c_str(), &named) != 0 || named.st_ino != opened.st_ino ||
                named.st_dev != opened.st_dev) {
                continue;
            }
            if (opened.st_size != 0 && ::ftruncate(file.fd, 0) != 0) break;
            error = FileError::none;
            auto replacement = std::make_unique<PosixReplacementFile>(file.fd, name, opened);
            file.fd = -1;
            return replacement;
        }
        error = ErrorFromErrno(errno);
        return nullptr;
    }

    bool CopyFile(const std::string& source, const std::string& destination,
                  FileError& error) override {
        int failure = 0;
        bool ok = CopyInPlace(source, destination, failure);
        error = ok ? FileError::none : ErrorFromErrno(failure);
        return ok;
    }


private:
    static std::unique_ptr<OutputFile> OpenOutput(const std::string& name, int flags,
                                                  FileError& error) {
        int fd = ::open(name.c_str(), flags, 0666);
        if (fd < 0) {
            error = ErrorFromErrno(errno);
            return nullptr;
        }
        error = FileError::none;
        return std::make_unique<PosixOutputFile>(fd);
    }
};


}  // namespace

FileServices& PlatformFileServices() {
    static PosixFileServices services;
    return services;
}

std::string JoinPath(std::string_view directory, std::string_view name) {
    std::string path(directory);
    if (path.empty() || path.back() != '/') path += '/';
    path += name;
    return path;
}

}  // namespace tavro
