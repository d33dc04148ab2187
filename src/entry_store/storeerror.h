#pragma once

#include "filesystem.h"

#include <string>

namespace entry_store {

enum class StoreErrorKind {
    NotFound,     // the entry file does not exist
    AccessDenied, // no permission, or a read-only disk
    IsFolder,     // a folder stands where the file should be
    DiskFull,     // no space or quota left
    Busy,         // another program kept the file locked, or open unshared, too long
    ReadPastEnd,  // a field was read when no byte remained
    DanglingLink, // the file is a link to a place that is not there
    NotPlainFile, // a device, a named pipe or a socket stands where the file should be
    InputOutput,  // any other failure the system reported
};

struct StoreError {
    StoreErrorKind kind;
    // Everything the system said: the operation, its errno value (0 for
    // ReadPastEnd), the system's own code where it has one, and the target of
    // a link that led nowhere.
    platform::FileError file;
    // A failed save could not cut the file back, so part of the entry stays
    // in it; the next save closes that partial entry before its own.
    bool partialLeft = false;

    // What went wrong, in words for the user: "no space is left on the disk
    // (writing: ...)", the reason in the system's own words.
    std::string describe() const;
};

StoreError storeError(const platform::FileError& error);
// A device, a named pipe or a socket where the file should be: no system call failed.
StoreError notPlainFileError();

} // namespace entry_store
