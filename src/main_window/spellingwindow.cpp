#include "spellingwindow.h"

#include "platform.h"
#include "spellchecker.h"
#include "spellingfiles.h"
#include "spellmarker.h"
#include "words.h"

#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextBlock>

#include <utility>

namespace {

// A message beside the window, which no search waits for. One at a time: F7
// pressed again while one shows says it again in the same box.
void tell(QWidget* owner, const QString& message) {
    const QString name = QStringLiteral("SpellingMessage");
    auto* box = owner->findChild<QMessageBox*>(name, Qt::FindDirectChildrenOnly);
    if (!box) {
        box = new QMessageBox(QMessageBox::Information, QStringLiteral("Spelling"), {},
                              QMessageBox::Ok, owner);
        box->setObjectName(name);
        box->setWindowModality(Qt::NonModal);
    }
    box->setText(message);
    box->show();
    box->raise();
    box->activateWindow();
}

} // namespace

void SpellingWindow::check(QPlainTextEdit* box, spelling::SpellChecker* checker) {
    if (checker->isLoading()) {
        tell(box->window(), QStringLiteral("The spelling dictionary is still being read."));
        return;
    }
    if (!checker->hasDictionary()) {
        QString message = QStringLiteral("No spelling dictionary is installed.");
        if (const QString advice = platform::dictionaryAdvice(checker->userLocale());
            !advice.isEmpty())
            message += u' ' + advice;
        tell(box->window(), message);
        return;
    }
    // One spelling window per main window, kept once made.
    auto* window = box->window()->findChild<SpellingWindow*>();
    if (!window)
        window = new SpellingWindow(box, checker);
    window->start();
}

SpellingWindow::SpellingWindow(QPlainTextEdit* box, spelling::SpellChecker* checker)
    : QWidget(box->window(), Qt::Window), box_(box), checker_(checker) {
    setObjectName(QStringLiteral("SpellingWindow"));
    platform::setAccessibleRole(this, QAccessible::Dialog);
    setWindowTitle(QStringLiteral("Spelling"));
    setFont(platform::formFont(8.25));

    lineLabel_ = new QLabel(this);
    lineLabel_->setObjectName(QStringLiteral("Word"));
    line_ = new QLineEdit(this);
    line_->setObjectName(QStringLiteral("Line"));
    line_->setReadOnly(true);
    line_->setMinimumWidth(platform::twips(6000));
    lineLabel_->setBuddy(line_);
    auto* suggestionsLabel = new QLabel(QStringLiteral("&Suggestions:"), this);
    suggestions_ = new QListWidget(this);
    suggestions_->setObjectName(QStringLiteral("Suggestions"));
    // A list takes no name from its label, so a screen reader would name it not at all.
    suggestions_->setAccessibleName(QStringLiteral("Suggestions"));
    suggestionsLabel->setBuddy(suggestions_);
    connect(suggestions_, &QListWidget::itemDoubleClicked, this, &SpellingWindow::change);

    auto button = [this](const QString& caption, auto handler) {
        auto* button = new QPushButton(caption, this);
        button->setAutoDefault(false);
        // A click leaves the focus in the suggestions, where Enter changes;
        // Tab still reaches every button.
        button->setFocusPolicy(Qt::TabFocus);
        connect(button, &QPushButton::clicked, this, handler);
        return button;
    };
    change_ = button(QStringLiteral("&Change"), &SpellingWindow::change);
    auto* ignore = button(QStringLiteral("&Ignore"), &SpellingWindow::next);
    auto* ignoreAll = button(QStringLiteral("Ignore &All"), [this] {
        checker_->ignoreAll(word_);
        next();
    });
    auto* add = button(QStringLiteral("A&dd to Dictionary"), [this] {
        if (const auto error = checker_->addToDictionary(word_))
            platform::showFailure(
                QStringLiteral("\u201C%1\u201D is known until Verimond ends, but the personal "
                               "word list %2 could not be written: %3.")
                    .arg(word_, error->path, error->reason));
        next();
    });
    auto* close = button(QStringLiteral("Close"), &QWidget::close);

    auto* layout = new QGridLayout(this);
    layout->addWidget(lineLabel_, 0, 0, 1, 2);
    layout->addWidget(line_, 1, 0, 1, 2);
    layout->addWidget(suggestionsLabel, 2, 0);
    layout->addWidget(suggestions_, 3, 0, 6, 1);
    int row = 3;
    for (QPushButton* each : {change_, ignore, ignoreAll, add, close})
        layout->addWidget(each, row++, 1);
    platform::clickFocusedButtonOnEnter(this);
    line_->installEventFilter(this);
    announcer_ = new platform::Announcer(this);
    // A whole new text (a search showing an entry, the fish, all of it typed
    // over) leaves the walk's cursors at one end of it; the next step walks
    // the new text afresh from the caret.
    connect(box_->document(), &QTextDocument::contentsChange, this,
            [this](int, int removed, int added) {
                const int before = box_->document()->characterCount() - added + removed;
                if (removed >= before - 1) // all of it
                    fromCaret_ = true;
            });
}

