#pragma once

// The platform layer: the narrow set of window, file and process operations
// through which the rest of the program reaches the system. Windows, the
// entry store and the tests use these instead of calling Qt or the operating
// system for them directly, so each can be replaced or observed in one place:
// - filesystem.h: byte access to files (plain C++, used by the entry store);
// - fontwarmup.h: reading the font configuration while the program starts;
// - failure messages and program end, with the catch-all around every click;
// - processing pending events, which the search's wait relies on;
// - Enter on a focused button as a click, and the accessible role of a window;
// - text and caption access that turns the widgets' line breaks into CR LF;
// - twips, fonts and the fitting of captions into their controls.

#include <QAccessible>
#include <QPoint>
#include <QRect>
#include <QString>
#include <QStringList>
#include <functional>

class QFont;
class QLabel;
class QPlainTextEdit;
class QWidget;

namespace platform {

// Shows a message naming a failure and returns when the user has dismissed it.
void showFailure(const QString& message);

// Ends the process at once: no further handler runs and no window stays on screen.
[[noreturn]] void endProgram(int status = 0);

// Runs a click handler inside the catch-all: a failure nothing else handled is
// reported to the user and then ends the program.
void guarded(const std::function<void()>& handler);

// Runs the handlers of the events waiting now; when none is waiting, blocks
// until one arrives, so a loop of these calls never spins the processor.
void processPendingEvents();

// Repaints and answers the window system without waiting; user input stays
// queued for later. Long work in a handler calls it so that the window is not
// taken for hung.
void processWindowEvents();

// Tests replace the message box and the process end with their own handlers;
// an empty function restores the real behaviour.
void setFailureHandler(std::function<void(const QString&)> handler);
void setEndProgramHandler(std::function<void(int)> handler);

// The whole text of a multi-line box, with every line break as CR LF.
QString boxText(const QPlainTextEdit* box);
// Replaces the whole text (CR LF as line break), caret at the start, first line in view.
void setBoxText(QPlainTextEdit* box, const QString& text);

// The same as setting the box's text to its whole text with each line and a
// CR LF appended, but without setting the text already there again.
void appendLines(QPlainTextEdit* box, const QStringList& lines);

// Screen readers introduce a window by its role, and Qt gives a window made
// from a plain QWidget the role of a filler. Gives `widget` `role` instead;
// called before anything asks for the widget's accessibility.
void setAccessibleRole(QWidget* widget, QAccessible::Role role);

// Enter and Return on a focused button of `window` click it, as on the
// Windows desktop; no button becomes a default button, and keys typed into the
// boxes are left alone.
void clickFocusedButtonOnEnter(QWidget* window);

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

// "MS Sans Serif" at a size in points: the face itself where installed, otherwise
// the first installed stand-in.
QFont formFont(double points, bool bold = false);

// Keeps the widget's face and size if its caption fits `width` pixels; otherwise
// tries the narrower stand-in faces at the same size, and only then a smaller size.
void fitCaption(QWidget* widget, const QString& caption, int width);

} // namespace platform
