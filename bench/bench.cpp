// Measures the search on a synthetic diary and prints one figure per line;
// given a text of one verse a line, also on a diary of that real text.
// Usage: verimond_bench [size in MB, default 200] [TEXT]   (1000 for a 1 GB diary)
// "Find", "grep" and the read floor (a plain read of the whole file with the
// reader's buffer size) are processor seconds; "memory" is the resident memory
// a Find adds at its peak.

#include "entrystore.h"
#include "form1.h"
#include "keywordtally.h"
#include "memorystatus.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Words of the keyword lines, and the text around them.
const char* const kWords[] = {"hope",     "faith",    "love",   "peace", "mercy",  "joy",
                              "patience", "kindness", "truth",  "light", "prayer", "psalm",
                              "promise",  "covenant", "wisdom", "word"};
// In almost every text line, as the word a diary is kept about fills its
// entries, but never a whole field.
const char* const kCommon = "grace";
// A whole field, the keyword line, of one entry in a hundred.
const char* const kRare = "steadfast";
// In no line at all.
const char* const kAbsent = "zephaniah";

// Writes entries of about 200 bytes until the file reaches `bytes`; returns the count.
long writeDiary(const std::string& path, long long bytes) {
    std::ofstream out(path, std::ios::binary);
    std::mt19937 random(7);
    auto word = [&] { return kWords[random() % std::size(kWords)]; };
    long entries = 0;
    long long written = 0;
    std::string entry;
    while (written < bytes) {
        entry.clear();
        entry += entries % 100 == 50 ? kRare : word();
        entry += "\r\nMay " + std::to_string(1 + random() % 28) + ", 20" +
                 std::to_string(10 + random() % 16) + "\r\n";
        const int lines = 1 + static_cast<int>(random() % 3);
        for (int i = 0; i < lines; ++i) {
            const int at = 1 + static_cast<int>(random() % 5); // never the first word
            for (int w = 0; w < 7; ++w) {
                entry += w == at ? kCommon : word();
                // Now and then the common word stands before a comma, as in "by grace, through".
                entry += w == 6 ? "" : (w == at && random() % 4 == 0) ? ", " : " ";
            }
            entry += random() % 10 == 0 ? "\r\n" : ", and the word of the Lord\r\n";
        }
        entry += "**EOE**\r\n";
        out << entry;
        written += static_cast<long long>(entry.size());
        ++entries;
    }
    return entries;
}

// A diary of the same size built from a real text: each entry a verse, filed
// under one of kWords, its reference ("Ge1:1") as its date.
long writeTextDiary(const std::string& path, long long bytes, const std::string& textPath) {
    std::ifstream in(textPath, std::ios::binary);
    std::vector<std::string> verses;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            verses.push_back(std::move(line));
    }
    if (verses.empty())
        return 0;
    std::ofstream out(path, std::ios::binary);
    long entries = 0;
    long long written = 0;
    std::string entry;
    while (written < bytes) {
        const std::string& verse = verses[static_cast<std::size_t>(entries) % verses.size()];
        const std::size_t space = verse.find(' ');
        entry = kWords[entries % std::size(kWords)];
        entry += "\r\n" + verse.substr(0, space) + "\r\n" +
                 (space == std::string::npos ? std::string() : verse.substr(space + 1)) +
                 "\r\n**EOE**\r\n";
        out << entry;
        written += static_cast<long long>(entry.size());
        ++entries;
    }
    return entries;
}

double seconds(const rusage& usage) {
    return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double cpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return seconds(usage);
}

// The processor seconds of `grep -c -x -F keyword file`, its output thrown away.
double grepCpuSeconds(const std::string& keyword, const std::string& file) {
    const char* argv[] = {"grep", "-c", "-x", "-F", keyword.c_str(), file.c_str(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "grep", &actions, nullptr, const_cast<char* const*>(argv), environ))
        return -1;
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    return seconds(usage);
}

// The processor seconds of reading the whole file with the reader's buffer
// size and nothing else: what no search can go below.
double readFloorCpuSeconds(const std::string& file) {
    std::vector<char> buffer(1 << 20);
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0)
        return -1;
    const double before = cpuSeconds();
    while (::read(fd, buffer.data(), buffer.size()) > 0) {
    }
    const double spent = cpuSeconds() - before;
    ::close(fd);
    return spent;
}

