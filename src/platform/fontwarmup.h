#pragma once

#include <thread>

namespace platform {

// Reads the system's font configuration on a second thread while the
// application object starts, which is mostly spent waiting for the display
// and the dynamic loader. Otherwise the first widget that measures text reads
// it on the way to the main window. Made at the start of main; wait() before
// the first widget is made. Where the system's fonts need no such reading, as
// on Windows, nothing is started.
class FontWarmUp {
  public:
    FontWarmUp();
    ~FontWarmUp();
    FontWarmUp(const FontWarmUp&) = delete;
    FontWarmUp& operator=(const FontWarmUp&) = delete;

    // Returns when the reading is done; at once on every later call.
    void wait();

  private:
    std::thread thread_;
};

} // namespace platform
