#include "guitest.h"
#include "searchdriver.h"
#include "testentries.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace searchdriver;

// A copy of the program killed at random moments while it saves: every entry
// saved before stays whole, at most the last is cut short, and a search over
// the file still works.
class TestKilled : public QObject {
    Q_OBJECT

  private slots:
    void killedWhileSavingLosesNoSavedEntry() {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        GuiTestHooks hooks;
        QRandomGenerator random(42);
        std::size_t entries = 0; // whole entries in the current file
        int torn = 0;
        for (int round = 0; round < 100; ++round) {
            const std::string tag = "K" + std::to_string(round);
            QProcess saver;
            saver.start(SAVER, {"verimond.dat", QString::fromStdString(tag), "0"});
            QVERIFY(saver.waitForStarted());
            // Let it save at least once in this round (it starts slowly under
            // the sanitizers), then kill it at a random moment.
            const qint64 before = QFileInfo("verimond.dat").size();
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo("verimond.dat").size() > before, 10000);
            QTest::qWait(random.bounded(30));
            saver.kill(); // SIGKILL
            QVERIFY(saver.waitForFinished());

            const auto contents = testentries::check("verimond.dat");
            QVERIFY2(contents.fault.empty(), (tag + ": " + contents.fault).c_str());
            QVERIFY(contents.keywords.size() >= entries);
            entries = contents.keywords.size();
            torn += contents.tornTail;

            // Search for this round's first entry: no failure, and the window comes back.
            Form1 form;
            find(form, QString::fromStdString(testentries::keyword(tag, 0)));
            QVERIFY(idle(form));
            QVERIFY2(hooks.messages.isEmpty(), qPrintable(hooks.messages.join('\n')));
            if (contents.tornTail) {
                // Later entries would be read as part of the torn one: go on in a new file.
                QVERIFY(QFile::rename("verimond.dat", QString("torn-%1.dat").arg(round)));
                entries = 0;
            }
        }
        qInfo("100 kill rounds: %zu whole entries in the file, %d torn tails", entries, torn);
    }
};

QTEST_MAIN(TestKilled)
#include "tst_killed.moc"
