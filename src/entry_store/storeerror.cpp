#include "storeerror.h"

#include <cerrno>

namespace entry_store {

StoreError storeError(const platform::FileError& error) {
    if (!error.linkTarget.empty())
        return StoreError{StoreErrorKind::DanglingLink, error, false};
    StoreErrorKind kind = StoreErrorKind::InputOutput;
    switch (error.code) {
    case ENOENT:
        kind = StoreErrorKind::NotFound;
        break;
    case EACCES:
    case EPERM:
    case EROFS:
        kind = StoreErrorKind::AccessDenied;
        break;
    case EISDIR:
        kind = StoreErrorKind::IsFolder;
        break;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        kind = StoreErrorKind::DiskFull;
        break;
    case EWOULDBLOCK:
        kind = StoreErrorKind::Busy;
        break;
    default:
        break;
    }
    return StoreError{kind, error, false};
}

StoreError notPlainFileError() {
    return StoreError{StoreErrorKind::NotPlainFile, {platform::FileOp::Open, 0}, false};
}

std::string StoreError::describe() const {
    std::string what;
    switch (kind) {
    case StoreErrorKind::NotFound:
        what = "the file does not exist";
        break;
    case StoreErrorKind::AccessDenied:
        what = "the file or its folder is not writable or not readable";
        break;
    case StoreErrorKind::IsFolder:
        what = "a folder stands where the file should be";
        break;
    case StoreErrorKind::DiskFull:
        what = "no space is left on the disk";
        break;
    case StoreErrorKind::Busy:
        return "another program is using the diary file";
    case StoreErrorKind::ReadPastEnd:
        return "a field was read past the end of the file";
    case StoreErrorKind::NotPlainFile:
        return "it is a device, a named pipe or a socket, not a file";
    case StoreErrorKind::InputOutput:
        what = "the system reported an input/output failure";
        break;
    case StoreErrorKind::DanglingLink:
        return "the file is a link to " + file.linkTarget +
               ", which cannot be made: its folder does not exist (" + platform::describe(file) +
               ")";
    }
    return what + " (" + platform::describe(file) + ")";
}

} // namespace entry_store
