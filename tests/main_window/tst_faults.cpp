#include "faultyfilesystem.h"
#include "filebytes.h"
#include "guitest.h"
#include "searchdriver.h"

#include <QDir>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <unistd.h>

using namespace searchdriver;
using platform::FileOp;

namespace {

const std::string kBefore =
    "grace\r\nMay 3\r\nfirst\r\n**EOE**\r\nhope\r\n\r\nsecond\r\n**EOE**\r\n";
const std::string kNew = "faith\r\nMay 9\r\nnew thought\r\nline two\r\n**EOE**\r\n";

void fillBoxes(Form1& form) {
    child<QLineEdit>(form, "Text1")->setText("faith");
    child<QLineEdit>(form, "Text3")->setText("May 9");
    platform::setBoxText(child<QPlainTextEdit>(form, "Text2"), "new thought\r\nline two");
}

bool boxesKept(Form1& form) {
    return child<QLineEdit>(form, "Text1")->text() == "faith" &&
           child<QLineEdit>(form, "Text3")->text() == "May 9" &&
           shown(form) == "new thought\r\nline two";
}

} // namespace

// Every single I/O call of Save and of Find made to fail in turn, through the
// window: nothing saved is lost or half-written, the user is told, and the
// program goes on.
class TestFaults : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    int injected_ = 0;

  private slots:
    void init() { QVERIFY(QDir::setCurrent(dir_.path())); }
    void cleanupTestCase() { qInfo("%d failure points injected", injected_); }

    void saveSurvivesAFailureAtEveryCall() {
        GuiTestHooks hooks;
        FaultyFileSystem files;
        Form1 form(files);
        writeBytes("verimond.dat", kBefore);
        fillBoxes(form);
        QTest::mouseClick(child(form, "Command1"), Qt::LeftButton);
        const auto calls = files.calls;
        // open, stamp, lock, size, read the tail, write, flush, close
        QCOMPARE(calls.size(), std::size_t{8});
        const int w = 6; // the write
        QCOMPARE(calls[w - 1], FileOp::Write);

        struct Case {
            const char* what;
            int failAt, alsoFailAt, shortAt;
        };
        std::vector<Case> cases;
        for (int at = 1; at <= int(calls.size()); ++at)
            cases.push_back({"one call", at, 0, 0});
        cases.push_back({"write, then restoring the length", w, w + 1, 0});
        cases.push_back({"short write, then the rest", w + 1, 0, w});
        cases.push_back({"short write, then flushing", w + 2, 0, w});
        cases.push_back({"short write, the rest, then restoring the length", w + 1, w + 2, w});
        for (int code : {EIO, ENOSPC, EACCES, EROFS, ENOMEM}) {
            for (const Case& c : cases) {
                writeBytes("verimond.dat", kBefore);
                hooks.messages.clear();
                files.reset(c.failAt, code, c.shortAt, c.alsoFailAt);
                QTest::mouseClick(child(form, "Command1"), Qt::LeftButton);
                ++injected_;
                const QString where =
                    QString("%1 at call %2, errno %3").arg(c.what).arg(c.failAt).arg(code);
                QVERIFY2(boxesKept(form), qPrintable(where));
                if (c.shortAt == 0 && calls[c.failAt - 1] == FileOp::Close) {
                    // Flushed before close: the entry is whole and kept.
                    QVERIFY2(hooks.messages.isEmpty(), qPrintable(where));
                    QCOMPARE(readBytes("verimond.dat"), kBefore + kNew);
                    continue;
                }
                QVERIFY2(hooks.messages.size() == 1, qPrintable(where));
                QVERIFY(hooks.messages[0].contains(
                    QDir::toNativeSeparators(QDir::current().absoluteFilePath("verimond.dat"))));
                const std::string after = readBytes("verimond.dat");
                // Half an entry stays only where cutting it away failed too, and
                // then the message must not claim that nothing was written.
                const bool partial = c.shortAt && c.alsoFailAt;
                QVERIFY2(hooks.messages[0].contains("Nothing was written") == !partial,
                         qPrintable(where));
                QVERIFY2((after == kBefore) == !partial, qPrintable(where));
                // The program goes on, and the next save closes any partial entry first.
                files.reset();
                QTest::mouseClick(child(form, "Command1"), Qt::LeftButton);
                const std::string closing = partial ? "\r\n**EOE**\r\n" : "";
                QCOMPARE(readBytes("verimond.dat"), after + closing + kNew);
            }
        }
    }

    // Another program holding the diary's lock never freezes the window: Save
    // waits a moment, then says so; saved again, the entry is in the file once.
    void aHeldLockNeverFreezesTheWindow() {
        GuiTestHooks hooks;
        writeBytes("verimond.dat", kBefore);
        Form1 form;
        fillBoxes(form);
        std::string expected = kBefore;
        for (int holdFor : {0, 300}) { // held until killed; released while Save waits
            hooks.messages.clear();
            QProcess holder;
            holder.start(SAVER, {"verimond.dat", "hold", QString::number(holdFor)});
            QVERIFY(holder.waitForReadyRead(10000));
            QElapsedTimer clock;
            clock.start();
            QTest::mouseClick(child(form, "Command1"), Qt::LeftButton);
            const qint64 answered = clock.elapsed();
            qInfo("lock held for %d ms (0: until killed): Save answered after %lld ms", holdFor,
                  answered);
            QVERIFY(answered < 4000);
            if (holdFor == 0) {
                QCOMPARE(hooks.messages.size(), 1);
                QVERIFY(hooks.messages[0].contains("another program is using the diary file"));
                QVERIFY(hooks.messages[0].contains("still in the boxes"));
                QCOMPARE(readBytes("verimond.dat"), expected);
                holder.kill();
                QVERIFY(holder.waitForFinished());
                hooks.messages.clear();
                QTest::mouseClick(child(form, "Command1"), Qt::LeftButton);
            }
            QVERIFY(hooks.messages.isEmpty());
            expected += kNew;
            QCOMPARE(readBytes("verimond.dat"), expected);
            holder.kill();
            holder.waitForFinished();
        }
        QVERIFY(boxesKept(form));
    }

    void findSurvivesAFailureAtEveryCall() {
        GuiTestHooks hooks;
        // Enough entries that the file takes more than one read.
        std::string diary;
        for (int i = 0; diary.size() < (3u << 20); ++i)
            diary += (i % 1000 == 0 ? "grace" : "other") + std::string("\r\nMay 3\r\ntext ") +
                     std::to_string(i) + "\r\n**EOE**\r\n";
        // An entry longer than one read, so that reads fail in the middle of its showing too.
        diary += "grace\r\nMay 9\r\n";
        for (int i = 0; i < 100000; ++i)
            diary += "long entry, line " + std::to_string(i) + "\r\n";
        diary += "**EOE**\r\nother\r\n\r\nlast\r\n**EOE**\r\n";
        writeBytes("verimond.dat", diary);
        FaultyFileSystem files;
        Form1 form(files);
        // Nothing is shown after the message: the search has ended with it. Up
        // to it, every line read is shown: a failure in the long entry leaves
        // its lines up to where the reader stands, less any line cut short.
        const auto longEntryAt = static_cast<qsizetype>(diary.find("May 9\r\n"));
        const auto longEntryEnd = static_cast<qsizetype>(diary.find("**EOE**", longEntryAt));
        QString shownAtMessage;
        qsizetype unshownRead = 0;
        platform::setFailureHandler([&](const QString& message) {
            hooks.messages << message;
            shownAtMessage = shown(form);
            const auto at = static_cast<qsizetype>(form.store().reader().position());
            const qsizetype inEntry = shownAtMessage.indexOf("May 9\r\n");
            unshownRead = inEntry < 0 || at > longEntryEnd
                              ? 0
                              : at - longEntryAt - (shownAtMessage.size() - inEntry);
        });
        const QStringList all = texts(find(form, "grace"));
        const auto calls = files.calls;
        QVERIFY(calls.size() >= 5);
        QCOMPARE(calls.front(), FileOp::Open);
        QCOMPARE(calls.back(), FileOp::Close);

        for (int code : {EIO, EACCES, ENOENT, EISDIR}) {
            for (int at = 1; at <= static_cast<int>(calls.size()); ++at) {
                hooks.messages.clear();
                files.reset(at, code);
                const QStringList seen = texts(find(form, "grace"));
                ++injected_;
                const QString where = QString("call %1, errno %2").arg(at).arg(code);
                QVERIFY2(idle(form), qPrintable(where));
                QVERIFY2(all.mid(0, seen.size()) == seen, qPrintable(where));
                if (calls[at - 1] == FileOp::Close || (at == 1 && code == ENOENT)) {
                    // A failing close of a read-only handle loses nothing; a
                    // missing file is an empty diary.
                    QVERIFY2(hooks.messages.isEmpty(), qPrintable(where));
                } else {
                    QVERIFY2(hooks.messages.size() == 1, qPrintable(where));
                    QVERIFY(hooks.messages[0].contains("verimond.dat"));
                    QVERIFY2(shown(form) == shownAtMessage, qPrintable(where));
                    QVERIFY2(unshownRead >= 0 && unshownRead < 32, qPrintable(where));
                }
                QCOMPARE(readBytes("verimond.dat"), diary);
            }
        }
        files.reset();
        QCOMPARE(texts(find(form, "grace")), all);
    }

    // The message as it stands, in a box and on standard error for whoever
    // started the program from a terminal.
    void aFailureIsShownInABoxAndOnStandardError() {
        std::FILE* err = std::fopen("stderr.txt", "w");
        QVERIFY(err);
        std::fflush(stderr);
        const int saved = dup(2);
        dup2(fileno(err), 2);
        QString box;
        bool plain = false;
        QTimer closer;
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* shown = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                box = shown->windowTitle() + ": " + shown->text();
                plain = shown->textFormat() == Qt::PlainText;
                shown->accept();
            }
        });
        closer.start(10);
        platform::showFailure("The entry <b>was</b> not saved.");
        std::fflush(stderr);
        dup2(saved, 2);
        close(saved);
        std::fclose(err);
        QCOMPARE(box, QString("Verimond: The entry <b>was</b> not saved."));
        QVERIFY(plain);
        // Windows writes its text-mode line end.
        QCOMPARE(QByteArray::fromStdString(readBytes("stderr.txt")).replace("\r\n", "\n"),
                 QByteArray("verimond: The entry <b>was</b> not saved.\n"));
    }
};

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
