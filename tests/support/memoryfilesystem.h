#pragma once

#include "filesystem.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <functional>
#include <map>
#include <string>

// Files held in memory, for the fuzzer: no disk, no system calls. Handles are
// read positions into the named file's bytes.
class MemoryFileSystem final : public platform::FileSystem {
  public:
    std::map<std::string, std::string> files;
    // What stamp() gives as each file's modification time.
    std::map<std::string, std::int64_t> modified;

    platform::Expected<platform::FileHandle, platform::FileError>
    open(const std::string& name, Mode mode, bool* created) override {
        if (mode != Mode::Append && !files.count(name))
            return platform::FileError{platform::FileOp::Open, ENOENT};
        if (created)
            *created = !files.count(name);
        handles_[next_] = {name, 0};
        return next_++;
    }
    platform::Expected<platform::LockState, platform::FileError>
    tryLock(platform::FileHandle) override {
        return platform::LockState::Held;
    }
    platform::Expected<std::uint64_t, platform::FileError>
    size(platform::FileHandle handle) override {
        return static_cast<std::uint64_t>(files[handles_[handle].name].size());
    }
    platform::Expected<platform::FileStamp, platform::FileError>
    stamp(platform::FileHandle handle) override {
        const std::string& name = handles_[handle].name;
        return platform::FileStamp{files[name].size(), modified[name], 1,
                                   std::hash<std::string>()(name), true};
    }
    platform::Expected<std::size_t, platform::FileError>
    write(platform::FileHandle handle, const char* data, std::size_t length) override {
        files[handles_[handle].name].append(data, length);
        return length;
    }
    platform::Expected<std::size_t, platform::FileError>
    read(platform::FileHandle handle, char* data, std::size_t length) override {
        Handle& h = handles_[handle];
        const std::string& bytes = files[h.name];
        const std::size_t n = std::min(length, bytes.size() - std::min(h.at, bytes.size()));
        std::memcpy(data, bytes.data() + h.at, n);
        h.at += n;
        return n;
    }
    platform::Expected<std::size_t, platform::FileError> readAt(platform::FileHandle handle,
                                                                std::uint64_t offset, char* data,
                                                                std::size_t length) override {
        const std::string& bytes = files[handles_[handle].name];
        const std::size_t from = std::min<std::size_t>(offset, bytes.size());
        const std::size_t n = std::min(length, bytes.size() - from);
        std::memcpy(data, bytes.data() + from, n);
        return n;
    }
    platform::FileStatus sync(platform::FileHandle) override { return std::nullopt; }
    platform::FileStatus syncFolderOf(const std::string&) override { return std::nullopt; }
    platform::FileStatus truncate(platform::FileHandle handle, std::uint64_t length) override {
        files[handles_[handle].name].resize(length);
        return std::nullopt;
    }
    platform::FileStatus close(platform::FileHandle handle) override {
        handles_.erase(handle);
        return std::nullopt;
    }

  private:
    struct Handle {
        std::string name;
        std::size_t at;
    };
    std::map<platform::FileHandle, Handle> handles_;
    platform::FileHandle next_ = 3;
};
