// Measures what spelling costs, with the system's dictionary for the user's
// language: the memory the dictionary takes, the processor time of showing an
// entry of 100,000 lines, and of typing in a box of 100,000 lines, each
// beside the same window with its spelling taken out; and the longest the
// window goes without taking events while an entry of 5 million lines shows.
// Usage: verimond_spelling_bench

#include "dictionaries.h"
#include "entrystore.h"
#include "form1.h"
#include "memorystatus.h"
#include "spellchecker.h"
#include "spellingfiles.h"
#include "spellmarker.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <string>

#include <sys/resource.h>

namespace {

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Lets every pending event run, the marking's passes among them.
void settle() {
    for (int i = 0; i < 5; ++i)
        QCoreApplication::processEvents();
}

// The longest the window goes without taking events, in seconds, from Find
// to the entry of `keyword` shown.
double longestWait(Form1& form, const QString& keyword) {
    auto* label1 = form.findChild<QLabel*>("Label1");
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        longest = std::max(longest, clock.nsecsElapsed() - last);
        last = clock.nsecsElapsed();
        if (label1->text() == "Paused") {
            poll.stop();
            form.Command3_Click();
        }
    });
    poll.start();
    form.findChild<QLineEdit*>("Text1")->setText(keyword);
    form.Command2_Click();
    return longest / 1e9;
}

// Processor seconds from Find to the entry shown and marked, the least of three.
double showing(Form1& form) {
    auto* label1 = form.findChild<QLabel*>("Label1");
    double best = 1e9;
    for (int round = 0; round < 3; ++round) {
        double shown = 0;
        const double before = cpuSeconds();
        QTimer poll;
        poll.setInterval(0);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (label1->text() != "Paused" || shown > 0)
                return;
            settle();
            shown = cpuSeconds() - before;
            form.Command3_Click();
        });
        poll.start();
        form.findChild<QLineEdit*>("Text1")->setText("long");
        form.Command2_Click();
        best = std::min(best, shown);
    }
    return best;
}

// Processor milliseconds per key typed in the middle of a box of 100,000 lines.
double typing(QPlainTextEdit* box) {
    QTextCursor middle(box->document()->findBlockByNumber(50000));
    box->setTextCursor(middle);
    box->setFocus();
    settle();
    const QString keys = QStringLiteral("I beleive it and wrnog ");
    const int rounds = 20;
    const double before = cpuSeconds();
    for (int round = 0; round < rounds; ++round) {
        for (const QChar c : keys) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QCoreApplication::sendEvent(box, &press);
            QCoreApplication::sendEvent(box, &release);
            settle();
        }
    }
    return (cpuSeconds() - before) * 1000 / (rounds * keys.size());
}

} // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    const auto files =
        spelling::chooseDictionary(platform::dictionaryFolder(), platform::userLanguage());
    if (!files) {
        std::printf("no dictionary is installed: nothing to measure\n");
        return 0;
    }
    const long before = memorystatus::resident();
    auto engine = spelling::SpellEngine::load(*files);
    if (!engine) {
        std::printf("the dictionary %s cannot be loaded\n", qPrintable(files->language));
        return 1;
    }
    std::printf("memory of the %s dictionary: %.1f MB\n", qPrintable(files->language),
                (memorystatus::resident() - before) / 1024.0);
    engine.value().reset();

    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    qputenv("XDG_CONFIG_HOME", dir.filePath("config").toUtf8());
    std::string text;
    for (int i = 0; i < 100000; ++i)
        text += "line " + std::to_string(i) + " of a very long entry that I beleive in\r\n";
    (void)entry_store::EntryStore().save("long", "May 3", text);
    std::string huge;
    for (int i = 0; i < 5000000; ++i)
        huge += "I beleive\r\n";
    (void)entry_store::EntryStore().save("huge", "May 4", huge);

    Form1 form;
    auto* checker = form.findChild<spelling::SpellChecker*>();
    QEventLoop loading;
    QObject::connect(checker, &spelling::SpellChecker::dictionaryLoaded, &loading,
                     &QEventLoop::quit);
    QTimer::singleShot(60000, &loading, &QEventLoop::quit);
    form.show();
    loading.exec();
    if (!checker->hasDictionary()) {
        std::printf("the dictionary did not load\n");
        return 1;
    }
    // Twice each, in turns, so neither gains from coming second.
    auto* box = form.findChild<QPlainTextEdit*>("Text2");
    std::printf("showing one entry of 5 million lines with spelling: the window waits at most "
                "%.3f s for events\n",
                longestWait(form, "huge"));
    box->clear();
    double showWith = 1e9, typeWith = 1e9, showWithout = 1e9, typeWithout = 1e9;
    for (int turn = 0; turn < 2; ++turn) {
        delete box->findChild<SpellMarker*>(); // the window as it is without spelling
        showWithout = std::min(showWithout, showing(form));
        typeWithout = std::min(typeWithout, typing(box));
        new SpellMarker(box, checker);
        showWith = std::min(showWith, showing(form));
        typeWith = std::min(typeWith, typing(box));
    }
    std::printf("showing one entry of 100,000 lines: %.3f s of processor time with spelling, "
                "%.3f s without (%+.1f %%)\n",
                showWith, showWithout, 100 * (showWith / showWithout - 1));
    std::printf("typing in a box of 100,000 lines: %.3f ms of processor time a key with "
                "spelling, %.3f ms without (%+.3f ms)\n",
                typeWith, typeWithout, typeWith - typeWithout);
    return 0;
}
