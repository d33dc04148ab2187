#pragma once

#include "platform.h"

#include <QApplication>
#include <QStringList>

// Replaces the message box and the process end for window tests: messages are
// collected, and ending the program throws ProgramEnded to the test instead.
struct ProgramEnded {
    int status;
};

class GuiTestHooks {
  public:
    GuiTestHooks() {
        platform::setFailureHandler([this](const QString& message) { messages << message; });
        platform::setEndProgramHandler([](int status) { throw ProgramEnded{status}; });
    }
    ~GuiTestHooks() {
        platform::setFailureHandler({});
        platform::setEndProgramHandler({});
    }
    GuiTestHooks(const GuiTestHooks&) = delete;
    GuiTestHooks& operator=(const GuiTestHooks&) = delete;

    QStringList messages;
};
