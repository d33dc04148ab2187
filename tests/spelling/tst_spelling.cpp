#include "codepages.h"
#include "dictionaries.h"
#include "spellchecker.h"
#include "spellingfiles.h"
#include "testdictionary.h"
#include "textencoding.h"
#include "words.h"

#include <QDateTime>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#endif

using namespace spelling;

class TstSpelling : public QObject {
    Q_OBJECT
  private:
    QTemporaryDir dir_;

    std::unique_ptr<SpellEngine> engine(const QString& language) {
        auto loaded = SpellEngine::load(
            {language, dir_.filePath(language + ".aff"), dir_.filePath(language + ".dic")});
        if (!loaded)
            qFatal("%s", qPrintable(loaded.error()));
        return std::move(loaded.value());
    }

    static QByteArray bytesOf(const QString& path) {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList words(const QString& line) {
        QStringList found;
        for (const WordSpan& span : findWords(line))
            found << line.mid(span.start, span.length);
        return found;
    }

  private slots:
    void initTestCase() {
        writeTestDictionary(dir_.path(), "en_US");
        // Latin-1: "café" is the bytes 63 61 66 e9.
        writeTestDictionary(dir_.path(), "fr_FR", {"caf\xe9", "th\xe9"}, "ISO8859-1");
        // Windows-1251: "мир" is the bytes ec e8 f0.
        writeTestDictionary(dir_.path(), "ru_RU", {"\xec\xe8\xf0"}, "microsoft-cp1251");
        // ISO 8859-2: "łąka" is the bytes b3 b1 6b 61.
        writeTestDictionary(dir_.path(), "pl_PL", {"\xb3\xb1ka"}, "ISO8859-2");
        // Parts 13 and 15, which Windows has past its gap after part 9:
        // "ąžuolas" and "œuvre".
        writeTestDictionary(dir_.path(), "lt_LT", {"\xe0\xfeuolas"}, "ISO8859-13");
        writeTestDictionary(dir_.path(), "fr_BE", {"\xbduvre"}, "ISO8859-15");
    }

    void choosesTheLanguage_data() {
        QTest::addColumn<QStringList>("installed");
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("chosen");
        const QStringList many{"de_AT", "de_DE", "en_GB", "en_US", "fr_FR"};
        QTest::newRow("the user's own") << many << "de_DE"
                                        << "de_DE";
        QTest::newRow("the same language") << many << "de_CH"
                                           << "de_AT";
        QTest::newRow("language alone") << many << "fr"
                                        << "fr_FR";
        QTest::newRow("else en_US") << many << "it_IT"
                                    << "en_US";
        QTest::newRow("C locale") << many << ""
                                  << "en_US";
        QTest::newRow("else any English") << QStringList{"de_DE", "en_GB"} << "it_IT"
                                          << "en_GB";
        QTest::newRow("else the first") << QStringList{"de_DE", "fr_FR"} << "it_IT"
                                        << "de_DE";
        QTest::newRow("none") << QStringList{} << "en_US"
                              << "";
    }
    void choosesTheLanguage() {
        QFETCH(QStringList, installed);
        QFETCH(QString, locale);
        QFETCH(QString, chosen);
        QCOMPARE(chooseLanguage(installed, locale).value_or(QString()), chosen);
    }

    void readsTheLocaleInOrder() {
        qputenv("LC_ALL", "");
        qputenv("LC_MESSAGES", "de_CH.UTF-8@euro");
        qputenv("LANG", "fr_FR.UTF-8");
        QCOMPARE(platform::localeFromEnvironment(), "de_CH");
        qputenv("LC_ALL", "C.UTF-8");
        QCOMPARE(platform::localeFromEnvironment(), "");
        qunsetenv("LC_ALL");
        qunsetenv("LC_MESSAGES");
        QCOMPARE(platform::localeFromEnvironment(), "fr_FR");
        QCOMPARE(platform::debianPackageFor("en_US"), "hunspell-en-us");
        QCOMPARE(platform::debianPackageFor("de"), "hunspell-de");
        QCOMPARE(platform::languageOf("POSIX"), "");
        QCOMPARE(platform::languageOf("sr_RS@latin"), "sr_RS");
    }

    // Windows converts the dictionaries' 8-bit encodings by its code pages,
    // of which ISO 8859 has gaps.
    void namesTheWindowsCodePages() {
        const QList<std::pair<QByteArray, unsigned>> pages{
            {"ISO-8859-1", 28591},  {"iso-8859-9", 28599},
            {"ISO-8859-10", 0},     {"ISO-8859-13", 28603},
            {"ISO-8859-14", 0},     {"ISO-8859-15", 28605},
            {"ISO-8859-0", 0},      {"ISO-8859-x", 0},
            {"windows-1250", 1250}, {"WINDOWS-1258", 1258},
            {"windows-1259", 0},    {"windows-125x", 0},
            {"KOI8-R", 20866},      {"koi8-u", 21866},
            {"TIS-620", 874},       {"UTF-8", 0}};
        for (const auto& [name, page] : pages)
            QVERIFY2(platform::windowsCodePageFor(name) == page, name);
    }

    void findsOnlyPairedDictionaries() {
        QTemporaryDir folder;
        writeTestDictionary(folder.path(), "en_US");
        writeTestDictionary(folder.path(), "de_DE");
        QFile::remove(folder.filePath("de_DE.aff"));
        QCOMPARE(installedLanguages(folder.path()), QStringList{"en_US"});
        const auto files = chooseDictionary(folder.path(), "de_DE");
        QVERIFY(files);
        QCOMPARE(files->dic, folder.filePath("en_US.dic"));
    }

    void findsTheWords_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("punctuation") << "I beleive it." << QStringList{"I", "beleive", "it"};
        QTest::newRow("apostrophes")
            << "don't 'quoted' it’s" << QStringList{"don't", "quoted", "it’s"};
        QTest::newRow("web addresses")
            << "see https://exampel.org/pagge, WWW.exampel.org and (http://x.y)"
            << QStringList{"see", "and"};
        QTest::newRow("e-mail addresses")
            << "mail jon@exampel.org or mailto:jon x@y.z" << QStringList{"mail", "or"};
        QTest::newRow("an at sign with no dot after it")
            << "meet @home at 5, jon@home" << QStringList{"meet", "home", "at", "5", "jon", "home"};
        QTest::newRow("an at sign with no name after its dot")
            << "John@home.. then" << QStringList{"John", "home", "then"};
    }
    void findsTheWords() {
        QFETCH(QString, line);
        QFETCH(QStringList, words);
        QCOMPARE(this->words(line), words);
    }

