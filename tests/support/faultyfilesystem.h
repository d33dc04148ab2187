#pragma once

#include "filesystem.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <thread>
#include <vector>

// The real file system with calls made to fail on purpose: the call numbered
// failAt (counting every call from 1), and every call from failFrom through
// failThrough (0: for ever), fails with errno `code`, and the write
// numbered shortAt writes only half (alsoFailAt makes a second call fail) of what it was given.
// Every call is logged.
class FaultyFileSystem final : public platform::FileSystem {
  public:
    int failAt = 0; // 0: nothing fails
    int alsoFailAt = 0;
    int failFrom = 0; // 0: no run of failing calls
    int failThrough = 0;
    int code = EIO;
    int shortAt = 0;
    std::optional<platform::LockState> lockState; // answered instead of the real lock's
    int folderSyncs = 0;
    // Like a slow disk: every write takes a moment and writes at most 64 bytes,
    // so that a process killed while saving dies in the middle of an entry.
    // Not changed by reset().
    bool slowWrites = false;
    // Called before each read, as a slow disk or an observer of the window
    // in the middle of a scan would be. Not changed by reset().
    std::function<void()> beforeRead;
    // Changes what stamp() reports, as a clock tick or another file would.
    // Not changed by reset().
    std::function<void(platform::FileStamp&)> restamp;
    std::vector<platform::FileOp> calls;
    std::uint64_t bytesRead = 0; // by read and readAt, since the last reset()

    void reset(int at = 0, int errorCode = EIO, int shortWriteAt = 0, int alsoAt = 0) {
        failAt = at;
        alsoFailAt = alsoAt;
        failFrom = failThrough = 0;
        code = errorCode;
        shortAt = shortWriteAt;
        lockState.reset();
        folderSyncs = 0;
        calls.clear();
        bytesRead = 0;
    }

    platform::Expected<platform::FileHandle, platform::FileError>
    open(const std::string& name, Mode mode, bool* created) override {
        if (trip(platform::FileOp::Open))
            return fault(platform::FileOp::Open);
        return real().open(name, mode, created);
    }
    platform::Expected<platform::LockState, platform::FileError>
    tryLock(platform::FileHandle handle) override {
        if (trip(platform::FileOp::Lock))
            return fault(platform::FileOp::Lock);
        return lockState ? *lockState : real().tryLock(handle);
    }
    platform::Expected<std::uint64_t, platform::FileError>
    size(platform::FileHandle handle) override {
        if (trip(platform::FileOp::Size))
            return fault(platform::FileOp::Size);
        return real().size(handle);
    }
    platform::Expected<platform::FileStamp, platform::FileError>
    stamp(platform::FileHandle handle) override {
        if (trip(platform::FileOp::Size))
            return fault(platform::FileOp::Size);
        auto stamp = real().stamp(handle);
        if (stamp && restamp)
            restamp(stamp.value());
        return stamp;
    }
    platform::Expected<std::size_t, platform::FileError>
    write(platform::FileHandle handle, const char* data, std::size_t length) override {
        if (trip(platform::FileOp::Write))
            return fault(platform::FileOp::Write);
        if (static_cast<int>(calls.size()) == shortAt && length > 1)
            return real().write(handle, data, length / 2);
        if (slowWrites) {
            std::this_thread::sleep_for(std::chrono::microseconds(500));
            length = std::min<std::size_t>(length, 64);
        }
        return real().write(handle, data, length);
    }
    platform::Expected<std::size_t, platform::FileError>
    read(platform::FileHandle handle, char* data, std::size_t length) override {
        if (trip(platform::FileOp::Read))
            return fault(platform::FileOp::Read);
        if (beforeRead)
            beforeRead();
        return counted(real().read(handle, data, length));
    }
    platform::Expected<std::size_t, platform::FileError> readAt(platform::FileHandle handle,
                                                                std::uint64_t offset, char* data,
                                                                std::size_t length) override {
        if (trip(platform::FileOp::Read))
            return fault(platform::FileOp::Read);
        if (beforeRead)
            beforeRead();
        return counted(real().readAt(handle, offset, data, length));
    }
    platform::FileStatus sync(platform::FileHandle handle) override {
        if (trip(platform::FileOp::Sync))
            return fault(platform::FileOp::Sync);
        return real().sync(handle);
    }
    platform::FileStatus truncate(platform::FileHandle handle, std::uint64_t length) override {
        if (trip(platform::FileOp::Truncate))
            return fault(platform::FileOp::Truncate);
        return real().truncate(handle, length);
    }
    platform::FileStatus close(platform::FileHandle handle) override {
        // A failed close still releases the handle, as on Linux.
        const bool fails = trip(platform::FileOp::Close);
        auto status = real().close(handle);
        if (fails)
            return fault(platform::FileOp::Close);
        return status;
    }

    platform::FileStatus syncFolderOf(const std::string& name) override {
        ++folderSyncs;
        if (trip(platform::FileOp::Sync))
            return fault(platform::FileOp::Sync);
        return real().syncFolderOf(name);
    }

  private:
    platform::Expected<std::size_t, platform::FileError>
    counted(platform::Expected<std::size_t, platform::FileError> got) {
        if (got)
            bytesRead += got.value();
        return got;
    }
    static platform::FileSystem& real() { return platform::systemFileSystem(); }
    bool trip(platform::FileOp op) {
        calls.push_back(op);
        const int number = static_cast<int>(calls.size());
        const bool inRun =
            failFrom > 0 && number >= failFrom && (failThrough == 0 || number <= failThrough);
        return number == failAt || number == alsoFailAt || inRun;
    }
    platform::FileError fault(platform::FileOp op) const { return platform::FileError{op, code}; }
};