// Clicks Find on the real window with `keyword`; at every wait, `onWait` runs
// and then Find Next is clicked. Returns the seconds the whole Find took.
double runFind(Form1& form, const QString& keyword, const std::function<void()>& onWait = {}) {
    auto* label1 = form.findChild<QLabel*>("Label1");
    QTimer poll;
    poll.setInterval(0);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (label1->text() != "Paused")
            return;
        if (onWait)
            onWait();
        form.Command3_Click();
    });
    poll.start();
    form.findChild<QLineEdit*>("Text1")->setText(keyword);
    QElapsedTimer timer;
    timer.start();
    form.Command2_Click();
    return timer.nsecsElapsed() / 1e9;
}

struct Kind {
    const char* what;
    const char* keyword;
};

// Processor seconds of one Find through the real window against grep's and the
// read floor on the same file, best of three each, for each kind of keyword.
// Returns the first kind's Find.
double measure(Form1& form, const std::string& path, const std::vector<Kind>& kinds) {
    double floor = 1e9;
    for (int i = 0; i < 3; ++i)
        floor = std::min(floor, readFloorCpuSeconds(path));
    std::printf("read floor: %.3fs\n", floor);
    std::printf("%-44s %8s %8s %6s %6s %10s\n", "keyword", "Find", "grep", "/grep", "/floor",
                "memory");
    double first = -1;
    for (const Kind& kind : kinds) {
        double find = 1e9, grep = 1e9;
        long peak = 0;
        for (int i = 0; i < 3; ++i) {
            grep = std::min(grep, grepCpuSeconds(kind.keyword, path));
            const long rssBefore = memorystatus::resident();
            memorystatus::resetPeak();
            const double before = cpuSeconds();
            runFind(form, QString::fromLatin1(kind.keyword));
            find = std::min(find, cpuSeconds() - before);
            peak = std::max(peak, memorystatus::peakResident() - rssBefore);
        }
        std::printf("%-44s %7.3fs %7.3fs %6.2f %6.2f %7.1f MB\n", kind.what, find, grep,
                    find / grep, find / floor, peak / 1024.0);
        first = first < 0 ? find : first;
    }
    return first;
}

// Reads every keyword of the diary for the keyword offers in slices of 4 MB,
// as the window does between events; prints the time beside a Find's, the
// longest slice (the longest the window goes without taking events) and the
// memory the tally adds at its peak.
void measureKeywords(const std::string& path, double findNowhere) {
    const long rssBefore = memorystatus::resident();
    memorystatus::resetPeak();
    QElapsedTimer timer;
    timer.start();
    const double before = cpuSeconds();
    entry_store::KeywordTally tally(platform::systemFileSystem(), path);
    // The longest slice by the clock, and by the processor time it took, which
    // a busy machine does not stretch.
    qint64 longest = 0;
    double longestCpu = 0;
    for (;;) {
        QElapsedTimer slice;
        slice.start();
        const double sliceStart = cpuSeconds();
        const auto pass = tally.readOn(4u << 20);
        longest = std::max(longest, slice.nsecsElapsed());
        longestCpu = std::max(longestCpu, cpuSeconds() - sliceStart);
        if (!pass || pass.value() == entry_store::KeywordTally::Pass::Done)
            break;
    }
    const std::size_t listed = tally.keywords().size();
    const double cpu = cpuSeconds() - before;
    std::printf("reading the keywords: %.3fs (%.3fs in all), %zu keywords%s, %.1f x a Find of a "
                "keyword found nowhere; longest slice %.1f ms (%.1f ms of processor time); "
                "memory %.1f MB\n",
                cpu, timer.nsecsElapsed() / 1e9, listed, tally.wasCut() ? " (cut)" : "",
                findNowhere > 0 ? cpu / findNowhere : 0.0, longest / 1e6, longestCpu * 1e3,
                (memorystatus::peakResident() - rssBefore) / 1024.0);
}

