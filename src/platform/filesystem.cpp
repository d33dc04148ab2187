#include "filesystem.h"

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

} // namespace

std::string describe(const FileError& error) {
    return std::string(verb(error.op)) + ": " + systemReason(error);
}

} // namespace platform
