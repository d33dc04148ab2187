#include "textbox.h"

#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextCursor>

namespace platform {

namespace {

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

} // namespace

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

} // namespace platform
