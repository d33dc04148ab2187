#pragma once

// The file half of the platform layer: byte access to files named relative to
// the current directory. It is plain C++ with no Qt, so the entry store that
// builds on it can be tested and fuzzed without a display. Every operation
// reports failure as a value; tests swap in their own FileSystem to make any
// single call fail. systemFileSystem() has one implementation per platform,
// chosen at build time (filesystem_posix.cpp, filesystem_windows.cpp), each
// keeping the same contract.

#include "expected.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// An open file: a descriptor on POSIX systems, a HANDLE on Windows.
using FileHandle = std::intptr_t;
inline constexpr FileHandle kNoFile = -1;

enum class FileOp { Open, Lock, Size, Write, Read, Sync, Truncate, Close };

// What tells one version of an open file from another without reading it.
struct FileStamp {
    std::uint64_t size = 0;
    // The last modification, in the system's own ticks: only ever compared.
    std::int64_t modified = 0;
    // The file's identity: device and inode, or volume serial and file index
    // on Windows, so that a file replaced by a rename is told from the old one.
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    // A regular file, not a device, a named pipe, a socket or a folder.
    bool plain = true;
    // A folder, which some systems open for reading as if it were a file.
    bool folder = false;

    bool operator==(const FileStamp&) const = default;
};

struct FileError {
    FileOp op;
    int code; // an errno value; other systems' errors are mapped to the nearest one
    // The system's own error number where it has its own (Windows), so the
    // message can give the system's own words; 0 elsewhere.
    unsigned long systemCode = 0;
    // Where the file's name is a link whose target cannot be made because its
    // folder is missing: that target, as the link gives it.
    std::string linkTarget = {};
};

// Names the operation and the system's reason, e.g. "writing: No space left on device".
std::string describe(const FileError& error);
// The system's reason alone, in its own words.
std::string systemReason(const FileError& error);
// The error for a failure the system reported with `code`: an errno value on
// POSIX systems, a GetLastError() value on Windows.
FileError systemError(FileOp op, unsigned long code);

using FileStatus = std::optional<FileError>; // empty when the operation succeeded

// The outcome of one attempt to take a file's lock.
enum class LockState {
    Held,        // this handle now holds the exclusive lock
    Busy,        // another handle holds it; nothing was waited for
    Unsupported, // the file system has no locks; the caller goes on without one
};

class FileSystem {
  public:
    enum class Mode {
        Append, // writes land at the file's end; reads (readAt) are allowed too
        Read,
        // Reading, but an open that never waits: a named pipe with no writer
        // opens at once, and stamp() then tells it is no plain file.
        Peek,
    };

    virtual ~FileSystem() = default;

    // Append creates a missing file and, when `created` is given, says whether
    // this call created it.
    virtual Expected<FileHandle, FileError> open(const std::string& name, Mode mode,
                                                 bool* created = nullptr) = 0;
    // Tries once to take the file's exclusive advisory lock, without blocking;
    // close releases it.
    virtual Expected<LockState, FileError> tryLock(FileHandle handle) = 0;
    virtual Expected<std::uint64_t, FileError> size(FileHandle handle) = 0;
    virtual Expected<FileStamp, FileError> stamp(FileHandle handle) = 0;
    // Writes up to `length` bytes and returns how many were written.
    virtual Expected<std::size_t, FileError> write(FileHandle handle, const char* data,
                                                   std::size_t length) = 0;
    // Reads up to `length` bytes; zero means no byte remains.
    virtual Expected<std::size_t, FileError> read(FileHandle handle, char* data,
                                                  std::size_t length) = 0;
    // Reads up to `length` bytes from `offset`, leaving the read position alone.
    virtual Expected<std::size_t, FileError> readAt(FileHandle handle, std::uint64_t offset,
                                                    char* data, std::size_t length) = 0;
    virtual FileStatus sync(FileHandle handle) = 0;
    virtual FileStatus truncate(FileHandle handle, std::uint64_t length) = 0;
    virtual FileStatus close(FileHandle handle) = 0;
    // Makes the folder entry of the named file durable, as a new file needs
    // before a power cut cannot take it away again.
    virtual FileStatus syncFolderOf(const std::string& name) = 0;
};

// The operating system's files.
FileSystem& systemFileSystem();

} // namespace platform
