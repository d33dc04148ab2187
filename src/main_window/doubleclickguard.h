#pragma once

#include <QObject>

// Swallows the second press of a double click whose first click closed a
// popup. Qt gives that press to whatever the popup had covered, so a double
// click on a keyword offer would also click the control under the list: the
// entry box would take the focus and select a word, the fish would replace
// the entry text with its notice. A double click on a suggestion in the entry
// box's menu would select a word there, for the next key to replace.
class DoubleClickGuard : public QObject {
    Q_OBJECT
  public:
    explicit DoubleClickGuard(QObject* parent);

    // The next double click is swallowed if no control is pressed first: Qt
    // makes one only of a press that closely follows the last, here the one
    // that closed the popup.
    void arm();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void disarm();

    bool armed_ = false;
};
