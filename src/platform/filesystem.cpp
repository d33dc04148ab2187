#include "filesystem.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

const char* verb(FileOp op) {
    switch (op) {
    case FileOp::Open:
        return "opening";
    case FileOp::Lock:
        return "locking";
    case FileOp::Size:
        return "measuring";
    case FileOp::Write:
        return "writing";
    case FileOp::Read:
        return "reading";
    case FileOp::Sync:
        return "flushing to disk";
    case FileOp::Truncate:
        return "restoring the length of";
    case FileOp::Close:
        return "closing";
    }
    return "using";
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
    Expected<int, FileError> open(const std::string& name, Mode mode, bool* created) override {
        if (created)
            *created = false;
        if (mode == Mode::Read) {
            const int fd = retried([&] { return ::open(name.c_str(), O_RDONLY | O_CLOEXEC); });
            if (fd < 0)
                return lastError(FileOp::Open);
            return fd;
        }
        // Open an existing file, or create it exclusively, so that the caller
        // knows for certain whether this save made the file.
        for (;;) {
            int fd = retried([&] { return ::open(name.c_str(), O_RDWR | O_APPEND | O_CLOEXEC); });
            if (fd >= 0 || errno != ENOENT)
                return fd >= 0 ? Expected<int, FileError>(fd) : lastError(FileOp::Open);
            fd = retried([&] {
                return ::open(name.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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

    Expected<LockState, FileError> tryLock(int handle) override {
        if (retried([&] { return ::flock(handle, LOCK_EX | LOCK_NB); }) == 0)
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

    Expected<std::uint64_t, FileError> size(int handle) override {
        struct stat st {};
        if (::fstat(handle, &st) != 0)
            return lastError(FileOp::Size);
        return static_cast<std::uint64_t>(st.st_size);
    }

    Expected<std::size_t, FileError> write(int handle, const char* data,
                                           std::size_t length) override {
        const ssize_t n = retried([&] { return ::write(handle, data, length); });
        if (n < 0)
            return lastError(FileOp::Write);
        return static_cast<std::size_t>(n);
    }

    Expected<std::size_t, FileError> read(int handle, char* data, std::size_t length) override {
        const ssize_t n = retried([&] { return ::read(handle, data, length); });
        if (n < 0)
            return lastError(FileOp::Read);
        return static_cast<std::size_t>(n);
    }

    Expected<std::size_t, FileError> readAt(int handle, std::uint64_t offset, char* data,
                                            std::size_t length) override {
        const ssize_t n =
            retried([&] { return ::pread(handle, data, length, static_cast<off_t>(offset)); });
        if (n < 0)
            return lastError(FileOp::Read);
        return static_cast<std::size_t>(n);
    }

    FileStatus sync(int handle) override {
        if (::fsync(handle) != 0)
            return lastError(FileOp::Sync);
        return std::nullopt;
    }

    FileStatus truncate(int handle, std::uint64_t length) override {
        if (retried([&] { return ::ftruncate(handle, static_cast<off_t>(length)); }) != 0)
            return lastError(FileOp::Truncate);
        return std::nullopt;
    }

    FileStatus close(int handle) override {
        // Linux releases the descriptor even when close reports an error, so it is never retried.
        if (::close(handle) != 0 && errno != EINTR)
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

std::string describe(const FileError& error) {
    return std::string(verb(error.op)) + ": " + std::strerror(error.code);
}

FileSystem& systemFileSystem() {
    static PosixFileSystem fs;
    return fs;
}

} // namespace platform
