#include "wordlist.h"

#include <QDir>
#include <QFile>
#include <QFileSystemWatcher>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using spelling::PersonalWordList;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

void writeBytes(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    file.open(QIODevice::WriteOnly);
    file.write(bytes);
}

} // namespace

class TstWordList : public QObject {
    Q_OBJECT
  private slots:
    void addsWordsKeepingAnotherCopys() {
        QTemporaryDir config;
        const QString path = config.filePath("Verimond/words.txt");
        PersonalWordList list(path);
        QVERIFY(!list.add("Habakkuk"));
        QCOMPARE(bytesOf(path), "Habakkuk\n");
        // Another copy adds a word the list has not seen yet.
        writeBytes(path, "Habakkuk\r\nZerubbabel\r\n");
        QVERIFY(!list.add("Obadiah"));
        QCOMPARE(bytesOf(path), "Habakkuk\nZerubbabel\nObadiah\n");
        QVERIFY(!list.add("Obadiah"));
        // Nothing is written that would not be one word on one line.
        for (const char* odd : {" ", "Oba\ndiah", "Oba\rdiah"})
            QVERIFY(!list.add(odd));
        QCOMPARE(bytesOf(path), "Habakkuk\nZerubbabel\nObadiah\n");
        QVERIFY(list.contains("zerubbabel"));
        QCOMPARE(QDir(config.filePath("Verimond")).entryList(QDir::Files),
                 QStringList{"words.txt"});
    }

    void aSecondCopySeesAddedWords() {
        QTemporaryDir config;
        // A new account: not even the configuration folder is there yet.
        const QString path = config.filePath("config/Verimond/words.txt");
        PersonalWordList first(path);
        PersonalWordList second(path);
        QSignalSpy changed(&second, &PersonalWordList::changed);
        QVERIFY(!first.add("Habakkuk")); // the folders are made by this
        QTRY_VERIFY_WITH_TIMEOUT(second.contains("Habakkuk"), 30000);
        QVERIFY(!first.add("Obadiah"));
        QTRY_VERIFY_WITH_TIMEOUT(second.contains("Obadiah"), 30000);
        // The user writes the list over in place, as some editors do.
        writeBytes(path, "Habakkuk\nObadiah\nMalachi\n");
        QTRY_VERIFY_WITH_TIMEOUT(second.contains("Malachi"), 30000);
        QVERIFY(changed.size() >= 3);
        // Once the folder is there, no folder above it is watched: what other
        // programs write there costs no reading.
        QCOMPARE(second.findChild<QFileSystemWatcher*>()->directories(),
                 QStringList{QFileInfo(path).absolutePath()});
    }

    void ignoresAListItCannotUse_data() {
        QTest::addColumn<QString>("kind");
        QTest::newRow("a folder") << "folder";
        QTest::newRow("over 1 MB") << "large";
        QTest::newRow("not UTF-8") << "binary";
    }
    void ignoresAListItCannotUse() {
        QFETCH(QString, kind);
        QTemporaryDir config;
        const QString path = config.filePath("Verimond/words.txt");
        QByteArray bytes;
        if (kind == "folder")
            QDir().mkpath(path + "/inside");
        else
            writeBytes(path, bytes = kind == "large"
                                         ? "Habakkuk\n" +
                                               QByteArray((1 << 20) - 8, 'x') // 1 MB and one byte
                                         : QByteArray("Habakkuk\n\xff\xfe\n"));
        PersonalWordList list(path);
        QVERIFY(!list.contains("Habakkuk"));
        const auto error = list.add("Obadiah");
        QVERIFY(error);
        QCOMPARE(error->path, QDir::toNativeSeparators(path));
        QVERIFY(!list.add("Zerubbabel")); // said once only
        QVERIFY(list.contains("Obadiah"));
        QVERIFY(list.contains("Zerubbabel"));
        if (kind == "folder")
            QVERIFY(QFileInfo(path + "/inside").isDir());
        else
            QCOMPARE(bytesOf(path), bytes);
    }

    void usesAListOfOneMegabyte() {
        QTemporaryDir config;
        const QString path = config.filePath("words.txt");
        const QByteArray last = "Obadiah\n";
        writeBytes(path, "Habakkuk\n" +
                             QByteArray(PersonalWordList::kMaxBytes - 9 - last.size() - 1, 'x') +
                             "\n");
        PersonalWordList list(path);
        QVERIFY(list.contains("Habakkuk"));
        QVERIFY(!list.add("Obadiah"));
        QCOMPARE(QFileInfo(path).size(), PersonalWordList::kMaxBytes);
        QVERIFY(PersonalWordList(path).contains("Obadiah"));
        QVERIFY(list.add("Zerubbabel")); // one more would be over
    }

    void knowsAWordItCannotWrite() {
        QTemporaryDir config;
        writeBytes(config.filePath("Verimond"), "a file where the folder belongs");
        PersonalWordList list(config.filePath("Verimond/words.txt"));
        QVERIFY(list.add("Habakkuk"));
        QVERIFY(list.contains("Habakkuk"));
    }
};

QTEST_GUILESS_MAIN(TstWordList)
#include "tst_wordlist.moc"
