#include "entrystore.h"
#include "faultyfilesystem.h"
#include "filebytes.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <unistd.h>

using entry_store::EntryStore;
using entry_store::StoreErrorKind;
using platform::FileOp;

class TestSave : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::string path() const { return (dir_.path() + "/verimond.dat").toStdString(); }

  private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QFile::remove(dir_.path() + "/verimond.dat");
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    void entriesAreWrittenByteForByte_data() {
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("all empty") << ""
                                   << ""
                                   << "" << QByteArray("\r\n\r\n\r\n**EOE**\r\n");
        QTest::newRow("two-line text")
            << "grace"
            << "May 3"
            << "line one\r\nline two"
            << QByteArray("grace\r\nMay 3\r\nline one\r\nline two\r\n**EOE**\r\n");
        QTest::newRow("text ending in a line break")
            << "k"
            << "d"
            << "t\r\n"
            << QByteArray("k\r\nd\r\nt\r\n\r\n**EOE**\r\n");
        QTest::newRow("lone LF and CR become CR LF")
            << "k"
            << "d"
            << "a\nb\rc" << QByteArray("k\r\nd\r\na\r\nb\r\nc\r\n**EOE**\r\n");
        QTest::newRow("nothing escaped")
            << "a,b"
            << "Tuesday, May 3"
            << "\"q\" **EOE**"
            << QByteArray("a,b\r\nTuesday, May 3\r\n\"q\" **EOE**\r\n**EOE**\r\n");
        QTest::newRow("Windows-1252 where it reaches")
            << QString::fromUtf8("café") << QString::fromUtf8("€5")
            << QString::fromUtf8("naïve “quotes”")
            << QByteArray("caf\xE9\r\n\x80"
                          "5\r\nna\xEFve \x93quotes\x94\r\n**EOE**\r\n");
        QTest::newRow("UTF-8 line by line where it does not")
            << "grace"
            << "" << QString::fromUtf8("Ωmega\r\ncafé")
            << QByteArray("grace\r\n\r\n\xCE\xA9mega\r\ncaf\xE9\r\n**EOE**\r\n");
        QTest::newRow("UTF-8 where Windows-1252 bytes would read back as UTF-8")
            << QString::fromUtf8("Ã©") << ""
            << "" << QByteArray("\xC3\x83\xC2\xA9\r\n\r\n\r\n**EOE**\r\n");
    }

    void entriesAreWrittenByteForByte() {
        QFETCH(QString, keyword);
        QFETCH(QString, date);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        EntryStore store;
        QVERIFY(!store.save(keyword.toStdString(), date.toStdString(), text.toStdString()));
        QCOMPARE(QByteArray::fromStdString(readBytes(path())), bytes);
    }

    void firstSaveCreatesAndSecondAppends() {
        EntryStore store;
        QVERIFY(!QFile::exists("verimond.dat"));
        QVERIFY(!store.save("grace", "May 3", "first"));
        const std::string first = readBytes(path());
        QCOMPARE(first, std::string("grace\r\nMay 3\r\nfirst\r\n**EOE**\r\n"));
        QVERIFY(!store.save("hope", "May 4", "second\r\nline"));
        const std::string both = readBytes(path());
        QCOMPARE(both.substr(0, first.size()), first);
        QCOMPARE(both.substr(first.size()),
                 std::string("hope\r\nMay 4\r\nsecond\r\nline\r\n**EOE**\r\n"));
        QVERIFY(!store.reader().isOpen());
    }

    // Every single I/O call of a save made to fail in turn: the file is as it
    // was before, and the next save works.
    void failureAtEveryStepLeavesTheFileAsItWas() {
        writeBytes(path(), "old\r\n\r\nentry\r\n**EOE**\r\n");
        const std::string before = readBytes(path());
        FaultyFileSystem files;
        EntryStore store(files);
        QVERIFY(!store.save("probe", "", ""));
        const auto calls = files.calls;
        QCOMPARE(calls, (std::vector<FileOp>{FileOp::Open, FileOp::Lock, FileOp::Size,
                                             FileOp::Write, FileOp::Sync, FileOp::Close}));
        for (int code : {EIO, ENOSPC, EACCES}) {
            for (int at = 1; at <= static_cast<int>(calls.size()); ++at) {
                writeBytes(path(), before);
                files.reset(at, code);
                const auto error = store.save("new", "date", "text\r\nmore");
                const FileOp failed = calls[at - 1];
                if (failed == FileOp::Close) {
                    // Once flushed, the entry is kept: a failing close cannot lose it.
                    QVERIFY(!error);
                    QCOMPARE(readBytes(path()),
                             before + "new\r\ndate\r\ntext\r\nmore\r\n**EOE**\r\n");
                    continue;
                }
                QVERIFY2(error, qPrintable(QString("call %1").arg(at)));
                QCOMPARE(error->op, failed);
                QCOMPARE(error->code, code);
                QCOMPARE(readBytes(path()), before);
                files.reset();
                QVERIFY(!store.save("next", "", ""));
                QCOMPARE(readBytes(path()), before + "next\r\n\r\n\r\n**EOE**\r\n");
            }
        }
    }

    void shortWritesAreCompletedOrUndone() {
        writeBytes(path(), "kept\r\n");
        FaultyFileSystem files;
        EntryStore store(files);
        files.reset(0, EIO, 4); // the first write writes only half; the rest follows
        QVERIFY(!store.save("grace", "May 3", "whole"));
        QCOMPARE(readBytes(path()), std::string("kept\r\ngrace\r\nMay 3\r\nwhole\r\n**EOE**\r\n"));

        // Half written, then the disk fills up: the half is cut away again.
        writeBytes(path(), "kept\r\n");
        files.reset(5, ENOSPC, 4);
        const auto error = store.save("grace", "May 3", "lost");
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::DiskFull);
        QCOMPARE(readBytes(path()), std::string("kept\r\n"));
    }

    void realFailuresAreReportedByKind() {
        // A folder where the file should be.
        QVERIFY(QDir().mkdir("verimond.dat"));
        EntryStore store;
        auto error = store.save("k", "d", "t");
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::IsFolder);
        QVERIFY(QDir().rmdir("verimond.dat"));

        // A disk with no space left: /dev/full refuses every write.
        EntryStore full(platform::systemFileSystem(), "/dev/full");
        error = full.save("k", "d", "t");
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::DiskFull);
        QVERIFY(QString::fromStdString(error->describe()).contains("no space"));
    }

    void readOnlyFolderRefusesTheSave() {
        if (geteuid() == 0)
            QSKIP("root writes into read-only folders; the fault-injection test covers EACCES");
        QVERIFY(QDir().mkdir("locked"));
        QFile::setPermissions("locked", QFile::ReadOwner | QFile::ExeOwner);
        EntryStore store(platform::systemFileSystem(), "locked/verimond.dat");
        const auto error = store.save("k", "d", "t");
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::AccessDenied);
        QVERIFY(!QFile::exists("locked/verimond.dat"));
        QFile::setPermissions("locked", QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
};

QTEST_APPLESS_MAIN(TestSave)
#include "tst_save.moc"
