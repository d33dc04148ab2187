#include "entrystore.h"
#include "faultyfilesystem.h"
#include "filebytes.h"
#include "keywordtally.h"
#include "textcodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <tuple>

#ifndef Q_OS_WIN
#include <sys/stat.h>
#endif

using entry_store::EntryReader;
using entry_store::StoreErrorKind;
namespace textcodec = entry_store::textcodec;

namespace {

// Every field of `bytes`, read until the end-of-file test is true.
QList<QByteArray> readAll(const std::string& path, std::size_t bufferSize = 1 << 20) {
    EntryReader reader(platform::systemFileSystem(), bufferSize);
    if (reader.open(path))
        return {QByteArray("<open failed>")};
    QList<QByteArray> fields;
    while (!reader.atEnd().value())
        fields << QByteArray::fromStdString(reader.readField().value());
    return fields;
}

// The tally's keywords as "text count".
QStringList listed(const entry_store::KeywordTally& tally) {
    QStringList list;
    for (const entry_store::Keyword& keyword : tally.keywords())
        list << QString::fromStdString(keyword.text) + " " + QString::number(keyword.count);
    return list;
}

// The same, after passes of `budget` bytes until done.
QStringList keywordsOf(entry_store::KeywordTally& tally, std::uint64_t budget = UINT64_MAX) {
    for (int pass = 0;; ++pass) {
        const auto read = tally.readOn(budget);
        if (!read)
            return {"<failed>"};
        if (read.value() == entry_store::KeywordTally::Pass::Done)
            break;
        if (pass > 100000)
            return {"<never done>"};
    }
    return listed(tally);
}

} // namespace

class TestReader : public QObject {
    Q_OBJECT

  private:
    QTemporaryDir dir_;
    std::string path() const { return (dir_.path() + "/verimond.dat").toStdString(); }

