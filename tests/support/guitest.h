#pragma once

#include "platform.h"

#include <QApplication>
#include <QStringList>
#include <QWidget>

// Replaces the message box and the process end for window tests: messages are
// collected, and ending the program throws ProgramEnded to the test instead.
struct ProgramEnded {
    int status;
};

class GuiTestHooks {
  public:
    GuiTestHooks() : channel_(platform::announceChannel()) {
        platform::setFailureHandler([this](const QString& message) { messages << message; });
        platform::setEndProgramHandler([](int status) { throw ProgramEnded{status}; });
        // What a window announces is read off its notification, on every platform.
        platform::setAnnounceChannel(platform::AnnounceChannel::Notification);
    }
    ~GuiTestHooks() {
        platform::setFailureHandler({});
        platform::setEndProgramHandler({});
        platform::setAnnounceChannel(channel_);
    }
    GuiTestHooks(const GuiTestHooks&) = delete;
    GuiTestHooks& operator=(const GuiTestHooks&) = delete;

    QStringList messages;

    // The last message `window` announced, as long as its notification shows.
    static QString announced(QWidget* window) {
        auto* notification = window->findChild<QWidget*>(QStringLiteral("Announcement"));
        return notification && !notification->isHidden() ? notification->accessibleName()
                                                         : QString();
    }

  private:
    platform::AnnounceChannel channel_;
};
