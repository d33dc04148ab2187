#pragma once

#include "keywordtally.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <tuple>

class KeywordModel;
class QCompleter;
class QFileSystemWatcher;
class QLineEdit;
class QMouseEvent;
class QTimer;

// The keyword box's offers: as the user types, the diary's keywords that begin
// with what was typed, ignoring case, in a list under the box, most used
// first. The diary is read in slices between events, so the window never
// waits for it. Nothing is read before the user first edits the box; then
// each edit reads what changed since, at most once in kReadGapMs while edits
// keep coming and once more after the last, and so does a Save, and a change
// another program makes where the system tells of it. A failed pass keeps
// the list it had, says nothing, and the next edit, Save or change tries again.
class KeywordOffers : public QObject {
    Q_OBJECT
  public:
    static constexpr qint64 kReadGapMs = 250;
    // The longest keyword the list shows whole, with its count.
    static constexpr std::size_t kShownWhole = 30;

    // Reads `sliceBytes` of the diary between two events, a few milliseconds'
    // worth; tests give a small buffer and slice to small files.
    KeywordOffers(QLineEdit* box, platform::FileSystem& files, const std::string& fileName,
                  std::size_t bufferSize = 1 << 20, std::uint64_t sliceBytes = 4u << 20);

    // Milliseconds on a monotonic clock, by which the reads are spaced; tests
    // set their own.
    void setClock(std::function<qint64()> now);

    // Reads on in the diary at once if an edit of the box started the
    // reading, as after a Save.
    void refresh();
    // Closes the list, and opens none until the user edits the box again, as
    // after a Save or a Find.
    void withdraw();

  signals:
    // What a screen reader is to be told: how many keywords the list offers,
    // once when it opens and once when that number changes while it is open.
    void announcement(const QString& message);
    // The diary's keywords, each time a reading changed them.
    void keywordsRead(const QStringList& keywords);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // What the file system says of the diary, to tell its change from one of
    // another file in its folder.
    using Stamp = std::tuple<bool, qint64, QDateTime, QDateTime>;

    void edited(const QString& text);
    void request();
    void readLater();
    void startPass();
    void readSlice();
    void watch();
    void changedOnDisk();
    Stamp stamp() const;
    bool passOn(const QMouseEvent& press);
    void fitList(const std::vector<entry_store::Keyword>& keywords);
    void tellCountLater();
    void tellCount();
    void giveReaderItsPlace();

    QLineEdit* box_;
    entry_store::KeywordTally tally_;
    std::uint64_t sliceBytes_;
    KeywordModel* model_;
    QCompleter* completer_;
    QTimer* slices_;
    QTimer* later_;
    QFileSystemWatcher* watcher_ = nullptr;
    QString path_;
    std::function<qint64()> now_;
    std::optional<qint64> passStarted_;
    qint64 lastEdit_ = 0;
    Stamp stamp_;
    bool started_ = false;
    bool offering_ = false; // the user edited the box since the list was last closed
    bool movingOn_ = false; // the list closes for a Tab or a click elsewhere
    std::uint64_t shownChanges_ = 0;
    bool countDue_ = false;
    int toldCount_ = -1; // while the list is open
};
