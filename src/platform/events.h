#pragma once

namespace platform {

// Runs the handlers of the events waiting now; when none is waiting, blocks
// until one arrives, so a loop of these calls never spins the processor.
void processPendingEvents();

// Repaints and answers the window system without waiting; user input stays
// queued for later. Long work in a handler calls it so that the window is not
// taken for hung.
void processWindowEvents();

} // namespace platform
