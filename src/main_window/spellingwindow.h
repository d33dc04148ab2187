#pragma once

#include <QTextCursor>
#include <QWidget>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;

namespace platform {
class Announcer;
}
namespace spelling {
class SpellChecker;
}

// The spelling window F7 opens: it walks the entry text box's unknown words
// from the caret to the end, then once from the start up to where it began.
// The user asked for the walk, so it checks the whole text, not only the
// lines on screen. Each word is shown in its line, with its suggestions, the
// first one selected, and the buttons Change, Ignore, Ignore All, Add to
// Dictionary and Close; Enter changes and Esc closes. A screen reader is told
// the word and the first suggestion at each step.
//
// Like the About window it is a plain window beside the main one, so a search
// waiting meanwhile goes on as before. When the text has no unknown word, or
// there is no dictionary, a message says so and no spelling window opens.
class SpellingWindow : public QWidget {
    Q_OBJECT
  public:
    static void check(QPlainTextEdit* box, spelling::SpellChecker* checker);

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    SpellingWindow(QPlainTextEdit* box, spelling::SpellChecker* checker);

    void start();
    // Selects the next unknown word in found_; false once the walk is over.
    bool findNext();
    void showWord();
    void next();
    void change();
    void finish();

    QPlainTextEdit* box_;
    spelling::SpellChecker* checker_;
    platform::Announcer* announcer_;
    QLabel* lineLabel_;
    QLineEdit* line_;
    QListWidget* suggestions_;
    QPushButton* change_;
    // Where the walk began, where it has come to, and the word it found;
    // each moves with edits made meanwhile.
    QTextCursor start_;
    QTextCursor at_;
    QTextCursor found_;
    QString word_;
    int wordInLine_ = 0;
    bool wrapped_ = false;
    // The next step begins a walk at the caret.
    bool fromCaret_ = false;
};
