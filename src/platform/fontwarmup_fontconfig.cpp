#include "fontwarmup.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace platform {

// FcInit parses the configuration and maps the font caches once per process;
// the font database calls it again later and then finds it done. It is safe
// to call from any thread.
FontWarmUp::FontWarmUp() {
    try {
        thread_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // No thread to spare: the font database reads it when first used.
    }
}

FontWarmUp::~FontWarmUp() {
    wait();
}

void FontWarmUp::wait() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace platform
