#include "entrystore.h"
#include "filebytes.h"
#include "scantrace.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using entry_store::EntryReader;
using ScanResult = entry_store::EntryReader::ScanResult;

namespace {

using Trace = ScanTrace;

Trace fieldByField(const std::string& path, const std::string& keyword) {
    return scantrace::fieldByField(platform::systemFileSystem(), path, keyword, 4096);
}

Trace scanned(const std::string& path, const std::string& keyword, std::size_t bufferSize,
              std::uint64_t budget) {
    return scantrace::scanned(platform::systemFileSystem(), path, keyword, bufferSize, budget);
}

std::string randomDiary(QRandomGenerator& random, int pieces) {
    static const char* const parts[] = {
        "grace", "hope", "gr", "ace", ",", " ", "  ", "\"", "\r\n", "\r\n", "\n", "\r",
        "**EOE**\r\n", "x", "caf\xE9", "caf\xC3\xA9", "\xCE\xA9", "\xC3", "\t", "a,b", "\0",
        // the keyword beside each kind of neighbour the scan judges it by
        "\"grace\"", "  grace", "grace ", "\tgrace", "xgrace", "gracex", ",grace,", "\"  grace"};
    std::string out;
    if (random.bounded(8) == 0)
        out += "\xEF\xBB\xBF";
    for (int i = 0; i < pieces; ++i) {
        const char* part = parts[random.bounded(static_cast<int>(std::size(parts)))];
        out += *part ? std::string(part) : std::string(1, '\0');
    }
    return out;
}

} // namespace

class TestScan : public QObject {
    Q_OBJECT

  private slots:
    // The fast scan must find exactly the fields, and leave the reader exactly
    // where, reading field by field would: on random files, with buffers so
    // small that every line crosses their edges, and stopped at any budget,
    // always at a field start.
    void scanMatchesFieldByFieldReading() {
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/verimond.dat").toStdString();
        QRandomGenerator random(20261207);
        const std::string keywords[] = {"grace",   "",    "hope", "caf\xC3\xA9", "\xCE\xA9",
                                        "**EOE**", "a,b", "ace",  " grace",      "x"};
        int matches = 0;
        for (int round = 0; round < 400; ++round) {
            writeBytes(path, randomDiary(random, 1 + random.bounded(300)));
            for (const std::string& keyword : keywords) {
                const Trace expected = fieldByField(path, keyword);
                matches += static_cast<int>(expected.found.size());
                for (std::size_t buffer : {std::size_t{16}, std::size_t{37}, std::size_t{4096}}) {
                    const std::uint64_t budget =
                        random.bounded(2) ? UINT64_MAX : random.bounded(1, 64);
                    const Trace actual = scanned(path, keyword, buffer, budget);
                    if (!scantrace::agrees(actual, expected)) {
                        qWarning() << "round" << round << "keyword" << keyword.c_str() << "buffer"
                                   << buffer;
                        QFAIL("the scan differs from field-by-field reading");
                    }
                }
            }
        }
        QVERIFY(matches > 1000); // the generator does produce matches
    }

    // The finder passes over an occurrence that no byte able to end a field
    // follows, and keeps one at a buffer's last byte or the file's end, whose
    // next byte it cannot see; with lines before it, it is judged 16 bytes at a time.
    void theByteAfterTheKeywordDecides_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("bufferSize");
        QTest::addColumn<int>("found");
        const QByteArray before = "a first line of text\r\nand a second one\r\n";
        QTest::newRow("comma") << before + "so,grace,be\r\n" + before << 4096 << 1;
        QTest::newRow("quote") << before + "\"grace\" be\r\n" + before << 4096 << 1;
        QTest::newRow("CR LF") << before + "grace\r\n" + before << 4096 << 1;
        QTest::newRow("lone LF") << before + "grace\n" + before << 4096 << 1;
        QTest::newRow("lone CR") << before + "grace\r" + before << 4096 << 1;
        QTest::newRow("space") << before + "grace be\r\n" + before << 4096 << 0;
        QTest::newRow("letter") << before + "graces,x\r\n" + before << 4096 << 0;
        QTest::newRow("end of file") << before + "grace" << 4096 << 1;
        QTest::newRow("buffer's last byte") << QByteArray("012345678\r\ngrace,x\r\n") << 16 << 1;
        QTest::newRow("letter past the buffer") << QByteArray("012345678\r\ngracex\r\n") << 16 << 0;
    }

    void theByteAfterTheKeywordDecides() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, bufferSize);
        QFETCH(int, found);
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/verimond.dat").toStdString();
        writeBytes(path, bytes.toStdString());
        const Trace expected = fieldByField(path, "grace");
        QCOMPARE(static_cast<int>(expected.found.size()), found);
        const Trace actual =
            scanned(path, "grace", static_cast<std::size_t>(bufferSize), UINT64_MAX);
        QVERIFY(scantrace::agrees(actual, expected));
    }

    void longLinesStayWithinTheBuffer() {
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/verimond.dat").toStdString();
        // A line far longer than the buffer, with the keyword as its last field.
        writeBytes(path, std::string(5000, 'g') + ",grace\r\nx\r\ny\r\ngrace\r\n");
        const Trace expected = fieldByField(path, "grace");
        QCOMPARE(expected.found.size(), std::size_t{2});
        QVERIFY(scantrace::agrees(scanned(path, "grace", 64, UINT64_MAX), expected));
        QVERIFY(scantrace::agrees(scanned(path, "", 64, 100), fieldByField(path, "")));
    }

    void fileGrowingDuringASearchIsReadOn() {
        QTemporaryDir dir;
        const std::string path = (dir.path() + "/verimond.dat").toStdString();
        writeBytes(path, "grace\r\nd\r\n**EOE**\r\n");
        EntryReader reader(platform::systemFileSystem());
        QVERIFY(!reader.open(path));
        QCOMPARE(reader.findField("grace").value(), ScanResult::Found);
        QCOMPARE(reader.findField("grace").value(), ScanResult::EndOfFile);
        entry_store::EntryStore store(platform::systemFileSystem(), path);
        QVERIFY(!store.save("grace", "later", ""));
        QVERIFY(!reader.atEnd().value());
        QCOMPARE(reader.findField("grace").value(), ScanResult::Found);
        QCOMPARE(reader.readField().value(), std::string("later"));
    }
};

QTEST_APPLESS_MAIN(TestScan)
#include "tst_scan.moc"
