#pragma once

#include <QObject>

class DoubleClickGuard;
class QPlainTextEdit;
class QPoint;
class QTextCursor;

namespace spelling {
class SpellChecker;
}

// The entry text box's context menu, opened by a right click, the Menu key or
// Shift+F10, for the word at the caret or the one word selected; a right click
// outside the selection first moves the caret to the clicked word. For a
// misspelled word the menu starts with up to five suggestions, then "Add to
// Dictionary" and "Ignore All", then the box's usual edit actions. A
// suggestion taken replaces the word as one undo step. F7 in the box opens the
// spelling window.
class SpellingMenu : public QObject {
    Q_OBJECT
  public:
    SpellingMenu(QPlainTextEdit* box, spelling::SpellChecker* checker);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void open(const QPoint& globalPosition, bool fromKeyboard);
    void replace(QTextCursor word, const QString& was, const QString& by);
    void addToDictionary(const QString& word);

    QPlainTextEdit* box_;
    spelling::SpellChecker* checker_;
    DoubleClickGuard* guard_;
};
