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

class PosixFileSystem final : public FileSystem {
  public:
    Expected<int, FileError> open(const std::string& name, Mode mode) override {
        const int flags =
            mode == Mode::Append ? O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC : O_RDONLY | O_CLOEXEC;
        int fd;
        do {
            fd = ::open(name.c_str(), flags, 0666);
        } while (fd < 0 && errno == EINTR);
        if (fd < 0)
            return lastError(FileOp::Open);
        return fd;
    }

    FileStatus lock(int handle) override {
        while (::flock(handle, LOCK_EX) != 0) {
            if (errno != EINTR)
                return lastError(FileOp::Lock);
        }
        return std::nullopt;
    }

    Expected<std::uint64_t, FileError> size(int handle) override {
        struct stat st {};
        if (::fstat(handle, &st) != 0)
            return lastError(FileOp::Size);
        return static_cast<std::uint64_t>(st.st_size);
    }

    Expected<std::size_t, FileError> write(int handle, const char* data,
                                           std::size_t length) override {
        ssize_t n;
        do {
            n = ::write(handle, data, length);
        } while (n < 0 && errno == EINTR);
        if (n < 0)
            return lastError(FileOp::Write);
        return static_cast<std::size_t>(n);
    }

    Expected<std::size_t, FileError> read(int handle, char* data, std::size_t length) override {
        ssize_t n;
        do {
            n = ::read(handle, data, length);
        } while (n < 0 && errno == EINTR);
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
        while (::ftruncate(handle, static_cast<off_t>(length)) != 0) {
            if (errno != EINTR)
                return lastError(FileOp::Truncate);
        }
        return std::nullopt;
    }

    FileStatus close(int handle) override {
        // Linux releases the descriptor even when close reports an error, so it is never retried.
        if (::close(handle) != 0 && errno != EINTR)
            return lastError(FileOp::Close);
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
