// Test helper, a second program using the diary file:
//   saver FILE TAG COUNT [slow]  saves COUNT entries through the real save
//                                (COUNT 0: until killed); "slow" writes each
//                                entry in small pieces, so that a kill lands
//                                in the middle of one
//   saver FILE hold MS           holds the file's lock for MS milliseconds
//                                (0: until killed), after printing "locked"

#include "faultyfilesystem.h"
#include "testentries.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

int hold(const char* file, int milliseconds) {
    platform::FileSystem& files = platform::systemFileSystem();
    auto handle = files.open(file, platform::FileSystem::Mode::Append);
    if (!handle)
        return 1;
    const auto state = files.tryLock(handle.value());
    if (!state || state.value() != platform::LockState::Held)
        return 1;
    std::printf("locked\n");
    std::fflush(stdout);
    do
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds ? milliseconds : 1000));
    while (milliseconds == 0);
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: saver FILE TAG COUNT [slow] | saver FILE hold MS\n");
        return 2;
    }
    if (std::strcmp(argv[2], "hold") == 0)
        return hold(argv[1], std::atoi(argv[3]));
    FaultyFileSystem files; // nothing made to fail; slow on request
    files.slowWrites = argc > 4 && std::strcmp(argv[4], "slow") == 0;
    entry_store::EntryStore store(files, argv[1]);
    const std::string tag = argv[2];
    const int count = std::atoi(argv[3]);
    for (int i = 0; count == 0 || i < count;) {
        auto error = store.save(testentries::keyword(tag, i),
                                "date " + testentries::keyword(tag, i), testentries::text(tag, i));
        if (error && error->kind == entry_store::StoreErrorKind::Busy)
            continue; // the other copy kept the lock: save again, as a user would
        if (error) {
            std::fprintf(stderr, "save failed: %s\n", error->describe().c_str());
            return 1;
        }
        ++i;
    }
    return 0;
}