void SpellingWindow::start() {
    fromCaret_ = true;
    if (!findNext()) {
        hide();
        tell(box_->window(), QStringLiteral("No misspelled words."));
        return;
    }
    showWord();
    show();
    raise();
    activateWindow();
    suggestions_->setFocus();
}

bool SpellingWindow::findNext() {
    if (std::exchange(fromCaret_, false)) {
        start_ = box_->textCursor();
        start_.clearSelection();
        at_ = start_;
        wrapped_ = false;
    }
    QTextDocument* document = box_->document();
    for (;;) {
        const int end = wrapped_ ? start_.position() : document->characterCount();
        for (QTextBlock block = document->findBlock(at_.position());
             block.isValid() && block.position() < end; block = block.next()) {
            const QString text = block.text();
            for (const spelling::WordSpan& word : spelling::findWords(text)) {
                const int from = block.position() + int(word.start);
                if (from < at_.position() || from >= end)
                    continue;
                const QString candidate = text.mid(word.start, word.length);
                if (!checker_->isMisspelled(candidate))
                    continue;
                found_ = QTextCursor(document);
                found_.setPosition(from);
                found_.setPosition(from + int(word.length), QTextCursor::KeepAnchor);
                at_.setPosition(found_.position());
                word_ = candidate;
                return true;
            }
        }
        if (wrapped_)
            return false;
        wrapped_ = true;
        at_.setPosition(0);
    }
}

void SpellingWindow::showWord() {
    const QTextBlock block = found_.block();
    lineLabel_->setText(QStringLiteral("Not in the dictionary: %1").arg(word_));
    line_->setText(block.text());
    wordInLine_ = found_.selectionStart() - block.position();
    line_->setSelection(wordInLine_, int(word_.size()));
    suggestions_->clear();
    const QStringList suggestions = checker_->suggestions(word_);
    suggestions_->addItems(suggestions);
    suggestions_->setCurrentRow(0);
    change_->setEnabled(!suggestions.isEmpty());
    // The box shows the word too, so the user sees where it is.
    box_->setTextCursor(found_);
    announcer_->announce(
        suggestions.isEmpty()
            ? QStringLiteral("Not in the dictionary: %1. No suggestions.").arg(word_)
            : QStringLiteral("Not in the dictionary: %1. Suggestion: %2.")
                  .arg(word_, suggestions.first()));
}

// The line is the only one watched. A line edit drops its selection when its
// window comes to the front without giving it the focus, and when it loses
// the focus; the word stays marked.
bool SpellingWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::WindowActivate) {
        line_->update(); // in the active window's colours
        return true;
    }
    if (event->type() == QEvent::FocusOut)
        QMetaObject::invokeMethod(
            this, [this] { line_->setSelection(wordInLine_, int(word_.size())); },
            Qt::QueuedConnection);
    return QWidget::eventFilter(watched, event);
}

void SpellingWindow::next() {
    if (findNext())
        showWord();
    else
        finish();
}

void SpellingWindow::change() {
    const QListWidgetItem* chosen = suggestions_->currentItem();
    if (!chosen || found_.selectedText() != word_) {
        next();
        return;
    }
    found_.insertText(chosen->text()); // over the selection, so one undo step
    at_.setPosition(found_.position());
    next();
}

void SpellingWindow::finish() {
    hide();
    box_->setTextCursor(at_);
    tell(box_->window(), QStringLiteral("The spelling check is complete."));
}

void SpellingWindow::keyPressEvent(QKeyEvent* event) {
    if (event->modifiers() & ~Qt::KeypadModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    switch (event->key()) {
    case Qt::Key_Escape:
        close();
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        change();
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}
