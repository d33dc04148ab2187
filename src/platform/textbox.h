#pragma once

#include <QString>
#include <QStringList>

class QPlainTextEdit;

namespace platform {

// The whole text of a multi-line box, with every line break as CR LF.
QString boxText(const QPlainTextEdit* box);
// Replaces the whole text (CR LF as line break), caret at the start, first line in view.
void setBoxText(QPlainTextEdit* box, const QString& text);

// The same as setting the box's text to its whole text with each line and a
// CR LF appended, but without setting the text already there again.
void appendLines(QPlainTextEdit* box, const QStringList& lines);

} // namespace platform
