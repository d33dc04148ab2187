#pragma once

#include <QElapsedTimer>

// Shows the wait cursor once a scan has run longer than a moment. The scan
// takes no user input until its next wait, and processes no events at all
// outside a showing, so the window cannot say it is busy any other way; the
// cursor is set directly, not through the event loop.
class BusyCursor {
  public:
    BusyCursor() { timer_.start(); }
    ~BusyCursor() { stop(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // Called between slices of the scan.
    void tick();
    // The scan waits for the user: back to the normal cursor.
    void stop();
    // The scan goes on after a wait.
    void restart() { timer_.restart(); }

  private:
    QElapsedTimer timer_;
    bool shown_ = false;
};
