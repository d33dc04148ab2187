// Test helper: saves entries through the real save operation.
// Usage: saver FILE TAG COUNT   (COUNT 0: save until killed)

#include "testentries.h"

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[]) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: saver FILE TAG COUNT\n");
        return 2;
    }
    entry_store::EntryStore store(platform::systemFileSystem(), argv[1]);
    const std::string tag = argv[2];
    const int count = std::atoi(argv[3]);
    for (int i = 0; count == 0 || i < count; ++i) {
        if (auto error =
                store.save(testentries::keyword(tag, i), "date " + testentries::keyword(tag, i),
                           testentries::text(tag, i))) {
            std::fprintf(stderr, "save failed: %s\n", error->describe().c_str());
            return 1;
        }
    }
    return 0;
}
