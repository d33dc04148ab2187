#include "distributionnotice.h"
#include "entrystore.h"
#include "faultyfilesystem.h"
#include "filebytes.h"
#include "guitest.h"
#include "memorystatus.h"
#include "searchdriver.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QCursor>
#include <QDir>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <qpa/qwindowsysteminterface.h>

#include <filesystem>
#include <thread>

#include <fstream>

using namespace searchdriver;

namespace {

// What the search must show: each wait's text, by the field rules and the
// search's steps, read field by field with the plain reader.
QStringList expectedWaits(const std::string& path, const std::string& keyword) {
    entry_store::EntryReader reader(platform::systemFileSystem(), 4096);
    QStringList waits;
    if (reader.open(path))
        return waits;
    QString text;
    while (!reader.atEnd().value()) {
        if (reader.readField().value() != keyword || keyword == entry_store::kEndOfEntry)
            continue;
        while (!reader.atEnd().value()) {
            const std::string field = reader.readField().value();
            if (field == entry_store::kEndOfEntry)
                break;
            text += QString::fromStdString(field) + "\r\n";
        }
        waits << text;
    }
    return waits;
}

} // namespace

// Files no diary should look like: Find must neither crash, hang nor grow
// memory without bound, and must show what the field rules say.
class TestHostile : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    int tried_ = 0;

  private slots:
    void init() { QVERIFY(QDir::setCurrent(dir_.path())); }
    void cleanupTestCase() { qInfo("%d hostile files tried", tried_); }

    void findShowsWhatTheRulesSay_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("keyword");
        QRandomGenerator random(1207);
        QByteArray binary(1 << 20, '\0');
        for (char& byte : binary)
            byte = static_cast<char>(random.bounded(256));
        QByteArray markers;
        for (int i = 0; i < 1000; ++i)
            markers += "**EOE**\r\n";
        QTest::newRow("empty file") << QByteArray() << "grace";
        QTest::newRow("random bytes, empty keyword") << binary << "";
        QTest::newRow("random bytes, marker keyword") << binary << "**EOE**";
        QTest::newRow("NUL bytes")
            << QByteArray("grace\r\n\0\0\r\na\0b\r\n**EOE**\r\n", 24) << "grace";
        QTest::newRow("LF line ends")
            << QByteArray("grace\nMay 3\ntext\n**EOE**\ngrace\nx\n") << "grace";
        QTest::newRow("CR line ends")
            << QByteArray("grace\rMay 3\rtext\r**EOE**\rgrace\rx\r") << "grace";
        QTest::newRow("mixed line ends")
            << QByteArray("grace\r\rMay 3\n\rtext\r\n**EOE**") << "grace";
        QTest::newRow("unclosed and stray quotes")
            << QByteArray(
                   "grace\r\n\"May, 3\r\n\"unclosed, x\r\nstray\" quote\",\"\r\n\"\r\n**EOE**\r\n")
            << "grace";
        QTest::newRow("byte-order mark")
            << QByteArray("\xEF\xBB\xBFgrace\r\nMay 3\r\n**EOE**\r\n") << "grace";
        QTest::newRow("invalid UTF-8")
            << QByteArray("grace\r\n\xC3(\xFF\xFE\r\n\xE2\x82\r\n**EOE**\r\n") << "grace";
        QTest::newRow("nothing but markers") << markers << "**EOE**";
        QTest::newRow("nothing but markers, empty keyword") << markers << "";
        QTest::newRow("endless entry")
            << QByteArray("grace\r\n") + QByteArray(200000, ',') << "grace";
    }

    void findShowsWhatTheRulesSay() {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, keyword);
        GuiTestHooks hooks;
        writeBytes("verimond.dat", bytes.toStdString());
        Form1 form;
        const QStringList seen = texts(find(form, keyword));
        ++tried_;
        QCOMPARE(seen, expectedWaits("verimond.dat", keyword.toStdString()));
        QVERIFY(idle(form));
        QVERIFY(hooks.messages.isEmpty());
    }

    // The text box keeps two characters for its own structure; they are shown
    // as the replacement character instead of breaking the box's text apart.
    void charactersTheBoxCannotHoldAreReplaced() {
        writeBytes("verimond.dat", "grace\r\n\xEF\xB7\x90x\xEF\xB7\x91\xEF\xBF\xBC\r\n**EOE**\r\n");
        Form1 form;
        QCOMPARE(texts(find(form, "grace")),
                 QStringList{QString::fromUtf8("\uFFFDx\uFFFD\uFFFC\r\n")});
        platform::setBoxText(child<QPlainTextEdit>(form, "Text2"), QString::fromUtf8("a\uFDD0b"));
        QCOMPARE(shown(form), QString::fromUtf8("a\uFFFDb"));
        ++tried_;
    }

    void aLineOf64MegabytesKeepsMemoryBounded() {
        GuiTestHooks hooks;
        {
            std::ofstream out("verimond.dat", std::ios::binary);
            const std::string chunk(1 << 20, 'g');
            for (int i = 0; i < 64; ++i)
                out << chunk;
            out << ",grace\r\nMay 3\r\n**EOE**";
        }
        Form1 form;
        memorystatus::resetPeak();
        const long before = memorystatus::resident();
        const QStringList seen = texts(find(form, "grace"));
        const long grown = memorystatus::peakResident() - before;
        ++tried_;
        QCOMPARE(seen, QStringList{"May 3\r\n"});
        QVERIFY2(grown < 32 * 1024, qPrintable(QString("grew by %1 kB").arg(grown)));
        QVERIFY(idle(form));
    }

    // A long scan shows the wait cursor, and a huge entry is shown without
    // freezing the window: it repaints between slices of the entry, user input
    // staying queued, and the pause comes only once the whole entry is in.
    // Nothing the user does meanwhile runs before the showing ends: neither a
    // click waiting in the window system's queue, nor a screen reader's press
    // action, which comes in by a timer.
    void longWorkShowsTheWaitCursorAndKeepsTheWindowAlive() {
        GuiTestHooks hooks;
        std::string diary;
        while (diary.size() < (24u << 20))
            diary += "other\r\nMay 4\r\nfiller\r\n**EOE**\r\n";
        std::string lines;
        for (int i = 0; i < 100000; ++i)
            lines += "line " + std::to_string(i) + std::string(90, '.') + "\r\n";
        writeBytes("verimond.dat", diary + "grace\r\n" + lines + "**EOE**\r\n");
        FaultyFileSystem files;
        Form1 form(files);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        // In the middle of the entry: a click on Find Next waits in the window
        // system's queue, and a screen reader presses the fish.
        auto* findNext = child<QAbstractButton>(form, "Command3");
        auto pressDuringTheShowing = [&] {
            const QPointF at = findNext->mapTo(&form, findNext->rect().center());
            const QPointF global = form.mapToGlobal(at);
            using Input = QWindowSystemInterface;
            Input::handleMouseEvent<Input::AsynchronousDelivery>(form.windowHandle(), at, global,
                                                                 Qt::LeftButton, Qt::LeftButton,
                                                                 QEvent::MouseButtonPress);
            Input::handleMouseEvent<Input::AsynchronousDelivery>(form.windowHandle(), at, global,
                                                                 Qt::NoButton, Qt::LeftButton,
                                                                 QEvent::MouseButtonRelease);
            QAccessible::queryAccessibleInterface(child(form, "Picture1"))
                ->actionInterface()
                ->doAction(QAccessibleActionInterface::pressAction());
        };
        QStringList atClick; // the box as the click reaches Find Next
        QObject::connect(findNext, &QAbstractButton::released, [&] { atClick << shown(form); });
        auto waiting = [] {
            return QGuiApplication::overrideCursor() &&
                   QGuiApplication::overrideCursor()->shape() == Qt::WaitCursor;
        };
        int reads = 0, readsWaiting = 0;
        files.beforeRead = [&] { // a slow disk
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
            ++reads;
            readsWaiting += waiting();
        };
        int ticks = 0, ticksWaiting = 0;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const bool busy = !child(form, "Text1")->isEnabled() &&
                              child<QLabel>(form, "Label1")->text() != "Paused";
            if (busy && !shown(form).isEmpty()) { // in the middle of the showing
                if (ticks == 0)
                    pressDuringTheShowing();
                ++ticks;
                ticksWaiting += waiting();
            }
        });
        watch.start();
        const QStringList seen = texts(find(form, "grace"));
        watch.stop();
        QCOMPARE(seen.size(), 1);
        const QString entry = QString::fromStdString(lines);
        const QString notice = distributionNotice().join("\r\n") + "\r\n";
        for (const QString& text : seen + atClick)
            QVERIFY(text == entry || text == notice);
        QCOMPARE(shown(form), notice);
        qInfo("%d of %d reads under the wait cursor; %d repaint passes in the showing",
              readsWaiting, reads, ticks);
        QVERIFY(readsWaiting > 0);
        QVERIFY(ticks > 1 && ticks == ticksWaiting);
        QVERIFY(!QGuiApplication::overrideCursor());
        ++tried_;
    }

    void fileChangedWhileASearchWaits_data() {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QStringList>("waits");
        const QString first = "May 3\r\nfirst\r\n";
        const QString both = first + "May 5\r\nsecond\r\n";
        QTest::newRow("deleted") << "delete" << QStringList{first, both};
        QTest::newRow("truncated") << "truncate" << QStringList{first};
        QTest::newRow("replaced") << "replace" << QStringList{first, both};
        QTest::newRow("grown") << "grow" << QStringList{first, both, both + "May 9\r\nthird\r\n"};
    }

    void fileChangedWhileASearchWaits() {
        QFETCH(QString, change);
        QFETCH(QStringList, waits);
        GuiTestHooks hooks;
        // Far more than the reader holds at once lies between the two entries,
        // so the change meets the part of the file not read yet.
        std::string filler;
        while (filler.size() < (3u << 20))
            filler += "other\r\nMay 4\r\nfiller\r\n**EOE**\r\n";
        writeBytes("verimond.dat", "grace\r\nMay 3\r\nfirst\r\n**EOE**\r\n" + filler);
        entry_store::EntryStore store;
        QVERIFY(!store.save("grace", "May 5", "second"));
        Form1 form;
        const QStringList seen = texts(find(form, "grace", [&](Form1&, int index) {
            if (index != 0)
                return;
            if (change == "delete")
                QFile::remove("verimond.dat");
            if (change == "truncate")
                QFile::resize("verimond.dat", 0);
            if (change == "replace") {
                writeBytes("other.dat", "grace\r\nelsewhere\r\n**EOE**\r\n");
                std::error_code error;
                std::filesystem::rename("other.dat", "verimond.dat", error);
#ifdef _WIN32
                // Windows keeps a file that is open from being replaced.
                QVERIFY(error);
#else
                QVERIFY2(!error, error.message().c_str());
#endif
            }
            if (change == "grow")
                QVERIFY(!store.save("grace", "May 9", "third"));
        }));
        ++tried_;
        QCOMPARE(seen, waits);
        QVERIFY(idle(form));
        QVERIFY(hooks.messages.isEmpty());
    }
};

QTEST_MAIN(TestHostile)
#include "tst_hostile.moc"
