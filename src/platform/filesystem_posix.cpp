// The file layer on POSIX systems: descriptors, flock, fsync and ftruncate.

#include "filesystem.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

int descriptor(FileHandle handle) {
    return static_cast<int>(handle);
}

FileError lastError(FileOp op) {
    return FileError{op, errno};
}

// Retries a system call that a signal interrupted before it did anything.
template <typename Call> auto retried(Call call) {
    decltype(call()) result;
    do {
        result = call();
    } while (result < 0 && errno == EINTR);
    return result;
}

class PosixFileSystem final : public FileSystem {
  public:
    Expected<FileHandle, FileError> open(const std::string& name, Mode mode,
                                         bool* created) override {
        if (created)
            *created = false;
        if (mode == Mode::Read) {
            const int fd = retried([&] { return ::open(name.c_str(), O_RDONLY | O_CLOEXEC); });
            if (fd < 0)
                return lastError(FileOp::Open);
            return fd;
        }
        // Open an existing file, or create it exclusively, so that the caller
        // knows for certain whether this save made the file. A diary is
        // private writing: a new one is for its owner's eyes only, while an
        // existing file keeps the permissions it has.
        for (;;) {
            int fd = retried([&] { return ::open(name.c_str(), O_RDWR | O_APPEND | O_CLOEXEC); });
            if (fd >= 0 || errno != ENOENT)
                return fd >= 0 ? Expected<FileHandle, FileError>(fd) : lastError(FileOp::Open);
            fd = retried([&] {
                return ::open(name.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
            });
            if (fd >= 0) {
                if (created)
                    *created = true;
                return fd;
            }
            if (errno != EEXIST) // another copy made it meanwhile: open that one
                return lastError(FileOp::Open);
        }
    }

    Expected<LockState, FileError> tryLock(FileHandle handle) override {
        if (retried([&] { return ::flock(descriptor(handle), LOCK_EX | LOCK_NB); }) == 0)
            return LockState::Held;
        switch (errno) {
        case EWOULDBLOCK:
            return LockState::Busy;
        case ENOLCK: // NFS mounted without a lock service
        case EOPNOTSUPP:
        case ENOSYS:
            return LockState::Unsupported;
        default:
            return lastError(FileOp::Lock);
        }
    }

    Expected<std::uint64_t, FileError> size(FileHandle handle) override {
        struct stat st {};
        if (::fstat(descriptor(handle), &st) != 0)
            return lastError(FileOp::Size);
        return static_cast<std::uint64_t>(st.st_size);
    }

    Expected<std::size_t, FileError> write(FileHandle handle, const char* data,
                                           std::size_t length) override {
        const ssize_t n = retried([&] { return ::write(descriptor(handle), data, length); });
        if (n < 0)
            return lastError(FileOp::Write);
        return static_cast<std::size_t>(n);
    }

    Expected<std::size_t, FileError> read(FileHandle handle, char* data,
                                          std::size_t length) override {
        const ssize_t n = retried([&] { return ::read(descriptor(handle), data, length); });
        if (n < 0)
            return lastError(FileOp::Read);
        return static_cast<std::size_t>(n);
    }

    Expected<std::size_t, FileError> readAt(FileHandle handle, std::uint64_t offset, char* data,
                                            std::size_t length) override {
        const ssize_t n = retried(
            [&] { return ::pread(descriptor(handle), data, length, static_cast<off_t>(offset)); });
        if (n < 0)
            return lastError(FileOp::Read);
        return static_cast<std::size_t>(n);
    }

    FileStatus sync(FileHandle handle) override {
        if (::fsync(descriptor(handle)) != 0)
            return lastError(FileOp::Sync);
        return std::nullopt;
    }

    FileStatus truncate(FileHandle handle, std::uint64_t length) override {
        if (retried([&] { return ::ftruncate(descriptor(handle), static_cast<off_t>(length)); }) !=
            0)
            return lastError(FileOp::Truncate);
        return std::nullopt;
    }

    FileStatus close(FileHandle handle) override {
        // Linux releases the descriptor even when close reports an error, so it is never retried.
        if (::close(descriptor(handle)) != 0 && errno != EINTR)
            return lastError(FileOp::Close);
        return std::nullopt;
    }

    FileStatus syncFolderOf(const std::string& name) override {
        const auto slash = name.rfind('/');
        const std::string folder = slash == std::string::npos ? "."
                                   : slash == 0               ? "/"
                                                              : name.substr(0, slash);
        const int fd =
            retried([&] { return ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); });
        if (fd < 0)
            return lastError(FileOp::Sync);
        const bool synced = ::fsync(fd) == 0;
        const FileError error = lastError(FileOp::Sync);
        ::close(fd);
        if (!synced)
            return error;
        return std::nullopt;
    }
};

} // namespace

FileError systemError(FileOp op, unsigned long code) {
    return FileError{op, static_cast<int>(code)};
}

std::string systemReason(const FileError& error) {
    return std::strerror(error.code);
}

FileSystem& systemFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

} // namespace platform
