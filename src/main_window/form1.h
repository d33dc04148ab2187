#pragma once

// The main window: the three boxes in which an entry is typed or shown, the
// pause marker, the five buttons and the fish symbol. Every command is one of
// its click handlers, run inside the platform's catch-all. The handlers work
// on the controls directly; the entry file is reached only through the entry
// store, and failures the store reports become messages here.

#include "entrystore.h"

#include <QList>
#include <QWidget>

namespace platform {
class Announcer;
}
class BusyCursor;
class FishPicture;
class KeywordOffers;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
namespace spelling {
class SpellChecker;
}

class Form1 : public QWidget {
    Q_OBJECT
  public:
    explicit Form1(platform::FileSystem& files = platform::systemFileSystem(),
                   QWidget* parent = nullptr);

    entry_store::EntryStore& store() { return store_; }

  public slots:
    void Command1_Click(); // Save
    void Command2_Click(); // Find
    void Command3_Click(); // Find Next
    void Command4_Click(); // Done
    void Command5_Click(); // About
    void Picture1_Click(); // the distribution notice

  protected:
    // Closing the window through the window manager is the same as Done, so no
    // process is left running without a window, even from inside a waiting search.
    void closeEvent(QCloseEvent* event) override;

  private:
    using Handler = void (Form1::*)();
    void run(Handler handler);
    // Runs the clicks held during a showing where queued input runs: at the
    // search's next wait, or after the search.
    void releaseHeldClicks();
    void search(const std::string& keyword);
    bool showEntry(const std::string& keyword, BusyCursor& busy);
    void announceEntry(const QStringList& firstLines);
    void reportReadFailure(const QString& what);
    QString filePath() const;

    entry_store::EntryStore store_;
    platform::Announcer* announcer_;
    KeywordOffers* offers_;
    spelling::SpellChecker* spelling_ = nullptr;
    // A showing lets the window repaint between its slices. A click that comes
    // in then without the window system's input queue, as a screen reader's
    // press action does, is held like a mouse click until the showing ends.
    bool holdingClicks_ = false;
    QList<Handler> heldClicks_;

    QLineEdit* Text1;
    QPlainTextEdit* Text2;
    QLineEdit* Text3;
    QPushButton* Command1;
    QPushButton* Command2;
    QLabel* Label1;
    QPushButton* Command3;
    QPushButton* Command4;
    FishPicture* Picture1;
    QLabel* Label2;
    QLabel* Label3;
    QPushButton* Command5;
};
