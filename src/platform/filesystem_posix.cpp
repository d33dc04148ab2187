// The file layer on POSIX systems: descriptors, flock, fsync and ftruncate.

#include "filesystem.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

std::string folderOf(const std::string& name) {
    const auto slash = name.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : name.substr(0, slash);
}

// Where `name` leads when each link on the way is followed; `name` itself when
// it is no link. Relative targets are taken from the link's own folder.
std::string linkTarget(const std::string& name) {
    std::string path = name;
    for (int hop = 0; hop < 40; ++hop) { // the kernel's own limit on links followed
        char target[PATH_MAX];
        const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
        if (n <= 0 || n == static_cast<ssize_t>(sizeof target))
            break;
        std::string next(target, static_cast<std::size_t>(n));
        if (next.front() != '/' && path.find('/') != std::string::npos)
            next = folderOf(path) + "/" + next;
        path = std::move(next);
    }
    return path;
}

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
        if (mode != Mode::Append) {
            const int flags = mode == Mode::Peek ? O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC
                                                 : O_RDONLY | O_CLOEXEC;
            const int fd = retried([&] { return ::open(name.c_str(), flags); });
            if (fd < 0)
                return lastError(FileOp::Open);
            return fd;
        }
        // Open an existing file, or create it exclusively, so that the caller
        // knows for certain whether this save made the file. A diary is
        // private writing: a new one is for its owner's eyes only, while an
        // existing file keeps the permissions it has.
        //
        // The exclusive create never follows a link, so a name that is a link
        // to nothing (a diary kept on a drive that is not there now) would
        // fail both ways for ever: the file is made where the link points.
        // Each round ends in a result unless another copy makes or removes
        // the file at that moment, so a few rounds are plenty.
        FileError error{FileOp::Open, ELOOP};
        for (int round = 0; round < 8; ++round) {
            int fd = retried([&] { return ::open(name.c_str(), O_RDWR | O_APPEND | O_CLOEXEC); });
            if (fd >= 0)
                return fd;
            if (errno != ENOENT)
                return lastError(FileOp::Open);
            const std::string target = linkTarget(name);
            fd = retried([&] {
                return ::open(target.c_str(), O_RDWR | O_APPEND | O_CREAT | O_EXCL | O_CLOEXEC,
                              0600);
            });
            if (fd >= 0) {
                if (created)
                    *created = true;
                return fd;
            }
            error = lastError(FileOp::Open);
            if (error.code == ENOENT && target != name) {
                error.linkTarget = target;
                return error;
            }
            if (error.code != EEXIST) // EEXIST: another copy made it meanwhile, so open that one
                return error;
        }
        return error;
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

    Expected<FileStamp, FileError> stamp(FileHandle handle) override {
        struct stat st {};
        if (::fstat(descriptor(handle), &st) != 0)
            return lastError(FileOp::Size);
        return FileStamp{static_cast<std::uint64_t>(st.st_size),
                         static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 +
                             st.st_mtim.tv_nsec,
                         static_cast<std::uint64_t>(st.st_dev),
                         static_cast<std::uint64_t>(st.st_ino),
                         S_ISREG(st.st_mode),
                         S_ISDIR(st.st_mode)};
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
        // The folder that holds the file itself, where a link led there.
        const std::string folder = folderOf(linkTarget(name));
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
