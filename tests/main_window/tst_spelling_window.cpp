#include "filebytes.h"
#include "form1.h"
#include "guitest.h"
#include "searchdriver.h"
#include "spellchecker.h"
#include "testdictionary.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextLayout>

using searchdriver::child;

namespace {

// The words of `block` drawn as misspelled.
QStringList marked(const QTextBlock& block) {
    QStringList words;
    for (const QTextLayout::FormatRange& range : block.layout()->formats()) {
        if (range.format.underlineStyle() == QTextCharFormat::SpellCheckUnderline &&
            range.format.underlineColor() == QColor(Qt::red))
            words << block.text().mid(range.start, range.length);
    }
    return words;
}

QTextBlock line(Form1& form, int number) {
    return child<QPlainTextEdit>(form, "Text2")->document()->findBlockByNumber(number);
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

    // A shown window that checks with the test's own dictionary, or none.
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
        qputenv("LC_ALL", "en_US.UTF-8");
        writeTestDictionary(dir_.filePath("dictionaries"), "en_US");
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void init() {
        QFile::remove("verimond.dat");
        // Each test has a word list of its own.
        qputenv("XDG_CONFIG_HOME", dir_.filePath(QTest::currentTestFunction()).toUtf8());
    }

    void marksAWordOnceTheCaretLeavesIt() {
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        text2->setFocus();
        QTest::keyClicks(text2, "I beleive");
        QTRY_COMPARE_WITH_TIMEOUT(line(*form, 0).userState() >= 0, true, 30000);
        QCOMPARE(marked(line(*form, 0)), QStringList());
        QTest::keyClicks(text2, " it.");
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList{"beleive"}, 30000);
        // Into the word stays marked; typing in it holds it back again.
        QTest::keyClick(text2, Qt::Key_Home);
        for (int i = 0; i < 5; ++i)
            QTest::keyClick(text2, Qt::Key_Right);
        QCOMPARE(marked(line(*form, 0)), QStringList{"beleive"});
        QTest::keyClicks(text2, "x");
        QCOMPARE(marked(line(*form, 0)), QStringList());
        text2->moveCursor(QTextCursor::End);
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList{"belxeive"}, 30000);
        QCOMPARE(platform::boxText(text2), "I belxeive it.");
    }

    void marksOnlyTheLinesOnScreen() {
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        QStringList lines;
        for (int i = 0; i < 3000; ++i)
            lines << "I beleive it";
        platform::setBoxText(text2, lines.join("\r\n"));
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList{"beleive"}, 30000);
        const int lastShown =
            text2->cursorForPosition(QPoint(0, text2->viewport()->height() - 1)).blockNumber();
        QVERIFY(lastShown > 5);
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, lastShown)), QStringList{"beleive"}, 30000);
        QCOMPARE(marked(line(*form, lastShown + 2)), QStringList());
        QCOMPARE(marked(line(*form, 2999)), QStringList());
        text2->verticalScrollBar()->setValue(text2->verticalScrollBar()->maximum());
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 2999)), QStringList{"beleive"}, 30000);
        QCOMPARE(marked(line(*form, 1500)), QStringList());
    }

    void marksNothingWithoutADictionary() {
        auto form = shownForm(false);
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, "I beleive it.");
        QTRY_COMPARE_WITH_TIMEOUT(line(*form, 0).userState() >= 0, true, 30000);
        QCOMPARE(marked(line(*form, 0)), QStringList());
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
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, text);
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)).isEmpty(), false, 30000);
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
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, "I beleive it.");
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList{"beleive"}, 30000);
        QMenu* menu = openMenu(text2, QContextMenuEvent::Mouse, 5);
        QVERIFY(menu);
        QCOMPARE(text2->textCursor().position(), 5);
        const QStringList actions = texts(menu);
        QCOMPARE(actions.first(), "believe");
        const qsizetype suggestions = actions.indexOf("Add to Dictionary");
        QVERIFY(suggestions >= 1 && suggestions <= 5);
        QCOMPARE(actions.mid(suggestions + 1, 2), (QStringList{"Ignore All", ""}));
        QCOMPARE(actions.mid(suggestions + 3), texts(text2->createStandardContextMenu()));
        take(menu, "believe");
        QCOMPARE(platform::boxText(text2), "I believe it.");
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList(), 30000);
        text2->undo();
        QCOMPARE(platform::boxText(text2), "I beleive it.");
    }

    void theKeyboardOpensTheMenuAtTheCaret() {
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, "I beleive it.");
        text2->setFocus();
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList{"beleive"}, 30000);
        // A known word has only the usual actions.
        text2->moveCursor(QTextCursor::End);
        QTest::keyClick(text2, Qt::Key_Left); // in "it"
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
    }

    void addedAndIgnoredWordsAreNoLongerMarked() {
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, "I beleive it wrnog.");
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), (QStringList{"beleive", "wrnog"}), 30000);
        take(openMenu(text2, QContextMenuEvent::Mouse, 4), "Add to Dictionary");
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList{"wrnog"}, 30000);
        take(openMenu(text2, QContextMenuEvent::Mouse, 15), "Ignore All");
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList(), 30000);
        QCOMPARE(readBytes(qEnvironmentVariable("XDG_CONFIG_HOME").toStdString() +
                           "/Verimond/words.txt"),
                 "beleive\n");
    }

    void aListThatCannotBeWrittenIsSaidOnce() {
        GuiTestHooks hooks;
        const QString list = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Verimond/words.txt";
        QVERIFY(QDir().mkpath(list));
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, "I beleive it wrnog.");
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)).size(), 2, 30000);
        take(openMenu(text2, QContextMenuEvent::Mouse, 4), "Add to Dictionary");
        take(openMenu(text2, QContextMenuEvent::Mouse, 15), "Add to Dictionary");
        QTRY_COMPARE_WITH_TIMEOUT(marked(line(*form, 0)), QStringList(), 30000);
        QCOMPARE(hooks.messages.size(), 1);
        QVERIFY(hooks.messages.first().contains("could not be written"));
        QVERIFY(QFileInfo(list).isDir());
    }

    void f7WalksTheUnknownWordsFromTheCaret() {
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, "wrnog one\r\nI beleive it rihgt");
        text2->setFocus();
        QTest::keyClick(text2, Qt::Key_Down);
        QTest::keyClick(text2, Qt::Key_F7);
        auto* window = form->findChild<QWidget*>("SpellingWindow");
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), "Spelling");
        auto* line = window->findChild<QLineEdit*>("Line");
        auto* suggestions = window->findChild<QListWidget*>("Suggestions");
        QCOMPARE(line->text(), "I beleive it rihgt");
        QCOMPARE(line->selectedText(), "beleive");
        QCOMPARE(window->findChild<QLabel*>("Word")->text(), "Not in the dictionary: beleive");
        QCOMPARE(suggestions->currentItem()->text(), "believe");
        QTest::keyClick(window, Qt::Key_Return); // changes
        QCOMPARE(platform::boxText(text2), "wrnog one\r\nI believe it rihgt");
        QCOMPARE(line->selectedText(), "rihgt");
        const auto buttons = window->findChildren<QPushButton*>();
        QTest::mouseClick(buttons.at(1), Qt::LeftButton); // Ignore, then round to the start
        QCOMPARE(line->selectedText(), "wrnog");
        QTest::mouseClick(buttons.at(0), Qt::LeftButton); // Change, and no further
        QCOMPARE(platform::boxText(text2), "wrong one\r\nI believe it rihgt");
        QVERIFY(!window->isVisible());
        QCOMPARE(messages(*form), QStringList{"The spelling check is complete."});
        text2->undo();
        QCOMPARE(platform::boxText(text2), "wrnog one\r\nI believe it rihgt");
    }

    void f7SaysWhenThereIsNothingToWalk() {
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, "I believe it wrnog");
        text2->setFocus();
        form->findChild<spelling::SpellChecker*>()->ignoreAll("wrnog");
        QTest::keyClick(text2, Qt::Key_F7);
        QCOMPARE(messages(*form), QStringList{"No misspelled words."});
        auto* window = form->findChild<QWidget*>("SpellingWindow");
        QVERIFY(!window || !window->isVisible());

        Form1 loading; // the dictionary is read after the first paint, or when asked
        loading.findChild<spelling::SpellChecker*>()->setDictionaryFolder(
            dir_.filePath("dictionaries"));
        loading.findChild<spelling::SpellChecker*>()->loadInBackground();
        QTest::keyClick(child<QPlainTextEdit>(loading, "Text2"), Qt::Key_F7);
        QCOMPARE(messages(loading), QStringList{"The spelling dictionary is still being read."});

        auto without = shownForm(false);
        child<QPlainTextEdit>(*without, "Text2")->setFocus();
        QTest::keyClick(child<QPlainTextEdit>(*without, "Text2"), Qt::Key_F7);
        QCOMPARE(messages(*without),
                 QStringList{"No spelling dictionary is installed. The package hunspell-en-us "
                             "holds the one for your language."});
    }

    void escClosesTheSpellingWindow() {
        auto form = shownForm();
        auto* text2 = child<QPlainTextEdit>(*form, "Text2");
        platform::setBoxText(text2, "I beleive it");
        text2->setFocus();
        QTest::keyClick(text2, Qt::Key_F7);
        auto* window = form->findChild<QWidget*>("SpellingWindow");
        QVERIFY(window && window->isVisible());
        QTest::keyClick(window, Qt::Key_Escape);
        QVERIFY(!window->isVisible());
        QCOMPARE(platform::boxText(text2), "I beleive it");
    }
};

QTEST_MAIN(TestSpellingWindow)
#include "tst_spelling_window.moc"
