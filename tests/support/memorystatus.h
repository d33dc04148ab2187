#pragma once

// The process's own memory figures in kB, for the memory checks of the tests
// and the benchmark: from /proc/self/status on Linux, from the process memory
// counters on Windows (which cannot restart the peak count).

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>
#else
#include <fstream>
#include <string>
#endif

namespace memorystatus {

#ifdef _WIN32
inline PROCESS_MEMORY_COUNTERS counters() {
    PROCESS_MEMORY_COUNTERS c{};
    GetProcessMemoryInfo(GetCurrentProcess(), &c, sizeof c);
    return c;
}
inline long resident() {
    return static_cast<long>(counters().WorkingSetSize / 1024);
}
inline long peakResident() {
    return static_cast<long>(counters().PeakWorkingSetSize / 1024);
}
inline void resetPeak() {}
#else
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
#endif

} // namespace memorystatus
