#include "fontwarmup.h"

#include <fontconfig/fontconfig.h>

namespace platform {

// FcInit parses the configuration and maps the font caches once per process;
// the font database calls it again later and then finds it done. It is safe
// to call from any thread.
FontWarmUp::FontWarmUp() : thread_([] { FcInit(); }) {}

FontWarmUp::~FontWarmUp() {
    wait();
}

void FontWarmUp::wait() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace platform
