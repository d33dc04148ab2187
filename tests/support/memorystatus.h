#pragma once

#include <fstream>
#include <string>

// The process's own memory figures from /proc/self/status, in kB, for the
// memory checks of the tests and the benchmark.
namespace memorystatus {

inline long kilobytes(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    }
    return -1;
}

inline long resident() {
    return kilobytes("VmRSS:");
}
inline long peakResident() {
    return kilobytes("VmHWM:");
}

// Starts the peak count afresh from the present resident size.
inline void resetPeak() {
    std::ofstream("/proc/self/clear_refs") << "5";
}

} // namespace memorystatus
