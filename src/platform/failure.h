#pragma once

#include <QString>
#include <functional>

namespace platform {

// Shows a message naming a failure and returns when the user has dismissed it.
void showFailure(const QString& message);

// Ends the process at once: no further handler runs and no window stays on screen.
[[noreturn]] void endProgram(int status = 0);

// Runs a click handler inside the catch-all: a failure nothing else handled is
// reported to the user and then ends the program.
void guarded(const std::function<void()>& handler);

// Tests replace the message box and the process end with their own handlers;
// an empty function restores the real behaviour.
void setFailureHandler(std::function<void(const QString&)> handler);
void setEndProgramHandler(std::function<void(int)> handler);

} // namespace platform
