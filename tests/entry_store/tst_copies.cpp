#include "testentries.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <set>

class TestCopies : public QObject {
    Q_OBJECT

  private slots:
    // Two running copies save into one file at the same time: the lock keeps
    // every entry whole, and none is lost.
    void twoCopiesSavingAtOnceLoseNothing() {
        QTemporaryDir dir;
        const QString file = dir.path() + "/verimond.dat";
        QProcess first, second;
        first.start(SAVER, {file, "A", "500"});
        second.start(SAVER, {file, "B", "500"});
        QVERIFY(first.waitForFinished(120000) && second.waitForFinished(120000));
        QCOMPARE(first.exitCode(), 0);
        QCOMPARE(second.exitCode(), 0);

        const auto contents = testentries::check(file.toStdString());
        QVERIFY2(contents.fault.empty(), contents.fault.c_str());
        QVERIFY(!contents.tornTail && contents.closedTorn == 0);
        QCOMPARE(contents.keywords.size(), std::size_t{1000});
        std::set<std::string> unique(contents.keywords.begin(), contents.keywords.end());
        QCOMPARE(unique.size(), std::size_t{1000});
        // Each copy's own entries stay in the order it saved them.
        int nextA = 0, nextB = 0, switches = 0;
        char last = 0;
        for (const std::string& keyword : contents.keywords) {
            int& next = keyword[0] == 'A' ? nextA : nextB;
            QCOMPARE(keyword, testentries::keyword(std::string(1, keyword[0]), next));
            ++next;
            switches += last && last != keyword[0];
            last = keyword[0];
        }
        qInfo("1000 entries from two copies, interleaved %d times", switches);
    }

    // Both copies make the very first save of a new diary at the same moment:
    // one creates the file, the other opens it, and both entries are whole.
    void twoCopiesCreatingTheDiaryAtOnceLoseNothing() {
        QTemporaryDir dir;
        for (int round = 0; round < 25; ++round) {
            const QString file = dir.path() + QString("/round%1.dat").arg(round);
            QProcess first, second;
            first.start(SAVER, {file, "A", "1"});
            second.start(SAVER, {file, "B", "1"});
            QVERIFY(first.waitForFinished(60000) && second.waitForFinished(60000));
            QCOMPARE(first.exitCode() + second.exitCode(), 0);
            const auto contents = testentries::check(file.toStdString());
            QVERIFY2(contents.fault.empty(), contents.fault.c_str());
            QCOMPARE(contents.keywords.size(), std::size_t{2});
        }
    }
};

QTEST_APPLESS_MAIN(TestCopies)
#include "tst_copies.moc"
