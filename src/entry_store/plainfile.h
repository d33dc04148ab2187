#pragma once

#include "storeerror.h"

#include "expected.h"
#include "filesystem.h"

#include <string>

namespace entry_store {

struct PlainFile {
    platform::FileHandle handle;
    platform::FileStamp stamp;
};

// Opens `name` for reading only if it is a plain file, with an open that never
// waits: a named pipe would wait for a writer, and a device such as /dev/zero
// never ends. Anything else is closed again and told as IsFolder or NotPlainFile.
platform::Expected<PlainFile, StoreError> openPlainFile(platform::FileSystem& files,
                                                        const std::string& name);

} // namespace entry_store
