#include "guitest.h"
#include "searchdriver.h"
#include "testentries.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

using namespace searchdriver;

// A copy of the program killed at random moments while it saves, most often in
// the middle of writing an entry, then a save from the window into the same
// file: every entry saved before stays whole, the entry cut short is closed,
// and the entry saved after the kill is found whole by Find.
//
// How many kills land inside an entry depends on how busy the processor is,
// and a busy one lands far fewer; so the rounds go on past the first 100
// until enough have, up to a number of rounds rather than a time.
constexpr int kRounds = 100;
constexpr int kTornWanted = 10;
constexpr int kMostRounds = 1000;

class TestKilled : public QObject {
    Q_OBJECT

  private slots:
    void killedWhileSavingLosesNoSavedEntry() {
        QTemporaryDir dir;
        QVERIFY(QDir::setCurrent(dir.path()));
        GuiTestHooks hooks;
        QRandomGenerator random(42);
        std::size_t entries = 0; // whole entries in the file, and cut-short ones closed
        int torn = 0;
        int round = 0;
        for (; round < kRounds || (torn < kTornWanted && round < kMostRounds); ++round) {
            const std::string tag = "K" + std::to_string(round);
            QProcess saver;
            saver.start(SAVER, {"verimond.dat", QString::fromStdString(tag), "0", "slow"});
            QVERIFY(saver.waitForStarted());
            // Let it start writing (it starts slowly under the sanitizers),
            // then kill it at a random moment.
            const qint64 before = QFileInfo("verimond.dat").size();
            QTRY_VERIFY_WITH_TIMEOUT(QFileInfo("verimond.dat").size() > before, 10000);
            QTest::qWait(random.bounded(40));
            saver.kill(); // SIGKILL
            QVERIFY(saver.waitForFinished());
            const auto killed = testentries::check("verimond.dat");
            QVERIFY2(killed.fault.empty(), (tag + ": " + killed.fault).c_str());
            torn += killed.tornTail;

            // The next save, from the window, into the same file.
            Form1 form;
            const std::string after = testentries::keyword("after", round);
            child<QLineEdit>(form, "Text1")->setText(QString::fromStdString(after));
            child<QLineEdit>(form, "Text3")->setText(QString::fromStdString("date " + after));
            platform::setBoxText(child<QPlainTextEdit>(form, "Text2"),
                                 QString::fromStdString(testentries::text("after", round)));
            QTest::mouseClick(child(form, "Command1"), Qt::LeftButton);

            const auto saved = testentries::check("verimond.dat");
            QVERIFY2(saved.fault.empty(), (tag + ": " + saved.fault).c_str());
            // Every entry is accounted for: the whole ones, the cut-short one
            // now closed (whole if only its marker was missing), and the new one.
            QVERIFY(!saved.tornTail);
            QCOMPARE(saved.keywords.size() + saved.closedTorn,
                     killed.keywords.size() + killed.closedTorn + killed.tornTail + 1);
            QCOMPARE(saved.keywords.back(), after);
            entries = saved.keywords.size() + saved.closedTorn;

            // Find shows the new entry whole, and the torn one without any of it.
            QString whole;
            for (const std::string& line : testentries::lines("after", round))
                whole += QString::fromStdString(line) + "\r\n";
            QCOMPARE(texts(find(form, QString::fromStdString(after))),
                     QStringList{whole.section("\r\n", 1)});
            if (killed.tornTail) {
                for (const QString& shownText :
                     texts(find(form, QString::fromStdString(killed.tornKeyword))))
                    QVERIFY2(!shownText.contains("after"), qPrintable(shownText));
            }
            QVERIFY(idle(form));
            QVERIFY2(hooks.messages.isEmpty(), qPrintable(hooks.messages.join('\n')));
        }
        qInfo("%d kill rounds: %zu whole entries in the file, %d torn entries closed", round,
              entries, torn);
        QVERIFY2(torn >= kTornWanted, "too few kills landed inside an entry to prove anything");
    }
};

QTEST_MAIN(TestKilled)
#include "tst_killed.moc"
