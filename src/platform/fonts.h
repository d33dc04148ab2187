#pragma once

#include <QString>

class QFont;
class QWidget;

namespace platform {

// "MS Sans Serif" at a size in points: the face itself where installed, otherwise
// the first installed stand-in.
QFont formFont(double points, bool bold = false);

// Keeps the widget's face and size if its caption fits `width` pixels; otherwise
// tries the narrower stand-in faces at the same size, and only then a smaller size.
void fitCaption(QWidget* widget, const QString& caption, int width);

} // namespace platform