    void findsTheWordAtTheCaret() {
        const QString line = "I beleive it";
        QCOMPARE(wordAt(line, 2), (WordSpan{2, 7}));
        QCOMPARE(wordAt(line, 9), (WordSpan{2, 7})); // just after it
        QCOMPARE(wordAt(line, 1), (WordSpan{0, 1}));
        QVERIFY(!wordAt(u"a  b ", 2)); // nor is anything read past its last space
        // A line cut at the checking limit ends where it is cut.
        QCOMPARE(wordAt(QStringView(u"x@y.com").left(4), 2), (WordSpan{2, 1}));
        QCOMPARE(wordAt(QStringView(u"rock'n").left(5), 0), (WordSpan{0, 4}));
    }

    void judgesWordsByTheRules() {
        QTemporaryDir config;
        QCoreApplication::setApplicationName("Verimond");
        SpellChecker checker(config.filePath("Verimond/words.txt"));
        QVERIFY(!checker.isMisspelled("beleive")); // no dictionary yet
        checker.setEngine(engine("en_US"));
        QVERIFY(checker.isMisspelled("beleive"));
        QVERIFY(!checker.isMisspelled("Verimond"));
        QVERIFY(!checker.isMisspelled("believe"));
        QVERIFY(!checker.isMisspelled("Believe"));
        QVERIFY(!checker.isMisspelled("b3leive"));
        QVERIFY(checker.isMisspelled(QString(SpellChecker::kLongestWord, u'x')));
        QVERIFY(!checker.isMisspelled(QString(SpellChecker::kLongestWord + 1, u'x')));

        QSignalSpy changed(&checker, &SpellChecker::changed);
        checker.setKeywords({"Nebuchadnezzar", "grace of Gad"});
        QVERIFY(!checker.isMisspelled("nebuchadnezzar"));
        QVERIFY(!checker.isMisspelled("Gad"));
        checker.ignoreAll("Zerubbabel");
        QVERIFY(!checker.isMisspelled("Zerubbabel"));
        QVERIFY(!checker.addToDictionary("Habakkuk"));
        QVERIFY(!checker.isMisspelled("Habakkuk"));
        QCOMPARE(changed.size(), 3);
        QVERIFY(checker.isMisspelled("Obadiah"));
    }