// The keyword tally on a text line of 1 MB made of marker-like fields, beside
// a plain line of the same size: processor seconds, the least of 20 runs.
void measureHostileLine(const std::string& path) {
    const auto cost = [&](const std::string& line) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << "grace\r\nMay 3\r\n"
                                                                << line << "\r\n**EOE**\r\n";
        double least = 1e9;
        for (int run = 0; run < 20; ++run) {
            entry_store::KeywordTally tally(platform::systemFileSystem(), path);
            const double before = cpuSeconds();
            (void)tally.readOn();
            least = std::min(least, cpuSeconds() - before);
        }
        return least;
    };
    std::string markers;
    while (markers.size() < (1u << 20))
        markers += "**EOE**,";
    const double plain = cost(std::string(markers.size(), 'a'));
    const double hostile = cost(markers);
    std::printf("keywords of a 1 MB text line: plain %.2f ms, of \"**EOE**,\" fields %.2f ms "
                "(%.2f x)\n",
                plain * 1e3, hostile * 1e3, hostile / plain);
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const long long megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
    QTemporaryDir dir;
    QDir::setCurrent(dir.path());
    const std::string path = (dir.path() + "/verimond.dat").toStdString();

    QElapsedTimer timer;
    timer.start();
    const long entries = writeDiary(path, megabytes * 1000 * 1000);
    const double size = QFileInfo(QString::fromStdString(path)).size() / 1e6;
    std::printf("diary: %ld entries, %.0f MB, written in %.1f s\n", entries, size,
                timer.elapsed() / 1e3);

    // Reader only: every field read and decoded, as the plain reader does.
    {
        entry_store::EntryReader reader(platform::systemFileSystem());
        (void)reader.open(path);
        timer.restart();
        long fields = 0;
        while (!reader.atEnd().value()) {
            (void)reader.readField();
            ++fields;
        }
        const double seconds = timer.nsecsElapsed() / 1e9;
        std::printf("reader, field by field: %.0f MB/s (%ld fields in %.2f s)\n", size / seconds,
                    fields, seconds);
    }

    Form1 form;
    const double nowhere = measure(form, path,
                                   {{"found nowhere", kAbsent},
                                    {"common word in the text, never a whole field", kCommon},
                                    {"whole field in 1 entry of 100", kRare}});
    measureKeywords(path, nowhere);

    if (argc > 2) {
        QFile::remove(QString::fromStdString(path));
        timer.restart();
        const long verses = writeTextDiary(path, megabytes * 1000 * 1000, argv[2]);
        std::printf("diary of real text (%s): %ld entries, %.0f MB, written in %.1f s\n", argv[2],
                    verses, QFileInfo(QString::fromStdString(path)).size() / 1e6,
                    timer.elapsed() / 1e3);
        measure(form, path,
                {{"found nowhere", kAbsent},
                 {"\"the\", the commonest word", "the"},
                 {"\"Methuselah\", a rare word", "Methuselah"}});
    }

    // A hostile diary: a million keywords, each filed once.
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (long i = 0; i < 1000000; ++i)
            out << "keyword number " << i << "\r\n\r\n\r\n**EOE**\r\n";
        out.close();
        std::printf("a diary of a million distinct keywords: ");
        measureKeywords(path, 0);
    }

    measureHostileLine(path);
    // One line as large as the diary: the slices go on inside it.
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        const std::string piece = "a long, long keyword line, ";
        for (long long written = 0; written < megabytes * 1000 * 1000; written += piece.size())
            out << piece;
        out << "\r\n";
        out.close();
        std::printf("a diary of one %lld MB line: ", megabytes);
        measureKeywords(path, 0);
    }

    // One entry of 100,000 lines: the time from Find to the entry on screen.
    {
        QFile::remove("verimond.dat");
        std::string text;
        for (int i = 0; i < 100000; ++i)
            text += "line " + std::to_string(i) + " of a very long entry\r\n";
        (void)entry_store::EntryStore().save("long", "May 3", text);
        double shownAfter = 0;
        timer.restart();
        runFind(form, "long", [&] { shownAfter = timer.nsecsElapsed() / 1e9; });
        std::printf("showing one entry of 100,000 lines: %.3f s\n", shownAfter);
    }

    // A search left waiting for 5 seconds.
    {
        double cpu = 0;
        runFind(form, "long", [&] {
            const double before = cpuSeconds();
            QElapsedTimer waited;
            waited.start();
            auto* label1 = form.findChild<QLabel*>("Label1");
            QTimer::singleShot(5000, Qt::PreciseTimer, &form, [&] { form.Command3_Click(); });
            while (label1->text() == "Paused")
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            cpu = cpuSeconds() - before;
            std::printf("processor time while a search waits 5 s: %.3f s (waited %.1f s)\n", cpu,
                        waited.elapsed() / 1e3);
        });
    }
    return 0;
}
