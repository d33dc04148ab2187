#include "platform.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QAccessibleWidget>
#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <QScrollBar>
#include <QTextCursor>
#include <QWindow>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <exception>

namespace platform {

namespace {

std::function<void(const QString&)>& failureHandler() {
    static std::function<void(const QString&)> handler;
    return handler;
}

std::function<void(int)>& endHandler() {
    static std::function<void(int)> handler;
    return handler;
}

// The faces tried for "MS Sans Serif", widest first; the narrow ones serve the
// long lines of the About window where a regular face would not fit.
const QStringList& standInFaces() {
    static const QStringList faces{"Liberation Sans",       "Arimo",
                                   "DejaVu Sans",           "Liberation Sans Narrow",
                                   "DejaVu Sans Condensed", "Nimbus Sans Narrow"};
    return faces;
}

bool fits(const QFont& font, const QString& caption, int width) {
    return QFontMetrics(font).horizontalAdvance(caption) <= width;
}

// The text box uses these two characters to mark its own structure; coming
// from a file they would split the text, so they are shown as U+FFFD.
QString boxSafe(QString text) {
    for (QChar& c : text) {
        if (c.unicode() == 0xFDD0 || c.unicode() == 0xFDD1)
            c = QChar::ReplacementCharacter;
    }
    return text;
}

// Caret at the start and the first line in view, as after setting a box's text.
void showFromStart(QPlainTextEdit* box) {
    box->moveCursor(QTextCursor::Start);
    box->horizontalScrollBar()->setValue(0);
    box->verticalScrollBar()->setValue(0);
}

class EnterClicksButton final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        // A held key would save the same entry again and again.
        if (!enter || key->isAutoRepeat() || (key->modifiers() & ~Qt::KeypadModifier))
            return false;
        auto* button = qobject_cast<QAbstractButton*>(watched);
        if (!button || !button->isEnabled())
            return false;
        button->click();
        return true;
    }
};

const char* const kRoleProperty = "verimondAccessibleRole";

QAccessibleInterface* roleFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    const QVariant role = widget ? widget->property(kRoleProperty) : QVariant();
    if (!role.isValid())
        return nullptr;
    return new QAccessibleWidget(widget, static_cast<QAccessible::Role>(role.toInt()));
}

} // namespace

void setAccessibleRole(QWidget* widget, QAccessible::Role role) {
    static const bool installed = [] {
        QAccessible::installFactory(roleFactory);
        return true;
    }();
    Q_UNUSED(installed);
    widget->setProperty(kRoleProperty, static_cast<int>(role));
}

void showFailure(const QString& message) {
    if (failureHandler()) {
        failureHandler()(message);
        return;
    }
    std::fprintf(stderr, "verimond: %s\n", message.toLocal8Bit().constData());
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Verimond"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void endProgram(int status) {
    if (endHandler())
        endHandler()(status);
    std::fflush(nullptr);
    // No destructor runs: ending from inside a nested event loop must not
    // return into the handlers it is nested in.
    std::_Exit(status);
}

void guarded(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        showFailure(
            QStringLiteral("Verimond has to close: %1").arg(QString::fromLocal8Bit(e.what())));
        endProgram(1);
    } catch (...) {
        showFailure(QStringLiteral("Verimond has to close after an unexpected failure."));
        endProgram(1);
    }
}

void processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void processWindowEvents() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void setFailureHandler(std::function<void(const QString&)> handler) {
    failureHandler() = std::move(handler);
}

void setEndProgramHandler(std::function<void(int)> handler) {
    endHandler() = std::move(handler);
}

QString boxText(const QPlainTextEdit* box) {
    // toRawText keeps no-break spaces that toPlainText would turn into plain ones.
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QStringLiteral("\r\n"));
    text.replace(QChar::LineSeparator, QStringLiteral("\r\n"));
    return text;
}

void setBoxText(QPlainTextEdit* box, const QString& text) {
    QString plain = boxSafe(text);
    plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    box->setPlainText(plain);
    showFromStart(box);
}

void appendLines(QPlainTextEdit* box, const QStringList& lines) {
    if (lines.isEmpty())
        return;
    // Setting the whole text would clear the undo history as well; clearing it
    // here spares recording a long insertion step by step.
    QTextDocument* document = box->document();
    document->setUndoRedoEnabled(false);
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    end.beginEditBlock();
    end.insertText(boxSafe(lines.join(QLatin1Char('\n')) + QLatin1Char('\n')));
    end.endEditBlock();
    document->setUndoRedoEnabled(true);
    showFromStart(box);
}

void clickFocusedButtonOnEnter(QWidget* window) {
    auto* filter = new EnterClicksButton(window);
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
        button->installEventFilter(filter);
}

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

QFont formFont(double points, bool bold) {
    // One installed face is named, not "MS Sans Serif" with the stand-ins as its
    // substitutes: for a missing first face the font database sorts every
    // installed font into a fallback list before it tries the substitutes, and
    // again for the substitute it takes, at the first use of each font. Text the
    // face lacks still falls back to other fonts, sorted when first needed.
    static const QString face = [] {
        const QString wanted = QStringLiteral("MS Sans Serif");
        // Asks as the font database would, aliases included (on Windows the
        // name stands for "Microsoft Sans Serif").
        if (QFontDatabase::hasFamily(wanted))
            return wanted;
        const QStringList installed = QFontDatabase::families();
        for (const QString& standIn : standInFaces()) {
            if (installed.contains(standIn, Qt::CaseInsensitive))
                return standIn;
        }
        QFont::insertSubstitutions(wanted, standInFaces());
        return wanted;
    }();
    QFont font(face);
    // Sizes are fixed in pixels, like the twips layout, so text keeps its place
    // in the controls whatever the screen reports as its dots per inch.
    font.setPixelSize(static_cast<int>(std::lround(points * 96.0 / 72.0)));
    font.setBold(bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

void fitCaption(QWidget* widget, const QString& caption, int width) {
    QFont font = widget->font();
    if (fits(font, caption, width))
        return;
    for (const QString& face : standInFaces()) {
        QFont candidate = font;
        candidate.setFamilies({face});
        if (QFontInfo(candidate).family() != face)
            continue; // not installed
        if (fits(candidate, caption, width)) {
            widget->setFont(candidate);
            return;
        }
    }
    while (font.pixelSize() > 6 && !fits(font, caption, width))
        font.setPixelSize(font.pixelSize() - 1);
    widget->setFont(font);
}

} // namespace platform
