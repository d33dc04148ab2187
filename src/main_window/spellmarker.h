#pragma once

#include <QObject>
#include <QTextCharFormat>
#include <QTextCursor>

class QPlainTextEdit;
class QTextBlock;
class QTimer;

namespace spelling {
class SpellChecker;
}

// Marks the misspelled words of the entry text box with a red wavy underline.
// Only the lines on screen are checked, each line once until it or the
// checker changes, so a long text costs no more than a short one; lines are
// checked as they scroll into view. The word being typed is checked once the
// caret has left it. The marks are drawn over the text and are no part of
// it: the text, its undo steps and what Save writes stay as they are.
//
// The dictionary is loaded in the background once the box is first painted,
// so the window shows as fast as without spelling.
class SpellMarker : public QObject {
    Q_OBJECT
  public:
    // A line of a box may hold a whole file; past this many characters of a
    // line, no prose is written, and nothing is checked.
    static constexpr qsizetype kMostCheckedChars = 10000;

    SpellMarker(QPlainTextEdit* box, spelling::SpellChecker* checker);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void markVisible();
    void mark(QTextBlock block);
    void contentsChanged(int from, int removed, int added);
    void caretMoved();

    QPlainTextEdit* box_;
    spelling::SpellChecker* checker_;
    QTimer* pass_;
    QTextCharFormat misspelled_;
    // Each line's user state holds the generation it was checked in; a change
    // of the checker starts a new one.
    int generation_ = 0;
    // Selects the word being typed while holding_; it moves with the text.
    // One cursor for the box's life: Qt loses track of a cursor made or
    // dropped while the document clears itself, and would write to a
    // dropped one's memory at the next edit.
    QTextCursor held_;
    bool holding_ = false;
    bool loading_ = false;
};
