#include "entrystore.h"
#include "faultyfilesystem.h"
#include "filebytes.h"
#include "keywordtally.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <functional>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <pthread.h>
#include <sys/file.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <sys/wait.h>
#include <unistd.h>
#endif

using entry_store::EntryStore;
using entry_store::StoreErrorKind;
using platform::FileOp;

#ifdef _WIN32
// What FormatMessage says for a system error code, without its closing full stop.
std::string formatMessage(DWORD code) {
    char text[512] = {};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), text, sizeof text, nullptr);
    std::string words(text, length);
    while (!words.empty() && std::string_view("\r\n. ").find(words.back()) != std::string::npos)
        words.pop_back();
    return words.empty() ? "Windows error " + std::to_string(code) : words;
}
#else
// Runs `body` in a forked child and returns its exit status, or -1 when it did not exit.
int inChild(const std::function<int()>& body) {
    const pid_t child = fork();
    if (child == 0)
        _exit(body());
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}
#endif

class TestSave : public QObject {
    Q_OBJECT

  private:
    static inline volatile sig_atomic_t signalsCaught = 0;
    QTemporaryDir dir_;
    std::string path() const { return (dir_.path() + "/verimond.dat").toStdString(); }

  private slots:
    void init() {
        QVERIFY(dir_.isValid());
        QFile::remove(dir_.path() + "/verimond.dat");
        QVERIFY(QDir::setCurrent(dir_.path()));
    }

    // `before` is the file before the save ("" for none); `bytes` what follows it.
    void entriesAreWrittenByteForByte_data() {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<QString>("keyword");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("all empty") << QByteArray() << ""
                                   << ""
                                   << "" << QByteArray("\r\n\r\n\r\n**EOE**\r\n");
        QTest::newRow("two-line text")
            << QByteArray() << "grace"
            << "May 3"
            << "line one\r\nline two"
            << QByteArray("grace\r\nMay 3\r\nline one\r\nline two\r\n**EOE**\r\n");
        QTest::newRow("text ending in a line break")
            << QByteArray() << "k"
            << "d"
            << "t\r\n"
            << QByteArray("k\r\nd\r\nt\r\n\r\n**EOE**\r\n");
        QTest::newRow("lone LF and CR become CR LF")
            << QByteArray() << "k"
            << "d"
            << "a\nb\rc" << QByteArray("k\r\nd\r\na\r\nb\r\nc\r\n**EOE**\r\n");
        QTest::newRow("nothing escaped")
            << QByteArray() << "a,b"
            << "Tuesday, May 3"
            << "\"q\" **EOE**"
            << QByteArray("a,b\r\nTuesday, May 3\r\n\"q\" **EOE**\r\n**EOE**\r\n");
        QTest::newRow("Windows-1252 where it reaches")
            << QByteArray() << QString::fromUtf8("café") << QString::fromUtf8("€5")
            << QString::fromUtf8("naïve “quotes”")
            << QByteArray("caf\xE9\r\n\x80"
                          "5\r\nna\xEFve \x93quotes\x94\r\n**EOE**\r\n");
        QTest::newRow("UTF-8 line by line where it does not")
            << QByteArray() << "grace"
            << "" << QString::fromUtf8("Ωmega\r\ncafé")
            << QByteArray("grace\r\n\r\n\xCE\xA9mega\r\ncaf\xE9\r\n**EOE**\r\n");
        QTest::newRow("UTF-8 where Windows-1252 bytes would read back as UTF-8")
            << QByteArray() << QString::fromUtf8("Ã©") << ""
            << "" << QByteArray("\xC3\x83\xC2\xA9\r\n\r\n\r\n**EOE**\r\n");

        // A save cut short earlier left the file ending inside an entry: the
        // entry is closed first, and nothing already in the file changes.
        const QByteArray entry("grace\r\nMay 3\r\nnew\r\n**EOE**\r\n");
        const struct {
            const char* what;
            QByteArray before, closing;
        } tails[] = {
            {"torn inside a line", "k\r\nd\r\ntex", "\r\n**EOE**\r\n"},
            {"torn inside a long line", "k\r\n" + QByteArray(40, 'x'), "\r\n**EOE**\r\n"},
            {"torn after a whole line", "k\r\nd\r\n", "**EOE**\r\n"},
            {"torn between a line's CR and LF", "k\r\nd\r", "**EOE**\r\n"},
            {"torn inside the marker", "k\r\nd\r\n**EO", "\r\n**EOE**\r\n"},
            {"torn before the marker's line end", "k\r\nd\r\n**EOE**", "\r\n"},
            {"torn between the marker's CR and LF", "k\r\nd\r\n**EOE**\r", ""},
            {"marker ended by LF", "k\nd\n**EOE**\n", ""},
            {"marker alone in the file", "**EOE**", "\r\n"},
            {"marker at the end of a longer line", "k\r\nd\r\nx**EOE**\r\n", "**EOE**\r\n"},
        };
        for (const auto& tail : tails)
            QTest::newRow(tail.what) << tail.before << "grace"
                                     << "May 3"
                                     << "new" << tail.closing + entry;
    }

