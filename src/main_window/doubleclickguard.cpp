#include "doubleclickguard.h"

#include <QApplication>
#include <QEvent>

DoubleClickGuard::DoubleClickGuard(QObject* parent) : QObject(parent) {}

void DoubleClickGuard::arm() {
    if (!armed_)
        qApp->installEventFilter(this); // only until the next press
    armed_ = true;
}

void DoubleClickGuard::disarm() {
    armed_ = false;
    qApp->removeEventFilter(this);
}

// The window has the double click first, before Qt gives the focus to the
// control under the pointer, and so it is taken there. The window has the
// second press too, but passes it on to no control, so a press that reaches
// one is a new click.
bool DoubleClickGuard::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick) {
        disarm();
        return true;
    }
    if (event->type() == QEvent::MouseButtonPress && watched->isWidgetType())
        disarm();
    return false;
}
