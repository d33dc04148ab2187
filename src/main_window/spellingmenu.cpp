#include "spellingmenu.h"

#include "doubleclickguard.h"
#include "platform.h"
#include "spellchecker.h"
#include "spellingwindow.h"
#include "spellmarker.h"
#include "words.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextBlock>

SpellingMenu::SpellingMenu(QPlainTextEdit* box, spelling::SpellChecker* checker)
    : QObject(box), box_(box), checker_(checker), guard_(new DoubleClickGuard(this)) {
    // Keyboard requests come to the box, mouse ones to its viewport.
    box_->installEventFilter(this);
    box_->viewport()->installEventFilter(this);
}

bool SpellingMenu::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F7 && key->modifiers() == Qt::NoModifier) {
            SpellingWindow::check(box_, checker_);
            return true;
        }
        if (key->key() != Qt::Key_F10 || key->modifiers() != Qt::ShiftModifier)
            return false;
        open(box_->viewport()->mapToGlobal(box_->cursorRect().bottomLeft()), true);
        return true;
    }
    if (event->type() != QEvent::ContextMenu)
        return false;
    const auto* request = static_cast<QContextMenuEvent*>(event);
    if (request->reason() != QContextMenuEvent::Mouse) {
        open(box_->viewport()->mapToGlobal(box_->cursorRect().bottomLeft()), true);
        return true;
    }
    // A click inside a selection keeps it, for Cut and Copy.
    const QPoint inViewport =
        watched == box_ ? box_->viewport()->mapFrom(box_, request->pos()) : request->pos();
    const QTextCursor clicked = box_->cursorForPosition(inViewport);
    const QTextCursor caret = box_->textCursor();
    if (clicked.position() < caret.selectionStart() || clicked.position() > caret.selectionEnd())
        box_->setTextCursor(clicked);
    open(request->globalPos(), false);
    return true;
}

void SpellingMenu::open(const QPoint& globalPosition, bool fromKeyboard) {
    QMenu* menu = box_->createStandardContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QTextCursor caret = box_->textCursor();
    const QTextBlock block = caret.block();
    const QString text = block.text();
    // A selection counts when it is one whole word, as a double click makes it.
    const int from = caret.selectionStart() - block.position();
    auto span = spelling::wordAt(QStringView(text).left(SpellMarker::kMostCheckedChars), from);
    if (span && caret.hasSelection() &&
        (span->start != from || span->end() != caret.selectionEnd() - block.position()))
        span.reset();
    const QString word = span ? text.mid(span->start, span->length) : QString();
    if (span && checker_->isMisspelled(word)) {
        // The word is found again when an action is taken, wherever edits moved it.
        QTextCursor target(box_->document());
        target.setPosition(block.position() + int(span->start));
        target.setPosition(block.position() + int(span->end()), QTextCursor::KeepAnchor);
        QAction* usual = menu->actions().value(0);
        for (const QString& suggestion : checker_->suggestions(word)) {
            auto* action = new QAction(suggestion, menu);
            connect(action, &QAction::triggered, this,
                    [this, target, word, suggestion] { replace(target, word, suggestion); });
            menu->insertAction(usual, action);
        }
        if (menu->actions().first() != usual)
            menu->insertSeparator(usual); // the words apart from what is done to them
        auto* add = new QAction(QStringLiteral("Add to Dictionary"), menu);
        connect(add, &QAction::triggered, this, [this, word] { addToDictionary(word); });
        auto* ignore = new QAction(QStringLiteral("Ignore All"), menu);
        connect(ignore, &QAction::triggered, this, [this, word] { checker_->ignoreAll(word); });
        menu->insertActions(usual, {add, ignore});
        menu->insertSeparator(usual);
    }
    // Qt gives the box its focus back without telling a screen reader, which
    // Orca then leaves on the window; told before the menu is told gone.
    connect(menu, &QMenu::aboutToHide, box_, [box = box_] {
        if (box->hasFocus())
            platform::tellFocus(box);
    });
    connect(menu, &QMenu::triggered, guard_, &DoubleClickGuard::arm);
    menu->popup(globalPosition);
    // From the keyboard, Enter takes the first entry, and a screen reader speaks it.
    if (fromKeyboard)
        menu->setActiveAction(menu->actions().first());
}

void SpellingMenu::replace(QTextCursor word, const QString& was, const QString& by) {
    if (word.selectedText() != was)
        return;          // the text changed while the menu was open
    word.insertText(by); // over the selection, so one undo step
    box_->setTextCursor(word);
}

void SpellingMenu::addToDictionary(const QString& word) {
    if (const auto error = checker_->addToDictionary(word))
        platform::showFailure(
            QStringLiteral("\u201C%1\u201D is known until Verimond ends, but the personal word "
                           "list %2 could not be written: %3.")
                .arg(word, error->path, error->reason));
}
