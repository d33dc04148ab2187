#pragma once

// The file half of the platform layer: byte access to files named relative to
// the current directory. It is plain C++ with no Qt, so the entry store that
// builds on it can be tested and fuzzed without a display. Every operation
// reports failure as a value; tests swap in their own FileSystem to make any
// single call fail.

#include "expected.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

enum class FileOp { Open, Lock, Size, Write, Read, Sync, Truncate, Close };

struct FileError {
    FileOp op;
    int code; // an errno value
};

// Names the operation and the system's reason, e.g. "writing: No space left on device".
std::string describe(const FileError& error);

using FileStatus = std::optional<FileError>; // empty when the operation succeeded

class FileSystem {
  public:
    enum class Mode { Append, Read };

    virtual ~FileSystem() = default;

    // Append creates a missing file; every write then lands at the file's end.
    virtual Expected<int, FileError> open(const std::string& name, Mode mode) = 0;
    // Blocks until this handle holds the file's exclusive advisory lock; close releases it.
    virtual FileStatus lock(int handle) = 0;
    virtual Expected<std::uint64_t, FileError> size(int handle) = 0;
    // Writes up to `length` bytes and returns how many were written.
    virtual Expected<std::size_t, FileError> write(int handle, const char* data,
                                                   std::size_t length) = 0;
    // Reads up to `length` bytes; zero means no byte remains.
    virtual Expected<std::size_t, FileError> read(int handle, char* data, std::size_t length) = 0;
    virtual FileStatus sync(int handle) = 0;
    virtual FileStatus truncate(int handle, std::uint64_t length) = 0;
    virtual FileStatus close(int handle) = 0;
};

// The operating system's files.
FileSystem& systemFileSystem();

} // namespace platform
