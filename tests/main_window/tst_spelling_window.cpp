#include "filebytes.h"
#include "form1.h"
#include "guitest.h"
#include "searchdriver.h"
#include "spellchecker.h"
#include "spellingfiles.h"
#include "testdictionary.h"

#include <QAccessible>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using searchdriver::child;

namespace {

// Marks appear a moment after what they mark.
#define TRY_COMPARE(actual, expected) QTRY_COMPARE_WITH_TIMEOUT(actual, expected, 30000)

QTextBlock line(QPlainTextEdit* text2, int number) {
    return text2->document()->findBlockByNumber(number);
}

// The words of line `number` drawn as misspelled.
QStringList marked(QPlainTextEdit* text2, int number = 0) {
    const QTextBlock block = line(text2, number);
    QStringList words;
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline &&
            range.format.underlineColor() == QColor(Qt::red))
            words << block.text().mid(range.start, range.length);
    }
    return words;
}

// Opens the box's context menu as `reason` does, the mouse at character `at`.
QMenu* openMenu(QPlainTextEdit* text2, QContextMenuEvent::Reason reason, int at = 0) {
    QTextCursor cursor(text2->document());
    cursor.setPosition(at);
    const QPoint point = text2->cursorRect(cursor).center() + QPoint(1, 0);
    QWidget* receiver = reason == QContextMenuEvent::Mouse ? text2->viewport() : text2;
    QContextMenuEvent request(reason, point, text2->viewport()->mapToGlobal(point));
    QApplication::sendEvent(receiver, &request);
    return qobject_cast<QMenu*>(QApplication::activePopupWidget());
}

QStringList texts(QMenu* menu) {
    QStringList texts;
    for (QAction* action : menu->actions())
        texts << action->text();
    return texts;
}

void take(QMenu* menu, const QString& text) {
    for (QAction* action : menu->actions()) {
        if (action->text() == text) {
            menu->close();
            action->trigger();
            return;
        }
    }
    qFatal("the menu lacks %s", qPrintable(text));
}

// The texts of the spelling messages `form` shows.
QStringList messages(Form1& form) {
    QStringList texts;
    for (const QMessageBox* box : form.findChildren<QMessageBox*>("SpellingMessage")) {
        if (box->isVisible())
            texts << box->text();
    }
    return texts;
}

} // namespace

