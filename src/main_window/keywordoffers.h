#pragma once

#include "keywordtally.h"

#include <QObject>

class KeywordModel;
class QCompleter;
class QLineEdit;
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

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void readSlice();

    QLineEdit* box_;
    entry_store::KeywordTally tally_;
    KeywordModel* model_;
    QCompleter* completer_;
    QTimer* slices_;
    bool started_ = false;
    std::uint64_t shownChanges_ = 0;
};