    void entriesAreWrittenByteForByte() {
        QFETCH(QByteArray, before);
        QFETCH(QString, keyword);
        QFETCH(QString, date);
        QFETCH(QString, text);
        QFETCH(QByteArray, bytes);
        if (!before.isEmpty())
            writeBytes(path(), before.toStdString());
        EntryStore store;
        QVERIFY(!store.save(keyword.toStdString(), date.toStdString(), text.toStdString()));
        QCOMPARE(QByteArray::fromStdString(readBytes(path())), before + bytes);
    }

    void firstSaveCreatesAndSecondAppends() {
        FaultyFileSystem files;
        EntryStore store(files);
        QVERIFY(!QFile::exists("verimond.dat"));
        // The save that creates the file flushes its folder too; failing to
        // does not undo a save whose entry is already on disk.
        files.reset(8, EIO); // open, stamp, lock, size, write, flush, close, then the folder
        QVERIFY(!store.save("grace", "May 3", "first"));
        QCOMPARE(files.folderSyncs, 1);
        const std::string first = readBytes(path());
        QCOMPARE(first, std::string("grace\r\nMay 3\r\nfirst\r\n**EOE**\r\n"));
        files.reset();
#ifndef _WIN32 // Windows files take their folder's permissions
        // A new diary is its owner's alone; an existing file keeps its permissions.
        const auto ownerOnly =
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser;
        QCOMPARE(QFile::permissions("verimond.dat"), ownerOnly);
        const auto shared = ownerOnly | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions("verimond.dat", shared));
#endif
        QVERIFY(!store.save("hope", "May 4", "second\r\nline"));
        QCOMPARE(files.folderSyncs, 0);
#ifndef _WIN32
        QCOMPARE(QFile::permissions("verimond.dat"), shared);
#endif
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
        QCOMPARE(calls,
                 (std::vector<FileOp>{FileOp::Open, FileOp::Size, FileOp::Lock, FileOp::Size,
                                      FileOp::Read, FileOp::Write, FileOp::Sync, FileOp::Close}));
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
                QCOMPARE(error->file.op, failed);
                QCOMPARE(error->file.code, code);
                QCOMPARE(readBytes(path()), before);
                files.reset();
                QVERIFY(!store.save("next", "", ""));
                QCOMPARE(readBytes(path()), before + "next\r\n\r\n\r\n**EOE**\r\n");
            }
        }
    }

    void shortWritesAreCompletedOrUndone() {
        writeBytes(path(), "kept\r\n**EOE**\r\n");
        FaultyFileSystem files;
        EntryStore store(files);
        files.reset(0, EIO, 6); // the first write writes only half; the rest follows
        QVERIFY(!store.save("grace", "May 3", "whole"));
        QCOMPARE(readBytes(path()),
                 std::string("kept\r\n**EOE**\r\ngrace\r\nMay 3\r\nwhole\r\n**EOE**\r\n"));

        // Half written, then the disk fills up: the half is cut away again.
        writeBytes(path(), "kept\r\n**EOE**\r\n");
        files.reset(7, ENOSPC, 6);
        const auto error = store.save("grace", "May 3", "lost");
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::DiskFull);
        QCOMPARE(readBytes(path()), std::string("kept\r\n**EOE**\r\n"));
    }

    void realFailuresAreReportedByKind() {
        // A folder where the file should be.
        QVERIFY(QDir().mkdir("verimond.dat"));
        EntryStore store;
        auto error = store.save("k", "d", "t");
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::IsFolder);
        QVERIFY(QDir().rmdir("verimond.dat"));

        // A device or a named pipe is refused before anything is written: a
        // pipe with no reader fills and waits, and /dev/null loses the entry.
