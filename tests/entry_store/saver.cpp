// Test helper, a second program using the diary file:
//   saver FILE TAG COUNT [slow]  saves COUNT entries through the real save
//                                (COUNT 0: until killed); "slow" writes each
//                                entry in small pieces, so that a kill lands
//                                in the middle of one
//   saver FILE hold MS           holds the file's lock for MS milliseconds
//                                (0: until killed), after printing "locked"

#include "testentries.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace {

// The real file system, writing at most 64 bytes a call with a pause before each.
class SlowFileSystem final : public platform::FileSystem {
  public:
    platform::Expected<platform::FileHandle, platform::FileError>
    open(const std::string& name, Mode mode, bool* created) override {
        return real().open(name, mode, created);
    }
    platform::Expected<platform::LockState, platform::FileError>
    tryLock(platform::FileHandle handle) override {
        return real().tryLock(handle);
    }
    platform::Expected<std::uint64_t, platform::FileError>
    size(platform::FileHandle handle) override {
        return real().size(handle);
    }
    platform::Expected<std::size_t, platform::FileError>
    write(platform::FileHandle handle, const char* data, std::size_t length) override {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
        return real().write(handle, data, std::min<std::size_t>(length, 64));
    }
    platform::Expected<std::size_t, platform::FileError>
    read(platform::FileHandle handle, char* data, std::size_t length) override {
        return real().read(handle, data, length);
    }
    platform::Expected<std::size_t, platform::FileError> readAt(platform::FileHandle handle,
                                                                std::uint64_t offset, char* data,
                                                                std::size_t length) override {
        return real().readAt(handle, offset, data, length);
    }
    platform::FileStatus sync(platform::FileHandle handle) override { return real().sync(handle); }
    platform::FileStatus truncate(platform::FileHandle handle, std::uint64_t length) override {
        return real().truncate(handle, length);
    }
    platform::FileStatus close(platform::FileHandle handle) override {
        return real().close(handle);
    }
    platform::FileStatus syncFolderOf(const std::string& name) override {
        return real().syncFolderOf(name);
    }

  private:
    static platform::FileSystem& real() { return platform::systemFileSystem(); }
};

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
    SlowFileSystem slow;
    const bool isSlow = argc > 4 && std::strcmp(argv[4], "slow") == 0;
    entry_store::EntryStore store(
        isSlow ? static_cast<platform::FileSystem&>(slow) : platform::systemFileSystem(), argv[1]);
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
