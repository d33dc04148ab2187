#pragma once

#include "keywordtally.h"

#include <QObject>

class KeywordModel;
class QCompleter;
class QLineEdit;
class QMouseEvent;
class QTimer;

// The keyword box's offers: as the user types, the diary's keywords that begin
// with what was typed, ignoring case, in a list under the box, most used
// first. The diary is read in slices between events, from the first keystroke
// on, so the window never waits for it; each keystroke first reads what was
// appended since, so another program's entries are offered at once. A diary
// that cannot be read offers nothing and says nothing.
class KeywordOffers : public QObject {
    Q_OBJECT
  public:
    KeywordOffers(QLineEdit* box, platform::FileSystem& files, const std::string& fileName);

    // Reads on in the diary if any keystroke started the reading, as after a Save.
    void refresh();
    // Closes the list, and opens none until the user edits the box again, as
    // after a Save or a Find.
    void withdraw();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void readSlice();
    bool passOn(const QMouseEvent& press);

    QLineEdit* box_;
    entry_store::KeywordTally tally_;
    KeywordModel* model_;
    QCompleter* completer_;
    QTimer* slices_;
    bool started_ = false;
    bool offering_ = false; // the user edited the box since the list was last closed
    std::uint64_t shownChanges_ = 0;
};