  private slots:
    void fieldRules_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QByteArray>>("fields");
        using L = QList<QByteArray>;
        QTest::newRow("one line, one field") << QByteArray("grace\r\n") << L{"grace"};
        QTest::newRow("empty file") << QByteArray("") << L{};
        QTest::newRow("empty line") << QByteArray("\r\n") << L{""};
        QTest::newRow("k commas, k+1 fields") << QByteArray("a,b,\r\n") << L{"a", "b", ""};
        QTest::newRow("date with a comma")
            << QByteArray("Tuesday, May 3\r\n") << L{"Tuesday", "May 3"};
        QTest::newRow("leading spaces skipped") << QByteArray("  indented\r\n") << L{"indented"};
        QTest::newRow("trailing spaces kept") << QByteArray("grace  \r\n") << L{"grace  "};
        QTest::newRow("spaces only") << QByteArray("   \r\n") << L{""};
        QTest::newRow("tab is text") << QByteArray("\tgrace\r\n") << L{"\tgrace"};
        QTest::newRow("quoted with comma") << QByteArray("\"a, b\"\r\n") << L{"a, b"};
        QTest::newRow("quoted after spaces") << QByteArray("  \"  q\"\r\n") << L{"  q"};
        QTest::newRow("empty quotes") << QByteArray("\"\"\r\n") << L{""};
        QTest::newRow("text after closing quote dropped")
            << QByteArray("\"Jesus wept\" John 11:35,x\r\n") << L{"Jesus wept", "x"};
        QTest::newRow("unclosed quote ends at line end")
            << QByteArray("\"never closed, still\r\nnext\r\n") << L{"never closed, still", "next"};
        QTest::newRow("quote never runs over a line end")
            << QByteArray("\"a\r\nb\"\r\n") << L{"a", "b\""};
        QTest::newRow("quotes inside unquoted text kept")
            << QByteArray("say \"hi\" now\r\n") << L{"say \"hi\" now"};
        QTest::newRow("lone LF ends a line") << QByteArray("a\nb\n") << L{"a", "b"};
        QTest::newRow("lone CR ends a line") << QByteArray("a\rb\r") << L{"a", "b"};
        QTest::newRow("CR then CR LF") << QByteArray("a\r\r\nb") << L{"a", "", "b"};
        QTest::newRow("last line without line end") << QByteArray("a\r\nlast") << L{"a", "last"};
        QTest::newRow("comma at the end of the file") << QByteArray("a,") << L{"a"};
        QTest::newRow("byte-order mark skipped")
            << QByteArray("\xEF\xBB\xBFgrace\r\n") << L{"grace"};
        QTest::newRow("NUL is text") << QByteArray("a\0b\r\n", 5) << L{QByteArray("a\0b", 3)};
        QTest::newRow("Windows-1252 decoded") << QByteArray("caf\xE9\r\n") << L{"caf\xC3\xA9"};
        QTest::newRow("UTF-8 decoded") << QByteArray("\xCE\xA9\r\n") << L{"\xCE\xA9"};
        QTest::newRow("invalid UTF-8 read as Windows-1252")
            << QByteArray("\xC3(\r\n") << L{"\xC3\x83("};
        QTest::newRow("decoded per field")
            << QByteArray("\xCE\xA9,\xE9\r\n") << L{"\xCE\xA9", "\xC3\xA9"};
        // Byte sequences that look like UTF-8 but are not read as Windows-1252.
        QTest::newRow("overlong two-byte form") << QByteArray("\xC0\xAF\r\n") << L{"À¯"};
        QTest::newRow("overlong three-byte form") << QByteArray("\xE0\x80\xAF\r\n") << L{"à€¯"};
        QTest::newRow("encoded surrogate") << QByteArray("\xED\xA0\x80\r\n") << L{"í\u00A0€"};
        QTest::newRow("beyond U+10FFFF") << QByteArray("\xF4\x90\x80\x80\r\n") << L{"ô\u0090€€"};
        QTest::newRow("sequence cut by the field's end")
            << QByteArray("x\xE2\x82,y\r\n") << L{"xâ‚", "y"};
        // The edges of UTF-8's ranges: just inside is UTF-8, just outside is Windows-1252.
        QTest::newRow("U+0080 and U+07FF")
            << QByteArray("\xC2\x80\xDF\xBF\r\n") << L{"\xC2\x80\xDF\xBF"};
        QTest::newRow("U+0800 and U+FFFF")
            << QByteArray("\xE0\xA0\x80\xEF\xBF\xBF\r\n") << L{"\xE0\xA0\x80\xEF\xBF\xBF"};
        QTest::newRow("U+D7FF and U+E000")
            << QByteArray("\xED\x9F\xBF\xEE\x80\x80\r\n") << L{"\xED\x9F\xBF\xEE\x80\x80"};
        QTest::newRow("U+10000 and U+10FFFF") << QByteArray("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF\r\n")
                                              << L{"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"};
        QTest::newRow("last surrogate U+DFFF") << QByteArray("\xED\xBF\xBF\r\n") << L{"í¿¿"};
        QTest::newRow("overlong U+007F") << QByteArray("\xC1\xBF\r\n") << L{"Á¿"};
        QTest::newRow("overlong U+07FF") << QByteArray("\xE0\x9F\xBF\r\n") << L{"àŸ¿"};
        QTest::newRow("overlong U+FFFF") << QByteArray("\xF0\x8F\xBF\xBF\r\n") << L{"ð\u008F¿¿"};
        QTest::newRow("continuation byte alone") << QByteArray("\xBF\r\n") << L{"¿"};
        QTest::newRow("F5 lead byte") << QByteArray("\xF5\x80\x80\x80\r\n") << L{"õ€€€"};
        QTest::newRow("lowest high byte alone") << QByteArray("\x80\x35\r\n") << L{"€5"};
        QTest::newRow("byte-order mark alone") << QByteArray("\xEF\xBB\xBF") << L{};
        QTest::newRow("byte-order mark and a line end") << QByteArray("\xEF\xBB\xBF\r\n") << L{""};
    }

    void fieldRules() {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QByteArray>, fields);
        writeBytes(path(), bytes.toStdString());
        QCOMPARE(readAll(path()), fields);
        // Buffer boundaries anywhere inside the input change nothing.
        QCOMPARE(readAll(path(), 16), fields);
    }

    // The keywords offered: every field of the file's first line and of each
    // line after a marker line, by the field rules, most used first.
    void keywordLines_data() {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("keywords");
        using L = QStringList;
        const QByteArray entry = "\r\nMay 3\r\nhope, grace\r\n**EOE**\r\n";
        QTest::newRow("commas, quotes and spaces")
            << QByteArray("a,  b,\"c,d\"x, \"e\r\n**EOE**\r\n") << L{"a 1", "b 1", "c,d 1", "e 1"};
        QTest::newRow("keyword lines only, counted")
            << "grace" + entry + "hope" + entry + "grace" + entry << L{"grace 2", "hope 1"};
        QTest::newRow("the same word in two cases")
            << "grace" + entry + "Grace" + entry << L{"Grace 1", "grace 1"};
        QTest::newRow("the marker as a keyword")
            << QByteArray("**EOE**\r\nnext\r\n") << L{"next 1"};
        QTest::newRow("spaced and quoted markers")
            << QByteArray(
                   "k\r\nd\r\n  **EOE**\r\nl\r\nd\r\n\"**EOE**\" x\r\nm\r\nd\r\n"
                   "**EOE**,x\r\nnot\r\n \" **EOE**\"\r\nnot\r\n\"**EOE**\",x\r\nnot\r\n"
                   "x**EOE**\r\nnot\r\n**EOE**\"\r\nnot\r\n\"**EOE**\",x\r\n**EOE**\r\nn\r\n")
            << L{"k 1", "l 1", "m 1", "n 1"};
        QTest::newRow("a line end at any byte of a long rest of line")
            << QByteArray("k\r\nd\r\n\"**EOE**\",") + QByteArray(16, 'y') +
                   "\n**EOE**\nn\nd\n\"**EOE**\"," + QByteArray(17, 'y') + "\n**EOE**\nm\n"
            << L{"k 1", "m 1", "n 1"};
        QTest::newRow("a marker's quote and the marker across two reads")
            << QByteArray("k\r\n") + QByteArray(50, 'x') + "\r\n\"**EOE**\"\r\nl\r\n"
            << L{"k 1", "l 1"};
        QTest::newRow("a file that ends inside an entry")
            << QByteArray("grace\r\nMay 3\r\nhalf") << L{"grace 1"};
        QTest::newRow("a last line without its line end") << QByteArray("grace") << L{};
        QTest::newRow("a last CR ends its line") << QByteArray("grace\r") << L{"grace 1"};
        QTest::newRow("byte-order mark") << QByteArray("\xEF\xBB\xBF\"a,b\"\r\n") << L{"a,b 1"};
        QTest::newRow("lone CR and lone LF line ends")
            << QByteArray("grace\rd\rt\r**EOE**\rhope\nd\n**EOE**\nlove\r\n")
            << L{"grace 1", "hope 1", "love 1"};
        QTest::newRow("a lone CR that ends a read, and a lone LF that begins one")
            << QByteArray(63, 'k') + "\rd" + QByteArray(55, 'x') + "\n**EOE**\nhope\n"
            << L{"hope 1", QString(63, 'k') + " 1"};
        QTest::newRow("over the length limit, a date after it")
            << QByteArray(201, 'a') + "," + QByteArray(200, 'b') + "\r\nMay 3\r\n"
            << L{QString(200, 'b') + " 1"};
        QTest::newRow("a long line of short keywords") << QByteArray("ab,").repeated(50) + "ab\r\n"
                                                       << L{"ab 51"};
        QTest::newRow("a keyword line of very many fields")
            << QByteArray("a,").repeated(5000) + "b\r\nd\r\n**EOE**\r\nb\r\n"
            << L{"a 5000", "b 2"};
        QTest::newRow("a long date line of short fields")
            << QByteArray("k\r\nab,**EOE**,") + QByteArray("ab,").repeated(50) +
                   "\r\nnot\r\n**EOE**\r\nl\r\n"
            << L{"k 1", "l 1"};
        QTest::newRow("a marker after spaces that follow text, across two reads")
            << QByteArray("k\r\nd") + QByteArray(55, ' ') + "**EOE**\r\nnot\r\n"
            << L{"k 1"};
        QTest::newRow("a line of marker fields")
            << QByteArray("k\r\nd\r\n") + QByteArray("**EOE**,").repeated(20) + "**EOE**\r\nnot\r\n"
            << L{"k 1"};
        QTest::newRow("a long line whose CR ends a buffer")
            << QByteArray("ab,").repeated(42) + "a\r\nd\r\n**EOE**\r\nhope\r\n"
            << L{"ab 42", "a 1", "hope 1"};
        QTest::newRow("empty fields") << QByteArray(" ,,\"\"\r\n") << L{};
        QTest::newRow("a marker line after any number of spaces")
            << QByteArray("k\r\n") + QByteArray(25, ' ') + "**EOE**\r\nl\r\n" +
                   QByteArray(100, ' ') + "\"**EOE**\" and a comment\r\nm\r\n"
            << L{"k 1", "l 1", "m 1"};
        QTest::newRow("a keyword line of spaces is no marker")
            << QByteArray("   \r\nnot\r\n") << L{};
        QTest::newRow("Windows-1252 and UTF-8 are one keyword")
            << QByteArray("caf\xE9\r\n**EOE**\r\ncaf\xC3\xA9\r\n") << L{"caf\u00E9 2"};
    }

    void keywordLines() {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, keywords);
        writeBytes(path(), bytes.toStdString());
        entry_store::KeywordTally whole(platform::systemFileSystem(), path());
        QCOMPARE(keywordsOf(whole), keywords);
        // Lines longer than the buffer, and passes stopped after a few bytes,
        // change nothing.
        entry_store::KeywordTally small(platform::systemFileSystem(), path(), 64);
        QCOMPARE(keywordsOf(small, 8), keywords);
        QFile::resize(QString::fromStdString(path()), 0);
        QCOMPARE(keywordsOf(small), QStringList{});
        writeBytes(path(), bytes.toStdString());
        QCOMPARE(keywordsOf(small, 0), keywords); // every pass reads on, whatever its budget
    }

    // Bytes appended are read on from where the last pass stopped, each byte
    // once; a file changed otherwise is read again; no file is no keyword.
    // The modification time comes from the test, not the clock.
    void keywordsFollowTheFile() {
        FaultyFileSystem files;
        std::int64_t modified = 1;
        files.restamp = [&](platform::FileStamp& stamp) { stamp.modified = modified; };
        entry_store::KeywordTally tally(files, path(), 64);
        QFile::remove(QString::fromStdString(path()));
        QCOMPARE(keywordsOf(tally), QStringList{});
        // A line not complete yet is never offered in part, whatever the buffer.
        const std::string longWord(90, 'w');
        writeBytes(path(), "\xEF\xBB\xBFgrace\r\nd\r\nt\r\n**EOE**\r\nho," + longWord);
        QCOMPARE(keywordsOf(tally), QStringList{"grace 1"});
        appendBytes(path(), "\r\nd\r\n**EOE**\r\nhope\r\nd\r\n**EOE**\r\ngrace\r");
        QCOMPARE(keywordsOf(tally), (QStringList{"grace 2", "ho 1", "hope 1",
                                                 QString::fromStdString(longWord) + " 1"}));
        // The LF of the last CR LF comes later, and is no line of its own;
        // also when it comes alone after a marker line.
        appendBytes(path(), "\nd\r\n**EOE**\r");
        keywordsOf(tally);
        appendBytes(path(), "\n");
        keywordsOf(tally);
        appendBytes(path(), "hope\r\n");
        QVERIFY(keywordsOf(tally).contains("hope 2"));
        QVERIFY(!tally.wasCut());

        // The same size, another modification time: rewritten in place,
        // where no bytes compared have changed.
        const std::string text(100, 't');
        const auto diary = [&](const std::string& first, const std::string& second) {
            return first + "\r\nd\r\n" + text + "\r\n**EOE**\r\n" + second + "\r\nd\r\n" + text +
                   "\r\n**EOE**\r\n";
        };
        writeBytes(path(), diary("joys", "hope"));
        QCOMPARE(keywordsOf(tally), (QStringList{"hope 1", "joys 1"}));
        writeBytes(path(), diary("joys", "hops"));
        ++modified;
        QCOMPARE(keywordsOf(tally), (QStringList{"hops 1", "joys 1"}));
        // Bytes put into the middle: what was read is not where it was.
        writeBytes(path(), diary("joys", "hops, x"));
        QCOMPARE(keywordsOf(tally), (QStringList{"hops 1", "joys 1", "x 1"}));
        // Bytes changed at the start of a grown file.
        writeBytes(path(), diary("mild", "hops, x") + "y\r\n");
        QCOMPARE(keywordsOf(tally), (QStringList{"hops 1", "mild 1", "x 1", "y 1"}));
        // Another file put in its place, as sync tools do, with the time
        // kept: alike but in the middle, of the same size, then grown. It
        // ends inside a keyword line of very many fields, in a quoted field.
        const QString name = QString::fromStdString(path());
        std::string ending = "y\r\nd\r\n**EOE**\r\n";
        for (int i = 0; i < 5000; ++i)
            ending += "z,";
        ending += "ab,\"cd";
        writeBytes(path(), diary("mild", "hops, x") + ending);
        QCOMPARE(keywordsOf(tally), (QStringList{"hops 1", "mild 1", "x 1", "y 1"}));
        writeBytes(path() + ".new", diary("mild", "hope, x") + ending);
        QVERIFY(QFile::remove(name) && QFile::rename(name + ".new", name));
        QCOMPARE(keywordsOf(tally), (QStringList{"hope 1", "mild 1", "x 1", "y 1"}));
        writeBytes(path() + ".new", diary("mild", "hops, x") + ending + "ef");
        QVERIFY(QFile::remove(name) && QFile::rename(name + ".new", name));
        QCOMPARE(keywordsOf(tally), (QStringList{"hops 1", "mild 1", "x 1", "y 1"}));
        // Shorter than what was read: the half-read line, and its open quote,
        // are gone with it. The new file starts with a marker line, and then
        // with a line end.
        writeBytes(path(), "  **EOE**\r\njoy!,2\r\nMay 3, 2026\r\n");
        QCOMPARE(keywordsOf(tally), (QStringList{"2 1", "joy! 1"}));
        writeBytes(path(), "\nhope\r\n**EOE**\r\njoy!\r\nMay 3, 2026\r\n");
        QCOMPARE(keywordsOf(tally), QStringList{"joy! 1"});
        // Unchanged: nothing more is read.
        files.reset();
        QCOMPARE(keywordsOf(tally), QStringList{"joy! 1"});
        QCOMPARE(files.bytesRead, std::uint64_t{0});
        const std::uint64_t changes = tally.changes();
        QFile::remove(name);
        QCOMPARE(keywordsOf(tally), QStringList{});
        QVERIFY(tally.changes() != changes); // a list of them is out of date
    }

    // A pass reads at most its budget, besides the bytes that tell whether the
    // file changed, and reads each byte once, long lines included.
    void eachPassReadsItsBudgetAndEachByteOnce() {
        std::string diary;
        for (int i = 0; i < 20; ++i)
            diary += "k" + std::to_string(i) + "," + std::string(300, 'k') + "\r\n" +
                     std::string(500, 't') + "\r\n" + std::string(5000, ' ') + "**EOE**\r\n";
        writeBytes(path(), diary);
        FaultyFileSystem files;
        entry_store::KeywordTally tally(files, path(), 256);
        const std::uint64_t budget = 100;
        const std::uint64_t checks = 2 * 64; // the file's start, and the bytes before the stop
        int passes = 0;
        std::uint64_t total = 0;
        for (;; ++passes) {
            files.reset();
            const auto pass = tally.readOn(budget);
            QVERIFY(pass);
            QVERIFY2(files.bytesRead <= budget + checks, qPrintable(QString::number(passes)));
            total += files.bytesRead;
            if (pass.value() == entry_store::KeywordTally::Pass::Done)
                break;
        }
        QVERIFY(passes > 20 * 5800 / 100);
        QVERIFY(total <= diary.size() + (passes + 1) * (checks + 8));
        QCOMPARE(keywordsOf(tally).size(), 20); // "k0" to "k19"; the long ones are too long
        // Bytes appended are read alone, also after a pass whose last read
        // filled only part of the buffer.
        appendBytes(path(), "k20," + std::string(1000, 'k') + "\r\n");
        keywordsOf(tally);
        files.reset();
        appendBytes(path(), "t\r\n**EOE**\r\n");
        keywordsOf(tally);
        QVERIFY(files.bytesRead <= 12 + checks);
    }

    // Only a plain file is read: for keywords, a device, a named pipe or a
    // folder is an empty diary; a search is told what it is. Nothing waits.
    void onlyAPlainFileIsRead() {
        const QString name = QString::fromStdString(path());
        QFile::remove(name);
        QVERIFY(QDir().mkdir(name));
        FaultyFileSystem files;
        entry_store::KeywordTally tally(files, path());
        QCOMPARE(keywordsOf(tally), QStringList{});
        QVERIFY(QDir().rmdir(name));
        EntryReader reader(files);
        const auto refused = [&](const std::string& device) {
            const auto error = reader.open(device);
            return error && error->kind == entry_store::StoreErrorKind::NotPlainFile;
        };
#ifdef Q_OS_WIN
        QVERIFY(refused("NUL"));
#else
        for (const char* device : {"/dev/zero", "/dev/full"}) {
            QVERIFY(QFile::link(device, name));
            QCOMPARE(keywordsOf(tally), QStringList{});
            QVERIFY(refused(path()));
            QVERIFY(QFile::remove(name));
        }
        QCOMPARE(::mkfifo(path().c_str(), 0600), 0); // no writer will ever come
        QCOMPARE(keywordsOf(tally), QStringList{});
        QVERIFY(refused(path()));
        QVERIFY(QFile::remove(name));
        // Each of them opens here, and none is left open; Windows opens no folder.
        const auto count = [&](platform::FileOp op) {
            return std::count(files.calls.cbegin(), files.calls.cend(), op);
        };
        QCOMPARE(count(platform::FileOp::Close), count(platform::FileOp::Open));
#endif
    }

    // A failed pass keeps what was counted, and the next one goes on.
    void aFailedPassKeepsTheKeywords() {
        writeBytes(path(), "grace\r\nd\r\n**EOE**\r\n");
        FaultyFileSystem files;
        entry_store::KeywordTally tally(files, path());
        QCOMPARE(keywordsOf(tally), QStringList{"grace 1"});
        appendBytes(path(), "hope\r\nd\r\n**EOE**\r\n");
        // The open, the file's stamp, and each read.
        for (int call = 1; call <= 6; ++call) {
            files.reset(call, EIO);
            QVERIFY2(!tally.readOn(), qPrintable(QString::number(call)));
            QVERIFY2(listed(tally) == QStringList{"grace 1"}, qPrintable(QString::number(call)));
        }
        files.reset();
        QCOMPARE(keywordsOf(tally), (QStringList{"grace 1", "hope 1"}));
    }

    // Past either limit, the least used go and the much used stay; of those
    // used alike, the ones met first stay, so the list is never empty.
    void tooManyKeywordsAreCut() {
        using entry_store::KeywordTally;
        const std::string entry = "\r\nd\r\n**EOE**\r\n";
        // The last keyword of each file passes its limit: 100,000 keywords, or
        // 8 MB of them; and each one used once.
        const std::size_t longOnes = ((8u << 20) - 5) / 200 + 1;
        // Right at each limit nothing is cut yet.
        const std::size_t atByteLimit = ((8u << 20) - 5) / 200;
        for (const auto& [count, length, graces, cut] :
             {std::tuple{KeywordTally::kMaxKeywords, 1, 3, true},
              std::tuple{KeywordTally::kMaxKeywords - 1, 1, 3, false},
              std::tuple{longOnes, 200, 3, true}, std::tuple{atByteLimit + 1, 200, 3, false},
              std::tuple{KeywordTally::kMaxKeywords + 1, 1, 0, true}}) {
            std::string bytes;
            for (int i = 0; i < graces; ++i)
                bytes += "grace" + entry;
            std::vector<std::string> keywords;
            for (std::size_t i = 0; i < count; ++i) {
                keywords.push_back(std::to_string(i));
                keywords.back().resize(std::max<std::size_t>(keywords.back().size(), length), 'k');
                if (!cut && length == 200 && i + 1 == count) // the 8 MB to the byte
                    keywords.back() = std::string((8u << 20) - 5 - atByteLimit * 200, 'z');
                bytes += keywords.back() + entry;
            }
            writeBytes(path(), bytes);
            KeywordTally tally(platform::systemFileSystem(), path());
            const QStringList list = keywordsOf(tally);
            QCOMPARE(tally.wasCut(), cut);
            if (!cut) {
                QCOMPARE(list.size(), static_cast<qsizetype>(count) + 1);
                // Read again from nothing, the same holds.
                QFile::remove(QString::fromStdString(path()));
                QCOMPARE(keywordsOf(tally), QStringList{});
                writeBytes(path(), bytes);
                QCOMPARE(keywordsOf(tally).size(), static_cast<qsizetype>(count) + 1);
                QVERIFY(!tally.wasCut());
                continue;
            }
            QCOMPARE(list.first(), QString::fromStdString(graces ? "grace 3" : keywords[0] + " 1"));
            QVERIFY(list.contains(QString::fromStdString(keywords[0] + " 1")));
            QVERIFY(!list.contains(QString::fromStdString(keywords.back() + " 1")));
            QVERIFY(list.size() < static_cast<qsizetype>(count));
            // The more used half stays, by count or by bytes.
            qsizetype keptBytes = 0;
            for (const QString& row : list)
                keptBytes += row.section(u' ', 0, -2).size();
            QVERIFY(length == 1 ? list.size() >= static_cast<qsizetype>(count) / 2
                                : keptBytes + 200 > (8 << 20) / 2);
        }
    }

    void readingPastTheEndFails() {
        writeBytes(path(), "grace\r\n");
        EntryReader reader(platform::systemFileSystem());
        QVERIFY(!reader.open(path()));
        QCOMPARE(reader.readField().value(), std::string("grace"));
        QVERIFY(reader.atEnd().value());
        const auto past = reader.readField();
        QVERIFY(!past);
        QCOMPARE(past.error().kind, StoreErrorKind::ReadPastEnd);
    }

    void missingFileAndReadErrorsAreReported() {
        EntryReader reader(platform::systemFileSystem());
        const auto missing = reader.open(dir_.path().toStdString() + "/absent.dat");
        QVERIFY(missing);
        QCOMPARE(missing->kind, StoreErrorKind::NotFound);
        QVERIFY(!reader.isOpen());

        // A folder opens for reading but cannot be read.
        const auto folder = reader.open(dir_.path().toStdString());
        QVERIFY(folder);
        QCOMPARE(folder->kind, StoreErrorKind::IsFolder);

        // A read failing in the middle of a long file.
        writeBytes(path(), std::string(100, 'x') + "\r\ngrace\r\n");
        FaultyFileSystem files;
        EntryReader faulty(files, 16);
        QVERIFY(!faulty.open(path()));
        files.reset(static_cast<int>(files.calls.size()) + 3, EIO);
        const auto scan = faulty.findField("grace");
        QVERIFY(!scan);
        QCOMPARE(scan.error().kind, StoreErrorKind::InputOutput);
    }

    void textRoundTripsThroughTheFile_data() {
        QTest::addColumn<QString>("text");
        for (const char* s : {"plain", "", "café", "€uro — “quoted”", "Ωmega", "naïve Ω", "שָׁלוֹם",
                              "🙏 amen", "Ã©", "Ã©, Ω", "Ã©, é", "\u00A0no-break", "\u0081"})
            QTest::newRow(s) << QString::fromUtf8(s);
    }

    void textRoundTripsThroughTheFile() {
        QFETCH(QString, text);
        const std::string utf8 = text.toStdString();
        const std::string bytes = textcodec::encodeLine(utf8);
        QCOMPARE(textcodec::decodeField(bytes), utf8);
        // Each comma-separated piece decodes on its own, and still comes back whole.
        writeBytes(path(), bytes + "\r\n");
        QStringList pieces;
        for (const QByteArray& field : readAll(path()))
            pieces << QString::fromUtf8(field);
        QCOMPARE(pieces.join(','), QString(text).replace(", ", ","));
    }

    // Every byte 0x80 to 0xFF against the published Windows-1252 table, both
    // ways; the five bytes it leaves undefined read as the C1 controls.
    void windows1252IsThePublishedTable() {
        const char16_t high[32] = {
            0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, // 80-87
            0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F, // 88-8F
            0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 90-97
            0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, // 98-9F
        };
        for (int byte = 0x80; byte <= 0xFF; ++byte) {
            const char16_t expected = byte < 0xA0 ? high[byte - 0x80] : char16_t(byte);
            const std::string utf8 = QString(QChar(expected)).toStdString();
            const std::string one(1, static_cast<char>(byte));
            QCOMPARE(textcodec::decodeField(one), utf8);
            QCOMPARE(textcodec::encodeLine(utf8), one);
        }
    }

    void byteFormsAreExactlyWhatDecodesToTheText() {
        QCOMPARE(textcodec::byteForms("grace"), std::vector<std::string>{"grace"});
        QCOMPARE(textcodec::byteForms("caf\xC3\xA9"),
                 (std::vector<std::string>{"caf\xC3\xA9", "caf\xE9"}));
        QCOMPARE(textcodec::byteForms("\xCE\xA9"), std::vector<std::string>{"\xCE\xA9"});
        // The Windows-1252 bytes of "Ã©" are valid UTF-8 and read back as "é".
        QCOMPARE(textcodec::byteForms("\xC3\x83\xC2\xA9"),
                 std::vector<std::string>{"\xC3\x83\xC2\xA9"});
        for (int byte = 0; byte < 256; ++byte) {
            const std::string one(1, static_cast<char>(byte));
            const std::string text = textcodec::decodeField(one);
            const auto forms = textcodec::byteForms(text);
            QVERIFY(std::find(forms.begin(), forms.end(), one) != forms.end());
        }
    }
};

QTEST_APPLESS_MAIN(TestReader)
#include "tst_reader.moc"