#ifdef _WIN32
        const std::vector<std::string> devices{"NUL"};
#else
        QCOMPARE(::mkfifo("pipe", 0600), 0);
        const std::vector<std::string> devices{"/dev/full", "/dev/null", "pipe"};
#endif
        for (const std::string& device : devices) {
            error = EntryStore(platform::systemFileSystem(), device).save("k", "d", "t");
            QVERIFY(error);
            QVERIFY2(error->kind == StoreErrorKind::NotPlainFile, error->describe().c_str());
        }
#ifndef _WIN32
        QVERIFY(QFile::remove("pipe"));
#endif
    }

    // Each system error a save can meet: its kind, and the words the user reads
    // (on Windows the system's own words follow them).
    void systemErrorsBecomeKindsAndWords() {
        const std::string full = "no space is left on the disk (writing: ",
                          denied = "the file or its folder is not writable or not readable "
                                   "(writing: ",
                          failed = "the system reported an input/output failure (writing: ",
                          busy = "another program is using the diary file";
        const struct {
            unsigned long code;
            StoreErrorKind kind;
            std::string words;
        } rows[] = {
#ifdef _WIN32
            {ERROR_DISK_FULL, StoreErrorKind::DiskFull, full},
            {ERROR_HANDLE_DISK_FULL, StoreErrorKind::DiskFull, full},
            {1295 /* quota exceeded */, StoreErrorKind::DiskFull, full},
            {ERROR_ACCESS_DENIED, StoreErrorKind::AccessDenied, denied},
            {ERROR_WRITE_PROTECT, StoreErrorKind::AccessDenied, denied},
            {ERROR_LOCK_VIOLATION, StoreErrorKind::Busy, busy},
            {ERROR_CRC, StoreErrorKind::InputOutput, failed},
            {4242, StoreErrorKind::InputOutput, failed},
#else
            {ENOSPC, StoreErrorKind::DiskFull, full + "No space left on device)"},
            {EDQUOT, StoreErrorKind::DiskFull, full + "Disk quota exceeded)"},
            {EACCES, StoreErrorKind::AccessDenied, denied + "Permission denied)"},
            {EPERM, StoreErrorKind::AccessDenied, denied + "Operation not permitted)"},
            {EROFS, StoreErrorKind::AccessDenied, denied + "Read-only file system)"},
            {EWOULDBLOCK, StoreErrorKind::Busy, busy},
            {EIO, StoreErrorKind::InputOutput, failed + "Input/output error)"},
            {4242, StoreErrorKind::InputOutput, failed + "Unknown error 4242)"},
#endif
        };
        for (const auto& row : rows) {
            const auto error =
                entry_store::storeError(platform::systemError(FileOp::Write, row.code));
            QCOMPARE(error.kind, row.kind);
#ifdef _WIN32
            // The system's own words for its code follow.
            const std::string words =
                row.words.ends_with(": ") ? row.words + formatMessage(row.code) + ")" : row.words;
            QCOMPARE(error.describe(), words);
#else
            QCOMPARE(error.describe(), row.words);
#endif
        }
        // Each operation is named by its own verb.
        const std::pair<FileOp, std::string> verbs[] = {
            {FileOp::Open, "opening: "},
            {FileOp::Lock, "locking: "},
            {FileOp::Size, "measuring: "},
            {FileOp::Write, "writing: "},
            {FileOp::Read, "reading: "},
            {FileOp::Sync, "flushing to disk: "},
            {FileOp::Truncate, "restoring the length of: "},
            {FileOp::Close, "closing: "}};
        for (const auto& [op, verb] : verbs)
            QCOMPARE(platform::describe(platform::FileError{op, EIO}).substr(0, verb.size()), verb);
    }

