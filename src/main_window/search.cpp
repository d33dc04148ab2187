// Find and Find Next: the keyword search with its pause between entries.

#include "busycursor.h"
#include "form1.h"
#include "platform.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace {

const QString kPaused = QStringLiteral("Paused");

// How many bytes the scan passes between looks at the clock for the busy cursor.
constexpr std::uint64_t kScanSlice = 8u << 20;

// How much of a shown entry goes into the box in one step; each step takes the
// text box a few tens of milliseconds at most.
constexpr qsizetype kShowSliceLines = 20000;
constexpr qsizetype kShowSliceBytes = 1 << 20;

// A screen reader hears the first lines of a shown entry, each cut to this length.
constexpr qsizetype kSpokenLineLength = 200;

} // namespace

void Form1::Command2_Click() {
    const QString keyword = Text1->text();
    Text1->setEnabled(false);
    Command1->setEnabled(false);
    Command2->setEnabled(false);
    platform::setBoxText(Text2, QString());

    search(keyword.toStdString());

    store_.reader().close();
    Text1->setEnabled(true);
    Command1->setEnabled(true);
    Command2->setEnabled(true);
}

void Form1::Command3_Click() {
    Label1->setText(QString());
}

// Reads the whole file, showing each entry found under `keyword` and waiting
// after it until Find Next clears the pause marker. Returns at the end of the
// file, or after a failure has been reported.
void Form1::search(const std::string& keyword) {
    bool shown = false;
    auto announceEnd = [&] {
        announcer_->announce(
            (shown ? QStringLiteral("No further entry is filed under \"%1\". The search has ended.")
                   : QStringLiteral("Nothing is filed under \"%1\"."))
                .arg(QString::fromStdString(keyword)));
    };
    if (auto error = store_.openForReading()) {
        // No diary yet means no entries, not a failure.
        if (error->file.op != platform::FileOp::Open ||
            error->kind != entry_store::StoreErrorKind::NotFound)
            reportReadFailure(QString::fromStdString(error->describe()));
        else
            announceEnd();
        return;
    }
    entry_store::EntryReader& reader = store_.reader();
    BusyCursor busy;
    for (;;) {
        auto scan = reader.findField(keyword, kScanSlice);
        if (!scan) {
            busy.stop();
            reportReadFailure(QString::fromStdString(scan.error().describe()));
            return;
        }
        if (scan.value() == entry_store::EntryReader::ScanResult::EndOfFile) {
            announceEnd();
            return;
        }
        if (scan.value() == entry_store::EntryReader::ScanResult::Unfinished) {
            busy.tick();
            continue;
        }
        holdingClicks_ = true;
        const bool whole = showEntry(keyword, busy);
        releaseHeldClicks();
        if (!whole)
            return;
        busy.stop();
        shown = shown || Label1->text() == kPaused;
        // Each pass blocks until an event arrives, so a waiting search costs no processor time.
        while (Label1->text() == kPaused)
            platform::processPendingEvents();
        busy.restart();
    }
}

// Appends the fields after the keyword up to the entry's marker to Text2, one
// per line, and sets the pause marker. The lines are added in slices, each in
// one step, so the box ends as if each line had been appended alone without
// setting a long text again per line. Between slices the window repaints and
// answers the window system (user input stays queued), so a huge entry does
// not freeze it. A file that ends inside the entry ends the showing as if the
// marker stood there. A read failure ends the showing and, after its one
// message, the search.
bool Form1::showEntry(const std::string& keyword, BusyCursor& busy) {
    if (keyword == entry_store::kEndOfEntry)
        return true;
    entry_store::EntryReader& reader = store_.reader();
    QStringList slice;
    QStringList firstLines;
    qsizetype sliceBytes = 0;
    std::optional<entry_store::StoreError> failure;
    for (;;) {
        auto end = reader.atEnd();
        if (!end) {
            failure = end.error();
            break;
        }
        if (end.value())
            break;
        auto field = reader.readField();
        if (!field) {
            failure = field.error();
            break;
        }
        if (field.value() == entry_store::kEndOfEntry)
            break;
        sliceBytes += static_cast<qsizetype>(field.value().size()) + 2;
        slice << QString::fromStdString(field.value());
        if (firstLines.size() < 2)
            firstLines << slice.last().left(kSpokenLineLength).simplified();
        if (slice.size() >= kShowSliceLines || sliceBytes >= kShowSliceBytes) {
            platform::appendLines(Text2, slice);
            slice.clear();
            sliceBytes = 0;
            busy.tick();
            platform::processWindowEvents();
        }
    }
    platform::appendLines(Text2, slice);
    if (failure) {
        busy.stop();
        reportReadFailure(QString::fromStdString(failure->describe()));
        return false;
    }
    Label1->setText(kPaused);
    announceEntry(firstLines);
    return true;
}

// Tells a screen reader what was just shown and that the search waits, for
// example "May 3: First thought on grace. Paused: Find Next shows the next entry."
void Form1::announceEntry(const QStringList& firstLines) {
    QStringList said;
    for (const QString& line : firstLines) {
        if (!line.isEmpty())
            said << line;
    }
    QString message = said.join(QStringLiteral(": "));
    if (!message.isEmpty() && !QStringLiteral(".!?").contains(message.back()))
        message += QLatin1Char('.');
    if (!message.isEmpty())
        message += QLatin1Char(' ');
    announcer_->announce(message + QStringLiteral("Paused: Find Next shows the next entry."));
}

void Form1::reportReadFailure(const QString& what) {
    platform::showFailure(QStringLiteral("The diary file %1 could not be read: %2.\n\n"
                                         "The search has ended.")
                              .arg(filePath(), what));
}