    void suggestsAtMostFive() {
        QTemporaryDir config;
        SpellChecker checker(config.filePath("words.txt"));
        checker.setEngine(engine("en_US"));
        QCOMPARE(checker.suggestions("beleive").value(0), "believe");
        QCOMPARE(checker.suggestions("zat").size(), 5); // of the seven "?at" words
        checker.setDictionaryFolder(dir_.path());
        checker.loadInBackground(); // it has a dictionary already
        QVERIFY(!checker.isLoading());
    }

    void speaksTheDictionarysEncoding() {
        auto french = engine("fr_FR");
        QVERIFY(french->knows(QString::fromUtf8("café")));
        QVERIFY(!french->knows(QString::fromUtf8("cafф")));
        QCOMPARE(french->suggestions("cafe", 5), QStringList{QString::fromUtf8("café")});
        QVERIFY(engine("ru_RU")->knows(QString::fromUtf8("мир")));
        QVERIFY(engine("pl_PL")->knows(QString::fromUtf8("łąka")));
        QVERIFY(engine("lt_LT")->knows(QString::fromUtf8("ąžuolas")));
        QVERIFY(engine("fr_BE")->knows(QString::fromUtf8("œuvre")));
        // Half a character, at the end of one text, is not kept for the next.
        platform::TextEncoding utf8("UTF-8");
        QVERIFY(!utf8.encode(QString(QChar(0xD83D))));
        QCOMPARE(utf8.encode("ok"), QByteArray("ok"));
        utf8.decode("caf\xc3");
        QCOMPARE(utf8.decode("ok"), "ok");
        // Another dictionary judges the words anew.
        QTemporaryDir config;
        SpellChecker checker(config.filePath("words.txt"));
        checker.setEngine(engine("en_US"));
        QVERIFY(checker.isMisspelled(QString::fromUtf8("café")));
        checker.setEngine(std::move(french));
        QVERIFY(!checker.isMisspelled(QString::fromUtf8("café")));
    }

    void loadsInTheBackground() {
        QTemporaryDir config;
        SpellChecker checker(config.filePath("words.txt"));
        checker.setDictionaryFolder(dir_.path());
        qputenv("LC_ALL", "fr_FR.UTF-8");
        QSignalSpy loaded(&checker, &SpellChecker::dictionaryLoaded);
        checker.loadInBackground();
        QVERIFY(!checker.hasDictionary());
        QVERIFY(loaded.wait(30000));
        QVERIFY(checker.isMisspelled("cafe"));
        // A dictionary set while one loads stays.
        SpellChecker other(config.filePath("words.txt"));
        other.setDictionaryFolder(dir_.path());
        other.loadInBackground();
        other.setEngine(engine("en_US"));
        QTRY_VERIFY_WITH_TIMEOUT(!other.isLoading(), 30000);
        QVERIFY(other.isMisspelled(QString::fromUtf8("café")));
        // One in an encoding nobody knows is none, and is not said to be loaded.
        QTemporaryDir unknown;
        writeTestDictionary(unknown.path(), "en_US", {"word"}, "X-NOSUCH");
        SpellChecker none(config.filePath("words.txt"));
        none.setDictionaryFolder(unknown.path());
        QSignalSpy noneLoaded(&none, &SpellChecker::dictionaryLoaded);
        none.loadInBackground();
        QTRY_VERIFY_WITH_TIMEOUT(!none.isLoading(), 30000);
        QCOMPARE(noneLoaded.count(), 0);
        QVERIFY(!none.hasDictionary());
        qunsetenv("LC_ALL");
    }

