#include "events.h"

#include <QCoreApplication>

namespace platform {

void processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void processWindowEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace platform