#ifndef _WIN32
    // A signal arriving while a read or a write waits (a handler installed
    // without SA_RESTART) interrupts the call; the file layer tries again.
    void interruptedCallsStillMoveEveryByte() {
        struct sigaction action {};
        action.sa_handler = [](int) { signalsCaught = signalsCaught + 1; };
        sigemptyset(&action.sa_mask);
        struct sigaction old {};
        QCOMPARE(sigaction(SIGUSR1, &action, &old), 0);
        int ends[2];
        QCOMPARE(pipe(ends), 0);
        platform::FileSystem& files = platform::systemFileSystem();
        const pthread_t waiting = pthread_self();
        // Signals the waiting call twice, then lets it go on with `release`.
        auto interrupt = [&](const std::function<void()>& release) {
            return std::thread([&, release] {
                for (int i = 0; i < 2; ++i) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    pthread_kill(waiting, SIGUSR1);
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
                release();
            });
        };
        signalsCaught = 0;
        std::thread writer = interrupt([&] {
            if (::write(ends[1], "x", 1) != 1)
                std::abort();
        });
        char byte = 0;
        const auto got = files.read(ends[0], &byte, 1);
        writer.join();
        QVERIFY(got.ok());
        QCOMPARE(got.value(), std::size_t{1});
        QCOMPARE(byte, 'x');

        // A full pipe makes the write wait until the other end reads.
        const std::size_t queued = fcntl(ends[1], F_SETPIPE_SZ, 4096);
        QCOMPARE(::write(ends[1], std::string(queued, 'q').data(), queued), ssize_t(queued));
        std::size_t drained = 0;
        std::thread reader = interrupt([&] {
            char block[4096];
            for (ssize_t n;
                 drained < queued + 100 && (n = ::read(ends[0], block, sizeof block)) > 0;)
                drained += static_cast<std::size_t>(n);
        });
        const std::string data(100, 'y');
        std::size_t sent = 0;
        while (sent < data.size()) {
            const auto n = files.write(ends[1], data.data() + sent, data.size() - sent);
            QVERIFY(n.ok());
            sent += n.value();
        }
        reader.join();
        QCOMPARE(drained, queued + data.size());
        QVERIFY(signalsCaught >= 4);
        ::close(ends[0]);
        ::close(ends[1]);
        sigaction(SIGUSR1, &old, nullptr);
    }

    // A diary linked to a place that is not there now (a drive not plugged
    // in): the file is made where the link points if that folder exists, and
    // that folder is flushed; otherwise the error names the target. Either
    // way the save answers at once.
    void aLinkToNothingIsFollowedOrNamed() {
        QVERIFY(QDir().mkdir("elsewhere"));
        QCOMPARE(::symlink("elsewhere/diary.dat", "verimond.dat"), 0);
        FaultyFileSystem files;
        EntryStore store(files);
        QVERIFY(!store.save("k", "d", "t"));
        QCOMPARE(files.folderSyncs, 1);
        QCOMPARE(readBytes("elsewhere/diary.dat"), std::string("k\r\nd\r\nt\r\n**EOE**\r\n"));
        // The bare name's own folder is flushed for real, too.
        QVERIFY(!platform::systemFileSystem().syncFolderOf("diary.dat"));

        QVERIFY(QFile::remove("verimond.dat"));
        QCOMPARE(::symlink("gone/diary.dat", "verimond.dat"), 0);
        const auto error = store.save("k", "d", "t");
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::DanglingLink);
        QVERIFY2(error->describe().find("link to gone/diary.dat") != std::string::npos,
                 error->describe().c_str());

        // A chain of links is followed to its end, where the file is made.
        QVERIFY(QFile::remove("verimond.dat"));
        QCOMPARE(::symlink("elsewhere/link.dat", "verimond.dat"), 0);
        QCOMPARE(::symlink("chained.dat", "elsewhere/link.dat"), 0);
        QVERIFY(!store.save("k", "d", "t"));
        QCOMPARE(readBytes("elsewhere/chained.dat"), std::string("k\r\nd\r\nt\r\n**EOE**\r\n"));

        // A name in a folder that is not there is no link at all.
        const auto missing = EntryStore(files, "gone/verimond.dat").save("k", "d", "t");
        QVERIFY(missing);
        QCOMPARE(missing->kind, StoreErrorKind::NotFound);
        QVERIFY2(missing->describe().find("link") == std::string::npos,
                 missing->describe().c_str());
    }

    // On a file system without locks (NFS without its lock service) flock
    // fails with ENOLCK, made so here in a child process by a seccomp filter:
    // the save goes on without a lock.
    void aFileSystemWithoutLocksStillSaves() {
        writeBytes(path(), "old\r\n**EOE**\r\n");
        QCOMPARE(inChild([] {
                     sock_filter rules[] = {
                         BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
                         BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_flock, 0, 1),
                         BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOLCK),
                         BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
                     };
                     sock_fprog program{sizeof rules / sizeof rules[0], rules};
                     if (prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
                         prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0)
                         return 3;
                     if (::flock(0, LOCK_EX | LOCK_NB) == 0 || errno != ENOLCK)
                         return 4;
                     return EntryStore().save("k", "d", "t") ? 1 : 0;
                 }),
                 0);
        QCOMPARE(readBytes(path()), std::string("old\r\n**EOE**\r\nk\r\nd\r\nt\r\n**EOE**\r\n"));
    }

    // Root may write into any folder, so the save runs in a child process that
    // gives up root's rights first; as any other user it runs the same way.
    void readOnlyFolderRefusesTheSave() {
        QVERIFY(QDir().mkdir("locked"));
        const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                              QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther;
        QVERIFY(QFile::setPermissions(dir_.path(), readOnly | QFile::WriteOwner));
        QVERIFY(QFile::setPermissions("locked", readOnly));
        QCOMPARE(inChild([] {
                     if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                         return 3;
                     const auto error =
                         EntryStore(platform::systemFileSystem(), "locked/verimond.dat")
                             .save("k", "d", "t");
                     return !error ? 0 : error->kind == StoreErrorKind::AccessDenied ? 1 : 2;
                 }),
                 1); // refused as access denied
        QVERIFY(!QFile::exists("locked/verimond.dat"));
        QVERIFY(QFile::setPermissions("locked", readOnly | QFile::WriteOwner));
    }