class TestSpellingWindow : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir dir_;

    struct Shown {
        std::unique_ptr<Form1> form;
        QPlainTextEdit* text2;
    };
    // A shown window whose entry box holds `text` and has the focus, checked
    // with the test's own dictionary, or with none.
    Shown open(const QString& text, bool dictionary = true) {
        Shown shown{shownForm(dictionary), nullptr};
        shown.text2 = child<QPlainTextEdit>(*shown.form, "Text2");
        platform::setBoxText(shown.text2, text);
        shown.text2->setFocus();
        return shown;
    }

    static QString wordList() { return spelling::PersonalWordList::defaultPath(); }

    std::unique_ptr<Form1> shownForm(bool dictionary = true) {
        auto form = std::make_unique<Form1>();
        auto* checker = form->findChild<spelling::SpellChecker*>();
        checker->setDictionaryFolder(dir_.filePath(dictionary ? "dictionaries" : "none"));
        QSignalSpy loaded(checker, &spelling::SpellChecker::dictionaryLoaded);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()) || (dictionary && !loaded.wait(30000)))
            qFatal("the window or its dictionary did not come");
        return form;
    }

  private slots:
    void initTestCase() {
        qputenv("XDG_CONFIG_HOME", dir_.filePath("config").toUtf8());
#ifdef Q_OS_WIN
        // Windows names the configuration folder itself, whatever the
        // environment says; the tests' word lists go to a test folder.
        QStandardPaths::setTestModeEnabled(true);
#endif
        qputenv("LC_ALL", "en_US.UTF-8");
        writeTestDictionary(dir_.filePath("dictionaries"), "en_US");
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void init() {
        QFile::remove("verimond.dat");
        // Each test has a word list of its own.
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QTest::currentTestFunction()).toUtf8());
        QDir(QFileInfo(wordList()).path()).removeRecursively();
    }

    void marksAWordOnceTheCaretLeavesIt() {
        auto [form, text2] = open("");
        QTest::keyClicks(text2, "I beleive");
        TRY_COMPARE(line(text2, 0).userState() >= 0, true);
        QCOMPARE(marked(text2), QStringList());
        QTest::keyClick(text2, Qt::Key_Home); // the caret leaves it
        TRY_COMPARE(marked(text2), QStringList{"beleive"});
        QTest::keyClick(text2, Qt::Key_End);
        QTest::keyClicks(text2, " it wrnog.");
        TRY_COMPARE(marked(text2), (QStringList{"beleive", "wrnog"}));
        // Into the word stays marked; typing in it holds it back again, and
        // it alone.
        QTest::keyClick(text2, Qt::Key_Home);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(text2, Qt::Key_Right);
        QCOMPARE(marked(text2), (QStringList{"beleive", "wrnog"}));
        QTest::keyClicks(text2, "x");
        QCOMPARE(marked(text2), QStringList{"wrnog"});
        QTest::keyClick(text2, Qt::Key_Delete); // so does deleting at the caret
        QCOMPARE(marked(text2), QStringList{"wrnog"});
        QTest::keyClick(text2, Qt::Key_A, Qt::ControlModifier); // leaves it too
        QCOMPARE(marked(text2), (QStringList{"belxive", "wrnog"}));
        text2->moveCursor(QTextCursor::End);
        TRY_COMPARE(marked(text2), (QStringList{"belxive", "wrnog"}));
        QCOMPARE(platform::boxText(text2), "I belxive it wrnog.");
        // A text put in whole while a word is held, as a search shows an
        // entry, is marked afresh, and the edits after it are safe.
        QTest::keyClicks(text2, " wrnog");
        platform::setBoxText(text2, {});
        platform::appendLines(text2, {"wrnog one"});
        TRY_COMPARE(marked(text2), QStringList{"wrnog"});
        QTest::keyClicks(text2, "I ");
        QCOMPARE(platform::boxText(text2), "I wrnog one\r\n");
        // A line split in two has both halves marked at once.
        platform::setBoxText(text2, "wrnog beleive");
        TRY_COMPARE(marked(text2), (QStringList{"wrnog", "beleive"}));
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(text2, Qt::Key_Right);
        QTest::keyClick(text2, Qt::Key_Return);
        QCOMPARE(marked(text2, 1), QStringList{"beleive"});
        // Keys typed while another window is the active one, as they come
        // after a message closes where no window manager gives the diary
        // window back its activation, are held back all the same.
        QWidget other;
        other.show();
        QTRY_VERIFY(other.isActiveWindow());
        text2->moveCursor(QTextCursor::End);
        QTest::keyClicks(text2, " wrnog");
        QCOMPARE(marked(text2, 1), QStringList{"beleive"});
        // A word dropped into the box while another control has the focus
        // is not being typed: it is marked at once.
        platform::setBoxText(text2, "one ");
        child<QWidget>(*form, "Text1")->setFocus();
        QTextCursor end(text2->document());
        end.movePosition(QTextCursor::End);
        QMimeData dragged;
        dragged.setText("wrnog");
        const QPoint at = text2->cursorRect(end).center();
        QDragEnterEvent enter(at, Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(text2->viewport(), &enter);
        QDropEvent drop(at, Qt::CopyAction, &dragged, Qt::LeftButton, {});
        QApplication::sendEvent(text2->viewport(), &drop);
        QCOMPARE(platform::boxText(text2), "one wrnog");
        QCOMPARE(marked(text2), QStringList{"wrnog"});
    }

    // Text put in the box, as by a search, is marked from its first word.
    void marksOnlyTheLinesOnScreen() {
        auto [form, text2] = open(QStringList(3000, "beleive it beleive").join("\r\n"));
        const QStringList both{"beleive", "beleive"}; // the first word, and the last
        TRY_COMPARE(marked(text2), both);
        const int lastShown =
            text2->cursorForPosition(QPoint(0, text2->viewport()->height() - 1)).blockNumber();
        QVERIFY(lastShown > 5);
        TRY_COMPARE(marked(text2, lastShown), both);
        QCOMPARE(marked(text2, lastShown + 2), QStringList());
        QCOMPARE(marked(text2, 2999), QStringList());
        text2->verticalScrollBar()->setValue(text2->verticalScrollBar()->maximum());
        TRY_COMPARE(marked(text2, 2999), both);
        QCOMPARE(marked(text2, 1500), QStringList());
    }

    // The diary's keywords are known words, once the keyword box has read them.
    void aKeywordOfTheDiaryIsNoMisspelling() {
        writeBytes("verimond.dat", "Beleive\r\nd\r\nt\r\n**EOE**\r\n");
        auto [form, text2] = open("I beleive it.");
        TRY_COMPARE(marked(text2), QStringList{"beleive"});
        // From the keyword box, with the entry box painted for the focus it
        // lost: it blinks no caret to be painted again.
        auto* text1 = child<QLineEdit>(*form, "Text1");
        text1->setFocus();
        QCoreApplication::processEvents();
        QTest::keyClicks(text1, "B");
        TRY_COMPARE(marked(text2), QStringList());
    }

    void marksNothingWithoutADictionary() {
        auto [form, text2] = open("I beleive it.", false);
        TRY_COMPARE(line(text2, 0).userState() >= 0, true);
        QCOMPARE(marked(text2), QStringList());
    }

    // The marks are no part of the text: Save writes, and Find shows, the
    // text as typed.
    void theTextStaysAsTyped_data() {
        QTest::addColumn<QString>("text");
        QTest::newRow("marked words") << "I beleive it\r\nwrnog and rihgt";
        QTest::newRow("addresses") << "see www.exampel.org or jon@exampel.org";
        QTest::newRow("no-break space") << QString::fromUtf8("beleive\u00A0it  beleive");
    }
    void theTextStaysAsTyped() {
        QFETCH(QString, text);
        GuiTestHooks hooks;
        auto [form, text2] = open(text);
        TRY_COMPARE(marked(text2).isEmpty(), false);
        child<QLineEdit>(*form, "Text1")->setText("grace");
        child<QLineEdit>(*form, "Text3")->setText("May 3");
        QTest::mouseClick(child(*form, "Command1"), Qt::LeftButton);
        QCOMPARE(QByteArray::fromStdString(readBytes("verimond.dat")),
                 ("grace\r\nMay 3\r\n" + text + "\r\n**EOE**\r\n").toLatin1());
        const auto waits = searchdriver::find(*form, "grace");
        QCOMPARE(searchdriver::texts(waits), QStringList{"May 3\r\n" + text + "\r\n"});
        QVERIFY(hooks.messages.isEmpty());
    }

    void aRightClickCorrectsTheWordClicked() {
        auto [form, text2] = open("I beleive it.");
        TRY_COMPARE(marked(text2), QStringList{"beleive"});
        text2->moveCursor(QTextCursor::End); // the word clicked lies before the caret
        QMenu* menu = openMenu(text2, QContextMenuEvent::Mouse, 5);
        QVERIFY(menu);
        QCOMPARE(text2->textCursor().position(), 5);
        QVERIFY(!menu->activeAction()); // Enter takes nothing the mouse did not point at
        const QStringList actions = texts(menu);
        QCOMPARE(actions.first(), "believe");
        const qsizetype suggestions = actions.indexOf("");
        QVERIFY(suggestions >= 1 && suggestions <= 5);
        QCOMPARE(actions.mid(suggestions + 1, 3),
                 (QStringList{"Add to Dictionary", "Ignore All", ""}));
        QCOMPARE(actions.mid(suggestions + 4), texts(text2->createStandardContextMenu()));
        take(menu, "believe");
        QCOMPARE(platform::boxText(text2), "I believe it.");
        TRY_COMPARE(marked(text2), QStringList());
        text2->undo();
        QCOMPARE(platform::boxText(text2), "I beleive it.");
        // A double click on a suggestion takes it, and its second press
        // clicks nothing in the box under the closed menu: the caret stays
        // after the word taken.
        menu = openMenu(text2, QContextMenuEvent::Mouse, 5);
        const QPoint onSuggestion =
            menu->mapToGlobal(menu->actionGeometry(menu->actions().first()).center());
        QTest::mouseDClick(form->windowHandle(), Qt::LeftButton, {},
                           form->mapFromGlobal(onSuggestion));
        QCOMPARE(platform::boxText(text2), "I believe it.");
        QCOMPARE(text2->textCursor().position(), 9);
        QVERIFY(!text2->textCursor().hasSelection());
        text2->undo();
        // A word selected whole, as a double click selects it, is offered too,
        // and stays selected, clicked inside or at its start; a selection of
        // less or more is not.
        for (const auto& [from, to] : {std::pair{2, 9}, {3, 9}, {2, 12}}) {
            for (int at : {5, from}) {
                QTextCursor selection(text2->document());
                selection.setPosition(from);
                selection.setPosition(to, QTextCursor::KeepAnchor);
                text2->setTextCursor(selection);
                menu = openMenu(text2, QContextMenuEvent::Mouse, at);
                QCOMPARE(text2->textCursor().selectedText(), selection.selectedText());
                QCOMPARE(texts(menu).first() == "believe", from == 2 && to == 9);
                menu->close();
            }
        }
        // A selection on no word has the usual actions only.
        platform::setBoxText(text2, "a  ,  b");
        QTextCursor comma(text2->document());
        comma.setPosition(3);
        comma.setPosition(4, QTextCursor::KeepAnchor);
        text2->setTextCursor(comma);
        menu = openMenu(text2, QContextMenuEvent::Mouse, 3);
        QCOMPARE(texts(menu), texts(text2->createStandardContextMenu()));
        menu->close();
    }

    void theKeyboardOpensTheMenuAtTheCaret() {
        auto [form, text2] = open("I beleive it.");
        TRY_COMPARE(marked(text2), QStringList{"beleive"});
        // A known word has only the usual actions.
        text2->moveCursor(QTextCursor::End);
        QTest::keyClick(text2, Qt::Key_Left); // in "it"
        // F10 alone, or Shift with another key, opens nothing.
        QTest::keyClick(text2, Qt::Key_F10);
        QTest::keyClick(text2, Qt::Key_T, Qt::ShiftModifier);
        QVERIFY(!QApplication::activePopupWidget());
        QTest::keyClick(text2, Qt::Key_Backspace);
        QTest::keyClick(text2, Qt::Key_F10, Qt::ShiftModifier);
        QMenu* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(menu);
        QVERIFY(!texts(menu).contains("Add to Dictionary"));
        menu->close();
        QTest::keyClick(text2, Qt::Key_Home);
        QTest::keyClick(text2, Qt::Key_Right, Qt::ControlModifier);
        menu = openMenu(text2, QContextMenuEvent::Keyboard);
        QVERIFY(menu);
        QCOMPARE(text2->textCursor().position(), 2);
        QCOMPARE(texts(menu).first(), "believe");
        QCOMPARE(menu->activeAction()->text(), "believe");
        menu->close();
        platform::setBoxText(text2, "qqqq"); // no suggestion, so no line above the rest
        QCOMPARE(texts(openMenu(text2, QContextMenuEvent::Keyboard)).first(), "Add to Dictionary");
        QApplication::activePopupWidget()->close();
    }

    void addedAndIgnoredWordsAreNoLongerMarked() {
        auto [form, text2] = open("I beleive it wrnog.");
        TRY_COMPARE(marked(text2), (QStringList{"beleive", "wrnog"}));
        take(openMenu(text2, QContextMenuEvent::Mouse, 4), "Add to Dictionary");
        TRY_COMPARE(marked(text2), QStringList{"wrnog"});
        take(openMenu(text2, QContextMenuEvent::Mouse, 15), "Ignore All");
        TRY_COMPARE(marked(text2), QStringList());
        QCOMPARE(readBytes(wordList().toStdString()), "beleive\n");
    }

    void aListThatCannotBeWrittenIsSaidOnce() {
        GuiTestHooks hooks;
        const QString list = wordList();
        QVERIFY(QDir().mkpath(list));
        auto [form, text2] = open("I beleive it wrnog.");
        TRY_COMPARE(marked(text2).size(), 2);
        take(openMenu(text2, QContextMenuEvent::Mouse, 4), "Add to Dictionary");
        take(openMenu(text2, QContextMenuEvent::Mouse, 15), "Add to Dictionary");
        TRY_COMPARE(marked(text2), QStringList());
        QCOMPARE(hooks.messages.size(), 1);
        QVERIFY(hooks.messages.first().contains("could not be written"));
        QVERIFY(QFileInfo(list).isDir());
    }

    void f7WalksTheUnknownWordsFromTheCaret() {
        auto [form, text2] = open("wrnog one\r\nI beleive it rihgt");
        QTest::keyClick(text2, Qt::Key_Down);
        QTest::keyClick(text2, Qt::Key_F7);
        auto* window = form->findChild<QWidget*>("SpellingWindow");
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), "Spelling");
        QCOMPARE(window->font(), form->font());
        auto* line = window->findChild<QLineEdit*>("Line");
        auto* suggestions = window->findChild<QListWidget*>("Suggestions");
        QCOMPARE(line->text(), "I beleive it rihgt");
        QCOMPARE(line->selectedText(), "beleive");
        // It stays marked as the window comes to the front, and after the
        // line had the focus; a line edit without the focus drops it.
        QTRY_COMPARE(QApplication::activeWindow(), window);
        QCoreApplication::processEvents();
        QCOMPARE(line->selectedText(), "beleive");
        line->setFocus(Qt::TabFocusReason);
        QTest::keyClick(line, Qt::Key_End); // the line is read from its caret meanwhile
        QTest::keyClick(line, Qt::Key_X);   // and never typed in
        QCoreApplication::processEvents();
        QVERIFY(!line->hasSelectedText());
        QCOMPARE(line->text(), "I beleive it rihgt");
        suggestions->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        QCOMPARE(line->selectedText(), "beleive");
        QCOMPARE(text2->textCursor().selectedText(), "beleive"); // shown where it is
        QCOMPARE(window->findChild<QLabel*>("Word")->text(), "Not in the dictionary: beleive");
        // What a reader names the line and the list.
        QCOMPARE(QAccessible::queryAccessibleInterface(line)->text(QAccessible::Name),
                 "Not in the dictionary: beleive");
        QCOMPARE(QAccessible::queryAccessibleInterface(suggestions)->text(QAccessible::Name),
                 "Suggestions");
        QCOMPARE(suggestions->currentItem()->text(), "believe");
        const auto buttons = window->findChildren<QPushButton*>();
        // Laid out, and introduced by a screen reader as a dialog.
        QVERIFY(suggestions->geometry().top() > line->geometry().bottom());
        QVERIFY(buttons.at(4)->geometry().left() > suggestions->geometry().right());
        QCOMPARE(line->geometry().right(), buttons.at(4)->geometry().right());
        QWidgetList parts = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        parts.removeIf([](const QWidget* part) { return !part->isVisible(); });
        for (qsizetype i = 0; i < parts.size(); ++i) {
            for (qsizetype j = 0; j < i; ++j) {
                QVERIFY2(!parts[i]->geometry().intersects(parts[j]->geometry()),
                         qPrintable(parts[i]->objectName() + " over " + parts[j]->objectName()));
            }
        }
        // Each label stands over its control, whose access key it gives.
        for (const QLabel* label : window->findChildren<QLabel*>()) {
            QVERIFY(label->buddy());
            QCOMPARE(label->x(), label->buddy()->x());
            QVERIFY(label->geometry().bottom() < label->buddy()->y());
        }
        line->setFocus(Qt::TabFocusReason);
        QTest::keyClick(window, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(window->focusWidget(), suggestions);
        QCOMPARE(QAccessible::queryAccessibleInterface(window)->role(), QAccessible::Dialog);
        // Each button stands beside the list, from its top; none becomes a
        // default button, as Enter changes.
        QVERIFY(qAbs(buttons.at(0)->y() - suggestions->y()) < buttons.at(0)->height() / 2);
        QFocusEvent tabbedTo(QEvent::FocusIn, Qt::TabFocusReason);
        QApplication::sendEvent(buttons.at(4), &tabbedTo);
        QVERIFY(!buttons.at(4)->isDefault());
        QTest::keyClick(window, Qt::Key_Return); // changes
        QCOMPARE(platform::boxText(text2), "wrnog one\r\nI believe it rihgt");
        QCOMPARE(line->selectedText(), "rihgt");
        QTest::mouseClick(buttons.at(1), Qt::LeftButton); // Ignore, then round to the start
        QCOMPARE(line->selectedText(), "wrnog");
        // The click left the focus where Enter changes, and no further.
        QTest::keyClick(window->focusWidget(), Qt::Key_Return);
        QCOMPARE(platform::boxText(text2), "wrong one\r\nI believe it rihgt");
        QVERIFY(!window->isVisible());
        QCOMPARE(messages(*form), QStringList{"The spelling check is complete."});
        text2->undo();
        QCOMPARE(platform::boxText(text2), "wrnog one\r\nI believe it rihgt");
        // A new walk, left by Esc.
        QTest::keyClick(text2, Qt::Key_F7);
        QVERIFY(window->isVisible());
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QCOMPARE(platform::boxText(text2), "wrnog one\r\nI believe it rihgt");
        // Text put in the box meanwhile is not changed over, even once the
        // walk has gone round: Change first walks the new text from its caret.
        text2->moveCursor(QTextCursor::End);
        QTest::keyClick(text2, Qt::Key_F7);
        QCOMPARE(line->selectedText(), "wrnog");
        platform::setBoxText(text2, "wrnog two");
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(platform::boxText(text2), "wrnog two");
        QVERIFY(window->isVisible());
        QCOMPARE(line->text(), "wrnog two");
        text2->moveCursor(QTextCursor::End); // typed over whole, likewise
        QTest::keyClick(text2, Qt::Key_F7);
        text2->selectAll();
        QTest::keyClicks(text2, "x wrnog");
        QTest::keyClick(window, Qt::Key_Return);
        QCOMPARE(platform::boxText(text2), "x wrnog");
        QCOMPARE(line->text(), "x wrnog");
        // A word with no suggestion cannot be changed; and once the box
        // holds no unknown word, F7 closes the window and says so.
        QVERIFY(buttons.at(0)->isEnabled());
        platform::setBoxText(text2, "qqqq");
        QTest::keyClick(text2, Qt::Key_F7);
        QCOMPARE(line->selectedText(), "qqqq");
        QVERIFY(!buttons.at(0)->isEnabled());
        QTest::keyClick(window, Qt::Key_Return); // nor by Enter: it goes on
        QCOMPARE(platform::boxText(text2), "qqqq");
        platform::setBoxText(text2, "one");
        QTest::keyClick(text2, Qt::Key_F7);
        QVERIFY(!window->isVisible());
        QCOMPARE(messages(*form), QStringList{"No misspelled words."});
    }

    // A change made from the Spelling window holds back no word the caret
    // was moved into meanwhile, before the change or after it: that word is
    // not being typed, and stays marked as the walk comes to it.
    void aChangeFromTheWindowHoldsBackNoOtherWord() {
        auto [form, text2] = open("");
        for (const QString text : {"beleive wrnog", "wrnog beleive"}) {
            platform::setBoxText(text2, text);
            QTextCursor caret(text2->document());
            caret.setPosition(int(text.indexOf("beleive")));
            text2->setTextCursor(caret);
            QTest::keyClick(text2, Qt::Key_F7);
            auto* window = form->findChild<QWidget*>("SpellingWindow");
            caret.setPosition(int(text.indexOf("wrnog")) + 2);
            text2->setTextCursor(caret);
            QTest::keyClick(window, Qt::Key_Return);
            QCOMPARE(window->findChild<QLineEdit*>("Line")->selectedText(), "wrnog");
            QCOMPARE(marked(text2), QStringList{"wrnog"});
            QTest::keyClick(window, Qt::Key_Escape);
        }
    }

    void f7SaysWhenThereIsNothingToWalk() {
        auto [form, text2] = open("I believe it wrnog");
        // A walk left open while its last word was ignored from the menu
        // closes at the next F7.
        QTest::keyClick(text2, Qt::Key_F7);
        auto* window = form->findChild<QWidget*>("SpellingWindow");
        QVERIFY(window && window->isVisible());
        form->findChild<spelling::SpellChecker*>()->ignoreAll("wrnog");
        QTest::keyClick(text2, Qt::Key_F7);
        QVERIFY(!window->isVisible());
        form->activateWindow(); // back to the diary, and F7 again: said again in front
        QTRY_VERIFY(form->isActiveWindow());
        QTest::keyClick(text2, Qt::Key_F7);
        QTRY_VERIFY(form->findChild<QMessageBox*>("SpellingMessage")->isActiveWindow());
        QCOMPARE(messages(*form), QStringList{"No misspelled words."});
        QVERIFY(!QApplication::activeModalWidget()); // the diary window still takes keys
        QVERIFY(!window->isVisible());

        Form1 loading; // the dictionary is read after the first paint, or when asked
        loading.findChild<spelling::SpellChecker*>()->setDictionaryFolder(
            dir_.filePath("dictionaries"));
        loading.findChild<spelling::SpellChecker*>()->loadInBackground();
        QTest::keyClick(child<QPlainTextEdit>(loading, "Text2"), Qt::Key_F7);
        QCOMPARE(messages(loading), QStringList{"The spelling dictionary is still being read."});

        auto [without, box] = open("", false);
        QTest::keyClick(box, Qt::Key_F7);
        QCOMPARE(messages(*without),
                 QStringList{"No spelling dictionary is installed. " +
                             platform::dictionaryAdvice(platform::userLanguage())});
    }
};

QTEST_MAIN(TestSpellingWindow)
#include "tst_spelling_window.moc"
