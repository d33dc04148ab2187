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