#else

    // On Windows another program (a scanner, a backup tool) may open the diary
    // for a moment without sharing it: the save waits for it, and is refused as
    // the file being in use only when it is held past the lock wait. (Wine, run
    // as root, ignores a read-only attribute, so this is the refusal that holds.)
    void fileOpenedUnsharedIsWaitedFor() {
        writeBytes(path(), "old\r\n**EOE**\r\n");
        const std::wstring name = QString::fromStdString(path()).toStdWString();
        auto holdUnshared = [&] {
            return CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        };
        HANDLE other = holdUnshared();
        QVERIFY(other != INVALID_HANDLE_VALUE);
        std::thread release([other] {
            Sleep(300);
            CloseHandle(other);
        });
        QVERIFY(!EntryStore().save("k", "d", "t"));
        release.join();
        QCOMPARE(readBytes(path()), std::string("old\r\n**EOE**\r\nk\r\nd\r\nt\r\n**EOE**\r\n"));

        writeBytes(path(), "old\r\n**EOE**\r\n");
        other = holdUnshared();
        EntryStore store;
        store.setLockWait(std::chrono::milliseconds(100));
        const auto error = store.save("k", "d", "t");
        CloseHandle(other);
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::Busy);
        QCOMPARE(readBytes(path()), std::string("old\r\n**EOE**\r\n"));
    }

