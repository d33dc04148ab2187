#include "spellmarker.h"

#include "spellchecker.h"
#include "words.h"

#include <QEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>

SpellMarker::SpellMarker(QPlainTextEdit* box, spelling::SpellChecker* checker)
    : QObject(box), box_(box), checker_(checker), pass_(new QTimer(this)), held_(box->document()) {
    misspelled_.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    misspelled_.setUnderlineColor(Qt::red);
    pass_->setSingleShot(true); // at the next pass of the event loop
    connect(pass_, &QTimer::timeout, this, &SpellMarker::markVisible);
    // Whatever changes what the box shows paints it: a scroll, a resize, an edit.
    box_->viewport()->installEventFilter(this);
    connect(box_->document(), &QTextDocument::contentsChange, this, &SpellMarker::contentsChanged);
    connect(box_, &QPlainTextEdit::cursorPositionChanged, this, &SpellMarker::caretMoved);
    // Select All moves the caret without telling of it.
    connect(box_, &QPlainTextEdit::selectionChanged, this, &SpellMarker::caretMoved);
    connect(checker_, &spelling::SpellChecker::changed, this, [this] {
        ++generation_;
        pass_->start();
    });
}

bool SpellMarker::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Paint) {
        if (!std::exchange(loading_, true))
            QTimer::singleShot(0, checker_, &spelling::SpellChecker::loadInBackground);
        pass_->start();
    }
    return QObject::eventFilter(watched, event);
}

void SpellMarker::markVisible() {
    if (!box_->isVisible())
        return;
    QTextBlock block = box_->cursorForPosition(QPoint(0, 0)).block();
    const QTextBlock last =
        box_->cursorForPosition(QPoint(0, box_->viewport()->height() - 1)).block();
    for (; block.isValid(); block = block.next()) {
        if (block.userState() != generation_)
            mark(block);
        if (block == last)
            break;
    }
}

void SpellMarker::mark(QTextBlock block) {
    QTextLayout* layout = block.layout();
    // Text an input method is still composing is left to it.
    if (!layout || !layout->preeditAreaText().isEmpty())
        return;
    block.setUserState(generation_);
    QList<QTextLayout::FormatRange> marks;
    if (checker_->hasDictionary()) {
        const QString text = block.text();
        const QStringView checked = QStringView(text).left(kMostCheckedChars);
        for (const spelling::WordSpan& word : spelling::findWords(checked)) {
            if (word.end() == checked.size() && checked.size() < text.size())
                break; // cut at the limit, so no word
            if (holding_ && block.position() + word.start == held_.selectionStart())
                continue;
            if (checker_->isMisspelled(text.mid(word.start, word.length)))
                marks.append({int(word.start), int(word.length), misspelled_});
        }
    }
    if (layout->formats() != marks) {
        layout->setFormats(marks);
        box_->document()->markContentsDirty(block.position(), block.length());
    }
}

void SpellMarker::contentsChanged(int from, int removed, int added) {
    Q_UNUSED(removed);
    QTextDocument* document = box_->document();
    // An edit at the caret, as typing makes, holds the word there back. Keys
    // go to the box that its window would focus, even while another window
    // is the active one: where no window manager runs, a window that closes
    // hands the activation back to none.
    QTextBlock wasHeld = std::exchange(holding_, false) ? held_.block() : QTextBlock();
    const int caret = box_->textCursor().position();
    if (box_->window()->focusWidget() == box_ && from <= caret && caret <= from + added) {
        const QTextBlock block = document->findBlock(caret);
        const QString text = block.text();
        if (auto word = spelling::wordAt(QStringView(text).left(kMostCheckedChars),
                                         caret - block.position())) {
            held_.setPosition(block.position() + int(word->start));
            held_.setPosition(block.position() + int(word->end()), QTextCursor::KeepAnchor);
            holding_ = true;
        }
    }
    // Marking it now would lay out every line between it and the edit again.
    if (wasHeld.isValid() && !(holding_ && wasHeld == held_.block()))
        wasHeld.setUserState(-1);
    // The lines in between are new, with no marks yet; the first and the last
    // may have marks that no longer fit their text.
    const QTextBlock first = document->findBlock(from);
    const QTextBlock last = document->findBlock(from + added);
    if (first.isValid())
        mark(first);
    if (last.isValid() && last != first)
        mark(last);
    pass_->start();
}

void SpellMarker::caretMoved() {
    if (!holding_)
        return;
    const int caret = box_->textCursor().position();
    if (held_.selectionStart() <= caret && caret <= held_.selectionEnd())
        return;
    holding_ = false;
    if (const QTextBlock block = held_.block(); block.isValid())
        mark(block);
}
