#pragma once

#include <QPoint>
#include <QRect>

class QWidget;

namespace platform {

// Window geometry is given in twips; 15 twips make one device-independent pixel.
constexpr int twips(int value) {
    return (value + 7) / 15;
}

// Puts the window's client area at `position` (pixels), moved just enough that
// the whole window stays inside the available area of its screen, as on a
// small screen at a large scale; a window larger than that area goes to its
// top-left corner. Where the window fits, it stays where it was asked to be.
void placeOnScreen(QWidget* window, QPoint position);
// The top-left corner that keeps `frame` (the window with its frame) inside `available`.
QPoint keptOnScreen(const QRect& frame, const QRect& available);

} // namespace platform
