#include "busycursor.h"
#include "distributionnotice.h"
#include "entrystore.h"
#include "faultyfilesystem.h"
#include "filebytes.h"
#include "form1.h"
#include "form2.h"
#include "guitest.h"
#include "searchdriver.h"

#include <QCursor>
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace searchdriver;

namespace {

void save(const char* keyword, const char* date, const char* text) {
    QVERIFY(!entry_store::EntryStore().save(keyword, date, text));
}

} // namespace

class TestSearch : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;

  private slots:
    void init() {
        QFile::remove(dir_.path() + "/verimond.dat");
        QDir(dir_.path() + "/verimond.dat").removeRecursively();
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void entriesAreShownOneAtATime() {
        GuiTestHooks hooks;
        save("grace", "May 3", "first");
        save("hope", "May 4", "second");
        save("grace", "May 5", "third\r\nlast line");
        Form1 form;
        const auto waits = find(form, "grace");
        QCOMPARE(texts(waits), (QStringList{"May 3\r\nfirst\r\n",
                                            "May 3\r\nfirst\r\nMay 5\r\nthird\r\nlast line\r\n"}));
        for (const Wait& wait : waits) {
            QVERIFY(!wait.text1 && !wait.save && !wait.find);
            QVERIFY(wait.others);
        }
        QCOMPARE(shown(form), waits.last().text);
        QVERIFY(idle(form));
        QVERIFY(hooks.messages.isEmpty());
    }

    void whatTheFieldRulesMakeOfTheEntries_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QStringList>("waits");
        QTest::newRow("no match") << "faith" << QStringList{};
        QTest::newRow("case counts") << "Grace" << QStringList{};
        QTest::newRow("comma in keyword") << "a,b" << QStringList{};
        QTest::newRow("leading space") << " lead" << QStringList{};
        QTest::newRow("quoted keyword") << "\"q\"" << QStringList{};
        QTest::newRow("marker as keyword") << "**EOE**" << QStringList{};
        QTest::newRow("empty keyword finds the empty date") << "" << QStringList{"undated\r\n"};
        QTest::newRow("date with a comma on two lines")
            << "grace" << QStringList{"Tuesday\r\nMay 3\r\nt\r\n"};
        QTest::newRow("keyword as a last text line")
            << "ending" << QStringList{"Tuesday\r\nMay 3\r\nt\r\n"};
        QTest::newRow("keyword as a middle text line")
            << "middle" << QStringList{"after\r\nending\r\n"};
    }

    void whatTheFieldRulesMakeOfTheEntries() {
        QFETCH(QString, keyword);
        QFETCH(QStringList, waits);
        save("a,b", "d1", "x");
        save(" lead", "d2", "x");
        save("\"q\"", "d3", "x");
        save("none", "", "undated");
        save("grace", "Tuesday, May 3", "t");
        save("k", "d", "before\r\nmiddle\r\nafter\r\nending");
        Form1 form;
        platform::setBoxText(child<QPlainTextEdit>(form, "Text2"), "cleared by Find");
        const QStringList seen = texts(find(form, keyword));
        if (QTest::currentDataTag() == QLatin1String("keyword as a last text line")) {
            // Only the marker follows: nothing is appended, but the search still waits.
            QCOMPARE(seen, QStringList{""});
        } else {
            QCOMPARE(seen, waits);
        }
        if (waits.isEmpty())
            QCOMPARE(shown(form), QString());
        QVERIFY(idle(form));
    }

    void textTypedWhileWaitingStays() {
        save("grace", "May 3", "first");
        save("grace", "May 5", "second");
        Form1 form;
        const auto waits = find(form, "grace", [](Form1& f, int index) {
            if (index == 0) {
                auto* text2 = child<QPlainTextEdit>(f, "Text2");
                text2->moveCursor(QTextCursor::End);
                QTest::keyClicks(text2, "my note");
                QTest::keyClick(text2, Qt::Key_Return);
            }
        });
        QCOMPARE(waits.size(), 2);
        QCOMPARE(waits[1].text, QString("May 3\r\nfirst\r\nmy note\r\nMay 5\r\nsecond\r\n"));
    }

    void theNoticeAndTheAboutWindowWorkWhileWaiting() {
        save("grace", "May 3", "first");
        save("grace", "May 5", "second");
        Form1 form;
        const auto waits = find(form, "grace", [](Form1& f, int index) {
            if (index == 0) {
                QTest::mouseClick(child(f, "Picture1"), Qt::LeftButton, {}, QPoint(60, 20));
                QTest::mouseClick(child(f, "Command5"), Qt::LeftButton);
                QVERIFY(Form2::instance() && Form2::instance()->isVisible());
            }
        });
        QCOMPARE(waits.size(), 2);
        const QString notice = distributionNotice().join("\r\n") + "\r\n";
        QCOMPARE(waits[1].text, notice + "May 5\r\nsecond\r\n");
        QVERIFY(idle(form));
        Form2::instance()->Command1_Click();
    }

    void clicksQueuedBeforeFindAreJudgedWhenProcessed() {
        save("grace", "May 3", "first");
        save("grace", "May 5", "second");
        const std::string before = readBytes("verimond.dat");
        Form1 form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // A Save click and a Find Next click wait in the queue while Find starts:
        // Save is disabled by then and dropped; Find Next releases the first wait.
        auto post = [&](const char* name) {
            QWidget* button = child(form, name);
            const QPointF at = button->rect().center();
            QCoreApplication::postEvent(
                button, new QMouseEvent(QEvent::MouseButtonPress, at, button->mapToGlobal(at),
                                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
            QCoreApplication::postEvent(
                button, new QMouseEvent(QEvent::MouseButtonRelease, at, button->mapToGlobal(at),
                                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier));
        };
        post("Command1");
        post("Command3");
        const auto waits = find(form, "grace");
        QCOMPARE(texts(waits), QStringList{"May 3\r\nfirst\r\nMay 5\r\nsecond\r\n"});
        QCOMPARE(readBytes("verimond.dat"), before);
    }

    void findNextWithoutASearchChangesNothing() {
        Form1 form;
        platform::setBoxText(child<QPlainTextEdit>(form, "Text2"), "as it was");
        QTest::mouseClick(child(form, "Command3"), Qt::LeftButton);
        QCOMPARE(shown(form), QString("as it was"));
        QVERIFY(idle(form));
    }

    void noDiaryYetIsNoFailure() {
        GuiTestHooks hooks;
        Form1 form;
        QVERIFY(find(form, "grace").isEmpty());
        QVERIFY(hooks.messages.isEmpty());
        QVERIFY(idle(form));
        QVERIFY(!QFile::exists("verimond.dat"));
    }

    void unreadableFileEndsTheSearchWithAMessage() {
        GuiTestHooks hooks;
        QVERIFY(QDir().mkdir("verimond.dat"));
        Form1 form;
        QVERIFY(find(form, "grace").isEmpty());
        QCOMPARE(hooks.messages.size(), 1);
        QVERIFY(hooks.messages[0].contains(
            QDir::toNativeSeparators(QDir::current().absoluteFilePath("verimond.dat"))));
        QVERIFY(hooks.messages[0].contains("folder"));
        QVERIFY(idle(form));
    }

    void readFailureInTheMiddleEndsTheSearchCleanly() {
        GuiTestHooks hooks;
        save("grace", "May 3", "first");
        FaultyFileSystem files;
        Form1 form(files);
        files.reset(4, EIO); // open, stamp, the first read, then the read after the shown entry
        QCOMPARE(texts(find(form, "grace")), QStringList{"May 3\r\nfirst\r\n"});
        QCOMPARE(hooks.messages.size(), 1);
        QVERIFY(hooks.messages[0].contains("input/output"));
        QVERIFY(idle(form));
        // The program goes on: the next Find works.
        files.reset();
        QCOMPARE(texts(find(form, "grace")), QStringList{"May 3\r\nfirst\r\n"});
    }

    void entryCutShortShowsWhatThereIs() {
        GuiTestHooks hooks;
        writeBytes("verimond.dat", "grace\r\nMay 3\r\nhalf an entr");
        Form1 form;
        QCOMPARE(texts(find(form, "grace")), QStringList{"May 3\r\nhalf an entr\r\n"});
        QVERIFY(hooks.messages.isEmpty());
        QVERIFY(idle(form));
    }

    void markupIsShownAsText() {
        save("<b>k</b>", "&amp;", "<b>bold</b> <img src=\"x.png\"> &amp;");
        Form1 form;
        QCOMPARE(texts(find(form, "<b>k</b>")),
                 QStringList{"&amp;\r\n<b>bold</b> <img src=\"x.png\"> &amp;\r\n"});
    }

    void aLongScanShowsTheWaitCursor() {
        {
            // Not for a moment's scan (150 ms), unless the machine stood still
            // for longer than that, which a clock started first tells.
            QElapsedTimer moment;
            moment.start();
            BusyCursor busy;
            busy.tick();
            QVERIFY(!QGuiApplication::overrideCursor() || moment.elapsed() > 150);
            QTest::qSleep(200);
            busy.tick();
            QVERIFY(QGuiApplication::overrideCursor());
            QCOMPARE(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
            busy.stop(); // the search waits for the user
            QVERIFY(!QGuiApplication::overrideCursor());
            busy.restart();
            QTest::qSleep(200);
            busy.tick();
            QVERIFY(QGuiApplication::overrideCursor());
        }
        QVERIFY(!QGuiApplication::overrideCursor());
    }

    // Fewer lines than make a slice, but more bytes: the window still
    // repaints in the middle of the showing.
    void aShowingOfManyBytesIsShownInSlices() {
        std::string text;
        for (int i = 0; i < 12000; ++i)
            text += std::string(100, 'x') + "\r\n";
        save("grace", "May 3", text.c_str());
        Form1 form;
        int passes = 0;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [&] {
            passes += !child(form, "Text1")->isEnabled() &&
                      child<QLabel>(form, "Label1")->text() != "Paused" && !shown(form).isEmpty();
        });
        watch.start(0);
        QCOMPARE(find(form, "grace").size(), 1);
        QVERIFY(passes > 0);
    }

    void manyLinesAreShownInOneStep() {
        std::string text;
        for (int i = 0; i < 2000; ++i)
            text += "line " + std::to_string(i) + "\r\n";
        save("grace", "May 3", text.c_str());
        Form1 form;
        const auto waits = find(form, "grace");
        QCOMPARE(waits.size(), 1);
        QCOMPARE(waits[0].text, QString::fromStdString("May 3\r\n" + text + "\r\n"));
        auto* text2 = child<QPlainTextEdit>(form, "Text2");
        QCOMPARE(text2->textCursor().position(), 0);
    }
};

QTEST_MAIN(TestSearch)
#include "tst_search.moc"
