#include "placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include <algorithm>

namespace platform {

QPoint keptOnScreen(const QRect& frame, const QRect& available) {
    QPoint at = frame.topLeft();
    at.rx() -= std::max(0, frame.right() - available.right());
    at.ry() -= std::max(0, frame.bottom() - available.bottom());
    at.rx() = std::max(at.x(), available.left());
    at.ry() = std::max(at.y(), available.top());
    return at;
}

void placeOnScreen(QWidget* window, QPoint position) {
    const QScreen* screen = QGuiApplication::screenAt(position);
    if (!screen)
        screen = window->screen();
    // The frame is known once the window has been on screen; before, only the client area.
    const QMargins frame =
        window->windowHandle() ? window->windowHandle()->frameMargins() : QMargins();
    const QRect outer = QRect(position, window->size()).marginsAdded(frame);
    const QPoint corner = keptOnScreen(outer, screen->availableGeometry());
    window->setGeometry(QRect(corner + QPoint(frame.left(), frame.top()), window->size()));
}

} // namespace platform
