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
    if (auto error = store_.openForReading()) {
        // No diary yet means no entries, not a failure.
        if (error->op != platform::FileOp::Open ||
            error->kind != entry_store::StoreErrorKind::NotFound)
            reportReadFailure(QString::fromStdString(error->describe()));
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
        if (scan.value() == entry_store::EntryReader::ScanResult::EndOfFile)
            return;
        if (scan.value() == entry_store::EntryReader::ScanResult::Unfinished) {
            busy.tick();
            continue;
        }
        busy.stop();
        if (!showEntry(keyword))
            return;
        // Each pass blocks until an event arrives, so a waiting search costs no processor time.
        while (Label1->text() == kPaused)
            platform::processPendingEvents();
        busy.restart();
    }
}

// Appends the fields after the keyword up to the entry's marker to Text2, one
// per line, and sets the pause marker. The lines are gathered first and added
// in one step: no event is processed in between, so the box ends as if each
// line had been appended alone, without setting a long text again per line.
// A file that ends inside the entry ends the showing as if the marker stood there.
bool Form1::showEntry(const std::string& keyword) {
    if (keyword == entry_store::kEndOfEntry)
        return true;
    entry_store::EntryReader& reader = store_.reader();
    QStringList lines;
    bool ok = true;
    for (;;) {
        auto end = reader.atEnd();
        if (!end) {
            ok = false;
            reportReadFailure(QString::fromStdString(end.error().describe()));
            break;
        }
        if (end.value())
            break;
        auto field = reader.readField();
        if (!field) {
            ok = false;
            reportReadFailure(QString::fromStdString(field.error().describe()));
            break;
        }
        if (field.value() == entry_store::kEndOfEntry)
            break;
        lines << QString::fromStdString(field.value());
    }
    platform::appendLines(Text2, lines);
    if (ok)
        Label1->setText(kPaused);
    return ok;
}

void Form1::reportReadFailure(const QString& what) {
    platform::showFailure(QStringLiteral("The diary file %1 could not be read: %2.\n\n"
                                         "The search has ended.")
                              .arg(filePath(), what));
}
