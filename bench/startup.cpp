// Times programs from process start to their first window mapped on the X
// display, by watching the root window for MapNotify. The programs run in turn,
// interleaved, so a slow moment of the machine falls on both alike; prints the
// median and the spread of each in milliseconds.
// Usage: verimond_startup RUNS PROGRAM...

#include <xcb/xcb.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace {

double milliseconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// Starts `program`, waits for its first window to be mapped, ends it.
double timeToMap(xcb_connection_t* x, const char* program) {
    const char* argv[] = {program, nullptr};
    const auto started = std::chrono::steady_clock::now();
    pid_t pid = 0;
    if (posix_spawn(&pid, program, nullptr, nullptr, const_cast<char* const*>(argv), environ))
        return -1;
    double mapped = -1;
    while (xcb_generic_event_t* event = xcb_wait_for_event(x)) {
        const bool isMap = (event->response_type & 0x7f) == XCB_MAP_NOTIFY;
        std::free(event);
        if (isMap) {
            mapped = milliseconds(std::chrono::steady_clock::now() - started);
            break;
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return mapped;
}

} // namespace

int main(int argc, char* argv[]) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: verimond_startup RUNS PROGRAM...\n");
        return 2;
    }
    xcb_connection_t* x = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(x)) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(x);

    const int runs = std::atoi(argv[1]);
    std::vector<std::vector<double>> times(argc - 2);
    for (int run = 0; run < runs; ++run) {
        for (int p = 2; p < argc; ++p)
            times[p - 2].push_back(timeToMap(x, argv[p]));
    }
    for (int p = 2; p < argc; ++p) {
        std::vector<double>& t = times[p - 2];
        std::sort(t.begin(), t.end());
        std::printf("start to mapped window, median of %d: %6.1f ms (%.1f to %.1f)  %s\n", runs,
                    t[t.size() / 2], t.front(), t.back(), argv[p]);
    }
    // The second program is the yardstick: any window that shows text pays for
    // the font configuration, the font database and the accessibility bridge
    // before its map, as the bare window with one caption does.
    for (int p = 3; p < argc; ++p)
        std::printf("%s: %.2fx %s\n", p == 3 ? "start-up figure" : "  beside",
                    times[0][times[0].size() / 2] / times[p - 2][times[p - 2].size() / 2], argv[p]);
    xcb_disconnect(x);
    return 0;
}