#endif

    // The keyword tally reads with a handle that shares the file and takes no
    // lock, so a save made while it reads goes through at once.
    void theKeywordTallyNeverHoldsASaveBack() {
        writeBytes(path(), "old\r\nd\r\nt\r\n**EOE**\r\n");
        FaultyFileSystem files;
        entry_store::KeywordTally tally(files, path());
        EntryStore store;
        store.setLockWait(std::chrono::milliseconds(0));
        std::optional<entry_store::StoreError> refused;
        int saves = 0;
        files.beforeRead = [&] {
            if (saves++ == 0)
                refused = store.save("new", "d", "t");
        };
        QVERIFY(tally.readOn());
        QCOMPARE(saves > 0, true);
        QVERIFY2(!refused, refused ? refused->describe().c_str() : "");
        QCOMPARE(readBytes(path()),
                 std::string("old\r\nd\r\nt\r\n**EOE**\r\nnew\r\nd\r\nt\r\n**EOE**\r\n"));
    }

    // Another program's lock is waited for only briefly; a file system with no
    // locks at all is written without one.
    void theLockDecidesTheSave() {
        writeBytes(path(), "old\r\n**EOE**\r\n");
        FaultyFileSystem files;
        EntryStore store(files);
        // Time passes only in the pauses between tries, however busy the machine.
        std::chrono::steady_clock::time_point now{};
        store.setClock({[&] { return now; }, [&](std::chrono::milliseconds d) { now += d; }});
        store.setLockWait(std::chrono::milliseconds(50));
        files.lockState = platform::LockState::Busy;
        const auto error = store.save("k", "d", "t");
        QVERIFY(error);
        QCOMPARE(error->kind, StoreErrorKind::Busy);
        QVERIFY(QString::fromStdString(error->describe()).contains("another program"));
        QCOMPARE(readBytes(path()), std::string("old\r\n**EOE**\r\n"));
        QVERIFY(std::count(files.calls.begin(), files.calls.end(), FileOp::Lock) > 2);
        // It gives up at the end of the wait, neither before nor after.
        QCOMPARE(now.time_since_epoch(), std::chrono::milliseconds(50));

        // An open refused while another program holds the file is tried again.
        files.reset(1, EWOULDBLOCK);
        QVERIFY(!store.save("k", "d", "t"));
        QCOMPARE(readBytes(path()), std::string("old\r\n**EOE**\r\nk\r\nd\r\nt\r\n**EOE**\r\n"));
        writeBytes(path(), "old\r\n**EOE**\r\n");

        // Refused for ever, the open gives up at the end of the wait; refused
        // for half the wait and then locked out, the save waits no longer in
        // all, so the lock is tried about as often as the open was.
        store.setLockWait(std::chrono::milliseconds(200));
        for (const int refusedOpens : {0, 10}) {
            files.reset(0, EWOULDBLOCK);
            files.failFrom = 1;
            files.failThrough = refusedOpens;
            files.lockState = platform::LockState::Busy;
            const auto start = now;
            const auto refused = store.save("k", "d", "t");
            QCOMPARE(now - start, std::chrono::milliseconds(200));
            QVERIFY(refused);
            QCOMPARE(refused->kind, StoreErrorKind::Busy);
            const auto opens = std::count(files.calls.begin(), files.calls.end(), FileOp::Open);
            const auto locks = std::count(files.calls.begin(), files.calls.end(), FileOp::Lock);
            if (refusedOpens == 0) {
                QVERIFY(opens > 2 && locks == 0);
            } else {
                QCOMPARE(opens, refusedOpens + 1);
                QVERIFY2(locks < refusedOpens * 3 / 2, qPrintable(QString::number(locks)));
            }
            QCOMPARE(readBytes(path()), std::string("old\r\n**EOE**\r\n"));
        }
        store.setLockWait(std::chrono::milliseconds(50));

        files.reset();
        files.lockState = platform::LockState::Unsupported;
        QVERIFY(!store.save("k", "d", "t"));
        QCOMPARE(readBytes(path()), std::string("old\r\n**EOE**\r\nk\r\nd\r\nt\r\n**EOE**\r\n"));
    }
};

QTEST_APPLESS_MAIN(TestSave)
#include "tst_save.moc"