    // As the program finds the dictionary it brings: written out under the
    // user's local data at the first start, kept as it is at the next, and
    // written again when it has gone wrong.
    void usesTheBuiltInDictionary() {
        QFile builtIn(":/dictionaries/en_US.dic");
        if (!builtIn.open(QIODevice::ReadOnly))
            QSKIP("The system brings its own dictionaries");
        const QString folder = QDir::fromNativeSeparators(qEnvironmentVariable("LOCALAPPDATA")) +
                               "/Verimond/dictionaries";
        // As at the first start; what was there before is put back after.
        const QString kept = folder + ".kept-by-test";
        QDir().rename(folder, kept);
        const auto putBack = qScopeGuard([&] {
            QDir(folder).removeRecursively();
            QDir().rename(kept, folder);
        });
        QTemporaryDir config;
        SpellChecker checker(config.filePath("words.txt"));
        QSignalSpy loaded(&checker, &SpellChecker::dictionaryLoaded);
        checker.loadInBackground();
        QVERIFY(loaded.wait(60000));
        QVERIFY(checker.suggestions("beleive").contains("believe"));

        QFile dic(folder + "/en_US.dic");
        const QDateTime longAgo(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        QVERIFY(dic.open(QIODevice::ReadWrite));
        QVERIFY(dic.setFileTime(longAgo, QFileDevice::FileModificationTime));
        dic.close();
        platform::dictionaryFolder();
        QCOMPARE(QFileInfo(dic.fileName()).lastModified(), longAgo);
        QVERIFY(dic.open(QIODevice::WriteOnly | QIODevice::Truncate));
        dic.write("1\nbeleive\n");
        dic.close();
        platform::dictionaryFolder();
        QVERIFY(dic.open(QIODevice::ReadOnly));
        QVERIFY(dic.readAll() == builtIn.readAll());
    }

    // Where the program brings its own dictionaries, they are written out
    // whole, and only when what is there differs.
    void writesOutTheDictionaries() {
        QTemporaryDir bundled, local;
        writeTestDictionary(bundled.path(), "en_US");
        const QString to = local.filePath("Verimond/dictionaries");
        platform::writeOutDictionaries(bundled.path(), to);
        QCOMPARE(bytesOf(to + "/en_US.dic"), bytesOf(bundled.filePath("en_US.dic")));
        QCOMPARE(bytesOf(to + "/en_US.aff"), bytesOf(bundled.filePath("en_US.aff")));

        QFile dic(to + "/en_US.dic");
        const QDateTime longAgo(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
        QVERIFY(dic.open(QIODevice::ReadWrite));
        QVERIFY(dic.setFileTime(longAgo, QFileDevice::FileModificationTime));
        dic.close();
        platform::writeOutDictionaries(bundled.path(), to);
        QCOMPARE(QFileInfo(dic.fileName()).lastModified(), longAgo);
        for (const QByteArray& wrong :
             {QByteArray("2\nbeleive\n"), bytesOf(dic.fileName()).replace("word", "wurd")}) {
            QVERIFY(dic.open(QIODevice::WriteOnly | QIODevice::Truncate));
            dic.write(wrong);
            dic.close();
            platform::writeOutDictionaries(bundled.path(), to);
            QCOMPARE(bytesOf(dic.fileName()), bytesOf(bundled.filePath("en_US.dic")));
        }
#ifndef Q_OS_WIN
        // A disk that takes only part of one leaves the one there as it was.
        QFile big(bundled.filePath("en_US.dic"));
        QVERIFY(big.open(QIODevice::Append));
        big.write(QByteArray(128 * 1024, 'x'));
        big.close();
        const QByteArray before = bytesOf(dic.fileName());
        rlimit limit{};
        getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit small{64 * 1024, limit.rlim_max};
        const auto handler = signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &small);
        platform::writeOutDictionaries(bundled.path(), to);
        setrlimit(RLIMIT_FSIZE, &limit);
        signal(SIGXFSZ, handler);
        QCOMPARE(bytesOf(dic.fileName()), before);
#endif
        // Nothing to write makes no folder.
        QTemporaryDir none;
        platform::writeOutDictionaries(none.path(), local.filePath("nothing"));
        QVERIFY(!QFileInfo::exists(local.filePath("nothing")));
    }

    // The dictionaries are in the user's profile, whose name may hold letters
    // the system's 8-bit code page lacks.
    void readsAFolderOfAnyName() {
        QTemporaryDir profile;
        const QString folder = profile.filePath(QString::fromUtf8("Ωμέγα"));
        writeTestDictionary(folder, "en_US");
        auto loaded = SpellEngine::load({"en_US", folder + "/en_US.aff", folder + "/en_US.dic"});
        QVERIFY(loaded);
        QVERIFY(loaded.value()->knows("believe"));
    }

    void loadsNothingWithoutDictionaries() {
        QTemporaryDir empty;
        QVERIFY(!SpellEngine::load(
            {"en_US", empty.filePath("en_US.aff"), empty.filePath("en_US.dic")}));
        QTemporaryDir config;
        SpellChecker checker(config.filePath("words.txt"));
        checker.setDictionaryFolder(empty.path());
        checker.loadInBackground();
        QVERIFY(!checker.hasDictionary());
        QVERIFY(!checker.isMisspelled("beleive"));
    }
};

QTEST_GUILESS_MAIN(TstSpelling)
#include "tst_spelling.moc"
