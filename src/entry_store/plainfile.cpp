#include "plainfile.h"

#include <cerrno>

namespace entry_store {

platform::Expected<PlainFile, StoreError> openPlainFile(platform::FileSystem& files,
                                                        const std::string& name) {
    auto handle = files.open(name, platform::FileSystem::Mode::Peek);
    if (!handle)
        return storeError(handle.error());
    auto stamp = files.stamp(handle.value());
    if (stamp && stamp.value().plain)
        return PlainFile{handle.value(), stamp.value()};
    (void)files.close(handle.value());
    if (!stamp)
        return storeError(stamp.error());
    if (stamp.value().folder)
        return storeError(platform::FileError{platform::FileOp::Read, EISDIR});
    return notPlainFileError();
}

} // namespace entry_store
