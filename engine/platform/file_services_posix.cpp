#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
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

    std::unique_ptr<OutputFile> OpenWrite(const std::string& name, FileError& error) override {
        return OpenOutput(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, error);
    }

    std::unique_ptr<OutputFile> OpenAppend(const std::string& name, FileError& error) override {
        return OpenOutput(name, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, error);
    }

    bool CopyFile(const std::string& source, const std::string& destination,
                  FileError& error) override {
        int failure = 0;
        bool ok = Copy(source, destination, failure);
        error = ok ? FileError::none : ErrorFromErrno(failure);
        return ok;
    }

    bool DeleteFile(const std::string& name) override { return ::unlink(name.c_str()) == 0; }

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

    static bool Copy(const std::string& source, const std::string& destination, int& failure) {
        Descriptor in{::open(source.c_str(), O_RDONLY | O_CLOEXEC)};
        struct stat sourceInfo {};
        if (in.fd < 0 || ::fstat(in.fd, &sourceInfo) != 0) {
            failure = errno;
            return false;
        }
        // An existing destination is written in place, so it keeps its inode,
        // permissions, owner and links; its read-only bit refuses the copy even
        // for root, which the backup fallback relies on.
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

    static bool CopyBytes(int in, int out, int& failure) {
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

    static constexpr std::size_t kCopyBlock = 1 << 20;
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
