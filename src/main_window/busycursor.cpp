#include "busycursor.h"

#include <QCursor>
#include <QGuiApplication>

void BusyCursor::tick() {
    if (!shown_ && timer_.elapsed() > 150) {
        QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
        shown_ = true;
    }
}

void BusyCursor::stop() {
    if (shown_)
        QGuiApplication::restoreOverrideCursor();
    shown_ = false;
}
